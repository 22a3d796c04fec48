// Whole store files: whether a store exists (letter case aside), and a new store written once.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "StoreTestSupport.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"
#include "store/NameRules.h"
#include "store/StoreFolder.h"

using namespace qm;
namespace fs = std::filesystem;

TEST_F(StoreFolderTest, AStoreExistsWhateverTheCaseOfItsName)
{
    makeStore("Corner Shop", {"[Dairy]"});
    EXPECT_EQ(ExistingStoreName(ctx.StoresFolder, "Corner Shop"), "Corner Shop");
    EXPECT_EQ(ExistingStoreName(ctx.StoresFolder, "CORNER shop"), "Corner Shop");
    EXPECT_EQ(ExistingStoreName(ctx.StoresFolder, "Corner"), "");
    // Only the letters a-z fold, as everywhere names are compared.
    qmtest::WriteFile(path("Caf\xe9"), "[Dairy]\r\n");
    EXPECT_EQ(ExistingStoreName(ctx.StoresFolder, "CAF\xe9"), "Caf\xe9");
    EXPECT_EQ(ExistingStoreName(ctx.StoresFolder, "CAF\xc9"), "");
    // A folder of the name would stand in the store file's way too.
    fs::create_directory(dir.file("Box.store"));
    EXPECT_EQ(ExistingStoreName(ctx.StoresFolder, "box"), "Box");
    // The lock file beside a store is not a store.
    EXPECT_EQ(ExistingStoreName(ctx.StoresFolder, "Corner Shop.store"), "");
    EXPECT_EQ(ExistingStoreName(ctx.StoresFolder, "../x"), "");
    EXPECT_EQ(ExistingStoreName(ctx.StoresFolder, ""), "");
}

TEST_F(StoreFolderTest, ANewStoreIsWrittenOnceAndNeverOverAnExistingOne)
{
    StoreBatch batch;
    batch.AddSection("Dairy");
    batch.AddSection("Bakery");
    batch.AddSection("DAIRY"); // already there
    batch.Write(kInfoSection, "StoreURL", "http://www.");
    batch.Write(kInfoSection, "Aisles", "1,,2,,");
    EXPECT_TRUE(CreateStoreFile(ctx, "New", batch));
    EXPECT_EQ(qmtest::ReadFile(path("New")),
              "[Dairy]\r\n[Bakery]\r\n[--Info--]\r\nStoreURL=http://www.\r\nAisles=1,,2,,\r\n");

    makeStore("Old", {"[Meat]"});
    EXPECT_FALSE(CreateStoreFile(ctx, "old", batch));
    EXPECT_FALSE(CreateStoreFile(ctx, "Old", batch));
    EXPECT_EQ(qmtest::ReadFile(path("Old")), "[Meat]\r\n");
    EXPECT_FALSE(fs::exists(path("old")));

    StoreBatch bad;
    bad.AddSection("Odd]");
    EXPECT_THROW(CreateStoreFile(ctx, "Bad", bad), EStoreError);
    EXPECT_THROW(CreateStoreFile(ctx, "a/b", batch), EStoreError);
    StoreBatch erase;
    erase.EraseSection("Dairy");
    EXPECT_THROW(CreateStoreFile(ctx, "Bad", erase), EInvalidOperation);
    EXPECT_FALSE(fs::exists(path("Bad")));
}

TEST_F(StoreFolderTest, AFullDiskLeavesNoPartOfANewStore)
{
    StoreBatch batch;
    for (int i = 0; i < 50; ++i)
        batch.AddSection("Category " + std::to_string(i));
    {
        qmtest::FileSizeLimit limit(100);
        EXPECT_THROW(CreateStoreFile(ctx, "Big", batch), EInOutError);
    }
    EXPECT_FALSE(fs::exists(path("Big")));
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        files += entry.path().extension() != ".lock";
    EXPECT_EQ(files, 0u);
}

