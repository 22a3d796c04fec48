#include <gtest/gtest.h>

#include <random>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "GeneratedStore.h"
#include "StoreTestSupport.h"
#include "platform/AtomicFile.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"
#include "store/StoreLoader.h"

using namespace qm;
namespace fs = std::filesystem;

namespace {

// Counts the renames onto each name in a folder (each atomic rewrite ends in one), leaving out
// the temporary files' names, onto which a rewrite's exchange moves the old content.
class RenameCounter {
public:
    explicit RenameCounter(const std::string& folder) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO);
    }
    ~RenameCounter() { close(fd_); }
    std::map<std::string, int> Counts()
    {
        alignas(inotify_event) char buf[65536];
        for (ssize_t n; (n = ::read(fd_, buf, sizeof buf)) > 0;)
            for (char* p = buf; p < buf + n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                long pid = 0;
                if (!IsAtomicTempName(e->name, pid))
                    ++counts_[e->name];
                p += sizeof(inotify_event) + e->len;
            }
        return counts_;
    }

private:
    int fd_;
    std::map<std::string, int> counts_;
};

} // namespace

class LoadStoreTest : public StoreFolderTest {
protected:
    QMStore store;
    LoadStoreResult load(const std::string& name) { return LoadStoreData(ctx, store, name); }
};

TEST_F(LoadStoreTest, ReadsEverySectionOfTheFormat)
{
    makeStore("Corner", {"[--Info--]",
                         "StoreURL=http://corner.example",
                         "Aisles=Produce,,Dairy,,",
                         "LastItemSelected=milk&-&Dairy",
                         "[--Errands--]",
                         "Bank=1",
                         "Post=0",
                         "Bottles=x",
                         "[--Hidden Cats--]",
                         "Dairy=1",
                         "[--Aisle Guesses--]",
                         "dairy=Dairy",
                         "[Dairy]",
                         "Milk=dairy,-,,-,2",
                         "Butter=Nowhere,-,salted,-,1,-,1,-,46400,-,1,-,",
                         "[--Weird]",
                         "X=1",
                         "[Bulk--Foods]",
                         "Rice=,-,,-,oops",
                         "[--]"});
    ASSERT_TRUE(load("Corner").Found);
    EXPECT_EQ(store.Name, "Corner");
    EXPECT_EQ(store.StoreURL, "http://corner.example");
    EXPECT_TRUE(store.AcceptsCoupons); // no AcceptsCoupons key
    EXPECT_EQ(store.Aisles, (std::vector<AnsiString>{"Produce", "Dairy"}));
    ASSERT_EQ(store.ErrandCount(), 3);
    EXPECT_TRUE(store.Errands[0].OnList);
    EXPECT_FALSE(store.Errands[2].OnList);
    EXPECT_EQ(store.ErrandsOnList, 1);
    ASSERT_EQ(store.CategoryCount(), 2); // "--Weird" and "--" are no categories
    EXPECT_EQ(store.Categories[0].Name, "Bulk--Foods");
    EXPECT_EQ(store.Categories[0].Items[0].Qty, 0);
    const QMCategory& dairy = store.Categories[1];
    EXPECT_FALSE(dairy.Expanded);
    EXPECT_EQ(dairy.AisleGuess, "Dairy");
    EXPECT_EQ(dairy.CouponCount, 1);
    ASSERT_EQ(dairy.ItemCount(), 2);
    const QMItem& butter = dairy.Items[0];
    EXPECT_EQ(butter.Note, "salted");
    EXPECT_EQ(butter.AisleIndex, -1);
    EXPECT_TRUE(butter.HasCoupon && butter.IsStoreCoupon);
    EXPECT_EQ(butter.CouponExpire, 46400.0);
    const QMItem& milk = dairy.Items[1]; // a short line: aisle, empty note, quantity
    EXPECT_EQ(milk.Aisle, "dairy");
    EXPECT_EQ(milk.AisleIndex, 1);
    EXPECT_EQ(milk.Qty, 2);
    EXPECT_FALSE(milk.HasCoupon);
    EXPECT_EQ(store.ItemCount(), 3);
    // The selection matches exactly: "milk" is not "Milk", so the category row is selected.
    EXPECT_EQ(store.SelCategory, 1);
    EXPECT_EQ(store.SelItem, -1);
}

TEST_F(LoadStoreTest, CouponsOffLoadsNoCouponFieldsAndSelectionNeedsExactCategoryCase)
{
    makeStore("Off", {"[--Info--]", "AcceptsCoupons=0", "LastItemSelected=Milk&-&dairy", "[Dairy]",
                      "Milk=,-,,-,1,-,1,-,40000,-,1"});
    load("Off");
    const QMItem& milk = store.Categories[0].Items[0];
    EXPECT_FALSE(milk.HasCoupon);
    EXPECT_EQ(milk.CouponExpire, 0.0);
    EXPECT_FALSE(milk.IsStoreCoupon);
    EXPECT_EQ(store.SelCategory, -1);
    EXPECT_EQ(read("Off", "Dairy", "Milk"), ",-,,-,1,-,1,-,40000,-,1"); // nothing written back
}

TEST_F(LoadStoreTest, ClearsCouponsThatExpiredBeforeTodayAndReportsThem)
{
    const double today = Date();
    makeStore("Shop", {"[Dairy]", "Today=,-,,-,1,-,1,-," + FormatExpiry(today) + ",-,0,-,",
                       "Yesterday=Aisle 3,-,note,-,2,-,1,-," + FormatExpiry(today - 0.5) + ",-,1,-,",
                       "Never=,-,,-,1,-,1,-,0,-,0,-,", "Tiny=,-,,-,1,-,1,-,5000,-,0,-,", "[Fruit]",
                       "Kiwi=,-,,-,1,-,1,-,45000,-,0,-,"});
    makeStore("Other", {"[Fruit]", "Kiwi=Here,-,mine,-,4,-,1,-,45000,-,0"});
    const LoadStoreResult r = load("Shop");
    EXPECT_EQ(r.ExpiredReport, "The following coupons have expired:\rDairy, Yesterday\rFruit, Kiwi\r");
    const QMCategory& dairy = store.Categories[0];
    EXPECT_TRUE(dairy.Items[1].HasCoupon);  // Tiny: 5000 is no date
    EXPECT_TRUE(dairy.Items[2].HasCoupon);  // Today
    EXPECT_FALSE(dairy.Items[3].HasCoupon); // Yesterday
    EXPECT_TRUE(dairy.Items[3].IsStoreCoupon);
    EXPECT_EQ(dairy.CouponCount, 4); // counted as loaded
    EXPECT_EQ(read("Shop", "Dairy", "Yesterday"), "Aisle 3,-,note,-,2,-,0,-,0,-,1,-,");
    // The cleared coupon travelled to the other store, which keeps its own first fields.
    EXPECT_EQ(read("Other", "Fruit", "Kiwi"), "Here,-,mine,-,4,-,0,-,0,-,0");
}

