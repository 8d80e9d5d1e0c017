// box_root.h: runs this process in a private view of the file system in
// which a folder's var, mnt and tmp stand at /var, /mnt and /tmp, so that
// the box's fixed paths land there for us and every command we start.
#pragma once

#include <string>

// Creates DIR/var, DIR/mnt and DIR/tmp when missing, enters a new mount
// namespace (through a user namespace when not root) and binds them over
// /var, /mnt and /tmp. The rest of the file system stays the machine's.
// Must be called while the process has a single thread. On failure returns
// false with the reason in error; then nothing has been mounted where the
// machine can see it.
bool enterBoxRoot(const std::string& dir, std::string& error);
