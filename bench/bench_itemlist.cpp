// The item list: DrawItemList of a 254 x 254 store (every category expanded) and of a
// 210-item store in a 1,000 x 700 image, and one numeric-keypad "+" on a selected item with a
// coupon, end to end: the quantity, SaveItem with the coupon carried over to nine other stores
// of 500 items, DrawItemList, BuildShoppingList and DrawShoppingList. Runs on the offscreen
// platform unless another one is asked for.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include "../tests/support/WindowControls.h"

#include <QApplication>
#include <QKeyEvent>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "mainwindow/ShoppingCartUnit.h"
#include "util/RegUtils.h"

namespace {

std::string g_stores;

// A store of cats x items, each item on its own aisle among ten, every fifth one to buy. With
// couponItem the first item of the first category carries a coupon.
void WriteStore(const std::string& name, int cats, int items, bool couponItem)
{
    std::ofstream f(g_stores + name + ".store", std::ios::binary);
    f << "[--Info--]\r\nAisles=";
    for (int a = 0; a < 10; ++a)
        f << "Aisle " << a << ",,";
    f << "\r\n";
    char buf[64];
    for (int c = 0; c < cats; ++c) {
        std::snprintf(buf, sizeof buf, "[Category %03d]\r\n", c);
        f << buf;
        for (int i = 0; i < items; ++i) {
            std::snprintf(buf, sizeof buf, "Item %03d-%03d=Aisle %d,-,", c, i, (c + i) % 10);
            f << buf << (i % 7 == 0 ? "a note" : "") << ",-," << (i % 5 == 0 ? 1 : 0);
            f << (couponItem && c == 0 && i == 0 ? ",-,1,-,0,-,0" : ",-,0,-,0,-,0") << "\r\n";
        }
    }
}

struct Window {
    qm::TFormMain form;
    explicit Window(const char* store)
    {
        qm::RegWriteString(qm::kCompany, qm::kProduct, "Settings", store, "Last Store");
        form.FormCreate();
        form.Loading = false;
        qmtest::Control(form, "ImageItemList").resize(1000, 700);
        form.DrawItemList();
    }
};

void BM_DrawItemList_254x254(benchmark::State& state)
{
    Window w("Big");
    for (auto _ : state)
        w.form.DrawItemList();
}
BENCHMARK(BM_DrawItemList_254x254)->Unit(benchmark::kMillisecond);

void BM_DrawItemList_210Items(benchmark::State& state)
{
    Window w("Small");
    for (auto _ : state)
        w.form.DrawItemList();
}
BENCHMARK(BM_DrawItemList_210Items)->Unit(benchmark::kMillisecond);

void BM_KeypadPlus_CarryOverTo9Stores(benchmark::State& state)
{
    Window w("Home");
    w.form.SelectRow(0, 0);
    QWidget& list = qmtest::Control(w.form, "ImageItemList");
    list.setFocus();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Plus, Qt::KeypadModifier, "+");
        QApplication::sendEvent(&list, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Plus, Qt::KeypadModifier, "+");
        QApplication::sendEvent(&list, &release);
    }
    if (w.form.Store.Categories[0].Items[0].Qty < 2)
        state.SkipWithError("the key did not raise the quantity");
    else if (qm::ReadStoreField(w.form.StoreFilesContext(), "Other 9", "Category 000", "Item 000-000", 4) !=
             "1")
        state.SkipWithError("the coupon was not carried over");
}
BENCHMARK(BM_KeypadPlus_CarryOverTo9Stores)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    const qmbench::BenchHome home;
    if (!home.ok())
        return 1;
    g_stores = home.Stores();
    WriteStore("Big", 254, 254, false);
    WriteStore("Small", 15, 14, false);
    // Ten stores of 500 items that all hold the item whose coupon is carried over.
    WriteStore("Home", 20, 25, true);
    for (int s = 1; s < 10; ++s)
        WriteStore("Other " + std::to_string(s), 20, 25, false);

    QApplication app(argc, argv);
    qmbench::WriteStartupSettings(g_stores);

    return qmbench::RunBenchmarks(argc, argv);
}
