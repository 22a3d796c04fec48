#include "store/StoreFiles.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>

#include "platform/ByteScan.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"
#include "util/ExtraStrUtils.h"

namespace qm {

namespace {

// The blanks the INI layer trims around values (line breaks never reach it).
std::string_view TrimBlanks(std::string_view s)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool HasLineBreak(std::string_view s)
{
    return ContainsAnyByte(s, '\r', '\n', '\0');
}

void CheckKeyName(const AnsiString& key)
{
    if (key.empty())
        throw EStoreError("An entry of a store file must have a name: an empty name would hide every "
                          "entry after it from the store loader.");
    if (!IsStorableKey(key))
        throw EStoreError(Format("The name \"%s\" cannot be written to a store file: it must not contain "
                                 "\"=\" or a line break, nor begin with \"[\" or \";\".",
                                 key.c_str()));
}

void CheckValue(std::string_view value)
{
    if (HasLineBreak(value))
        throw EStoreError("A value written to a store file must not contain a line break.");
}

void CheckWriteStore(const AnsiString& store)
{
    if (store.empty())
        throw EStoreError("No store is named for this change: a store name must not be empty.");
}

IniFile StoreIni(const StoreContext& ctx, const AnsiString& store)
{
    return IniFile(StoreFilePath(ctx, store));
}

// A change to a store's file that must be there (EStoreNotFound); with watch, made only when
// the file is as it knows it: false otherwise.
bool EditStoreFile(const StoreContext& ctx, const AnsiString& store,
                   const std::function<void(IniFile::Editor&)>& change, const IniFile::Watch* watch = nullptr)
{
    IniFile ini = StoreIni(ctx, store);
    const IniFile::EditResult result = watch ? ini.EditIfUnchanged(*watch, change) : ini.EditExisting(change);
    if (result == IniFile::EditResult::Missing)
        throw EStoreNotFound(store);
    return result == IniFile::EditResult::Done;
}

AnsiString Field(const std::vector<std::string_view>& fields, size_t n)
{
    return n >= 1 && n <= fields.size() ? AnsiString(fields[n - 1]) : AnsiString();
}

} // namespace

void CheckStoreSectionName(const AnsiString& section)
{
    if (section.empty())
        throw EStoreError("A section of a store file must have a name: an empty section name would hide "
                          "every section after it from the store loader.");
    if (HasLineBreak(section) || section.find(']') != AnsiString::npos)
        throw EStoreError(Format("The name \"%s\" cannot be written to a store file: it must not contain "
                                 "\"]\" or a line break.",
                                 section.c_str()));
}

bool IsStorableKey(const AnsiString& key)
{
    return !key.empty() && key[0] != '[' && key[0] != ';' && !ContainsAnyByte(key, '\r', '\n', '\0', '=');
}

void CheckStoreName(const AnsiString& store)
{
    if (store == "." || store == ".." || store.find('/') != AnsiString::npos ||
        store.find('\0') != AnsiString::npos)
        throw EStoreError(Format("The store name \"%s\" cannot be used: a store name must not contain \"/\" "
                                 "and must not be \".\" or \"..\".",
                                 store.c_str()));
}

std::string StoreFilePath(const StoreContext& ctx, const AnsiString& store)
{
    CheckStoreName(store);
    return StoreFolderFile(ctx.StoresFolder, store, ".store");
}

std::string StoreFolderFile(const std::string& storesFolder, const AnsiString& store,
                            std::string_view extension)
{
    std::string path = storesFolder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += ToFileName(store);
    path += extension;
    return path;
}

namespace {

// Calls field(view, end) for each field of the text, at most maxFields times, as SplitFields
// splits; end is where the delimiter after the field begins (the text's size for the closing one).
template <class F>
void ForEachField(std::string_view delimiter, std::string_view text, size_t maxFields, F field)
{
    const size_t n = text.size(), len = delimiter.size();
    if (len == 0 || maxFields == 0)
        return;
    // The text is read as if closed by one more delimiter, so the last field ends too. Each
    // occurrence is searched from one character after the previous one's start, so
    // occurrences may overlap, and every place where the delimiter begins is one; a field runs
    // from the end of one occurrence to the start of the next, and is empty when that start
    // is not past the end.
    size_t prevEnd = 0, count = 0;
    auto occurrence = [&](size_t pos) {
        field(pos > prevEnd ? text.substr(prevEnd, pos - prevEnd) : std::string_view(), pos);
        prevEnd = pos + len;
        return ++count < maxFields;
    };
    const char* t = text.data();
    size_t p = 0;
    // Sixteen places at a time while the delimiter fits in the text after each, the last
    // sixteen overlapping the ones before (the places already seen masked off).
    if (len <= 16 && n >= 15 + len) {
        const size_t last = n - 15 - len;
        for (;;) {
            const size_t at = std::min(p, last);
            unsigned m = DelimiterStarts16(t + at, delimiter) & (~0u << (p - at));
            for (; m; m &= m - 1)
                if (!occurrence(at + size_t(std::countr_zero(m))))
                    return;
            p = at + 16;
            if (at == last)
                break;
        }
    }
    // The rest one by one, where an occurrence may run into the closing delimiter; at the
    // text's end the closing delimiter itself always matches.
    for (; p <= n; ++p) {
        size_t j = 0;
        while (j < len && (p + j < n ? t[p + j] : delimiter[p + j - n]) == delimiter[j])
            ++j;
        if (j == len && !occurrence(p))
            return;
    }
}

} // namespace

// The separator ",-," begins at every place p where the line, read as closed by one more
// separator, holds it: a "," with "-," after it inside the line, a ",-" that ends the line
// (the closing separator's "," completes it), and the line's end itself. Places are found
// sixteen at a time while three bytes fit after each, the last sixteen overlapping the ones
// before, and the rest one by one.
ItemLineFields::ItemLineFields(std::string_view line) : line_(line)
{
    const char* t = line.data();
    const size_t n = line.size();
#if defined(__SSE2__)
    // Most item lines are 16 to 61 bytes long: one bit for each of their commas and dashes, and
    // for the closing separator's, tells every place where a separator begins at once.
    if (n >= 16 && n <= 61) {
        // Four blocks of sixteen, the later ones moved back to end with the line where it is
        // shorter; the bytes they read twice give the same bits twice.
        uint64_t commas = 0, dashes = 0;
#pragma GCC unroll 4
        for (size_t off = 0; off < 64; off += 16) {
            const size_t at = std::min(off, n - 16);
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + at));
            commas |= uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8(','))))) << at;
            dashes |= uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8('-'))))) << at;
        }
        commas |= uint64_t(5) << n; // ",", "-", "," after the line
        dashes |= uint64_t(2) << n;
        // The first six places, one after another without a branch; past the last one found
        // the places read as 64 and are not counted.
        uint64_t starts = commas & (dashes >> 1) & (commas >> 2);
        size_t count = 0;
