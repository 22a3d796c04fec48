// The paint box's back buffer, the image control's placement, painting and direct repaint,
// the glyph list and the caption panel, checked on the buffer's pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <climits>
#include <vector>

#include "graphics/RasterBlend.h"
#include "graphics/widgets/GradPanel32.h"
#include "WidgetTestSupport.h"
#include "graphics/widgets/RasterImage.h"
#include "platform/Exception.h"

using namespace qm;
using qmtest::ProbeImage;
using qmtest::ShowAndSettle;

namespace {

constexpr TColor32 Red = 0xFFFF0000;

// Paints the image's buffer the way a paint does, without a screen.
void PaintHidden(TCustomPaintBox32& box)
{
    box.ResizeBuffer();
    box.PaintBuffer();
}

} // namespace

TEST(PaintBox, BufferFollowsTheViewportInSteps)
{
    TImage32 image;
    image.resize(500, 100);
    image.ResizeBuffer();
    EXPECT_EQ(image.Buffer().Width, 540);
    EXPECT_EQ(image.Buffer().Height, 140);
    image.resize(520, 100);
    image.ResizeBuffer();
    EXPECT_EQ(image.Buffer().Width, 540);
    image.resize(560, 100);
    image.ResizeBuffer();
    EXPECT_EQ(image.Buffer().Width, 600);
    image.resize(550, 100);
    image.ResizeBuffer();
    EXPECT_EQ(image.Buffer().Width, 550);
    EXPECT_TRUE(image.ForceFullRepaint);
}

TEST(PaintBox, ASizeNoBufferCanFollowLeavesItEmptyUntilOneFits)
{
    TImage32 image;
    image.resize(500, 100);
    image.ResizeBuffer();
    // Far beyond any screen: a buffer of this size cannot be had.
    QResizeEvent huge(QSize(60000, 60000), QSize(500, 100));
    image.setGeometry(0, 0, 60000, 60000);
    EXPECT_NO_THROW(QApplication::sendEvent(&image, &huge));
    EXPECT_TRUE(image.Buffer().IsEmpty());
    EXPECT_NO_THROW(image.PaintBuffer());

    image.setGeometry(0, 0, 300, 200);
    QResizeEvent back(QSize(300, 200), QSize(60000, 60000));
    QApplication::sendEvent(&image, &back);
    EXPECT_EQ(image.Buffer().Width, 340);
    EXPECT_EQ(image.Buffer().Height, 240);
}

TEST(ImageControl, BitmapSizeByScaleMode)
{
    TImage32 image;
    image.Bitmap().SetSize(100, 50);
    image.SetScaleMode(smResize);
    image.resize(40, 40);
    EXPECT_EQ(image.GetBitmapSize(), (TSize{40, 20}));
    image.resize(200, 50);
    EXPECT_EQ(image.GetBitmapSize(), (TSize{100, 50}));

    image.SetScaleMode(smOptimal);
    image.resize(300, 300);
    EXPECT_EQ(image.GetBitmapSize(), (TSize{100, 50})); // smaller than the control: unscaled
    image.resize(50, 300);
    EXPECT_EQ(image.GetBitmapSize(), (TSize{50, 25}));

    image.SetScaleMode(smScale);
    image.SetScale(1.5f);
    EXPECT_EQ(image.GetBitmapSize(), (TSize{150, 75}));
    image.SetScaleMode(smStretch);
    EXPECT_EQ(image.GetBitmapSize(), (TSize{50, 300}));

    // The search picture: 36 x 36 in a 22 x 22 control.
    TImage32 search;
    search.Bitmap().SetSize(36, 36);
    search.SetScaleMode(smResize);
    search.resize(22, 22);
    EXPECT_EQ(search.GetBitmapSize(), (TSize{22, 22}));
    search.resize(0, 22);
    EXPECT_EQ(search.GetBitmapSize(), (TSize{0, 0}));
}

