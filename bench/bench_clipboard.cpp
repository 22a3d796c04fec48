// The item clipboard: copying a category of 254 items into the registry clipboard, and pasting
// it into a category of a store of 254 categories x 254 items, in a picker of 5 stores, with
// the window's reload and redraw. The baseline is the work the paste cannot avoid: rewriting
// the target store's file once (one atomic rewrite adding the same 254 lines), measured in the
// same run. The paste's counters give the rewrites each store file got (atomic renames into
// the storage folder, seen through inotify). Runs on the offscreen platform.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include "../tests/support/WindowControls.h"

#include <QApplication>
#include <filesystem>
#include <map>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>

#include "mainwindow/ShoppingCartUnit.h"
#include "platform/IniFile.h"
#include "store/ItemClipboard.h"
#include "util/RegUtils.h"

namespace {

namespace fs = std::filesystem;

constexpr int kItems = 254;
std::string g_stores;
std::string g_bigBytes;

std::string ItemName(int i)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "Item %03d", i);
    return buf;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

void MakeStores()
{
    // Src: the category to copy, every item with a coupon and a note.
    std::string src = "[--Info--]\r\nAisles=A1,,A2,,\r\n[Bulk]\r\n";
    for (int i = 0; i < kItems; ++i)
        src += ItemName(i) + "=A" + std::to_string(1 + i % 2) + ",-,note " + std::to_string(i) + ",-," +
               std::to_string(i % 4) + ",-,1,-,46500,-,0\r\n";
    WriteFile(g_stores + "Src.store", src);
    // Big: 254 categories of 254 items, the same item names in every category.
    std::string big = "[--Info--]\r\nAisles=A1,,A2,,\r\n";
    for (int c = 0; c < kItems; ++c) {
        char cat[32];
        std::snprintf(cat, sizeof cat, "Cat %03d", c);
        big += "[" + std::string(cat) + "]\r\n";
        for (int i = 0; i < kItems; ++i)
            big += ItemName(i) + "=A1,-,,-," + std::to_string(i % 3) + ",-,0,-,0,-,0\r\n";
    }
    g_bigBytes = big;
    WriteFile(g_stores + "Big.store", big);
    for (const char* other : {"Other1", "Other2", "Other3"})
        WriteFile(g_stores + other + ".store", "[Cat 000]\r\nItem 000=A1,-,,-,1,-,0,-,0,-,0\r\n");
}

// Counts the files renamed into the storage folder while it lives: one per atomic rewrite.
class RewriteCounter {
public:
    RewriteCounter()
    {
        fd_ = inotify_init1(IN_NONBLOCK);
        inotify_add_watch(fd_, g_stores.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~RewriteCounter() { close(fd_); }
    std::map<std::string, int> Take()
    {
        std::map<std::string, int> counts;
        alignas(inotify_event) char buf[65536];
        for (;;) {
            const ssize_t n = read(fd_, buf, sizeof buf);
            if (n <= 0)
                break;
            for (char* p = buf; p < buf + n;) {
                auto* e = reinterpret_cast<inotify_event*>(p);
                if (e->len && (e->mask & IN_MOVED_TO))
                    ++counts[e->name];
                p += sizeof(inotify_event) + e->len;
            }
        }
        return counts;
    }

private:
    int fd_ = -1;
};

qm::TFormMain* OpenWindow()
{
    auto* form = new qm::TFormMain;
    form->FormCreate();
    form->resize(1038, 713);
    return form;
}

void SelectStore(qm::TFormMain& form, const char* name)
{
    form.SetCurrentStoreName(name);
    form.LoadStore(name);
    form.DrawItemList();
    form.BuildShoppingList();
    form.DrawShoppingList();
}

void BM_CopyCategory(benchmark::State& state)
{
    qm::TFormMain* form = OpenWindow();
    SelectStore(*form, "Src");
    form->SelectRow(0, -1);
    for (auto _ : state)
        qmtest::Trigger(*form, "MItemEditCopy");
    state.counters["items"] = double(qm::ReadClipboard(qm::kCompany, qm::kProduct).size());
    delete form;
}
BENCHMARK(BM_CopyCategory)->Unit(benchmark::kMillisecond);

void BM_PasteCategory(benchmark::State& state)
{
    qm::TFormMain* form = OpenWindow();
    SelectStore(*form, "Src");
    form->SelectRow(0, -1);
    qmtest::Trigger(*form, "MItemEditCopy");
    std::map<std::string, int> rewrites;
    for (auto _ : state) {
        state.PauseTiming();
        WriteFile(g_stores + "Big.store", g_bigBytes);
        SelectStore(*form, "Big");
        form->SelectRow(7, -1);
        RewriteCounter counter;
        state.ResumeTiming();
        qmtest::Trigger(*form, "MItemEditPaste");
        state.PauseTiming();
        rewrites = counter.Take();
        state.ResumeTiming();
    }
    state.counters["items_after"] = form->Store.Categories[7].ItemCount();
    state.counters["rewrites_Big"] = rewrites["Big.store"];
    int others = 0;
    for (const auto& [file, n] : rewrites)
        if (file != "Big.store")
            others += n;
    state.counters["rewrites_other"] = others;
    delete form;
}
BENCHMARK(BM_PasteCategory)->Unit(benchmark::kMillisecond);

// The baseline: the same 254 lines added to the target file in one atomic rewrite.
void BM_RewriteTargetOnce(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        WriteFile(g_stores + "Big.store", g_bigBytes);
        qm::IniFile ini(qm::ToFileName(g_stores + "Big.store"));
        (void)ini.ReadString("Cat 007", "Item 000", ""); // parsed, as the open store's file is
        state.ResumeTiming();
        ini.Edit([](qm::IniFile::Editor& e) {
            for (int i = 0; i < kItems; ++i)
                e.WriteString("Cat 007", ItemName(i) + " (Copy)", "A1,-,note,-,1,-,1,-,46500,-,0");
        });
    }
}
BENCHMARK(BM_RewriteTargetOnce)->Unit(benchmark::kMillisecond);

// For scale: the reload and redraw of the target store that every paste ends with.
void BM_ReloadTarget(benchmark::State& state)
{
    qm::TFormMain* form = OpenWindow();
    WriteFile(g_stores + "Big.store", g_bigBytes);
    SelectStore(*form, "Big");
    for (auto _ : state) {
        form->LoadStore("Big");
        form->DrawItemList();
        form->BuildShoppingList();
        form->DrawShoppingList();
    }
    delete form;
}
BENCHMARK(BM_ReloadTarget)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    const qmbench::BenchHome home;
    if (!home.ok())
        return 1;
    g_stores = home.Stores();
    MakeStores();

    QApplication app(argc, argv);
    qmbench::WriteStartupSettings(g_stores, "Src");

    return qmbench::RunBenchmarks(argc, argv);
}
