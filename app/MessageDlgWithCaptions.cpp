#include "app/MessageDlgWithCaptions.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QKeyEvent>

namespace {
// The order in which the standard buttons stand in the dialog, with their modal results.
struct ButtonKind {
    QMessageBox::StandardButton button;
    int result;
};
constexpr ButtonKind buttonOrder[] = {
    {QMessageBox::Yes, mrYes},         {QMessageBox::No, mrNo},         {QMessageBox::Ok, mrOk},
    {QMessageBox::Cancel, mrCancel},   {QMessageBox::Abort, mrAbort},   {QMessageBox::Retry, mrRetry},
    {QMessageBox::Ignore, mrIgnore},   {QMessageBox::YesToAll, 10},     {QMessageBox::NoToAll, 9},
    {QMessageBox::Help, 0},            {QMessageBox::Close, 11},
};
} // namespace

CaptionedMessageBox::CaptionedMessageBox(const QString &message, QMessageBox::Icon dialogType,
                                         QMessageBox::StandardButtons buttons, const QString &title,
                                         const QStringList &captions, QWidget *parent)
    : QMessageBox(dialogType, title, message, QMessageBox::NoButton, parent)
{
    for (const ButtonKind &kind : buttonOrder)
        if (buttons.testFlag(kind.button))
            addButton(kind.button);

    if (buttons.testFlag(QMessageBox::Ok))
        setDefaultButton(QMessageBox::Ok);
    else if (buttons.testFlag(QMessageBox::Yes))
        setDefaultButton(QMessageBox::Yes);
    else if (buttons.testFlag(QMessageBox::Retry))
        setDefaultButton(QMessageBox::Retry);

    const QList<QAbstractButton *> ordered = orderedButtons();
    for (qsizetype i = 0; i < ordered.size() && i < captions.size(); ++i)
        ordered[i]->setText(captions[i]);
}

QList<QAbstractButton *> CaptionedMessageBox::orderedButtons() const
{
    QList<QAbstractButton *> ordered;
    for (const ButtonKind &kind : buttonOrder)
        if (QAbstractButton *b = button(kind.button))
            ordered.append(b);
    return ordered;
}

int CaptionedMessageBox::run()
{
    leftWithEscape = false;
    exec();
    if (leftWithEscape)
        return mrCancel;
    const QMessageBox::StandardButton pressed = standardButton(clickedButton());
    for (const ButtonKind &kind : buttonOrder)
        if (kind.button == pressed)
            return kind.result;
    return mrCancel;
}

void CaptionedMessageBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        leftWithEscape = true;
        done(mrCancel);
        return;
    }
    QMessageBox::keyPressEvent(event);
}

void CaptionedMessageBox::closeEvent(QCloseEvent *event)
{
    // The title bar's close button counts as Escape, whatever buttons the dialog has.
    leftWithEscape = true;
    event->accept();
    done(mrCancel);
}

int MessageDlgWithCaptions(const QString &message, QMessageBox::Icon dialogType,
                           QMessageBox::StandardButtons buttons, const QString &title,
                           const QStringList &captions, QWidget *parent)
{
    CaptionedMessageBox dialog(message, dialogType, buttons, title, captions, parent);
    return dialog.run();
}

int ConfirmYesNo(const QString &question, QWidget *parent)
{
    return MessageDlgWithCaptions(question, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                                  QStringLiteral("Confirmation"), {QStringLiteral("Yes"), QStringLiteral("No")}, parent);
}
