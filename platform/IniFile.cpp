// The private-profile files' reads, through the process-wide cache of parses, and the lock file
// name of a file. The rest of IniFile lies in the files of its parts: IniNames.h (names, their
// hash and table), IniModel (the parsed file), IniFileSystem (files on disk and their lock),
// IniCache (the parses kept), IniWatch (the watches), IniEditor (changes and rewrites),
// IniKeyList (the key lists) and IniUpdatePass (the one-pass update).
#include "platform/IniFile.h"

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/IniCache.h"

namespace qm {

using namespace ini_detail;

IniFile::IniFile(std::string fileName) : fileName_(std::move(fileName)) {}

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
