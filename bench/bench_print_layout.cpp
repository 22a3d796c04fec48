// The print-preview window's page layouts, in the shown window with its thumbnail strip:
//   - the item list of a store of 254 categories of 254 items, every option on, three columns,
//     the pages kept in a temporary file, with the growth of resident memory;
//   - the shopping list of a store of 223 items, all on the list;
//   - one option change (the check boxes) laying that list out again.
// Baselines in the same run: the same text lines recorded onto a bare preview control page by
// page without any layout (the floor of recording), and the PDF export of the same 223 items.
// Runs on the offscreen platform unless another one is asked for.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "../tests/support/GeneratedStore.h"

#include <QApplication>
#include <QCheckBox>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "mainwindow/ShoppingCartUnit.h"
#include "platform/DeviceCanvas.h"
#include "printing/PrintPreview.h"
#include "printing/PrintPreviewUnit.h"
#include "printing/ShoppingListExport.h"
#include "util/RegUtils.h"

namespace {

using namespace qm;

std::string StoresFolder;
std::unique_ptr<TFormMain> MainWindow;
std::string OpenStore;

using qmbench::ResidentMB;

// A store file of the given shape: quantities 1 to 12 (0 for every third item when not all
// are to be on the list), every fifth item with a note, every seventh with a coupon, 30 aisles.
void WriteStore(const std::string& name, int categories, int itemsPerCategory, int totalItems, bool allOnList)
{
    qmtest::GeneratedStore store;
    store.Categories = categories;
    store.ItemsPerCategory = itemsPerCategory;
    store.TotalItems = totalItems;
    if (!allOnList)
        store.Quantity = [](int n) { return n % 3 == 0 ? 0 : 1 + n % 12; };
    std::ofstream(StoresFolder + name + ".store", std::ios::binary) << store.Text();
}

// The main window with the named store open.
TFormMain& Main(const std::string& store)
{
    if (OpenStore != store) {
        MainWindow.reset();
        RegWriteString(kCompany, kProduct, "Settings", store, "Last Store");
        MainWindow = std::make_unique<TFormMain>();
        FormMain = MainWindow.get();
        MainWindow->FormCreate();
        OpenStore = store;
    }
    return *MainWindow;
}

// The preview window shown (its show step lays the pages out once).
std::unique_ptr<TFormPrintPreview> Shown(TFormMain& main, bool shoppingList, bool tempFile)
{
    auto form =
        std::make_unique<TFormPrintPreview>(main.Store, main.ShopList, main.GetCurrentStoreName(), &main);
    form->PrintShoppingList = shoppingList;
    form->PrintPreview->SetUseTempFile(tempFile);
    form->show();
    QApplication::processEvents();
    return form;
}

void BM_ItemList254x254(benchmark::State& state)
{
    TFormMain& main = Main("Big");
    const double before = ResidentMB();
    auto form = Shown(main, false, true);
    for (auto _ : state) {
        form->LayoutItemList();
        QApplication::processEvents();
    }
    state.counters["pages"] = form->PrintPreview->TotalPages();
    state.counters["rss_growth_MB"] = ResidentMB() - before;
}
BENCHMARK(BM_ItemList254x254)->Unit(benchmark::kMillisecond)->Iterations(3);

// The floor: as many text lines as the item list prints, each clipped to its column, written
// 123 to a page onto a bare preview control with its pages in a temporary file.
void BM_ItemList254x254Floor(benchmark::State& state)
{
    const int lines = 254 * 254 + 254, perPage = 123;
    TPrintPreview preview;
    preview.SetUnits(mmHiEnglish);
    preview.SetPaperType(pLetter);
    preview.SetOrientation(poLandscape);
    preview.SetUseTempFile(true);
    preview.resize(700, 500);
    const double before = ResidentMB();
    for (auto _ : state) {
        preview.BeginDoc();
        for (int n = 0; n < lines; ++n) {
            if (n > 0 && n % perPage == 0)
                preview.NewPage();
            TDeviceCanvas& c = *preview.Canvas();
            c.Font().SetSize(10);
            const int32_t x = 250 + (n % perPage) / 41 * 3500, y = 600 + (n % 41) * 180;
            c.TextRect({x + 20, y, x + 3480, y + 160}, x + 20, y, " [  ]  Item number " + std::to_string(n));
        }
        preview.EndDoc();
    }
    state.counters["pages"] = preview.TotalPages();
    state.counters["rss_growth_MB"] = ResidentMB() - before;
}
BENCHMARK(BM_ItemList254x254Floor)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ShoppingList223(benchmark::State& state)
{
    auto form = Shown(Main("Small"), true, false);
    for (auto _ : state)
        form->LayoutShoppingList();
    state.counters["pages"] = form->PrintPreview->TotalPages();
}
BENCHMARK(BM_ShoppingList223)->Unit(benchmark::kMillisecond);

void BM_ShoppingList223OptionChange(benchmark::State& state)
{
    auto form = Shown(Main("Small"), true, false);
    for (auto _ : state)
        form->CheckCheckBoxes->toggle();
    state.counters["layouts"] = form->LayoutCount();
}
BENCHMARK(BM_ShoppingList223OptionChange)->Unit(benchmark::kMillisecond);

void BM_ShoppingList223PdfExport(benchmark::State& state)
{
    TFormMain& main = Main("Small");
    const std::string file = StoresFolder + "list.pdf";
    for (auto _ : state) {
        TPrintPDF pdf;
        WriteShoppingListPdf(pdf, main.ShopList, main.GetCurrentStoreName(), ReadShoppingListPdfSettings(),
                             file);
    }
}
BENCHMARK(BM_ShoppingList223PdfExport)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    const qmbench::BenchHome home;
    if (!home.ok())
        return 1;
    StoresFolder = home.Stores();
    QApplication app(argc, argv);
    qmbench::WriteStartupSettings(StoresFolder);
    WriteStore("Big", 254, 254, 254 * 254, false);
    WriteStore("Small", 14, 16, 223, true);

    const int result = qmbench::RunBenchmarks(argc, argv);
    MainWindow.reset();
    return result;
}
