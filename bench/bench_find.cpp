// The find bar and the quick-find box on a 254 x 254 store in a 1,000 x 700 item list: one
// keystroke in the find bar (search, count, selection and redraw) and entering the quick-find
// box (its sorted list of every category and item name). The baseline is one DrawItemList of
// the same store, the redraw every keystroke ends with. Runs on the offscreen platform unless
// another one is asked for.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include "../tests/support/WindowControls.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "mainwindow/ShoppingCartUnit.h"
#include "util/RegUtils.h"

namespace {

void WriteStore(const std::string& path, int cats, int items)
{
    std::ofstream f(path, std::ios::binary);
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
            f << buf << (i % 7 == 0 ? "a note" : "") << ",-," << (i % 5 == 0 ? 1 : 0) << ",-,0,-,0,-,0\r\n";
        }
    }
}

struct Window {
    qm::TFormMain form;
    Window()
    {
        form.FormCreate();
        form.Loading = false;
        qmtest::Control(form, "ImageItemList").resize(1000, 700);
        form.DrawItemList();
    }
};

void BM_DrawItemList_Baseline(benchmark::State& state)
{
    Window w;
    for (auto _ : state)
        w.form.DrawItemList();
}
BENCHMARK(BM_DrawItemList_Baseline)->Unit(benchmark::kMillisecond);

// Alternates between two texts so each iteration is one real change of the box's text; "12"
// matches 2,500 names and "123" a few, so the search always walks every item.
void BM_FindBarKeystroke(benchmark::State& state)
{
    Window w;
    qmtest::Trigger(w.form, "MItemEditFind");
    QLineEdit& edit = qmtest::Control<QLineEdit>(w.form, "EditSearch");
    bool longer = false;
    for (auto _ : state) {
        edit.setText(longer ? "m 12" : "m 123");
        longer = !longer;
    }
    if (qmtest::Text(w.form, "LabelResults") == "     Items Found: 0")
        state.SkipWithError("nothing found");
}
BENCHMARK(BM_FindBarKeystroke)->Unit(benchmark::kMillisecond);

void BM_QuickFindEnter(benchmark::State& state)
{
    Window w;
    QComboBox& box = qmtest::Control<QComboBox>(w.form, "ComboFind");
    for (auto _ : state)
        qmtest::FocusIn(box); // fills the box
    if (box.count() != 254 * 255)
        state.SkipWithError("the list is incomplete");
}
BENCHMARK(BM_QuickFindEnter)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    const qmbench::BenchHome home;
    if (!home.ok())
        return 1;
    const std::string stores = home.Stores();
    WriteStore(stores + "Big.store", 254, 254);

    QApplication app(argc, argv);
    qmbench::WriteStartupSettings(stores, "Big");

    return qmbench::RunBenchmarks(argc, argv);
}
