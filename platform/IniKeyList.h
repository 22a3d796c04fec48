#pragma once
// The lookup table of a key list (IniFile::KeyList, platform/IniFile.h), which the one-pass
// update reads as it goes through a file's lines: the list's entries grouped by section, a small
// table of keys for each section, the entries of one line chained, and the order in which the
// last pass found the lines.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/IniFile.h"
#include "platform/IniNames.h"

// Hidden, as platform/IniNames.h tells.
#pragma GCC visibility push(hidden)
namespace qm {

// One entry per Add, grouped by section. The key tables of the groups are made when the list
// is first used, each at its size, so that a pass over a file looks up the keys of one section
// in a small table; entries naming the same line (the same section and key up to letter case)
// are then chained in list order from the first of them, which that table finds.
//
// A pass visits the entries in the order of the file, not of the list, so what it reads of an
// entry is kept small, its key among the keys of the list in one text (names), and the names
// as given apart (given), read only to refuse a write.
struct IniFile::KeyList::Table {
    static constexpr uint32_t kNone = UINT32_MAX;
    struct Entry {
        uint32_t keyAt, keyLength; // the key without the blanks around it, in names
        uint32_t section;          // its group
        uint32_t next = kNone;     // the next entry of the same line
        bool namesTrimmed = false; // section and key given without blanks around them
        bool first = true;         // the first entry of its line
    };
    struct Given {
        const AnsiString* section;
        const AnsiString* key;
    };
    struct Section {
        std::string_view name;      // without the blanks around it
        uint32_t count = 0;         // its entries
        ini_detail::NameIndex keys; // key hash -> first entry of the line
    };
    std::vector<Entry> entries;
    std::vector<Given> given;
    std::string names;
    std::vector<Section> sections;
    ini_detail::NameIndex sectionIndex; // section hash -> group
    bool indexed = false;
    // For each entry, the entry whose line came next among the lines found by the last pass
    // (kNone before any): lists often come in another order than a file's lines (sorted by
    // name), and the files a list passes over mostly share their order, so the next line is
    // guessed from the pass before. A guess only spares a lookup; it is checked like one.
    mutable std::vector<uint32_t> nextFound;

    std::string_view Key(const Entry& e) const { return {names.data() + e.keyAt, e.keyLength}; }
    long FindSection(std::string_view name) const
    {
        return sectionIndex.Find(ini_detail::NameHash(name),
                                 [&](uint32_t g) { return ini_detail::NamesEqual(sections[g].name, name); });
    }
    long FindKey(uint32_t section, std::string_view key) const
    {
        return sections[section].keys.Find(ini_detail::NameHash(key), [&](uint32_t i) {
            return ini_detail::NamesEqual(Key(entries[i]), key);
        });
    }
    // Made afresh, also after more entries were added to a list already used.
    void IndexKeys()
    {
        for (Section& s : sections) {
            s.keys.Clear();
            s.keys.Reserve(s.count);
        }
        for (Entry& e : entries) {
            e.next = kNone;
            e.first = true;
        }
        nextFound.assign(entries.size(), kNone);
        std::vector<uint32_t> last(entries.size());
        for (uint32_t n = 0; n < entries.size(); ++n) {
            Entry& e = entries[n];
            Section& s = sections[e.section];
            const long first = s.keys.FindOrInsert(ini_detail::NameHash(Key(e)), n, [&](uint32_t i) {
                return ini_detail::NamesEqual(Key(entries[i]), Key(e));
            });
            last[n] = n;
            if (first >= 0) {
                entries[last[size_t(first)]].next = n;
                last[size_t(first)] = n;
                e.first = false;
            }
        }
        indexed = true;
    }
};

} // namespace qm
#pragma GCC visibility pop
