#include "webservices/ReplyTags.h"

QString ExtractTag(const QString &line, const QString &tagName)
{
    if (line.isEmpty() || tagName.isEmpty())
        return {};
    const QString name = tagName.toLower();
    const QString opening = QLatin1Char('<') + name + QLatin1Char('>');
    const QString closing = QStringLiteral("</") + name + QLatin1Char('>');
    if (line.size() < opening.size() + closing.size() || !line.startsWith(opening) || !line.endsWith(closing))
        return {};
    return line.mid(opening.size(), line.size() - opening.size() - closing.size());
}
