#include "platform/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

#include "platform/AnsiString.h"
#include "platform/Exception.h"

namespace qm {

namespace fs = std::filesystem;

namespace {

std::string Reason(int err) { return std::strerror(err); }

// Follows a chain of symbolic links to the file at its end, which need not exist yet.
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

} // namespace

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path))
{
    target_ = FollowLinks(path_);
    exists_ = ::stat(target_.c_str(), &old_) == 0;
    if (exists_ && !S_ISREG(old_.st_mode))
        throw EInOutError(Format("Cannot write to the file \"%s\": it is not a regular file.",
                                 FromFileName(path_).c_str()));
    // The rename would replace a file this user may not write, so it is refused as a write in
    // place would be.
    if (exists_ && ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
        Fail(errno);

    static std::atomic<unsigned> counter{0};
    const std::string folder = FolderOf(target_);
    for (int attempt = 0; fd_ < 0; ++attempt) {
        temp_ = folder + "/.~qm" + std::to_string(long(::getpid())) + "-" + std::to_string(++counter) + ".tmp";
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || attempt > 100)) {
            temp_.clear();
            Fail(errno);
        }
    }
    if (exists_ && ::fchmod(fd_, old_.st_mode & 07777) != 0)
        Fail(errno);
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_ && !temp_.empty())
        ::unlink(temp_.c_str());
}

void AtomicFileWriter::Fail(int err)
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
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

struct stat AtomicFileWriter::Commit()
{
    if (fd_ < 0)
        throw EInvalidOperation("The file is not open for writing.");
    struct stat st {};
    if (::fsync(fd_) != 0 || ::fstat(fd_, &st) != 0)
        Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        Fail(errno);
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        Fail(errno);
    committed_ = true;
    // The rename itself reaches the disk only with the folder.
    const int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return st;
}

struct stat WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    AtomicFileWriter w(path);
    w.Write(bytes);
    return w.Commit();
}

bool IsAtomicTempName(std::string_view name, long& pid)
{
    constexpr std::string_view head = ".~qm", tail = ".tmp";
    if (name.size() <= head.size() + tail.size() || name.substr(0, head.size()) != head ||
        name.substr(name.size() - tail.size()) != tail)
        return false;
    const std::string_view mid = name.substr(head.size(), name.size() - head.size() - tail.size());
    const size_t dash = mid.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == mid.size())
        return false;
    long value = 0;
    for (size_t i = 0; i < mid.size(); ++i) {
        if (i == dash)
            continue;
        if (mid[i] < '0' || mid[i] > '9')
            return false;
        if (i < dash) {
            if (value > 100000000)
                return false;
            value = value * 10 + (mid[i] - '0');
        }
    }
    pid = value;
    return true;
}

} // namespace qm
