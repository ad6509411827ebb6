#include "app/convert/PictureList.h"

#include "app/convert/ConvertOptions.h" // StandardInputName
#include "platform/Errors.h"

#include <QFile>

PictureList SplitPictureList(const QByteArray &bytes, bool nulSeparated, const QString &source)
{
    PictureList list;
    const char separator = nulSeparated ? '\0' : '\n';
    qsizetype entry = 0;
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = bytes.indexOf(separator, start);
        if (end < 0)
            end = bytes.size();
        const QByteArray name = bytes.mid(start, end - start);
        start = end + 1;
        ++entry;
        if (name.isEmpty())
            continue;
        const QString path = QFile::decodeName(name);
        if (QFile::encodeName(path) != name || name.contains('\0'))
            list.problems += QStringLiteral("%1, %2 %3: the file name is not valid UTF-8")
                                 .arg(source, nulSeparated ? QStringLiteral("entry") : QStringLiteral("line"))
                                 .arg(entry);
        else
            list.paths += path;
    }
    return list;
}

PictureList ReadPictureList(const QString &file, bool nulSeparated, std::FILE *standardInput)
{
    QFile list;
    const bool fromInput = file == StandardInputName;
    const bool opened = fromInput ? list.open(standardInput, QIODevice::ReadOnly)
                                  : (list.setFileName(file), list.open(QIODevice::ReadOnly));
    const QString source = fromInput ? QStringLiteral("standard input") : file;
    if (!opened)
        throw MirelonError(QStringLiteral("cannot read the list %1: %2").arg(source, list.errorString()));
    const QByteArray bytes = list.readAll();
    if (list.error() != QFileDevice::NoError)
        throw MirelonError(QStringLiteral("cannot read the list %1: %2").arg(source, list.errorString()));
    return SplitPictureList(bytes, nulSeparated, source);
}
