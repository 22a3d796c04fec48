// The watches of private-profile files (IniFile::Watch): each knows the parse of one file that
// its holder last read or wrote, and tells whether the file is still as it knows it.
#include "platform/IniWatch.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/Exception.h"
#include "platform/IniCache.h"

namespace qm {

using namespace ini_detail;

IniFile::Watch::Watch()
{
    std::lock_guard lock(gMutex);
    WatchList::All().push_back(this);
}

IniFile::Watch::~Watch()
{
    std::lock_guard lock(gMutex);
    auto& all = WatchList::All();
    all.erase(std::find(all.begin(), all.end(), this));
}

void IniFile::Watch::Start(const std::string& fileName)
{
    std::lock_guard lock(gMutex);
    fileName_ = fileName;
    version_ = 0;
    try {
        if (Current(fileName))
            version_ = Cache()[fileName].generation;
    } catch (const EInOutError&) {
        // Known in no version: a file that cannot be read now.
    }
}

void IniFile::Watch::TakeFrom(Watch& other)
{
    std::lock_guard lock(gMutex);
    fileName_ = std::move(other.fileName_);
    version_ = other.version_;
    other.fileName_.clear();
    other.version_ = 0;
}

IniFile::Watch::State IniFile::Watch::Look(const std::string& fileName) const
{
    std::lock_guard lock(gMutex);
    try {
        if (!Current(fileName))
            return GoneFromItsFolder(fileName) ? State::Missing : State::Unreadable;
    } catch (const EInOutError&) {
        return State::Unreadable;
    }
    return WatchList::Knows(*this, fileName, Cache()[fileName].generation) ? State::Unchanged
                                                                           : State::Changed;
}

} // namespace qm
