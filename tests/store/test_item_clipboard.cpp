// The registry form of the item clipboard: values in their types, names that a key or the
// joined name list cannot carry, any number of entries, and the pasted line.
#include <gtest/gtest.h>

#include <map>

#include "TestSupport.h"
#include "platform/Exception.h"
#include "platform/Registry.h"
#include "store/ItemClipboard.h"
#include "store/NameRules.h"
#include "util/RegUtils.h"

using namespace qm;

namespace {

constexpr const char* kCo = "Brenvoke Software";
constexpr const char* kPr = "Quillmart";

QMItem Item(const AnsiString& name, int32_t qty = 1)
{
    QMItem it;
    it.Name = name;
    it.Qty = qty;
    return it;
}

} // namespace

TEST(ItemClipboardTest, EntriesKeepTheirValuesAndACopyReplacesTheWholeClipboard)
{
    qmtest::PrivateRegistry registry;
    QMItem milk = Item("Milk", -3);
    milk.Aisle = "Dairy \xE9";
    milk.Note = "2%, skimmed";
    milk.HasCoupon = true;
    milk.CouponExpire = 46012.75;
    milk.IsStoreCoupon = true;
    WriteClipboard(kCo, kPr, {Item("Old")});
    WriteClipboard(kCo, kPr, {milk, Item("apple")});

    EXPECT_EQ(ClipboardKeys(kCo, kPr), (std::vector<AnsiString>{"apple", "Milk"}));
    const std::vector<ClipboardEntry> got = ReadClipboard(kCo, kPr);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].Qty, -3);
    EXPECT_EQ(got[1].Aisle, "Dairy \xE9");
    EXPECT_EQ(got[1].Note, "2%, skimmed");
    EXPECT_TRUE(got[1].HasCoupon);
    EXPECT_EQ(got[1].CouponExpire, 46012.75);
    EXPECT_TRUE(got[1].IsStoreCoupon);
    EXPECT_EQ(FormatClipboardLine(got[1]), "Dairy \xE9,-,2%, skimmed,-,-3,-,1,-,46012.75,-,1");
    // Plain names are their own keys, with no extra value.
    EXPECT_FALSE(RegValueExists(kCo, kPr, "Clipboard\\Milk", "Name"));

    WriteClipboard(kCo, kPr, {});
    EXPECT_FALSE(ClipboardHasEntries(kCo, kPr));
    EXPECT_TRUE(ReadClipboard(kCo, kPr).empty());
}

TEST(ItemClipboardTest, MissingValuesReadAsDefaults)
{
    qmtest::PrivateRegistry registry;
    RegWriteString(kCo, kPr, "Clipboard\\Bare", "A3", "Aisle");
    const std::vector<ClipboardEntry> got = ReadClipboard(kCo, kPr);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].Name, "Bare");
    EXPECT_EQ(FormatClipboardLine(got[0]), "A3,-,,-,0,-,0,-,0,-,0");
}

TEST(ItemClipboardTest, NamesAKeyOrTheJoinedListCannotCarryAreStoredAsAValue)
{
    qmtest::PrivateRegistry registry;
    const std::vector<QMItem> items = {Item("A\\B", 1), Item("a/b", 2), Item("C,,,D", 3), Item(",E", 4),
                                       Item("A/B (2)", 5)};
    WriteClipboard(kCo, kPr, items);
    const std::vector<AnsiString> keys = ClipboardKeys(kCo, kPr);
    ASSERT_EQ(keys.size(), 5u); // no stand-in took a plain name's key or another stand-in's
    for (const AnsiString& key : keys)
        EXPECT_EQ(key.find('\\'), AnsiString::npos);
    AnsiString joined;
    int count = 0;
    RegGetKeyNames(kCo, kPr, "Clipboard", joined, count, ",,,");
    EXPECT_EQ(count, 5);
    EXPECT_EQ(joined.find(",,,,"), AnsiString::npos); // the joined list splits cleanly

    std::map<AnsiString, int32_t> back;
    for (const ClipboardEntry& e : ReadClipboard(kCo, kPr))
        back[e.Name] = e.Qty;
    EXPECT_EQ(back, (std::map<AnsiString, int32_t>{
                        {"A\\B", 1}, {"a/b", 2}, {"C,,,D", 3}, {",E", 4}, {"A/B (2)", 5}}));

    // Deleting by key removes that entry only; a key naming a deeper path removes nothing.
    DeleteClipboardEntry(kCo, kPr, "a/b");
    DeleteClipboardEntry(kCo, kPr, "a\\b");
    EXPECT_EQ(ClipboardKeys(kCo, kPr).size(), 4u);
}

