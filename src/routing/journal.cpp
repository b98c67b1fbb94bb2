#include "routing/journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "settings/atomicfile.h"

namespace vantel {

namespace {

// How often an append opens the file again when a rewrite replaced it meanwhile.
constexpr int kLockAttempts = 100;
// A file grown beyond this many caps by other hands is not read whole to be trimmed.
constexpr std::size_t kTrimReadCaps = 8;

// Closes a descriptor when it goes out of scope.
class FileHandle {
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// Writes the line with one write(2), so that with O_APPEND it lands whole after every other
// writer's lines; a short write (full disk) is a failure.
bool WriteLine(int fd, const std::string& line) {
    ssize_t n;
    while ((n = ::write(fd, line.data(), line.size())) < 0 && errno == EINTR) {
    }
    return n == static_cast<ssize_t>(line.size());
}

// Opens the journal for appending and locks it, making sure the locked file is still the one
// the path names (an atomic rewrite renames a new file over it). -1 on failure.
int OpenLocked(const std::string& path) {
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            return -1;
        }
        struct stat locked {};
        struct stat named {};
        int rc;
        while ((rc = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (rc == 0 && ::fstat(fd, &locked) == 0 && ::stat(path.c_str(), &named) == 0 &&
            locked.st_dev == named.st_dev && locked.st_ino == named.st_ino) {
            return S_ISREG(locked.st_mode) ? fd : (::close(fd), -1);
        }
        ::close(fd);
    }
    return -1;
}

// True when the file is empty or ends with a line end, so an append starts a fresh line.
bool EndsWithLineEnd(int fd, off_t size) {
    char last = '\n';
    return size == 0 || (::pread(fd, &last, 1, size - 1) == 1 && last == '\n');
}

// The newest whole lines of text whose total is at most keep bytes.
std::string NewestLines(std::string_view text, std::size_t keep) {
    if (text.size() <= keep) {
        return std::string(text);
    }
    const std::size_t cut = text.find('\n', text.size() - keep - 1);
    return cut == std::string_view::npos ? std::string() : std::string(text.substr(cut + 1));
}

// Up to limit bytes from the end of the file at path; when that starts inside a line, from
// the next line on.
std::string ReadTail(const std::string& path, std::size_t limit) {
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (file.Get() < 0 || ::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {};
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    const std::size_t start = size > limit ? size - limit : 0;
    std::string text(size - start, '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::pread(file.Get(), text.data() + got, text.size() - got,
                                  static_cast<off_t>(start + got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    if (start > 0) {
        const std::size_t lineEnd = text.find('\n');
        text.erase(0, lineEnd == std::string::npos ? text.size() : lineEnd + 1);
    }
    return text;
}

}  // namespace

std::filesystem::path CJournal::FileBeside(const std::filesystem::path& settingsFile) {
    return settingsFile.parent_path() / kFileName;
}

CJournal::CJournal(std::filesystem::path file, std::size_t capBytes)
    : m_file(std::move(file)), m_cap(std::max(capBytes, 2 * kMaxLineBytes)) {}

bool CJournal::Append(const JournalEntry& entry, std::string* error) {
    JournalEntry stamped = entry;
    if (stamped.time.empty()) {
        stamped.time = JournalTimeNow();
    }
    std::string line = FormatJournalLine(stamped) + "\n";
    const auto fail = [&](const char* what) {
        if (error) {
            *error = std::string(what) + " " + m_file.string() + ": " + std::strerror(errno);
        }
        return false;
    };
    if (line.size() > kMaxLineBytes) {
        errno = EFBIG;
        return fail("entry too long for");
    }
    FileHandle file(OpenLocked(m_file.string()));
    struct stat st {};
    if (file.Get() < 0 || ::fstat(file.Get(), &st) != 0) {
        return fail("cannot open");
    }
    if (!EndsWithLineEnd(file.Get(), st.st_size)) {
        line.insert(line.begin(), '\n');  // a torn line stays a line of its own
    }
    if (!WriteLine(file.Get(), line) || ::fsync(file.Get()) != 0) {
        return fail("cannot write");
    }
    if (static_cast<std::size_t>(st.st_size) + line.size() > m_cap) {
        ::flock(file.Get(), LOCK_UN);
        Trim();
    }
    return true;
}

void CJournal::Trim() const {
    const std::size_t keep = m_cap / 2;
    UpdateFileAtomically(m_file.c_str(), kTrimReadCaps * m_cap,
                         [keep](std::string_view old) -> std::optional<std::string> {
                             return NewestLines(old, keep);
                         });
}

std::vector<JournalEntry> CJournal::Read(std::size_t* skipped) const {
    const std::string text = ReadTail(m_file.string(), m_cap + kMaxLineBytes);
    std::vector<JournalEntry> entries;
    std::size_t bad = 0;
    for (std::size_t begin = 0; begin < text.size();) {
        std::size_t end = text.find('\n', begin);
        end = end == std::string::npos ? text.size() : end;
        const std::string_view line(text.data() + begin, end - begin);
        std::optional<JournalEntry> entry;
        if (line.size() <= kMaxLineBytes) {
            entry = ParseJournalLine(line);
        }
        if (entry) {
            entries.push_back(std::move(*entry));
        } else if (!line.empty()) {
            ++bad;
        }
        begin = end + 1;
    }
    if (skipped) {
        *skipped = bad;
    }
    return entries;
}

std::optional<JournalEntry> CJournal::Last() const {
    std::vector<JournalEntry> entries = Read();
    const auto last = std::find_if(entries.rbegin(), entries.rend(),
                                   [](const JournalEntry& e) { return !IsRecordOnly(e); });
    if (last == entries.rend()) {
        return std::nullopt;
    }
    return std::move(*last);
}

}  // namespace vantel
