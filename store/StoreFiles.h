#pragma once
// Key- and section-level reading and writing of store files, and the carrying of an item's
// coupon to the same item in the other stores.
//
// A store is the file StoresFolder + store name + ".store". Every call opens the file, does
// one read, write or section change, and closes it. Store names come from the store picker;
// a name that is empty (for writers), contains "/" or NUL, or is "." or "..", is refused with
// EStoreError before any path is built, so no store name reaches outside the storage folder.
// A store file that is a symbolic link the user placed in the folder is read and written
// where the link points (the one atomic save writes through links). Writers also refuse
// names the file could not hold or read back: an empty section or key, a section containing
// "]", a key containing "=" or starting with "[" or ";", and any name or value containing a
// line break. A writer never makes the store's file: a store that is not there raises
// EStoreNotFound (in a storage folder that is gone, the write fails as any write does).
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"
#include "store/QMStore.h"

namespace qm {

// A store whose file is not there, in a storage folder that is: deleted or renamed by another
// program, say. The writers never make a store's file (only the commands that make stores do,
// store/StoreFolder.h); they raise this instead, with the text the store switch shows.
class EStoreNotFound : public EStoreError {
public:
    explicit EStoreNotFound(const AnsiString& store);
    AnsiString Store;
};
// "Store file "<name>" not found."
AnsiString StoreNotFoundText(const AnsiString& store);

// What the store routines need from the main window.
struct StoreContext {
    std::string StoresFolder;             // the storage folder (the file system's bytes), ends with "/"
    std::vector<AnsiString> PickerStores; // the store picker's entries, in picker order
};

// Sections of the store file that are not categories.
inline constexpr const char* kInfoSection = "--Info--";
inline constexpr const char* kErrandsSection = "--Errands--";
inline constexpr const char* kHiddenCatsSection = "--Hidden Cats--";
inline constexpr const char* kAisleGuessesSection = "--Aisle Guesses--";
inline constexpr const char* kFieldSeparator = ",-,"; // between the fields of an item line
inline constexpr const char* kListSeparator = ",,";   // after each entry of a joined list

// Whether the name can be a key of a store file, written and read back as it stands: not empty,
// no "=" and no line break, not beginning with "[" or ";" (a section or a comment). The writers
// refuse any other key.
bool IsStorableKey(const AnsiString& key);

// Raises EStoreError when the name could reach outside the storage folder.
void CheckStoreName(const AnsiString& store);
// The file-system path of the store's file (checks the name).
std::string StoreFilePath(const StoreContext& ctx, const AnsiString& store);
// A file of the storage folder named after a store: the folder's bytes (a "/" added when it
// has none), the name as the file system spells it (ToFileName, so the store files of earlier
// versions keep their names) and the extension (".store", ".pdf"). The name is not checked.
std::string StoreFolderFile(const std::string& storesFolder, const AnsiString& store,
                            std::string_view extension);

// Fields of a delimited text, numbered from 1 and split as GetDelimitedField splits them
// (the text is closed with one more delimiter; overlapping occurrences count), but without
// its 255-field limit: at most maxFields fields are returned, fewer when the text has fewer.
std::vector<std::string_view> SplitFields(std::string_view delimiter, std::string_view text,
                                          size_t maxFields);
// The first six fields of an item line (aisle, note, quantity, coupon, expiry, store-only),
// split as SplitFields(kFieldSeparator, line, 6) splits them but without a vector: many-item
// writes split one or two lines per item. The line must outlive the object.
class ItemLineFields {
public:
    explicit ItemLineFields(std::string_view line);

    std::string_view Line() const { return line_; }
    size_t Count() const { return count_; }
    // Field n, from 1; empty when the line has fewer.
    std::string_view operator()(size_t n) const
    {
        if (n < 1 || n > count_)
            return {};
        const size_t start = n == 1 ? 0 : end_[n - 2] + kSeparatorLength;
        return end_[n - 1] > start ? line_.substr(start, end_[n - 1] - start) : std::string_view();
    }
    // Fields 1 to 3 with their separators as the line holds them, when it does: three fields
    // whose separators do not overlap.
    bool HeadOfThree(std::string_view& head) const
    {
        if (count_ < 3 || !Apart(0) || !Apart(1))
            return false;
        head = line_.substr(0, end_[2]);
        return true;
    }
    // The separator after field 3 and fields 4 to 6 with theirs, when the line holds them so.
    bool TailFromFour(std::string_view& tail) const
    {
        if (count_ < 6 || !Apart(2) || !Apart(3) || !Apart(4))
            return false;
        tail = line_.substr(end_[2], end_[5] - end_[2]);
        return true;
    }

private:
    static constexpr size_t kFields = 6;
    static constexpr size_t kSeparatorLength = 3; // ",-,"
    // Whether the separators after fields i + 1 and i + 2 (from 0) do not overlap.
    bool Apart(size_t i) const { return end_[i + 1] >= end_[i] + kSeparatorLength; }

