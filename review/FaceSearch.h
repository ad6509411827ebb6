#pragma once
#include "imagelist/FaceReview.h"

#include <QList>
#include <QObject>
#include <QProcess>
#include <QRect>
#include <QString>

#include <deque>
#include <memory>

// The outcome of one search: the boxes the scripts would get for the file as stamped.
struct FaceSearchResult {
    FileStamp stamp;
    int orientation = 1; // the turn the engine applied to see the picture upright
    QList<QRect> boxes;  // ordered as the library orders them
    QString error;      // empty when the search succeeded
};

// The engine's result with --orientation ("orientation N", then "x y width height" per face):
// the orientation and the boxes ordered like the library's. Raises MirelonError for any other form.
struct EngineResult {
    int orientation = 1;
    QList<QRect> boxes;
};
EngineResult ParseEngineResult(const QByteArray &output);

// Searches pictures for faces in the background with the detection engine program, exactly as
// the library runs it for the scripts (same program, same model, default threshold, upright
// frame, same orientation reading), one picture at a time. The window never waits: results come as signals.
class FaceSearch : public QObject {
    Q_OBJECT

public:
    explicit FaceSearch(const QString &enginePath, QObject *parent = nullptr);
    ~FaceSearch() override;

    // Queues a search of entry `id` (file `path`): first = before every queued one. A queued or
    // running search of the same id is not repeated.
    void search(quint64 id, const QString &path, bool first);
    // Drops every queued search that is not running.
    void clearQueue();
    bool isBusy() const { return running_ != nullptr; }

signals:
    void found(quint64 id, const FaceSearchResult &result);

private:
    struct Request {
        quint64 id;
        QString path;
    };
    void startNext();
    void processEnded();

    QString enginePath_;
    std::deque<Request> queue_;
    std::unique_ptr<QProcess> running_;
    Request current_{};
    FileStamp currentStamp_;
};