TEST_F(LoadStoreTest, AnExpiredCouponTheFileRefusesDoesNotKeepTheOthersFromBeingCleared)
{
    // "A]b" reads as a category but no line can be written under it.
    makeStore("Shop",
              {"[A]b]", "Odd=,-,,-,1,-,1,-,45000,-,0,-,", "[Dairy]", "Milk=,-,,-,1,-,1,-,45000,-,0,-,"});
    dialogs->expectBox("\"A]b\"");
    const LoadStoreResult r = load("Shop");
    EXPECT_EQ(r.ExpiredReport, "The following coupons have expired:\rA]b, Odd\rDairy, Milk\r");
    EXPECT_EQ(dialogs->seen().size(), 1u);
    EXPECT_EQ(read("Shop", "Dairy", "Milk"), ",-,,-,1,-,0,-,0,-,0");
}

// Thousands of expired coupons cost one rewrite of each affected file, and the files end as
// clearing them one by one would leave them.
TEST_F(LoadStoreTest, ExpiredCouponsAreClearedWithOneRewritePerFile)
{
    std::initializer_list<std::string> none;
    makeStore("Shop", none);
    makeStore("Other", none);
    makeStore("Untouched", {"[Pantry]", "Salt=,-,,-,1"});
    std::string shop = "[--Info--]\r\nAisles=A,,\r\n", other;
    for (int c = 0; c < 3; ++c) {
        shop += "[Cat " + std::to_string(c) + "]\r\n";
        other += "[Cat " + std::to_string(c) + "]\r\n";
        for (int i = 0; i < 40; ++i) {
            const std::string item = "Item " + std::to_string(i);
            shop += item + "=A,-,,-," + std::to_string(i % 3) + ",-,1,-," + (i % 4 ? "45000" : "47000") +
                    ",-," + (i % 5 ? "0" : "1") + ",-,\r\n";
            if (i % 2)
                other += item + "=B,-,note,-,2,-,1,-,46500,-," + (i % 7 ? "0" : "1") + "\r\n";
        }
    }
    qmtest::WriteFile(path("Shop"), shop);
    qmtest::WriteFile(path("Other"), other);

    // The same files cleared item by item, in a folder of their own.
    qmtest::TempDir refDir;
    StoreContext ref = ctx;
    ref.StoresFolder = refDir.path() + "/";
    for (const char* name : {"Shop", "Other", "Untouched"})
        fs::copy_file(path(name), ref.StoresFolder + name + ".store");

    RenameCounter renames(dir.path());
    const LoadStoreResult r = load("Shop");
    EXPECT_EQ(std::count(r.ExpiredReport.begin(), r.ExpiredReport.end(), '\r'), 1 + 3 * 30);
    EXPECT_EQ(renames.Counts(), (std::map<std::string, int>{{"Other.store", 1}, {"Shop.store", 1}}));

    QMStore loaded = store;
    for (int32_t c = 0; c < loaded.CategoryCount(); ++c)
        for (int32_t i = 0; i < loaded.Categories[size_t(c)].ItemCount(); ++i) {
            QMItem& item = loaded.Categories[size_t(c)].Items[size_t(i)];
            if (ReadStoreField(ref, "Shop", loaded.Categories[size_t(c)].Name, item.Name, 5) == "45000")
                SaveItem(ref, loaded, c, i);
        }
    for (const char* name : {"Shop", "Other", "Untouched"})
        EXPECT_EQ(qmtest::ReadFile(path(name)), qmtest::ReadFile(ref.StoresFolder + name + ".store")) << name;
}

// A store file with a lone CR: each of the two lines it parts is an item of its own, the
// expired coupon of the second is cleared for good, and a write keeps both lines.
TEST_F(LoadStoreTest, ALoneCarriageReturnPartsTwoItemsThatStayApart)
{
    makeStore("Shop", {"[Tail]", "Salt=Front,-,,-,1\rPepper=Front,-,,-,1,-,1,-,45000,-,0"});
    EXPECT_EQ(load("Shop").ExpiredReport, "The following coupons have expired:\rTail, Pepper\r");
    ASSERT_EQ(store.Categories[0].ItemCount(), 2);
    EXPECT_EQ(load("Shop").ExpiredReport, "");
    store.Categories[0].Items[1].Qty = 2; // Salt sorts after Pepper
    SaveItem(ctx, store, 0, 1);
    EXPECT_EQ(qmtest::ReadFile(path("Shop")),
              "[Tail]\r\nSalt=Front,-,,-,2,-,0,-,0,-,0\r\nPepper=Front,-,,-,1,-,0,-,0,-,0\r\n");
}