    std::string_view line_;
    size_t end_[kFields]; // where the separator after each field begins; the closing one at the end
    size_t count_ = 0;
};

// The entries of a joined list: fields from the first up to the first empty one.
std::vector<AnsiString> SplitList(std::string_view delimiter, std::string_view text);
// Each name followed by the delimiter.
AnsiString JoinList(const std::vector<AnsiString>& names, std::string_view delimiter);

// Empty when the key-level writers take the line; otherwise the reason they would refuse it.
AnsiString StoreWriteProblem(const AnsiString& section, const AnsiString& key, const AnsiString& value);

// Readers. A missing file, section or key reads as empty; an empty store name reads as a
// missing file, except that ReadStoreString answers "Error" for an empty store, section or key.
AnsiString ReadStoreString(const StoreContext& ctx, const AnsiString& store, const AnsiString& section,
                           const AnsiString& key);
// Field n (from 1) of the key's value split at ",-,".
AnsiString ReadStoreField(const StoreContext& ctx, const AnsiString& store, const AnsiString& section,
                          const AnsiString& key, int n);
// The section's key names in file order, each followed by ",,".
AnsiString ReadStoreSectionKeys(const StoreContext& ctx, const AnsiString& store, const AnsiString& section);
// The file's section names not beginning with "--", each followed by ",,".
AnsiString ReadStoreCategories(const StoreContext& ctx, const AnsiString& store);
// The errand's value read as an integer: non-zero = true; false when missing or not a number.
bool ReadErrand(const StoreContext& ctx, const AnsiString& store, const AnsiString& errand);

// A carry-over write that failed in one receiving store.
struct CarryOverFailure {
    AnsiString Store;
    AnsiString Reason;
};
using CarryOverFailures = std::vector<CarryOverFailure>;

// One error box naming every store that did not receive its coupon; nothing when empty.
void ReportCarryOverFailures(const CarryOverFailures& failures);

// Writes the key and carries the coupon of the written line over, as a batch of this one write
// does (ApplyStoreBatch): the store's file is rewritten once, its line in the carried form when
// the picker lists the store, and the files end as PropagateCoupon after the write would leave
// them. A failure in a receiving store never undoes the write: the other stores still get
// theirs and the failures are collected into *deferred, or, when deferred is null, reported at
// once; the written store is never one of them.
void WriteStoreString(const StoreContext& ctx, const AnsiString& store, const AnsiString& section,
                      const AnsiString& key, const AnsiString& value, CarryOverFailures* deferred = nullptr);
void WriteErrand(const StoreContext& ctx, const AnsiString& store, const AnsiString& errand, bool onList);
void DeleteStoreKey(const StoreContext& ctx, const AnsiString& store, const AnsiString& section,
                    const AnsiString& key);
void EraseStoreSection(const StoreContext& ctx, const AnsiString& store, const AnsiString& section);
// Leaves the section in the file, with no keys when it is new; an existing section is untouched.
void AddStoreSection(const StoreContext& ctx, const AnsiString& store, const AnsiString& section);
// Moves the value to the new key; names equal without regard to case keep the one key.
void RenameStoreKey(const StoreContext& ctx, const AnsiString& store, const AnsiString& section,
                    const AnsiString& oldKey, const AnsiString& newKey);
// Moves the key to another section; nothing happens when both name the same section.
void MoveStoreKey(const StoreContext& ctx, const AnsiString& store, const AnsiString& fromSection,
                  const AnsiString& key, const AnsiString& toSection);
// Copies every key of the old section into the new one (same names there are overwritten),
// then, when the names differ without regard to case, erases the old section; all in one
// rewrite. Renaming an empty section leaves an empty section of the new name.
void RenameStoreSection(const StoreContext& ctx, const AnsiString& store, const AnsiString& oldSection,
                        const AnsiString& newSection);

// Carries the coupon fields (4 to 6) of the written line into the same section and key of
// every picker store that has that line, the written one included, unless the section contains
// "--", the written store does not accept coupons, either line is marked store-only, or the
// written line is gone. Receiving lines keep their fields 1 to 3 and are written with six
// fields and no trailing separator. Returns the stores whose write failed; the others are
// written regardless. (The writers above carry in the written store's own rewrite instead.)
CarryOverFailures PropagateCoupon(const StoreContext& ctx, const AnsiString& store, const AnsiString& section,
                                  const AnsiString& key);

// Many changes to one store file, kept in order and applied by ApplyStoreBatch.
class StoreBatch {
public:
    enum class Op { Write, DeleteKey, EraseSection, AddSection, RenameKey, RenameSection, MoveKey };
    struct Step {
        Op op;
        AnsiString Section, Key, Value;
    };
    // As WriteStoreString: the written line's coupon is carried over.
    void Write(AnsiString section, AnsiString key, AnsiString value)
    {
        steps_.push_back({Op::Write, std::move(section), std::move(key), std::move(value)});
    }
    void DeleteKey(const AnsiString& section, const AnsiString& key)
    {
        steps_.push_back({Op::DeleteKey, section, key, {}});
    }
    void EraseSection(const AnsiString& section) { steps_.push_back({Op::EraseSection, section, {}, {}}); }
    // As AddStoreSection: an existing section is left alone.
    void AddSection(const AnsiString& section) { steps_.push_back({Op::AddSection, section, {}, {}}); }
    // As RenameStoreKey and RenameStoreSection (no carry-over). The new name travels in Value.
    void RenameKey(const AnsiString& section, const AnsiString& oldKey, const AnsiString& newKey)
    {
        steps_.push_back({Op::RenameKey, section, oldKey, newKey});
    }
    void RenameSection(const AnsiString& oldSection, const AnsiString& newSection)
    {
        steps_.push_back({Op::RenameSection, oldSection, {}, newSection});
    }
    // As MoveStoreKey (no carry-over). The section moved to travels in Value.
    void MoveKey(const AnsiString& fromSection, const AnsiString& key, const AnsiString& toSection)
    {
        steps_.push_back({Op::MoveKey, fromSection, key, toSection});
    }