#pragma GCC unroll 6
        for (size_t k = 0; k < kFields; ++k) {
            end_[k] = size_t(std::countr_zero(starts));
            count += starts != 0;
            starts &= starts - 1;
        }
        count_ = count;
        return;
    }
#endif
    size_t p = 0;
    if (n >= 15 + kSeparatorLength) {
        const size_t last = n - 15 - kSeparatorLength;
        for (;;) {
            const size_t at = std::min(p, last);
            for (unsigned m = DelimiterStarts16<',', '-', ','>(t + at) & (~0u << (p - at)); m; m &= m - 1) {
                end_[count_] = at + size_t(std::countr_zero(m));
                if (++count_ == kFields)
                    return;
            }
            p = at + 16;
            if (at == last)
                break;
        }
    }
    for (; p + 2 < n; ++p)
        if (t[p] == ',' && t[p + 1] == '-' && t[p + 2] == ',') {
            end_[count_] = p;
            if (++count_ == kFields)
                return;
        }
    if (p + 2 == n && t[p] == ',' && t[p + 1] == '-') {
        end_[count_] = p;
        if (++count_ == kFields)
            return;
    }
    end_[count_++] = n;
}

std::vector<std::string_view> SplitFields(std::string_view delimiter, std::string_view text, size_t maxFields)
{
    std::vector<std::string_view> fields;
    fields.reserve(std::min<size_t>(maxFields, 8));
    ForEachField(delimiter, text, maxFields, [&](std::string_view f, size_t) { fields.push_back(f); });
    return fields;
}

std::vector<AnsiString> SplitList(std::string_view delimiter, std::string_view text)
{
    std::vector<AnsiString> entries;
    for (std::string_view f : SplitFields(delimiter, text, SIZE_MAX)) {
        if (f.empty())
            break;
        entries.emplace_back(f);
    }
    return entries;
}

