#include "settings/atomicfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace vantel {

namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_;
};

// Reads up to want bytes from fd at its current offset; returns the count read or -1.
long read_up_to(int fd, char* dest, std::size_t want) {
    std::size_t got = 0;
    while (got < want) {
        ssize_t n = ::read(fd, dest + got, want - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<long>(got);
}

bool write_all(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Reads the regular file open on fd; sets cut when it is longer than limit.
bool read_open_file(int fd, const struct stat& st, std::size_t limit, std::string& out, bool& cut) {
    std::size_t size = static_cast<std::size_t>(st.st_size);
    cut = size > limit;
    // One byte more than the size reported, so a file that grew meanwhile is noticed.
    std::size_t want = cut ? limit + 1 : size + 1;
    out.resize(want);
    long got = read_up_to(fd, out.data(), want);
    if (got < 0) {
        out.clear();
        return false;
    }
    out.resize(static_cast<std::size_t>(got));
    if (out.size() > limit) {
        cut = true;
        out.resize(limit);
    }
    return true;
}

std::string resolved_path(const char* path) {
    struct stat st;
    if (::lstat(path, &st) == 0 && S_ISLNK(st.st_mode)) {
        char real[PATH_MAX];
        if (::realpath(path, real) != nullptr) {
            return real;
        }
    }
    return path;
}

std::string folder_of(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool same_file(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The file at path, open and exclusively locked, still being the file the path names (a writer
// that held the lock before may have renamed a new file over it). Creates a missing file.
struct LockedFile {
    Fd fd;
    struct stat st {};
    bool created = false;
};

bool lock_file(const std::string& path, LockedFile& locked) {
    constexpr int kAttempts = 1000;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        locked.created = false;
        locked.fd.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (!locked.fd.valid() && errno == ENOENT) {
            locked.fd.reset(
                ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_CREAT | O_EXCL | O_NONBLOCK, 0666));
            locked.created = locked.fd.valid();
            if (!locked.fd.valid() && errno == EEXIST) {
                continue;
            }
        }
        if (!locked.fd.valid()) {
            return false;
        }
        int rc;
        while ((rc = ::flock(locked.fd.get(), LOCK_EX)) != 0 && errno == EINTR) {
        }
        struct stat now;
        if (rc != 0 || ::fstat(locked.fd.get(), &locked.st) != 0) {
            return false;
        }
        if (::stat(path.c_str(), &now) == 0 && same_file(now, locked.st)) {
            return true;
        }
    }
    return false;
}

bool is_writable(const std::string& path, const struct stat& st) {
    // Root passes access(W_OK) on any file, so the permission bits are checked as well: a file
    // nobody may write stays untouched.
    return S_ISREG(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
           ::access(path.c_str(), W_OK) == 0;
}

void sync_folder(const std::string& folder) {
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) {
        ::fsync(dir.get());
    }
}

// Writes content to a new temporary file beside path and renames it over path.
bool replace_file(const std::string& path, const struct stat& st, std::string_view content) {
    std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string folder = folder_of(path);
    std::string temp =
        (slash == std::string::npos ? std::string() : folder + "/") + "." + name + ".tmp-XXXXXX";
    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.valid()) {
        return false;
    }
    bool ok = ::fchmod(fd.get(), st.st_mode & 07777) == 0;
    if (ok && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())) {
        // Keeps the owner where allowed (root editing a user's file); otherwise ours.
        [[maybe_unused]] int ignored = ::fchown(fd.get(), st.st_uid, st.st_gid);
    }
    ok = ok && write_all(fd.get(), content) && ::fsync(fd.get()) == 0;
    int close_rc = ::close(fd.release());
    ok = ok && close_rc == 0 && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    sync_folder(folder);
    return true;
}

}  // namespace

bool ReadFileBounded(const char* path, std::size_t limit, std::string& out) {
    out.clear();
    Fd fd(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return true;
    }
    bool cut = false;
    if (!read_open_file(fd.get(), st, limit, out, cut)) {
        return true;
    }
    return !cut;
}

bool UpdateFileAtomically(const char* path, std::size_t limit, const FileEdit& edit) {
    std::string target = resolved_path(path);
    LockedFile locked;
    if (!lock_file(target, locked)) {
        return false;
    }
    std::string old_content;
    bool cut = false;
    bool ok = is_writable(target, locked.st) &&
              read_open_file(locked.fd.get(), locked.st, limit, old_content, cut) && !cut;
    std::optional<std::string> content;
    if (ok) {
        content = edit(old_content);
        ok = content.has_value();
    }
    bool leave_missing = ok && locked.created && content->empty();
    if (ok && !leave_missing && (locked.created || *content != old_content)) {
        ok = replace_file(target, locked.st, *content);
    }
    if ((!ok || leave_missing) && locked.created) {
        // Leaves no empty file where there was none; the lock is still ours.
        ::unlink(target.c_str());
    }
    return ok;
}

}  // namespace vantel
