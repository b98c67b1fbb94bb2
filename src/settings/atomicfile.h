#pragma once
// Whole-file reads with a size bound, and atomic, locked read-modify-write of a file.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantel {

// Reads at most limit bytes of the regular file at path into out. A missing, unreadable or
// non-regular file reads as empty. Returns false only when the file is longer than limit (out
// then holds its first limit bytes, which may end inside a line).
bool ReadFileBounded(const char* path, std::size_t limit, std::string& out);

// Replaces the file at path by edit(old content), atomically: the new content is written to a
// temporary file in the same folder, flushed to disk and renamed over the old file, all under
// an exclusive advisory lock (flock on the file itself), so concurrent updates by threads or
// processes never lose each other's changes and a reader sees the old or the new file, never a
// mix. A missing file is created. The file keeps its permission bits (and owner where the
// process may set it). edit returns nothing to give up.
//
// Returns false, with the file exactly as it was, when edit gives up, the file is not a
// regular file, has no write permission, is larger than limit, or any step of the write fails
// (missing or read-only folder, full disk).
using FileEdit = std::function<std::optional<std::string>(std::string_view old_content)>;
bool UpdateFileAtomically(const char* path, std::size_t limit, const FileEdit& edit);

}  // namespace vantel