// A pipe and a folder named like a store are refused alike, and nothing is made beside them;
// a file over the size limit is refused by its name. The open store stays as it was.
TEST_F(LoadStoreTest, WhatIsNoStoreFileIsRefusedWithAReason)
{
    store.Name = "Before";
    ASSERT_EQ(mkfifo(path("Pipe").c_str(), 0644), 0);
    fs::create_directory(path("Folder"));
    const LoadStoreResult pipe = load("Pipe"), folder = load("Folder");
    EXPECT_FALSE(pipe.Found);
    EXPECT_EQ(pipe.Error, "Store file \"Pipe\" cannot be opened: it is not a regular file.");
    EXPECT_EQ(folder.Error, "Store file \"Folder\" cannot be opened: it is not a regular file.");
    EXPECT_THROW(WriteStoreString(ctx, "Pipe", "Dairy", "Milk", "1"), EInOutError);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);

    qmtest::WriteFile(path("Huge"), "[Dairy]\r\n");
    ASSERT_EQ(truncate(path("Huge").c_str(), off_t(kMaxIniFileBytes) + 1), 0);
    const LoadStoreResult huge = load("Huge");
    EXPECT_FALSE(huge.Found);
    EXPECT_EQ(huge.Error, "Cannot read the file \"" + path("Huge") + "\": it is larger than 64 MB.");
    EXPECT_EQ(store.Name, "Before");

    // A file this user may not read, or in a folder this user may not enter, is neither an
    // empty store nor a missing one.
    makeStore("Locked", {"[Dairy]", "Milk=Dairy,-,,-,2"});
    auto loadAsOtherUser = [&] {
        return qmtest::AsOtherUser([&] {
            const LoadStoreResult locked = load("Locked");
            return std::to_string(locked.Found) + " " + locked.Error + " " + store.Name;
        });
    };
    const std::string refused =
        "0 Cannot read the file \"" + path("Locked") + "\": Permission denied. Before";
    chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(loadAsOtherUser(), refused);
    chmod(dir.path().c_str(), 0755);
    chmod(path("Locked").c_str(), 0600);
    EXPECT_EQ(loadAsOtherUser(), refused);
}

TEST_F(LoadStoreTest, LongListsLoadCompletelyAndBadFilesNeverStopTheLoader)
{
    std::string aisles, items, errands;
    for (int n = 0; n < 300; ++n) {
        aisles += "Aisle " + std::to_string(n) + ",,";
        items += "Item" + std::to_string(n) + "=Aisle " + std::to_string(n) + ",-,,-,1\r\n";
        errands += "Errand" + std::to_string(n) + "=1\r\n";
    }
    std::string text =
        "[--Info--]\r\nAisles=" + aisles + "\r\n[--Errands--]\r\n" + errands + "[Big]\r\n" + items;
    for (int n = 0; n < 300; ++n)
        text += "[Cat" + std::to_string(n) + "]\r\nx=\r\n";
    qmtest::WriteFile(path("Big"), text);
    load("Big");
    EXPECT_EQ(store.AisleCount(), 300);
    EXPECT_EQ(store.ErrandCount(), 300);
    EXPECT_EQ(store.ErrandsOnList, 300);
    ASSERT_EQ(store.CategoryCount(), 301);
    EXPECT_EQ(store.Categories[0].ItemCount(), 300);
    EXPECT_EQ(store.Categories[0].Items[299].AisleIndex, 99); // Item99 sorts last

    // A key repeated in another case counts once, with its first line; a key holding the list
    // separator is split by the key list as every list of the file is.
    qmtest::WriteFile(path("Dup"), "[Dairy]\r\nMilk=a,-,,-,1\r\nMILK=b,-,,-,2\r\nOdd,,cheese=c,-,,-,3\r\n");
    load("Dup");
    ASSERT_EQ(store.Categories[0].ItemCount(), 3);
    EXPECT_EQ(store.Categories[0].Items[0].Name, "cheese");
    EXPECT_EQ(store.Categories[0].Items[0].Qty, 0);
    EXPECT_EQ(store.Categories[0].Items[1].Aisle, "a");
    EXPECT_EQ(store.Categories[0].Items[2].Name, "Odd");

    std::string garbage;
    for (int n = 0; n < 4096; ++n)
        garbage += char((n * 131 + 7) & 0xFF);
    for (const std::string& bytes :
         {std::string(), garbage, std::string("[--]\r\n[,,]\r\n=\r\nA,-,B=,,&-&\r\nkey\r\n"),
          std::string("[--Info--]\r\nAisles=") + std::string(100000, 'a') + "\r\n"}) {
        qmtest::WriteFile(path("Bad"), bytes);
        EXPECT_NO_THROW(load("Bad"));
    }
}

TEST_F(LoadStoreTest, AMissingFileLeavesTheStoreAndBadNamesNeverLeaveTheFolder)
{
    store.Name = "Before";
    EXPECT_FALSE(load("Gone").Found);
    EXPECT_EQ(store.Name, "Before");
    for (const char* bad : {"../x", "sub/x", ".", ".."})
        EXPECT_THROW(load(bad), EStoreError) << bad;
    EXPECT_THROW(WriteStoreString(ctx, "../escaped", "Dairy", "Milk", "1"), EStoreError);
    EXPECT_FALSE(fs::exists(fs::path(dir.path()).parent_path() / "escaped.store"));
}

namespace {

// What a load gave, a line per category: enough to tell a whole store from part of it.
std::string Described(const QMStore& s)
{
    std::string out = s.Name + ": " + std::to_string(s.AisleCount()) + " aisles, " +
                      std::to_string(s.ErrandCount()) + " errands\n";
    for (const QMCategory& c : s.Categories) {
        out += c.Name + (c.Expanded ? "" : " (hidden)") + " [" + c.AisleGuess + "]:";
        for (const QMItem& i : c.Items)
            out += " " + i.Name + "=" + std::to_string(i.Qty) + i.Note;
        out += "\n";
    }
    return out;
}

} // namespace

