#include "infowindows/FeedbackForm.h"

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

TFeedbackForm::TFeedbackForm(QWidget *parent) : QDialog(parent)
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
    FormCreate();
}

TFeedbackForm::~TFeedbackForm() = default;

void TFeedbackForm::buildControls()
{
    auto *form = new QVBoxLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(0);

    // The two choices.
    Panel3 = plainPanel(this, 46);
    auto *choices = new QHBoxLayout(Panel3);
    choices->setContentsMargins(3, 3, 3, 3);
    choices->setSpacing(6);
    Panel4 = new FeedbackChoicePanel(QStringLiteral(":/infowindows/face-grin.svg"), Panel3);
    Image1 = Panel4->Image;
    Image1->setAccessibleName(QStringLiteral("Grinning face"));
    Panel5 = new FeedbackChoicePanel(QStringLiteral(":/infowindows/face-sad.svg"), Panel3);
    Image2 = Panel5->Image;
    Image2->setAccessibleName(QStringLiteral("Sad face"));
    Panel5->setFixedWidth(256);
    choices->addWidget(Panel4, 1);
    choices->addWidget(Panel5);
    form->addWidget(Panel3);
    connect(Panel4, &FeedbackChoicePanel::pressed, this, &TFeedbackForm::Image1MouseDown);
    connect(Panel5, &FeedbackChoicePanel::pressed, this, &TFeedbackForm::Image2MouseDown);
    // The panels take no focus; these keys reach them from the keyboard.
    auto *likeKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_L), this);
    connect(likeKey, &QShortcut::activated, this, [this] { Image1MouseDown(Qt::LeftButton); });
    auto *dislikeKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_D), this);
    connect(dislikeKey, &QShortcut::activated, this, [this] { Image2MouseDown(Qt::LeftButton); });
    Panel4->setToolTip(QStringLiteral("Alt+L"));
    Panel5->setToolTip(QStringLiteral("Alt+D"));

    Label1 = new QLabel(this);
    Label1->setFont(pixelFont(font(), 16));
    addWithMargins(form, Label1);
    Label2 = new QLabel(this);
    Label2->setFont(pixelFont(font(), 13, true));
    addWithMargins(form, Label2);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setFont(pixelFont(font(), 13));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setTabChangesFocus(true);
    Label2->setBuddy(Memo1);
    Memo1->setAccessibleName(QStringLiteral("Feedback"));
    connect(Memo1->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { limitMemoLength(position, added); });
    addWithMargins(form, Memo1, 1);

    // E-mail row.
    Panel1 = plainPanel(this, 30);
    auto *emailRow = new QHBoxLayout(Panel1);
    emailRow->setContentsMargins(0, 0, 0, 0);
    emailRow->setSpacing(0);
    Label3 = new QLabel(Panel1);
    Label3->setFont(pixelFont(font(), 13));
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Edit1 = new QLineEdit(Panel1);
    Edit1->setFont(pixelFont(font(), 13));
    Edit1->setMaxLength(EditMaxLength);
    Label3->setBuddy(Edit1);
    addWithMargins(emailRow, Label3);
    addWithMargins(emailRow, Edit1, 1);
    form->addWidget(Panel1);

    // Button row.
    Panel2 = plainPanel(this, 39);
    auto *buttonRow = new QHBoxLayout(Panel2);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->addStretch(1);
    BitBtn1 = new FeedbackSendButton(Panel2);
    BitBtn1->setFont(pixelFont(font(), 16));
    BitBtn1->setFixedSize(172, 33);
    BitBtn1->setIcon(QIcon(QStringLiteral(":/infowindows/envelope.svg")));
    BitBtn1->setIconSize(QSize(16, 16));
    BitBtn1->setAutoDefault(false); // the window has no default button: Enter in the e-mail box sends nothing
    BitBtn1->setDefault(false);
    addWithMargins(buttonRow, BitBtn1);
    form->addWidget(Panel2);
    connect(BitBtn1, &QPushButton::clicked, this, &TFeedbackForm::BitBtn1Click);

    setTabOrder(Memo1, Edit1);
    setTabOrder(Edit1, BitBtn1);
    for (QWidget *control : {static_cast<QWidget *>(Memo1), static_cast<QWidget *>(Edit1),
                             static_cast<QWidget *>(BitBtn1)})
        control->installEventFilter(this);
    Memo1->setFocus();
}

void TFeedbackForm::FormCreate()
{
    setWindowTitle(AppProductName + QStringLiteral(" feedback"));
    Label1->setText(QStringLiteral("We would really appreciate your feedback."));
    Label2->setText(QStringLiteral("What did you like or dislike?"));
    Label3->setText(QStringLiteral("Include my e-mail:"));
    BitBtn1->setText(QStringLiteral("Send"));
    Panel4->setCaption(QStringLiteral("I like it!"));
    Panel5->setCaption(QStringLiteral("I dislike it!"));
}

FeedbackChoice TFeedbackForm::Choice() const
{
    if (Panel4->isSelected())
        return FeedbackChoice::Like;
    if (Panel5->isSelected())
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

void TFeedbackForm::Image1MouseDown(Qt::MouseButton button)
{
    PickChoice(*Panel4, *Panel5, button);
}

void TFeedbackForm::Image2MouseDown(Qt::MouseButton button)
{
    PickChoice(*Panel5, *Panel4, button);
}

void TFeedbackForm::BitBtn1Click()
{
    // The raw text keeps no-break spaces (toPlainText would turn them into blanks); the service
    // has always received line breaks as CR LF.
    QString text = Memo1->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n')).replace(QChar::LineSeparator, QLatin1Char('\n'));
    const QString message = TrimControlChars(text).toString().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    if (message.isEmpty()) {
        Memo1->setFocus();
        Beep();
        return;
    }
    const QString address = TrimControlChars(Edit1->text()).toString();
    if (!address.isEmpty() && !IsValidEmail(address)) {
        Edit1->setFocus();
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

bool TFeedbackForm::eventFilter(QObject *watched, QEvent *event)
{
    // Escape in the message box, the e-mail box (where it is consumed) or on "Send" closes the window.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
        && (watched == Memo1 || watched == Edit1 || watched == BitBtn1)) {
        close();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFeedbackForm::limitMemoLength(int position, int added)
{
    if (added <= 0)
        return;
    // The document's count includes one closing paragraph separator; the text has none.
    const int excess = Memo1->document()->characterCount() - 1 - MemoMaxLength;
    if (excess <= 0)
        return;
    // Drop what goes beyond the limit from the end of what was just added.
    const int end = position + added;
    QTextCursor cursor(Memo1->document());
    cursor.setPosition(qMax(position, end - excess));
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}
