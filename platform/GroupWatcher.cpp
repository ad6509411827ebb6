#include "platform/GroupWatcher.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <initializer_list>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
int watcherSocket = -1;

constexpr int MaxGroups = 4096;

// The watcher, in the forked child: only calls that are safe after fork in a threaded process.
[[noreturn]] void watch(int socket)
{
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT})
        sigaction(signalNumber, &ignore, nullptr);
    setpgid(0, 0); // out of the command's group, so that killing that group leaves the watcher to act
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
    }
    if (socket != 3) {
        dup2(socket, 3);
        socket = 3;
    }
    syscall(SYS_close_range, 4u, ~0u, 0u); // nothing of the parent's stays open here

    pid_t groups[MaxGroups];
    int count = 0;
    char buffer[4 * 256];
    std::size_t held = 0;
    for (;;) {
        const ssize_t got = read(socket, buffer + held, sizeof buffer - held);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // the parent has ended
        held += std::size_t(got);
        std::size_t at = 0;
        for (; held - at >= 4; at += 4) {
            std::int32_t value = 0;
            for (int i = 0; i < 4; ++i)
                value |= std::int32_t(std::uint8_t(buffer[at + std::size_t(i)])) << (8 * i);
            if (value > 0 && count < MaxGroups) {
                groups[count++] = value;
            } else if (value < 0) {
                for (int i = 0; i < count; ++i)
                    if (groups[i] == -value) {
                        groups[i] = groups[--count];
                        break;
                    }
            }
        }
        for (std::size_t i = at; i < held; ++i)
            buffer[i - at] = buffer[i];
        held -= at;
    }
    for (int i = 0; i < count; ++i)
        kill(-groups[i], SIGKILL);
    _exit(0);
}

void tell(std::int32_t value)
{
    if (watcherSocket < 0)
        return;
    char bytes[4];
    for (int i = 0; i < 4; ++i)
        bytes[i] = char(std::uint32_t(value) >> (8 * i));
    while (send(watcherSocket, bytes, sizeof bytes, MSG_NOSIGNAL) < 0 && errno == EINTR) {
    }
}
} // namespace

void StartGroupWatcher()
{
    if (watcherSocket >= 0)
        return;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        watch(ends[1]);
    }
    close(ends[1]);
    if (child < 0) {
        close(ends[0]);
        return;
    }
    watcherSocket = ends[0];
}

void WatchGroup(pid_t group)
{
    tell(std::int32_t(group));
}

void ForgetGroup(pid_t group)
{
    tell(-std::int32_t(group));
}