TEST(ImageControl, ScaleIsClampedAndCentringMapsPoints)
{
    TImage32 image;
    int scaleEvents = 0;
    image.OnScaleChanged = [&](QObject*) { ++scaleEvents; };
    image.SetScale(0);
    EXPECT_FLOAT_EQ(image.Scale(), 0.001f);
    image.SetScale(-3);
    EXPECT_EQ(scaleEvents, 1);

    image.SetScale(2);
    image.SetScaleMode(smScale);
    image.SetBitmapAlign(baCenter);
    image.Bitmap().SetSize(30, 20);
    image.resize(100, 80);
    image.InvalidateCache();
    EXPECT_EQ(image.GetBitmapRect(), (TRect{20, 20, 80, 60}));
    EXPECT_EQ(image.BitmapToControl({10, 5}), (TPoint{40, 30}));
}

TEST(ImageControl, BackgroundAroundAnOpaqueBitmap)
{
    TImage32 image;
    image.SetColor(clWhite);
    image.resize(100, 80);
    image.Bitmap().SetSize(50, 40);
    image.Bitmap().ClearTo(Red);
    PaintHidden(image);
    TBitmap32& b = image.Buffer();
    EXPECT_EQ(*b.PixelAddress(0, 0), Red);
    EXPECT_EQ(*b.PixelAddress(49, 39), Red);
    EXPECT_EQ(*b.PixelAddress(50, 0) & 0xFFFFFF, 0xFFFFFFu); // band to the right
    EXPECT_EQ(*b.PixelAddress(0, 40) & 0xFFFFFF, 0xFFFFFFu); // band below
    EXPECT_EQ(*b.PixelAddress(99, 79) & 0xFFFFFF, 0xFFFFFFu);

    // A bitmap that covers the control gets no background: a marker in the buffer survives.
    TImage32 covered;
    covered.resize(60, 40);
    covered.Bitmap().SetSize(60, 40);
    covered.Bitmap().ClearTo(Red);
    covered.ResizeBuffer();
    covered.Buffer().ClearTo(0xFF00FF00);
    covered.Buffer().SetClipRect({0, 0, 60, 40});
    std::vector<TRect> fills;
    covered.Buffer().OnAreaChanged = [&](TObject*, const TRect& a, uint32_t) { fills.push_back(a); };
    covered.Buffer().StartMeasuring([&](TObject*, const TRect& a, uint32_t) { fills.push_back(a); });
    covered.PaintBuffer();
    covered.Buffer().StopMeasuring();
    EXPECT_EQ(fills, (std::vector<TRect>{{0, 0, 60, 40}})); // only the bitmap's own transfer

    // An empty bitmap: the colour everywhere.
    TImage32 empty;
    empty.SetColor(clWhite);
    empty.resize(30, 20);
    PaintHidden(empty);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(*empty.Buffer().PixelAddress(x, y) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(ImageControl, DirectModeRepaintsTheLineBeforeTheCallReturns)
{
    ProbeImage image;
    image.SetRepaintMode(rmDirect);
    image.resize(200, 100);
    image.Bitmap().SetSize(200, 100);
    image.Bitmap().ClearTo(0xFFFFFFFF);
    ShowAndSettle(image);
    image.paints.clear();

    int changes = 0;
    image.OnChange = [&](QObject*) { ++changes; };
    image.Bitmap().DrawLineClipped(50, 30, 10, 10, Red, true);
    // Drawn right to left: the reported area is reversed, the repaint is not.
    ASSERT_EQ(image.paints.size(), 1u);
    EXPECT_EQ(image.paints[0], (std::vector<TRect>{{8, 8, 52, 32}}));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(*image.Buffer().PixelAddress(10, 10), Red);
    EXPECT_EQ(*image.Buffer().PixelAddress(50, 30), Red);
    EXPECT_EQ(image.InvalidRects().Count(), 0);

    // Reports far outside the bitmap repaint nothing and do not overflow.
    image.Bitmap().DrawText(INT32_MAX - 1, INT32_MAX - 1, "x");
    image.Bitmap().DrawText(INT32_MIN, INT32_MIN, "x");
    EXPECT_EQ(image.paints.size(), 1u);

    // Inside an update bracket nothing is reported, so nothing repaints.
    image.Bitmap().IncUpdateCount();
    image.Bitmap().FillRectClipped(0, 0, 20, 20, Red);
    image.Bitmap().DecUpdateCount();
    EXPECT_EQ(image.paints.size(), 1u);
}

TEST(ImageControl, EmptyLayersSetTheControlCursorOnMove)
{
    TImage32 image;
    image.resize(50, 50);
    image.setCursor(Qt::PointingHandCursor);
    TCustomLayer* seen = reinterpret_cast<TCustomLayer*>(1);
    TShiftState shift = 0;
    image.OnMouseMove = [&](QObject*, TShiftState s, int32_t, int32_t, TCustomLayer* layer) {
        seen = layer;
        shift = s;
    };
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 6), QPointF(5, 6), Qt::NoButton, Qt::NoButton,
                     Qt::ShiftModifier);
    QApplication::sendEvent(&image, &move);
    EXPECT_EQ(seen, nullptr);
    EXPECT_EQ(shift, ssShift);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::PointingHandCursor);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&image, &leave);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(image.MouseInControl);
}