// Another program renames the store's file away while it is read, at each moment the reading
// looks at the file, with a window's watch and without: the load gives the whole store, or
// finds no store and leaves the one it had; never part of the store. The whole store takes
// one look.
TEST_F(LoadStoreTest, AStoreRenamedWhileItIsReadIsWholeOrNotFound)
{
    qmtest::GeneratedStore shape;
    shape.Errands = {"Bank", "Post"};
    qmtest::WriteFile(path("Big"), shape.Text() + "[--Hidden Cats--]\r\nCategory 1003=1\r\n"
                                                  "[--Aisle Guesses--]\r\nCategory 1004=Aisle 2\r\n");
    ASSERT_TRUE(load("Big").Found);
    ASSERT_EQ(store.ItemCount(), 100);
    const std::string whole = Described(store);

    for (const bool watched : {false, true}) {
        for (int at = 1;; ++at) {
            const std::string when = "renamed at look " + std::to_string(at) + (watched ? ", watched" : "");
            store = QMStore{};
            store.Name = "Before";
            IniFile::Watch watch;
            LoadStoreResult r;
            bool renamed = false;
            {
                const qmtest::RenameAtLook rename(path("Big"), path("Away"), at);
                r = LoadStoreData(ctx, store, "Big", watched ? &watch : nullptr);
                renamed = rename.Renamed();
                if (!renamed) {
                    EXPECT_EQ(rename.Looks(), 1) << when;
                }
            }
            if (renamed)
                fs::rename(path("Away"), path("Big"));
            EXPECT_EQ(r.Error, "") << when;
            EXPECT_EQ(Described(store), r.Found ? whole : "Before: 0 aisles, 0 errands\n") << when;
            if (watched) {
                EXPECT_EQ(watch.Look(path("Big")),
                          r.Found ? IniFile::Watch::State::Unchanged : IniFile::Watch::State::Changed)
                    << when;
            }
            if (!renamed)
                break;
        }
    }
}

// The file renamed away just as the expired coupons read from it are written back: the store
// is not found, as at any other moment of the load, without a box about the coupons, and the
// store loaded before stays; nothing is made under the old name.
TEST_F(LoadStoreTest, AStoreGoneAsItsExpiredCouponsAreClearedIsNotFound)
{
    makeStore("Shop", {"[Dairy]", "Milk=,-,,-,1,-,1,-,45000,-,0,-,"});
    const std::string kept = qmtest::ReadFile(path("Shop"));
    for (const bool watched : {false, true}) {
        store = QMStore{};
        store.Name = "Before";
        IniFile::Watch watch;
        LoadStoreResult r;
        {
            qmtest::AtReplacing away(path("Shop"), [&] { fs::rename(path("Shop"), path("Away")); });
            r = LoadStoreData(ctx, store, "Shop", watched ? &watch : nullptr);
        }
        EXPECT_FALSE(r.Found);
        EXPECT_EQ(r.Error, "");
        EXPECT_EQ(store.Name, "Before");
        EXPECT_FALSE(fs::exists(path("Shop")));
        EXPECT_EQ(qmtest::ReadFile(path("Away")), kept);
        fs::rename(path("Away"), path("Shop"));
    }
}

TEST_F(StoreFolderTest, TheStoreListShowsBareNamesSortedAndLeavesOutUnusableNames)
{
    fs::create_directory(dir.file("sub"));
    for (const char* f :
         {"b.store", "A.store", ".store", "..store", "notes.txt", "sub/Deep.store", "c.store.bak"})
        qmtest::WriteFile(dir.file(f), "");
    fs::create_directory(dir.file("Folder.store"));
    EXPECT_EQ(ListStoreNames(ctx.StoresFolder), (std::vector<AnsiString>{"A", "b", "Deep"}));
    QMStore s;
    EXPECT_FALSE(LoadStoreData(ctx, s, "Deep").Found); // listed, but not in the storage folder itself

    // Without the hidden attribute, hidden files and what hidden folders hold stay out.
    fs::create_directory(dir.file(".hidden"));
    qmtest::WriteFile(dir.file(".hidden/Secret.store"), "");
    std::vector<std::string> found = FindFiles(ctx.StoresFolder + "*.store", faArchive);
    std::sort(found.begin(), found.end()); // the file system's own order is not fixed
    EXPECT_EQ(found, (std::vector<std::string>{ctx.StoresFolder + "A.store", ctx.StoresFolder + "b.store",
                                               ctx.StoresFolder + "sub/Deep.store"}));
}

// The picker's order comes from the store names alone, whatever order the files are found
// in: "A" before "A-B" (whose file name sorts first), letter case aside, and names that differ
// only in letter case by their bytes.
TEST_F(StoreFolderTest, StoreNamesComeInThePickersOrderWhateverTheSearchOrder)
{
    std::vector<std::string> paths = {"/s/A-B.store", "/s/A.store", "/s/a.store", "/s/b.store",
                                      "/s/sub/Ab.store"};
    const std::vector<AnsiString> want = {"A", "a", "A-B", "Ab", "b"};
    do
        EXPECT_EQ(StoreNamesFromFiles(paths), want);
    while (std::next_permutation(paths.begin(), paths.end()));
}

TEST_F(StoreFolderTest, ReadersAnswerErrorForEmptyNamesAndJoinLists)
{
    makeStore("S", {"[--Errands--]", "Bank=1", "Post=abc", "[Dairy]", "Milk=a,-,b", "Eggs=", "[--Info--]",
                    "[Fruit]"});
    EXPECT_EQ(read("", "Dairy", "Milk"), "Error");
    EXPECT_EQ(read("S", "", "Milk"), "Error");
    EXPECT_EQ(read("S", "Dairy", ""), "Error");
    EXPECT_EQ(read("S", "dairy", "MILK"), "a,-,b");
    EXPECT_EQ(ReadStoreField(ctx, "S", "Dairy", "Milk", 2), "b");
    EXPECT_EQ(ReadStoreField(ctx, "S", "Dairy", "Milk", 3), "");
    EXPECT_EQ(ReadStoreSectionKeys(ctx, "S", "Dairy"), "Milk,,Eggs,,");
    EXPECT_EQ(ReadStoreCategories(ctx, "S"), "Dairy,,Fruit,,");
    EXPECT_TRUE(ReadErrand(ctx, "S", "bank"));
    EXPECT_FALSE(ReadErrand(ctx, "S", "Post"));
    EXPECT_FALSE(ReadErrand(ctx, "S", "None"));
}

// The coupon carry-over between the open store A and the stores B and C of the picker.
class CarryOverTest : public StoreFolderTest {
protected:
    void SetUp() override
    {
        StoreFolderTest::SetUp();
        makeStore(
            "A", {"[Dairy]", "Milk=1,-,,-,1,-,0,-,0,-,0,-,", "[Bulk--Foods]", "Rice=,-,,-,1,-,0,-,0,-,0,-,"});
        makeStore("B",
                  {"[dairy]", "MILK=B aisle,-,b note,-,5,-,0,-,0,-,0,-,", "[Bulk--Foods]", "Rice=,-,,-,1"});
        makeStore("C", {"[Fruit]", "Kiwi=,-,,-,1"});
    }
};

