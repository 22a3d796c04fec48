#pragma once
// What every rewrite of a private-profile file takes first, shared by the editor (IniFile::Edit
// and the writes built on it) and the one-pass update (IniFile::UpdateKeysIfPresent): the
// checks before anything is written, the file's lock that parts the rewrites of one file, and
// the mark that refuses a nested change of a file this thread is rewriting.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/IniFileSystem.h"

// Hidden, as platform/IniNames.h tells.
#pragma GCC visibility push(hidden)
namespace qm::ini_detail {

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

// Files this thread is rewriting under their lock; a nested write of one of them would wait
// for itself.
extern thread_local std::vector<std::string> tEditing;

// What comes before every rewrite: a nested change of the file is refused, a folder, pipe or
// device under its name is refused before anything is made, and its lock is taken, so that
// other program windows wait until the rewrite is complete. False when there is nothing to do,
// only with ifPresent: for a file that reads as missing, and for one whose lock cannot be
// taken when wouldChange says the change would leave it as it is.
bool PrepareRewrite(const std::string& fileName, const std::string& target, bool ifPresent,
                    std::optional<RewriteLock>& lock, const std::function<bool()>& wouldChange);

// Marks the file as being changed by this thread for the object's life.
class EditingMark {
public:
    explicit EditingMark(const std::string& target) { tEditing.push_back(target); }
    ~EditingMark() { tEditing.pop_back(); }
    EditingMark(const EditingMark&) = delete;
    EditingMark& operator=(const EditingMark&) = delete;
};

} // namespace qm::ini_detail
#pragma GCC visibility pop
