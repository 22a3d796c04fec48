// The private-profile files' reads, through the process-wide cache of parses, and the views of
// one parse. The rest of IniFile lies in the files of its parts: IniNames.h (names, their hash
// and table), IniModel (the parsed file), IniFileSystem (files on disk), IniCache (the parses
// kept), IniWatch (the watches), IniRewrite (what every rewrite takes first: the checks, the
// lock), IniEditor (changes and rewrites), IniKeyList (the key lists) and IniUpdatePass (the
// one-pass update).
#include "platform/IniFile.h"

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/IniCache.h"
#include "platform/IniWatch.h"

namespace qm {

using namespace ini_detail;

IniFile::IniFile(std::string fileName) : fileName_(std::move(fileName)) {}

AnsiString IniFile::ReadString(const AnsiString& section, const AnsiString& key, const AnsiString& def) const
{
    std::lock_guard lock(gMutex);
    const Model* m = Current(fileName_);
    return m ? ModelView(*m).ReadString(section, key, def) : def;
}

bool IniFile::SectionExists(const AnsiString& section) const
{
    std::lock_guard lock(gMutex);
    const Model* m = Current(fileName_);
    return m && ModelView(*m).SectionExists(section);
}

bool IniFile::ValueExists(const AnsiString& section, const AnsiString& key) const
{
    std::lock_guard lock(gMutex);
    const Model* m = Current(fileName_);
    return m && ModelView(*m).ValueExists(section, key);
}

std::vector<AnsiString> IniFile::ReadSections() const
{
    std::lock_guard lock(gMutex);
    const Model* m = Current(fileName_);
    return m ? ModelView(*m).ReadSections() : std::vector<AnsiString>{};
}

std::vector<AnsiString> IniFile::ReadSection(const AnsiString& section) const
{
    std::lock_guard lock(gMutex);
    const Model* m = Current(fileName_);
    return m ? ModelView(*m).ReadSection(section) : std::vector<AnsiString>{};
}

std::vector<std::pair<AnsiString, AnsiString>> IniFile::ReadSectionValues(const AnsiString& section) const
{
    std::lock_guard lock(gMutex);
    const Model* m = Current(fileName_);
    return m ? ModelView(*m).ReadSectionValues(section) : std::vector<std::pair<AnsiString, AnsiString>>{};
}

bool IniFile::Read(const std::function<void(const View&)>& read, Watch* watch) const
{
    std::lock_guard lock(gMutex);
    if (watch)
        Watch::WatchList::Set(*watch, fileName_, 0); // known in no version unless read
    const Model* m = Current(fileName_);
    if (!m)
        return false;
    if (watch)
        Watch::WatchList::Set(*watch, fileName_, Cache()[fileName_].generation);
    read(ModelView(*m));
    return true;
}

} // namespace qm