AnsiString JoinList(const std::vector<AnsiString>& names, std::string_view delimiter)
{
    size_t total = 0;
    for (const auto& n : names)
        total += n.size() + delimiter.size();
    AnsiString out;
    out.reserve(total);
    for (const auto& n : names)
        out.append(n).append(delimiter);
    return out;
}

AnsiString StoreWriteProblem(const AnsiString& section, const AnsiString& key, const AnsiString& value)
{
    try {
        CheckStoreSectionName(section);
        CheckKeyName(key);
        CheckValue(value);
    } catch (const EStoreError& ex) {
        return ex.what();
    }
    return {};
}

AnsiString ReadStoreString(const StoreContext& ctx, const AnsiString& store, const AnsiString& section,
                           const AnsiString& key)
{
    if (store.empty() || section.empty() || key.empty())
        return "Error";
    return StoreIni(ctx, store).ReadString(section, key, "");
}

AnsiString ReadStoreField(const StoreContext& ctx, const AnsiString& store, const AnsiString& section,
                          const AnsiString& key, int n)
{
    if (store.empty())
        return {};
    return GetDelimitedField(kFieldSeparator, StoreIni(ctx, store).ReadString(section, key, ""), n);
}

AnsiString ReadStoreSectionKeys(const StoreContext& ctx, const AnsiString& store, const AnsiString& section)
{
    if (store.empty())
        return {};
    return JoinList(StoreIni(ctx, store).ReadSection(section), kListSeparator);
}

AnsiString ReadStoreCategories(const StoreContext& ctx, const AnsiString& store)
{
    if (store.empty())
        return {};
    std::vector<AnsiString> names;
    for (auto& s : StoreIni(ctx, store).ReadSections())
        if (s.compare(0, 2, "--") != 0)
            names.push_back(std::move(s));
    return JoinList(names, kListSeparator);
}

bool ReadErrand(const StoreContext& ctx, const AnsiString& store, const AnsiString& errand)
{
    if (store.empty())
        return false;
    return ParseStoreInt(StoreIni(ctx, store).ReadString(kErrandsSection, errand, "")) != 0;
}

void ReportCarryOverFailures(const CarryOverFailures& failures)
{
    if (failures.empty())
        return;
    AnsiString msg = "The coupon could not be carried over to ";
    if (failures.size() == 1) {
        msg += "the store \"" + failures[0].Store + "\": " + failures[0].Reason;
    } else {
        msg += "these stores:";
        for (const auto& f : failures)
            msg += "\r\"" + f.Store + "\": " + f.Reason;
    }
    MessageDlg(msg, mtError, mbOK, 0);
}

void WriteErrand(const StoreContext& ctx, const AnsiString& store, const AnsiString& errand, bool onList)
{
    CheckWriteStore(store);
    CheckKeyName(errand);
    EditStoreFile(ctx, store,
                  [&](IniFile::Editor& e) { e.WriteString(kErrandsSection, errand, onList ? "1" : "0"); });
}

void DeleteStoreKey(const StoreContext& ctx, const AnsiString& store, const AnsiString& section,
                    const AnsiString& key)
{
    CheckWriteStore(store);
    EditStoreFile(ctx, store, [&](IniFile::Editor& e) { e.DeleteKey(section, key); });
}

void EraseStoreSection(const StoreContext& ctx, const AnsiString& store, const AnsiString& section)
{
    CheckWriteStore(store);
    EditStoreFile(ctx, store, [&](IniFile::Editor& e) { e.EraseSection(section); });
}

namespace {

bool SectionListed(const IniFile::Editor& e, const AnsiString& section)
{
    for (const auto& s : e.ReadSections())
        if (SameName(s, section))
            return true;
    return false;
}

void RenameKeyIn(IniFile::Editor& e, const AnsiString& section, const AnsiString& oldKey,
                 const AnsiString& newKey)
{
    const AnsiString value = e.ReadString(section, oldKey, "");
    e.WriteString(section, newKey, value);
    if (!SameName(oldKey, newKey))
        e.DeleteKey(section, oldKey);
}

void MoveKeyIn(IniFile::Editor& e, const AnsiString& fromSection, const AnsiString& key,
               const AnsiString& toSection)
{
    if (SameName(fromSection, toSection))
        return;
    const AnsiString value = e.ReadString(fromSection, key, "");
    e.WriteString(toSection, key, value);
    e.DeleteKey(fromSection, key);
}

void RenameSectionIn(IniFile::Editor& e, const AnsiString& oldSection, const AnsiString& newSection)
{
    if (!SectionListed(e, oldSection))
        return;
    // Every key is read from the section itself, not from a joined list, so no name and no
    // number of keys can make one go missing before the old section is erased.
    if (!SameName(oldSection, newSection)) {
        EnsureStoreSection(e, newSection);
        for (const auto& key : e.ReadSection(oldSection))
            e.WriteString(newSection, key, e.ReadString(oldSection, key, ""));
        e.EraseSection(oldSection);
    }
}

} // namespace

