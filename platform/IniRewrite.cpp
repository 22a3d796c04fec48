// What every rewrite of a private-profile file takes first (platform/IniRewrite.h), and the lock
// file name of a file.
#include "platform/IniRewrite.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Exception.h"

namespace qm {

namespace ini_detail {

namespace {

// Files this thread is rewriting under their lock; a nested write of one of them would wait
// for itself.
thread_local std::vector<std::string> tEditing;

} // namespace

std::string LockFileName(std::string_view fileName)
{
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : fileName)
        h = (h ^ c) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", (unsigned long long)h);
    return std::string(".~qm") + hex + ".lock";
}

int RewriteLock::Take(int folder, std::string lockName)
{
    folder_ = folder;
    name_ = std::move(lockName);
    for (;;) {
        fd_ = ::openat(folder_, name_.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd_ < 0)
            return errno;
        int err = 0;
        while (::flock(fd_, LOCK_EX) != 0 && (err = errno) == EINTR)
            err = 0;
        struct stat held {};
        struct stat named {};
        if (err == 0 && ::fstat(fd_, &held) == 0 &&
            ::fstatat(folder_, name_.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return 0;
        ::close(fd_);
        fd_ = -1;
        if (err != 0)
            return err;
    }
}

RewriteLock::~RewriteLock()
{
    if (fd_ < 0)
        return;
    ::unlinkat(folder_, name_.c_str(), 0);
    ::close(fd_);
}

void CheckNotBeingChanged(const std::string& fileName, const std::string& target)
{
    for (const auto& f : tEditing)
        if (f == target)
            throw EInvalidOperation(Format("The file \"%s\" is already being changed; nested changes go "
                                           "through the editor.",
                                           FromFileName(fileName).c_str()));
}

Rewrite::Rewrite(const std::string& fileName, const std::string& target)
    : fileName_(fileName), target_(target), folder_(target)
{
}

Rewrite::~Rewrite()
{
    if (marked_)
        tEditing.pop_back();
}

bool Rewrite::Prepare(bool ifPresent, const std::function<bool()>& wouldChange)
{
    CheckNotBeingChanged(fileName_, target_);
    if (const int err = folder_.Error()) {
        if (ifPresent && ReadsAsMissing(err))
            return false;
        Fail(fileName_, err);
    }
    struct stat st {};
    if (::fstatat(folder_.Fd(), folder_.Name().c_str(), &st, 0) == 0 ? !S_ISREG(st.st_mode)
                                                                     : ifPresent && ReadsAsMissing(errno)) {
        if (ifPresent)
            return false;
        throw EInOutError(Format("Cannot write to the file \"%s\": it is not a regular file.",
                                 FromFileName(fileName_).c_str()));
    }
    if (const int err = lock_.Take(folder_.Fd(), LockFileName(folder_.Name()))) {
        if (!ifPresent || wouldChange())
            Fail(fileName_, err);
        return false;
    }
    tEditing.push_back(target_);
    marked_ = true;
    return true;
}

} // namespace ini_detail

namespace {

// rename() that refuses to replace an existing file: 0, or the errno of the failure.
int RenameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno == EEXIST) {
        // A file system that ignores case finds the new spelling of the same file "existing".
        struct stat a {};
        struct stat b {};
        if (::lstat(from.c_str(), &a) == 0 && ::lstat(to.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
            a.st_ino == b.st_ino)
            return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
        return EEXIST;
    }
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // File systems without the no-replace rename: a look first, then the rename.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0)
        return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

} // namespace

int IniFile::RenameTo(const std::string& newName)
{
    using namespace ini_detail;
    const std::string target = FollowLinks(fileName_);
    CheckNotBeingChanged(fileName_, target);
    CheckNotBeingChanged(newName, newName);
    const WriteFolder from(target), to(newName);
    if (from.Error() != 0)
        return from.Error();
    if (to.Error() != 0)
        return to.Error();
    // The locks in the order of their files' names; a lock both names share is taken once.
    std::pair<const WriteFolder*, std::string> locks[2] = {{&from, LockFileFor(target)},
                                                           {&to, LockFileFor(newName)}};
    if (locks[1].second < locks[0].second)
        std::swap(locks[0], locks[1]);
    RewriteLock first, second;
    if (const int err = first.Take(locks[0].first->Fd(), LockFileName(locks[0].first->Name())))
        return err;
    if (locks[1].second != locks[0].second)
        if (const int err = second.Take(locks[1].first->Fd(), LockFileName(locks[1].first->Name())))
            return err;
    return RenameNoReplace(fileName_, newName);
}

std::string IniFile::LockFileFor(const std::string& target)
{
    return FolderOf(target) + "/" +
           ini_detail::LockFileName(std::filesystem::path(target).filename().string());
}

} // namespace qm
