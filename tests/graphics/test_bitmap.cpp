// TBitmap32: storage, change notification, "Data" streaming, assignment and text metrics.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <random>

#include "graphics/Raster.h"
#include "graphics/RasterResamplers.h"
#include "graphics/RasterSystem.h"

using namespace qm;

namespace {

// Counts every event a bitmap fires.
struct EventLog {
    explicit EventLog(TBitmap32& b)
    {
        b.OnChange = [this](TObject*) { ++changes; };
        b.OnResize = [this](TObject*) { ++resizes; };
        b.OnAreaChanged = [this](TObject*, const TRect& r, uint32_t info) {
            areas.push_back(r);
            infos.push_back(info);
        };
    }
    int changes = 0;
    int resizes = 0;
    std::vector<TRect> areas;
    std::vector<uint32_t> infos;
    int total() const { return changes + resizes + int(areas.size()); }
};

void FillRandom(TBitmap32& b, uint32_t seed)
{
    std::mt19937 rng(seed);
    for (int32_t i = 0; i < b.Width * b.Height; ++i)
        b.PixelData()[i] = rng();
}

QByteArray WriteToBytes(const TBitmap32& b)
{
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    b.WriteData(buf);
    return bytes;
}

void ReadFromBytes(TBitmap32& b, QByteArray bytes)
{
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    b.ReadData(buf);
}

} // namespace

TEST(Bitmap, SetSizeFiresOnlyForARealChange)
{
    TBitmap32 b;
    EventLog log(b);
    EXPECT_TRUE(b.SetSize(4, 3));
    EXPECT_EQ(log.changes, 1);
    EXPECT_EQ(log.resizes, 1);
    ASSERT_EQ(log.areas.size(), 1u);
    EXPECT_EQ(log.areas[0], (TRect{0, 0, 4, 3}));
    EXPECT_EQ(log.infos[0], AREAINFO_RECT);
    EXPECT_EQ(b.ClipRect(), (TRect{0, 0, 4, 3}));
    EXPECT_FALSE(b.Clipping());
    ASSERT_NE(b.DC(), nullptr);
    EXPECT_EQ(b.DC()->constBits(), reinterpret_cast<const uchar*>(b.PixelData())); // wrapped, not copied

    EXPECT_FALSE(b.SetSize(4, 3));
    EXPECT_EQ(log.total(), 3);

    EXPECT_TRUE(b.SetSize(-5, 10));
    EXPECT_EQ(b.Width, 0);
    EXPECT_EQ(b.Height, 10);
    EXPECT_EQ(b.PixelData(), nullptr);
    EXPECT_EQ(b.DC(), nullptr);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.PixelAtChecked(0, 0), b.OuterColor());
}

TEST(Bitmap, OverflowingSizeFailsAndLeavesTheBitmapEmpty)
{
    TBitmap32 b;
    b.SetSize(4, 4);
    b.SetClipRect({1, 1, 3, 3});
    EventLog log(b);
    // 100000 x 100000 x 4 overflows 32 bits and exceeds what a bitmap may hold.
    try {
        b.SetSize(100000, 100000);
        FAIL() << "no exception";
    } catch (const EOutOfResources& e) {
        EXPECT_STREQ(e.what(), "Can't allocate the DIB handle");
    }
    EXPECT_EQ(b.Width, 0);
    EXPECT_EQ(b.Height, 0);
    EXPECT_EQ(b.PixelData(), nullptr);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(log.total(), 0);
    // The clip rectangle shrinks with the pixels, so clipped operations find nothing to touch.
    EXPECT_EQ(b.ClipRect(), (TRect{0, 0, 0, 0}));
    EXPECT_FALSE(b.Clipping());
    b.SetOuterColor(0x12345678);
    EXPECT_EQ(b.PixelAtChecked(2, 2), 0x12345678u);
    b.SetPixelChecked(2, 2, 0);
    b.SetPixelBlendedChecked(1, 1, 0xFFFFFFFF);
    b.FillRectClipped(0, 0, 4, 4, 0xFF000000);
    b.DrawHorzLineClipped(0, 2, 3, 0xFF000000);
    b.DrawLineClipped(0, 0, 3, 3, 0xFF000000, true);
    EXPECT_THROW(b.SetSize(65536, 65536), EOutOfResources); // exactly 2^32 x 4 bytes
    EXPECT_TRUE(b.SetSize(2, 2));
    EXPECT_EQ(b.ClipRect(), (TRect{0, 0, 2, 2}));
}

