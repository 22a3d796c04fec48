#include "platform/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/Exception.h"

namespace qm {

namespace fs = std::filesystem;

namespace {

std::string Reason(int err)
{
    return std::strerror(err);
}

// A write past the file-size limit then fails with EFBIG instead of ending the process.
void IgnoreFileSizeSignal()
{
    struct sigaction old {};
    if (::sigaction(SIGXFSZ, nullptr, &old) == 0 && old.sa_handler == SIG_DFL && !(old.sa_flags & SA_SIGINFO))
        ::signal(SIGXFSZ, SIG_IGN);
}

// The text as a decimal number; false when empty, longer than 9 digits or not all digits.
bool ParseDigits(std::string_view text, long& value)
{
    if (text.empty() || text.size() > 9)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// "<pid>-<n>" with both parts digits.
bool ParsePidAndCounter(std::string_view mid, long& pid)
{
    const size_t dash = mid.find('-');
    long n = 0;
    return dash != std::string_view::npos && ParseDigits(mid.substr(0, dash), pid) &&
           ParseDigits(mid.substr(dash + 1), n);
}

// Locks the new file at fd and checks that name in the folder still names it. A file system
// without locks counts as locked: there is nothing more to be had.
bool LockedUnderName(int fd, int folder, const std::string& name)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return errno != EWOULDBLOCK;
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

std::function<void(const std::string&)>& BeforeReplace()
{
    static std::function<void(const std::string&)> hook;
    return hook;
}

bool ProcessRuns(long pid)
{
    if (pid <= 0 || pid == long(::getpid()))
        return true;
    return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
}

} // namespace

std::string FollowLinks(const std::string& path)
{
    std::string target = path;
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(target, ec); ++hops) {
        const fs::path link(target);
        const fs::path to = fs::read_symlink(link, ec);
        if (ec)
            break;
        target = (to.is_absolute() ? to : link.parent_path() / to).string();
    }
    return target;
}

std::string FolderOf(const std::string& path)
{
    const fs::path p(path);
    return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

WriteFolder::WriteFolder(std::string target) : target_(std::move(target))
{
    path_ = FolderOf(target_);
    name_ = fs::path(target_).filename().string();
    fd_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder this user may write but not list is still a folder to write in; only its sync
    // is not to be had.
    if (fd_ < 0 && errno == EACCES)
        fd_ = ::open(path_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        error_ = errno;
}

WriteFolder::~WriteFolder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool WriteFolder::StillNamed() const
{
    struct stat named {};
    struct stat held {};
    return ::stat(path_.c_str(), &named) == 0 && ::fstat(fd_, &held) == 0 && named.st_dev == held.st_dev &&
           named.st_ino == held.st_ino;
}

void WriteFolder::Sync() const
{
    (void)::fsync(fd_);
}

AtomicFileWriter::AtomicFileWriter(std::string path, Mode mode) : path_(std::move(path)), mode_(mode)
{
    folder_ = &own_.emplace(FollowLinks(path_));
    Open();
}

AtomicFileWriter::AtomicFileWriter(std::string path, const WriteFolder& folder, Mode mode)
    : path_(std::move(path)), folder_(&folder), mode_(mode)
{
    Open();
}

// Checks the target and creates the temporary file beside it.
void AtomicFileWriter::Open()
{
    if (folder_->Error() != 0)
        Fail(folder_->Error());
    const int dir = folder_->Fd();
    const char* name = folder_->Name().c_str();
    exists_ = ::fstatat(dir, name, &old_, 0) == 0;
    // Only a missing file is made; a loop of links, say, is no file to replace.
    if (!exists_ && errno != ENOENT)
        Fail(errno);
    if (exists_ && !S_ISREG(old_.st_mode))
        throw EInOutError(Format("Cannot write to the file \"%s\": it is not a regular file.",
                                 FromFileName(path_).c_str()));
    // The rename would replace a file this user may not write, so it is refused as a write in
    // place would be.
    if (exists_ && ::faccessat(dir, name, W_OK, AT_EACCESS) != 0)
        Fail(errno);

    IgnoreFileSizeSignal();
    // A write that another window left when it was killed (a PDF export, say) is removed at
    // the next write into its folder, whichever window makes it and however long that window
    // has run; only the folders the program writes into are looked at.
    RemoveStaleTempFiles(folder_->Path());
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; fd_ < 0; ++attempt) {
        temp_ = ".~qm" + std::to_string(long(::getpid())) + "-" + std::to_string(++counter) + ".tmp";
        fd_ = ::openat(dir, temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || attempt > 100)) {
            temp_.clear();
            Fail(errno);
        }
        // Held until after the replacing: the lock, not the process number, tells the clean-up
        // of another process that this file is being written. Should a clean-up have locked
        // the file first, it removes it, now or a moment ago, and another name is taken.
        if (fd_ >= 0 && !LockedUnderName(fd_, dir, temp_)) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    // A file the super-user rewrites stays its owner's; where the owner cannot be kept, its
    // group is kept if it can be. Neither is a reason to give up the write.
    if (exists_ && (old_.st_uid != ::geteuid() || old_.st_gid != ::getegid()) &&
        ::fchown(fd_, old_.st_uid, old_.st_gid) != 0)
        (void)!::fchown(fd_, uid_t(-1), old_.st_gid);
    if (exists_ && ::fchmod(fd_, old_.st_mode & 07777) != 0)
        Fail(errno);
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_ && !temp_.empty())
        ::unlinkat(folder_->Fd(), temp_.c_str(), 0);
}

void AtomicFileWriter::Fail(int err)
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlinkat(folder_->Fd(), temp_.c_str(), 0);
        temp_.clear();
    }
    throw EInOutError(
        Format("Cannot write to the file \"%s\": %s.", FromFileName(path_).c_str(), Reason(err).c_str()));
}

