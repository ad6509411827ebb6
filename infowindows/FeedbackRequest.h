#pragma once
#include <QString>
#include <QStringList>

// What the user marked the feedback as.
enum class FeedbackChoice { None, Like, Dislike };

inline constexpr int FeedbackTimeoutMs = 3000;

// "I like it!" or "I dislike it!" and one carriage return before the message, or the message alone.
QString FeedbackText(FeedbackChoice choice, const QString &message);

// The form fields in the order the service expects; "email=" only when an address is given.
QStringList FeedbackFields(const QString &appTitle, const QString &appVersion, const QString &feedbackText,
                           const QString &address);

// The service accepted the feedback: the reply is exactly "OK" apart from surrounding line breaks.
bool IsDeliveredReply(const QString &reply);

// Host and path of the feedback service (the scheme is chosen per attempt).
QString FeedbackHostAndPath();

// Texts of the window's message boxes.
QString FeedbackSuccessText();
QString FeedbackFailureText();
