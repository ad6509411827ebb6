#include "webservices/ReplyDecoding.h"

#include <QList>
#include <QStringDecoder>

QString CharsetOf(const QByteArray &contentType)
{
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray part = parts.at(i).trimmed();
        const qsizetype eq = part.indexOf('=');
        if (eq < 0 || part.left(eq).trimmed().toLower() != "charset")
            continue;
        QByteArray value = part.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return QString::fromLatin1(value.trimmed());
    }
    return {};
}

QString DecodeReplyBody(const QByteArray &body, const QByteArray &contentType, bool latin1Fallback)
{
    const QString charset = CharsetOf(contentType);
    if (!charset.isEmpty()) {
        const QByteArray name = charset.toLatin1();
        QStringDecoder decoder(name.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return latin1Fallback ? QString::fromLatin1(body) : QString::fromUtf8(body);
}