void AtomicFileWriter::Write(std::string_view bytes)
{
    if (fd_ < 0)
        throw EInvalidOperation("The file is not open for writing.");
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno);
        }
        done += size_t(w);
    }
}

std::optional<struct stat> AtomicFileWriter::Commit()
{
    if (fd_ < 0)
        throw EInvalidOperation("The file is not open for writing.");
    struct stat st {};
    if (::fsync(fd_) != 0 || ::fstat(fd_, &st) != 0)
        Fail(errno);
    if (BeforeReplace())
        BeforeReplace()(folder_->Target());
    // Put in place while still open and locked, so no clean-up can take the file in between.
    const int dir = folder_->Fd();
    if (mode_ == Mode::ReplaceOnly) {
        if (!ReplaceExisting()) {
            ::close(fd_);
            fd_ = -1;
            ::unlinkat(dir, temp_.c_str(), 0);
            temp_.clear();
            return std::nullopt;
        }
    } else if (::renameat(dir, temp_.c_str(), dir, folder_->Name().c_str()) != 0) {
        Fail(errno);
    }
    committed_ = true;
    ::close(fd_);
    fd_ = -1;
    // The replacing itself reaches the disk only with the folder.
    folder_->Sync();
    return st;
}

// The temporary file takes the target's place only while the target is there, in one step that
// nothing can come between: the two names are exchanged, and the old content, now under the
// temporary name, is removed. False when the target is gone: not in the folder, or the folder no
// longer under its name (the exchange itself happens in the folder the write began in, which is
// as near to the name the write was asked for as the system lets a look come).
bool AtomicFileWriter::ReplaceExisting()
{
    if (!folder_->StillNamed())
        return false;
    const int dir = folder_->Fd();
    const char* name = folder_->Name().c_str();
    if (::renameat2(dir, temp_.c_str(), dir, name, RENAME_EXCHANGE) == 0) {
        // Should a clean-up have taken the old content first, it is gone all the same.
        ::unlinkat(dir, temp_.c_str(), 0);
        return true;
    }
    const int err = errno;
    struct stat st {};
    if (err == EINVAL || err == ENOSYS) {
        // A file system without the exchange: a look, then the rename, which undoes a removal
        // or rename of the target made between the two.
        if (::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                return false;
            Fail(errno);
        }
        if (::renameat(dir, temp_.c_str(), dir, name) != 0)
            Fail(errno);
        return true;
    }
    if (err == ENOENT && ::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT)
        return false;
    Fail(err);
}

struct stat WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    AtomicFileWriter w(path);
    w.Write(bytes);
    return *w.Commit();
}

void SetTestBeforeReplace(std::function<void(const std::string& target)> hook)
{
    BeforeReplace() = std::move(hook);
}

bool IsAtomicTempName(std::string_view name, long& pid)
{
    constexpr std::string_view head = ".~qm", tail = ".tmp";
    if (name.size() <= head.size() + tail.size() || !name.starts_with(head) || !name.ends_with(tail))
        return false;
    return ParsePidAndCounter(name.substr(head.size(), name.size() - head.size() - tail.size()), pid);
}

bool IsLockFileName(std::string_view name)
{
    constexpr std::string_view head = ".~qm", tail = ".lock";
    if (name.size() != head.size() + 16 + tail.size() || !name.starts_with(head) || !name.ends_with(tail))
        return false;
    const std::string_view hex = name.substr(head.size(), 16);
    return hex.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

bool IsOldStoreTempName(std::string_view name, long& pid)
{
    constexpr std::string_view mark = ".store.tmp";
    const size_t at = name.rfind(mark);
    return at != std::string_view::npos && at > 0 && ParsePidAndCounter(name.substr(at + mark.size()), pid);
}

namespace {

// Removes a temporary file whose process this one does not see running, unless a writer still
// holds its lock (a writer in another process namespace, or on another machine sharing the
// folder). Files of the old pattern were never locked; their process number alone decides.
// A store's lock file is removed when nobody holds it (its users check that the file they
// locked is still the one of that name). On a network file system a lock may be one of the
// whole process, so a process that holds a store's lock would not see it held.
bool RemoveUnheld(const std::string& path, bool locked)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat held {};
    struct stat named {};
    const bool removable = ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
                           (!locked || ::flock(fd, LOCK_EX | LOCK_NB) == 0) &&
                           ::lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
                           named.st_ino == held.st_ino && ::unlink(path.c_str()) == 0;
    ::close(fd);
    return removable;
}

} // namespace

int RemoveStaleTempFiles(const std::string& folder, bool unheldLocks)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return 0;
    std::vector<std::pair<std::string, bool>> stale; // name, locked by its writer
    while (const dirent* d = ::readdir(dir)) {
        long pid = 0;
        const std::string_view name = d->d_name;
        if ((IsAtomicTempName(name, pid) && !ProcessRuns(pid)) || (unheldLocks && IsLockFileName(name)))
            stale.emplace_back(name, true);
        else if (IsOldStoreTempName(name, pid) && !ProcessRuns(pid))
            stale.emplace_back(name, false);
    }
    ::closedir(dir);
    int removed = 0;
    for (const auto& [name, locked] : stale)
        removed += RemoveUnheld((folder.empty() ? std::string(".") : folder) + "/" + name, locked);
    return removed;
}

} // namespace qm
