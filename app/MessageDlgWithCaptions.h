#pragma once
#include <QMessageBox>
#include <QStringList>

// Modal results of MessageDlgWithCaptions.
enum ModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };

// A modal question dialog with its own window title and button captions. Captions are given
// in the dialog's button order (Yes before No, OK before Cancel); buttons past the captions
// keep their standard text. Returns 6 for Yes, 7 for No, 1 for OK ..., and 2 when the dialog
// is left with Escape or its close button.
int MessageDlgWithCaptions(const QString &message, QMessageBox::Icon dialogType,
                           QMessageBox::StandardButtons buttons, const QString &title,
                           const QStringList &captions, QWidget *parent = nullptr);

// The question with "Yes" and "No" in a dialog titled "Confirmation"; returns 6, 7 or 2 as above.
int ConfirmYesNo(const QString &question, QWidget *parent);

// The dialog itself, for callers (and tests) that need to reach it before it runs.
class CaptionedMessageBox : public QMessageBox {
    Q_OBJECT
public:
    CaptionedMessageBox(const QString &message, QMessageBox::Icon dialogType,
                        QMessageBox::StandardButtons buttons, const QString &title,
                        const QStringList &captions, QWidget *parent = nullptr);

    // Shows the dialog modally and returns the modal result.
    int run();

    // The dialog's buttons in their order.
    QList<QAbstractButton *> orderedButtons() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool leftWithEscape = false;
};
