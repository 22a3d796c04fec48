#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPalette>

#include "printing/PaperPreview.h"

using namespace qm;

namespace {

QRgb Palette(QPalette::ColorRole role)
{
    return QApplication::palette().color(role).rgb();
}

// Every pixel of the sheet's image, classified against the frame the sheet should have:
// border of width B around the paper, shadow S to the right and below, the control colour in
// the two corners the shadow leaves free. By default the border is black, the shadow and the
// control have the system's button shadow and face colours.
void ExpectFrame(const TPaperPreview& sheet, int paperW, int paperH, int b, int s, QRgb paper,
                 QRgb border = qRgb(0, 0, 0), QRgb shadow = Palette(QPalette::Dark),
                 QRgb back = Palette(QPalette::Button))
{
    const QImage& img = sheet.Buffer();
    const int w = paperW + 2 * b + s, h = paperH + 2 * b + s;
    ASSERT_EQ(img.width(), w);
    ASSERT_EQ(img.height(), h);
    int wrong = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            QRgb want;
            if (x >= w - s || y >= h - s) {
                const bool corner = (x >= w - s && y < s) || (x < s && y >= h - s);
                want = corner ? back : shadow;
            } else if (x < b || y < b || x >= w - s - b || y >= h - s - b) {
                want = border;
            } else {
                want = paper;
            }
            if (img.pixel(x, y) != want && ++wrong < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << img.pixel(x, y) << " not "
                              << want;
        }
    EXPECT_EQ(wrong, 0);
}

} // namespace

TEST(PaperPreviewTest, ANewSheetIsA105By148PaperWithBorderAndShadow)
{
    TPaperPreview sheet;
    EXPECT_EQ(sheet.width(), 110);
    EXPECT_EQ(sheet.height(), 153);
    EXPECT_EQ(sheet.PaperWidth(), 105);
    EXPECT_EQ(sheet.PaperHeight(), 148);
    EXPECT_EQ(sheet.GetPageRect(), (TRect{1, 1, 106, 149}));
    ASSERT_TRUE(sheet.BufferSized());
    sheet.PaintBuffer();
    ExpectFrame(sheet, 105, 148, 1, 3, qRgb(0xFF, 0xFF, 0xFF));
}

TEST(PaperPreviewTest, TheFrameFollowsSizesAndColoursAtASecondSize)
{
    TPaperPreview sheet;
    sheet.SetColor(0x123456);
    sheet.SetPaperColor(0xE0F0FF);
    sheet.SetBorderColor(0x0000FF);
    sheet.SetShadowColor(0x404040);
    sheet.SetBorderSize(2);
    sheet.SetShadowSize(5);
    sheet.SetPaperWidth(200);
    sheet.SetPaperHeight(100);
    EXPECT_EQ(sheet.width(), 209);
    EXPECT_EQ(sheet.height(), 109);
    // The colours above, which are 0x00BBGGRR.
    const auto frame = [&](int b, int s) {
        ExpectFrame(sheet, 200, 100, b, s, qRgb(0xFF, 0xF0, 0xE0), qRgb(0xFF, 0, 0), qRgb(0x40, 0x40, 0x40),
                    qRgb(0x56, 0x34, 0x12));
    };
    sheet.PaintBuffer();
    frame(2, 5);

    // No border: the paper keeps its size, the control shrinks by two each way.
    sheet.SetBorderSize(0);
    EXPECT_EQ(sheet.PaperWidth(), 200);
    EXPECT_EQ(sheet.width(), 205);
    EXPECT_EQ(sheet.height(), 105);
    sheet.PaintBuffer();
    frame(0, 5);
    // No shadow: no shadow and no corners either.
    sheet.SetShadowSize(0);
    sheet.PaintBuffer();
    frame(0, 0);
}

TEST(PaperPreviewTest, TheInsideIsPaintedClippedAndOnlyWhenInvalid)
{
    TPaperPreview sheet;
    int paints = 0;
    TRect given;
    sheet.OnPaint = [&](QObject*, TPainterCanvas& c, const TRect& r) {
        ++paints;
        given = r;
        c.Brush().SetColor(0x00FF00);
        c.FillRect({-50, -50, 500, 500}); // clipped to the paper
    };
    sheet.PaintBuffer();
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(given, sheet.GetPageRect());
    ExpectFrame(sheet, 105, 148, 1, 3, qRgb(0, 0xFF, 0));
    sheet.PaintBuffer();
    EXPECT_EQ(paints, 1);
    sheet.SetPaperColor(clWhite); // the present value: nothing to repaint
    sheet.SetShadowSize(3);
    sheet.PaintBuffer();
    EXPECT_EQ(paints, 1);
    sheet.Invalidate();
    sheet.PaintBuffer();
    EXPECT_EQ(paints, 2);
    sheet.SetBorderColor(0x808080);
    sheet.PaintBuffer();
    EXPECT_EQ(paints, 3);
}

TEST(PaperPreviewTest, AnImageThatCannotBeHadLeavesTheSheetBlankUntilASizeFits)
{
    TPaperPreview sheet;
    int resizes = 0;
    sheet.OnResize = [&](QObject*) { ++resizes; };
    sheet.SetBounds(0, 0, 40000, 40000); // 6.4 GB
    EXPECT_FALSE(sheet.BufferSized());
    EXPECT_EQ(resizes, 1);
    sheet.PaintBuffer(); // nothing to draw on, nothing drawn
    sheet.SetBounds(0, 0, 60, 80);
    EXPECT_TRUE(sheet.BufferSized());
    sheet.PaintBuffer();
    ExpectFrame(sheet, 55, 75, 1, 3, qRgb(0xFF, 0xFF, 0xFF));
}

TEST(PaperPreviewTest, OptionsHaveTheirDefaultsAndReachSheets)
{
    TPaperPreviewOptions o;
    EXPECT_EQ(o.PaperColor(), clWhite);
    EXPECT_EQ(o.BorderColor(), clBlack);
    EXPECT_EQ(o.BorderWidth(), 1);
    EXPECT_EQ(o.ShadowColor(), clBtnShadow);
    EXPECT_EQ(o.ShadowWidth(), 3);

    int changes = 0;
    o.OnChange = [&](TObject*) { ++changes; };
    o.SetBorderWidth(1);
    EXPECT_EQ(changes, 0);
    TPaperPreviewOptions other;
    other.SetBorderWidth(2);
    other.SetPaperColor(0xF0F0F0);
    o.Assign(&other);
    EXPECT_EQ(changes, 2); // one per changed value
    EXPECT_EQ(o.BorderWidth(), 2);

    TPaperPreview sheet;
    o.AssignTo(sheet);
    EXPECT_EQ(sheet.BorderSize(), 2);
    EXPECT_EQ(sheet.PaperColor(), 0xF0F0F0);
    EXPECT_EQ(sheet.PaperWidth(), 105);
}
