// Store loading, saving with coupon carry-over, and shopping-list building on large stores.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "store/ShopList.h"
#include "store/StoreLoader.h"

namespace {

namespace fs = std::filesystem;
using namespace qm;

const std::string& Folder()
{
    static const std::string folder = [] {
        char tmpl[] = "/tmp/qmbench-store-XXXXXX";
        const char* made = mkdtemp(tmpl);
        if (!made)
            std::abort();
        return std::string(made) + "/";
    }();
    return folder;
}

// A store of cats x items, every item with an aisle, a note, a quantity and a coupon that
// expires in the future (so loading writes nothing back). 254 x 254 is about 4 MB.
std::string StoreText(int cats, int items)
{
    std::string text = "[--Info--]\r\nStoreURL=http://shop.example\r\nAisles=";
    for (int a = 0; a < 254; ++a)
        text += "Aisle " + std::to_string(a) + ",,";
    text += "\r\n[--Errands--]\r\nBank=1\r\n";
    for (int c = 0; c < cats; ++c) {
        text += "[Category " + std::to_string(c) + "]\r\n";
        for (int i = 0; i < items; ++i)
            text += "Item " + std::to_string(c) + "-" + std::to_string(i) + "=Aisle " +
                    std::to_string((c + i) % 254) + ",-,a short note,-," + std::to_string(1 + i % 3) +
                    ",-,1,-,48000,-,0,-,\r\n";
    }
    return text;
}

void Write(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

StoreContext Context(std::vector<AnsiString> picker = {})
{
    StoreContext ctx;
    ctx.StoresFolder = Folder();
    ctx.PickerStores = std::move(picker);
    return ctx;
}

// Each iteration loads a file the program has not read before (the parse cache is dropped).
void LoadFirstRead(benchmark::State& state, int cats, int items)
{
    SetTestNow(46363.5);
    const std::string name = "Load" + std::to_string(cats) + "x" + std::to_string(items);
    const StoreContext ctx = Context();
    Write(ctx.StoresFolder + name + ".store", StoreText(cats, items));
    for (auto _ : state) {
        state.PauseTiming();
        IniFile::DropCache();
        QMStore store;
        state.ResumeTiming();
        LoadStoreData(ctx, store, name);
        benchmark::DoNotOptimize(store.Categories.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(cats) * items);
    // Seconds per item, to compare small and large stores.
    state.counters["per_item"] = benchmark::Counter(
        double(cats) * items, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_LoadStore_254x254_FirstRead(benchmark::State& state)
{
    LoadFirstRead(state, 254, 254);
}
void BM_LoadStore_4x250_FirstRead(benchmark::State& state)
{
    LoadFirstRead(state, 4, 250);
}

void BM_LoadStore_254x254_Unchanged(benchmark::State& state)
{
    SetTestNow(46363.5);
    const StoreContext ctx = Context();
    Write(ctx.StoresFolder + "Again.store", StoreText(254, 254));
    QMStore warm;
    LoadStoreData(ctx, warm, "Again");
    for (auto _ : state) {
        QMStore store;
        LoadStoreData(ctx, store, "Again");
        benchmark::DoNotOptimize(store.Categories.data());
    }
}

// The 254 x 254 store with 8,377 coupons that expired before today (every seventh item, up
// to that count), and a second store of the same items in the picker to carry them to.
std::string ExpiredStoreText()
{
    std::string text = StoreText(254, 254);
    int expired = 0;
    size_t pos = 0;
    for (int k = 0; (pos = text.find(",-,48000,-,", pos)) != std::string::npos; ++k, ++pos)
        if (k % 7 == 0 && expired < 8377) {
            text.replace(pos, 11, ",-,45000,-,");
            ++expired;
        }
    return text;
}

// The first open: the file is new to the program, and every expired coupon is cleared in
// the store's file and carried to the other store.
void BM_LoadStore_254x254_8377Expired_FirstOpen(benchmark::State& state)
{
    SetTestNow(46363.5);
    const StoreContext ctx = Context({"Expired", "Twin"});
    const std::string text = ExpiredStoreText();
    const std::string twin = StoreText(254, 254);
    size_t cleared = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Write(ctx.StoresFolder + "Expired.store", text);
        Write(ctx.StoresFolder + "Twin.store", twin);
        IniFile::DropCache();
        QMStore store;
        state.ResumeTiming();
        const LoadStoreResult r = LoadStoreData(ctx, store, "Expired");
        cleared = size_t(std::count(r.ExpiredReport.begin(), r.ExpiredReport.end(), '\r')) - 1;
    }
    state.counters["cleared"] = double(cleared);
}

// What clearing one of those coupons costs when each is written on its own, as the loader
// once did (one rewrite of each file per coupon): 100 coupons, timed per coupon.
void BM_ClearExpired_ItemByItem_PerCoupon(benchmark::State& state)
{
    SetTestNow(46363.5);
    const StoreContext ctx = Context({"Single", "SingleTwin"});
    Write(ctx.StoresFolder + "Single.store", StoreText(254, 254));
    Write(ctx.StoresFolder + "SingleTwin.store", StoreText(254, 254));
    QMStore store;
    LoadStoreData(ctx, store, "Single");
    int32_t k = 0;
    for (auto _ : state) {
        const int32_t c = k % 254, i = (k * 7) % 254;
        ++k;
        store.ItemAt(c, i).HasCoupon = (k & 1) != 0;
        SaveItem(ctx, store, c, i);
    }
}

void BM_BuildShoppingList_ByAisle_64516(benchmark::State& state)
{
    SetTestNow(46363.5);
    const StoreContext ctx = Context();
    Write(ctx.StoresFolder + "List.store", StoreText(254, 254));
    QMStore store;
    LoadStoreData(ctx, store, "List");
    QMShopList list;
    ShopListSettings settings;
    for (auto _ : state) {
        BuildShoppingList(store, list, settings);
        benchmark::DoNotOptimize(list.Aisles.data());
    }
    state.counters["lines"] = list.ItemCount;
}

// 20 stores of 2,000 items, each holding the item that is saved.
std::vector<AnsiString> MakeCarryStores()
{
    std::vector<AnsiString> names;
    for (int s = 0; s < 20; ++s) {
        names.push_back("Carry" + std::to_string(s));
        Write(Folder() + names.back() + ".store", StoreText(8, 250));
    }
    return names;
}

void BM_SaveItem_CarryOver_20Stores(benchmark::State& state)
{
    SetTestNow(46363.5);
    const StoreContext ctx = Context(MakeCarryStores());
    QMStore store;
    LoadStoreData(ctx, store, "Carry0");
    const auto [c, i] = store.FindItemByName("Item 3-100");
    bool coupon = false;
    for (auto _ : state) {
        // A coupon change, so that every store really receives a write.
        store.ItemAt(c, i).HasCoupon = coupon = !coupon;
        SaveItem(ctx, store, c, i);
    }
}

void BM_PlainKeyWrites_20Stores(benchmark::State& state)
{
    SetTestNow(46363.5);
    const std::vector<AnsiString> names = MakeCarryStores();
    int round = 0;
    for (auto _ : state) {
        const std::string value = "Aisle 1,-,,-,2,-," + std::to_string(round++ & 1) + ",-,48000,-,0";
        for (const auto& n : names)
            IniFile(Folder() + n + ".store").WriteString("Category 3", "Item 3-100", value);
    }
}

// A store of 2,000 items whose batch carries to the 20 stores of MakeCarryStores, none of which
// holds any of its items (its categories are named apart). The batch writes every line as the
// file already holds it, so no file is rewritten and what is timed is the writing store's
// edit and the carry-over deciding, store by store, that it has nothing to carry there. With
// the receivers' parses kept (the window has read them and they have not changed since) that
// needs no read of their files; without, each is read and passed over once.
void CarryToStoresHoldingNone(benchmark::State& state, bool parsesKept)
{
    SetTestNow(46363.5);
    std::vector<AnsiString> picker = MakeCarryStores();
    std::string own = StoreText(8, 250);
    for (size_t pos = 0; (pos = own.find("[Category ", pos)) != std::string::npos; ++pos)
        own.replace(pos, 10, "[Shelf ");
    Write(Folder() + "Apart.store", own);
    picker.insert(picker.begin(), "Apart");
    const StoreContext ctx = Context(picker);
    usleep(100'000); // past the span in which a read of a file just written is not trusted
    QMStore store;
    LoadStoreData(ctx, store, "Apart");
    std::vector<std::pair<int32_t, int32_t>> items;
    for (int32_t c = 0; c < int32_t(store.Categories.size()); ++c)
        for (int32_t i = 0; i < int32_t(store.Categories[size_t(c)].Items.size()); ++i)
            if (items.size() < size_t(state.range(0)))
                items.emplace_back(c, i);
    SaveItems(ctx, store, items); // the lines in their carried form once
    const auto keepParses = [&] {
        for (const auto& n : picker)
            IniFile(Folder() + n + ".store").ReadString("--Info--", "StoreURL", "");
    };
    if (parsesKept)
        keepParses();
    for (auto _ : state) {
        if (!parsesKept) {
            state.PauseTiming();
            IniFile::DropCache();
            IniFile(Folder() + "Apart.store").ReadString("--Info--", "StoreURL", "");
            state.ResumeTiming();
        }
        SaveItems(ctx, store, items);
    }
    state.counters["items"] = double(items.size());
}
void BM_CarryToStoresHoldingNone_ParsesKept(benchmark::State& state)
{
    CarryToStoresHoldingNone(state, true);
}
void BM_CarryToStoresHoldingNone_FilesRead(benchmark::State& state)
{
    CarryToStoresHoldingNone(state, false);
}

} // namespace

BENCHMARK(BM_LoadStore_254x254_FirstRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadStore_4x250_FirstRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadStore_254x254_Unchanged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadStore_254x254_8377Expired_FirstOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClearExpired_ItemByItem_PerCoupon)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_SaveItem_CarryOver_20Stores)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainKeyWrites_20Stores)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CarryToStoresHoldingNone_ParsesKept)->Arg(1)->Arg(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CarryToStoresHoldingNone_FilesRead)->Arg(1)->Arg(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildShoppingList_ByAisle_64516)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(Folder(), ec);
    return 0;
}
