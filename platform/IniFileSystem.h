#pragma once
// The file-system side of the private-profile files (platform/IniFile.h): the version a file is
// told apart by, the lock that parts the rewrites of one file, reading a file whole, finding out
// whether a file still holds a text, and the errors raised when a file cannot be read or written.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/IniFile.h"

// Hidden, as platform/IniNames.h tells.
#pragma GCC visibility push(hidden)
namespace qm::ini_detail {

// The change time is part of the version because a program may set the modification time
// back after rewriting a file in place (copy tools keeping times do); only the system sets
// the change time. changeNs is the later of the two, the moment the file last changed.
struct Version {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    long long mtimeNs = 0;
    long long ctimeNs = 0;
    bool operator==(const Version&) const = default;
    long long changeNs() const { return std::max(mtimeNs, ctimeNs); }
};

inline Version VersionOf(const struct stat& st)
{
    return {st.st_dev, st.st_ino, st.st_size,
            (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
            (long long)st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec};
}

// File times advance in coarse steps (a scheduler tick), so a change made within a step of the
// version we parsed can leave size, time and inode all equal. A version read this close to its
// modification time is checked byte for byte at the next read, until a read comes later than
// this. (A time far ahead of the clock is safe: any later change gets the clock's time.)
inline constexpr long long kRacyNs = 50'000'000;

inline bool Settled(long long readNs, long long changeNs)
{
    return std::llabs(readNs - changeNs) > kRacyNs;
}

// EInOutError naming the file and the system's reason (err) why it cannot be written.
[[noreturn]] void Fail(const std::string& file, int err);

struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

// The lock that parts the rewrites of one file, on its lock file. Read access is enough to
// lock, so a lock file another user made stops no one who may write the file. The lock file
// is removed before the lock is let go, so none stays beside the files; a writer that was
// waiting on a removed lock file sees that and opens the file afresh, so two writers never
// hold the locks of two different lock files.
class RewriteLock {
public:
    RewriteLock(const std::string& lockFile, const std::string& file) : path_(lockFile)
    {
        for (;;) {
            fd_ = ::open(path_.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (fd_ < 0)
                Fail(file, errno);
            int err = 0;
            while (::flock(fd_, LOCK_EX) != 0 && (err = errno) == EINTR)
                err = 0;
            struct stat held {};
            struct stat named {};
            if (err == 0 && ::fstat(fd_, &held) == 0 && ::lstat(path_.c_str(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino)
                return;
            ::close(fd_);
            if (err != 0)
                Fail(file, err);
        }
    }
    ~RewriteLock()
    {
        ::unlink(path_.c_str());
        ::close(fd_);
    }
    RewriteLock(const RewriteLock&) = delete;
    RewriteLock& operator=(const RewriteLock&) = delete;

private:
    std::string path_;
    int fd_ = -1;
};

// Bytes grown by appending or by resizing, never set ahead of what is written into them: the
// room a resize adds holds whatever it held until it is written. Kept from one pass over a file
// to the next (PassScratch), so that its pages are not asked of the system anew each time.
class TextBuffer {
public:
    void clear() { size_ = 0; }
    void resize(size_t n)
    {
        if (n > capacity_)
            Grow(n);
        size_ = n;
    }
    char* data() { return data_.get(); }
    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }
    void reserve(size_t n)
    {
        if (n > capacity_)
            Grow(n);
    }
    [[gnu::always_inline]] void Append(std::string_view s)
    {
        if (s.empty()) // an empty view may point nowhere, which memcpy must not be given
            return;
        if (s.size() > capacity_ - size_)
            Grow(std::max(capacity_ * 2, size_ + s.size()));
        std::memcpy(data_.get() + size_, s.data(), s.size());
        size_ += s.size();
    }
    [[gnu::always_inline]] void Append(char c)
    {
        if (size_ == capacity_)
            Grow(std::max(capacity_ * 2, size_ + 1));
        data_[size_++] = c;
    }
    std::string_view View() const { return {data_.get(), size_}; }
    void Release()
    {
        data_.reset();
        size_ = capacity_ = 0;
    }

private:
    void Grow(size_t capacity)
    {
        std::unique_ptr<char[]> grown(new char[capacity]);
        if (size_ > 0)
            std::memcpy(grown.get(), data_.get(), size_);
        data_ = std::move(grown);
        capacity_ = capacity;
    }

    std::unique_ptr<char[]> data_;
    size_t size_ = 0, capacity_ = 0;
};

// Reads the whole of a regular file, at most kMaxIniFileBytes: EFBIG for a larger one, also
// when it grows past the limit while it is read. Returns 0, or the errno of the failure
// (ENOENT for a missing file or one that is not a regular file; st then tells which).
// Opening does not wait: a named pipe under the file's name would otherwise block until
// someone writes to it.
template <class Bytes> int ReadWhole(const std::string& path, Bytes& bytes, struct stat& st)
{
    Fd f(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (f.fd < 0)
        return errno;
    if (::fstat(f.fd, &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return ENOENT;
    if (st.st_size < 0 || uint64_t(st.st_size) > kMaxIniFileBytes)
        return EFBIG;
    bytes.clear();
    // One byte more than the size, so that a file that has grown meanwhile shows it.
    bytes.resize(size_t(st.st_size) + 1);
    size_t got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got > kMaxIniFileBytes)
                return EFBIG;
            bytes.resize(std::min<size_t>(bytes.size() * 2, kMaxIniFileBytes + 1));
        }
        const ssize_t r = ::read(f.fd, bytes.data() + got, bytes.size() - got);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (r == 0)
            break;
        got += size_t(r);
    }
    if (got > kMaxIniFileBytes)
        return EFBIG;
    bytes.resize(got);
    return 0;
}

// Whether the regular file at path holds exactly text, compared piece by piece, so that a
// parse whose file has not changed is confirmed without a second copy of the whole file; st
// receives the file's status. False on any difference or failure: the caller then reads the
// file whole and finds out which.
bool HoldsExactly(const std::string& path, std::string_view text, struct stat& st);

// EInOutError naming the file and why it could not be read.
[[noreturn]] void FailRead(const std::string& file, int err);

} // namespace qm::ini_detail
#pragma GCC visibility pop
