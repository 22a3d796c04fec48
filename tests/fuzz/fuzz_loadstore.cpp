// Feeds arbitrary bytes to the store loader as a store file, reads it again as a window does,
// then builds the shopping list from what was loaded in both modes. Nothing may crash, hang or
// read out of bounds, and the window's watch knows the file it read.
#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzSupport.h"
#include "platform/Clock.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"
#include "store/ShopList.h"
#include "store/StoreLoader.h"

using qmfuzz::Folder;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    qm::SetTestNow(46363.5); // a fixed today, so that expired coupons are cleared and written back
    qm::StoreContext ctx;
    ctx.StoresFolder = Folder();
    ctx.PickerStores = {"Fuzz"};
    const std::string path = ctx.StoresFolder + "Fuzz.store";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    qm::QMStore store;
    try {
        qm::LoadStoreData(ctx, store, "Fuzz");
        // Read again as a window reads it: its watch then knows the file as the load left it.
        qm::QMStore again;
        qm::IniFile::Watch watch;
        if (qm::LoadStoreData(ctx, again, "Fuzz", &watch).Found)
            qmfuzz::Check(watch.Look(path) == qm::IniFile::Watch::State::Unchanged);
    } catch (const qm::Exception&) {
        // A refused write (a name the file cannot hold) is a clear error, not a crash.
    }
    qm::QMShopList list;
    qm::ShopListSettings settings;
    qm::BuildShoppingList(store, list, settings);
    settings.SortByAisle = false;
    settings.ErrandsOnTop = false;
    qm::BuildShoppingList(store, list, settings);
    return 0;
}
