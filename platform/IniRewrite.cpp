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

RewriteLock::RewriteLock(int folder, std::string lockName, const std::string& file)
    : folder_(folder), name_(std::move(lockName))
{
    for (;;) {
        fd_ = ::openat(folder_, name_.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd_ < 0)
            Fail(file, errno);
        int err = 0;
        while (::flock(fd_, LOCK_EX) != 0 && (err = errno) == EINTR)
            err = 0;
        struct stat held {};
        struct stat named {};
        if (err == 0 && ::fstat(fd_, &held) == 0 &&
            ::fstatat(folder_, name_.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return;
        ::close(fd_);
        if (err != 0)
            Fail(file, err);
    }
}

RewriteLock::~RewriteLock()
{
    ::unlinkat(folder_, name_.c_str(), 0);
    ::close(fd_);
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
    for (const auto& f : tEditing)
        if (f == target_)
            throw EInvalidOperation(Format("The file \"%s\" is already being changed; nested changes go "
                                           "through the editor.",
                                           FromFileName(fileName_).c_str()));
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
    try {
        lock_.emplace(folder_.Fd(), LockFileName(folder_.Name()), fileName_);
    } catch (const EInOutError&) {
        if (!ifPresent || wouldChange())
            throw;
        return false;
    }
    tEditing.push_back(target_);
    marked_ = true;
    return true;
}

} // namespace ini_detail

std::string IniFile::LockFileFor(const std::string& target)
{
    return FolderOf(target) + "/" +
           ini_detail::LockFileName(std::filesystem::path(target).filename().string());
}

} // namespace qm
