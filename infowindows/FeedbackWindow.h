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

    QFrame *choicePanel = nullptr;
    FeedbackChoicePanel *likePanel = nullptr;
    QLabel *likeImage = nullptr;
    FeedbackChoicePanel *dislikePanel = nullptr;
    QLabel *dislikeImage = nullptr;
    QLabel *headingLabel = nullptr;
    QLabel *questionLabel = nullptr;
    QPlainTextEdit *messageEdit = nullptr;
    QFrame *emailPanel = nullptr;
    QLabel *emailLabel = nullptr;
    QLineEdit *emailEdit = nullptr;
    QFrame *buttonPanel = nullptr;
    FeedbackSendButton *sendButton = nullptr;

    // Message boxes and the beep; replaceable so that tests do not block on them.
    std::function<void(QMessageBox::Icon, const QString &title, const QString &text)> ShowMessage;
    std::function<void()> Beep;

public slots:
    void chooseLike(Qt::MouseButton button);
    void chooseDislike(Qt::MouseButton button);
    void sendFeedback();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void fillTexts();
    void limitMemoLength(int position, int added);
};
