#include "app/convert/StopSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int writeEnd = -1; // the handler's only state: async-signal-safe write(2) into the pipe

void onSignal(int signalNumber)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &number, 1);
    errno = saved;
}

struct sigaction previous[2];
constexpr int Handled[2] = {SIGINT, SIGTERM};
} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // without the pipe the signals keep their default effect
    readEnd_ = ends[0];
    writeEnd = ends[1];
    notifier_ = new QSocketNotifier(readEnd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::readPending);

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 2; ++i)
        sigaction(Handled[i], &action, &previous[i]);
}

StopSignals::~StopSignals()
{
    if (writeEnd < 0)
        return;
    for (int i = 0; i < 2; ++i)
        sigaction(Handled[i], &previous[i], nullptr);
    ::close(writeEnd);
    ::close(readEnd_);
    writeEnd = -1;
}

void StopSignals::readPending()
{
    unsigned char number = 0;
    while (::read(readEnd_, &number, 1) == 1) {
        if (first_ != 0)
            continue; // a second Ctrl+C while stopping changes nothing
        first_ = number;
        emit stopRequested(first_);
    }
}
