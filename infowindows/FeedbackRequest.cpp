#include "infowindows/FeedbackRequest.h"

#include "platform/ServiceHost.h"
#include "platform/TextTrim.h"

QString FeedbackText(FeedbackChoice choice, const QString &message)
{
    switch (choice) {
    case FeedbackChoice::Like:
        return QStringLiteral("I like it!\r") + message;
    case FeedbackChoice::Dislike:
        return QStringLiteral("I dislike it!\r") + message;
    case FeedbackChoice::None:
        break;
    }
    return message;
}

QStringList FeedbackFields(const QString &appTitle, const QString &appVersion, const QString &feedbackText,
                           const QString &address)
{
    QStringList fields{QStringLiteral("cmd=feedback"), QStringLiteral("appname=") + appTitle,
                       QStringLiteral("version=") + appVersion, QStringLiteral("feedback=") + feedbackText};
    if (!address.isEmpty())
        fields << QStringLiteral("email=") + address;
    return fields;
}

bool IsDeliveredReply(const QString &reply)
{
    return TrimControlChars(reply) == QLatin1String("OK");
}

QString FeedbackHostAndPath()
{
    return ServiceHost() + QStringLiteral("/php/feedback.php");
}

QString FeedbackSuccessText()
{
    return QStringLiteral("Your feedback is received.\r\rThank you!");
}

QString FeedbackFailureText()
{
    return QStringLiteral("Something went wrong. Your feedback could not be delivered.\r\rPlease try again later.");
}
