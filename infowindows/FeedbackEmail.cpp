#include "infowindows/FeedbackEmail.h"

#include <QRegularExpression>

bool IsValidEmail(const QString &address)
{
    // Anchored at the very start and end (\A, \z), so a trailing line break does not slip through.
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral("[a-zA-Z0-9_.+\\-]+@[a-zA-Z0-9\\-]+\\.[a-zA-Z0-9\\-.]*[a-zA-Z0-9]+")));
    return !address.isEmpty() && pattern.match(address).hasMatch();
}
