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

namespace {

// The readers on one parse, for IniFile::Read and the readers that look at the file each time.
class ViewOf : public IniFile::View {
public:
    explicit ViewOf(const Model& m) : m_(m) {}

    AnsiString ReadString(const AnsiString& section, const AnsiString& key,
                          const AnsiString& def) const override
    {
        const Line* l = m_.FindKey(Trim(section), Trim(key));
        return l ? AnsiString(m_.Value(*l)) : def;
    }
    bool SectionExists(const AnsiString& section) const override { return m_.HasSection(Trim(section)); }
    bool ValueExists(const AnsiString& section, const AnsiString& key) const override
    {
        return m_.FindKey(Trim(section), Trim(key));
    }
    std::vector<AnsiString> ReadSections() const override { return m_.SectionNames(); }
    std::vector<AnsiString> ReadSection(const AnsiString& section) const override
    {
        std::vector<AnsiString> out;
        m_.ForEachKey(Trim(section), [&](const Line& l) { out.emplace_back(m_.Name(l)); });
        return out;
    }
    std::vector<std::pair<AnsiString, AnsiString>> ReadSectionValues(const AnsiString& section) const override
    {
        std::vector<std::pair<AnsiString, AnsiString>> out;
        m_.ForEachKey(Trim(section), [&](const Line& l) { out.emplace_back(m_.Name(l), m_.Value(l)); });
        return out;
    }
    void
    ForEachValue(const AnsiString& section,
                 const std::function<void(std::string_view key, std::string_view value)>& f) const override
    {
        m_.ForEachKey(Trim(section), [&](const Line& l) { f(m_.Name(l), m_.Value(l)); });
    }

private:
    const Model& m_;
};

} // namespace

IniFile::IniFile(std::string fileName) : fileName_(std::move(fileName)) {}

AnsiString IniFile::ReadString(const AnsiString& section, const AnsiString& key, const AnsiString& def) const
{
    std::lock_guard lock(gMutex);
    const Model* m = Current(fileName_);
    return m ? ViewOf(*m).ReadString(section, key, def) : def;
}

bool IniFile::SectionExists(const AnsiString& section) const
{
    std::lock_guard lock(gMutex);
    const Model* m = Current(fileName_);
    return m && ViewOf(*m).SectionExists(section);
}

bool IniFile::ValueExists(const AnsiString& section, const AnsiString& key) const
{
    std::lock_guard lock(gMutex);
    const Model* m = Current(fileName_);
    return m && ViewOf(*m).ValueExists(section, key);
}

std::vector<AnsiString> IniFile::ReadSections() const
{
    std::lock_guard lock(gMutex);
    const Model* m = Current(fileName_);
    return m ? ViewOf(*m).ReadSections() : std::vector<AnsiString>{};
}

std::vector<AnsiString> IniFile::ReadSection(const AnsiString& section) const
{
    std::lock_guard lock(gMutex);
    const Model* m = Current(fileName_);
    return m ? ViewOf(*m).ReadSection(section) : std::vector<AnsiString>{};
}

std::vector<std::pair<AnsiString, AnsiString>> IniFile::ReadSectionValues(const AnsiString& section) const
{
    std::lock_guard lock(gMutex);
    const Model* m = Current(fileName_);
    return m ? ViewOf(*m).ReadSectionValues(section) : std::vector<std::pair<AnsiString, AnsiString>>{};
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
    read(ViewOf(*m));
    return true;
}

} // namespace qm