TEST(ItemClipboardTest, EveryEntryOfALargeClipboardIsRead)
{
    qmtest::PrivateRegistry registry;
    std::vector<QMItem> items;
    for (int i = 0; i < 300; ++i)
        items.push_back(Item("Item" + std::to_string(i), i));
    WriteClipboard(kCo, kPr, items);
    const std::vector<ClipboardEntry> got = ReadClipboard(kCo, kPr);
    ASSERT_EQ(got.size(), 300u);
    int32_t sum = 0;
    for (const ClipboardEntry& e : got)
        sum += e.Qty;
    EXPECT_EQ(sum, 299 * 300 / 2);
}

// Two program processes copying different categories at once while a third reads, all on the
// one registry file: every read, and the clipboard at the end, is one whole copy, never a mix
// of the two nor a part of one. The writers start once the reader reads, and the reader reads
// until both have finished, so the three overlap however the processes are scheduled.
TEST(ItemClipboardTest, CopiesFromTwoProcessesAtOnceNeverMixAndAReaderSeesOneWholeCopy)
{
    qmtest::PrivateRegistry registry;
    constexpr size_t kItems = 100;
    constexpr int kCopies = 20;
    std::map<char, std::vector<QMItem>> copies;
    for (const char letter : {'A', 'B'})
        for (size_t i = 0; i < kItems; ++i) {
            QMItem it = Item(Format("%c%03zu", letter, i), letter == 'A' ? 1 : 2);
            it.Note = std::string(1, letter);
            copies[letter].push_back(it);
        }
    // "A" or "B" for one whole copy, else what the read found.
    const auto judge = [&](const std::vector<ClipboardEntry>& got) -> std::string {
        if (got.size() != kItems)
            return std::to_string(got.size()) + " entries";
        const auto copy = copies.find(got[0].Name.empty() ? '?' : got[0].Name[0]);
        if (copy == copies.end())
            return "an entry " + got[0].Name;
        const std::vector<QMItem>& want = copy->second;
        for (size_t i = 0; i < kItems; ++i)
            if (got[i].Name != want[i].Name || got[i].Qty != want[i].Qty || got[i].Note != want[i].Note)
                return "among " + got[0].Name + "... " + got[i].Name + " with Qty " +
                       std::to_string(got[i].Qty) + " and Note \"" + got[i].Note + "\"";
        return got[0].Name.substr(0, 1);
    };
    WriteClipboard(kCo, kPr, copies['A']);
    CloseRegistryDatabase(); // each process opens the file for itself

    const auto writer = [&](char letter) {
        return [&, letter] {
            std::string outcome = "done";
            try {
                // Bounded only so that a reader that never starts cannot hang the test.
                for (int looks = 0; looks < 100000 && !RegValueExists(kCo, kPr, "Settings", "ReaderUp");
                     ++looks)
                    ;
                for (int n = 0; n < kCopies; ++n)
                    WriteClipboard(kCo, kPr, copies[letter]);
            } catch (const std::exception& e) {
                outcome = e.what();
            }
            RegWriteBool(kCo, kPr, "Settings", true, std::string("Done") + letter);
            return outcome;
        };
    };
    qmtest::ChildProcess reader([&] {
        RegWriteBool(kCo, kPr, "Settings", true, "ReaderUp");
        int reads = 0;
        for (bool last = false; !last && reads < 100000; ++reads) {
            last = RegValueExists(kCo, kPr, "Settings", "DoneA") &&
                   RegValueExists(kCo, kPr, "Settings", "DoneB");
            const std::string found = judge(ReadClipboard(kCo, kPr));
            if (found != "A" && found != "B")
                return "read " + std::to_string(reads + 1) + " found " + found;
        }
        return std::string("whole");
    });
    qmtest::ChildProcess copyA(writer('A'));
    qmtest::ChildProcess copyB(writer('B'));
    EXPECT_EQ(copyA.Wait(), "done");
    EXPECT_EQ(copyB.Wait(), "done");
    EXPECT_EQ(reader.Wait(), "whole");
    const std::string last = judge(ReadClipboard(kCo, kPr));
    EXPECT_TRUE(last == "A" || last == "B") << last;
}

TEST(ItemClipboardTest, StoredNamesSkipOnlyTheRuleForNewNames)
{
    EXPECT_EQ(StoredNameProblem(NameKind::Item, "Q&-&R"), "");
    EXPECT_NE(NameProblem(NameKind::Item, AnsiString("Q&-&R")), "");
    for (const char* bad : {"", " Milk", "X=Y", "[Milk", "A,,B", "Milk,", "a\nb"})
        EXPECT_NE(StoredNameProblem(NameKind::Item, bad), "") << bad;
}
