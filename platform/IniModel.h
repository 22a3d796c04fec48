#pragma once
// The parsed form of a private-profile file (platform/IniFile.h): its text, each line as places
// in that text, the sections and the keys of each indexed by name, the changes made to it (in
// place or appended, and taken back when a write fails), and the rewrite that lays the lines out
// afresh. Also the check that refuses a name or value the file could not give back as written.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/ByteScan.h"
#include "platform/IniNames.h"

// Hidden, as platform/IniNames.h tells.
#pragma GCC visibility push(hidden)
namespace qm::ini_detail {

enum class Kind : unsigned char { Other, Blank, Key, Header, Dead };

// One line of the file, or one run of lines that are neither keys nor section headers. The
// raw text (without its line end) lies in Model::text; for a key line the trimmed name and
// value, and for a header the trimmed section name, are given as offsets into that raw text.
// A run of such lines is kept as one entry: as a blank run when every line is blank, else as
// a run whose last line is not blank; blank lines after the last other line form a blank run
// of their own, so that a new key still goes before them. A run's text holds its inner line
// ends as the file had them. Offsets are 32 bits: no file is larger than kMaxIniFileBytes.
struct Line {
    uint32_t off = 0, len = 0;
    uint32_t nameOff = 0, nameLen = 0;
    uint32_t valOff = 0, valLen = 0;
    Kind kind = Kind::Other;
};

struct Section {
    Line header;
    std::vector<Line> body; // every line up to the next header, in file order
    NameIndex keys;         // key -> first body line of that name
    int32_t nextSame = -1;  // the next section of the same name (files may repeat one)
    int32_t lastSame = -1;  // on the first section of a name: the last one of that name
    bool dupKeys = false;   // a key occurs twice in the body
    bool dead = false;      // erased, dropped at the next rewrite
    bool hasDeadLines = false;
};

// A parsed file. Sections of the same name read as one: their keys are taken in file order
// and the first line of a key wins, which is also the line a write rewrites.
class Model {
public:
    explicit Model(std::string bytes);

    std::string text; // the file's bytes; lines added or changed since the last rewrite follow

    // Every line's offsets lie within text (the parse and each change set them so), so the
    // views are taken without the checks of substr: they are taken millions of times.
    std::string_view Raw(const Line& l) const { return {text.data() + l.off, l.len}; }
    std::string_view Name(const Line& l) const { return {text.data() + l.off + l.nameOff, l.nameLen}; }
    std::string_view Value(const Line& l) const { return {text.data() + l.off + l.valOff, l.valLen}; }

    const Line* FindKey(std::string_view section, std::string_view key) const;
    bool HasSection(std::string_view section) const { return First(section) >= 0; }
    std::vector<AnsiString> SectionNames() const;
    // Calls f(line) for each visible key of the section, in file order.
    template <class F> void ForEachKey(std::string_view section, F f) const;

    // The section and body line of a key, or -1 and -1.
    struct KeyAt {
        long section = -1, line = -1;
    };
    KeyAt Locate(std::string_view section, std::string_view key) const;
    const Line& LineAt(KeyAt at) const { return sections_[size_t(at.section)].body[size_t(at.line)]; }

    bool Write(std::string_view section, std::string_view key, std::string_view value);
    // Gives the key line found by Locate the value (trimmed); false when it had it already.
    bool Replace(KeyAt at, std::string_view value);
    bool Delete(std::string_view section, std::string_view key);
    bool Erase(std::string_view section);

    // Lays the lines out afresh with CR LF ends; text becomes exactly the file's new content.
    // Returns the text as it was before.
    std::string Rewrite();

