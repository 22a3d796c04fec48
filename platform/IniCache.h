#pragma once
// The process-wide cache of parsed private-profile files (platform/IniFile.h): one parse per
// file name, taken again while the file is in the version it was parsed from, and a number for
// every parse of new content, by which the watches know a file.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/IniFileSystem.h"
#include "platform/IniModel.h"

// Hidden, as platform/IniNames.h tells.
#pragma GCC visibility push(hidden)
namespace qm::ini_detail {

struct Entry {
    Version version;
    bool trusted = false; // old enough that equal versions mean equal content
    std::unique_ptr<Model> model;
    uint64_t generation = 0; // the parse's number, new for every content (IniFile::Watch)
};

// Guards the cache, the watches and the numbers of the parses.
extern std::recursive_mutex gMutex;
std::unordered_map<std::string, Entry>& Cache();

// The number of a parse of new content; under gMutex. Never 0, which no parse has.
inline uint64_t NextGeneration()
{
    static uint64_t last = 0;
    return ++last;
}

// The current parse of path, or null when there is no such regular file this user may read;
// EInOutError naming the file for any other failure. Call under gMutex.
const Model* Current(const std::string& path);

} // namespace qm::ini_detail
#pragma GCC visibility pop
