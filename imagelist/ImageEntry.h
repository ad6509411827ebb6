#pragma once
#include <QIcon>
#include <QSize>
#include <QString>

class QTreeWidgetItem;

// One entry of the image list: the path as it was obtained (column 0, with the file's icon),
// the width and the height in pixels as decimal text (columns 1 and 2). List order is run order.
enum ImageEntryColumn { ImageFileColumn = 0, WidthColumn = 1, HeightColumn = 2 };

QTreeWidgetItem *NewImageEntry(const QString &path, QSize size, const QIcon &icon);

// Copies caption, width, height and icon; the selection state is not part of the content.
void CopyEntryContent(const QTreeWidgetItem &from, QTreeWidgetItem &to);

// The status bar text for a number of entries: "0 files", "1 file", "12 files".
QString ImageCountText(int count);