TEST_F(CarryOverTest, ACouponTravelsToTheSameItemElsewhereOnly)
{
    WriteStoreString(ctx, "A", "Dairy", "Milk", "1,-,,-,2,-,1,-,46400,-,0,-,");
    EXPECT_EQ(read("A", "Dairy", "Milk"), "1,-,,-,2,-,1,-,46400,-,0"); // rewritten without the separator
    EXPECT_EQ(read("B", "Dairy", "Milk"), "B aisle,-,b note,-,5,-,1,-,46400,-,0");
    EXPECT_EQ(ReadStoreCategories(ctx, "C"), "Fruit,,"); // no item there: nothing created

    const std::string before = qmtest::ReadFile(path("B"));
    WriteStoreString(ctx, "A", "Bulk--Foods", "Rice", ",-,,-,1,-,1,-,0,-,0,-,"); // "--" in the name
    WriteStoreString(ctx, "A", "--Info--", "LastItemSelected", "Milk&-&Dairy");
    WriteStoreString(ctx, "A", "Dairy", "Milk", "1,-,,-,2,-,0,-,0,-,1,-,"); // store-only
    EXPECT_EQ(qmtest::ReadFile(path("B")), before);
    EXPECT_EQ(read("A", "Dairy", "Milk"), "1,-,,-,2,-,0,-,0,-,1,-,");
}

// A single write leaves the written store and the receiving one in the bytes they have always
// had: the written line in its carried form (six fields, no trailing separator) where it
// carries and its store is in the picker, as written otherwise.
TEST_F(StoreFolderTest, ASingleWriteLeavesTheBytesItAlwaysLeft)
{
    const std::string kept = "1,-,,-,1,-,0,-,0,-,0,-,", received = "B aisle,-,b note,-,5,-,";
    struct Case {
        bool inPicker;
        const char* accepts; // the written store's AcceptsCoupons
        const char* section;
        const char* key;
        const char* value;
        std::string dairy, rice; // the written store's Dairy lines and Rice value after the write
        std::string milk;        // the receiving store's Milk value after the write
    };
    const Case cases[] = {
        {true, "1", "Dairy", "Milk", "1,-,,-,2,-,1,-,46400,-,0,-,", "Milk=1,-,,-,2,-,1,-,46400,-,0\r\n",
         ",-,,-,1", received + "1,-,46400,-,0"},
        {true, "1", "Dairy", "Milk", "1,-,,-,2,-,1,-,46400,-,0", "Milk=1,-,,-,2,-,1,-,46400,-,0\r\n",
         ",-,,-,1", received + "1,-,46400,-,0"},
        {true, "1", "Dairy", "Milk", "1,-,,-,2,-,1,-,46400,-,1,-,", "Milk=1,-,,-,2,-,1,-,46400,-,1,-,\r\n",
         ",-,,-,1", received + "0,-,0,-,0,-,"},
        {true, "0", "Dairy", "Milk", "1,-,,-,2,-,1,-,46400,-,0,-,", "Milk=1,-,,-,2,-,1,-,46400,-,0,-,\r\n",
         ",-,,-,1", received + "0,-,0,-,0,-,"},
        {false, "1", "Dairy", "Milk", "1,-,,-,2,-,1,-,46400,-,0,-,", "Milk=1,-,,-,2,-,1,-,46400,-,0,-,\r\n",
         ",-,,-,1", received + "1,-,46400,-,0"},
        {true, "1", "Dairy", "Milk", "A,-,n", "Milk=A,-,n,-,,-,,-,,-,\r\n", ",-,,-,1", received + ",-,,-,"},
        {true, "1", "Dairy", "Milk", "", "Milk=\r\n", ",-,,-,1", received + ",-,,-,"},
        {true, "1", "Bulk--Foods", "Rice", "x,-,,-,1,-,1,-,0,-,0,-,", "Milk=" + kept + "\r\n",
         "x,-,,-,1,-,1,-,0,-,0,-,", received + "0,-,0,-,0,-,"},
        {true, "1", "Dairy", "Milk", " A,-,n,-,2,-,1 ", "Milk=A,-,n,-,2,-,1,-,,-,\r\n", ",-,,-,1",
         received + "1,-,,-,"},
        {true, "1", "Dairy", "Milk", "A,-,-,-,2,-,1,-,4,-,-,0,-,", "Milk=A,-,,-,,-,2,-,1,-,4\r\n", ",-,,-,1",
         received + "2,-,1,-,4"},
        {true, "1", "Dairy", "Milk", "A,-,n,-,2,-,1,-,46000,-,0,-,x,-,y",
         "Milk=A,-,n,-,2,-,1,-,46000,-,0\r\n", ",-,,-,1", received + "1,-,46000,-,0"},
        {true, "1", "dairy", "Cream", "C,-,,-,1,-,1,-,46000,-,0,-,",
         "Milk=" + kept + "\r\nCream=C,-,,-,1,-,1,-,46000,-,0\r\n", ",-,,-,1", received + "0,-,0,-,0,-,"},
    };
    for (const Case& c : cases) {
        const std::string info = std::string("[--Info--]\r\nAcceptsCoupons=") + c.accepts + "\r\n";
        qmtest::WriteFile(path("A"),
                          info + "[Dairy]\r\nMilk=" + kept + "\r\n[Bulk--Foods]\r\nRice=,-,,-,1\r\n");
        qmtest::WriteFile(path("B"), "[dairy]\r\nMILK=" + received + "0,-,0,-,0,-,\r\nCream=\r\n");
        ctx.PickerStores = {"B"};
        if (c.inPicker)
            ctx.PickerStores.push_back("A");
        WriteStoreString(ctx, "A", c.section, c.key, c.value);
        EXPECT_EQ(qmtest::ReadFile(path("A")),
                  info + "[Dairy]\r\n" + c.dairy + "[Bulk--Foods]\r\nRice=" + c.rice + "\r\n")
            << c.value;
        EXPECT_EQ(qmtest::ReadFile(path("B")), "[dairy]\r\nMILK=" + c.milk + "\r\nCream=\r\n") << c.value;
    }
}

