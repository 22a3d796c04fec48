#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include "TestSupport.h"
#include "platform/LogicalFont.h"
#include "platform/Metafile.h"

using namespace qm;
using namespace qm::emf;

namespace {

QImage Pattern(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 40 % 256, y * 60 % 256, (x + y) * 20 % 256));
    return img;
}

// One drawing with every kind of step, on a canvas mapped like a printed page: 1000 logical
// units over 200 device pixels each way.
void DrawSample(TDeviceCanvas& c)
{
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExt(1000, 1000);
    c.SetViewportExt(200, 200);
    c.SetViewportOrg(0, 0);
    c.Brush().SetColor(0x00FFFF);
    c.Pen().SetColor(0x0000FF);
    c.Pen().SetWidth(10);
    c.Rectangle(50, 50, 400, 300);
    c.Brush().SetColor(0x808080);
    c.FillRect({500, 50, 950, 150});
    c.Pen().SetWidth(0);
    c.Pen().SetColor(clBlack);
    c.MoveTo(50, 400);
    c.LineTo(950, 400);
    c.Pen().SetStyle(psDot);
    c.MoveTo(50, 450);
    c.LineTo(950, 450);
    c.Pen().SetStyle(psSolid);
    c.Font().SetName("Arial");
    c.Font().SetHeight(-60);
    c.Font().SetColor(0x800000);
    c.Brush().SetStyle(bsClear);
    c.TextOut(60, 500, "Milk and \xA2 eggs");
    c.Font().SetStyle(fsBold);
    c.TextRect({60, 600, 300, 700}, 60, 600, "A name too long for its cell");
    c.Draw(600, 600, Pattern(5, 4));
    c.StretchDraw({600, 800, 900, 950}, Pattern(3, 3));
    c.IntersectClipRect({0, 0, 500, 1000});
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(0x00FF00);
    c.FillRect({450, 850, 550, 950});
    c.ResetClipRect();
    c.SetBkMode(OPAQUE);
    c.TextOut(60, 850, "Bread");
}

std::vector<uint32_t> TypesOf(const TMetafile& m)
{
    std::vector<uint32_t> types;
    m.EnumerateRecords([&](const TEmfRecord& r) {
        types.push_back(r.Type);
        return true;
    });
    return types;
}

TMetafile& Sample(TMetafile& m)
{
    m.SetWidth(200);
    m.SetHeight(200);
    TMetafileCanvas c(m);
    DrawSample(c);
    c.Close();
    return m;
}

QImage Blank(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

} // namespace

