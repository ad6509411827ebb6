#include "webservices/FormEncoding.h"

#include <QUrl>

QByteArray FormEncode(const QString &text)
{
    // Letters, digits, "-", ".", "_" and "*" stay; every other UTF-8 byte becomes %XX, except a
    // blank, which becomes "+" (its %20 can only come from a blank).
    return QUrl::toPercentEncoding(text, QByteArrayLiteral("*"), QByteArrayLiteral("~"))
        .replace(QByteArrayLiteral("%20"), QByteArrayLiteral("+"));
}

QByteArray EncodeFormFields(const QStringList &fields)
{
    QByteArray body;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const QString &field = fields.at(i);
        const qsizetype eq = field.indexOf(QLatin1Char('='));
        const QString name = eq < 0 ? field : field.left(eq);
        const QString value = eq < 0 ? QString() : field.mid(eq + 1);
        if (i > 0)
            body.append('&');
        body.append(FormEncode(name));
        body.append('=');
        body.append(FormEncode(value));
    }
    return body;
}
