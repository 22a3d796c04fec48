// The print preview's pages: recording a long document into the page store (in a temporary
// file), loading single pages back from it, and (with the preview control) changing the
// zoom, moving through the pages and building the thumbnail strip.
//
// Baselines measured in the same run: the same pages recorded into memory, the pages' bytes
// written to a file without a page store, and a page's bytes read back without parsing.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <QApplication>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <string>
#include <unistd.h>

#include "printing/MetafileList.h"
#include "printing/PrintPreview.h"
#include "printing/ThumbnailPreview.h"

using namespace qm;

namespace {

constexpr int Pages = 1000;
constexpr int LinesPerPage = 60;

using qmbench::ResidentMB;

// One letter page as the shopping-list layout draws it, in thousandths of an inch: a title,
// 60 text lines in three columns and a few rules.
void DrawPage(TDeviceCanvas& c, int page)
{
    c.Font().SetName("Arial");
    c.Font().SetSize(14);
    c.Font().SetStyle(fsBold);
    c.Brush().SetStyle(bsClear);
    c.TextOut(250, 250, "Corner Market Shopping List");
    c.Font().SetStyle(0);
    c.Font().SetSize(10);
    c.Brush().SetColor(clBlack);
    c.Brush().SetStyle(bsSolid);
    c.Rectangle(250, 520, 8250, 540);
    c.Brush().SetStyle(bsClear);
    for (int row = 0; row < LinesPerPage; ++row) {
        const int x = 270 + (row / 20) * 2660, y = 600 + (row % 20) * 480;
        c.TextRect({x, y, x + 2600, y + 200}, x, y,
                   "[  ]  Whole milk (" + std::to_string(row % 9 + 1) + ")  \xA2");
    }
    c.TextOut(7600, 10500, "Page " + std::to_string(page));
}

// The page recorded with thousandths of an inch mapped onto the screen's pixels.
void RecordPage(TMetafile& m, int page)
{
    m.Clear();
    m.SetWidth(816);
    m.SetHeight(1056);
    TMetafileCanvas c(m);
    c.SetMapMode(emf::MM_ANISOTROPIC);
    c.SetWindowExt(8500, 11000);
    c.SetViewportExt(816, 1056);
    c.SetViewportOrg(0, 0);
    c.Font().SetPixelsPerInch(1000);
    DrawPage(c, page);
}

void RecordDocument(TMetafileList& list)
{
    TMetafile m;
    for (int p = 1; p <= Pages; ++p) {
        RecordPage(m, p);
        list.Add(m);
    }
}

void BM_RecordThousandPagesTempFile(benchmark::State& state)
{
    double growth = 0;
    for (auto _ : state) {
        const double before = ResidentMB();
        TMetafileList list;
        list.SetUseTempFile(true);
        RecordDocument(list);
        growth = std::max(growth, ResidentMB() - before);
        state.counters["stream_MB"] = double(list.StreamSize()) / (1024.0 * 1024.0);
    }
    state.counters["rss_growth_MB"] = growth;
}
BENCHMARK(BM_RecordThousandPagesTempFile)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RecordThousandPagesInMemory(benchmark::State& state)
{
    for (auto _ : state) {
        TMetafileList list;
        RecordDocument(list);
        benchmark::DoNotOptimize(list.StreamSize());
    }
}
BENCHMARK(BM_RecordThousandPagesInMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

// The bytes of the same document written to a file directly, one page at a time.
void BM_WriteThousandPagesPlainFile(benchmark::State& state)
{
    TMetafile m;
    RecordPage(m, 1);
    const std::vector<uint8_t> bytes = m.SaveToData();
    const std::string name = "/tmp/qm-bench-preview-" + std::to_string(::getpid());
    for (auto _ : state) {
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        for (int p = 0; p < Pages; ++p)
            benchmark::DoNotOptimize(::write(fd, bytes.data(), bytes.size()));
        ::close(fd);
    }
    ::unlink(name.c_str());
}
BENCHMARK(BM_WriteThousandPagesPlainFile)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadOnePage(benchmark::State& state)
{
    TMetafileList list;
    list.SetUseTempFile(true);
    RecordDocument(list);
    std::mt19937 rng(7);
    for (auto _ : state) {
        const int32_t index = int32_t(rng() % Pages);
        benchmark::DoNotOptimize(list.Metafiles(index).Width());
    }
}
BENCHMARK(BM_LoadOnePage)->Unit(benchmark::kMicrosecond);

// A page's bytes read from the same kind of file, not parsed.
void BM_ReadOnePagePlain(benchmark::State& state)
{
    TMetafileList list;
    list.SetUseTempFile(true);
    RecordDocument(list);
    const int fd = ::open(list.TempFileName().c_str(), O_RDONLY);
    std::vector<uint8_t> buffer(size_t(list.Offset(1)));
    std::mt19937 rng(7);
    for (auto _ : state) {
        const int32_t index = int32_t(rng() % (Pages - 1));
        benchmark::DoNotOptimize(::pread(fd, buffer.data(), buffer.size(), list.Offset(index)));
    }
    ::close(fd);
}
BENCHMARK(BM_ReadOnePagePlain)->Unit(benchmark::kMicrosecond);

// A preview of 1,000 x 700 pixels holding the 1,000 pages, shown (off screen).
struct ShownPreview {
    ShownPreview()
    {
        pv.SetUnits(mmHiEnglish);
        pv.SetPaperType(pLetter);
        pv.SetUseTempFile(true);
        pv.resize(1000, 700);
        pv.show();
        pv.BeginDoc();
        for (int p = 1; p <= Pages; ++p) {
            if (p > 1)
                pv.NewPage();
            DrawPage(*pv.Canvas(), p);
        }
        pv.EndDoc();
        QApplication::processEvents();
    }
    TPrintPreview pv;
};

// A zoom change lays the sheet out again and plays the page into it; repaint() paints it and
// copies it to the screen before returning.
void BM_ZoomChangeAndRepaint(benchmark::State& state)
{
    ShownPreview s;
    const int32_t zooms[] = {100, 110, 90, 120};
    size_t i = 0;
    for (auto _ : state) {
        s.pv.SetZoom(zooms[i++ % 4]);
        s.pv.Sheet().repaint();
    }
}
BENCHMARK(BM_ZoomChangeAndRepaint)->Unit(benchmark::kMillisecond);

void BM_ZoomToFitAndRepaint(benchmark::State& state)
{
    ShownPreview s;
    bool width = false;
    for (auto _ : state) {
        s.pv.SetZoomState((width = !width) ? zsZoomToWidth : zsZoomToFit);
        s.pv.Sheet().repaint();
    }
}
BENCHMARK(BM_ZoomToFitAndRepaint)->Unit(benchmark::kMillisecond);

void BM_NextPageAndRepaint(benchmark::State& state)
{
    ShownPreview s;
    s.pv.SetZoom(100);
    for (auto _ : state) {
        s.pv.SetCurrentPage(s.pv.CurrentPage() % Pages + 1);
        s.pv.Sheet().repaint();
    }
}
BENCHMARK(BM_NextPageAndRepaint)->Unit(benchmark::kMillisecond);

// Baseline: the same page played onto an image of the sheet's size, no control involved.
void BM_PlayPageOntoImage(benchmark::State& state)
{
    ShownPreview s;
    s.pv.SetZoom(100);
    QImage img(s.pv.Sheet().size(), QImage::Format_RGB32);
    TMetafile& page = *s.pv.GetPage(1);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter p(&img);
        page.Play(p, QRectF(1, 1, 816, 1056));
    }
}
BENCHMARK(BM_PlayPageOntoImage)->Unit(benchmark::kMillisecond);

// Binding a strip to the 1,000 pages makes and lays out every thumbnail; only those in view
// are painted.
void BM_BuildThumbnailStrip(benchmark::State& state)
{
    ShownPreview s;
    int painted = 0;
    for (auto _ : state) {
        TThumbnailPreview strip;
        strip.resize(142, 700);
        strip.show();
        strip.SetPrintPreview(&s.pv);
        painted = 0;
        for (int i = 0; i < strip.ThumbnailCount(); ++i) {
            TPaperPreview& sheet = *strip.Thumbnail(i).Paper;
            auto paint = sheet.OnPaint;
            sheet.OnPaint = [&painted, paint](QObject* o, TPainterCanvas& c, const TRect& r) {
                ++painted;
                paint(o, c, r);
            };
        }
        strip.repaint();
        QApplication::processEvents();
        state.counters["thumbnails"] = strip.ThumbnailCount();
    }
    state.counters["painted"] = painted;
}
BENCHMARK(BM_BuildThumbnailStrip)->Unit(benchmark::kMillisecond)->Iterations(3);

// Recording the 1,000 pages while a strip is bound: every page added lays the strip out.
void BM_RecordWithStripBound(benchmark::State& state)
{
    for (auto _ : state) {
        TPrintPreview pv;
        pv.SetUnits(mmHiEnglish);
        pv.SetPaperType(pLetter);
        pv.SetUseTempFile(true);
        TThumbnailPreview strip;
        strip.resize(142, 700);
        strip.SetPrintPreview(&pv);
        pv.BeginDoc();
        for (int p = 1; p <= Pages; ++p) {
            if (p > 1)
                pv.NewPage();
            DrawPage(*pv.Canvas(), p);
        }
        pv.EndDoc();
        state.counters["thumbnails"] = strip.ThumbnailCount();
    }
}
BENCHMARK(BM_RecordWithStripBound)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    qmbench::UseOffscreenPlatform();
    QApplication app(argc, argv);
    return qmbench::RunBenchmarks(argc, argv);
}
