// What every rewrite of a private-profile file takes first (platform/IniRewrite.h), and the lock
// file name of a file.
#include "platform/IniRewrite.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "platform/AtomicFile.h"
#include "platform/Exception.h"

namespace qm {

namespace ini_detail {

thread_local std::vector<std::string> tEditing;

bool PrepareRewrite(const std::string& fileName, const std::string& target, bool ifPresent,
                    std::optional<RewriteLock>& lock, const std::function<bool()>& wouldChange)
{
    for (const auto& f : tEditing)
        if (f == target)
            throw EInvalidOperation(Format("The file \"%s\" is already being changed; nested changes go "
                                           "through the editor.",
                                           FromFileName(fileName).c_str()));
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 ? !S_ISREG(st.st_mode) : ifPresent && ReadsAsMissing(errno)) {
        if (ifPresent)
            return false;
        throw EInOutError(Format("Cannot write to the file \"%s\": it is not a regular file.",
                                 FromFileName(fileName).c_str()));
    }
    try {
        lock.emplace(IniFile::LockFileFor(target), fileName);
    } catch (const EInOutError&) {
        if (!ifPresent || wouldChange())
            throw;
        return false;
    }
    return true;
}

} // namespace ini_detail

std::string IniFile::LockFileFor(const std::string& target)
{
    const std::string folder = FolderOf(target);
    const size_t slash = target.rfind('/');
    const std::string_view name = std::string_view(target).substr(slash == std::string::npos ? 0 : slash + 1);
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : name)
        h = (h ^ c) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", (unsigned long long)h);
    return folder + "/.~qm" + hex + ".lock";
}

} // namespace qm