// An empty section is made by writing a key and taking it away again, which disturbs no key
// that happens to carry the placeholder name.
void EnsureStoreSection(IniFile::Editor& e, const AnsiString& section)
{
    if (SectionListed(e, section))
        return;
    static const AnsiString placeholder = "---blank---";
    e.WriteString(section, placeholder, "");
    e.DeleteKey(section, placeholder);
}

void AddStoreSection(const StoreContext& ctx, const AnsiString& store, const AnsiString& section)
{
    CheckWriteStore(store);
    CheckStoreSectionName(section);
    EditStoreFile(ctx, store, [&](IniFile::Editor& e) { EnsureStoreSection(e, section); });
}

void RenameStoreKey(const StoreContext& ctx, const AnsiString& store, const AnsiString& section,
                    const AnsiString& oldKey, const AnsiString& newKey)
{
    CheckWriteStore(store);
    CheckStoreSectionName(section);
    CheckKeyName(newKey);
    EditStoreFile(ctx, store, [&](IniFile::Editor& e) { RenameKeyIn(e, section, oldKey, newKey); });
}

void MoveStoreKey(const StoreContext& ctx, const AnsiString& store, const AnsiString& fromSection,
                  const AnsiString& key, const AnsiString& toSection)
{
    CheckWriteStore(store);
    CheckStoreSectionName(toSection);
    CheckKeyName(key);
    // Moving a key onto its own section would write it and then delete it.
    if (SameName(fromSection, toSection))
        return;
    EditStoreFile(ctx, store, [&](IniFile::Editor& e) { MoveKeyIn(e, fromSection, key, toSection); });
}

void RenameStoreSection(const StoreContext& ctx, const AnsiString& store, const AnsiString& oldSection,
                        const AnsiString& newSection)
{
    CheckWriteStore(store);
    CheckStoreSectionName(newSection);
    EditStoreFile(ctx, store, [&](IniFile::Editor& e) { RenameSectionIn(e, oldSection, newSection); });
}

CarryOverFailures PropagateCoupon(const StoreContext& ctx, const AnsiString& store, const AnsiString& section,
                                  const AnsiString& key)
{
    CarryOverFailures failures;
    if (section.find("--") != AnsiString::npos)
        return failures;
    const IniFile written = StoreIni(ctx, store);
    // A line another window removed since it was written carries nothing: its empty fields
    // would clear the coupon in every other store. (No value holds a line break.)
    const AnsiString line = written.ReadString(section, key, "\n");
    if (line == "\n")
        return failures;
    const auto wf = SplitFields(kFieldSeparator, line, 6);
    const AnsiString coupon = Field(wf, 4), expiry = Field(wf, 5), storeOnly = Field(wf, 6);
    // Neither condition depends on the receiving store, so when either holds no store is written.
    if (storeOnly == "1" || written.ReadString(kInfoSection, "AcceptsCoupons", "") == "0")
        return failures;

    // The receiving line keeps its aisle, note and quantity and takes the coupon fields.
    auto carried = [&](const AnsiString& own, AnsiString& out) {
        if (own.empty())
            return false;
        const auto of = SplitFields(kFieldSeparator, own, 6);
        if (Field(of, 6) == "1")
            return false;
        out = Field(of, 1) + kFieldSeparator + Field(of, 2) + kFieldSeparator + Field(of, 3) +
              kFieldSeparator + coupon + kFieldSeparator + expiry + kFieldSeparator + storeOnly;
        return out != own;
    };

    for (const AnsiString& entry : ctx.PickerStores) {
        try {
            IniFile target = StoreIni(ctx, entry);
            AnsiString next;
            if (!carried(target.ReadString(section, key, ""), next))
                continue;
            // Decide again under the file's lock, so a change another window made to this
            // line since the read above is not overwritten with stale fields; a store that went
            // away meanwhile is not made again.
            target.EditExisting([&](IniFile::Editor& e) {
                AnsiString again;
                if (carried(e.ReadString(section, key, ""), again))
                    e.WriteString(section, key, again);
            });
        } catch (const std::exception& ex) {
            failures.push_back({entry, ex.what()});
        }
    }
    return failures;
}

