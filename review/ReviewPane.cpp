#include "review/ReviewPane.h"

#include "imagelist/FileExtensions.h"

#include <QAccessible>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTransform>
#include <QtConcurrent/QtConcurrentRun>

namespace {
constexpr int SmallestDrawnBox = 4; // widget pixels: a shorter drag is a click
constexpr qint64 LargestPixelCount = 60'000'000; // within the image reader's allocation limit

QSize screenBound()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() * screen->devicePixelRatio() : QSize(1920, 1080);
}
} // namespace

ShownPicture LoadShownPicture(const QString &path, QSize bound)
{
    ShownPicture shown;
    QImageReader reader(path);
    reader.setAutoTransform(false);
    QSize stored = reader.size();
    if (stored.isValid() && qint64(stored.width()) * stored.height() > LargestPixelCount) {
        shown.error = QStringLiteral("The picture is too large to show.");
        return shown;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        shown.error = QStringLiteral("The picture cannot be shown: ") + reader.errorString();
        return shown;
    }
    shown.storedSize = image.size();
    if (image.width() > bound.width() || image.height() > bound.height())
        image = image.scaled(bound, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    shown.image = image.convertToFormat(QImage::Format_RGB32);
    return shown;
}

QImage TurnedUpright(const QImage &stored, int orientation)
{
    const QImage quarter = orientation >= 5 && orientation <= 8
                               ? stored.transformed(QTransform().rotate(orientation <= 6 ? 90 : 270))
                               : stored;
    switch (orientation) {
    case 2: return stored.mirrored(true, false);
    case 3: return stored.mirrored(true, true);
    case 4: return stored.mirrored(false, true);
    case 5: return quarter.mirrored(true, false); // transpose
    case 7: return quarter.mirrored(true, false); // transverse
    case 6:
    case 8: return quarter;
    default: return stored;
    }
}

QSize UprightSize(QSize stored, int orientation)
{
    return orientation >= 5 && orientation <= 8 ? stored.transposed() : stored;
}

ReviewPane::ReviewPane(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(160, 120);
    setAccessibleName(QStringLiteral("Face review"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&loading_, &QFutureWatcher<ShownPicture>::finished, this, [this] {
        if (loading_.isCanceled() || loading_.property("generation").toULongLong() != loadGeneration_)
            return;
        picture_ = loading_.result();
        turnPicture();
        describe();
        update();
    });
    describe();
}

ReviewPane::~ReviewPane()
{
    loading_.waitForFinished();
}

void ReviewPane::showEntry(const QString &path, const FaceReview &review)
{
    const bool samePicture = path == path_ && !picture_.image.isNull();
    path_ = path;
    review_ = review;
    selected_ = -1;
    dragging_ = false;
    video_ = IsVideoFileName(path);
    if (video_) { // not decoded here, and its review holds no boxes
        picture_ = ShownPicture();
        ++loadGeneration_;
    } else if (!samePicture) {
        picture_ = ShownPicture();
        ++loadGeneration_;
        loading_.setProperty("generation", QVariant::fromValue(loadGeneration_));
        loading_.setFuture(QtConcurrent::run(LoadShownPicture, path, screenBound()));
    }
    turnPicture();
    describe();
    update();
}

void ReviewPane::updateReview(const FaceReview &review)
{
    review_ = review;
    if (selected_ >= review_.boxes.size())
        selected_ = -1;
    turnPicture();
    describe();
    update();
}

void ReviewPane::clearEntry()
{
    path_.clear();
    video_ = false;
    review_ = FaceReview();
    picture_ = ShownPicture();
    turnPicture();
    ++loadGeneration_;
    selected_ = -1;
    describe();
    update();
}

void ReviewPane::startReview()
{
    setFocus(Qt::ShortcutFocusReason);
    selectFace(review_.boxes.isEmpty() ? -1 : 0);
}

void ReviewPane::setReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    dragging_ = false;
    update();
}

QRectF ReviewPane::pictureArea() const
{
    if (upright_.isNull() || !uprightSize().isValid())
        return {};
    const QSizeF fitted = QSizeF(uprightSize()).scaled(QSizeF(size()) - QSizeF(8, 8), Qt::KeepAspectRatio);
    return QRectF(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

QRectF ReviewPane::toWidget(const QRect &box) const
{
    const QRectF area = pictureArea();
    const double scale = area.width() / uprightSize().width();
    return QRectF(area.x() + box.x() * scale, area.y() + box.y() * scale, box.width() * scale, box.height() * scale);
}

QRect ReviewPane::toPicture(const QRectF &shown) const
{
    const QRectF area = pictureArea();
    const double scale = uprightSize().width() / area.width();
    const QRectF clipped = shown.normalized().intersected(area);
    QRect box(qRound((clipped.x() - area.x()) * scale), qRound((clipped.y() - area.y()) * scale),
              qRound(clipped.width() * scale), qRound(clipped.height() * scale));
    return box.intersected(QRect(QPoint(0, 0), uprightSize()));
}

int ReviewPane::boxAt(const QPointF &point) const
{
    // The smallest box under the point wins, so a face inside a larger drawn box stays reachable.
    int best = -1;
    double bestArea = 0;
    for (int i = 0; i < review_.boxes.size(); ++i) {
        const QRectF shown = toWidget(review_.boxes[i].rect).adjusted(-2, -2, 2, 2);
        const double area = shown.width() * shown.height();
        if (shown.contains(point) && (best < 0 || area < bestArea)) {
            best = i;
            bestArea = area;
        }
    }
    return best;
}

void ReviewPane::turnPicture()
{
    // Boxes and pixels share the engine's frame: the picture turns as the search says it did.
    if (picture_.image.isNull()) {
        upright_ = QImage();
        uprightOrientation_ = 0;
    } else if (upright_.isNull() || uprightOrientation_ != review_.orientation) {
        upright_ = TurnedUpright(picture_.image, review_.orientation);
        uprightOrientation_ = review_.orientation;
    }
}

void ReviewPane::selectFace(int index)
{
    selected_ = index;
    describe();
    update();
}

void ReviewPane::setDropped(bool dropped)
{
    if (readOnly_ || selected_ < 0 || selected_ >= review_.boxes.size() || review_.boxes[selected_].dropped == dropped)
        return;
    review_.boxes[selected_].dropped = dropped;
    edited();
}

void ReviewPane::edited()
{
    review_.reviewed = true;
    describe();
    update();
    emit reviewEdited();
}

void ReviewPane::describe()
{
    QString text;
    if (path_.isEmpty()) {
        text = QStringLiteral("No image selected");
    } else if (video_) {
        text = VideoReviewNote;
    } else if (!picture_.error.isEmpty()) {
        text = picture_.error;
    } else if (!review_.searched) {
        text = QStringLiteral("Searching for faces");
    } else if (!review_.error.isEmpty()) {
        text = QStringLiteral("Faces not searched: ") + review_.error;
    } else {
        const qsizetype kept = review_.keptBoxes().size();
        const qsizetype dropped = review_.boxes.size() - kept;
        text = QString::number(kept) + (kept == 1 ? QStringLiteral(" face") : QStringLiteral(" faces"));
        if (dropped > 0)
            text += QStringLiteral(", %1 dropped").arg(dropped);
        if (selected_ >= 0)
            text += QStringLiteral(", face %1 of %2 selected%3")
                        .arg(selected_ + 1)
                        .arg(review_.boxes.size())
                        .arg(review_.boxes[selected_].dropped ? QStringLiteral(" (dropped)") : QString());
    }
    if (!path_.isEmpty())
        text = QFileInfo(path_).fileName() + QStringLiteral(": ") + text;
    if (text == accessibleDescription())
        return;
    setAccessibleDescription(text);
    setToolTip(text);
    QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
}

bool ReviewPane::event(QEvent *event)
{
    // Tab and Shift+Tab step through the faces while there are any, instead of leaving the pane.
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool back = key->key() == Qt::Key_Backtab || (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
        if ((key->key() == Qt::Key_Tab || back) && !review_.boxes.isEmpty()) {
            const int count = int(review_.boxes.size());
            if (selected_ < 0)
                selectFace(back ? count - 1 : 0);
            else
                selectFace((selected_ + (back ? count - 1 : 1)) % count);
            return true;
        }
    }
    return QWidget::event(event);
}

void ReviewPane::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Delete:
        setDropped(true);
        break;
    case Qt::Key_Insert:
        setDropped(false);
        break;
    case Qt::Key_PageDown:
        emit stepRequested(1);
        break;
    case Qt::Key_PageUp:
        emit stepRequested(-1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void ReviewPane::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton || picture_.image.isNull())
        return;
    const int box = boxAt(event->position());
    if (box >= 0) {
        selectFace(box);
        return;
    }
    selectFace(-1);
    if (!readOnly_ && review_.searched && pictureArea().contains(event->position())) {
        dragging_ = true;
        dragFrom_ = dragTo_ = event->position();
    }
}

void ReviewPane::mouseMoveEvent(QMouseEvent *event)
{
    if (!dragging_)
        return;
    dragTo_ = event->position();
    update();
}

void ReviewPane::mouseReleaseEvent(QMouseEvent *event)
{
    if (!dragging_ || event->button() != Qt::LeftButton)
        return;
    dragging_ = false;
    dragTo_ = event->position();
    const QRectF shown = QRectF(dragFrom_, dragTo_).normalized();
    if (shown.width() < SmallestDrawnBox || shown.height() < SmallestDrawnBox) {
        update();
        return;
    }
    const QRect box = toPicture(shown);
    if (box.isEmpty()) {
        update();
        return;
    }
    review_.boxes.append({box, false, true});
    selected_ = int(review_.boxes.size()) - 1;
    edited();
}

void ReviewPane::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    const QRectF area = pictureArea();
    if (area.isEmpty()) {
        painter.setPen(palette().color(QPalette::BrightText));
        const QString text = path_.isEmpty()             ? QString()
                             : video_                    ? VideoReviewNote
                             : !picture_.error.isEmpty() ? picture_.error
                                                         : QStringLiteral("Loading...");
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, text);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(area, upright_);
    painter.setRenderHint(QPainter::Antialiasing);

    for (int i = 0; i < review_.boxes.size(); ++i) {
        const ReviewedBox &box = review_.boxes[i];
        const QRectF shown = toWidget(box.rect);
        const bool selected = i == selected_;
        QColor colour = box.dropped ? QColor(160, 160, 160) : box.drawn ? QColor(40, 140, 255) : QColor(255, 40, 40);
        QPen pen(colour, selected ? 3 : 2, box.dropped ? Qt::DashLine : Qt::SolidLine);
        if (selected) { // a light halo keeps the selection visible on any picture
            painter.setPen(QPen(Qt::white, 6));
            painter.drawRect(shown);
        }
        painter.setPen(pen);
        painter.drawRect(shown);
        if (box.dropped) {
            painter.drawLine(shown.topLeft(), shown.bottomRight());
            painter.drawLine(shown.topRight(), shown.bottomLeft());
        }
    }
    if (dragging_) {
        painter.setPen(QPen(QColor(40, 140, 255), 2, Qt::DashLine));
        painter.drawRect(QRectF(dragFrom_, dragTo_).normalized());
    }
    QString status;
    if (!review_.searched)
        status = QStringLiteral("Searching for faces...");
    else if (!review_.error.isEmpty())
        status = QStringLiteral("Faces not searched: ") + review_.error;
    if (!status.isEmpty()) {
        const QRectF band(0, height() - 24, width(), 24);
        painter.fillRect(band, QColor(0, 0, 0, 160));
        painter.setPen(Qt::white);
        painter.drawText(band, Qt::AlignCenter, status);
    }
}
