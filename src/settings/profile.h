#pragma once
// Private-profile functions over INI files, with the semantics the settings class relies on.
//
// Reads never fail: a missing file, section or key gives the default. Lists (section names,
// key names, section lines) are entries each followed by a NUL, then one more NUL; when the
// buffer is too small the last entry is cut, followed by two NULs, and the count returned is
// size - 2, so the cut entry never counts as complete. A list that exactly fills the buffer
// counts size - 2 as well: like a cut one, its last entry's NUL lies at the count.
//
// Files carried over from Windows read the same: CR LF, LF or CR line ends, section and key
// names compared without regard to ASCII letter case, blanks trimmed around names, '=' and
// values, ';' comment lines, one pair of matching quotes around a value removed, the first of
// duplicate sections or keys used. Files in UTF-16 (with a byte-order mark) or in the legacy
// code page GB18030 are read and written in their own encoding; callers always give and get
// UTF-8, and a name or value that is not UTF-8 is refused by writes and finds nothing on
// reads. Values and lists are cut after a whole character.
//
// Writes edit the file's bytes in place (nothing else of the file changes) and replace the
// file atomically under an advisory lock; see README.md.

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace vantel {

// Largest file that is read. Reads of a larger file see its first kMaxProfileBytes up to the
// last complete line; writes to a larger file fail, since they could not keep the rest.
inline constexpr std::size_t kMaxProfileBytes = 1024 * 1024;

// Copies the value of key in section (or, with key null, the section's key names as a list;
// with section null, the file's section names as a list) into buffer of size bytes. A missing
// key or section copies def. Returns the number of characters copied without the final NUL.
unsigned GetPrivateProfileString(const char* section, const char* key, const char* def,
                                 char* buffer, unsigned size, const char* path);

// One key of a multi-key read, and what a missing key reads as.
struct ProfileKeyDefault {
    const char* key;
    const char* def;
};

// The values of several keys of one section from one read of the file: values[i] is what
// GetPrivateProfileString(section, reads[i].key, reads[i].def, buffer, size, path) copies for
// a key. A null key (which would list key names there) reads as its default.
std::vector<std::string> GetPrivateProfileStrings(const char* section,
                                                  std::span<const ProfileKeyDefault> reads,
                                                  unsigned size, const char* path);

// Sets key in section to value, creating the file, section and key as needed. A null value
// removes the key; a null key removes the whole section. Returns nonzero on success, 0 when
// nothing was written (bad name or value, file or folder not writable, file too large).
int WritePrivateProfileString(const char* section, const char* key, const char* value,
                              const char* path);

// One change of a multi-key write: key set to value; a null value removes the key, a null key
// the whole section.
struct ProfileKeyValue {
    const char* key;
    const char* value;
};

// Applies every change to section, in order, in one locked atomic replacement of the file: all
// of them or none. Returns nonzero on success, 0 with the file unchanged when any name or value
// is refused or the file could not be written.
int WritePrivateProfileStrings(const char* section, std::span<const ProfileKeyValue> changes,
                               const char* path);

// Why WritePrivateProfileStrings refuses these changes to the file as it is now, in one
// sentence, for a caller to say so after a refused write; empty when no cause is found (the
// write failed in the file system, or the file changed meanwhile).
std::string PrivateProfileWriteProblem(const char* section,
                                       std::span<const ProfileKeyValue> changes, const char* path);

// The section's lines as a list of "key=value" entries. Returns characters copied.
unsigned GetPrivateProfileSection(const char* section, char* buffer, unsigned size,
                                  const char* path);

// The file's section names as a list. Returns characters copied.
unsigned GetPrivateProfileSectionNames(char* buffer, unsigned size, const char* path);

}  // namespace vantel
