// Ending on a signal (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1 and
// every other one sent from outside that ends the process) without leaving
// half-written files: every temporary file being written is recorded in a
// small fixed registry, and the signal handler deletes the recorded files
// before the process ends by the same signal. SIGPIPE and SIGXFSZ are
// ignored, so that a closed pipe or the file-size limit fails a write instead
// of ending the run.
#pragma once

#include <string>

// Ignores SIGPIPE and SIGXFSZ and installs the handlers; signals ignored by
// whoever started the program (nohup) stay ignored. Call once at program start, before any thread.
void InstallInterruptCleanup();

// Creates path exclusively (O_EXCL, read-write, mode 0666 less the umask) and
// records it for deletion on interruption. Returns the descriptor, or -1 with
// errno set (EEXIST when the name is taken). slot receives the registry entry
// to hand to ForgetTrackedFile; -1 when the registry was full or the path too
// long, in which case the file is created but not tracked.
int CreateTrackedFile(const std::string& path, int& slot);

// Ends the tracking of a file once it was renamed or deleted.
void ForgetTrackedFile(int slot);

// While a watch waits for new files, the first SIGINT or SIGTERM does not end
// the process: its number is written as one byte to fd, and the caller ends
// the process with EndByInterrupt once the files in flight are done. A second
// one ends the process at once, as without deferral. fd -1 turns it off.
void DeferInterrupts(int fd);

// Deletes the tracked temporary files and ends the process by sig, the way
// the signal would have ended it.
[[noreturn]] void EndByInterrupt(int sig);
