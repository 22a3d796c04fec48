// Stretching speed against Qt's own scaling of the same images:
//   nearest 256 x 256 -> 1024 x 1024 (dmOpaque) vs QImage::scaled(FastTransformation),
//   linear 512 x 512 -> 1024 x 1024 (dmBlend) vs QImage::scaled(SmoothTransformation),
//   the box-kernel reduction of a 48 x 48 glyph to 16 x 16.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QThreadPool>
#include <random>

#include "graphics/Raster.h"
#include "graphics/RasterResamplers.h"

using namespace qm;

namespace {

void FillRandom(TBitmap32& b, uint32_t seed)
{
    std::mt19937 rng(seed);
    for (int32_t i = 0; i < b.Width * b.Height; ++i)
        b.PixelData()[i] = rng();
}

QImage RandomImage(int w, int h, uint32_t seed)
{
    QImage img(w, h, QImage::Format_ARGB32);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<uint32_t*>(img.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = rng();
    }
    return img;
}

void BM_StretchNearest_256_to_1024(benchmark::State& state)
{
    TBitmap32 src, dst;
    src.SetSize(256, 256);
    FillRandom(src, 1);
    dst.SetSize(1024, 1024);
    const TRect dr{0, 0, 1024, 1024};
    for (auto _ : state) {
        StretchTransfer(&dst, dr, dr, &src, src.BoundsRect(), src.Resampler(), dmOpaque);
        benchmark::DoNotOptimize(dst.PixelData()[0]);
    }
}
BENCHMARK(BM_StretchNearest_256_to_1024)->Unit(benchmark::kMicrosecond);

void BM_QtFast_256_to_1024(benchmark::State& state)
{
    const QImage src = RandomImage(256, 256, 1);
    for (auto _ : state) {
        QImage out = src.scaled(1024, 1024, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_QtFast_256_to_1024)->Unit(benchmark::kMicrosecond);

void BM_StretchLinear_512_to_1024_Blend(benchmark::State& state)
{
    TBitmap32 src, dst;
    src.SetSize(512, 512);
    FillRandom(src, 2);
    src.SetResamplerClassName("TLinearResampler");
    dst.SetSize(1024, 1024);
    dst.ClearTo(0xFF808080);
    const TRect dr{0, 0, 1024, 1024};
    for (auto _ : state) {
        StretchTransfer(&dst, dr, dr, &src, src.BoundsRect(), src.Resampler(), dmBlend);
        benchmark::DoNotOptimize(dst.PixelData()[0]);
    }
}
BENCHMARK(BM_StretchLinear_512_to_1024_Blend)->Unit(benchmark::kMicrosecond);

void BM_QtSmooth_512_to_1024(benchmark::State& state)
{
    const QImage src = RandomImage(512, 512, 2);
    for (auto _ : state) {
        QImage out = src.scaled(1024, 1024, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_QtSmooth_512_to_1024)->Unit(benchmark::kMicrosecond);

// Qt spreads its scaling over worker threads, whose time the CPU column does not show; with
// one thread the two columns compare like with like.
void BM_QtSmooth_512_to_1024_OneThread(benchmark::State& state)
{
    const QImage src = RandomImage(512, 512, 2);
    const int threads = QThreadPool::globalInstance()->maxThreadCount();
    QThreadPool::globalInstance()->setMaxThreadCount(1);
    for (auto _ : state) {
        QImage out = src.scaled(1024, 1024, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(out.constBits());
    }
    QThreadPool::globalInstance()->setMaxThreadCount(threads);
}
BENCHMARK(BM_QtSmooth_512_to_1024_OneThread)->Unit(benchmark::kMicrosecond);

void BM_QtFast_256_to_1024_OneThread(benchmark::State& state)
{
    const QImage src = RandomImage(256, 256, 1);
    const int threads = QThreadPool::globalInstance()->maxThreadCount();
    QThreadPool::globalInstance()->setMaxThreadCount(1);
    for (auto _ : state) {
        QImage out = src.scaled(1024, 1024, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        benchmark::DoNotOptimize(out.constBits());
    }
    QThreadPool::globalInstance()->setMaxThreadCount(threads);
}
BENCHMARK(BM_QtFast_256_to_1024_OneThread)->Unit(benchmark::kMicrosecond);

void BM_KernelBox_Glyph_48_to_16(benchmark::State& state)
{
    TBitmap32 glyph, dst;
    glyph.SetSize(48, 48);
    FillRandom(glyph, 3);
    glyph.SetResamplerClassName("TKernelResampler");
    dst.SetSize(16, 16);
    const TRect dr{0, 0, 16, 16};
    for (auto _ : state) {
        StretchTransfer(&dst, dr, dr, &glyph, glyph.BoundsRect(), glyph.Resampler(), dmBlend);
        benchmark::DoNotOptimize(dst.PixelData()[0]);
    }
}
BENCHMARK(BM_KernelBox_Glyph_48_to_16)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