TEST(MetafileTest, EveryRecordKindSurvivesSaveAndLoad)
{
    TMetafile m;
    Sample(m);
    const std::vector<uint32_t> types = TypesOf(m);
    for (uint32_t t : {EMR_HEADER,
                       EMR_SETMAPMODE,
                       EMR_SETWINDOWEXTEX,
                       EMR_SETVIEWPORTEXTEX,
                       EMR_SETVIEWPORTORGEX,
                       EMR_CREATEPEN,
                       EMR_CREATEBRUSHINDIRECT,
                       EMR_SELECTOBJECT,
                       EMR_DELETEOBJECT,
                       EMR_SETBKCOLOR,
                       EMR_SETBKMODE,
                       EMR_RECTANGLE,
                       EMR_FILLRGN,
                       EMR_MOVETOEX,
                       EMR_LINETO,
                       EMR_EXTCREATEFONTINDIRECTW,
                       EMR_SETTEXTCOLOR,
                       EMR_EXTTEXTOUTW,
                       EMR_BITBLT,
                       EMR_STRETCHBLT,
                       EMR_INTERSECTCLIPRECT,
                       EMR_SELECTCLIPRGN,
                       EMR_EOF})
        EXPECT_NE(std::find(types.begin(), types.end(), t), types.end()) << "record type " << t;
    EXPECT_EQ(types.front(), EMR_HEADER);
    EXPECT_EQ(types.back(), EMR_EOF);

    qmtest::TempDir dir;
    m.SaveToFile(dir.file("page.emf"));
    TMetafile back;
    int changes = 0;
    back.OnChange = [&](TMetafile*) { ++changes; };
    back.LoadFromFile(dir.file("page.emf"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(back.SaveToData(), m.SaveToData());
    EXPECT_EQ(back.Width(), 200);
    EXPECT_EQ(back.Height(), 200);
    EXPECT_EQ(TypesOf(back), types);

    // Both play the same picture.
    QImage a = Blank(200, 200), b = Blank(200, 200);
    {
        QPainter pa(&a), pb(&b);
        m.Play(pa, QRectF(0, 0, 200, 200));
        back.Play(pb, QRectF(0, 0, 200, 200));
    }
    EXPECT_EQ(a, b);
}

TEST(MetafileTest, HeaderAndRecordChainFieldByField)
{
    TMetafile m;
    Sample(m);
    const std::vector<uint8_t> bytes = m.SaveToData();
    const uint8_t* h = bytes.data();
    EXPECT_EQ(U32(h, 0), EMR_HEADER);
    EXPECT_EQ(U32(h, 4), HeaderSize);
    // Bounds in device pixels, inclusive: from the rectangle's pen at (9, 9) to the lines'
    // right end (190) and the stretched picture's bottom (189).
    EXPECT_EQ(RectAt(h, 8), (TRect{9, 9, 190, 189}));
    EXPECT_EQ(RectAt(h, 24), (TRect{0, 0, 5292, 5292})); // 200 px at 96 per inch in 0.01 mm
    EXPECT_EQ(U32(h, 40), 0x464D4520u);
    EXPECT_EQ(U32(h, 44), 0x10000u);
    EXPECT_EQ(U32(h, 48), bytes.size());
    EXPECT_EQ(U16(h, 58), 0);
    EXPECT_EQ(U32(h, 60), 0u); // no description
    EXPECT_EQ(U32(h, 68), 0u); // no palette
    EXPECT_EQ(I32(h, 72), 1920);
    EXPECT_EQ(I32(h, 76), 1440);
    EXPECT_EQ(I32(h, 80), 508);
    EXPECT_EQ(I32(h, 84), 381);
    EXPECT_EQ(U32(h, 100), 508000u);
    EXPECT_EQ(U32(h, 104), 381000u);

    // The chain: sizes in fours adding up to the file, handles within the table, one end.
    size_t pos = 0;
    uint32_t count = 0, maxHandle = 0;
    while (pos < bytes.size()) {
        const uint32_t type = U32(h, pos), size = U32(h, pos + 4);
        ASSERT_GE(size, 8u);
        ASSERT_EQ(size % 4, 0u);
        if (type == EMR_CREATEPEN || type == EMR_CREATEBRUSHINDIRECT || type == EMR_EXTCREATEFONTINDIRECTW)
            maxHandle = std::max(maxHandle, U32(h, pos + 8));
        if (type == EMR_EOF) {
            EXPECT_EQ(pos + size, bytes.size());
            EXPECT_EQ(size, 20u);
            EXPECT_EQ(U32(h, pos + 8), 0u);
            EXPECT_EQ(U32(h, pos + 16), 20u);
        }
        pos += size;
        ++count;
    }
    EXPECT_EQ(pos, bytes.size());
    EXPECT_EQ(U32(h, 52), count);
    EXPECT_EQ(U16(h, 56), maxHandle + 1);

    // The transfers: 76 unscaled, 77 stretched, each with its 32-bit bottom-up bitmap.
    int blts = 0;
    m.EnumerateRecords([&](const TEmfRecord& r) {
        if (r.Type == EMR_BITBLT) {
            ++blts;
            EXPECT_EQ(r.I32(24), 600);
            EXPECT_EQ(r.I32(28), 600);
            EXPECT_EQ(r.I32(32), 5);
            EXPECT_EQ(r.I32(36), 4);
            EXPECT_EQ(r.U32(40), SRCCOPY);
            EXPECT_EQ(r.U32(84), 100u);
            EXPECT_EQ(r.U32(88), 40u);
            EXPECT_EQ(r.U32(92), 140u);
            EXPECT_EQ(r.U32(96), 5u * 4 * 4);
            EXPECT_EQ(r.Size, 140u + 80);
            EXPECT_EQ(r.U32(100), 40u);
            EXPECT_EQ(r.I32(104), 5);
            EXPECT_EQ(r.I32(108), 4); // positive height: rows from the bottom
            EXPECT_EQ(r.U32(112) & 0xFFFF, 1u);
            EXPECT_EQ(r.U32(112) >> 16, 32u);
            // The first stored row is the picture's last one: pixel (1, 3).
            EXPECT_EQ(r.U32(140 + 4) & 0xFFFFFF, Pattern(5, 4).pixel(1, 3) & 0xFFFFFF);
        } else if (r.Type == EMR_STRETCHBLT) {
            ++blts;
            EXPECT_EQ(r.I32(32), 300);
            EXPECT_EQ(r.I32(36), 150);
            EXPECT_EQ(r.I32(100), 3);
            EXPECT_EQ(r.I32(104), 3);
            EXPECT_EQ(r.U32(84), 108u);
        }
        return true;
    });
    EXPECT_EQ(blts, 2);
}

TEST(MetafileTest, TextRecordsCarryTextSpacingAndClip)
{
    TMetafile m;
    Sample(m);
    std::vector<TEmfText> texts;
    m.EnumerateRecords([&](const TEmfRecord& r) {
        TEmfText t;
        if (DecodeTextRecord(r, t))
            texts.push_back(t);
        return true;
    });
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].Text, "Milk and \xA2 eggs");
    EXPECT_EQ(texts[0].X, 60);
    EXPECT_EQ(texts[0].Y, 500);
    EXPECT_EQ(texts[0].Options, 0u);
    EXPECT_EQ(texts[1].Text, "A name too long for its cell");
    EXPECT_EQ(texts[1].Options, ETO_CLIPPED); // a clear brush fills nothing
    EXPECT_EQ(texts[1].Rect, (TRect{60, 600, 300, 700}));
    // The spacing adds up to the width the canvas measures.
    emf::TLogFont lf;
    lf.FaceName = "Arial";
    lf.Height = -60;
    const auto font = LogicalFont(lf);
    int32_t sum = 0;
    for (int32_t d : texts[0].Dx)
        sum += d;
    EXPECT_EQ(sum, font->TextWidth("Milk and \xA2 eggs"));
    EXPECT_EQ(texts[0].Dx.size(), texts[0].Text.size());
}

