#include "imagelist/ListEditing.h"

#include "imagelist/ImageEntry.h"

#include <QItemSelectionModel>
#include <QTreeWidget>
#include <algorithm>

namespace {
// Keeps the list from repainting while entries are shuffled; restores it on every way out.
class RedrawSuspended {
public:
    explicit RedrawSuspended(QTreeWidget &list) : list(list), wasEnabled(list.updatesEnabled())
    {
        list.setUpdatesEnabled(false);
    }
    ~RedrawSuspended() { list.setUpdatesEnabled(wasEnabled); }
    RedrawSuspended(const RedrawSuspended &) = delete;
    RedrawSuspended &operator=(const RedrawSuspended &) = delete;

private:
    QTreeWidget &list;
    bool wasEnabled;
};

// Selects the entry, makes it the keyboard's current item without touching other selections,
// and scrolls it into view.
void SelectAndReveal(QTreeWidget &list, QTreeWidgetItem *entry)
{
    list.setCurrentItem(entry, 0, QItemSelectionModel::NoUpdate);
    entry->setSelected(true);
    list.scrollToItem(entry);
}

// Inserts a copy of the entry's content at `position` (counted with the entry still in the
// list), removes the entry and returns the copy.
QTreeWidgetItem *MoveContent(QTreeWidget &list, QTreeWidgetItem *entry, int position)
{
    auto *moved = new QTreeWidgetItem;
    CopyEntryContent(*entry, *moved);
    list.insertTopLevelItem(position, moved);
    delete entry;
    return moved;
}
} // namespace

int CurrentEntryIndex(const QTreeWidget &list)
{
    const QModelIndexList rows = list.selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    return std::min_element(rows.begin(), rows.end(),
                            [](const QModelIndex &x, const QModelIndex &y) { return x.row() < y.row(); })
        ->row();
}

void SwapItems(QTreeWidget &list, int a, int b)
{
    QTreeWidgetItem *entryA = list.topLevelItem(a);
    QTreeWidgetItem *entryB = list.topLevelItem(b);
    if (!entryA || !entryB)
        return;
    {
        RedrawSuspended suspended(list);
        QTreeWidgetItem temporary;
        CopyEntryContent(*entryA, temporary);
        CopyEntryContent(*entryB, *entryA);
        CopyEntryContent(temporary, *entryB);
    }
    entryA->setSelected(false);
    SelectAndReveal(list, entryB);
}

void MoveItem(QTreeWidget &list, int from, int to)
{
    QTreeWidgetItem *taken = list.topLevelItem(from);
    if (!taken || to < 0 || to >= list.topLevelItemCount())
        return;
    QTreeWidgetItem *moved = nullptr;
    {
        RedrawSuspended suspended(list);
        moved = MoveContent(list, taken, from < to ? to + 1 : to);
    }
    SelectAndReveal(list, moved);
}

void MoveCurrentUp(QTreeWidget &list)
{
    const int i = CurrentEntryIndex(list);
    if (i >= 0)
        SwapItems(list, i, std::max(i - 1, 0));
}

void MoveCurrentDown(QTreeWidget &list)
{
    const int i = CurrentEntryIndex(list);
    if (i >= 0)
        SwapItems(list, i, std::min(i + 1, list.topLevelItemCount() - 1));
}

void MoveCurrentToTop(QTreeWidget &list)
{
    const int i = CurrentEntryIndex(list);
    if (i >= 0)
        MoveItem(list, i, 0);
}

void MoveCurrentToBottom(QTreeWidget &list)
{
    const int i = CurrentEntryIndex(list);
    if (i >= 0)
        MoveItem(list, i, list.topLevelItemCount() - 1);
}

void MoveCurrentBefore(QTreeWidget &list, const QTreeWidgetItem *target)
{
    const int current = CurrentEntryIndex(list);
    const int before = target ? list.indexOfTopLevelItem(const_cast<QTreeWidgetItem *>(target)) : -1;
    if (current < 0 || before < 0)
        return;
    MoveContent(list, list.topLevelItem(current), before);
}

void DeleteSelectedEntries(QTreeWidget &list)
{
    RedrawSuspended suspended(list);
    for (int i = list.topLevelItemCount() - 1; i >= 0; --i)
        if (list.topLevelItem(i)->isSelected())
            delete list.topLevelItem(i);
}
