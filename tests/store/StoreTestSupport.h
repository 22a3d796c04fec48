#pragma once
// A storage folder in a temporary directory with helpers to write and read store files.
#include <initializer_list>
#include <string>

#include "TestSupport.h"
#include "platform/Clock.h"
#include "store/StoreFiles.h"

class StoreFolderTest : public qmtest::DialogFixture {
protected:
    qmtest::TempDir dir;
    qm::StoreContext ctx;

    void SetUp() override
    {
        DialogFixture::SetUp();
        ctx.StoresFolder = dir.path() + "/";
        qm::SetTestNow(qm::EncodeDate(2026, 12, 7) + 0.5);
    }
    void TearDown() override
    {
        qm::SetTestNow(std::nullopt);
        DialogFixture::TearDown();
    }
    // The store's file: the folder's bytes and the name as the file system spells it.
    std::string path(const std::string& store) const
    {
        return qm::StoreFolderFile(ctx.StoresFolder, store, ".store");
    }
    // Writes the store file from its lines and adds the store to the picker.
    void makeStore(const std::string& store, std::initializer_list<std::string> lines)
    {
        std::string text;
        for (const auto& l : lines)
            text += l + "\r\n";
        qmtest::WriteFile(path(store), text);
        ctx.PickerStores.push_back(store);
    }
    std::string read(const std::string& store, const std::string& section, const std::string& key) const
    {
        return qm::ReadStoreString(ctx, store, section, key);
    }
};
