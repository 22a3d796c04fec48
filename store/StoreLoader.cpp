#include "store/StoreLoader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"

namespace qm {

namespace {

void FindIn(const std::string& folder, const std::string& nameMask, int attributes,
            std::vector<std::string>& out)
{
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return;
    struct Entry {
        std::string name;
        bool isDir;
        bool isFile;
    };
    std::vector<Entry> entries;
    while (const dirent* d = readdir(dir)) {
        const std::string name = d->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string full = folder + name;
        struct stat st {};
        struct stat lst {};
        const bool linked = lstat(full.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode);
        if (stat(full.c_str(), &st) != 0)
            continue;
        entries.push_back({name, S_ISDIR(st.st_mode) && !linked, S_ISREG(st.st_mode)});
    }
    closedir(dir);

    // A hidden entry is neither listed nor searched unless the attributes ask for hidden ones.
    auto hidden = [&](const Entry& e) { return e.name[0] == '.' && !(attributes & faHidden); };
    for (const Entry& e : entries) {
        if (hidden(e))
            continue;
        const bool wanted = e.isFile || (e.isDir && (attributes & faDirectory));
        if (wanted && fnmatch(nameMask.c_str(), e.name.c_str(), 0) == 0)
            out.push_back(folder + e.name);
    }
    for (const Entry& e : entries)
        if (e.isDir && !hidden(e))
            FindIn(folder + e.name + "/", nameMask, attributes, out);
}

// Case-blind (a-z) hashing and equality, for looking names up the way the store file does.
struct NameHash {
    size_t operator()(std::string_view s) const noexcept
    {
        size_t h = 1469598103934665603ull;
        for (unsigned char c : s) {
            if (c >= 'a' && c <= 'z')
                c = c - 'a' + 'A';
            h = (h ^ c) * 1099511628211ull;
        }
        return h;
    }
};
struct NameEq {
    bool operator()(std::string_view a, std::string_view b) const noexcept { return SameName(a, b); }
};

// The pairs of one section of the file read, looked up by key without regard to case. The
// views are into the file's parse: the section is valid as long as the read's View.
class SectionValues {
public:
    SectionValues(const IniFile::View& file, const AnsiString& section)
    {
        file.ForEachValue(section, [&](std::string_view key, std::string_view value) {
            index_.emplace(key, pairs_.size());
            pairs_.emplace_back(key, value);
        });
    }
    std::string_view Value(std::string_view key) const
    {
        const auto it = index_.find(key);
        return it == index_.end() ? std::string_view() : pairs_[it->second].second;
    }
    std::vector<AnsiString> Keys() const
    {
        std::vector<AnsiString> keys;
        keys.reserve(pairs_.size());
        for (const auto& p : pairs_)
            keys.emplace_back(p.first);
        return keys;
    }

private:
    std::vector<std::pair<std::string_view, std::string_view>> pairs_;
    std::unordered_map<std::string_view, size_t, NameHash, NameEq> index_;
};

// Names read through a joined list, as every list of the store file is read: an entry that
// is empty or holds the separator ends or splits the list.
std::vector<AnsiString> ListEntries(const std::vector<AnsiString>& names)
{
    return SplitList(kListSeparator, JoinList(names, kListSeparator));
}

AnsiString Field(const std::vector<std::string_view>& fields, size_t n)
{
    return n <= fields.size() ? AnsiString(fields[n - 1]) : AnsiString();
}

bool Equal(const std::vector<std::string_view>& fields, size_t n, std::string_view text)
{
    return n <= fields.size() ? fields[n - 1] == text : text.empty();
}

using AisleLookup = std::unordered_map<std::string_view, int32_t, NameHash, NameEq>;

QMItem ReadItem(AnsiString name, std::string_view line, bool acceptsCoupons, const AisleLookup& aisleIndex)
{
    QMItem item;
    item.Name = std::move(name);
    const auto f = SplitFields(kFieldSeparator, line, 6);
    item.Qty = f.size() >= 3 ? ParseStoreInt(f[2]) : 0;
    item.Aisle = Field(f, 1);
    if (acceptsCoupons) {
        item.HasCoupon = Equal(f, 4, "1");
        item.CouponExpire = f.size() >= 5 ? ParseStoreFloat(f[4]) : 0;
        item.IsStoreCoupon = Equal(f, 6, "1");
    }
    item.Note = Field(f, 2);
    const auto a = aisleIndex.find(std::string_view(item.Aisle));
    item.AisleIndex = a == aisleIndex.end() ? -1 : a->second;
    return item;
}

// A key that passes through the joined key list unchanged: not empty, no ",," inside, and no
// comma at either end.
bool ListSafe(std::string_view key)
{
    return !key.empty() && key.front() != ',' && key.back() != ',' &&
           key.find(",,") == std::string_view::npos;
}

// The items of one category section, in file order. With positional set, each key takes the
// value beside it, which is right unless two keys are equal without regard to case (the
// caller checks that after sorting); otherwise every key is read through a name lookup.
// Returns false when the positional read does not apply (a key that the list would change).
bool ReadCategory(const IniFile::View& file, const AnsiString& name, bool acceptsCoupons,
                  const AisleLookup& aisleIndex, bool positional, QMCategory& cat)
{
    cat.Items.clear();
    cat.CouponCount = 0;
    if (positional) {
        size_t count = 0;
        file.ForEachValue(name, [&](std::string_view, std::string_view) { ++count; });
        cat.Items.reserve(count);
        bool safe = true;
        file.ForEachValue(name, [&](std::string_view key, std::string_view line) {
            safe = safe && ListSafe(key);
            if (safe)
                cat.Items.push_back(ReadItem(AnsiString(key), line, acceptsCoupons, aisleIndex));
        });
        if (!safe)
            return false;
    } else {
        const SectionValues values(file, name);
        for (AnsiString& key : ListEntries(values.Keys())) {
            const std::string_view line = values.Value(key);
            cat.Items.push_back(ReadItem(std::move(key), line, acceptsCoupons, aisleIndex));
        }
    }
    for (const QMItem& item : cat.Items)
        if (item.HasCoupon)
            ++cat.CouponCount;
    return true;
}

bool HasAdjacentEqualNames(const std::vector<QMItem>& items)
{
    for (size_t i = 1; i < items.size(); ++i)
        if (SameName(items[i - 1].Name, items[i].Name))
            return true;
    return false;
}

QMStore ReadStore(const IniFile::View& file, const AnsiString& name);
// What clearing the expired coupons came to: done (or nothing to clear), not done because the
// file changed since it was read, or not done because the file went away since.
enum class Cleared { Done, FileChanged, Gone };
Cleared ClearExpiredCoupons(const StoreContext& ctx, QMStore& store, LoadStoreResult& result,
                            const IniFile::Watch* watch);

} // namespace

std::vector<std::string> FindFiles(const std::string& pathMask, int attributes)
{
    std::vector<std::string> out;
    const size_t slash = pathMask.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : pathMask.substr(0, slash + 1);
    const std::string mask = slash == std::string::npos ? pathMask : pathMask.substr(slash + 1);
    FindIn(folder, mask, attributes, out);
    return out;
}

bool StorePickerLess(const AnsiString& a, const AnsiString& b)
{
    const int byName = CompareNames(a, b);
    return byName != 0 ? byName < 0 : a < b;
}

std::vector<AnsiString> StoreNamesFromFiles(const std::vector<std::string>& paths)
{
    std::vector<AnsiString> names;
    for (const std::string& path : paths) {
        std::string file = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
        if (const size_t dot = file.rfind('.'); dot != std::string::npos)
            file.erase(dot);
        const AnsiString name = FromFileName(file);
        if (name.empty() || name == "." || name == ".." || ToFileName(name) != file)
            continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end(), StorePickerLess);
    return names;
}

std::vector<AnsiString> ListStoreNames(const std::string& storesFolder)
{
    std::string folder = storesFolder;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return StoreNamesFromFiles(FindFiles(folder + "*.store", kStoreFileAttr));
}

LoadStoreResult LoadStoreData(const StoreContext& ctx, QMStore& store, const AnsiString& name,
                              IniFile::Watch* watch)
{
    LoadStoreResult result;
    const std::string path = StoreFilePath(ctx, name);
    struct stat st {};
    auto refuse = [&](int err) {
        result.Error = Format("Cannot read the file \"%s\": %s.", FromFileName(path).c_str(), strerror(err));
        return result;
    };
    if (stat(path.c_str(), &st) != 0) {
        // Only a file that is not there is "not found"; a folder this user may not enter, say,
        // is a reason of its own.
        return errno == ENOENT ? result : refuse(errno);
    }
    // A folder or a pipe named like a store is no store; a pipe would read as an empty one.
    if (!S_ISREG(st.st_mode)) {
        result.Error = "Store file \"" + name + "\" cannot be opened: it is not a regular file.";
        return result;
    }
    // Nor is a file this user may not read an empty store, as the store readers take it.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return refuse(errno);
    close(fd);

    // The store is read into a record of its own, so that a read that fails, or finds the file
    // gone, leaves the previous store whole. Each round reads the whole file from one look at
    // it, which is also the version the watch knows, so a change made while it reads is either
    // all in the store or counts as a change since.
    QMStore loaded;
    IniFile::Watch read;
    for (int round = 1;; ++round) {
        try {
            const auto readStore = [&](const IniFile::View& file) { loaded = ReadStore(file, name); };
            if (!IniFile(path).Read(readStore, watch ? &read : nullptr))
                return result; // gone since the checks above: not found
        } catch (const EInOutError& ex) {
            result.Error = ex.what();
            return result;
        }
        // A file that another program keeps changing between the reading and the clearing is
        // given up on without a word, unlike a change the user asked for (ChangeStoreFile): a
        // load still shows the store it read, whole. The expired coupons stay in the file, to be
        // cleared and reported at the next load, and the watch knows the version read, not the
        // file as it is now, so the window reads the file again before it writes to it.
        const Cleared cleared = ClearExpiredCoupons(ctx, loaded, result, watch ? &read : nullptr);
        if (cleared == Cleared::Gone)
            return result; // gone since it was read: not found, as at any other moment
        if (cleared == Cleared::Done || round == kMaxChangeRounds)
            break;
    }
    result.Found = true;
    store = std::move(loaded);
    if (watch)
        watch->TakeFrom(read);
    return result;
}

namespace {

QMStore ReadStore(const IniFile::View& file, const AnsiString& name)
{
    QMStore s;
    s.Name = name;
    const SectionValues info(file, kInfoSection);
    s.StoreURL = info.Value("StoreURL");
    s.CouponURL = info.Value("CouponURL");
    s.AcceptsCoupons = info.Value("AcceptsCoupons") != "0";

    const SectionValues errands(file, kErrandsSection);
    for (AnsiString& e : ListEntries(errands.Keys())) {
        const bool onList = ParseStoreInt(errands.Value(e)) != 0;
        s.Errands.push_back({std::move(e), onList});
        if (onList)
            ++s.ErrandsOnList;
    }

    s.Aisles = SplitList(kListSeparator, info.Value("Aisles"));
    AisleLookup aisleIndex;
    for (size_t i = 0; i < s.Aisles.size(); ++i)
        aisleIndex.emplace(std::string_view(s.Aisles[i]), int32_t(i)); // the first one wins

    const SectionValues hidden(file, kHiddenCatsSection);
    const SectionValues guesses(file, kAisleGuessesSection);
    std::vector<AnsiString> sections;
    for (auto& sec : file.ReadSections())
        if (sec.compare(0, 2, "--") != 0)
            sections.push_back(std::move(sec));
    for (AnsiString& catName : ListEntries(sections)) {
        QMCategory cat;
        cat.Expanded = hidden.Value(catName) != "1";
        cat.AisleGuess = guesses.Value(catName);
        // The quick read fits almost every section; sorting brings keys that are equal
        // without regard to case together, and for those every key is looked up instead.
        const bool quick = ReadCategory(file, catName, s.AcceptsCoupons, aisleIndex, true, cat);
        cat.Name = std::move(catName);
        s.Categories.push_back(std::move(cat));
        const int32_t c = s.CategoryCount() - 1;
        s.SortItems(c);
        QMCategory& added = s.Categories.back();
        if (!quick || HasAdjacentEqualNames(added.Items)) {
            ReadCategory(file, added.Name, s.AcceptsCoupons, aisleIndex, false, added);
            s.SortItems(c);
        }
        s.CouponCount += added.CouponCount;
    }
    s.SortCategories();

    // The selection: item name "&-&" category name, matched exactly.
    const auto sel = SplitFields("&-&", info.Value("LastItemSelected"), 2);
    const AnsiString selItem = Field(sel, 1), selCat = Field(sel, 2);
    for (int32_t c = 0; c < s.CategoryCount(); ++c) {
        if (s.Categories[size_t(c)].Name != selCat)
            continue;
        s.SelCategory = c;
        s.SelItem = kNoRow;
        if (!selItem.empty()) {
            const auto& items = s.Categories[size_t(c)].Items;
            for (size_t i = 0; i < items.size(); ++i)
                if (items[i].Name == selItem) {
                    s.SelItem = int32_t(i);
                    break;
                }
        }
    }
    return s;
}

// Coupons that expired before today are cleared and written back, which carries the cleared
// coupon on, all in one batch: a store with thousands of them is rewritten once, not once per
// coupon. An expiry of 5000 or less is never treated as a date.
Cleared ClearExpiredCoupons(const StoreContext& ctx, QMStore& store, LoadStoreResult& result,
                            const IniFile::Watch* watch)
{
    const double today = Date();
    AnsiString report;
    AnsiString writeError;
    StoreBatch batch;
    for (int32_t c = 0; c < store.CategoryCount(); ++c) {
        for (int32_t i = 0; i < store.Categories[size_t(c)].ItemCount(); ++i) {
            QMItem& item = store.Categories[size_t(c)].Items[size_t(i)];
            if (!item.HasCoupon || !(today > item.CouponExpire && item.CouponExpire > 5000.0))
                continue;
            item.HasCoupon = false;
            item.CouponExpire = 0;
            report += store.Categories[size_t(c)].Name + ", " + item.Name + "\r";
            // A line the file refuses stays out of the batch, so that it does not keep the
            // others' expired coupons in the file; the first refusal is reported.
            const AnsiString& section = store.Categories[size_t(c)].Name;
            const AnsiString value = store.FormatItemValue(c, i);
            if (const AnsiString why = StoreWriteProblem(section, item.Name, value); !why.empty()) {
                if (writeError.empty())
                    writeError = why;
                continue;
            }
            batch.Write(section, item.Name, value);
        }
    }
    CarryOverFailures failures;
    try {
        if (!watch) {
            failures = ApplyStoreBatch(ctx, store.Name, batch);
        } else if (batch.Empty()) {
            // Nothing to write: the file read stays the version known.
        } else if (auto written = ApplyStoreBatchIfUnchanged(ctx, store.Name, batch, *watch)) {
            failures = std::move(*written);
        } else {
            return Cleared::FileChanged;
        }
    } catch (const EStoreNotFound& gone) {
        if (gone.Store == store.Name)
            return Cleared::Gone;
        if (writeError.empty())
            writeError = gone.what();
    } catch (const std::exception& ex) {
        if (writeError.empty())
            writeError = ex.what();
    }
    if (!report.empty())
        result.ExpiredReport = "The following coupons have expired:\r" + report;
    if (!writeError.empty())
        MessageDlg("The expired coupons could not be cleared in the file of the store \"" + store.Name +
                       "\": " + writeError,
                   mtError, mbOK, 0);
    ReportCarryOverFailures(failures);
    return Cleared::Done;
}

} // namespace

} // namespace qm
