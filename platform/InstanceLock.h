// The system-wide named lock that keeps a second copy of the program from
// running: an advisory lock on a per-user file, freed by the kernel when the
// process ends.
#pragma once

#include <string>

// The lock file for name: in $XDG_RUNTIME_DIR when that is an existing
// absolute folder, else in /tmp with the user id in the file name.
std::string InstanceLockPath(const std::string& name);

// Takes the lock named name. Returns the descriptor that holds it, or -1 when
// another process holds it or the lock file cannot be opened safely.
int AcquireInstanceLock(const std::string& name);

// Releases a lock taken by AcquireInstanceLock; -1 is ignored.
void ReleaseInstanceLock(int handle);
