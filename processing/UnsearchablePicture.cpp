#include "processing/UnsearchablePicture.h"

#include <QFileInfo>

std::optional<QString> UnsearchableReason(const QString &path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    for (const char *unsearchable : {"ico", "emf", "wmf"})
        if (extension == QLatin1String(unsearchable))
            return QStringLiteral("Mirelon cannot search %1 pictures for faces").arg(extension.toUpper());
    return std::nullopt;
}
