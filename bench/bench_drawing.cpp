// Bitmap drawing speed: text against the toolkit's own text output, rectangle fills against
// memset, and a direct-mode line through to the control's repaint.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "graphics/Raster.h"
#include "graphics/widgets/RasterImage.h"

using namespace qm;

namespace {

constexpr int W = 1000, H = 700;

// 1,000 strings of 20 characters at positions spread over the bitmap.
struct TextJob {
    std::vector<std::string> strings;
    std::vector<std::pair<int, int>> at;
    TextJob()
    {
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> ch('a', 'z'), x(0, W - 150), y(0, H - 20);
        for (int i = 0; i < 1000; ++i) {
            std::string s(20, ' ');
            for (char& c : s)
                c = char(ch(rng));
            strings.push_back(s);
            at.push_back({x(rng), y(rng)});
        }
    }
};
const TextJob& Job()
{
    static const TextJob job;
    return job;
}

void BM_DrawText(benchmark::State& state)
{
    TBitmap32 bmp;
    bmp.SetSize(W, H);
    bmp.ClearTo(0xFFFFFFFF);
    bmp.Font().SetName("Arial");
    bmp.Font().SetHeight(-13);
    bmp.Font().SetColor(clBlack);
    const TextJob& job = Job();
    for (auto _ : state) {
        for (size_t i = 0; i < job.strings.size(); ++i)
            bmp.DrawText(job.at[i].first, job.at[i].second, job.strings[i]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawText)->Unit(benchmark::kMillisecond);

// The same with strings never drawn before in each round (no width is known yet).
void BM_DrawTextFreshStrings(benchmark::State& state)
{
    TBitmap32 bmp;
    bmp.SetSize(W, H);
    bmp.ClearTo(0xFFFFFFFF);
    bmp.Font().SetName("Arial");
    bmp.Font().SetHeight(-13);
    bmp.Font().SetColor(clBlack);
    const TextJob& job = Job();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> strings = job.strings;
        for (auto& s : strings)
            s[0] = char('A' + round % 26), s[1] = char('A' + round / 26 % 26),
            s[2] = char('A' + round / 676 % 26);
        ++round;
        state.ResumeTiming();
        for (size_t i = 0; i < strings.size(); ++i)
            bmp.DrawText(job.at[i].first, job.at[i].second, strings[i]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawTextFreshStrings)->Unit(benchmark::kMillisecond);

// The baseline: the same strings with one painter straight on an image of the bitmap's
// format.
void BM_QPainterDrawText(benchmark::State& state)
{
    QImage img(W, H, QImage::Format_ARGB32);
    img.fill(Qt::white);
    QFont font("Arial");
    font.setPixelSize(13);
    const TextJob& job = Job();
    std::vector<QString> strings;
    for (const auto& s : job.strings)
        strings.push_back(QString::fromLatin1(s.c_str()));
    const int ascent = QFontMetrics(font).ascent();
    for (auto _ : state) {
        QPainter p(&img);
        p.setFont(font);
        p.setPen(Qt::black);
        for (size_t i = 0; i < strings.size(); ++i)
            p.drawText(job.at[i].first, job.at[i].second + ascent, strings[i]);
        p.end();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_QPainterDrawText)->Unit(benchmark::kMillisecond);

void BM_FillRectClipped(benchmark::State& state)
{
    TBitmap32 bmp;
    bmp.SetSize(W, H);
    uint32_t colour = 0xFF000000;
    for (auto _ : state) {
        bmp.FillRectClipped(0, 0, W, H, colour++);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * W * H * 4);
}
BENCHMARK(BM_FillRectClipped);

// The machine's memory-write bandwidth on the same amount of memory.
void BM_Memset(benchmark::State& state)
{
    std::vector<uint32_t> block(size_t(W) * H);
    int value = 0;
    for (auto _ : state) {
        std::memset(block.data(), value++ & 0xFF, block.size() * 4);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * W * H * 4);
}
BENCHMARK(BM_Memset);

// One line drawn on a direct-mode image, repainted on the (offscreen) screen before the call
// returns.
class CountingImage : public TImage32 {
public:
    int64_t paints = 0;
    void PaintControl() override
    {
        ++paints;
        TImage32::PaintControl();
    }
};

void BM_DirectLineRepaint(benchmark::State& state)
{
    CountingImage image;
    image.SetRepaintMode(rmDirect);
    image.resize(W, H);
    image.Bitmap().SetSize(W, H);
    image.Bitmap().ClearTo(0xFFFFFFFF);
    image.show();
    for (int i = 0; i < 200 && !(image.windowHandle() && image.windowHandle()->isExposed()); ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    QApplication::processEvents();
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> x(0, W - 1), y(0, H - 1);
    for (auto _ : state) {
        const int x1 = x(rng), y1 = y(rng);
        image.Bitmap().DrawLineClipped(x1, y1, std::min(W - 1, x1 + 60), std::min(H - 1, y1 + 25), 0xFFFF0000,
                                       true);
    }
    // One paint per line shows that each line reached the screen before its call returned.
    state.counters["paints_per_line"] = double(image.paints) / double(state.iterations());
}
BENCHMARK(BM_DirectLineRepaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qmbench::UseOffscreenPlatform();
    QApplication app(argc, argv);
    return qmbench::RunBenchmarks(argc, argv);
}