TEST(Bitmap, ClearToAndClipping)
{
    TBitmap32 empty;
    EventLog emptyLog(empty);
    empty.ClearTo(0xFF112233);
    EXPECT_EQ(emptyLog.total(), 0);

    TBitmap32 b;
    b.SetSize(5, 4);
    b.ClearTo(0xFF000000);
    EventLog log(b);
    b.SetClipRect({1, 1, 3, 10});
    EXPECT_EQ(b.ClipRect(), (TRect{1, 1, 3, 4}));
    EXPECT_EQ(b.ClipRectFixed16(), (TRect{1 << 16, 1 << 16, 3 << 16, 4 << 16}));
    EXPECT_EQ(b.ClipRectFixed8(), (TRect{1 << 8, 1 << 8, 3 << 8, 4 << 8}));
    EXPECT_TRUE(b.Clipping());
    b.ClearTo(0xFFFFFFFF);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(b.PixelAt(x, y), x >= 1 && x < 3 && y >= 1 ? 0xFFFFFFFFu : 0xFF000000u)
                << x << "," << y;
    // The clipped fill reports the clip rectangle, then the whole bitmap changed.
    ASSERT_EQ(log.areas.size(), 2u);
    EXPECT_EQ(log.areas[0], (TRect{1, 1, 3, 4}));
    EXPECT_EQ(log.areas[1], (TRect{0, 0, 5, 4}));
    EXPECT_EQ(log.changes, 2);

    b.SetClipRect({10, 10, 20, 20}); // misses the bitmap
    EXPECT_EQ(b.ClipRect(), (TRect{0, 0, 0, 0}));
    EXPECT_TRUE(b.Clipping());
    b.SetOuterColor(0x12345678);
    EXPECT_EQ(b.PixelAtChecked(0, 0), 0x12345678u);
    EXPECT_EQ(b.PixelAtChecked(2, 2), 0x12345678u);
    EXPECT_EQ(b.PixelWrapped(2, 2), 0x12345678u); // nothing to fold onto
    b.SetPixelChecked(2, 2, 0);
    EXPECT_EQ(b.PixelAt(2, 2), 0xFFFFFFFFu);
}

TEST(Bitmap, UpdateBracketsAndMeasuring)
{
    TBitmap32 b;
    b.SetSize(3, 3);
    EventLog log(b);
    b.IncUpdateCount();
    b.ClearTo(0);
    b.SetDrawMode(dmBlend);
    b.NotifyAreaChanged({0, 0, 1, 1}, AREAINFO_RECT);
    b.DecUpdateCount();
    EXPECT_EQ(log.total(), 0) << "closing a bracket reports nothing";

    std::vector<TRect> measured;
    b.StartMeasuring([&](TObject*, const TRect& r, uint32_t) { measured.push_back(r); });
    b.IncUpdateCount();
    b.ClearTo(0xFFFFFFFF);
    b.DecUpdateCount();
    b.StopMeasuring();
    EXPECT_EQ(b.PixelAt(1, 1), 0u) << "measuring draws nothing";
    EXPECT_EQ(measured.size(), 1u);
    EXPECT_EQ(log.total(), 0) << "OnChange never fires while measuring";
    b.SetDrawMode(dmOpaque);
    EXPECT_EQ(log.changes, 1);
    EXPECT_EQ(log.areas.size(), 1u) << "the handler is back after measuring";
}

