#pragma once
// The dialogs' view of the main window without a window: real store files in a storage folder
// of the test's own, the open store loaded from them through store/, the picker's entries
// listed from the folder, and a record of each window operation a dialog asks for. DialogTest
// shows a dialog on it and plays it as a person would.
#include <QApplication>
#include <QListWidget>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/MainShared.h"
#include "store/StoreLoader.h"

namespace qmtest {

class TestMain : public qm::TMainShared {
public:
    explicit TestMain(const std::string& folder) { StoresFolder = folder; }

    // The picker filled from the folder and the named store opened; the record starts empty.
    void Open(const qm::AnsiString& name)
    {
        FillStoreList();
        SetCurrentStoreName(name);
        ReloadStore(name);
        calls.clear();
    }
    // Selects the row named name (FindItemByName), as a click in the item list does.
    void Select(const qm::AnsiString& name)
    {
        std::tie(Store.SelCategory, Store.SelItem) = Store.FindItemByName(name);
    }

    std::vector<qm::AnsiString> StoreNames() const override { return picker; }
    qm::AnsiString GetCurrentStoreName() const override
    {
        return current >= 0 ? picker[size_t(current)] : "";
    }
    void SetCurrentStoreName(const qm::AnsiString& name) override
    {
        for (size_t i = 0; i < picker.size(); ++i)
            if (qm::SameName(picker[i], name)) {
                current = int(i);
                return;
            }
    }
    void FillStoreList() override
    {
        picker = qm::ListStoreNames(StoresFolder);
        current = -1;
        calls.push_back("FillStoreList");
    }
    void LoadStore(const qm::AnsiString& name) override
    {
        ReadStore(name);
        calls.push_back("LoadStore " + name);
    }
    void ReloadStore(const qm::AnsiString& name) override
    {
        ReadStore(name);
        status = qm::BuildShoppingList(Store, ShopList, {true, ErrandsOnTop, ErrandsCaption});
        calls.push_back("ReloadStore " + name);
    }
    // The open store's file went away: the picker lists what the folder holds.
    void StoreGone() override
    {
        FillStoreList();
        calls.push_back("StoreGone");
    }
    // The store read again when its file changed: the shopping list rebuilt.
    void StoreReadAgain(const qm::LoadStoreResult&) override
    {
        status = qm::BuildShoppingList(Store, ShopList, {true, ErrandsOnTop, ErrandsCaption});
        calls.push_back("RefreshStore " + Store.Name);
    }
    void BuildShoppingList() override
    {
        status = qm::BuildShoppingList(Store, ShopList, {true, ErrandsOnTop, ErrandsCaption});
        calls.push_back("BuildShoppingList");
    }
    void DrawItemList() override { calls.push_back("DrawItemList"); }
    void DrawItemListHeader() override { calls.push_back("DrawItemListHeader"); }
    void DrawShoppingList() override { calls.push_back("DrawShoppingList"); }
    void SelectRow(int32_t cat, int32_t item) override
    {
        std::tie(Store.SelCategory, Store.SelItem) = std::pair(cat, item);
        calls.push_back("SelectRow " + std::to_string(cat) + " " + std::to_string(item));
    }
    void SetPasteEnabled(bool enabled) override { calls.push_back(enabled ? "Paste on" : "Paste off"); }
    QImage ItemGlyph(int) override { return {}; }

    std::vector<qm::AnsiString> picker;
    int current = -1;
    qm::AnsiString status;          // the shopping list's totals, as the status bar shows them
    std::vector<std::string> calls; // the operations asked for, in order
};

// A storage folder of store files and a TestMain on it, for the tests of the dialogs.
class DialogTest : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        std::filesystem::create_directories(stores);
    }
    std::string File(const std::string& store) const { return ReadFile(stores + store + ".store"); }
    void Write(const std::string& store, const std::string& text) const
    {
        WriteFile(stores + store + ".store", text);
    }

    // A dialog of type T on main, shown and played by play as a person would; stayedOpen tells
    // whether it was still open afterwards.
    template <class T> void Play(const std::function<void(T&)>& play)
    {
        T dialog(main);
        dialog.show();
        QApplication::processEvents();
        play(dialog);
        stayedOpen = dialog.isVisible();
    }
    // The entries of a list, in their order.
    static QStringList Texts(const QListWidget* list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }

    TempDir temp;
    std::string stores = temp.path() + "/stores/"; // a path: the system's bytes
    TestMain main{stores};
    bool stayedOpen = false;
};

} // namespace qmtest
