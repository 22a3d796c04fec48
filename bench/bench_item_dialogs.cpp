// Add Multiple Items with 1,000 names into one category of a 254 x 254 store, in a picker of
// five such stores, timed from OK to the redrawn lists. A quarter of the new names are already
// items of the same category in the four other stores, so their coupon fields are carried
// there. Measured in the same run: the plain cost of rewriting each affected file once, and
// the reload and redraw that every OK ends with. The counters give how often each file was
// replaced during one OK (seen as renames into the storage folder).
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>

#include "dialogs/AddMultItemsUnit.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/IniFile.h"
#include "util/RegUtils.h"

namespace {

constexpr int kCategories = 254;
constexpr int kItems = 254;
constexpr int kNewNames = 1000;
const char* const kStores[] = {"Main", "Second", "Third", "Fourth", "Fifth"};

std::string gFolder; // the storage folder, ends with "/"
std::map<std::string, std::string> gOriginal;

std::string NewName(int n)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "New item %04d", n);
    return buf;
}

std::string StoreText(bool open)
{
    std::string text = "[--Info--]\r\nAisles=";
    for (int a = 0; a < 20; ++a)
        text += "Aisle " + std::to_string(a) + ",,";
    text += "\r\nLastItemSelected=&-&Cat 000\r\n[--Aisle Guesses--]\r\nCat 000=Aisle 3\r\n";
    char name[32];
    for (int c = 0; c < kCategories; ++c) {
        std::snprintf(name, sizeof name, "Cat %03d", c);
        text += "[" + std::string(name) + "]\r\n";
        for (int i = 0; i < kItems; ++i)
            text += "Item " + std::to_string(c) + "-" + std::to_string(i) + "=Aisle " +
                    std::to_string(i % 20) + ",-,,-," + std::to_string(i % 3) + ",-,0,-,0,-,0,-,\r\n";
        // The other stores already have every fourth of the new names.
        if (c == 0 && !open)
            for (int n = 0; n < kNewNames; n += 4)
                text += NewName(n) + "=Aisle 7,-,,-,1,-,1,-,46000,-,0\r\n";
    }
    return text;
}

void RestoreFiles()
{
    for (const auto& [path, text] : gOriginal) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
    }
}

// Counts the files renamed into the storage folder, by name.
class RenameWatch {
public:
    RenameWatch()
    {
        fd_ = inotify_init1(IN_NONBLOCK);
        if (fd_ >= 0)
            inotify_add_watch(fd_, gFolder.c_str(), IN_MOVED_TO);
    }
    ~RenameWatch()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    std::map<std::string, int> Take()
    {
        std::map<std::string, int> counts;
        alignas(inotify_event) char buf[65536];
        for (;;) {
            const ssize_t n = fd_ >= 0 ? read(fd_, buf, sizeof buf) : -1;
            if (n <= 0)
                break;
            for (char* p = buf; p < buf + n;) {
                auto* e = reinterpret_cast<inotify_event*>(p);
                if (e->len)
                    ++counts[e->name];
                p += sizeof(inotify_event) + e->len;
            }
        }
        return counts;
    }

private:
    int fd_ = -1;
};

std::unique_ptr<qm::TFormMain> OpenMain()
{
    auto form = std::make_unique<qm::TFormMain>();
    qm::FormMain = form.get();
    form->FormCreate();
    form->resize(1038, 713);
    form->show();
    QApplication::processEvents();
    return form;
}

void BM_AddMultipleOkToRedrawnLists(benchmark::State& state)
{
    auto form = OpenMain();
    QString memo;
    for (int n = 0; n < kNewNames; ++n)
        memo += QString::fromStdString(NewName(n)) + "\n";
    RenameWatch watch;
    std::map<std::string, int> last;
    for (auto _ : state) {
        state.PauseTiming();
        RestoreFiles();
        form->LoadStore("Main");
        form->SelectRow(0, -1);
        qm::TFormAddMultItems dialog(*form, form.get());
        dialog.FormShow();
        dialog.MemoItemNames->setPlainText(memo);
        watch.Take();
        state.ResumeTiming();

        dialog.BtnOKClick();
        QApplication::processEvents();

        state.PauseTiming();
        last = watch.Take();
        state.ResumeTiming();
    }
    int most = 0;
    for (const auto& [name, count] : last)
        if (name.size() > 6 && name.compare(name.size() - 6, 6, ".store") == 0)
            most = std::max(most, count);
    state.counters["files_rewritten"] = double(last.size());
    state.counters["most_rewrites_of_one_file"] = most;
    state.counters["items_after"] = form->Store.CategoryAt(0).ItemCount();
}
BENCHMARK(BM_AddMultipleOkToRedrawnLists)->Unit(benchmark::kMillisecond)->Iterations(5);

// Baseline: each of the five files replaced once with a one-key change.
void BM_OneRewritePerFile(benchmark::State& state)
{
    int round = 0;
    for (auto _ : state) {
        ++round;
        for (const char* store : kStores)
            qm::IniFile(gFolder + store + ".store").WriteString("--Info--", "Round", std::to_string(round));
    }
    RestoreFiles();
}
BENCHMARK(BM_OneRewritePerFile)->Unit(benchmark::kMillisecond)->Iterations(5);

// Baseline: the reload, shopping-list build and redraw that end the OK.
void BM_ReloadAndRedraw(benchmark::State& state)
{
    auto form = OpenMain();
    for (auto _ : state) {
        form->LoadStore("Main");
        form->DrawItemList();
        form->SelectRow(0, -1);
        form->BuildShoppingList();
        form->DrawShoppingList();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ReloadAndRedraw)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    const qmbench::BenchHome home;
    if (!home.ok())
        return 1;
    gFolder = home.Stores();
    for (const char* store : kStores)
        gOriginal[gFolder + store + ".store"] = StoreText(std::string(store) == "Main");
    RestoreFiles();

    QApplication app(argc, argv);
    qmbench::WriteStartupSettings(gFolder, "Main");

    return qmbench::RunBenchmarks(argc, argv);
}