TEST(Bitmap, PropertySettersReportOnlyChanges)
{
    TBitmap32 b;
    EventLog log(b);
    b.SetDrawMode(dmOpaque);
    b.SetCombineMode(cmBlend);
    b.SetWrapMode(wmClamp);
    b.SetMasterAlpha(255);
    EXPECT_EQ(log.changes, 0);
    b.SetMasterAlpha(300); // stored unchanged
    EXPECT_EQ(b.MasterAlpha(), 300u);
    b.SetCombineMode(cmMerge);
    b.SetWrapMode(wmMirror);
    EXPECT_EQ(log.changes, 3);

    const TCustomResampler* first = b.Resampler();
    EXPECT_EQ(b.ResamplerClassName(), "TNearestResampler");
    b.SetResamplerClassName("TLinearResampler");
    EXPECT_EQ(b.ResamplerClassName(), "TLinearResampler");
    EXPECT_NE(b.Resampler(), first);
    EXPECT_EQ(log.changes, 4);
    const TCustomResampler* linear = b.Resampler();
    b.SetResamplerClassName("TLinearResampler");
    b.SetResamplerClassName("tlinearresampler");
    b.SetResamplerClassName("TNoSuchResampler");
    b.SetResamplerClassName("");
    EXPECT_EQ(b.Resampler(), linear);
    EXPECT_EQ(log.changes, 4);
}

TEST(Bitmap, DestroyReportsOnlyTheResize)
{
    int changes = 0, areas = 0, resizes = 0;
    {
        TBitmap32 b;
        b.SetSize(2, 2);
        b.OnChange = [&](TObject*) { ++changes; };
        b.OnAreaChanged = [&](TObject*, const TRect&, uint32_t) { ++areas; };
        b.OnResize = [&](TObject*) { ++resizes; };
    }
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(areas, 0);
    EXPECT_EQ(resizes, 1);
}

TEST(Bitmap, ColourConversions)
{
    EXPECT_EQ(ColorToColor32(0x000000FF), 0xFFFF0000u);
    EXPECT_EQ(ColorToColor32(0x00123456), 0xFF563412u);
    const QColor face = QGuiApplication::palette().color(QPalette::Button);
    EXPECT_EQ(ColorToColor32(clBtnFace), 0xFF000000u | face.rgb());
    EXPECT_EQ(SetColor32Alpha(0x11223344, 300), 0xFF223344u);
    EXPECT_EQ(SetColor32Alpha(0x11223344, -1), 0x00223344u);
    EXPECT_EQ(SetColor32Alpha(0x11223344, 128), 0x80223344u);
}

TEST(Bitmap, RectangleHelpers)
{
    TRect r;
    EXPECT_TRUE(IntersectRects(r, {0, 0, 10, 10}, {5, 5, 15, 15}));
    EXPECT_EQ(r, (TRect{5, 5, 10, 10}));
    EXPECT_TRUE(IntersectRects(r, {0, 0, 5, 5}, {5, 0, 9, 5})); // touching edges meet
    EXPECT_EQ(r, (TRect{5, 0, 5, 5}));
    EXPECT_FALSE(IntersectRects(r, {0, 0, 5, 5}, {6, 0, 9, 5}));
    EXPECT_EQ(r, (TRect{}));
    EXPECT_TRUE(IsRectEmpty32({5, 0, 5, 5}));
    EXPECT_TRUE(PointInRect({0, 0, 2, 2}, {1, 1}));
    EXPECT_FALSE(PointInRect({0, 0, 2, 2}, {2, 1}));
    const TRect fx{0x18000, 0x18000, 0x28000, 0x28001};
    EXPECT_EQ(RectFromFixedRect(fx, rrClosest), (TRect{1, 1, 2, 3}));
    EXPECT_EQ(RectFromFixedRect(fx, rrOutside), (TRect{1, 1, 3, 3}));
    EXPECT_EQ(RectFromFixedRect(fx, rrInside), (TRect{2, 2, 2, 2}));
    EXPECT_EQ(RectFromFloatRect({0.5f, 1.5f, 2.5f, 3.5f}, rrClosest), (TRect{0, 2, 2, 4}));
    EXPECT_EQ(RectFromFloatRect({0.5f, 1.5f, 2.5f, 3.5f}, rrOutside), (TRect{0, 1, 3, 4}));
}