    // Room for n steps in all, for a caller that knows how many it adds.
    void Reserve(size_t n) { steps_.reserve(n); }

    const std::vector<Step>& Steps() const { return steps_; }
    bool Empty() const { return steps_.empty(); }

private:
    std::vector<Step> steps_;
};

// Applies the batch to the store's file in one atomic rewrite, then carries the coupons of the
// written lines over with one rewrite per receiving store (stores that receive nothing are not
// written). The files end exactly as the same steps made one by one with WriteStoreString,
// DeleteStoreKey, EraseStoreSection, AddStoreSection, RenameStoreKey, RenameStoreSection and
// MoveStoreKey would leave them, each write's
// carry-over included. Every name is checked first (EStoreError) and a failure of the store's
// own rewrite raises before any file is touched; a receiving store that fails is returned and
// the others are written regardless.
CarryOverFailures ApplyStoreBatch(const StoreContext& ctx, const AnsiString& store, const StoreBatch& batch);

// The pieces of the writers above for a writer of a whole file (StoreFolder.h): the check of a
// section name the file could not hold (EStoreError), and the making of an empty section
// unless the file lists it already, in any letter case (as AddStoreSection).
void CheckStoreSectionName(const AnsiString& section);
void EnsureStoreSection(IniFile::Editor& e, const AnsiString& section);

// The lines of many items of the open store (FormatItemValue) written as one batch.
CarryOverFailures SaveItems(const StoreContext& ctx, const QMStore& store,
                            const std::vector<std::pair<int32_t, int32_t>>& items);

// Writes one item's line (FormatItemValue) under its category in the store's file, with
// carry-over.
void SaveItem(const StoreContext& ctx, const QMStore& store, int32_t category, int32_t item,
              CarryOverFailures* deferred = nullptr);
// Writes LastItemSelected: item name, "&-&", category name (empty parts for what is not selected).
void SaveLastItemSelected(const StoreContext& ctx, const QMStore& store);

// SaveItem, SaveItems and ApplyStoreBatch for a holder of the store's content in memory (a
// window), made only when the store's file is as watch knows it (IniFile::Watch): no line
// composed from an older reading replaces what another program wrote since. When the file
// changed they write nothing and answer false (no failures).
bool SaveItemIfUnchanged(const StoreContext& ctx, const QMStore& store, int32_t category, int32_t item,
                         const IniFile::Watch& watch, CarryOverFailures* deferred = nullptr);
std::optional<CarryOverFailures> SaveItemsIfUnchanged(const StoreContext& ctx, const QMStore& store,
                                                      const std::vector<std::pair<int32_t, int32_t>>& items,
                                                      const IniFile::Watch& watch);
std::optional<CarryOverFailures> ApplyStoreBatchIfUnchanged(const StoreContext& ctx, const AnsiString& store,
                                                            const StoreBatch& batch,
                                                            const IniFile::Watch& watch);
// How often a change, or a reading, is made anew over a store file that another program changed
// between the reading and the writing; then a change is given up (RaiseStoreKeptChanging), and a
// reading keeps the store it read last (LoadStoreData).
inline constexpr int kMaxChangeRounds = 8;
// Raises EStoreError saying that nothing was changed because another program kept changing the
// store's file: a change made over the store read anew found it changed again, round after
// round.
[[noreturn]] void RaiseStoreKeptChanging(const StoreContext& ctx, const AnsiString& store);
// Raises EStoreError saying that nothing was changed because another program took the item out
// of the category in the store's file (the category itself when item is empty) since the
// window read it.
[[noreturn]] void RaiseTakenOut(const AnsiString& category, const AnsiString& item);

} // namespace qm
