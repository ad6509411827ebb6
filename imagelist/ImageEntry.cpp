#include "imagelist/ImageEntry.h"

#include <QTreeWidgetItem>

QTreeWidgetItem *NewImageEntry(const QString &path, QSize size, const QIcon &icon)
{
    auto *entry = new QTreeWidgetItem;
    entry->setText(ImageFileColumn, path);
    entry->setToolTip(ImageFileColumn, path); // the column is often too narrow for the whole path
    entry->setIcon(ImageFileColumn, icon);
    entry->setText(WidthColumn, QString::number(size.width()));
    entry->setText(HeightColumn, QString::number(size.height()));
    return entry;
}

void CopyEntryContent(const QTreeWidgetItem &from, QTreeWidgetItem &to)
{
    for (int column : {ImageFileColumn, WidthColumn, HeightColumn})
        to.setText(column, from.text(column));
    to.setToolTip(ImageFileColumn, from.text(ImageFileColumn));
    to.setIcon(ImageFileColumn, from.icon(ImageFileColumn));
}

QString ImageCountText(int count)
{
    return QString::number(count) + (count == 1 ? QStringLiteral(" file") : QStringLiteral(" files"));
}