namespace {

// The line of the receiving fields 1 to 3 followed by the carried fields 4 to 6. Batches
// compose one per item, so it is built in place (out holds none of what the fields view).
const AnsiString& ComposeCarried(const ItemLineFields& field, std::string_view tail, AnsiString& out)
{
    std::string_view head;
    if (field.HeadOfThree(head)) {
        // Sized first and filled in place: resizing a text that keeps its room writes nothing
        // but what it adds.
        out.resize(head.size() + tail.size());
        std::memcpy(out.data(), head.data(), head.size());
        std::memcpy(out.data() + head.size(), tail.data(), tail.size());
        return out;
    }
    out.clear();
    const std::string_view sep = kFieldSeparator;
    return out.append(field(1)).append(sep).append(field(2)).append(sep).append(field(3)).append(tail);
}

// The receiving line with the carried fields, as a part of it and the carried tail where its
// first three fields lie apart, else composed in scratch; false when the line is missing or
// store-only. (A line that already holds the fields is left as it is by the file's writer.)
bool CarriedLine(std::string_view own, std::string_view tail, IniFile::Splice& out, AnsiString& scratch)
{
    if (own.empty())
        return false;
    const ItemLineFields of(own);
    if (of(6) == "1")
        return false;
    std::string_view head;
    if (of.HeadOfThree(head)) {
        out.Keep = head.size();
        out.Append = tail;
    } else {
        out.Keep = 0;
        out.Append = ComposeCarried(of, tail, scratch);
    }
    return true;
}

} // namespace

namespace {

// What the writes of one edit carry to the other stores, in the order of the writes: each
// written line's section and key (the writer's own strings), and its tail: the separator
// before field 4 with fields 4 to 6 and their separators, as the written line holds them or,
// where it does not, built apart. The stores' lines are taken in the order of their files, so
// what the carrying reads of each write is kept small: the number of its tail among the tails,
// of which a run of equal ones is kept once.
struct CarriedCoupons {
    std::unique_ptr<IniFile::KeyList> Keys;
    std::vector<std::string_view> Tails;
    std::vector<uint32_t> TailOf;
    std::deque<AnsiString> BuiltTails; // its strings never move

    void Clear(size_t writes)
    {
        Keys = std::make_unique<IniFile::KeyList>();
        Keys->Reserve(writes);
        Tails.clear();
        TailOf.clear();
        TailOf.reserve(writes);
        BuiltTails.clear();
    }
    void Add(const AnsiString& section, const AnsiString& key, std::string_view tail)
    {
        Keys->Add(section, key);
        if (Tails.empty() || Tails.back() != tail)
            Tails.push_back(tail);
        TailOf.push_back(uint32_t(Tails.size() - 1));
    }
    bool Empty() const { return TailOf.empty(); }
};

// The open store's side of line writes that carry their coupon, as WriteStoreString writes:
// the line goes into the file (in its carried form when the store is its own receiver) and
// what it carries is kept for the other stores. Section, key and value must stay in place
// until the carried coupons are handed on.
class CarryingWriter {
public:
    CarryingWriter(IniFile::Editor& e, bool selfInPicker, CarriedCoupons& carried, size_t writes)
        : e_(e), selfInPicker_(selfInPicker), carried_(carried)
    {
        // The change may run again if the file changed under it.
        carried_.Clear(writes);
    }

