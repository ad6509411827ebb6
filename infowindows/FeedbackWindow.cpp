#include "infowindows/FeedbackWindow.h"

#include "platform/AppIdentity.h"
#include "infowindows/FeedbackChoicePanel.h"
#include "infowindows/FeedbackEmail.h"
#include "infowindows/FeedbackSendButton.h"
#include "platform/TextTrim.h"
#include "webservices/PostForm.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {
QFont pixelFont(const QFont &base, int pixels, bool bold = false)
{
    QFont font = base;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// Puts the widget into the layout with 3 pixels of space on each side.
void addWithMargins(QBoxLayout *layout, QWidget *widget, int stretch = 0)
{
    auto *margins = new QVBoxLayout;
    margins->setContentsMargins(3, 3, 3, 3);
    margins->addWidget(widget);
    layout->addLayout(margins, stretch);
}

QFrame *plainPanel(QWidget *parent, int height)
{
    auto *panel = new QFrame(parent);
    panel->setFrameShape(QFrame::NoFrame);
    panel->setFixedHeight(height);
    return panel;
}

// The application-wide busy cursor for as long as the object lives.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};
} // namespace

FeedbackWindow::FeedbackWindow(QWidget *parent) : QDialog(parent)
{
    Q_INIT_RESOURCE(infowindows);
    ShowMessage = [this](QMessageBox::Icon icon, const QString &title, const QString &text) {
        // Sentences are joined with carriage returns; the box shows them as line breaks.
        QMessageBox box(icon, title, QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')),
                        QMessageBox::Ok, this);
        box.exec();
    };
    Beep = [] { QApplication::beep(); };

    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFont(pixelFont(font(), 11));
    buildControls();
    setFixedSize(525, 326);
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    fillTexts();
}

FeedbackWindow::~FeedbackWindow() = default;

void FeedbackWindow::buildControls()
{
    auto *form = new QVBoxLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(0);

    // The two choices.
    choicePanel = plainPanel(this, 46);
    auto *choices = new QHBoxLayout(choicePanel);
    choices->setContentsMargins(3, 3, 3, 3);
    choices->setSpacing(6);
    likePanel = new FeedbackChoicePanel(QStringLiteral(":/infowindows/face-grin.svg"), choicePanel);
    likeImage = likePanel->Image;
    likeImage->setAccessibleName(QStringLiteral("Grinning face"));
    dislikePanel = new FeedbackChoicePanel(QStringLiteral(":/infowindows/face-sad.svg"), choicePanel);
    dislikeImage = dislikePanel->Image;
    dislikeImage->setAccessibleName(QStringLiteral("Sad face"));
    dislikePanel->setFixedWidth(256);
    choices->addWidget(likePanel, 1);
    choices->addWidget(dislikePanel);
    form->addWidget(choicePanel);
    connect(likePanel, &FeedbackChoicePanel::pressed, this, &FeedbackWindow::chooseLike);
    connect(dislikePanel, &FeedbackChoicePanel::pressed, this, &FeedbackWindow::chooseDislike);
    // The panels take no focus; these keys reach them from the keyboard.
    auto *likeKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_L), this);
    connect(likeKey, &QShortcut::activated, this, [this] { chooseLike(Qt::LeftButton); });
    auto *dislikeKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_D), this);
    connect(dislikeKey, &QShortcut::activated, this, [this] { chooseDislike(Qt::LeftButton); });
    likePanel->setToolTip(QStringLiteral("Alt+L"));
    dislikePanel->setToolTip(QStringLiteral("Alt+D"));

    headingLabel = new QLabel(this);
    headingLabel->setFont(pixelFont(font(), 16));
    addWithMargins(form, headingLabel);
    questionLabel = new QLabel(this);
    questionLabel->setFont(pixelFont(font(), 13, true));
    addWithMargins(form, questionLabel);

    messageEdit = new QPlainTextEdit(this);
    messageEdit->setFont(pixelFont(font(), 13));
    messageEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    messageEdit->setTabChangesFocus(true);
    questionLabel->setBuddy(messageEdit);
    messageEdit->setAccessibleName(QStringLiteral("Feedback"));
    connect(messageEdit->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { limitMemoLength(position, added); });
    addWithMargins(form, messageEdit, 1);

    // E-mail row.
    emailPanel = plainPanel(this, 30);
    auto *emailRow = new QHBoxLayout(emailPanel);
    emailRow->setContentsMargins(0, 0, 0, 0);
    emailRow->setSpacing(0);
    emailLabel = new QLabel(emailPanel);
    emailLabel->setFont(pixelFont(font(), 13));
    emailLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    emailEdit = new QLineEdit(emailPanel);
    emailEdit->setFont(pixelFont(font(), 13));
    emailEdit->setMaxLength(EditMaxLength);
    emailLabel->setBuddy(emailEdit);
    addWithMargins(emailRow, emailLabel);
    addWithMargins(emailRow, emailEdit, 1);
    form->addWidget(emailPanel);

    // Button row.
    buttonPanel = plainPanel(this, 39);
    auto *buttonRow = new QHBoxLayout(buttonPanel);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->addStretch(1);
    sendButton = new FeedbackSendButton(buttonPanel);
    sendButton->setFont(pixelFont(font(), 16));
    sendButton->setFixedSize(172, 33);
    sendButton->setIcon(QIcon(QStringLiteral(":/infowindows/envelope.svg")));
    sendButton->setIconSize(QSize(16, 16));
    sendButton->setAutoDefault(false); // the window has no default button: Enter in the e-mail box sends nothing
    sendButton->setDefault(false);
    addWithMargins(buttonRow, sendButton);
    form->addWidget(buttonPanel);
    connect(sendButton, &QPushButton::clicked, this, &FeedbackWindow::sendFeedback);

    setTabOrder(messageEdit, emailEdit);
    setTabOrder(emailEdit, sendButton);
    for (QWidget *control : {static_cast<QWidget *>(messageEdit), static_cast<QWidget *>(emailEdit),
                             static_cast<QWidget *>(sendButton)})
        control->installEventFilter(this);
    messageEdit->setFocus();
}

