#include "app/convert/PictureArguments.h"

#include "imagelist/FolderScan.h"
#include "processing/ActionRun.h" // AbsoluteToCurrentFolder

#include <QFileInfo>

PictureArguments ExpandPictureArguments(const QStringList &paths)
{
    PictureArguments result;
    for (const QString &given : paths) {
        const QString path = AbsoluteToCurrentFolder(given);
        const QFileInfo info(path);
        if (given.isEmpty())
            result.problems += QStringLiteral("\"\": no such file or folder");
        else if (info.isDir())
            for (const FolderFile &file : PicturesInFolder(path)) {
                if (file.nameIsText)
                    result.pictures += file.path;
                else // its bytes would not reach the script unchanged
                    result.problems += file.path + QStringLiteral(": the file name is not valid UTF-8");
            }
        else if (info.isFile())
            result.pictures += path;
        else if (info.exists())
            result.problems += given + QStringLiteral(": not a regular file or folder");
        else
            result.problems += given + QStringLiteral(": no such file or folder");
    }
    return result;
}
