// The parse of a private-profile file into its model (platform/IniModel.h), the lookups and
// changes made on the model, the rewrite that turns it back into the file's text, and the check
// of a name or value before it is written.
#include "platform/IniModel.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "platform/Exception.h"

namespace qm::ini_detail {

Model::Model(std::string bytes) : text(std::move(bytes))
{
    if (text.size() > kMaxIniFileBytes)
        throw EInOutError("A file larger than the limit reached the parser.");
    const size_t n = text.size();
    // A byte-order mark some editors put first is not part of the first line's meaning.
    const size_t bom = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    constexpr size_t none = size_t(-1);
    size_t runStart = none, runEnd = 0, otherEnd = none, blankStart = none;
    auto flush = [&] {
        if (runStart == none)
            return;
        Line l;
        if (otherEnd != none) {
            l.off = uint32_t(runStart);
            l.len = uint32_t(otherEnd - runStart);
            l.kind = Kind::Other;
            AddLine(&pre_, l);
        }
        if (blankStart != none) {
            l.off = uint32_t(blankStart);
            l.len = uint32_t(runEnd - blankStart);
            l.kind = Kind::Blank;
            AddLine(&pre_, l);
        }
        runStart = otherEnd = blankStart = none;
    };
    size_t pos = 0;
    while (pos < n) {
        // A line ends at LF, CR LF or a lone CR, so that no value read holds a line break and
        // every value read can be written back.
        const size_t end = std::min(FindAnyByte(text, pos, '\n', '\r'), n);
        const size_t next = end + (end + 1 < n && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
        Line l = Classify(pos, end - pos, pos == 0 ? bom : 0);
        if (l.kind == Kind::Blank || l.kind == Kind::Other) {
            if (runStart == none)
                runStart = pos;
            if (l.kind == Kind::Other) {
                otherEnd = end;
                blankStart = none;
            } else if (blankStart == none) {
                blankStart = pos;
            }
            runEnd = end;
        } else {
            flush();
            if (l.kind == Kind::Header) {
                Section s;
                s.header = l;
                if (!sections_.empty()) {
                    IndexBody(sections_.back());
                    // Sections of one file tend to be of a size: room for as many lines as the
                    // one before has saves growing the body step by step.
                    s.body.reserve(sections_.back().body.size());
                }
                AddSection(std::move(s));
            } else {
                AddLine(&pre_, l);
            }
        }
        pos = next;
    }
    flush();
    if (!sections_.empty())
        IndexBody(sections_.back());
    StartChanges();
}

void Model::KeepOverwritten(size_t off, size_t len)
{
    if (off >= unchangedSize_)
        return; // appended by a change: no content of the file
    len = std::min(len, unchangedSize_ - off);
    overwrites_.emplace_back(uint32_t(off), uint32_t(overwritten_.size()));
    overwritten_.append(text, off, len);
}

std::string Model::Unchanged(std::string changed) const
{
    // Later runs first: a line overwritten twice gets its first bytes back last.
    for (size_t n = overwrites_.size(); n-- > 0;) {
        const auto [off, from] = overwrites_[n];
        const size_t to = n + 1 < overwrites_.size() ? overwrites_[n + 1].second : overwritten_.size();
        std::memcpy(changed.data() + off, overwritten_.data() + from, to - from);
    }
    changed.resize(unchangedSize_);
    return changed;
}

Line Model::Classify(size_t off, size_t len, size_t skip) const
{
    Line l;
    l.off = uint32_t(off);
    l.len = uint32_t(len);
    const std::string_view raw = Raw(l);
    const std::string_view t = Trim(raw.substr(std::min(skip, raw.size())));
    const size_t start = size_t(t.data() - raw.data());
    if (t.empty()) {
        l.kind = Kind::Blank;
    } else if (t[0] == ';') {
        l.kind = Kind::Other;
    } else if (t[0] == '[' && t.rfind(']') != std::string_view::npos) {
        const std::string_view name = Trim(t.substr(1, t.rfind(']') - 1));
        l.kind = Kind::Header;
        l.nameOff = uint32_t(name.data() - raw.data());
        l.nameLen = uint32_t(name.size());
    } else if (const size_t eq = t.find('='); eq != std::string_view::npos) {
        const std::string_view name = Trim(t.substr(0, eq));
        const std::string_view value = Trim(t.substr(eq + 1));
        l.kind = Kind::Key;
        l.nameOff = uint32_t(name.empty() ? start : size_t(name.data() - raw.data()));
        l.nameLen = uint32_t(name.size());
        l.valOff = uint32_t(value.empty() ? start + eq + 1 : size_t(value.data() - raw.data()));
        l.valLen = uint32_t(value.size());
    }
    return l;
}

// Adds a line to the last section, or to the lines before the first section. The section's
// keys are indexed when its body is complete (IndexBody).
void Model::AddLine(std::vector<Line>* pre, const Line& l)
{
    if (sections_.empty())
        pre->push_back(l);
    else
        sections_.back().body.push_back(l);
}

// Indexes every key of a section's body at once, in a table made large enough first.
void Model::IndexBody(Section& s)
{
    size_t keys = 0;
    for (const Line& l : s.body)
        keys += l.kind == Kind::Key;
    s.keys.Reserve(keys);
    for (size_t j = 0; j < s.body.size(); ++j)
        if (s.body[j].kind == Kind::Key)
            IndexKey(s, uint32_t(j));
}

void Model::IndexKey(Section& s, uint32_t j)
{
    const std::string_view name = Name(s.body[j]);
    if (s.keys.FindOrInsert(NameHash(name), j,
                            [&](uint32_t k) { return NamesEqual(Name(s.body[k]), name); }) >= 0)
        s.dupKeys = true;
}

void Model::AddSection(Section&& s)
{
    ForgetLookups();
    const uint32_t idx = uint32_t(sections_.size());
    const std::string_view name = Name(s.header);
    const long first = First(name);
    sections_.push_back(std::move(s));
    if (first >= 0) {
        Section& head = sections_[size_t(first)];
        sections_[size_t(head.lastSame)].nextSame = int32_t(idx);
        head.lastSame = int32_t(idx);
    } else {
        sections_.back().lastSame = int32_t(idx);
        index_.Insert(NameHash(name), idx);
    }
}

uint32_t Model::Append(std::string_view raw)
{
    if (text.size() + raw.size() > UINT32_MAX)
        throw EInOutError("The changes to the file have grown past what one rewrite can hold.");
    const uint32_t off = uint32_t(text.size());
    text.append(raw);
    return off;
}

// The last line found is kept and taken again for names spelt as the file spells them (the
// same names, so the same answer): a batch often reads a line and then writes it. And a batch
// goes through a section's keys in file order, so the next key line is tried before the
// table: in the first section of a name, when it holds each key once, a key spelt as a line
// there spells it is that line.
Model::KeyAt Model::Locate(std::string_view section, std::string_view key) const
{
    if (lastKey_.section >= 0 && SameBytes(Name(sections_[size_t(lastKey_.first)].header), section)) {
        const Section& s = sections_[size_t(lastKey_.section)];
        if (SameBytes(Name(s.body[size_t(lastKey_.line)]), key))
            return {lastKey_.section, lastKey_.line};
        if (lastKey_.section == lastKey_.first && !s.dupKeys) {
            for (size_t j = size_t(lastKey_.line) + 1; j < s.body.size(); ++j) {
                if (s.body[j].kind != Kind::Key)
                    continue;
                if (!SameBytes(Name(s.body[j]), key))
                    break;
                lastKey_.line = long(j);
                return {lastKey_.section, lastKey_.line};
            }
        }
    }
    const long first = FirstOf(section);
    for (long i = first; i >= 0; i = sections_[size_t(i)].nextSame) {
        if (const long j = FindInSection(sections_[size_t(i)], key); j >= 0) {
            lastKey_ = {first, i, j};
            return {i, j};
        }
    }
    return {};
}

std::vector<AnsiString> Model::SectionNames() const
{
    std::vector<AnsiString> out;
    for (size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        // Only the first section of each name is listed; later ones read as part of it.
        if (!s.dead && s.lastSame >= 0)
            out.emplace_back(Name(s.header));
    }
    return out;
}

bool Model::Write(std::string_view section, std::string_view key, std::string_view value)
{
    section = Trim(section);
    key = Trim(key);
    value = Trim(value);
    if (const KeyAt at = Locate(section, key); at.section >= 0)
        return Replace(at, value);
    const long first = FirstOf(section);
    ForgetKey(); // the key is there now

    Line l;
    l.kind = Kind::Key;
    l.off = Append(key);
    text += '=';
    text.append(value);
    l.len = uint32_t(key.size() + 1 + value.size());
    l.nameLen = uint32_t(key.size());
    l.valOff = uint32_t(key.size() + 1);
    l.valLen = uint32_t(value.size());
    if (first < 0) {
        Section s;
        s.header.kind = Kind::Header;
        s.header.off = Append("[");
        text.append(section);
        text += ']';
        s.header.len = uint32_t(section.size() + 2);
        s.header.nameOff = 1;
        s.header.nameLen = uint32_t(section.size());
        s.body.push_back(l);
        s.keys.Insert(NameHash(key), 0);
        AddSection(std::move(s));
        return true;
    }
    // A new key goes after the section's last line that is not blank, so blank lines that
    // part it from the next section stay where they are.
    Section& s = sections_[size_t(first)];
    size_t at = s.body.size();
    while (at > 0 && (s.body[at - 1].kind == Kind::Blank || s.body[at - 1].kind == Kind::Dead))
        --at;
    s.body.insert(s.body.begin() + long(at), l);
    // Only blank and dead lines moved, and none of them is indexed.
    s.keys.Insert(NameHash(key), uint32_t(at));
    return true;
}

bool Model::Replace(KeyAt at, std::string_view value)
{
    Line& l = sections_[size_t(at.section)].body[size_t(at.line)];
    if (Value(l) == value)
        return false;
    // The line becomes "name=value", the key keeping the spelling it has in the file. When
    // that fits where the old line was it goes there (its bytes are read by nothing else,
    // and the model is either rewritten or dropped after a change), else after the text.
    const size_t nameLen = l.nameLen, len = nameLen + 1 + value.size();
    if (len <= l.len) {
        KeepOverwritten(l.off, len);
        char* line = text.data() + l.off;
        if (l.nameOff != 0)
            std::memmove(line, line + l.nameOff, nameLen);
        line[nameLen] = '=';
        if (!value.empty())
            std::memcpy(line + nameLen + 1, value.data(), value.size());
    } else {
        if (text.size() + len > UINT32_MAX)
            throw EInOutError("The changes to the file have grown past what one rewrite can hold.");
        const size_t off = text.size();
        text.append(text, l.off + l.nameOff, nameLen);
        text += '=';
        text.append(value);
        l.off = uint32_t(off);
    }
    l.len = uint32_t(len);
    l.nameOff = 0;
    l.valOff = uint32_t(nameLen + 1);
    l.valLen = uint32_t(value.size());
    return true;
}

bool Model::Delete(std::string_view section, std::string_view key)
{
    key = Trim(key);
    ForgetKey();
    bool changed = false;
    for (long i = FirstOf(Trim(section)); i >= 0; i = sections_[size_t(i)].nextSame) {
        Section& s = sections_[size_t(i)];
        const long j = FindInSection(s, key);
        if (j < 0)
            continue;
        s.keys.Erase(NameHash(key), uint32_t(j));
        s.body[size_t(j)].kind = Kind::Dead;
        if (s.dupKeys) {
            // Every line of the key goes, so that no older copy shows up afterwards.
            for (Line& l : s.body)
                if (l.kind == Kind::Key && NamesEqual(Name(l), key))
                    l.kind = Kind::Dead;
        }
        s.hasDeadLines = true;
        changed = true;
    }
    return changed;
}

bool Model::Erase(std::string_view section)
{
    section = Trim(section);
    const long first = FirstOf(section);
    if (first < 0)
        return false;
    ForgetLookups();
    for (long i = first; i >= 0; i = sections_[size_t(i)].nextSame)
        sections_[size_t(i)].dead = true;
    index_.Erase(NameHash(section), uint32_t(first));
    return true;
}

void Model::Reindex(Section& s)
{
    std::vector<Line> body;
    body.reserve(s.body.size());
    for (const Line& l : s.body)
        if (l.kind != Kind::Dead)
            body.push_back(l);
    s.body = std::move(body);
    s.keys.Clear();
    s.dupKeys = false;
    s.hasDeadLines = false;
    IndexBody(s);
}

// A run's text with every inner line end written as CR LF.
void Model::EmitRun(std::string& out, const Line& l) const
{
    const std::string_view raw = Raw(l);
    size_t pos = 0;
    while (pos < raw.size()) {
        const size_t end = std::min(FindAnyByte(raw, pos, '\r', '\n'), raw.size());
        out.append(raw, pos, end - pos);
        if (end == raw.size())
            break;
        out += "\r\n";
        pos = end + (raw[end] == '\r' && end + 1 < raw.size() && raw[end + 1] == '\n' ? 2 : 1);
    }
}

std::string Model::Rewrite()
{
    ForgetLookups();
    bool deadSections = false;
    size_t size = 0;
    auto measure = [&](const Line& l) {
        if (l.kind != Kind::Dead)
            size += l.len + 2;
    };
    for (const Line& l : pre_)
        measure(l);
    for (const Section& s : sections_) {
        deadSections |= s.dead;
        if (s.dead)
            continue;
        measure(s.header);
        for (const Line& l : s.body)
            measure(l);
    }

    std::string out;
    out.reserve(size);
    auto emit = [&](Line& l) {
        if (l.kind == Kind::Dead)
            return;
        const size_t off = out.size();
        if (l.kind == Kind::Blank || l.kind == Kind::Other)
            EmitRun(out, l);
        else
            out.append(text, l.off, l.len);
        l.off = uint32_t(off);
        l.len = uint32_t(out.size() - off);
        out += "\r\n";
    };
    for (Line& l : pre_)
        emit(l);
    for (Section& s : sections_) {
        if (s.dead)
            continue;
        emit(s.header);
        for (Line& l : s.body)
            emit(l);
    }
    std::string before = std::exchange(text, std::move(out));

    for (Section& s : sections_)
        if (s.hasDeadLines && !s.dead)
            Reindex(s);
    if (deadSections) {
        std::vector<Section> kept;
        kept.reserve(sections_.size());
        for (Section& s : sections_)
            if (!s.dead)
                kept.push_back(std::move(s));
        sections_.clear();
        index_.Clear();
        for (Section& s : kept) {
            s.nextSame = -1;
            s.lastSame = -1;
            AddSection(std::move(s));
        }
    }
    return before;
}

void CheckWritableFully(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value, bool namesFound)
{
    auto refuse = [&](const std::string& why) {
        throw EStoreError(
            Format("Cannot write to the file \"%s\": %s.", FromFileName(file).c_str(), why.c_str()));
    };
    const std::string_view k = Trim(key);
    if (!namesFound && ContainsAnyByte(section, '\r', '\n'))
        refuse("a section name cannot hold a line break");
    // One look at the key for what it may not hold; the reasons are told apart only when
    // there is one.
    if (!k.empty() && (k[0] == ';' || k[0] == '[' || (!namesFound && ContainsAnyByte(k, '\r', '\n', '=')))) {
        const std::string name(k);
        if (ContainsAnyByte(k, '\r', '\n'))
            refuse("a key name cannot hold a line break");
        if (k.find('=') != std::string_view::npos)
            refuse(Format("the key name \"%s\" cannot hold \"=\"", name.c_str()));
        if (k[0] == ';')
            refuse(Format("the key name \"%s\" cannot begin with \";\"", name.c_str()));
        if (k[0] == '[' &&
            (k.find(']') != std::string_view::npos || value.find(']') != std::string_view::npos))
            refuse(Format("the key name \"%s\" cannot begin with \"[\"", name.c_str()));
    }
    if (ContainsAnyByte(value, '\r', '\n'))
        refuse(Format("the value of \"%s\" cannot hold a line break", std::string(k).c_str()));
}

} // namespace qm::ini_detail