    void Write(const AnsiString& section, const AnsiString& key, std::string_view value)
    {
        // Writes come section after section: the name is looked at once for its run.
        if (&section != lastSection_) {
            lastSection_ = &section;
            noCategory_ = section.find("--") != AnsiString::npos;
        }
        if (noCategory_) {
            Recheck();
            e_.WriteString(section, key, value);
            return;
        }
        // The line as the file keeps it: the value without its surrounding blanks.
        const ItemLineFields wf(TrimBlanks(value));
        const bool storeOnly = wf(6) == "1";
        if (!storeOnly && accepts_ < 0) {
            // Read before this write, which cannot change it: the section is no --Info--.
            accepts_ = e_.ReadString(kInfoSection, "AcceptsCoupons", "") == "0" ? 0 : 1;
        }
        if (storeOnly || accepts_ != 1) {
            e_.WriteString(section, key, value);
            return;
        }
        std::string_view tail;
        if (!wf.TailFromFour(tail)) {
            const std::string_view sep = kFieldSeparator;
            AnsiString& t = carried_.BuiltTails.emplace_back();
            t.append(sep).append(wf(4)).append(sep).append(wf(5)).append(sep).append(wf(6));
            tail = t;
        }
        // The written line is its own receiving line (not store-only, as it carries), so it
        // goes into the file in its carried form at once: when its first six fields lie apart,
        // that is the line up to the end of field 6.
        std::string_view written = value;
        std::string_view head;
        if (selfInPicker_ && !wf.Line().empty()) {
            if (wf.HeadOfThree(head) && head.data() + head.size() == tail.data())
                written = wf.Line().substr(0, head.size() + tail.size());
            else
                written = ComposeCarried(wf, tail, line_);
        }
        e_.WriteString(section, key, written);
        carried_.Add(section, key, tail);
    }
    // Whether the store takes coupons is read at the first carrying write and again after
    // any section rename and any write to a section with "--" in its name, which covers
    // --Info-- however the step spells it; item writes cannot change it.
    void Recheck() { accepts_ = -1; }

private:
    IniFile::Editor& e_;
    const bool selfInPicker_;
    CarriedCoupons& carried_;
    const AnsiString* lastSection_ = nullptr;
    bool noCategory_ = false; // the last section's name holds "--"
    int accepts_ = -1;
    AnsiString line_;
};

// Hands the carried coupons on to every other store of the picker, one rewrite each for the
// stores that receive any.
CarryOverFailures CarryToOthers(const StoreContext& ctx, const AnsiString& store,
                                const CarriedCoupons& coupons)
{
    CarryOverFailures failures;
    if (coupons.Empty())
        return failures;
    // Each carried line depends on nothing but the receiving line, so the lines of a store
    // are taken in one pass over its file.
    AnsiString scratch;
    const auto carry = [&](size_t n, std::string_view own, IniFile::Splice& out) {
        return CarriedLine(own, coupons.Tails[coupons.TailOf[n]], out, scratch);
    };
    for (const AnsiString& entry : ctx.PickerStores) {
        if (entry == store)
            continue;
        try {
            // Decided under the file's lock, in the order of the writes; a store that holds
            // none of the lines is not rewritten, and one that is not there is left alone. A
            // parse kept of a store that has not changed since spares reading one that holds
            // none of them.
            StoreIni(ctx, entry).UpdateKeysIfPresent(*coupons.Keys, carry);
        } catch (const std::exception& ex) {
            failures.push_back({entry, ex.what()});
        }
    }
    return failures;
}

// The written store is a receiver of its own carry-over when the picker lists it; its line
// then loses its trailing separator, as with the single writes.
bool InPicker(const StoreContext& ctx, const AnsiString& store)
{
    return std::find(ctx.PickerStores.begin(), ctx.PickerStores.end(), store) != ctx.PickerStores.end();
}

// One rewrite of the store's file, made by steps, its line writes (at most writes of them)
// through the CarryingWriter, then the coupons of the written lines carried to the other
// stores: the store's own file is written once. With watch, only when the file is as it knows
// it (nullopt otherwise).
std::optional<CarryOverFailures>
WriteCarrying(const StoreContext& ctx, const AnsiString& store, size_t writes, const IniFile::Watch* watch,
              const std::function<void(IniFile::Editor&, CarryingWriter&)>& steps)
{
    const bool selfInPicker = InPicker(ctx, store);
    CarriedCoupons carried;
    const auto change = [&](IniFile::Editor& e) {
        CarryingWriter writer(e, selfInPicker, carried, writes);
        steps(e, writer);
    };
    if (!EditStoreFile(ctx, store, change, watch))
        return std::nullopt;
    return CarryToOthers(ctx, store, carried);
}

// WriteStoreString; with watch, only when the file is as it knows it (false otherwise). The
// line goes in as a batch of one writes it, so the store's file is rewritten once.
bool WriteAndCarry(const StoreContext& ctx, const AnsiString& store, const AnsiString& section,
                   const AnsiString& key, const AnsiString& value, CarryOverFailures* deferred,
                   const IniFile::Watch* watch)
{
    CheckWriteStore(store);
    CheckStoreSectionName(section);
    CheckKeyName(key);
    CheckValue(value);
    std::optional<CarryOverFailures> failures =
        WriteCarrying(ctx, store, 1, watch,
                      [&](IniFile::Editor&, CarryingWriter& writer) { writer.Write(section, key, value); });
    if (!failures)
        return false;
    if (deferred)
        deferred->insert(deferred->end(), failures->begin(), failures->end());
    else
        ReportCarryOverFailures(*failures);
    return true;
}

// ApplyStoreBatch; with watch, only when the file is as it knows it (nullopt otherwise).
std::optional<CarryOverFailures> ApplyBatch(const StoreContext& ctx, const AnsiString& store,
                                            const StoreBatch& batch, const IniFile::Watch* watch)
{
    CheckWriteStore(store);
    for (const auto& step : batch.Steps()) {
        switch (step.op) {
        // Removing needs no name check, as with the single-step removers.
        case StoreBatch::Op::EraseSection:
        case StoreBatch::Op::DeleteKey:
            break;
        case StoreBatch::Op::AddSection:
            CheckStoreSectionName(step.Section);
            break;
        case StoreBatch::Op::Write:
            CheckStoreSectionName(step.Section);
            CheckKeyName(step.Key);
            CheckValue(step.Value);
            break;
        case StoreBatch::Op::RenameKey:
            CheckStoreSectionName(step.Section);
            CheckKeyName(step.Value);
            break;
        case StoreBatch::Op::RenameSection:
            CheckStoreSectionName(step.Value);
            break;
        case StoreBatch::Op::MoveKey:
            CheckStoreSectionName(step.Value);
            CheckKeyName(step.Key);
            break;
        }
    }
    if (batch.Empty())
        return CarryOverFailures{};

    return WriteCarrying(
        ctx, store, batch.Steps().size(), watch, [&](IniFile::Editor& e, CarryingWriter& writer) {
            for (const auto& step : batch.Steps()) {
                if (step.op == StoreBatch::Op::RenameSection || step.Section.find("--") != AnsiString::npos ||
                    (step.op == StoreBatch::Op::MoveKey && step.Value.find("--") != AnsiString::npos))
                    writer.Recheck();
                switch (step.op) {
                case StoreBatch::Op::DeleteKey:
                    e.DeleteKey(step.Section, step.Key);
                    break;
                case StoreBatch::Op::EraseSection:
                    e.EraseSection(step.Section);
                    break;
                case StoreBatch::Op::AddSection:
                    EnsureStoreSection(e, step.Section);
                    break;
                case StoreBatch::Op::RenameKey:
                    RenameKeyIn(e, step.Section, step.Key, step.Value);
                    break;
                case StoreBatch::Op::RenameSection:
                    RenameSectionIn(e, step.Section, step.Value);
                    break;
                case StoreBatch::Op::MoveKey:
                    MoveKeyIn(e, step.Section, step.Key, step.Value);
                    break;
                case StoreBatch::Op::Write:
                    writer.Write(step.Section, step.Key, step.Value);
                    break;
                }
            }
        });
}

// As ApplyBatch with one write step per item, without a batch: every line is formatted
// (which checks the indexes) and checked before the file is touched, and kept in one text
// instead of a string each.
std::optional<CarryOverFailures> SaveItemLines(const StoreContext& ctx, const QMStore& store,
                                               const std::vector<std::pair<int32_t, int32_t>>& items,
                                               const IniFile::Watch* watch)
{
    for (const auto& [c, i] : items)
        store.ItemAt(c, i); // checks both indexes
    // Every index is good: the items are taken without looking again.
    const auto item = [&](size_t n) -> const QMItem& {
        return store.Categories[size_t(items[n].first)].Items[size_t(items[n].second)];
    };
    const auto category = [&](size_t n) -> const AnsiString& {
        return store.Categories[size_t(items[n].first)].Name;
    };
    CheckWriteStore(store.Name);
    AnsiString lines;
    lines.reserve(items.size() * 48); // a usual line's length: fewer copies as the text grows
    std::vector<size_t> ends;
    ends.reserve(items.size());
    // One look at each item: its line formatted, its names checked. Items come category by
    // category, so a category's name is checked once for its run; the lines are looked at one
    // by one only when the text holds a line break somewhere.
    for (size_t n = 0; n < items.size(); ++n) {
        QMStore::AppendItemValue(item(n), lines);
        ends.push_back(lines.size());
        if (n == 0 || items[n].first != items[n - 1].first)
            CheckStoreSectionName(category(n));
        CheckKeyName(item(n).Name);
    }
    if (HasLineBreak(lines))
        for (size_t n = 0; n < items.size(); ++n)
            CheckValue(std::string_view(lines).substr(n ? ends[n - 1] : 0, ends[n] - (n ? ends[n - 1] : 0)));
    if (items.empty())
        return CarryOverFailures{};

    return WriteCarrying(ctx, store.Name, items.size(), watch, [&](IniFile::Editor&, CarryingWriter& writer) {
        for (size_t n = 0; n < items.size(); ++n) {
            const size_t from = n ? ends[n - 1] : 0;
            writer.Write(category(n), item(n).Name, std::string_view(lines).substr(from, ends[n] - from));
        }
    });
}

// SaveItem; with watch, only when the file is as it knows it (false otherwise).
bool SaveItemLine(const StoreContext& ctx, const QMStore& store, int32_t category, int32_t item,
                  CarryOverFailures* deferred, const IniFile::Watch* watch)
{
    const AnsiString value = store.FormatItemValue(category, item); // checks both indexes
    return WriteAndCarry(ctx, store.Name, store.CategoryAt(category).Name, store.ItemAt(category, item).Name,
                         value, deferred, watch);
}

} // namespace

