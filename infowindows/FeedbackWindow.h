#pragma once
#include "infowindows/FeedbackRequest.h"

#include <QDialog>
#include <QMessageBox>

#include <functional>

class FeedbackChoicePanel;
class FeedbackSendButton;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// The feedback window: a message, an optional "I like it!" / "I dislike it!" choice and an
// optional e-mail address, sent to the maker's service with one button.
class FeedbackWindow : public QDialog {
    Q_OBJECT

public:
    static constexpr int MemoMaxLength = 10000;
    static constexpr int EditMaxLength = 100;

    explicit FeedbackWindow(QWidget *parent = nullptr);
    ~FeedbackWindow() override;

    FeedbackChoice Choice() const;

    QFrame *Panel3 = nullptr;
    FeedbackChoicePanel *Panel4 = nullptr;
    QLabel *Image1 = nullptr;
    FeedbackChoicePanel *Panel5 = nullptr;
    QLabel *Image2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QFrame *Panel1 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QFrame *Panel2 = nullptr;
    FeedbackSendButton *BitBtn1 = nullptr;

    // Message boxes and the beep; replaceable so that tests do not block on them.
    std::function<void(QMessageBox::Icon, const QString &title, const QString &text)> ShowMessage;
    std::function<void()> Beep;

public slots:
    void Image1MouseDown(Qt::MouseButton button);
    void Image2MouseDown(Qt::MouseButton button);
    void BitBtn1Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void FormCreate();
    void limitMemoLength(int position, int added);
};
