#include <gtest/gtest.h>

#include <QString>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <thread>

#include "StoreTestSupport.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"
#include "store/NameRules.h"
#include "util/ExtraStrUtils.h"

using namespace qm;

// Two storage folders with the same stores: one receives a batch, the other the same steps
// one by one; the files must end byte for byte alike.
class StoreBatchTest : public StoreFolderTest {
protected:
    qmtest::TempDir twinDir;
    StoreContext twin;

    void SetUp() override
    {
        StoreFolderTest::SetUp();
        twin.StoresFolder = twinDir.path() + "/";
    }
    void makeBoth(const std::string& store, const std::string& text)
    {
        qmtest::WriteFile(path(store), text);
        qmtest::WriteFile(twin.StoresFolder + store + ".store", text);
        ctx.PickerStores.push_back(store);
        twin.PickerStores.push_back(store);
    }
    // The batch goes to the store in the first folder, its steps one by one to the twin: each
    // write as the line written and then its coupon carried to every store of the picker, the
    // written one included (PropagateCoupon), the long-standing meaning of a single write.
    void expectBatchEndsAsItsSteps(const AnsiString& store, const StoreBatch& batch)
    {
        EXPECT_TRUE(ApplyStoreBatch(ctx, store, batch).empty());
        for (const auto& s : batch.Steps()) {
            switch (s.op) {
            case StoreBatch::Op::Write:
                IniFile(StoreFilePath(twin, store)).WriteString(s.Section, s.Key, s.Value);
                EXPECT_TRUE(PropagateCoupon(twin, store, s.Section, s.Key).empty());
                break;
            case StoreBatch::Op::DeleteKey:
                DeleteStoreKey(twin, store, s.Section, s.Key);
                break;
            case StoreBatch::Op::EraseSection:
                EraseStoreSection(twin, store, s.Section);
                break;
            case StoreBatch::Op::AddSection:
                AddStoreSection(twin, store, s.Section);
                break;
            case StoreBatch::Op::RenameKey:
                RenameStoreKey(twin, store, s.Section, s.Key, s.Value);
                break;
            case StoreBatch::Op::RenameSection:
                RenameStoreSection(twin, store, s.Section, s.Value);
                break;
            case StoreBatch::Op::MoveKey:
                MoveStoreKey(twin, store, s.Section, s.Key, s.Value);
                break;
            }
        }
        for (const auto& s : ctx.PickerStores)
            EXPECT_EQ(qmtest::ReadFile(path(s)), qmtest::ReadFile(twin.StoresFolder + s + ".store")) << s;
    }
};

TEST_F(StoreBatchTest, RandomBatchesEndAsTheSingleStepsDo)
{
    std::mt19937 rng(7);
    const char* items[] = {"Milk", "milk", "Eggs", "Salt", "Bread"};
    const char* cats[] = {"Dairy", "DAIRY", "Pantry", "Bulk--Foods", "--Info--"};
    auto line = [&] {
        std::string l = std::string("A") + char('0' + rng() % 3) + ",-,n,-," + std::to_string(rng() % 4) +
                        ",-," + std::to_string(rng() % 2) + ",-," + std::to_string(46000 + rng() % 3) +
                        ",-," + std::to_string(rng() % 4 == 0 ? 1 : 0);
        if (rng() % 2)
            l += ",-,";
        return l;
    };
    for (int round = 0; round < 40; ++round) {
        ctx.PickerStores.clear();
        twin.PickerStores.clear();
        for (const char* store : {"One", "Two", "Three"}) {
            std::string text =
                "[--Info--]\r\nAcceptsCoupons=" + std::string(rng() % 5 == 0 ? "0" : "1") + "\r\n";
            for (const char* cat : {"Dairy", "Pantry", "Bulk--Foods"}) {
                text += "[" + std::string(cat) + "]\r\n";
                for (const char* item : {"Milk", "Eggs", "Salt"})
                    if (rng() % 3)
                        text += std::string(item) + "=" + line() + "\r\n";
            }
            makeBoth(store, text);
        }
        StoreBatch batch;
        for (int n = 0; n < 12; ++n) {
            const char* cat = cats[rng() % 5];
            const char* item = items[rng() % 5];
            switch (rng() % 15) {
            case 0:
                batch.DeleteKey(cat, item);
                break;
            case 7:
                batch.MoveKey(cat, item, cats[rng() % 5]);
                break;
            case 1:
                batch.AddSection("New");
                break;
            case 2:
                batch.Write("--Info--", "AcceptsCoupons", rng() % 2 ? "0" : "1");
                break;
            case 3:
                batch.RenameKey(cat, item, items[rng() % 5]);
                break;
            case 4:
                batch.RenameSection(cat, cats[rng() % 5]);
                break;
            case 5:
                batch.Write("--INFO--", "acceptscoupons", rng() % 2 ? " 0" : "1");
                break;
            case 6:
                batch.Write(cat, item, " \t" + line() + "  ");
                break; // the file drops the blanks
            default:
                batch.Write(cat, item, line());
                break;
            }
        }
        const AnsiString store = ctx.PickerStores[rng() % 3];
        expectBatchEndsAsItsSteps(store, batch);
        if (HasFailure())
            break;
    }
}