TEST(BitmapData, RoundTripAndEvents)
{
    TBitmap32 glyph;
    glyph.SetSize(16, 16);
    FillRandom(glyph, 7);
    const QByteArray bytes = WriteToBytes(glyph);
    ASSERT_EQ(bytes.size(), 1032);
    EXPECT_EQ(bytes.left(8), QByteArray("\x10\0\0\0\x10\0\0\0", 8));
    EXPECT_EQ(std::memcmp(bytes.constData() + 8, glyph.PixelData(), 1024), 0);

    TBitmap32 fresh;
    EventLog log(fresh);
    ReadFromBytes(fresh, bytes);
    EXPECT_TRUE(fresh.Equals(&glyph));
    EXPECT_EQ(log.resizes, 1);
    EXPECT_EQ(log.changes, 2); // the size change and the final report

    EventLog again(fresh);
    ReadFromBytes(fresh, bytes);
    EXPECT_EQ(again.resizes, 0);
    EXPECT_EQ(again.changes, 1);

    TBitmap32 big;
    big.SetSize(36, 36);
    EXPECT_EQ(WriteToBytes(big).size(), 5192);
    TBitmap32 none;
    EXPECT_EQ(WriteToBytes(none).size(), 8);
}

TEST(BitmapData, BadStreamsRaiseAndNeverOverrun)
{
    TBitmap32 b;
    b.SetSize(2, 2);
    b.ClearTo(0xFFFFFFFF);
    // A header cut short: nothing changes.
    EXPECT_THROW(ReadFromBytes(b, QByteArray("\x04\0\0\0\x04\0", 6)), EInOutError);
    EXPECT_EQ(b.Width, 2);

    // Pixels cut short: the size is set, the pixels read so far stay, then the error.
    QByteArray shortData("\x04\0\0\0\x04\0\0\0", 8);
    shortData.append(QByteArray(4 * 5, '\x7F'));
    EXPECT_THROW(ReadFromBytes(b, shortData), EInOutError);
    EXPECT_EQ(b.Width, 4);
    EXPECT_EQ(b.Height, 4);
    EXPECT_EQ(b.PixelAt(0, 1), 0x7F7F7F7Fu);

    // Negative sizes become 0 and no pixels are read.
    ReadFromBytes(b, QByteArray("\xFB\xFF\xFF\xFF\x0A\0\0\0", 8));
    EXPECT_EQ(b.Width, 0);
    EXPECT_EQ(b.Height, 10);

    // A size that overflows raises the allocation error before anything is read.
    EXPECT_THROW(ReadFromBytes(b, QByteArray("\xFF\xFF\xFF\x7F\xFF\xFF\xFF\x7F", 8)), EOutOfResources);
    EXPECT_TRUE(b.IsEmpty());
}

TEST(BitmapData, StoredOnlyWhenItDiffers)
{
    struct Filer : TFiler {
        void DefineBinaryProperty(const char* Name, const std::function<void(QIODevice&)>&,
                                  const std::function<void(QIODevice&)>&, bool HasData) override
        {
            name = Name;
            stored = HasData;
        }
        std::string name;
        bool stored = false;
    } filer;
    TBitmap32 a, b;
    a.DefineStoredData(filer);
    EXPECT_EQ(filer.name, "Data");
    EXPECT_FALSE(filer.stored);
    a.SetSize(3, 3);
    a.ClearTo(1);
    a.DefineStoredData(filer);
    EXPECT_TRUE(filer.stored);
    b.SetSize(3, 3);
    b.ClearTo(1);
    filer.Ancestor = &b;
    a.DefineStoredData(filer);
    EXPECT_FALSE(filer.stored);
    b.PixelAt(2, 2) = 2;
    a.DefineStoredData(filer);
    EXPECT_TRUE(filer.stored);
}