// A write, the keypad's "+" among them, rewrites its store's file once: its own line goes in in
// its carried form with the write, and only the other stores receive the coupon after it. So
// the store is never a receiver of its own carry-over, and a failure there is never named as
// one: had the store been rewritten again after its write, its folder would have gone by then.
TEST_F(CarryOverTest, AWriteRewritesItsStoreOnce)
{
    QMStore a;
    ASSERT_TRUE(LoadStoreData(ctx, a, "A").Found);
    const auto [c, i] = a.FindItem("Dairy", "Milk");
    a.ItemAt(c, i).Qty = 2;
    a.ItemAt(c, i).HasCoupon = true;
    RenameCounter renames(dir.path());
    SaveItem(ctx, a, c, i);
    EXPECT_EQ(renames.Counts(), (std::map<std::string, int>{{"A.store", 1}, {"B.store", 1}}));
    EXPECT_EQ(read("A", "Dairy", "Milk"), "1,-,,-,2,-,1,-,0,-,0");
    EXPECT_EQ(read("B", "Dairy", "Milk"), "B aisle,-,b note,-,5,-,1,-,0,-,0");

    int rewrites = 0;
    const std::string moved = dir.path() + ".moved";
    qmtest::AtReplacing again(path("A"), [&] {
        if (++rewrites > 1)
            fs::rename(dir.path(), moved);
    });
    WriteStoreString(ctx, "A", "Dairy", "Milk", "1,-,,-,3,-,1,-,46400,-,0,-,");
    if (fs::exists(moved))
        fs::rename(moved, dir.path());
    EXPECT_EQ(rewrites, 1);
    EXPECT_EQ(read("B", "Dairy", "Milk"), "B aisle,-,b note,-,5,-,1,-,46400,-,0");
}

TEST_F(CarryOverTest, StoreOnlyLinesAndStoresWithoutCouponsAreLeftAlone)
{
    WriteStoreString(ctx, "B", "Dairy", "Milk", "B,-,,-,5,-,0,-,0,-,1"); // B's line is store-only
    WriteStoreString(ctx, "A", "Dairy", "Milk", "1,-,,-,2,-,1,-,0,-,0,-,");
    EXPECT_EQ(read("B", "Dairy", "Milk"), "B,-,,-,5,-,0,-,0,-,1");

    WriteStoreString(ctx, "B", "Dairy", "Milk", "B,-,,-,5,-,0,-,0,-,0");
    WriteStoreString(ctx, "A", "--Info--", "AcceptsCoupons", "0");
    WriteStoreString(ctx, "A", "Dairy", "Milk", "1,-,,-,3,-,1,-,0,-,0,-,");
    EXPECT_EQ(read("A", "Dairy", "Milk"), "1,-,,-,3,-,1,-,0,-,0,-,");
    EXPECT_EQ(read("B", "Dairy", "Milk"), "B,-,,-,5,-,0,-,0,-,0");

    // A receiving store that does not take coupons still keeps the carried fields.
    WriteStoreString(ctx, "A", "--Info--", "AcceptsCoupons", "1");
    WriteStoreString(ctx, "B", "--Info--", "AcceptsCoupons", "0");
    WriteStoreString(ctx, "A", "Dairy", "Milk", "1,-,,-,3,-,1,-,0,-,0,-,");
    EXPECT_EQ(read("B", "Dairy", "Milk"), "B,-,,-,5,-,1,-,0,-,0");
}

// Another window may remove the line between its write and the carry-over: a line that is not
// there carries nothing, where its empty fields would clear the coupon in every other store.
TEST_F(CarryOverTest, ALineRemovedSinceItsWriteCarriesNothing)
{
    WriteStoreString(ctx, "A", "Dairy", "Milk", "1,-,,-,2,-,1,-,46400,-,0,-,");
    ASSERT_EQ(read("B", "Dairy", "Milk"), "B aisle,-,b note,-,5,-,1,-,46400,-,0");
    DeleteStoreKey(ctx, "A", "Dairy", "Milk"); // the other window
    EXPECT_TRUE(PropagateCoupon(ctx, "A", "Dairy", "Milk").empty());
    EXPECT_EQ(read("B", "Dairy", "Milk"), "B aisle,-,b note,-,5,-,1,-,46400,-,0");
}

// The writes a window makes from its record: a file another program changed since the record
// was read is left alone, and nothing is carried from the line not written. The loader's watch
// knows the file as the expired coupons it cleared left it.
TEST_F(CarryOverTest, WritesFromARecordLeaveAFileChangedSinceItWasReadAndCarryNothing)
{
    QMStore a;
    IniFile::Watch watch;
    ASSERT_TRUE(LoadStoreData(ctx, a, "A", &watch).Found);
    const auto [c, i] = a.FindItem("Dairy", "Milk");
    a.ItemAt(c, i).HasCoupon = true;
    StoreBatch batch;
    batch.Write("Dairy", "Milk", a.FormatItemValue(c, i));
    qmtest::WriteFile(path("A"), qmtest::ReadFile(path("A")) + "[Fruit]\r\n");
    const std::string fileA = qmtest::ReadFile(path("A")), fileB = qmtest::ReadFile(path("B"));
    EXPECT_FALSE(SaveItemIfUnchanged(ctx, a, c, i, watch));
    EXPECT_FALSE(SaveItemsIfUnchanged(ctx, a, {{c, i}}, watch));
    EXPECT_FALSE(ApplyStoreBatchIfUnchanged(ctx, "A", batch, watch));
    EXPECT_EQ(qmtest::ReadFile(path("A")), fileA);
    EXPECT_EQ(qmtest::ReadFile(path("B")), fileB);

    makeStore("E", {"[Dairy]", "Milk=,-,,-,1,-,1,-,45000,-,0,-,"});
    QMStore e;
    ASSERT_TRUE(LoadStoreData(ctx, e, "E", &watch).Found);
    EXPECT_EQ(read("E", "Dairy", "Milk"), ",-,,-,1,-,0,-,0,-,0");
    EXPECT_EQ(read("B", "Dairy", "Milk"), "B aisle,-,b note,-,5,-,0,-,0,-,0");
    EXPECT_EQ(watch.Look(path("E")), IniFile::Watch::State::Unchanged);
    e.ItemAt(0, 0).HasCoupon = true;
    EXPECT_TRUE(SaveItemIfUnchanged(ctx, e, 0, 0, watch));
    EXPECT_EQ(read("B", "Dairy", "Milk"), "B aisle,-,b note,-,5,-,1,-,0,-,0");
}