// Receiving and written lines of every odd shape: fewer than three or six fields, separators
// that overlap (",-,-,"), an empty line, store-only marks, blanks around the value.
TEST_F(StoreBatchTest, OddLinesCarryAsTheSingleStepsCarryThem)
{
    const std::vector<std::string> lines = {"",
                                            "A",
                                            "A,-,n",
                                            "A,-,-,n,-,1",
                                            ",-,-,-,-,",
                                            "A,-,n,-,2",
                                            "A,-,n,-,2,-,",
                                            "A,-,n,-,2,-,1,-,46000,-,0",
                                            "A,-,n,-,2,-,1,-,46000,-,1",
                                            "A,-,n,-,2,-,-,5,-,0",
                                            "A,-,-,-,2,-,1,-,4,-,-,0,-,",
                                            "A,-,n,-,2,-,1,-,46000,-,0,-,x,-,y",
                                            " A,-,n,-,2,-,1 "};
    std::mt19937 rng(5);
    for (int round = 0; round < 30; ++round) {
        ctx.PickerStores.clear();
        twin.PickerStores.clear();
        for (const char* store : {"One", "Two", "Three"}) {
            std::string text = "[Dairy]\r\n";
            for (const char* item : {"Milk", "Eggs", "Salt", "Cream"})
                text += std::string(item) + "=" + lines[rng() % lines.size()] + "\r\n";
            makeBoth(store, text);
        }
        StoreBatch batch;
        for (const char* item : {"Milk", "Eggs", "Salt", "Cream"})
            batch.Write("Dairy", item, lines[rng() % lines.size()]);
        const AnsiString store = ctx.PickerStores[rng() % 3];
        expectBatchEndsAsItsSteps(store, batch);
        if (HasFailure())
            break;
    }
}

// The splitting every batch does on each line against the one the field readers use, on texts
// that end where their block of memory ends.
TEST(SplitFields, SplitsAsGetDelimitedFieldDoes)
{
    std::mt19937 rng(9);
    const char* delimiters[] = {",-,", ",,", "-", "aa", "a,-,", "ab,-,-,xy"};
    for (const char* delimiter : delimiters) {
        for (int round = 0; round < 400; ++round) {
            std::string text(rng() % 80, 'x');
            for (char& c : text)
                c = ",-ax"[rng() % 4];
            // Split where the text ends its block, so that a sanitizer build catches a read past it.
            const std::unique_ptr<char[]> block(new char[text.size()]);
            std::copy(text.begin(), text.end(), block.get());
            const std::string_view exact(block.get(), text.size());
            const auto fields = SplitFields(delimiter, exact, 255);
            for (int n = 1; n <= 80; ++n)
                ASSERT_EQ(n <= int(fields.size()) ? std::string(fields[size_t(n - 1)]) : std::string(),
                          GetDelimitedField(delimiter, text, n))
                    << delimiter << " in \"" << text << "\" field " << n;
            if (!fields.empty()) {
                ASSERT_EQ(SplitFields(delimiter, exact, 2).size(), std::min<size_t>(2, fields.size()));
            }
        }
    }
}