    // Changes made from here on can be taken back (Unchanged): the text is the file's content.
    void StartChanges();
    // The file's content as StartChanges found it, from the text the changes since have left
    // (text itself, or what Rewrite returned): the bytes a change overwrote in place are put
    // back and what changes appended is cut off.
    std::string Unchanged(std::string changed) const;

private:
    long First(std::string_view section) const
    {
        return index_.Find(NameHash(section),
                           [&](uint32_t i) { return NamesEqual(Name(sections_[i].header), section); });
    }
    // First, through the last section found when the name is spelt as the file spells it: a
    // batch reads and writes the lines of one section after another.
    long FirstOf(std::string_view section) const
    {
        if (lastSection_ >= 0 && SameBytes(Name(sections_[size_t(lastSection_)].header), section))
            return lastSection_;
        const long first = First(section);
        if (first >= 0)
            lastSection_ = first;
        return first;
    }
    // Kept lookups are dropped before a change that moves lines or sections.
    void ForgetKey() const { lastKey_.section = -1; }
    void ForgetLookups() const
    {
        lastKey_.section = -1;
        lastSection_ = -1;
    }
    long FindInSection(const Section& s, std::string_view key) const
    {
        return s.keys.Find(NameHash(key), [&](uint32_t j) { return NamesEqual(Name(s.body[j]), key); });
    }
    // Used in IniModel.cpp only, and always expanded into their callers there: the parse calls
    // Classify and AddLine for every line and IndexKey for every key.
    [[gnu::always_inline]] inline Line Classify(size_t off, size_t len, size_t skip) const;
    [[gnu::always_inline]] inline void AddLine(std::vector<Line>* pre, const Line& l);
    [[gnu::always_inline]] inline void IndexKey(Section& s, uint32_t j);
    void IndexBody(Section& s);
    void AddSection(Section&& s);
    uint32_t Append(std::string_view raw);
    [[gnu::always_inline]] inline void Reindex(Section& s);
    void EmitRun(std::string& out, const Line& l) const;
    // Keeps the bytes of the file's content in text[off, off + len) before a change
    // overwrites them in place.
    [[gnu::always_inline]] inline void KeepOverwritten(size_t off, size_t len);

    std::vector<Line> pre_; // lines before the first section
    std::vector<Section> sections_;
    NameIndex index_; // section name -> first section of that name

    size_t unchangedSize_ = 0; // the size of the file's content (StartChanges)
    std::string overwritten_;  // the bytes KeepOverwritten kept, one run after another
    std::vector<std::pair<uint32_t, uint32_t>> overwrites_; // where each run was: text, overwritten_

    mutable long lastSection_ = -1; // the first section of the name last found
    mutable struct {
        long first = -1; // the first section of the name, where the lookup began
        long section = -1, line = -1;
    } lastKey_;
};

inline void Model::StartChanges()
{
    unchangedSize_ = text.size();
    overwritten_ = {};
    overwrites_ = {};
}

inline const Line* Model::FindKey(std::string_view section, std::string_view key) const
{
    const KeyAt at = Locate(section, key);
    return at.section >= 0 ? &sections_[size_t(at.section)].body[size_t(at.line)] : nullptr;
}

template <class F> void Model::ForEachKey(std::string_view section, F f) const
{
    long i = First(section);
    if (i < 0)
        return;
    const bool repeated = sections_[size_t(i)].nextSame >= 0;
    std::unordered_set<std::string> seen;
    for (; i >= 0; i = sections_[size_t(i)].nextSame) {
        const Section& s = sections_[size_t(i)];
        for (size_t j = 0; j < s.body.size(); ++j) {
            const Line& l = s.body[j];
            if (l.kind != Kind::Key)
                continue;
            if (s.dupKeys || repeated) {
                // A repeated key shows once, with its first line.
                if (FindInSection(s, Name(l)) != long(j) || !seen.insert(UpperName(Name(l))).second)
                    continue;
            }
            f(l);
        }
    }
}

// Refuses what could not be read back as written: a line feed or a carriage return would
// split the line, "=" would end the key early, and a key line beginning with ";" would read
// as a comment, one beginning with "[" and holding "]" as a section header.
//
// namesFound: the section and the key, with no blanks around them, were found in the file,
// so each is a parsed name up to letter case and holds no line break and no "=", and the key
// begins with no ";", nor with "[" on a line holding "]": only the value can still be refused.
[[gnu::noinline]] void CheckWritableFully(const std::string& file, std::string_view section,
                                          std::string_view key, std::string_view value,
                                          bool namesFound = false);

// CheckWritable for the common case of names found in the file and a value that holds no line
// break, inline; anything else is looked at in full.
inline void CheckWritable(const std::string& file, std::string_view section, std::string_view key,
                          std::string_view value, bool namesFound = false)
{
    if (namesFound && (key.empty() || (key[0] != ';' && key[0] != '[')) &&
        !ContainsAnyByte(value, '\r', '\n'))
        return;
    CheckWritableFully(file, section, key, value, namesFound);
}

// The readers of one parse, for IniFile::Read, the readers that look at the file each time and
// the editor's own reads.
class ModelView final : public IniFile::View {
public:
    explicit ModelView(const Model& m) : m_(m) {}

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

} // namespace qm::ini_detail
#pragma GCC visibility pop
