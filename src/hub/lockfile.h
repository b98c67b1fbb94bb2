#pragma once
// The hub's output locks kept in a file beside setup.ini, so that a lock protecting an output
// outlives a restart of the hub. One line per locked output, "OUTPUT OWNER-KEY", outputs
// counting from 0; written whole and atomically, read with every length bounded (a line that
// is not a sound lock is skipped).

#include <string>
#include <vector>

#include "hub/lockowner.h"

namespace vantel {

inline constexpr const char* kLockFileName = "hub-locks.txt";
// No device has more outputs than a port number of the link can name.
inline constexpr int kMaxLockOutputs = 256;

// The lock file beside a settings file; empty without one.
std::string LockFileBeside(const std::string& settingsPath);
// The owners of outputs 0..n-1 as stored (n: one past the highest locked output); empty for a
// missing or unreadable file.
std::vector<LockOwner> ReadLockFile(const std::string& path);
// Replaces the file by these locks; false, and the file as it was, when it cannot be written.
bool WriteLockFile(const std::string& path, const std::vector<LockOwner>& owners);

}  // namespace vantel