// The six-field splitter of item lines against the field routine: every field, the count,
// and the head and tail it hands out whole only where they read back as the same fields.
TEST(ItemLineFields, SplitsTheFirstSixFieldsAsGetDelimitedFieldDoes)
{
    std::mt19937 rng(11);
    std::vector<std::string> texts = {"",
                                      ",",
                                      "-",
                                      ",-",
                                      ",-,",
                                      ",-,-,",
                                      "a,-",
                                      "a,-,",
                                      ",-,-,-,-,-,-,-,-,",
                                      "Produce,-,,-,2,-,0,-,0,-,0,-,",
                                      std::string(17, ',') + "-",
                                      std::string(16, 'x') + ",-",
                                      std::string(15, 'x') + ",-,"};
    for (int round = 0; round < 3000; ++round) {
        std::string text(rng() % 70, 'x');
        for (char& c : text)
            c = ",-ax"[rng() % 4];
        texts.push_back(text);
    }
    const std::string sep = kFieldSeparator;
    for (const std::string& text : texts) {
        const std::unique_ptr<char[]> block(new char[text.size()]);
        std::copy(text.begin(), text.end(), block.get());
        const ItemLineFields f(std::string_view(block.get(), text.size()));
        ASSERT_EQ(f.Count(), std::min<size_t>(6, SplitFields(kFieldSeparator, text, 255).size())) << text;
        for (size_t n = 1; n <= 7; ++n)
            ASSERT_EQ(std::string(f(n)), n <= 6 ? GetDelimitedField(kFieldSeparator, text, int(n)) : "")
                << "\"" << text << "\" field " << n;
        std::string_view part;
        if (f.HeadOfThree(part)) {
            ASSERT_EQ(std::string(part),
                      std::string(f(1)) + sep + std::string(f(2)) + sep + std::string(f(3)))
                << text;
            ASSERT_EQ(part.data(), block.get()) << text;
        }
        if (f.TailFromFour(part)) {
            ASSERT_EQ(std::string(part),
                      sep + std::string(f(4)) + sep + std::string(f(5)) + sep + std::string(f(6)))
                << text;
        }
    }
}

TEST_F(StoreBatchTest, EachFileIsRewrittenOnce)
{
    makeBoth("Open", "[Dairy]\r\nMilk=,-,,-,1\r\nEggs=,-,,-,1\r\n");
    makeBoth("Other", "[Dairy]\r\nMilk=x,-,,-,5\r\nEggs=y,-,,-,6\r\n");
    makeBoth("Untouched", "[Pantry]\r\nSalt=,-,,-,1\r\n");
    struct stat before {};
    ::stat(path("Untouched").c_str(), &before);
    StoreBatch batch;
    batch.Write("Dairy", "Milk", ",-,,-,0,-,1,-,46000,-,0,-,");
    batch.Write("Dairy", "Eggs", ",-,,-,0,-,1,-,46001,-,0,-,");
    EXPECT_TRUE(ApplyStoreBatch(ctx, "Open", batch).empty());
    EXPECT_EQ(read("Other", "Dairy", "Milk"), "x,-,,-,5,-,1,-,46000,-,0");
    EXPECT_EQ(read("Other", "Dairy", "Eggs"), "y,-,,-,6,-,1,-,46001,-,0");
    struct stat after {};
    ::stat(path("Untouched").c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino); // never rewritten
}

TEST_F(StoreBatchTest, BadNameRefusesTheWholeBatchAndAFailingReceiverIsNamed)
{
    makeBoth("Open", "[Dairy]\r\nMilk=,-,,-,1\r\n");
    makeBoth("Locked", "[Dairy]\r\nMilk=,-,,-,1\r\n");
    StoreBatch bad;
    bad.Write("Dairy", "Milk", ",-,,-,3");
    bad.Write("Dairy", "A=B", ",-,,-,3");
    EXPECT_THROW(ApplyStoreBatch(ctx, "Open", bad), EStoreError);
    EXPECT_EQ(read("Open", "Dairy", "Milk"), ",-,,-,1");

    // The receiving store is larger than the files this process may now write.
    qmtest::WriteFile(path("Locked"),
                      "[Dairy]\r\nMilk=,-,,-,1\r\n[Pad]\r\nx=" + std::string(5000, 'x') + "\r\n");
    StoreBatch ok;
    ok.Write("Dairy", "Milk", ",-,,-,3,-,1,-,46000,-,0,-,");
    CarryOverFailures failures;
    {
        qmtest::FileSizeLimit limit(4096);
        failures = ApplyStoreBatch(ctx, "Open", ok);
    }
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].Store, "Locked");
    EXPECT_NE(failures[0].Reason.find("Locked.store"), AnsiString::npos) << failures[0].Reason;
    EXPECT_EQ(read("Open", "Dairy", "Milk"), ",-,,-,3,-,1,-,46000,-,0");
    EXPECT_EQ(read("Locked", "Dairy", "Milk"), ",-,,-,1");
}

