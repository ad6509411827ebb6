#pragma once

class ImageListView;

// Reordering and removing entries of the image list. An entry moves with everything it holds
// (path, sizes, icon, review); the commands that act on one entry act on the current entry: the
// selected entry with the lowest position.

// Position of the current entry, or -1 when nothing is selected.
int CurrentEntryIndex(const ImageListView &list);

// Moves entry `from` to position `to`; the moved entry is selected and scrolled into view, other
// selections stay.
void MoveItem(ImageListView &list, int from, int to);

// The four move buttons; each does nothing when there is no current entry.
void MoveCurrentUp(ImageListView &list);
void MoveCurrentDown(ImageListView &list);
void MoveCurrentToTop(ImageListView &list);
void MoveCurrentToBottom(ImageListView &list);

// An entry dragged inside the list and dropped on entry `target`: the current entry lands just
// before the target and is no longer selected. Nothing happens without a target (-1: a drop on
// empty space).
void MoveCurrentBefore(ImageListView &list, int target);

// Removes every selected entry.
void DeleteSelectedEntries(ImageListView &list);