TEST(MetafileTest, PlaybackMatchesDrawingDirectlyPixelForPixel)
{
    TMetafile m;
    Sample(m);
    // Saved, loaded and played at its own size...
    TMetafile back;
    const std::vector<uint8_t> bytes = m.SaveToData();
    back.LoadFromData(bytes.data(), bytes.size());
    QImage played = Blank(200, 200);
    {
        QPainter p(&played);
        back.Play(p, QRectF(0, 0, 200, 200));
    }
    // ...against the same steps drawn at once on the bitmap.
    QImage direct = Blank(200, 200);
    {
        QPainter p(&direct);
        TPainterCanvas c(p, 96, 96);
        DrawSample(c);
    }
    EXPECT_EQ(played, direct);
    EXPECT_NE(played, Blank(200, 200));

    // Played at twice the size onto a larger bitmap it equals the steps drawn with a mapping
    // twice as large.
    QImage twice = Blank(400, 400);
    {
        QPainter p(&twice);
        back.Play(p, QRectF(0, 0, 400, 400));
    }
    EXPECT_EQ(twice.pixel(30, 30), qRgb(0xFF, 0xFF, 0)); // inside the rectangle: the yellow brush
    EXPECT_EQ(twice.pixel(20, 20), qRgb(0xFF, 0, 0));    // its red frame
    EXPECT_EQ(twice.pixel(300, 40), qRgb(0x80, 0x80, 0x80));
}

TEST(MetafileTest, DeviceSemanticsOfLinesRectanglesAndFills)
{
    // Unmapped: logical units are pixels. Checked against plain pixel fills.
    QImage got = Blank(40, 40);
    {
        QPainter p(&got);
        TPainterCanvas c(p, 96, 96);
        c.Pen().SetColor(clBlack);
        c.Brush().SetColor(0x0000FF);
        c.Rectangle(2, 2, 12, 10); // frame 2..11 x 2..9, red inside
        c.MoveTo(20, 5);
        c.LineTo(30, 5); // 20..29: the end point is left out
        c.Pen().SetStyle(psClear);
        c.Rectangle(2, 20, 12, 30); // no pen: one pixel smaller each way
        c.Brush().SetColor(0x00FF00);
        c.FillRect({20, 20, 25, 23});
    }
    QImage want = Blank(40, 40);
    {
        QPainter p(&want);
        p.fillRect(QRect(2, 2, 10, 8), Qt::black);
        p.fillRect(QRect(3, 3, 8, 6), Qt::red);
        p.fillRect(QRect(20, 5, 10, 1), Qt::black);
        p.fillRect(QRect(2, 20, 9, 9), Qt::red);
        p.fillRect(QRect(20, 20, 5, 3), Qt::green);
    }
    EXPECT_EQ(got, want);
}

