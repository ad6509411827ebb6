#include "webservices/FormEncoding.h"

namespace {
bool keptAsIs(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*'
           || c == '-' || c == '.' || c == '_';
}
} // namespace

QByteArray FormEncode(const QString &text)
{
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray bytes = text.toUtf8();
    QByteArray out;
    out.reserve(bytes.size() * 3);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (keptAsIs(c)) {
            out.append(ch);
        } else if (c == ' ') {
            out.append('+');
        } else {
            out.append('%');
            out.append(hex[c >> 4]);
            out.append(hex[c & 0x0F]);
        }
    }
    return out;
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
