#include "platform/TempFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/AnsiString.h"
#include "platform/Exception.h"

namespace qm {

std::string TempFolder()
{
    std::string dir;
    struct stat st {};
    if (const char* env = std::getenv("TMPDIR"); env && *env && ::stat(env, &st) == 0 && S_ISDIR(st.st_mode))
        dir = env;
    else
        dir = "/tmp";
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

std::string CreateTempFile(std::string_view prefix)
{
    if (prefix.find('/') != std::string_view::npos || prefix.find('\0') != std::string_view::npos)
        throw EInOutError(
            Format("Invalid temporary file prefix \"%.*s\".", int(prefix.size()), prefix.data()));
    const std::string folder = TempFolder();
    std::string name = folder + "/" + std::string(prefix) + "XXXXXX.tmp";
    const int fd = ::mkstemps(name.data(), 4); // mkstemps creates the file with mode 0600
    if (fd < 0)
        throw EInOutError(Format("Cannot create a temporary file in \"%s\": %s.",
                                 FromFileName(folder).c_str(), std::strerror(errno)));
    ::close(fd);
    return name;
}

} // namespace qm
