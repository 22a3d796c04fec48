// The shopping list's export: PDF and text of all 64,516 items of a store of 254 categories of
// 254 items, by aisle and by category; against the floor of the same job, saving the very
// bytes the export wrote through the same atomic file write (fsync and rename included).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "printing/ShoppingListExport.h"
#include "store/ShopList.h"

namespace {

const std::filesystem::path& Folder()
{
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("qm-bench-export-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

// Every item on the list: quantities 1 to 12, every fifth with a note, every seventh with a
// coupon, over 30 aisles; two errands.
const qm::QMShopList& List(bool byAisle)
{
    static qm::QMStore store = [] {
        qm::QMStore s;
        s.Name = "Bench";
        for (int a = 0; a < 30; ++a)
            s.Aisles.push_back("Aisle " + std::to_string(a));
        s.Errands = {{"Bank", true}, {"Post office", true}};
        s.ErrandsOnList = 2;
        for (int c = 0; c < 254; ++c) {
            qm::QMCategory cat;
            cat.Name = "Category " + std::to_string(1000 + c);
            for (int i = 0; i < 254; ++i) {
                const int n = c * 254 + i;
                qm::QMItem item;
                item.Name = "Item number " + std::to_string(100000 + n);
                item.AisleIndex = n % 30;
                item.Aisle = s.Aisles[size_t(item.AisleIndex)];
                item.Qty = 1 + n % 12;
                item.HasCoupon = n % 7 == 0;
                item.Note = n % 5 == 0 ? "a note for this item" : "";
                cat.Items.push_back(item);
            }
            s.Categories.push_back(std::move(cat));
        }
        return s;
    }();
    static qm::QMShopList lists[2];
    qm::QMShopList& list = lists[byAisle ? 1 : 0];
    if (list.ItemCount == 0) {
        qm::ShopListSettings settings;
        settings.SortByAisle = byAisle;
        qm::BuildShoppingList(store, list, settings);
    }
    return list;
}

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void BM_ExportPdf(benchmark::State& state)
{
    const qm::QMShopList& list = List(state.range(0) != 0);
    const std::string file = (Folder() / "list.pdf").string();
    qm::TPrintPDF pdf;
    for (auto _ : state)
        qm::WriteShoppingListPdf(pdf, list, "Bench", {}, file);
    state.counters["items"] = list.ItemCount;
    state.counters["pages"] = pdf.PageNumber();
    state.counters["MB"] = double(std::filesystem::file_size(file)) / 1e6;
}
BENCHMARK(BM_ExportPdf)->Arg(1)->Arg(0)->ArgName("byAisle")->Unit(benchmark::kMillisecond);

void BM_ExportText(benchmark::State& state)
{
    const qm::QMShopList& list = List(state.range(0) != 0);
    const std::string file = (Folder() / "list.txt").string();
    for (auto _ : state)
        qm::WriteShoppingListText(list, "Bench", file);
    state.counters["items"] = list.ItemCount;
    state.counters["MB"] = double(std::filesystem::file_size(file)) / 1e6;
}
BENCHMARK(BM_ExportText)->Arg(1)->Arg(0)->ArgName("byAisle")->Unit(benchmark::kMillisecond);

// The floor: the bytes of the by-aisle export of that kind, saved as they are.
void BM_SaveSameBytesBaseline(benchmark::State& state)
{
    const bool pdfFile = state.range(0) != 0;
    const std::string file = (Folder() / (pdfFile ? "floor.pdf" : "floor.txt")).string();
    if (pdfFile) {
        qm::TPrintPDF pdf;
        qm::WriteShoppingListPdf(pdf, List(true), "Bench", {}, file);
    } else {
        qm::WriteShoppingListText(List(true), "Bench", file);
    }
    const std::string bytes = ReadAll(file);
    for (auto _ : state)
        qm::WriteFileAtomically(file, bytes);
    state.counters["MB"] = double(bytes.size()) / 1e6;
}
BENCHMARK(BM_SaveSameBytesBaseline)->Arg(1)->Arg(0)->ArgName("pdf")->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(Folder());
    return 0;
}
