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
    auto *moved = new QTreeWidgetItem;
    {
        RedrawSuspended suspended(list);
        CopyEntryContent(*taken, *moved);
        list.insertTopLevelItem(from < to ? to + 1 : to, moved);
        delete taken;
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
    QTreeWidgetItem *dragged = list.topLevelItem(current);
    auto *landed = new QTreeWidgetItem;
    CopyEntryContent(*dragged, *landed);
    list.insertTopLevelItem(before, landed);
    delete dragged;
}

void DeleteSelectedEntries(QTreeWidget &list)
{
    RedrawSuspended suspended(list);
    for (int i = list.topLevelItemCount() - 1; i >= 0; --i)
        if (list.topLevelItem(i)->isSelected())
            delete list.topLevelItem(i);
}