void FeedbackWindow::fillTexts()
{
    setWindowTitle(AppProductName + QStringLiteral(" feedback"));
    headingLabel->setText(QStringLiteral("We would really appreciate your feedback."));
    questionLabel->setText(QStringLiteral("What did you like or dislike?"));
    emailLabel->setText(QStringLiteral("Include my e-mail:"));
    sendButton->setText(QStringLiteral("Send"));
    likePanel->setCaption(QStringLiteral("I like it!"));
    dislikePanel->setCaption(QStringLiteral("I dislike it!"));
}

FeedbackChoice FeedbackWindow::Choice() const
{
    if (likePanel->isSelected())
        return FeedbackChoice::Like;
    if (dislikePanel->isSelected())
        return FeedbackChoice::Dislike;
    return FeedbackChoice::None;
}

namespace {
// A left click picks `picked` and clears `other`; a second click on `picked` removes the choice.
void PickChoice(FeedbackChoicePanel &picked, FeedbackChoicePanel &other, Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    const bool pick = !picked.isSelected();
    picked.setSelected(pick);
    if (pick)
        other.setSelected(false);
}
} // namespace

void FeedbackWindow::chooseLike(Qt::MouseButton button)
{
    PickChoice(*likePanel, *dislikePanel, button);
}

void FeedbackWindow::chooseDislike(Qt::MouseButton button)
{
    PickChoice(*dislikePanel, *likePanel, button);
}

void FeedbackWindow::sendFeedback()
{
    // The raw text keeps no-break spaces (toPlainText would turn them into blanks); the service
    // has always received line breaks as CR LF.
    QString text = messageEdit->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n')).replace(QChar::LineSeparator, QLatin1Char('\n'));
    const QString message = TrimControlChars(text).toString().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    if (message.isEmpty()) {
        messageEdit->setFocus();
        Beep();
        return;
    }
    const QString address = TrimControlChars(emailEdit->text()).toString();
    if (!address.isEmpty() && !IsValidEmail(address)) {
        emailEdit->setFocus();
        ShowMessage(QMessageBox::Critical, QStringLiteral("Failure"), QStringLiteral("Invalid e-mail address!"));
        return;
    }

    bool delivered = false;
    try {
        const QStringList fields = FeedbackFields(AppTitle, AppVersion, FeedbackText(Choice(), message), address);
        const BusyCursor busy; // restored before any message box
        delivered = IsDeliveredReply(PostWithFallback(FeedbackHostAndPath(), fields, FeedbackTimeoutMs));
    } catch (...) {
        delivered = false; // any failure while preparing or sending is a failed delivery
    }

    if (delivered) {
        ShowMessage(QMessageBox::Information, QStringLiteral("Success"), FeedbackSuccessText());
        close();
    } else {
        ShowMessage(QMessageBox::Critical, QStringLiteral("Failure"), FeedbackFailureText());
    }
}

bool FeedbackWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Escape in the message box, the e-mail box (where it is consumed) or on "Send" closes the window.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
        && (watched == messageEdit || watched == emailEdit || watched == sendButton)) {
        close();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void FeedbackWindow::limitMemoLength(int position, int added)
{
    if (added <= 0)
        return;
    // The document's count includes one closing paragraph separator; the text has none.
    const int excess = messageEdit->document()->characterCount() - 1 - MemoMaxLength;
    if (excess <= 0)
        return;
    // Drop what goes beyond the limit from the end of what was just added.
    const int end = position + added;
    QTextCursor cursor(messageEdit->document());
    cursor.setPosition(qMax(position, end - excess));
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}