TEST(BitmapAssign, FromAnotherBitmapCopiesPixelsAndProperties)
{
    TBitmap32 src;
    src.SetSize(3, 2);
    FillRandom(src, 3);
    src.SetDrawMode(dmBlend);
    src.SetMasterAlpha(100);
    src.SetOuterColor(0xAABBCCDD);
    src.SetResamplerClassName("TKernelResampler");
    auto* kr = static_cast<TKernelResampler*>(src.Resampler());
    kr->SetKernelClassName("TLanczosKernel");
    static_cast<TLanczosKernel*>(kr->Kernel())->SetWidth(2);
    kr->SetTableSize(8);
    src.Font().SetName("Liberation Sans");

    TBitmap32 dst;
    EventLog log(dst);
    dst.Assign(&src);
    EXPECT_TRUE(dst.Equals(&src));
    EXPECT_EQ(dst.DrawMode(), dmBlend);
    EXPECT_EQ(dst.MasterAlpha(), 100u);
    EXPECT_EQ(dst.OuterColor(), 0xAABBCCDDu);
    ASSERT_EQ(dst.ResamplerClassName(), "TKernelResampler");
    auto* dkr = static_cast<TKernelResampler*>(dst.Resampler());
    EXPECT_EQ(dkr->KernelClassName(), "TLanczosKernel");
    EXPECT_EQ(static_cast<TLanczosKernel*>(dkr->Kernel())->Width(), 2.0f);
    EXPECT_EQ(dkr->TableSize(), 8);
    EXPECT_EQ(dst.Font().Name(), "Liberation Sans");
    EXPECT_EQ(log.changes, 1) << "one report after the bracket";

    dst.Assign(nullptr);
    EXPECT_TRUE(dst.IsEmpty());
}

TEST(BitmapAssign, UnsupportedSourceRaisesAndStillReports)
{
    TBitmap32 b;
    EventLog log(b);
    TFont font;
    EXPECT_THROW(b.Assign(&font), EConvertError);
    EXPECT_EQ(b.UpdateCount, 0);
    EXPECT_EQ(log.changes, 1);
}

TEST(BitmapAssign, ToolkitBitmapsWithTransparentColour)
{
    QImage img(3, 1, QImage::Format_RGB888);
    img.setPixel(0, 0, qRgb(255, 0, 0));
    img.setPixel(1, 0, qRgb(0, 0, 255));
    img.setPixel(2, 0, qRgb(255, 0, 0));
    TBitmap32 b;
    b.AssignFromSource(img, true, 0x0000FF); // toolkit red
    ASSERT_EQ(b.Width, 3);
    EXPECT_EQ(b.PixelAt(0, 0), 0x00FF0000u);
    EXPECT_EQ(b.PixelAt(1, 0), 0xFF0000FFu);
    EXPECT_EQ(b.PixelAt(2, 0), 0x00FF0000u);

    QImage argb(2, 1, QImage::Format_ARGB32);
    argb.setPixel(0, 0, 0x40102030);
    argb.setPixel(1, 0, 0xFF405060);
    b.AssignFromSource(QPixmap::fromImage(argb).toImage());
    EXPECT_EQ(b.PixelAt(0, 0) >> 24, 0x40u) << "32-bit pictures keep their alpha";

    b.AssignFromSource(argb);
    QImage back;
    b.AssignToTarget(back);
    EXPECT_EQ(back.format(), QImage::Format_ARGB32);
    EXPECT_EQ(back.pixel(0, 0), 0x40102030u);
    EXPECT_NE(back.constBits(), b.DC()->constBits());
}

TEST(BitmapAssign, IconByDoubleRendering)
{
    QImage half(4, 4, QImage::Format_ARGB32);
    half.fill(Qt::transparent);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 2; ++x)
            half.setPixel(x, y, 0xFF00FF00);
    const QIcon icon(QPixmap::fromImage(half));
    TBitmap32 b;
    b.AssignFromSource(icon, 4, 4);
    ASSERT_EQ(b.Width, 4);
    EXPECT_EQ(b.PixelAt(0, 0), 0xFF00FF00u);
    EXPECT_EQ(b.PixelAt(3, 3) >> 24, 0u);
}

TEST(BitmapAssign, ClipboardImage)
{
    TBitmap32 b;
    b.SetSize(2, 2);
    b.ClearTo(0xFF336699);
    b.AssignToClipboard();
    TBitmap32 c;
    c.AssignFromClipboard();
    if (QGuiApplication::clipboard()->image().isNull())
        GTEST_SKIP() << "this platform plugin keeps no clipboard";
    ASSERT_EQ(c.Width, 2);
    EXPECT_EQ(c.PixelAt(1, 1), 0xFF336699u);
}

