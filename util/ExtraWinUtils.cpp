#include "util/ExtraWinUtils.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Exception.h"

namespace qm {

AnsiString ExtractFileNameNoExt(const AnsiString& path)
{
    const size_t slash = path.rfind('/');
    AnsiString name = slash == AnsiString::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != AnsiString::npos)
        name.erase(dot);
    return name;
}

namespace {

// Closes a descriptor on every way out.
struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

[[noreturn]] void RaiseFileError(const char* what, const AnsiString& path, int err)
{
    throw EInOutError(Format("Cannot %s file \"%s\": %s.", what, path.c_str(), std::strerror(err)));
}

bool WriteAll(int fd, const char* p, size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        n -= size_t(w);
    }
    return true;
}

} // namespace

void CopyFileByStream(const AnsiString& source, const AnsiString& dest)
{
    const std::string src = ToFileName(source);
    const std::string dst = ToFileName(dest);

    Fd in;
    in.fd = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0)
        RaiseFileError("open", source, errno);
    struct stat srcStat {};
    if (::fstat(in.fd, &srcStat) != 0)
        RaiseFileError("read", source, errno);
    if (S_ISDIR(srcStat.st_mode))
        RaiseFileError("read", source, EISDIR);

    // A destination that is a symbolic link keeps the link: the copy goes where it points.
    std::string target = dst;
    struct stat linkStat {};
    if (::lstat(dst.c_str(), &linkStat) == 0 && S_ISLNK(linkStat.st_mode)) {
        if (char* real = ::realpath(dst.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }

    // Truncating the destination when it is the source would destroy the only copy.
    struct stat dstStat {};
    const bool exists = ::stat(target.c_str(), &dstStat) == 0;
    if (exists && dstStat.st_dev == srcStat.st_dev && dstStat.st_ino == srcStat.st_ino)
        return;
    if (exists && S_ISDIR(dstStat.st_mode))
        RaiseFileError("create", dest, EISDIR);
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        RaiseFileError("create", dest, errno);

    // The copy is made beside the destination and renamed over it only once it is whole, so a
    // copy that stops half-way (a full disk, a read error) leaves an existing store as it was
    // and no half store behind.
    static unsigned counter = 0;
    std::string tmp;
    Fd out;
    for (int attempt = 0; out.fd < 0; ++attempt) {
        tmp = target + ".tmp" + std::to_string(long(::getpid())) + "-" + std::to_string(++counter);
        out.fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (out.fd < 0 && (errno != EEXIST || attempt > 100))
            RaiseFileError("create", dest, errno);
    }
    if (exists)
        (void)::fchmod(out.fd, dstStat.st_mode & 07777); // the store keeps its permissions
    auto fail = [&](const char* what, const AnsiString& path, int err) {
        ::unlink(tmp.c_str());
        RaiseFileError(what, path, err);
    };

    char buffer[64 * 1024];
    for (;;) {
        const ssize_t r = ::read(in.fd, buffer, sizeof buffer);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            fail("read", source, errno);
        }
        if (r == 0)
            break;
        if (!WriteAll(out.fd, buffer, size_t(r)))
            fail("write", dest, errno);
    }
    if (::fsync(out.fd) != 0)
        fail("write", dest, errno);
    const int fd = out.fd;
    out.fd = -1;
    if (::close(fd) != 0)
        fail("write", dest, errno);
    if (::rename(tmp.c_str(), target.c_str()) != 0)
        fail("create", dest, errno);
}

AnsiString GetShellFolder(const AnsiString& folderName)
{
    // Folder names are value names of the settings registry, matched without regard to case.
    if (!SameName(folderName, "AppData"))
        return {};
    std::string dir;
    // Relative values are invalid for the XDG variables and are ignored.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') {
        dir = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : "";
        }
        dir = std::string(home) + "/.local/share";
    }
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return FromFileName(dir);
}

} // namespace qm