TEST_F(CarryOverTest, AFailingStoreIsReportedOnceAndTheOthersStillReceive)
{
    makeStore("D", {"[Dairy]", "Milk=D,-,,-,1"});
    // B's file cannot be rewritten: its lock file is taken by a folder of that name.
    fs::create_directory(IniFile::LockFileFor(path("B")));
    dialogs->expectBox("\"B\"");
    WriteStoreString(ctx, "A", "Dairy", "Milk", "1,-,,-,2,-,1,-,0,-,0,-,");
    EXPECT_EQ(read("A", "Dairy", "Milk"), "1,-,,-,2,-,1,-,0,-,0");
    EXPECT_EQ(read("D", "Dairy", "Milk"), "D,-,,-,1,-,1,-,0,-,0");
    EXPECT_EQ(read("B", "Dairy", "Milk"), "B aisle,-,b note,-,5,-,0,-,0,-,0,-,");
}

TEST_F(StoreFolderTest, KeyAndSectionRenamesNeverLoseAnItem)
{
    std::initializer_list<std::string> lines = {
        "[Dairy]", "Milk=m", "---blank---=kept", "Odd,,name=o", "[Fruit]", "Milk=fruit milk", "Pear=p"};
    makeStore("S", lines);
    RenameStoreKey(ctx, "S", "Dairy", "Milk", "MILK");
    EXPECT_EQ(ReadStoreSectionKeys(ctx, "S", "Dairy"), "Milk,,---blank---,,Odd,,name,,");
    EXPECT_EQ(read("S", "Dairy", "milk"), "m");
    AddStoreSection(ctx, "S", "Dairy"); // leaves the existing keys alone
    AddStoreSection(ctx, "S", "Empty");
    EXPECT_EQ(read("S", "Dairy", "---blank---"), "kept");
    MoveStoreKey(ctx, "S", "Dairy", "Milk", "DAIRY"); // the same section: the item stays
    EXPECT_EQ(read("S", "Dairy", "Milk"), "m");

    RenameStoreSection(ctx, "S", "Fruit", "fruit"); // case only: the section stays as it is
    EXPECT_EQ(ReadStoreCategories(ctx, "S"), "Dairy,,Fruit,,Empty,,");
    RenameStoreSection(ctx, "S", "Dairy", "Fruit"); // a merge: same names take Dairy's lines
    EXPECT_EQ(read("S", "Fruit", "Milk"), "m");
    EXPECT_EQ(read("S", "Fruit", "Pear"), "p");
    EXPECT_EQ(read("S", "Fruit", "Odd,,name"), "o");
    EXPECT_EQ(read("S", "Fruit", "---blank---"), "kept");
    RenameStoreSection(ctx, "S", "Empty", "Still empty");
    EXPECT_EQ(ReadStoreCategories(ctx, "S"), "Fruit,,Still empty,,");
}

TEST_F(StoreFolderTest, WritesThatTheFileCouldNotReadBackAreRefused)
{
    makeStore("S", {"[Dairy]", "Milk=1"});
    const std::string before = qmtest::ReadFile(path("S"));
    EXPECT_THROW(WriteStoreString(ctx, "S", "", "Milk", "1"), EStoreError);
    EXPECT_THROW(WriteStoreString(ctx, "S", "Dairy", "", "1"), EStoreError);
    EXPECT_THROW(WriteStoreString(ctx, "S", "Dairy", "a=b", "1"), EStoreError);
    EXPECT_THROW(WriteStoreString(ctx, "S", "Dairy", "Milk", "1\n[--Info--]"), EStoreError);
    EXPECT_THROW(AddStoreSection(ctx, "S", ""), EStoreError);
    EXPECT_THROW(RenameStoreSection(ctx, "S", "Dairy", ""), EStoreError);
    EXPECT_THROW(MoveStoreKey(ctx, "S", "Dairy", "Milk", ""), EStoreError);
    EXPECT_THROW(WriteErrand(ctx, "S", "", true), EStoreError);
    EXPECT_THROW(WriteStoreString(ctx, "", "Dairy", "Milk", "1"), EStoreError);
    EXPECT_EQ(qmtest::ReadFile(path("S")), before);
    EXPECT_FALSE(fs::exists(path("")));
}

