#include "util/ExtraWinUtils.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "platform/Exception.h"

namespace qm {

std::string ExtractFileNameNoExt(const std::string& path)
{
    const size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

bool DirectoryExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
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

[[noreturn]] void RaiseReadError(const std::string& path, int err)
{
    throw EInOutError(
        Format("Cannot read the file \"%s\": %s.", FromFileName(path).c_str(), std::strerror(err)));
}

} // namespace

void CopyFileByStream(const std::string& source, const std::string& dest)
{
    Fd in;
    in.fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0)
        RaiseReadError(source, errno);
    struct stat srcStat {};
    if (::fstat(in.fd, &srcStat) != 0)
        RaiseReadError(source, errno);
    if (S_ISDIR(srcStat.st_mode))
        RaiseReadError(source, EISDIR);

    // Replacing the destination when it is the source (also through a link) would gain
    // nothing and risk the only copy.
    struct stat dstStat {};
    if (::stat(dest.c_str(), &dstStat) == 0 && dstStat.st_dev == srcStat.st_dev &&
        dstStat.st_ino == srcStat.st_ino)
        return;

    // The one atomic save, fed as the source is read: a copy that stops half-way (a full
    // disk, a read error) leaves the destination as it was and no half file behind.
    AtomicFileWriter out(dest);
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t r = ::read(in.fd, buffer, sizeof buffer);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            RaiseReadError(source, errno);
        }
        if (r == 0)
            break;
        out.Write(std::string_view(buffer, size_t(r)));
    }
    out.Commit();
}

std::string GetShellFolder(const AnsiString& folderName)
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
    return dir;
}

} // namespace qm
