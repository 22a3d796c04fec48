#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "graphics/Raster.h"
#include "platform/Metafile.h"

using namespace qm;

// What the picture covers comes in opaque, what it leaves free alpha 0 (the background that
// showed through the two renderings), each in the colour drawn on white.
TEST(BitmapMetafileTest, AssignFromAMetafileFindsTheCoveredPixels)
{
    TMetafile m;
    m.SetWidth(20);
    m.SetHeight(10);
    {
        TMetafileCanvas c(m);
        c.Brush().SetColor(0x0000FF); // red
        c.FillRect({2, 2, 8, 6});
        c.Pen().SetColor(clBlack);
        c.MoveTo(10, 8);
        c.LineTo(18, 8);
    }
    TBitmap32 bmp;
    int changes = 0;
    bmp.OnChange = [&](TObject*) { ++changes; };
    bmp.AssignFromSource(m);
    EXPECT_EQ(bmp.Width, 20);
    EXPECT_EQ(bmp.Height, 10);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(bmp.PixelAt(4, 4), 0xFFFF0000u);
    EXPECT_EQ(bmp.PixelAt(12, 8), 0xFF000000u);
    EXPECT_EQ(bmp.PixelAt(18, 8), 0x00FFFFFFu); // the line's end point is not drawn
    EXPECT_EQ(bmp.PixelAt(0, 0), 0x00FFFFFFu);
    EXPECT_EQ(bmp.PixelAt(15, 3), 0x00FFFFFFu);

    // An empty metafile empties the bitmap.
    TMetafile none;
    bmp.AssignFromSource(none);
    EXPECT_TRUE(bmp.IsEmpty());
}

TEST(BitmapMetafileTest, AssignToAMetafileRecordsOneTransferOfThePixels)
{
    TBitmap32 bmp;
    bmp.SetSize(6, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            bmp.PixelAt(x, y) = Color32(uint8_t(x * 40), uint8_t(y * 50), 7);
    TMetafile m;
    bmp.AssignToTarget(m);
    EXPECT_EQ(m.Width(), 6);
    EXPECT_EQ(m.Height(), 5);
    int transfers = 0;
    m.EnumerateRecords([&](const TEmfRecord& r) {
        transfers += r.Type == emf::EMR_BITBLT;
        return true;
    });
    EXPECT_EQ(transfers, 1);
    // Back into a bitmap: the same pixels, all opaque.
    TBitmap32 back;
    back.AssignFromSource(m);
    ASSERT_EQ(back.Width, 6);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(back.PixelAt(x, y), bmp.PixelAt(x, y)) << x << "," << y;
}
