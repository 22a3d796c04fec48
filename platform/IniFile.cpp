// The private-profile files' reads, through the process-wide cache of parses. The rest of IniFile
// lies in the files of its parts: IniNames.h (names, their hash and table), IniModel (the parsed
// file), IniFileSystem (files on disk), IniCache (the parses kept), IniWatch (the watches),
// IniRewrite (what every rewrite takes first: the checks, the lock), IniEditor (changes and
// rewrites), IniKeyList (the key lists) and IniUpdatePass (the one-pass update).
#include "platform/IniFile.h"

#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/IniCache.h"

namespace qm {

using namespace ini_detail;

IniFile::IniFile(std::string fileName) : fileName_(std::move(fileName)) {}

AnsiString IniFile::ReadString(const AnsiString& section, const AnsiString& key, const AnsiString& def) const
{
    std::lock_guard lock(gMutex);
    const Model* m = Current(fileName_);
    const Line* l = m ? m->FindKey(Trim(section), Trim(key)) : nullptr;
    return l ? AnsiString(m->Value(*l)) : def;
}

bool IniFile::SectionExists(const AnsiString& section) const
{
    std::lock_guard lock(gMutex);
    const Model* m = Current(fileName_);
    return m && m->HasSection(Trim(section));
}

bool IniFile::ValueExists(const AnsiString& section, const AnsiString& key) const
{
    std::lock_guard lock(gMutex);
    const Model* m = Current(fileName_);
    return m && m->FindKey(Trim(section), Trim(key));
}

std::vector<AnsiString> IniFile::ReadSections() const
{
    std::lock_guard lock(gMutex);
    const Model* m = Current(fileName_);
    return m ? m->SectionNames() : std::vector<AnsiString>{};
}

std::vector<AnsiString> IniFile::ReadSection(const AnsiString& section) const
{
    std::lock_guard lock(gMutex);
    std::vector<AnsiString> out;
    if (const Model* m = Current(fileName_))
        m->ForEachKey(Trim(section), [&](const Line& l) { out.emplace_back(m->Name(l)); });
    return out;
}

std::vector<std::pair<AnsiString, AnsiString>> IniFile::ReadSectionValues(const AnsiString& section) const
{
    std::lock_guard lock(gMutex);
    std::vector<std::pair<AnsiString, AnsiString>> out;
    if (const Model* m = Current(fileName_))
        m->ForEachKey(Trim(section), [&](const Line& l) { out.emplace_back(m->Name(l), m->Value(l)); });
    return out;
}

} // namespace qm