// Picker stores whose files read as missing (gone since the picker was filled, or not readable
// by this user) receive nothing and are no failure, as with the single writes.
TEST_F(StoreBatchTest, ReceiversThatReadAsMissingAreLeftAlone)
{
    makeStore("Open", {"[Dairy]", "Milk=,-,,-,1"});
    makeStore("Secret", {"[Dairy]", "Milk=,-,,-,5"});
    ctx.PickerStores.push_back("Gone");
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    ASSERT_EQ(chmod(path("Open").c_str(), 0666), 0);
    ASSERT_EQ(chmod(path("Secret").c_str(), 0600), 0);
    EXPECT_EQ(qmtest::AsOtherUser([&] {
                  StoreBatch batch;
                  batch.Write("Dairy", "Milk", ",-,,-,3,-,1,-,46000,-,0,-,");
                  return std::to_string(ApplyStoreBatch(ctx, "Open", batch).size()) + " failures";
              }),
              "0 failures");
    EXPECT_EQ(read("Open", "Dairy", "Milk"), ",-,,-,3,-,1,-,46000,-,0");
    EXPECT_EQ(read("Secret", "Dairy", "Milk"), ",-,,-,5");
    EXPECT_EQ(qmtest::ReadFile(path("Gone")), "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

// The carry-over decides under each receiving store's lock: a store that another program is
// giving the item while the batch runs receives the coupon once that write is done, though
// the window had read the store, without the item, long after its last change.
TEST_F(StoreBatchTest, ReceiverBeingGivenTheItemMeanwhileReceivesTheCoupon)
{
    makeStore("Open", {"[Dairy]", "Milk=,-,,-,1"});
    makeStore("Other", {"[Dairy]", "Eggs=,-,,-,2"});
    struct stat st {};
    ASSERT_EQ(stat(path("Other").c_str(), &st), 0);
    SetTestFileClock(st.st_ctim.tv_sec * 1'000'000'000LL + st.st_ctim.tv_nsec + 3'600'000'000'000LL);
    EXPECT_EQ(read("Other", "Dairy", "Eggs"), ",-,,-,2");
    SetTestFileClock(std::nullopt);

    qmtest::HeldFileLock other(path("Other"));
    std::atomic<bool> done = false;
    CarryOverFailures failures;
    std::thread batch([&] {
        StoreBatch b;
        b.Write("Dairy", "Milk", ",-,,-,3,-,1,-,46000,-,0,-,");
        failures = ApplyStoreBatch(ctx, "Open", b);
        done = true;
    });
    other.WaitForWaiterOr([&] { return done.load(); });
    qmtest::WriteFile(path("Other") + ".new", "[Dairy]\r\nEggs=,-,,-,2\r\nMilk=x,-,,-,5\r\n");
    EXPECT_EQ(std::rename((path("Other") + ".new").c_str(), path("Other").c_str()), 0);
    other.Release();
    batch.join();
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(read("Open", "Dairy", "Milk"), ",-,,-,3,-,1,-,46000,-,0");
    EXPECT_EQ(read("Other", "Dairy", "Milk"), "x,-,,-,5,-,1,-,46000,-,0");
}

TEST(NameRules, RefusesWhatTheFileCannotCarryBack)
{
    struct Case {
        NameKind kind;
        std::string name;
    };
    const Case refused[] = {
        {NameKind::Item, ""},
        {NameKind::Item, "   "},
        {NameKind::Item, " Milk"},
        {NameKind::Item, "Milk "},
        {NameKind::Item, "Mi\rlk"},
        {NameKind::Item, "a=b"},
        {NameKind::Item, "[Milk"},
        {NameKind::Item, ";Milk"},
        {NameKind::Item, "Milk,,2%"},
        {NameKind::Item, "Milk,"},
        {NameKind::Item, "A&-&B"},
        {NameKind::Category, "Dairy]"},
        {NameKind::Category, "--X"},
        {NameKind::Category, "A&-&B"},
        {NameKind::Aisle, "A,-,B"},
        {NameKind::Aisle, ",Front"},
        {NameKind::Errand, "x=y"},
        {NameKind::Store, "a/b"},
        {NameKind::Store, ".."},
        {NameKind::Store, std::string(250, 'x')},
        // A category is also a key of the hidden-category and aisle-guess sections.
        {NameKind::Category, "A=B"},
        {NameKind::Category, ";Odd"},
        {NameKind::Category, "Milk,,Eggs"},
        // The separator after an aisle would be found one place early.
        {NameKind::Aisle, "Back,-"},
        {NameKind::Note, "a,-,b"},
        {NameKind::Note, "-,first"},
        {NameKind::Note, "last,-"},
        {NameKind::Note, "two\nlines"},
    };
    for (const auto& c : refused)
        EXPECT_FALSE(NameProblem(c.kind, AnsiString(c.name)).empty()) << c.name;

    const Case accepted[] = {
        {NameKind::Item, "Milk 2%"},
        {NameKind::Item, "Salt & Pepper"},
        {NameKind::Category, "Bulk--Foods"},
        {NameKind::Category, "A-B"},
        {NameKind::Aisle, "Front, left"},
        {NameKind::Store, "Joe's \"Market\" $1"},
        {NameKind::Store, ".hidden"},
        {NameKind::Item, "Caf\xe9"},
        {NameKind::Store, std::string(249, 'x')},
        {NameKind::Aisle, "-,Back"},
        {NameKind::Note, ""},
        {NameKind::Note, " ask for the big one "},
        {NameKind::Note, "2 for 1, - or 3"},
    };
    for (const auto& c : accepted)
        EXPECT_EQ(NameProblem(c.kind, AnsiString(c.name)), "") << c.name;

    EXPECT_EQ(NameProblem(NameKind::Item, QString::fromUtf8("Caf\xc3\xa9")), "");
    EXPECT_NE(NameProblem(NameKind::Item, QString::fromUtf8("\xe6\x97\xa5")), ""); // not in Windows-1252
    EXPECT_NE(NameProblem(NameKind::Note, QString::fromUtf8("\xe6\x97\xa5")), "");
}

TEST_F(StoreFolderTest, AcceptNameShowsTheReason)
{
    dialogs->expectBox("must not contain \"]\"");
    EXPECT_FALSE(AcceptName(NameKind::Category, AnsiString("Odd]")));
    EXPECT_TRUE(AcceptName(NameKind::Category, QString("Dairy")));
}

// A note is accepted exactly when the item's line gives it back unchanged, with the fields
// after it in place.
TEST(NoteRules, AcceptExactlyTheNotesTheLineGivesBack)
{
    const char* notes[] = {"",   "low fat", "2 for 1, -50%", "a,-,b", "-,x",   "x,-", "-", "--", ",", ",,",
                           "-,", ",-",      "a - b",         ",x,",   " pad ", "x-,"};
    for (const char* n : notes) {
        const AnsiString note(n);
        const AnsiString line = AnsiString("Dairy") + kFieldSeparator + note + kFieldSeparator + "3" +
                                kFieldSeparator + "1" + kFieldSeparator;
        const auto fields = SplitFields(kFieldSeparator, line, 4);
        const bool readsBack = fields.size() >= 3 && fields[1] == note && fields[2] == "3";
        EXPECT_EQ(NameProblem(NameKind::Note, note).empty(), readsBack) << n;
    }
    EXPECT_NE(NameProblem(NameKind::Note, AnsiString("two\rlines")), "");
    EXPECT_EQ(NameProblem(NameKind::Note, QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac")), ""); // Windows-1252
}
