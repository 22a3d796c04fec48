// The repaint optimiser on a 1,000 x 700 image control under rmOptimizer: 1,000 small random
// changes reported in one frame turned into repaint rectangles, and the repaint of those
// rectangles against a full repaint of the same control, measured in the same run. Runs on
// the offscreen platform unless another one is asked for.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <QApplication>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "graphics/Raster.h"
#include "graphics/widgets/RasterImage.h"

using namespace qm;

namespace {

constexpr int W = 1000, H = 700;

// A frame's changes: squares of 1 to 8 pixels anywhere on the bitmap.
struct Frames {
    std::vector<std::vector<TRect>> frames;
    explicit Frames(int ChangesPerFrame)
    {
        std::mt19937 rng(17);
        std::uniform_int_distribution<int> x(0, W - 1), y(0, H - 1), side(1, 8);
        for (int f = 0; f < 16; ++f) {
            std::vector<TRect> changes;
            for (int i = 0; i < ChangesPerFrame; ++i) {
                const int l = x(rng), t = y(rng), s = side(rng);
                changes.push_back({l, t, l + s, t + s});
            }
            frames.push_back(changes);
        }
    }
};
const Frames& AllFrames(int ChangesPerFrame)
{
    static const Frames many(1000), few(100);
    return ChangesPerFrame == 1000 ? many : few;
}

class BenchImage : public TImage32 {
public:
    using TImage32::CustomRepaint;
    BenchImage()
    {
        resize(W, H);
        Bitmap().SetSize(W, H);
        Bitmap().ClearTo(0xFFFFFFFF);
        SetRepaintMode(rmOptimizer);
        // Always the found rectangles: the adaptive mode would switch to whole repaints as
        // soon as pieces cost more than the whole.
        static_cast<TMicroTilesRepaintOptimizer&>(RepaintOptimizer()).AdaptiveMode = false;
        show();
        for (int i = 0; i < 200 && !(windowHandle() && windowHandle()->isExposed()); ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        QApplication::processEvents();
    }
    // Draws the changes of frame f (of the recurring set), each reported as it is drawn, in a
    // colour of the frame's own.
    void Draw(const Frames& frames, size_t f)
    {
        const TColor32 color = 0xFF000000 | uint32_t(f * 2654435761u);
        for (const TRect& r : frames.frames[f % frames.frames.size()])
            Bitmap().FillRectClippedByRect(r, color);
    }
};

// Drawing the changes and finding the rectangles to repaint.
void BM_FindRepaintRects(benchmark::State& state)
{
    BenchImage image;
    const Frames& frames = AllFrames(int(state.range(0)));
    size_t f = 0;
    double rects = 0, area = 0;
    for (auto _ : state) {
        image.Draw(frames, f);
        benchmark::DoNotOptimize(image.HasInvalidRects());
        state.PauseTiming();
        rects += image.InvalidRects().Count();
        for (int i = 0; i < image.InvalidRects().Count(); ++i) {
            const TRect& r = *image.InvalidRects().Items(i);
            area += double(r.Right - r.Left) * double(r.Bottom - r.Top);
        }
        image.InvalidRects().Clear();
        QApplication::processEvents();
        state.ResumeTiming();
        ++f;
    }
    state.counters["rects_per_frame"] = rects / double(state.iterations());
    state.counters["area_percent"] = 100.0 * area / double(state.iterations()) / (double(W) * H);
}
BENCHMARK(BM_FindRepaintRects)->Arg(1000)->Arg(100)->Unit(benchmark::kMicrosecond);

// The changed areas repainted: found, painted into the buffer and copied to the screen.
void BM_RepaintFoundRects(benchmark::State& state)
{
    BenchImage image;
    const Frames& frames = AllFrames(int(state.range(0)));
    size_t f = 0;
    for (auto _ : state) {
        state.PauseTiming();
        image.Draw(frames, f);
        state.ResumeTiming();
        image.CustomRepaint();
        state.PauseTiming();
        QApplication::processEvents(); // the posted repaint finds nothing left
        state.ResumeTiming();
        ++f;
    }
}
BENCHMARK(BM_RepaintFoundRects)->Arg(1000)->Arg(100)->Unit(benchmark::kMicrosecond);

// The same two repaints without the toolkit: only the back buffer painted.
void BM_BufferFoundRects(benchmark::State& state)
{
    BenchImage image;
    const Frames& frames = AllFrames(int(state.range(0)));
    size_t f = 0;
    for (auto _ : state) {
        state.PauseTiming();
        image.Draw(frames, f);
        state.ResumeTiming();
        image.HasInvalidRects();
        image.PaintBuffer();
        state.PauseTiming();
        image.InvalidRects().Clear();
        QApplication::processEvents();
        state.ResumeTiming();
        ++f;
    }
}
BENCHMARK(BM_BufferFoundRects)->Arg(1000)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_BufferWhole(benchmark::State& state)
{
    BenchImage image;
    const Frames& frames = AllFrames(1000);
    size_t f = 0;
    for (auto _ : state) {
        state.PauseTiming();
        image.Draw(frames, f);
        image.InvalidRects().Clear();
        state.ResumeTiming();
        image.PaintBuffer();
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
        ++f;
    }
}
BENCHMARK(BM_BufferWhole)->Unit(benchmark::kMicrosecond);

// The baseline: the same changes, then the whole control repainted and copied.
void BM_RepaintWhole(benchmark::State& state)
{
    BenchImage image;
    const Frames& frames = AllFrames(1000);
    size_t f = 0;
    for (auto _ : state) {
        state.PauseTiming();
        image.Draw(frames, f);
        state.ResumeTiming();
        image.ForceFullInvalidate();
        image.repaint();
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
        ++f;
    }
}
BENCHMARK(BM_RepaintWhole)->Unit(benchmark::kMicrosecond);

// What no repaint can go below: the pixels of the rectangles moved from the bitmap to the
// buffer and on to a screen image, one rectangle after the other, with nothing else done;
// against the same for the whole control. Scattered short rows cost more per pixel than whole
// ones, so this ratio is the floor of the repaint's.
void CopyRows(const TBitmap32& From, TBitmap32& Buffer, QImage& Screen, const TRect& R)
{
    for (int32_t y = R.Top; y < R.Bottom; ++y) {
        std::memcpy(Buffer.PixelAddress(R.Left, y), From.PixelAddress(R.Left, y),
                    size_t(R.Right - R.Left) * 4);
        std::memcpy(Screen.scanLine(y) + R.Left * 4, Buffer.PixelAddress(R.Left, y),
                    size_t(R.Right - R.Left) * 4);
    }
}

void BM_CopyOnly(benchmark::State& state)
{
    BenchImage image;
    QImage screen(W, H, QImage::Format_RGB32);
    const Frames& frames = AllFrames(1000);
    size_t f = 0;
    for (auto _ : state) {
        state.PauseTiming();
        image.Draw(frames, f);
        image.HasInvalidRects();
        std::vector<TRect> rects;
        if (state.range(0) == 0)
            rects.push_back({0, 0, W, H});
        for (int i = 0; state.range(0) != 0 && i < image.InvalidRects().Count(); ++i) {
            TRect r;
            IntersectRects(r, *image.InvalidRects().Items(i), {0, 0, W, H});
            rects.push_back(r);
        }
        image.InvalidRects().Clear();
        state.ResumeTiming();
        for (const TRect& r : rects)
            CopyRows(image.Bitmap(), image.Buffer(), screen, r);
        benchmark::DoNotOptimize(screen.constBits());
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
        ++f;
    }
}
BENCHMARK(BM_CopyOnly)->Arg(1)->Arg(0)->ArgName("found")->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qmbench::UseOffscreenPlatform();
    QApplication app(argc, argv);
    return qmbench::RunBenchmarks(argc, argv);
}
