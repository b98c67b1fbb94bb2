#include "routing/journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

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

// Reads size bytes at offset into text; fewer when the file is shorter.
void ReadAt(int fd, std::string& text, off_t offset) {
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n =
            ::pread(fd, text.data() + got, text.size() - got, offset + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
}

// The line ends in the first size bytes of the file, read a block at a time.
std::size_t LineEndsBefore(int fd, std::size_t size) {
    constexpr std::size_t kBlock = 64 * 1024;
    std::size_t count = 0;
    for (std::size_t at = 0; at < size; at += kBlock) {
        std::string block(std::min(kBlock, size - at), '\0');
        ReadAt(fd, block, static_cast<off_t>(at));
        count += static_cast<std::size_t>(std::count(block.begin(), block.end(), '\n'));
    }
    return count;
}

struct Tail {
    std::string text;
    std::size_t firstLine = 1;  // the file's line number (from 1) of the text's first line
};

// Up to limit bytes from the end of the file at path; when that starts inside a line, from
// the next line on.
Tail ReadTail(const std::string& path, std::size_t limit) {
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (file.Get() < 0 || ::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {};
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    const std::size_t start = size > limit ? size - limit : 0;
    Tail tail{std::string(size - start, '\0'), 1};
    ReadAt(file.Get(), tail.text, static_cast<off_t>(start));
    if (start > 0) {
        const std::size_t lineEnd = tail.text.find('\n');
        tail.text.erase(0, lineEnd == std::string::npos ? tail.text.size() : lineEnd + 1);
        tail.firstLine = LineEndsBefore(file.Get(), start) + 2;
    }
    return tail;
}

// Whether a line of state continues the action of an earlier line with the same id.
bool IsLaterLine(const JournalEntry& line) {
    return line.state != JournalState::kSending;
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
    return Lines(skipped, nullptr);
}

std::vector<JournalEntry> CJournal::Lines(std::size_t* skipped,
                                          std::optional<std::size_t>* damagedLast) const {
    const Tail tail = ReadTail(m_file.string(), m_cap + kMaxLineBytes);
    const std::string& text = tail.text;
    std::vector<JournalEntry> entries;
    std::size_t bad = 0;
    std::size_t lineNumber = tail.firstLine;
    for (std::size_t begin = 0; begin < text.size(); ++lineNumber) {
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
        if (damagedLast != nullptr && !line.empty()) {
            *damagedLast = entry ? std::nullopt : std::optional<std::size_t>(lineNumber);
        }
        begin = end + 1;
    }
    if (skipped) {
        *skipped = bad;
    }
    return entries;
}

std::vector<JournalEntry> CJournal::Actions(std::size_t* skipped) const {
    std::vector<JournalEntry> actions;
    std::map<std::string, std::size_t> byId;
    for (JournalEntry& line : Lines(skipped, nullptr)) {
        const auto known = line.id.empty() ? byId.end() : byId.find(line.id);
        if (known != byId.end() && IsLaterLine(line)) {
            // The action keeps its place and its start time; the rest is the latest word.
            line.time = actions[known->second].time;
            actions[known->second] = std::move(line);
            continue;
        }
        if (!line.id.empty()) {
            byId[line.id] = actions.size();
        }
        actions.push_back(std::move(line));
    }
    return actions;
}

std::optional<JournalEntry> CJournal::Last() const {
    std::vector<JournalEntry> actions = Actions();
    for (auto it = actions.rbegin(); it != actions.rend(); ++it) {
        if (it->state != JournalState::kUnchanged && !IsRecordOnly(*it)) {
            return std::move(*it);
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> CJournal::DamagedLastLine() const {
    std::optional<std::size_t> damaged;
    Lines(nullptr, &damaged);
    return damaged;
}

}  // namespace vantel
