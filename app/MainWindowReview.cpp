// The review of the faces: the pane follows the list's current entry, the faces are searched in
// the background (the shown entry first, then the next few), and the user's changes are kept
// with the entry.
#include "app/MainWindow.h"

#include "imagelist/FileExtensions.h"
#include "imagelist/ImageListModel.h"
#include "imagelist/ImageListView.h"
#include "imagelist/ListEditing.h"
#include "review/FaceSearch.h"
#include "review/ReviewPane.h"

#include <QItemSelectionModel>

namespace {
constexpr int SearchedAhead = 3; // entries after the shown one searched before they are shown

// A video's faces are found frame by frame during the run, not reviewed before it.
bool NeedsSearch(const ImageListEntry &entry)
{
    return !entry.review.searched && !IsVideoFileName(entry.path);
}
} // namespace

int MainWindow::shownRow() const
{
    return shownId_ == 0 ? -1 : imageModel_->rowOf(shownId_);
}

void MainWindow::currentEntryChanged()
{
    const QItemSelectionModel *selection = imageList_->selectionModel();
    const QModelIndex current = selection->currentIndex();
    const int row = current.isValid() && selection->isRowSelected(current.row()) ? current.row() : CurrentEntryIndex(*imageList_);
    if (row < 0) {
        shownId_ = 0;
        reviewPane_->clearEntry();
        return;
    }
    imageModel_->forgetStaleReview(row); // the file changed since it was searched
    const ImageListEntry &entry = imageModel_->entry(row);
    if (entry.id != shownId_) {
        shownId_ = entry.id;
        reviewPane_->showEntry(entry.path, entry.review);
    } else {
        reviewPane_->updateReview(entry.review);
    }
    if (NeedsSearch(entry))
        faceSearch_->search(entry.id, entry.path, true);
    searchAhead(row);
}

void MainWindow::searchAhead(int row)
{
    for (int next = row + 1; next <= row + SearchedAhead && next < imageModel_->count(); ++next) {
        const ImageListEntry &entry = imageModel_->entry(next);
        if (NeedsSearch(entry))
            faceSearch_->search(entry.id, entry.path, false);
    }
}

void MainWindow::faceSearchEnded(quint64 id, const FaceSearchResult &result)
{
    const int row = imageModel_->rowOf(id);
    if (row < 0 || imageModel_->review(row).reviewed)
        return; // deleted meanwhile, or the user's boxes stand
    FaceReview review;
    review.searched = true;
    review.stamp = result.stamp;
    review.error = result.error;
    review.orientation = result.orientation;
    for (const QRect &box : result.boxes)
        review.boxes.append({box, false, false});
    imageModel_->setReview(row, review);
    if (id == shownId_)
        reviewPane_->updateReview(review);
}

void MainWindow::reviewEdited()
{
    const int row = shownRow();
    if (row >= 0)
        imageModel_->setReview(row, reviewPane_->review());
}

void MainWindow::reviewFaces()
{
    if (imageModel_->count() == 0)
        return;
    if (shownRow() < 0)
        stepEntry(0);
    reviewPane_->startReview();
}

void MainWindow::stepEntry(int step)
{
    if (imageModel_->count() == 0)
        return;
    const int from = qMax(shownRow(), 0);
    const int row = qBound(0, from + step, imageModel_->count() - 1);
    const QModelIndex index = imageModel_->index(row, 0);
    imageList_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    imageList_->scrollTo(index);
}
