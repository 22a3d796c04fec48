// Writing a shopping-list sized PDF: 50 pages of 60 text lines and 10 rules each, saved to a
// file (the save includes the flush to disk and the rename).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "printing/PdfWriter.h"

static void BM_PdfFiftyPages(benchmark::State& state)
{
    const auto dir = std::filesystem::temp_directory_path() / ("qm-bench-pdf-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    qm::TPrintPDF pdf;
    pdf.FileName = (dir / "list.pdf").string();
    pdf.TITLE = "Corner Market Shopping List";
    for (auto _ : state) {
        pdf.BeginDoc();
        for (int page = 0; page < 50; ++page) {
            if (page > 0)
                pdf.NewPage();
            for (int row = 0; row < 60; ++row) {
                pdf.Font.Index = std::uint8_t(row % 3 == 0 ? 1 : 0);
                pdf.Font.Size = row % 3 == 0 ? 12 : 10;
                pdf.TextOut(24 + (row / 20) * 248, 40 + (row % 20) * 27, "  [  ] Whole milk (2)  \xA2");
            }
            for (int rule = 0; rule < 10; ++rule)
                pdf.DrawLine(24, 40 + rule * 54, 768, 40 + rule * 54);
        }
        pdf.EndDoc();
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_PdfFiftyPages)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