TEST(BitmapList, GetBitmapByIndex)
{
    TBitmap32List list;
    for (int i = 0; i < 16; ++i)
        list.Bitmaps().Add().Bitmap().SetSize(i + 1, 16);
    EXPECT_EQ(list.GetBitmap(15).Width, 16);
    EXPECT_THROW(list.GetBitmap(16), EListError);
    EXPECT_THROW(list.GetBitmap(-1), EListError);
}

// ---- Caption panel --------------------------------------------------------------------------

namespace {

TColor32 Blended(uint32_t alpha)
{
    TColor32 b = 0xFFFFFFFF;
    BlendColorIntoByMode[cmBlend](SetColor32Alpha(0xFF000000, int32_t(alpha)), b);
    return b;
}

} // namespace

TEST(GradPanel, LeftGradientRunsFromOpaqueToClear)
{
    TGradPanel32 panel;
    panel.SetColor(clWhite);
    panel.resize(100, 18);
    PaintHidden(panel);
    const TBitmap32& b = panel.Buffer();
    EXPECT_EQ(*b.PixelAddress(0, 9), Blended(255));
    EXPECT_EQ(*b.PixelAddress(50, 0), Blended(128)); // 127.5 rounds to the even 128
    EXPECT_EQ(*b.PixelAddress(99, 17), Blended(3));
    EXPECT_EQ(*b.PixelAddress(100, 5), Blended(0)); // the last line, at alpha 0, beyond the panel
    EXPECT_EQ(*b.PixelAddress(100, 5), 0xFFFFFFFFu);
}

TEST(GradPanel, OffsetDownKeepsTheFirstLinesOpaque)
{
    TGradPanel32 panel;
    panel.SetColor(clWhite);
    panel.SetDirection(gpdDown);
    panel.SetOffset(10);
    panel.resize(60, 18);
    PaintHidden(panel);
    for (int y = 0; y <= 10; ++y)
        EXPECT_EQ(*panel.Buffer().PixelAddress(30, y), Blended(255)) << y;
    EXPECT_EQ(*panel.Buffer().PixelAddress(30, 11), Blended(241)); // 17/18 of 255

    // Up with an offset leaves the top strip without a line.
    panel.SetDirection(gpdUp);
    panel.PaintBuffer();
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(*panel.Buffer().PixelAddress(30, y), 0xFFFFFFFFu) << y;
    EXPECT_EQ(*panel.Buffer().PixelAddress(30, 10), 0xFFFFFFFFu); // alpha 0
    EXPECT_EQ(*panel.Buffer().PixelAddress(30, 17), Blended(99)); // 7/18 of 255
}