// A store's file that went away (deleted, renamed) is never made again by a write: every
// writer says the store was not found and leaves the folder as it is, and the coupon carried
// from another store does not bring it back. In a folder that is gone the write fails.
TEST_F(CarryOverTest, NoWriteMakesAStoreThatWentAway)
{
    QMStore a;
    IniFile::Watch watch;
    ASSERT_TRUE(LoadStoreData(ctx, a, "A", &watch).Found);
    fs::rename(path("A"), path("A renamed"));
    StoreBatch batch;
    batch.Write("Dairy", "Milk", "1");
    const std::vector<std::function<void()>> writes = {
        [&] { WriteStoreString(ctx, "A", "Dairy", "Milk", "1"); },
        [&] { WriteErrand(ctx, "A", "Bank", true); },
        [&] { DeleteStoreKey(ctx, "A", "Dairy", "Milk"); },
        [&] { EraseStoreSection(ctx, "A", "Dairy"); },
        [&] { AddStoreSection(ctx, "A", "Dairy"); },
        [&] { RenameStoreKey(ctx, "A", "Dairy", "Milk", "Oat Milk"); },
        [&] { MoveStoreKey(ctx, "A", "Dairy", "Milk", "Fruit"); },
        [&] { RenameStoreSection(ctx, "A", "Dairy", "Fruit"); },
        [&] { ApplyStoreBatch(ctx, "A", batch); },
        [&] { SaveItem(ctx, a, 0, 0); },
        [&] {
            SaveItems(ctx, a, {{0, 0}});
        },
        [&] { SaveLastItemSelected(ctx, a); },
        [&] { SaveItemIfUnchanged(ctx, a, 0, 0, watch); },
        [&] {
            SaveItemsIfUnchanged(ctx, a, {{0, 0}}, watch);
        },
        [&] { ApplyStoreBatchIfUnchanged(ctx, "A", batch, watch); },
    };
    for (size_t n = 0; n < writes.size(); ++n) {
        try {
            writes[n]();
            ADD_FAILURE() << "write " << n << " went through";
        } catch (const EStoreNotFound& e) {
            EXPECT_EQ(e.Store, "A");
            EXPECT_STREQ(e.what(), "Store file \"A\" not found.");
        }
    }
    WriteStoreString(ctx, "B", "Dairy", "Milk", "B aisle,-,,-,1,-,1,-,46500,-,0,-,");
    EXPECT_FALSE(fs::exists(path("A")));
    EXPECT_EQ(read("A renamed", "Dairy", "Milk"), "1,-,,-,1,-,0,-,0,-,0,-,");

    ctx.StoresFolder = dir.path() + "/gone/";
    EXPECT_THROW(WriteStoreString(ctx, "A", "Dairy", "Milk", "1"), EInOutError);
}

namespace {

// The names in a folder, sorted; none when there is no such folder.
std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

// A receiving store that goes while the coupon is carried to it (another window renames it just
// before the new content takes its place) is left alone, under its new name as it was, with no
// failure to tell; the written store has its line. (The written store itself going is the
// rewrite's own case, tested with the INI files and the window.)
TEST_F(CarryOverTest, AReceivingStoreThatGoesWhileItIsWrittenIsLeftAlone)
{
    const std::string fileB = qmtest::ReadFile(path("B"));
    qmtest::AtReplacing other(path("B"), [&] { fs::rename(path("B"), path("B renamed")); });
    WriteStoreString(ctx, "A", "Dairy", "Milk", "1,-,,-,2,-,1,-,46400,-,0,-,");
    EXPECT_EQ(read("A", "Dairy", "Milk"), "1,-,,-,2,-,1,-,46400,-,0");
    EXPECT_EQ(qmtest::ReadFile(path("B renamed")), fileB);
    EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"A.store", "B renamed.store", "C.store"}));
}

TEST_F(LoadStoreTest, SaveItemAndTheSelectionWriteTheirLines)
{
    makeStore("S", {"[Dairy]", "Milk=Produce,-,,-,1"});
    load("S");
    store.Categories[0].Items[0].Qty = 2;
    SaveItem(ctx, store, 0, 0);
    EXPECT_EQ(read("S", "Dairy", "Milk"), "Produce,-,,-,2,-,0,-,0,-,0");
    SaveLastItemSelected(ctx, store);
    EXPECT_EQ(read("S", "--Info--", "LastItemSelected"), "&-&");
    store.SelCategory = 0;
    store.SelItem = 0;
    SaveLastItemSelected(ctx, store);
    EXPECT_EQ(read("S", "--Info--", "LastItemSelected"), "Milk&-&Dairy");
}

// Many items saved at once end as saving each on its own: carried to the other stores or not
// (store-only lines, a category with "--", a store without coupons, the open store in the
// picker or not).
TEST_F(LoadStoreTest, SavingManyItemsEndsAsSavingEachAlone)
{
    std::mt19937 rng(13);
    qmtest::TempDir refDir;
    StoreContext ref;
    ref.StoresFolder = refDir.path() + "/";
    auto line = [&] {
        return "A" + std::to_string(rng() % 3) + ",-,n,-," + std::to_string(rng() % 3) + ",-," +
               std::to_string(rng() % 2) + ",-,48000,-," + (rng() % 4 ? "0" : "1") + (rng() % 2 ? ",-," : "");
    };
    for (int round = 0; round < 20; ++round) {
        ctx.PickerStores.clear();
        ref.PickerStores.clear();
        for (const char* name : {"Shop", "Other", "Third"}) {
            std::string text = "[--Info--]\r\nAcceptsCoupons=" + std::string(rng() % 4 ? "1" : "0") + "\r\n";
            for (const char* cat : {"Dairy", "Bulk--Foods", "Pantry"}) {
                text += "[" + std::string(cat) + "]\r\n";
                for (const char* item : {"Milk", "Eggs", "Salt", "Rice"})
                    if (rng() % 4)
                        text += std::string(item) + "=" + line() + "\r\n";
            }
            qmtest::WriteFile(path(name), text);
            qmtest::WriteFile(ref.StoresFolder + name + ".store", text);
            if (name != std::string("Shop") || rng() % 3) {
                ctx.PickerStores.push_back(name);
                ref.PickerStores.push_back(name);
            }
        }
        ASSERT_TRUE(load("Shop").Found);
        std::vector<std::pair<int32_t, int32_t>> items;
        for (int32_t c = 0; c < store.CategoryCount(); ++c)
            for (int32_t i = 0; i < store.Categories[size_t(c)].ItemCount(); ++i) {
                if (rng() % 3 == 0)
                    continue;
                QMItem& item = store.Categories[size_t(c)].Items[size_t(i)];
                item.Qty = int32_t(rng() % 3);
                item.HasCoupon = rng() % 2;
                item.CouponExpire = rng() % 2 ? 48000 : 0;
                item.IsStoreCoupon = rng() % 4 == 0;
                items.emplace_back(c, i);
            }
        EXPECT_TRUE(SaveItems(ctx, store, items).empty());
        for (const auto& [c, i] : items)
            SaveItem(ref, store, c, i);
        for (const char* name : {"Shop", "Other", "Third"})
            EXPECT_EQ(qmtest::ReadFile(path(name)), qmtest::ReadFile(ref.StoresFolder + name + ".store"))
                << name;
        if (HasFailure())
            break;
    }
}