TEST(NameRules, TheEmptyNameMessageReadsRight)
{
    EXPECT_EQ(NameProblem(NameKind::Aisle, AnsiString()),
              "Please enter an aisle name: it must not be empty.");
    EXPECT_EQ(NameProblem(NameKind::Errand, AnsiString(" ")),
              "Please enter an errand name: it must not be empty.");
    EXPECT_EQ(NameProblem(NameKind::Store, AnsiString()), "Please enter a store name: it must not be empty.");
}

TEST_F(StoreFolderTest, ARenameNeverReplacesAnotherFile)
{
    makeStore("beta", {"[Dairy]"});
    makeStore("Gamma", {"[Meat]"});
    try {
        RenameStoreFile(ctx.StoresFolder, "beta", "Gamma");
        FAIL() << "renamed over another store";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "The store \"beta\" cannot be renamed to \"Gamma\": File exists.");
    }
    EXPECT_EQ(qmtest::ReadFile(path("Gamma")), "[Meat]\r\n");
    EXPECT_EQ(qmtest::ReadFile(path("beta")), "[Dairy]\r\n");

    RenameStoreFile(ctx.StoresFolder, "beta", "BETA");
    EXPECT_FALSE(fs::exists(path("beta")));
    EXPECT_EQ(qmtest::ReadFile(path("BETA")), "[Dairy]\r\n");
    EXPECT_THROW(RenameStoreFile(ctx.StoresFolder, "beta", "Delta"), EInOutError);
    EXPECT_THROW(RenameStoreFile(ctx.StoresFolder, "BETA", "../Delta"), EStoreError);
    EXPECT_THROW(RenameStoreFile(ctx.StoresFolder, "BETA", ""), EStoreError);
}

// A rename takes the rewrite locks of both names, as another window's write of the store takes
// the store's: a write under way ends before the file is renamed, and a write that waited for
// the lock meanwhile finds the store gone instead of making its file again under the old name.
TEST_F(StoreFolderTest, ARenameTakesTheLockOfTheStoresWrites)
{
    makeStore("beta", {"[Dairy]", "Milk=1,-,,-,1"});
    const std::string before = qmtest::ReadFile(path("beta"));
    {
        qmtest::HeldFileLock writer(path("beta"));
        std::atomic<bool> renamed = false;
        std::thread rename([&] {
            RenameStoreFile(ctx.StoresFolder, "beta", "Gamma");
            renamed = true;
        });
        writer.WaitForWaiterOr([&] { return renamed.load(); });
        EXPECT_FALSE(renamed) << "renamed while a write of the store was under way";
        EXPECT_TRUE(fs::exists(path("beta")));
        writer.Release();
        rename.join();
    }
    EXPECT_FALSE(fs::exists(path("beta")));
    EXPECT_EQ(qmtest::ReadFile(path("Gamma")), before);

    // The rename takes the old name's lock first (the order of the lock files' names), so that
    // a write of the old name waits behind it while the rename waits for the new name's lock.
    ASSERT_LT(IniFile::LockFileFor(path("Gamma")), IniFile::LockFileFor(path("Other")));
    qmtest::HeldFileLock newName(path("Other"));
    std::atomic<bool> renamed = false, written = false;
    std::thread rename([&] {
        RenameStoreFile(ctx.StoresFolder, "Gamma", "Other");
        renamed = true;
    });
    newName.WaitForWaiterOr([&] { return renamed.load(); });
    EXPECT_FALSE(renamed) << "renamed while a write of the new name was under way";
    std::string outcome = "written";
    std::thread write([&] {
        try {
            WriteStoreString(ctx, "Gamma", "Dairy", "Milk", "2,-,,-,2");
        } catch (const EStoreNotFound& e) {
            outcome = e.what();
        }
        written = true;
    });
    if (!renamed)
        qmtest::WaitForLockWaiterOr(IniFile::LockFileFor(path("Gamma")), [&] { return written.load(); });
    newName.Release();
    rename.join();
    write.join();
    EXPECT_EQ(outcome, "Store file \"Gamma\" not found.");
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(dir.path()), {}),
              std::vector<fs::path>{dir.file("Other.store")});
    EXPECT_EQ(qmtest::ReadFile(path("Other")), before);
}
