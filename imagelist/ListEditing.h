#pragma once

class QTreeWidget;
class QTreeWidgetItem;

// Reordering and removing entries of the image list. Entries move by their content (caption,
// sizes, icon); the commands that act on one entry act on the current entry: the selected
// entry with the lowest position. Positions are full-width, so lists of any length work.

// Position of the current entry, or -1 when nothing is selected.
int CurrentEntryIndex(const QTreeWidget &list);

// Exchanges the content of entries a and b; then a is unselected, b selected and scrolled into view.
void SwapItems(QTreeWidget &list, int a, int b);

// Moves the content of entry `from` to position `to`; the moved entry is selected and scrolled
// into view, other selections stay.
void MoveItem(QTreeWidget &list, int from, int to);

// The four move buttons; each does nothing when there is no current entry.
void MoveCurrentUp(QTreeWidget &list);
void MoveCurrentDown(QTreeWidget &list);
void MoveCurrentToTop(QTreeWidget &list);
void MoveCurrentToBottom(QTreeWidget &list);

// An entry dragged inside the list and dropped on `target`: the current entry lands just before
// the target and is no longer selected. Nothing happens without a target (a drop on empty space).
void MoveCurrentBefore(QTreeWidget &list, const QTreeWidgetItem *target);

// Removes every selected entry.
void DeleteSelectedEntries(QTreeWidget &list);