TEST(BitmapText, MeasuringAndCanvas)
{
    TBitmap32 empty;
    empty.Font().SetName("Liberation Sans");
    empty.Font().SetSize(10);
    TBitmap32 b;
    b.SetSize(60, 20);
    b.SetFont(empty.Font());
    const TSize e = empty.MeasureText("Milk");
    EXPECT_GT(e.cx, 10);
    EXPECT_GT(e.cy, 8);
    EXPECT_EQ(b.MeasureText("Milk"), e) << "an empty bitmap measures like a real one";
    EXPECT_NE(b.SelectedFont(), 0u);
    b.Font().SetStyle(fsBold);
    EXPECT_EQ(b.SelectedFont(), 0u) << "a font change drops the selected font";
    EXPECT_GE(b.TextWidth("Milk"), e.cx);

    EventLog log(b);
    EXPECT_FALSE(b.CanvasAllocated());
    TCanvas& canvas = b.Canvas();
    EXPECT_EQ(canvas.Handle(), b.DC());
    b.ClearTo(0xFFFFFFFF);
    canvas.Font().SetName("Liberation Sans");
    canvas.Font().SetColor(clBlack);
    canvas.TextOut(2, 2, "Milk");
    int dark = 0;
    for (int i = 0; i < 60 * 20; ++i)
        dark += (b.PixelData()[i] & 0xFF) < 128;
    EXPECT_GT(dark, 10);
    EXPECT_EQ(log.changes, 2); // the clear and the text

    int handles = 0;
    b.OnHandleChanged = [&](TObject*) { ++handles; };
    b.SetSize(10, 10);
    EXPECT_FALSE(b.CanvasAllocated()) << "a size change frees the canvas";
    EXPECT_EQ(handles, 1);
}

TEST(BitmapSampling, BilinearEdgesAndWrapping)
{
    TBitmap32 b;
    b.SetSize(2, 2);
    b.PixelAt(0, 0) = 0xFF000000;
    b.PixelAt(1, 0) = 0xFFFFFFFF;
    b.PixelAt(0, 1) = 0xFF000000;
    b.PixelAt(1, 1) = 0xFFFFFFFF;
    b.SetOuterColor(0x11111111);
    EXPECT_EQ(b.SampleBilinear256Checked(-1, 0), 0x11111111u);
    EXPECT_EQ(b.SampleBilinear256Checked(256, 0), 0xFFFFFFFFu); // right edge: plain pixel
    EXPECT_EQ(b.SampleBilinear256Checked(0, 256), 0xFF000000u); // bottom edge
    EXPECT_EQ(b.SampleBilinear256Checked(257, 0), 0x11111111u);
    {
        // Weight 255 on the first pixel: exact in the plain mix, one step off in the MMX one.
        const TBindingFeatures saved = BindingFeatures();
        RebindRasterRoutines({});
        EXPECT_EQ(b.SampleBilinear256Checked(0, 0), 0xFF000000u);
        RebindRasterRoutines({true, true, false});
        EXPECT_EQ(b.SampleBilinear256Checked(0, 0), 0xFF010101u);
        RebindRasterRoutines(saved);
    }
    const TColor32 mid = b.SampleFixedChecked(0x8000, 0);
    EXPECT_GT(mid & 0xFF, 0x10u);
    EXPECT_LT(mid & 0xFF, 0xF0u);

    b.SetWrapMode(wmRepeat);
    EXPECT_EQ(b.PixelWrapped(3, 0), 0xFFFFFFFFu);
    EXPECT_EQ(b.PixelWrapped(-1, 0), 0xFFFFFFFFu);
    b.SetWrapMode(wmMirror);
    EXPECT_EQ(b.PixelWrapped(2, 0), 0xFFFFFFFFu);
    EXPECT_EQ(b.PixelWrapped(-1, 0), 0xFF000000u);
    EXPECT_EQ(b.SampleFixedWrapped(0x8000, 0) & 0xFF, 0x80u);

    TBitmap32 empty;
    EXPECT_EQ(empty.SampleBilinear256Checked(0, 0), empty.OuterColor());
    EXPECT_EQ(empty.SampleFixedWrapped(0, 0), empty.OuterColor());
}