void WriteStoreString(const StoreContext& ctx, const AnsiString& store, const AnsiString& section,
                      const AnsiString& key, const AnsiString& value, CarryOverFailures* deferred)
{
    WriteAndCarry(ctx, store, section, key, value, deferred, nullptr);
}

CarryOverFailures ApplyStoreBatch(const StoreContext& ctx, const AnsiString& store, const StoreBatch& batch)
{
    return *ApplyBatch(ctx, store, batch, nullptr);
}

std::optional<CarryOverFailures> ApplyStoreBatchIfUnchanged(const StoreContext& ctx, const AnsiString& store,
                                                            const StoreBatch& batch,
                                                            const IniFile::Watch& watch)
{
    return ApplyBatch(ctx, store, batch, &watch);
}

CarryOverFailures SaveItems(const StoreContext& ctx, const QMStore& store,
                            const std::vector<std::pair<int32_t, int32_t>>& items)
{
    return *SaveItemLines(ctx, store, items, nullptr);
}

std::optional<CarryOverFailures> SaveItemsIfUnchanged(const StoreContext& ctx, const QMStore& store,
                                                      const std::vector<std::pair<int32_t, int32_t>>& items,
                                                      const IniFile::Watch& watch)
{
    return SaveItemLines(ctx, store, items, &watch);
}

