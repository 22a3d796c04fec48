// Store files at full size: 254 categories of 254 items (about 4 MB). Reads of one key from a
// cold cache and from a warm one, the rewrite of one key, and as the yardstick for the
// rewrite, copying the same file with a flush and a rename.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "platform/IniFile.h"

namespace {

constexpr int kSections = 254;
constexpr int kKeys = 254;

std::string ItemName(int s, int k)
{
    return "Item " + std::to_string(s) + "-" + std::to_string(k) + " organic";
}

const std::string& StoreFile()
{
    static const std::string path = [] {
        const char* base = std::getenv("QM_BENCH_DIR");
        std::string tmpl = std::string(base ? base : "/tmp") + "/bench-inifile-XXXXXX";
        if (!mkdtemp(tmpl.data()))
            std::abort();
        const std::string file = tmpl + "/Big Store.store";
        std::string text;
        for (int s = 0; s < kSections; ++s) {
            text += "[Category " + std::to_string(s) + "]\r\n";
            for (int k = 0; k < kKeys; ++k)
                text += ItemName(s, k) + "=Produce,-,2,-,1,-,46000,-,0,-,a note about item " +
                        std::to_string(k) + "\r\n";
        }
        FILE* f = std::fopen(file.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        static const std::string folder = tmpl;
        std::atexit([] { std::filesystem::remove_all(folder); });
        return file;
    }();
    return path;
}

void FirstRead(benchmark::State& state)
{
    qm::IniFile ini(StoreFile());
    for (auto _ : state) {
        qm::IniFile::DropCache();
        benchmark::DoNotOptimize(ini.ReadString("Category 200", ItemName(200, 100), ""));
    }
}

void FurtherRead(benchmark::State& state)
{
    qm::IniFile ini(StoreFile());
    std::vector<std::pair<std::string, std::string>> keys;
    for (int i = 0; i < 4096; ++i)
        keys.emplace_back("category " + std::to_string(i % kSections),
                          ItemName(i % kSections, (i * 7) % kKeys));
    ini.ReadString("Category 0", ItemName(0, 0), "");
    size_t i = 0;
    for (auto _ : state) {
        const auto& [section, key] = keys[i++ % keys.size()];
        benchmark::DoNotOptimize(ini.ReadString(section, key, ""));
    }
}

void KeyWrite(benchmark::State& state)
{
    qm::IniFile ini(StoreFile());
    int i = 0;
    for (auto _ : state)
        ini.WriteString("Category 100", ItemName(100, 50), i++ % 2 ? "Produce,-,3,-,1" : "Produce,-,2,-,1");
}

// Reads the file, writes it into a new file beside it, flushes that and renames it over a copy.
void CopyBaseline(benchmark::State& state)
{
    const std::string& src = StoreFile();
    const std::string tmp = src + ".copy-tmp", dst = src + ".copy";
    std::string buf;
    for (auto _ : state) {
        int in = open(src.c_str(), O_RDONLY);
        struct stat st;
        fstat(in, &st);
        buf.resize(size_t(st.st_size));
        if (read(in, buf.data(), buf.size()) != ssize_t(buf.size()))
            state.SkipWithError("short read");
        close(in);
        int out = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (write(out, buf.data(), buf.size()) != ssize_t(buf.size()))
            state.SkipWithError("short write");
        fsync(out);
        close(out);
        rename(tmp.c_str(), dst.c_str());
    }
}

} // namespace

BENCHMARK(FirstRead)->Unit(benchmark::kMillisecond);
BENCHMARK(FurtherRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(KeyWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CopyBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
