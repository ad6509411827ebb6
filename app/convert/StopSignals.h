#pragma once
#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the event loop, so that the command can end its
// pictures cleanly instead of dying with children still running and files half written. The
// previous handlers come back when the object goes.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // The first of SIGINT or SIGTERM that arrived, 0 while none has.
    int received() const { return first_; }

signals:
    void stopRequested(int signalNumber);

private:
    void readPending();

    int readEnd_ = -1;
    QSocketNotifier *notifier_ = nullptr;
    int first_ = 0;
};

// The exit status of a command ended by `signalNumber`: 128 + the number (130, 143).
constexpr int ExitStatusForSignal(int signalNumber) { return 128 + signalNumber; }