void SaveItem(const StoreContext& ctx, const QMStore& store, int32_t category, int32_t item,
              CarryOverFailures* deferred)
{
    SaveItemLine(ctx, store, category, item, deferred, nullptr);
}

bool SaveItemIfUnchanged(const StoreContext& ctx, const QMStore& store, int32_t category, int32_t item,
                         const IniFile::Watch& watch, CarryOverFailures* deferred)
{
    return SaveItemLine(ctx, store, category, item, deferred, &watch);
}

void SaveLastItemSelected(const StoreContext& ctx, const QMStore& store)
{
    WriteStoreString(ctx, store.Name, kInfoSection, "LastItemSelected",
                     store.GetSelectedItemName() + "&-&" + store.GetSelectedCategoryName());
}

EStoreNotFound::EStoreNotFound(const AnsiString& store) : EStoreError(StoreNotFoundText(store)), Store(store)
{
}

AnsiString StoreNotFoundText(const AnsiString& store)
{
    return "Store file \"" + store + "\" not found.";
}

void RaiseStoreKeptChanging(const StoreContext& ctx, const AnsiString& store)
{
    throw EStoreError(Format("Another program kept changing the file \"%s\" while this change was being "
                             "written, so nothing was changed. Please try again.",
                             FromFileName(StoreFilePath(ctx, store)).c_str()));
}

void RaiseTakenOut(const AnsiString& category, const AnsiString& item)
{
    if (item.empty())
        throw EStoreError("Another program took the category \"" + category +
                          "\" out of this store, so nothing was changed.");
    throw EStoreError("Another program took \"" + item + "\" out of " + category +
                      " in this store, so nothing was changed.");
}

} // namespace qm
