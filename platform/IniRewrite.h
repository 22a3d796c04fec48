#pragma once
// What every rewrite of a private-profile file takes first, shared by the editor (IniFile::Edit
// and the writes built on it) and the one-pass update (IniFile::UpdateKeysIfPresent): the file's
// folder opened once, so that the whole rewrite (its lock file, its temporary file, the
// replacing, the removals) happens in the folder it began in; the checks before anything is
// written; the file's lock, which parts the rewrites of one file; and the mark that refuses a
// nested change of a file this thread is rewriting.
#include <functional>
#include <string>
#include <string_view>

#include "platform/AtomicFile.h"
#include "platform/IniFileSystem.h"

// Hidden, as platform/IniNames.h tells.
#pragma GCC visibility push(hidden)
namespace qm::ini_detail {

// The name of a file's lock file in its folder: ".~qm<16 hex digits>.lock", the digits a hash
// of the file's name, so that the lock's name fits wherever the name fits.
std::string LockFileName(std::string_view fileName);

// The lock that parts the rewrites of one file, on its lock file in the file's folder. Read
// access is enough to lock, so a lock file another user made stops no one who may write the
// file. The lock file is removed before the lock is let go, so none stays beside the files; a
// writer that was waiting on a removed lock file sees that and opens the file afresh, so two
// writers never hold the locks of two different lock files.
class RewriteLock {
public:
    RewriteLock() = default;
    ~RewriteLock();
    RewriteLock(const RewriteLock&) = delete;
    RewriteLock& operator=(const RewriteLock&) = delete;

    // Takes the lock of the lock file lockName in the open folder, waiting while another holds
    // it, and keeps it until the object goes: 0, or the system's reason why it cannot be taken.
    int Take(int folder, std::string lockName);

private:
    int folder_ = -1;
    std::string name_;
    int fd_ = -1;
};

// Refuses (EInvalidOperation naming fileName) a change of target, a file with links followed,
// that this thread is rewriting already: it would wait for itself.
void CheckNotBeingChanged(const std::string& fileName, const std::string& target);

// One rewrite of a file, from its folder's opening to the release of its lock.
class Rewrite {
public:
    // fileName as the caller gave it, target with links followed (FollowLinks); both must
    // outlive the object.
    Rewrite(const std::string& fileName, const std::string& target);
    ~Rewrite();
    Rewrite(const Rewrite&) = delete;
    Rewrite& operator=(const Rewrite&) = delete;

    // What comes before every rewrite: a nested change of the file is refused, a folder, pipe
    // or device under its name is refused before anything is made, its lock is taken, so that
    // other program windows wait until the rewrite is complete, and the file is marked as
    // being changed by this thread. A folder that cannot be opened fails as a write there does.
    // False when there is nothing to do, only with ifPresent: for a file that reads as missing,
    // its folder gone too, and for one whose lock cannot be taken when wouldChange says the
    // change would leave it as it is.
    bool Prepare(bool ifPresent, const std::function<bool()>& wouldChange = {});

    // The open folder, for the file's writer.
    const WriteFolder& Folder() const { return folder_; }

private:
    const std::string& fileName_;
    const std::string& target_;
    WriteFolder folder_;
    RewriteLock lock_; // released before the folder is closed
    bool marked_ = false;
};

} // namespace qm::ini_detail
#pragma GCC visibility pop