TEST(GradPanel, CaptionChangeRepaintsWithText)
{
    TGradPanel32 panel;
    panel.Font().SetName("Arial");
    panel.Font().SetHeight(-11);
    panel.Font().SetStyle(fsBold);
    panel.resize(150, 18);
    PaintHidden(panel);
    EXPECT_TRUE(panel.BufferValid);
    const std::vector<TColor32> plain(panel.Buffer().PixelData(),
                                      panel.Buffer().PixelData() +
                                          panel.Buffer().Width * panel.Buffer().Height);
    // Pixels of the panel that differ from the panel without a caption.
    auto changed = [&](int fromX, int toX) {
        int n = 0;
        for (int y = 0; y < 18; ++y)
            for (int x = fromX; x < toX; ++x)
                n += *panel.Buffer().PixelAddress(x, y) != plain[size_t(y * panel.Buffer().Width + x)];
        return n;
    };
    panel.SetCaption("Item List");
    EXPECT_FALSE(panel.BufferValid);
    panel.PaintBuffer();
    const int tw = panel.Buffer().TextWidth("Item List");
    EXPECT_GT(changed(5, 5 + tw + 1), 10);
    EXPECT_EQ(changed(0, 5) + changed(5 + tw + 1, 150), 0);

    // Anti-aliased, aligned to the right edge.
    panel.SetRenderText(true);
    panel.SetRenderTextAALevel(2);
    panel.SetTextHAlign(gpHRight);
    panel.PaintBuffer();
    EXPECT_EQ(changed(0, 150 - 5 - tw - 1), 0);
    EXPECT_GT(changed(150 - 5 - tw, 150), 10);
}

TEST(GradPanel, ExtremeOffsetsFinishAndStayOnTheBuffer)
{
    TGradPanel32 panel;
    panel.SetColor(clWhite);
    panel.resize(60, 18);
    panel.ResizeBuffer();
    for (TgpDirection d : {gpdUp, gpdDown, gpdLeft, gpdRight})
        for (int32_t offset : {INT32_MIN, -1000, 1000, INT32_MAX}) {
            panel.SetDirection(d);
            panel.SetOffset(offset);
            panel.PaintBuffer();
        }
    // Down, shifted far beyond the panel: every line clamps to opaque.
    panel.SetDirection(gpdDown);
    panel.SetOffset(-1000);
    panel.PaintBuffer();
    EXPECT_EQ(*panel.Buffer().PixelAddress(10, 10), 0xFFFFFFFFu); // the gradient lies above the panel
    panel.SetOffset(1000);
    panel.PaintBuffer();
    EXPECT_EQ(*panel.Buffer().PixelAddress(10, 10), Blended(255));
}

TEST(ImageControl, BitmapResizeIsHeardInsideAndOutsideUpdateBrackets)
{
    TImage32 image;
    image.SetAutoSize(true);
    int resizes = 0;
    image.OnBitmapResize = [&](QObject*) { ++resizes; };
    image.IncUpdateCount();
    image.Bitmap().SetSize(30, 20);
    EXPECT_EQ(resizes, 1);
    image.DecUpdateCount();
    image.Bitmap().SetSize(40, 25);
    EXPECT_EQ(resizes, 2);
    EXPECT_EQ(image.width(), 40); // auto-sized to the bitmap
    EXPECT_EQ(image.height(), 25);
}

namespace {

// A layer that paints straight onto the control, after the buffer has been copied.
class OverlayLayer : public TCustomLayer {
public:
    using TCustomLayer::TCustomLayer;
    std::vector<const char*>* log = nullptr;
    void PaintGDI(QPainter& Canvas) override
    {
        log->push_back("layer");
        Canvas.fillRect(QRect(2, 2, 4, 4), QColor(255, 0, 0));
    }
};

} // namespace

TEST(ImageControl, OverlayLayersPaintOnTheControlBeforeTheOverlayEvent)
{
    TImage32 image;
    image.SetColor(clWhite);
    image.resize(40, 30);
    std::vector<const char*> log;
    auto* overlay = new OverlayLayer(&image.Layers()); // owned by the collection
    overlay->log = &log;
    auto* plain = new OverlayLayer(&image.Layers());
    plain->log = &log; // no overlay option: never asked
    overlay->SetLayerOptions(LOB_VISIBLE | LOB_GDI_OVERLAY);
    image.OnGDIOverlay = [&](QObject*) { log.push_back("event"); };
    ShowAndSettle(image);
    ASSERT_GE(log.size(), 2u);
    EXPECT_STREQ(log[0], "layer");
    EXPECT_STREQ(log[1], "event");
    const QImage shown = image.grab().toImage();
    EXPECT_EQ(shown.pixel(3, 3) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(shown.pixel(20, 20) & 0xFFFFFF, 0xFFFFFFu);
}
