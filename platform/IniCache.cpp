// The cache of parsed private-profile files (platform/IniCache.h): the current parse of a file,
// made anew only when the file's version or bytes tell that it changed.
#include "platform/IniCache.h"

#include <functional>
#include <string>
#include <utility>

#include <sys/stat.h>

#include "platform/Clock.h"

namespace qm {

namespace ini_detail {

namespace {

// IniFile::SetLookHookForTests.
std::function<void(const std::string&)>& LookHook()
{
    static std::function<void(const std::string&)> hook;
    return hook;
}

} // namespace

std::recursive_mutex gMutex;
std::unordered_map<std::string, Entry>& Cache()
{
    static std::unordered_map<std::string, Entry> cache;
    return cache;
}

const Model* Current(const std::string& path)
{
    if (LookHook())
        LookHook()(path);
    auto& cache = Cache();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int err = errno;
        cache.erase(path);
        if (!ReadsAsMissing(err))
            FailRead(path, err);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        cache.erase(path);
        return nullptr;
    }
    auto it = cache.find(path);
    if (it != cache.end() && it->second.trusted && it->second.version == VersionOf(st))
        return it->second.model.get();

    const long long now = FileClockNs();
    if (it != cache.end() && it->second.version == VersionOf(st) &&
        HoldsExactly(path, it->second.model->text, st) && it->second.version == VersionOf(st)) {
        it->second.trusted = Settled(now, it->second.version.changeNs());
        return it->second.model.get();
    }
    std::string bytes;
    if (const int err = ReadWhole(path, bytes, st); err != 0) {
        cache.erase(path);
        if (!ReadsAsMissing(err))
            FailRead(path, err);
        return nullptr;
    }
    const Version v = VersionOf(st);
    const bool trusted = Settled(now, v.changeNs());
    // The same bytes under a new version (a rewrite that changed nothing, or the change time
    // a rename gives) keep their parse and its number.
    if (it != cache.end() && it->second.model->text == bytes) {
        it->second.version = v;
        it->second.trusted = trusted;
        return it->second.model.get();
    }
    Entry& e = cache[path];
    e.model = std::make_unique<Model>(std::move(bytes));
    e.version = v;
    e.trusted = trusted;
    e.generation = NextGeneration();
    return e.model.get();
}

} // namespace ini_detail

using namespace ini_detail;

void IniFile::DropCache()
{
    std::lock_guard lock(gMutex);
    Cache().clear();
}

void IniFile::SetLookHookForTests(std::function<void(const std::string& fileName)> hook)
{
    std::lock_guard lock(gMutex);
    LookHook() = std::move(hook);
}

} // namespace qm
