// The shopping list on screen: DrawShoppingList of a long list (by aisle and by category),
// against a bare baseline that only clears a picture of the same size and writes the same
// texts on it with QPainter; and the row walk that the printout and the export follow.
// Runs on the offscreen platform unless another one is asked for.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include "../tests/support/WindowControls.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "graphics/widgets/RasterImage.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/gui/Splitter.h"
#include "util/RegUtils.h"

namespace {

std::string gStores;

// A store of 20 categories of 40 items over 12 aisles; 25 items of each category are on the
// list (500 lines), every fifth with a note and every seventh with a coupon; two errands.
void WriteStore()
{
    std::string text = "[--Info--]\r\nAisles=";
    for (int a = 0; a < 12; ++a)
        text += "Aisle " + std::to_string(a) + ",,";
    text += "\r\n[--Errands--]\r\nBank=1\r\nPost office=1\r\n";
    for (int c = 0; c < 20; ++c) {
        text += "[Category " + std::to_string(c) + "]\r\n";
        for (int i = 0; i < 40; ++i) {
            const int n = c * 40 + i;
            const int qty = i < 25 ? 1 + n % 3 : 0;
            text += "Item number " + std::to_string(n) + "=Aisle " + std::to_string(n % 12) + ",-," +
                    (n % 5 == 0 ? "a note for this item" : "") + ",-," + std::to_string(qty) + ",-," +
                    (n % 7 == 0 ? "1" : "0") + ",-,0,-,0\r\n";
        }
    }
    std::ofstream(gStores + "Bench.store", std::ios::binary) << text;
}

std::unique_ptr<qm::TFormMain> OpenWindow(bool byAisle)
{
    qm::RegWriteBool(qm::kCompany, qm::kProduct, "Settings", byAisle, "SortByAisle");
    auto form = std::make_unique<qm::TFormMain>();
    form->FormCreate();
    form->resize(1000, 760);
    qmtest::Control<qm::TSplitter>(*form, "SplitterLR").SetLastPanelSize(400);
    form->show();
    QApplication::processEvents();
    qmtest::Relayout(*form);
    return form;
}

void BM_DrawShoppingList(benchmark::State& state)
{
    auto form = OpenWindow(state.range(0) != 0);
    for (auto _ : state)
        form->DrawShoppingList();
    state.counters["lines"] = form->ShopList.ItemCount;
    state.counters["height"] = qmtest::Control(*form, "ImageShoppingList").height();
}
BENCHMARK(BM_DrawShoppingList)->Arg(1)->Arg(0)->ArgName("byAisle")->Unit(benchmark::kMicrosecond);

// The same texts at the same places, drawn straight with QPainter on a cleared picture: only
// the rows that reach into it, as DrawShoppingList does.
void BM_BarePainterBaseline(benchmark::State& state)
{
    auto form = OpenWindow(true);
    const qm::QMShopList& list = form->ShopList;
    const qm::ShopListLayout& rows = form->ShopListRows();
    QImage picture(qmtest::Control(*form, "ImageShoppingList").size(), QImage::Format_ARGB32);
    QFont item("Arial");
    item.setPixelSize(13);
    QFont group("Arial");
    group.setPixelSize(16);
    group.setBold(true);
    for (auto _ : state) {
        picture.fill(Qt::white);
        QPainter p(&picture);
        const auto shown = [&](int32_t top) { return top < picture.height() && top + 20 > 0; };
        size_t g = 0, l = 0;
        for (int32_t a = 0; a < list.AisleCount(); ++a) {
            const qm::QMShopListAisle& aisle = list.Aisles[size_t(a)];
            const int32_t top = rows.AisleTop(a);
            p.setFont(group);
            if (shown(top)) {
                p.drawLine(0, top, picture.width(), top);
                p.drawText(picture.width() - 60, top + 15, QString::fromLatin1(aisle.Name.c_str()));
            }
            for (const qm::QMShopListCat& cat : aisle.Cats) {
                p.setFont(group);
                if (const int32_t catTop = rows.NthGroup(g++).RowTop; shown(catTop))
                    p.drawText(4, catTop + 15, QString::fromLatin1(cat.Name.c_str()));
                p.setFont(item);
                for (const qm::QMShopListItem& line : cat.Items)
                    if (const int32_t lineTop = rows.NthLine(l++).RowTop; shown(lineTop))
                        p.drawText(40, lineTop + 13, QString::fromLatin1(line.Name.c_str()));
            }
        }
    }
}
BENCHMARK(BM_BarePainterBaseline)->Unit(benchmark::kMicrosecond);

// From the first header to the end, one ShoppingListRowBelow per row.
void BM_ShoppingListRowWalk(benchmark::State& state)
{
    auto form = OpenWindow(true);
    int64_t rows = 0;
    for (auto _ : state) {
        int32_t aisle = 0, cat = 0, line = -1;
        while (cat >= 0) {
            form->ShopListRows().ShoppingListRowBelow(form->ShopList, aisle, cat, line, aisle, cat, line);
            ++rows;
        }
    }
    state.SetItemsProcessed(rows);
}
BENCHMARK(BM_ShoppingListRowWalk)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    // A private home with settings of its own and one store, opened at start-up.
    const qmbench::BenchHome home;
    if (!home.ok())
        return 1;
    gStores = home.Stores();

    QApplication app(argc, argv);
    qmbench::WriteStartupSettings(gStores, "Bench");
    WriteStore();

    return qmbench::RunBenchmarks(argc, argv);
}
