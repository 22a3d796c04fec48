// Store commands on large stores: Reset All on a 254 x 254 store whose every item (all with a
// quantity and a coupon) is shared by the four other stores of the picker, from the Yes answer
// to the redrawn lists, against reading and atomically rewriting those five files once each in
// the same run; and switching the window between two such stores.
//
// The figure to quote is BM_ResetAllAgainstRewrite: reset and rewrite measured in pairs on the
// same freshly written files, one right after the other, so that a slow spell of the disk
// falls on both; it reports the medians of each and the median of the pairs' ratios. The
// rewrite's time is mostly the disk's syncing and varies from run to run; the store files lie
// in the temporary folder, so TMPDIR=/dev/shm (a memory file system, where a sync costs
// nothing) gives the figures without it.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include "../tests/support/WindowControls.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "mainwindow/ShoppingCartUnit.h"
#include "platform/AtomicFile.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "util/RegUtils.h"

namespace {

using namespace qm;
using Clock = std::chrono::steady_clock;

constexpr int kStores = 5;
std::string gFolder;
qm::TFormMain* gForm = nullptr;

std::string StoreName(int n)
{
    return "Store " + std::to_string(n);
}
std::string StorePath(int n)
{
    return gFolder + StoreName(n) + ".store";
}

// 254 categories of 254 items, each with an aisle, a note, a quantity and a coupon that
// expires years ahead; every store holds the same categories and items.
std::string StoreText(int store)
{
    std::string text = "[--Info--]\r\nAisles=";
    for (int a = 0; a < 20; ++a)
        text += "Aisle " + std::to_string(a) + ",,";
    text += "\r\nLastItemSelected=Item 0-0&-&Category 0\r\n";
    for (int c = 0; c < 254; ++c) {
        text += "[Category " + std::to_string(c) + "]\r\n";
        for (int i = 0; i < 254; ++i)
            text += "Item " + std::to_string(c) + "-" + std::to_string(i) + "=Aisle " +
                    std::to_string((c + i) % 20) + ",-,note " + std::to_string(store) + ",-," +
                    std::to_string(1 + i % 3) + ",-,1,-,48000,-,0,-,\r\n";
    }
    return text;
}

std::vector<std::string>& Texts()
{
    static std::vector<std::string> texts = [] {
        std::vector<std::string> t;
        for (int s = 0; s < kStores; ++s)
            t.push_back(StoreText(s));
        return t;
    }();
    return texts;
}

// The stores as they were, on disk before anything is timed: a sync that a timed write makes
// then flushes only what that write wrote.
void WriteStores()
{
    for (int s = 0; s < kStores; ++s) {
        FILE* f = std::fopen(StorePath(s).c_str(), "wb");
        std::fwrite(Texts()[size_t(s)].data(), 1, Texts()[size_t(s)].size(), f);
        std::fclose(f);
    }
    ::sync();
}

// Every question is answered Yes.
class YesDialogs : public DialogHandler {
public:
    int messageDlg(const AnsiString&, TMsgDlgType, TMsgDlgButtons buttons, int) override
    {
        return (buttons & mbYes) ? mrYes : mrOk;
    }
    int messageBox(const AnsiString&, const AnsiString&, TMsgDlgButtons, TMsgDlgType) override
    {
        return mrOk;
    }
    bool inputQuery(const AnsiString&, const AnsiString&, AnsiString&) override { return false; }
    bool fileDialog(const FileDialogRequest&, AnsiString&) override { return false; }
};

void Select(int index)
{
    qmtest::Pick(*gForm, "ComboStores", QString::fromStdString(StoreName(index)));
}

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Reset All on freshly written stores, the open one loaded: seconds from the Yes answer to the
// redrawn lists.
double TimeResetAll()
{
    WriteStores();
    Select(0);
    const auto start = Clock::now();
    qmtest::Trigger(*gForm, "MItemStoreResetAll");
    return Seconds(start);
}

// The floor of any command that changes every item of the five stores: each file read once and
// replaced once through the program's atomic writer.
double TimeRewriteFiveFiles()
{
    WriteStores();
    const auto start = Clock::now();
    for (int s = 0; s < kStores; ++s) {
        std::ifstream in(StorePath(s), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        WriteFileAtomically(StorePath(s), bytes.str());
    }
    return Seconds(start);
}

void BM_ResetAll(benchmark::State& state)
{
    for (auto _ : state)
        state.SetIterationTime(TimeResetAll());
    state.counters["items"] = double(gForm->Store.ItemCount());
}
BENCHMARK(BM_ResetAll)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_RewriteFiveFilesOnce(benchmark::State& state)
{
    for (auto _ : state)
        state.SetIterationTime(TimeRewriteFiveFiles());
}
BENCHMARK(BM_RewriteFiveFilesOnce)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Both in pairs, the rewrite first: medians in ms and the median of the pairs' ratios. The
// time shown is the reset's.
void BM_ResetAllAgainstRewrite(benchmark::State& state)
{
    std::vector<double> reset, rewrite, ratio;
    for (auto _ : state) {
        const double floor = TimeRewriteFiveFiles();
        const double took = TimeResetAll();
        rewrite.push_back(floor);
        reset.push_back(took);
        ratio.push_back(took / floor);
        state.SetIterationTime(took);
    }
    state.counters["reset_ms"] = Median(reset) * 1e3;
    state.counters["rewrite_ms"] = Median(rewrite) * 1e3;
    state.counters["ratio"] = Median(ratio);
}
BENCHMARK(BM_ResetAllAgainstRewrite)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

// The same changes made file by file through the INI layer, one edit (one parse, every item
// line written, one atomic rewrite) per store: what any one-rewrite-per-file write costs before
// it decides what to carry where.
void BM_EditFiveFilesOnce(benchmark::State& state)
{
    for (auto _ : state) {
        WriteStores();
        IniFile::DropCache();
        const auto start = Clock::now();
        for (int s = 0; s < kStores; ++s) {
            IniFile(StorePath(s)).Edit([&](IniFile::Editor& e) {
                for (int c = 0; c < 254; ++c) {
                    const std::string section = "Category " + std::to_string(c);
                    for (int i = 0; i < 254; ++i)
                        e.WriteString(section, "Item " + std::to_string(c) + "-" + std::to_string(i),
                                      "Aisle " + std::to_string((c + i) % 20) + ",-,,-,0,-,0,-,0,-,0");
                }
            });
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(BM_EditFiveFilesOnce)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// One switch: the store loaded, its row selected, the shopping list built, both lists drawn.
void BM_SwitchStore(benchmark::State& state)
{
    WriteStores();
    Select(0);
    int next = 1;
    for (auto _ : state) {
        Select(next);
        next = 1 - next;
    }
    state.counters["items"] = double(gForm->Store.ItemCount());
}
BENCHMARK(BM_SwitchStore)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    const qmbench::BenchHome home;
    if (!home.ok())
        return 1;
    gFolder = home.Stores();
    WriteStores();

    QApplication app(argc, argv);
    SetDialogHandler(std::make_shared<YesDialogs>());
    qmbench::WriteStartupSettings(gFolder, StoreName(0).c_str());

    TFormMain form;
    gForm = &form;
    form.FormCreate();
    form.show();
    QApplication::processEvents();

    return qmbench::RunBenchmarks(argc, argv);
}
