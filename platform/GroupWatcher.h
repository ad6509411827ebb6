#pragma once
#include <sys/types.h>

// Ends the process groups of this process's jobs when this process ends, in any way, SIGKILL
// included: StartGroupWatcher forks a small watcher that waits for the end of a socket only this
// process holds, then kills every group it was told to watch. Without it, a killed command's
// shells, interpreters and engines would run on, unlimited.

// Once, before the first job starts; further calls do nothing. Failures leave jobs unwatched.
void StartGroupWatcher();

// The group `group` (a job's own process group) is to be ended with this process; Forget once
// the job has ended. Both do nothing without a watcher.
void WatchGroup(pid_t group);
void ForgetGroup(pid_t group);
