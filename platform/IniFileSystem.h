#pragma once
// The file-system side of the private-profile files (platform/IniFile.h): the version a file is
// told apart by, reading a file whole, finding out whether a file still holds a text or is
// missing, and the errors raised when a file cannot be read or written.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <fcntl.h>
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

// Read failures after which a file counts as missing: no such file, or none this user may see.
// Any other (a read error, a loop of links, a file too large) is no empty file.
inline bool ReadsAsMissing(int err)
{
    return err == ENOENT || err == ENOTDIR || err == ENAMETOOLONG || err == EACCES;
}

// Whether there is no file of the name in a folder that is there.
bool GoneFromItsFolder(const std::string& path);

} // namespace qm::ini_detail
#pragma GCC visibility pop
