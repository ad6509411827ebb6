#include "imagelist/ListEditing.h"

#include "imagelist/ImageListModel.h"
#include "imagelist/ImageListView.h"

#include <QItemSelectionModel>
#include <algorithm>

namespace {
// Selects the entry, makes it the keyboard's current entry without touching other selections,
// and scrolls it into view.
void SelectAndReveal(ImageListView &list, int row)
{
    const QModelIndex index = list.model()->index(row, 0);
    list.selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    list.selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list.scrollTo(index);
}
} // namespace

int CurrentEntryIndex(const ImageListView &list)
{
    const QModelIndexList rows = list.selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    return std::min_element(rows.begin(), rows.end(),
                            [](const QModelIndex &x, const QModelIndex &y) { return x.row() < y.row(); })
        ->row();
}

void MoveItem(ImageListView &list, int from, int to)
{
    ImageListModel &model = list.imageModel();
    if (from < 0 || from >= model.count() || to < 0 || to >= model.count())
        return;
    model.moveEntry(from, to);
    SelectAndReveal(list, to);
}

namespace {
// One step up or down: the two entries change places; the one that moved in is unselected and
// the moved entry selected.
void SwapWithNeighbour(ImageListView &list, int from, int to)
{
    list.imageModel().moveEntry(from, to);
    list.selectionModel()->select(list.model()->index(from, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    SelectAndReveal(list, to);
}
} // namespace

void MoveCurrentUp(ImageListView &list)
{
    const int i = CurrentEntryIndex(list);
    if (i >= 0)
        SwapWithNeighbour(list, i, std::max(i - 1, 0));
}

void MoveCurrentDown(ImageListView &list)
{
    const int i = CurrentEntryIndex(list);
    if (i >= 0)
        SwapWithNeighbour(list, i, std::min(i + 1, list.imageModel().count() - 1));
}

void MoveCurrentToTop(ImageListView &list)
{
    const int i = CurrentEntryIndex(list);
    if (i >= 0)
        MoveItem(list, i, 0);
}

void MoveCurrentToBottom(ImageListView &list)
{
    const int i = CurrentEntryIndex(list);
    if (i >= 0)
        MoveItem(list, i, list.imageModel().count() - 1);
}

void MoveCurrentBefore(ImageListView &list, int target)
{
    const int current = CurrentEntryIndex(list);
    if (current < 0 || target < 0 || target >= list.imageModel().count())
        return;
    const int to = current < target ? target - 1 : target;
    list.imageModel().moveEntry(current, to);
    const QModelIndex moved = list.model()->index(to, 0);
    list.selectionModel()->select(moved, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
}

void DeleteSelectedEntries(ImageListView &list)
{
    QList<int> rows;
    for (const QModelIndex &index : list.selectionModel()->selectedRows())
        rows.append(index.row());
    list.imageModel().removeEntries(rows);
}