TEST(MetafileTest, ACanvasOnAMetafileWithContentAddsToIt)
{
    TMetafile m;
    m.SetWidth(50);
    m.SetHeight(50);
    {
        TMetafileCanvas c(m);
        c.Brush().SetColor(0x0000FF);
        c.FillRect({0, 0, 10, 10});
    }
    const uint32_t before = m.RecordCount();
    int changes = 0;
    m.OnChange = [&](TMetafile*) { ++changes; };
    {
        TMetafileCanvas c(m);
        c.Brush().SetColor(0xFF0000);
        c.FillRect({20, 20, 30, 30});
    }
    EXPECT_EQ(changes, 1);
    EXPECT_GT(m.RecordCount(), before);
    QImage img = Blank(50, 50);
    {
        QPainter p(&img);
        m.Play(p, QRectF(0, 0, 50, 50));
    }
    EXPECT_EQ(img.pixel(5, 5), qRgb(0xFF, 0, 0));
    EXPECT_EQ(img.pixel(25, 25), qRgb(0, 0, 0xFF));
    EXPECT_EQ(m.Bounds(), (TRect{0, 0, 29, 29}));
    // The reload of what it saved plays the same.
    const std::vector<uint8_t> bytes = m.SaveToData();
    TMetafile back;
    back.LoadFromData(bytes.data(), bytes.size());
    EXPECT_EQ(back.RecordCount(), m.RecordCount());
}

TEST(MetafileTest, DamagedAndTruncatedDataIsRefusedAndLeavesTheMetafileAlone)
{
    TMetafile m;
    Sample(m);
    const std::vector<uint8_t> good = m.SaveToData();

    TMetafile target;
    target.SetWidth(7);
    auto refused = [&](std::vector<uint8_t> bytes) {
        bool threw = false;
        try {
            target.LoadFromData(bytes.data(), bytes.size());
        } catch (const EInvalidGraphic& e) {
            threw = std::string(e.what()).rfind("Metafile is not valid", 0) == 0;
        }
        return threw && target.Empty() && target.Width() == 7;
    };
    // Every cut is refused.
    for (size_t len = 0; len < good.size(); len += len < 200 ? 1 : 97)
        EXPECT_TRUE(refused(std::vector<uint8_t>(good.begin(), good.begin() + long(len)))) << len;
    auto patched = [&](size_t offset, uint32_t value) {
        std::vector<uint8_t> b = good;
        for (int i = 0; i < 4; ++i)
            b[offset + size_t(i)] = uint8_t(value >> (8 * i));
        return b;
    };
    EXPECT_TRUE(refused(patched(40, 0x12345678)));                    // signature
    EXPECT_TRUE(refused(patched(48, uint32_t(good.size()) + 4)));     // announced size
    EXPECT_TRUE(refused(patched(52, U32(good.data(), 52) + 1)));      // record count
    EXPECT_TRUE(refused(patched(HeaderSize + 4, 6)));                 // a size not in fours
    EXPECT_TRUE(refused(patched(HeaderSize + 4, 0x10000000)));        // a size past the end
    EXPECT_TRUE(refused(patched(good.size() - EofSize, EMR_SAVEDC))); // no end of file
    // Offsets inside records that point past them.
    size_t text = 0, blt = 0;
    for (size_t pos = 0; pos < good.size(); pos += U32(good.data(), pos + 4)) {
        if (U32(good.data(), pos) == EMR_EXTTEXTOUTW && !text)
            text = pos;
        if (U32(good.data(), pos) == EMR_BITBLT && !blt)
            blt = pos;
    }
    ASSERT_TRUE(text && blt);
    EXPECT_TRUE(refused(patched(text + 44, 100000)));    // character count
    EXPECT_TRUE(refused(patched(text + 72, 4000)));      // spacing offset
    EXPECT_TRUE(refused(patched(blt + 96, 1000000)));    // bitmap size
    EXPECT_TRUE(refused(patched(blt + 84, 0xFFFFFFF0))); // bitmap header offset
    // Good data still loads.
    EXPECT_NO_THROW(target.LoadFromData(good.data(), good.size()));
}

TEST(MetafileTest, StreamLoadingReadsExactlyOneMetafile)
{
    TMetafile a, b;
    Sample(a);
    b.SetWidth(30);
    b.SetHeight(40);
    {
        TMetafileCanvas c(b);
        c.TextOut(1, 1, "x");
    }
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    a.SaveToStream(buffer);
    b.SaveToStream(buffer);
    buffer.seek(0);
    TMetafile r;
    r.LoadFromStream(buffer);
    EXPECT_EQ(r.SaveToData(), a.SaveToData());
    r.LoadFromStream(buffer);
    EXPECT_EQ(r.SaveToData(), b.SaveToData());
    EXPECT_EQ(r.Width(), 30);
    EXPECT_EQ(r.Height(), 40);
    // A stream cut inside the second metafile.
    QByteArray cut = buffer.data().left(buffer.data().size() - 8);
    QBuffer shortBuffer(&cut);
    shortBuffer.open(QIODevice::ReadOnly);
    r.LoadFromStream(shortBuffer);
    EXPECT_THROW(r.LoadFromStream(shortBuffer), EInvalidGraphic);
}

TEST(MetafileTest, SizeChangesReachTheSavedFrame)
{
    TMetafile m;
    m.SetWidth(816);
    m.SetHeight(1056);
    {
        TMetafileCanvas c(m);
        c.TextOut(0, 0, "Page");
    }
    EXPECT_EQ(m.Frame(), (TRect{0, 0, 21590, 27940})); // 8.5 x 11 inches
    int changes = 0;
    m.OnChange = [&](TMetafile*) { ++changes; };
    m.SetWidth(1056);
    m.SetWidth(1056);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(m.Frame().Right, 27940);
    const std::vector<uint8_t> bytes = m.SaveToData();
    TMetafile back;
    back.LoadFromData(bytes.data(), bytes.size());
    EXPECT_EQ(back.Width(), 1056);
    EXPECT_EQ(back.Height(), 1056);
    // An odd size survives the rounding through 0.01 mm.
    m.SetWidth(794);
    const std::vector<uint8_t> odd = m.SaveToData();
    back.LoadFromData(odd.data(), odd.size());
    EXPECT_EQ(back.Width(), 794);
}

TEST(MetafileTest, ExtremeMappingsAndFontSizesPlayWithoutFault)
{
    // Text stretched two hundred times across and squeezed down, a giant font, a font of the
    // most negative height: drawn (or left out) without fault. The stretched text shows, and
    // both fonts beyond the largest size are measured at that size.
    TMetafile m;
    m.SetWidth(64);
    m.SetHeight(64);
    TSize largest, giant, lowest;
    {
        TMetafileCanvas c(m);
        c.SetMapMode(MM_ANISOTROPIC);
        c.SetWindowExt(1000, 1000);
        c.SetViewportExt(197008, 400);
        c.Font().SetHeight(-60);
        c.TextOut(-5, 0, "Milk and eggs");
        c.SetViewportExt(64, 64);
        c.Font().SetHeight(-32767);
        largest = c.TextExtent("Big");
        c.Font().SetHeight(-2000000000);
        giant = c.TextExtent("Big");
        c.TextOut(0, 0, "Big");
        c.Font().SetHeight(INT32_MIN);
        lowest = c.TextExtent("Big");
        c.TextOut(0, 0, "Bigger");
    }
    EXPECT_GT(largest.cx, 32767);
    EXPECT_EQ(giant, largest);
    EXPECT_EQ(lowest, largest);
    QImage img = Blank(64, 64);
    QPainter p(&img);
    m.Play(p, QRectF(0, 0, 64, 64));
    EXPECT_NE(img, Blank(64, 64));
    m.Play(p, QRectF(0, 0, 6400, 3));
}

TEST(MetafileTest, AFileThatCannotBeWrittenWholeKeepsWhatItHeld)
{
    TMetafile small;
    small.SetWidth(10);
    small.SetHeight(10);
    TMetafile big;
    Sample(big);
    const std::vector<uint8_t> kept = small.SaveToData();
    ASSERT_GT(big.SaveToData().size(), kept.size() + 200);

    qmtest::TempDir dir;
    const std::string file = dir.file("page.emf");
    small.SaveToFile(file);
    {
        qmtest::FileSizeLimit limit(static_cast<long long>(kept.size()) + 100);
        EXPECT_THROW(big.SaveToFile(file), EInOutError);
    }
    TMetafile back;
    back.LoadFromFile(file);
    EXPECT_EQ(back.SaveToData(), kept);
}
