#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>

#include "TestSupport.h"
#include "platform/Metafile.h"
#include "printing/PrintPreview.h"

using namespace qm;

namespace {

const TUnits AllUnits[] = {mmPixel, mmLoMetric, mmHiMetric, mmLoEnglish, mmHiEnglish, mmTWIPS, mmPoints};

// Units per inch of each unit at 96 pixels per inch.
int32_t PerInch(TUnits u)
{
    const int32_t v[] = {96, 254, 2540, 100, 1000, 1440, 72};
    return v[u];
}

// What every recorded page of these tests holds: a title, a rule and a few lines, in
// thousandths of an inch.
void DrawPage(TDeviceCanvas& c, int page)
{
    c.Brush().SetStyle(bsClear);
    c.Font().SetSize(14);
    c.Font().SetStyle(fsBold);
    c.TextOut(250, 250, "Page " + std::to_string(page));
    c.Font().SetSize(10);
    c.Font().SetStyle(0);
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(clBlack);
    c.Rectangle(250, 600, 8250, 620);
    c.Brush().SetStyle(bsClear);
    for (int i = 0; i < 5; ++i)
        c.TextRect({300, 700 + 200 * i, 3000, 900 + 200 * i}, 300, 700 + 200 * i,
                   "[  ]  Item " + std::to_string(i));
}

std::vector<std::string> Texts(const TMetafile& m)
{
    std::vector<std::string> texts;
    m.EnumerateRecords([&](const TEmfRecord& r) {
        TEmfText t;
        if (DecodeTextRecord(r, t))
            texts.push_back(t.Text);
        return true;
    });
    return texts;
}

class PrintPreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pv.SetBounds(0, 0, 1000, 700);
        pv.SetUnits(mmHiEnglish);
        pv.SetPaperType(pLetter);
        pv.OnChange = [this](QObject*) { ++changes; };
        pv.OnZoomChange = [this](QObject*) { ++zoomChanges; };
    }
    void Record(int pages)
    {
        pv.BeginDoc();
        for (int p = 1; p <= pages; ++p) {
            if (p > 1)
                pv.NewPage();
            DrawPage(*pv.Canvas(), p);
        }
        pv.EndDoc();
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QKeyEvent e(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(&pv, &e);
    }
    void Wheel(int delta, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        const QPointF local(500, 300);
        QWheelEvent e(local, pv.mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(&pv, &e);
    }
    int Bar() const { return const_cast<TPrintPreview&>(pv).VertScrollBar().Size(); }

    TPrintPreview pv;
    int changes = 0;
    int zoomChanges = 0;
};

} // namespace

TEST(ConvertUnitsTest, EveryPairAtRoundTripValues)
{
    // An inch in each unit becomes an inch in every other one, and back.
    for (TUnits from : AllUnits)
        for (TUnits to : AllUnits) {
            EXPECT_EQ(ConvertUnits(PerInch(from) * 3, 96, from, to), PerInch(to) * 3) << from << "->" << to;
            EXPECT_EQ(ConvertUnits(ConvertUnits(PerInch(from), 96, from, to), 96, to, from), PerInch(from));
        }
    // The exact steps within one system, truncating towards zero on the way down.
    EXPECT_EQ(ConvertUnits(1000, 300, mmHiEnglish, mmLoEnglish), 100);
    EXPECT_EQ(ConvertUnits(15, 300, mmHiMetric, mmLoMetric), 1);
    EXPECT_EQ(ConvertUnits(-15, 300, mmHiMetric, mmLoMetric), -1);
    EXPECT_EQ(ConvertUnits(19, 300, mmTWIPS, mmPoints), 0);
    EXPECT_EQ(ConvertUnits(1, 300, mmPoints, mmTWIPS), 20);
    EXPECT_EQ(ConvertUnits(7, 300, mmLoMetric, mmHiMetric), 70);
    // Other pairs round: 0.01 mm to 0.001 inch.
    EXPECT_EQ(ConvertUnits(127, 96, mmHiMetric, mmHiEnglish), 50);
    EXPECT_EQ(ConvertUnits(1, 96, mmHiMetric, mmHiEnglish), 0);
    EXPECT_EQ(ConvertUnits(2, 96, mmHiMetric, mmHiEnglish), 1);
    // Pixels at another resolution, and units outside the enumeration.
    EXPECT_EQ(ConvertUnits(96, 300, mmPixel, mmPixel), 300);
    EXPECT_EQ(ConvertUnits(300, 300, mmPixel, mmHiEnglish), 1000);
    EXPECT_EQ(ConvertUnits(1234, 96, TUnits(9), mmPixel), 1234);
    EXPECT_EQ(ConvertUnits(1234, 96, mmLoMetric, TUnits(7)), 1234);

    TPrintPreview pv;
    TPoint pts[2] = {{1000, 2000}, {-500, 0}};
    pv.ConvertPoints(pts, 2, mmHiEnglish, mmPixel);
    EXPECT_EQ(pts[0], (TPoint{96, 192}));
    EXPECT_EQ(pts[1], (TPoint{-48, 0}));
}

TEST(PaperTableTest, RowsIdsAndSizes)
{
    // Ids run 1..47, skip 48 and 49, run 50..68; the custom paper is 256. Every row's size is
    // checked against the printer's form of its place (test_preview_printing); these anchor the
    // table's first and last rows and the kinds of size.
    EXPECT_EQ(PaperTypeCount, 67);
    for (int i = 0; i < pCustom; ++i)
        EXPECT_EQ(PaperSizes[i].ID, i <= pEnvInvite ? i + 1 : i + 3) << PaperTypeNames[i];
    EXPECT_EQ(PaperSizes[pCustom].ID, 256);
    auto size = [](TPaperType p) {
        const TPaperSizeInfo& r = PaperSizes[p];
        return std::to_string(r.Width) + "x" + std::to_string(r.Height) +
               (r.Units == mmHiEnglish ? "in" : "mm");
    };
    EXPECT_EQ(size(pLetter), "8500x11000in");
    EXPECT_EQ(size(pLedger), "17000x11000in"); // wider than high, kept so
    EXPECT_EQ(size(pA4), "2100x2970mm");
    EXPECT_EQ(size(pA3ExtraTransverse), "3220x4450mm");
    EXPECT_EQ(PaperSizes[pCustom].Width, 0);
}

TEST_F(PrintPreviewTest, PaperTypeOrientationAndSizeFindTheirRows)
{
    TPrintPreview fresh;
    EXPECT_EQ(fresh.Units(), mmHiMetric);
    EXPECT_EQ(fresh.PaperType(), pA4);
    EXPECT_EQ(fresh.PaperWidth(), 21000);
    EXPECT_EQ(fresh.PaperHeight(), 29700);
    EXPECT_EQ(fresh.ZoomState(), zsZoomToFit);
    EXPECT_EQ(fresh.Font().Name(), "Arial");
    EXPECT_EQ(fresh.Font().Size(), 8);
    EXPECT_EQ(fresh.Font().Color(), clBlack); // printed text is black whatever the theme

    EXPECT_EQ(pv.PaperWidth(), 8500);
    EXPECT_EQ(pv.PaperHeight(), 11000);
    EXPECT_EQ(pv.DeviceExtent(), (TPoint{816, 1056}));
    pv.SetOrientation(poLandscape);
    EXPECT_EQ(pv.PaperWidth(), 11000);
    EXPECT_EQ(pv.PaperHeight(), 8500);
    EXPECT_EQ(pv.DeviceExtent(), (TPoint{1056, 816}));
    pv.SetOrientation(poPortrait);

    // From a custom size: width, then height of a letter gives the first matching row.
    pv.SetPaperWidth(1000);
    pv.SetPaperHeight(1000);
    EXPECT_EQ(pv.PaperType(), pCustom);
    EXPECT_TRUE(pv.IsPaperSizeStored());
    pv.SetPaperWidth(8500);
    EXPECT_EQ(pv.PaperType(), pCustom);
    pv.SetPaperHeight(11000);
    EXPECT_EQ(pv.PaperType(), pLetter);
    EXPECT_FALSE(pv.IsPaperSizeStored());
    // A landscape size is matched as the portrait row.
    pv.SetOrientation(poLandscape);
    pv.SetPaperWidth(11690);
    pv.SetPaperHeight(8270);
    EXPECT_EQ(pv.PaperType(), pCustom);
    pv.SetPaperWidth(18000);
    pv.SetPaperHeight(11690);
    EXPECT_EQ(pv.PaperType(), TabloidExtra);
    pv.SetOrientation(poPortrait);
    // Each side within 1..32767.
    pv.SetPaperWidth(0);
    EXPECT_EQ(pv.PaperWidth(), 1);
    pv.SetPaperWidth(40000);
    EXPECT_EQ(pv.PaperWidth(), 32767);
    // Units convert the page: a table paper from its row, a custom one from its size.
    pv.SetPaperType(pA4);
    pv.SetUnits(mmLoMetric);
    EXPECT_EQ(pv.PaperWidth(), 2100);
    pv.SetPaperWidth(1000);
    pv.SetUnits(mmHiMetric);
    EXPECT_EQ(pv.PaperWidth(), 10000);
    EXPECT_EQ(pv.PaperType(), pCustom);
}

TEST_F(PrintPreviewTest, RecordingThreePagesKeepsTheirRecordsAndFiresTheEvents)
{
    std::vector<std::string> events;
    pv.OnBeginDoc = [&](QObject*) { events.push_back("begin"); };
    pv.OnNewPage = [&](QObject*) { events.push_back("new"); };
    pv.OnEndPage = [&](QObject*) { events.push_back("end page"); };
    pv.OnEndDoc = [&](QObject*) { events.push_back("end"); };
    EXPECT_EQ(pv.CurrentPage(), 0);
    EXPECT_TRUE(pv.Sheet().isHidden());
    EXPECT_EQ(pv.Canvas(), nullptr);
    pv.BeginDoc();
    EXPECT_EQ(pv.State(), psCreating);
    ASSERT_NE(pv.Canvas(), nullptr);
    EXPECT_EQ(pv.Canvas()->Font().Size(), 8);
    EXPECT_EQ(pv.Canvas()->Font().PixelsPerInch(), 1000);
    EXPECT_EQ(pv.Canvas()->Font().Height(), -111);
    pv.SetPaperType(pA4); // ignored while recording
    EXPECT_EQ(pv.PaperType(), pLetter);
    DrawPage(*pv.Canvas(), 1);
    pv.NewPage();
    EXPECT_EQ(pv.TotalPages(), 1);
    EXPECT_EQ(pv.CurrentPage(), 1);
    EXPECT_FALSE(pv.Sheet().isHidden());
    DrawPage(*pv.Canvas(), 2);
    pv.NewPage();
    DrawPage(*pv.Canvas(), 3);
    pv.EndDoc();
    EXPECT_EQ(pv.State(), psReady);
    EXPECT_EQ(pv.Canvas(), nullptr);
    EXPECT_EQ(events, (std::vector<std::string>{"begin", "new", "end page", "new", "end page", "new",
                                                "end page", "end"}));
    EXPECT_EQ(pv.TotalPages(), 3);
    EXPECT_EQ(changes, 4); // the store cleared, then three pages added
    EXPECT_EQ(pv.GetPage(0), nullptr);
    EXPECT_EQ(pv.GetPage(4), nullptr);
    for (int p = 3; p >= 1; --p) {
        const TMetafile& m = *pv.GetPage(p);
        EXPECT_EQ(m.Width(), 816);
        EXPECT_EQ(m.Height(), 1056);
        const std::vector<std::string> texts = Texts(m);
        ASSERT_EQ(texts.size(), 6u);
        EXPECT_EQ(texts[0], "Page " + std::to_string(p));
        EXPECT_EQ(texts[5], "[  ]  Item 4");
        // The page's mapping: the paper in thousandths of an inch over its screen pixels.
        std::vector<std::pair<uint32_t, TPoint>> mapping;
        m.EnumerateRecords([&](const TEmfRecord& r) {
            if (r.Type == emf::EMR_SETWINDOWEXTEX || r.Type == emf::EMR_SETVIEWPORTEXTEX ||
                r.Type == emf::EMR_SETVIEWPORTORGEX)
                mapping.push_back({r.Type, {r.I32(8), r.I32(12)}});
            if (r.Type == emf::EMR_SETMAPMODE) {
                EXPECT_EQ(r.U32(8), emf::MM_ANISOTROPIC);
            }
            if (r.Type == emf::EMR_EXTCREATEFONTINDIRECTW) {
                EXPECT_TRUE(r.I32(12) == -194 || r.I32(12) == -139) << r.I32(12); // 14 and 10 points
            }
            return true;
        });
        EXPECT_EQ(mapping, (std::vector<std::pair<uint32_t, TPoint>>{{emf::EMR_SETWINDOWEXTEX, {8500, 11000}},
                                                                     {emf::EMR_SETVIEWPORTEXTEX, {816, 1056}},
                                                                     {emf::EMR_SETVIEWPORTORGEX, {0, 0}}}));
    }
    // A new document replaces the pages.
    Record(2);
    EXPECT_EQ(pv.TotalPages(), 2);
    EXPECT_EQ(pv.CurrentPage(), 1);
}

TEST_F(PrintPreviewTest, NewPageOrEndDocAfterAbortLeaveTheControlIdleAndUsable)
{
    for (bool viaNewPage : {true, false}) {
        Record(2);
        int aborts = 0;
        pv.OnAbort = [&](QObject*) { ++aborts; };
        pv.BeginDoc();
        DrawPage(*pv.Canvas(), 1);
        pv.NewPage();
        pv.Abort();
        pv.Abort(); // once is enough
        EXPECT_EQ(aborts, 1);
        EXPECT_TRUE(pv.Aborted());
        EXPECT_EQ(pv.State(), psCreating);
        EXPECT_EQ(pv.TotalPages(), 0);
        EXPECT_EQ(pv.CurrentPage(), 0);
        EXPECT_TRUE(pv.Sheet().isHidden());
        if (viaNewPage)
            pv.NewPage();
        else
            pv.EndDoc();
        EXPECT_EQ(pv.State(), psReady);
        EXPECT_EQ(pv.Canvas(), nullptr);
        EXPECT_EQ(pv.TotalPages(), 0);
        pv.EndDoc(); // outside a document: nothing
        EXPECT_EQ(pv.State(), psReady);
        // And the next document records as usual.
        Record(3);
        EXPECT_FALSE(pv.Aborted());
        EXPECT_EQ(pv.TotalPages(), 3);
        EXPECT_EQ(Texts(*pv.GetPage(3))[0], "Page 3");
    }
}

TEST_F(PrintPreviewTest, APageThatCannotBeKeptEndsTheRecording)
{
    pv.SetUseTempFile(true);
    pv.BeginDoc();
    DrawPage(*pv.Canvas(), 1);
    pv.NewPage();
    DrawPage(*pv.Canvas(), 2);
    {
        qmtest::FileSizeLimit limit(100); // the page file cannot grow
        EXPECT_THROW(pv.NewPage(), EInOutError);
    }
    EXPECT_EQ(pv.State(), psReady);
    EXPECT_EQ(pv.Canvas(), nullptr);
    EXPECT_EQ(pv.TotalPages(), 1);
    Record(2);
    EXPECT_EQ(pv.TotalPages(), 2);
}

TEST_F(PrintPreviewTest, ZoomStatesSizeTheSheetAsComputedByHand)
{
    Record(1);
    const TPaperPreview& sheet = pv.Sheet();
    // Whole page in 1000 x 700: the height fits; paper 695 high, 537 wide (695 * 816 / 1056).
    EXPECT_EQ(pv.ZoomState(), zsZoomToFit);
    EXPECT_EQ(sheet.geometry(), QRect((1000 - 542) / 2, 0, 542, 700));
    EXPECT_EQ(pv.Zoom(), 66); // 695 * 100 / 1056
    EXPECT_FALSE(pv.VertScrollBar().IsScrollBarVisible());

    // Page width: too tall, so the vertical bar takes its room and the width is what is left,
    // 986; paper 981 wide, 1270 high (981 * 1056 / 816 = 1269.5), 120 % (1270 * 100 / 1056).
    ASSERT_EQ(Bar(), 14); // the style's scroll bars
    pv.SetZoomState(zsZoomToWidth);
    EXPECT_EQ(sheet.width(), 986);
    EXPECT_EQ(sheet.height(), 1275);
    EXPECT_EQ(pv.Zoom(), 120);
    EXPECT_TRUE(pv.VertScrollBar().IsScrollBarVisible());
    EXPECT_FALSE(pv.HorzScrollBar().IsScrollBarVisible());
    EXPECT_EQ(pv.VertScrollBar().Range(), sheet.height());

    pv.SetZoomState(zsZoomToHeight);
    EXPECT_EQ(sheet.height(), 700);
    EXPECT_EQ(sheet.width(), 542);

    // Percentages: 816 x 1056 at 100 %, centred across, scrolling down.
    pv.SetZoom(100);
    EXPECT_EQ(pv.ZoomState(), zsZoomOther);
    EXPECT_EQ(sheet.geometry(), QRect((986 - 821) / 2, 0, 821, 1061));
    pv.SetZoom(50);
    EXPECT_EQ(sheet.geometry(), QRect((1000 - 413) / 2, (700 - 533) / 2, 413, 533));
    EXPECT_FALSE(pv.VertScrollBar().IsScrollBarVisible());
    pv.SetZoom(200);
    EXPECT_EQ(sheet.size(), QSize(1637, 2117));
    EXPECT_EQ(sheet.pos(), QPoint(0, 0));
    EXPECT_TRUE(pv.HorzScrollBar().IsScrollBarVisible());
    // Bounds.
    pv.SetZoom(5);
    EXPECT_EQ(pv.Zoom(), 10);
    pv.SetZoom(900);
    EXPECT_EQ(pv.Zoom(), 500);
    pv.SetZoomMax(300);
    EXPECT_EQ(pv.Zoom(), 300);
    pv.SetZoomMin(400); // above the maximum: refused
    EXPECT_EQ(pv.ZoomMin(), 10);
    EXPECT_TRUE(pv.IsZoomStored());
}

TEST_F(PrintPreviewTest, ScrollPositionIsKeptAcrossZoomChanges)
{
    Record(1);
    pv.SetZoom(200);
    TControlScrollBar& vb = pv.VertScrollBar();
    // 2117 pixels high at 200 %, 686 of them shown: half way down is 715 of 1431, 50 %.
    vb.SetPosition(715);
    // 3173 high at 300 %: 50 % of 3173 - 686 is 1243.5.
    pv.SetZoom(300);
    EXPECT_EQ(vb.Position(), 1244);
    pv.ZoomSavePos = false;
    pv.SetZoom(250);
    EXPECT_EQ(vb.Position(), 0);
}

TEST_F(PrintPreviewTest, AZoomWhoseSheetCannotBeHadFallsBack)
{
    Record(1);
    pv.SetZoomMax(100000);
    pv.SetZoom(150);
    const QSize before = pv.Sheet().size();
    zoomChanges = 0;
    pv.SetZoom(5000); // 40,800 x 52,800 pixels: no image that large
    EXPECT_EQ(pv.Zoom(), 150);
    EXPECT_EQ(pv.ZoomState(), zsZoomOther);
    EXPECT_EQ(zoomChanges, 0);
    EXPECT_EQ(pv.Sheet().size(), before);
    EXPECT_TRUE(pv.Sheet().BufferSized());
    // From a fitted view it returns to that view.
    pv.SetZoomState(zsZoomToFit);
    pv.SetZoom(5000);
    EXPECT_EQ(pv.ZoomState(), zsZoomToFit);
    EXPECT_EQ(pv.Zoom(), 66);
}

TEST_F(PrintPreviewTest, KeysMovePagesScrollPositionsAndZoom)
{
    Record(5);
    pv.SetZoom(200);
    TControlScrollBar& hb = pv.HorzScrollBar();
    TControlScrollBar& vb = pv.VertScrollBar();
    Key(Qt::Key_PageDown);
    EXPECT_EQ(pv.CurrentPage(), 2);
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(pv.CurrentPage(), 5);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(pv.CurrentPage(), 5);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(pv.CurrentPage(), 4);
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(pv.CurrentPage(), 1);

    Key(Qt::Key_Down);
    EXPECT_EQ(vb.Position(), 8);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(vb.Position(), 9);
    Key(Qt::Key_Down, Qt::ControlModifier); // a page: the 686 pixels shown
    EXPECT_EQ(vb.Position(), 695);
    Key(Qt::Key_Up);
    EXPECT_EQ(vb.Position(), 687);
    Key(Qt::Key_End, Qt::ControlModifier); // as far as the sheet's 2117 pixels go
    EXPECT_EQ(vb.Position(), 2117 - 686);
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(vb.Position(), 0);
    Key(Qt::Key_Right);
    EXPECT_EQ(hb.Position(), 8);
    Key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(hb.Position(), 7);
    Key(Qt::Key_End);
    EXPECT_EQ(hb.Position(), 1637 - 986);
    Key(Qt::Key_Home);
    EXPECT_EQ(hb.Position(), 0);
    Key(Qt::Key_Left);
    EXPECT_EQ(hb.Position(), 0);

    Key(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(pv.Zoom(), 210);
    Key(Qt::Key_Minus, Qt::KeypadModifier);
    Key(Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(pv.Zoom(), 190);
    // Ctrl with the keypad plus is not the preview's: nothing changes.
    Key(Qt::Key_Plus, Qt::KeypadModifier | Qt::ControlModifier);
    Key(Qt::Key_Plus); // the main keyboard's plus neither
    EXPECT_EQ(pv.Zoom(), 190);
}

TEST_F(PrintPreviewTest, WheelNotchesScrollTurnPagesAndZoom)
{
    Record(5);
    pv.SetZoom(200);
    TControlScrollBar& vb = pv.VertScrollBar();
    Wheel(-60);
    EXPECT_EQ(vb.Position(), 0);
    Wheel(-60);
    EXPECT_EQ(vb.Position(), 8); // two halves make one step, towards the user: down
    Wheel(-240);
    EXPECT_EQ(vb.Position(), 24);
    Wheel(120);
    EXPECT_EQ(vb.Position(), 16);
    Wheel(-120, Qt::ShiftModifier);
    EXPECT_EQ(pv.CurrentPage(), 2);
    Wheel(240, Qt::ShiftModifier);
    EXPECT_EQ(pv.CurrentPage(), 1);
    Wheel(-120, Qt::AltModifier); // not the preview's
    EXPECT_EQ(vb.Position(), 16);
    EXPECT_EQ(pv.CurrentPage(), 1);
    Wheel(120, Qt::ControlModifier);
    EXPECT_EQ(pv.Zoom(), 210);
}

TEST_F(PrintPreviewTest, DraggingKeepsThePointGrabbedUnderTheCursor)
{
    Record(1);
    pv.SetZoom(200);
    TPaperPreview& sheet = pv.Sheet();
    EXPECT_EQ(sheet.Cursor(), crHand);
    auto send = [&](QEvent::Type type, QPoint sheetPos, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(sheetPos), sheet.mapToGlobal(QPointF(sheetPos)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&sheet, &e);
    };
    pv.VertScrollBar().SetPosition(300);
    pv.HorzScrollBar().SetPosition(200);
    const QPoint grabbed(500, 600); // sheet coordinates
    const QPoint onScreen = sheet.mapTo(&pv, grabbed);
    send(QEvent::MouseButtonPress, grabbed, Qt::LeftButton);
    EXPECT_EQ(sheet.Cursor(), crGrab);
    // The cursor moves 40 right and 70 up; the same sheet point follows it.
    send(QEvent::MouseMove, grabbed + QPoint(40, -70), Qt::LeftButton);
    EXPECT_EQ(pv.HorzScrollBar().Position(), 160);
    EXPECT_EQ(pv.VertScrollBar().Position(), 370);
    EXPECT_EQ(sheet.mapTo(&pv, grabbed), onScreen + QPoint(40, -70));
    send(QEvent::MouseButtonRelease, grabbed, Qt::NoButton);
    EXPECT_EQ(sheet.Cursor(), crHand);
}

TEST_F(PrintPreviewTest, APageAtOneHundredPercentLooksLikeItsStepsDrawnDirectly)
{
    Record(2);
    pv.SetZoom(100);
    pv.SetCurrentPage(2);
    TPaperPreview& sheet = pv.Sheet();
    sheet.PaintBuffer();
    const TRect r = sheet.GetPageRect();
    ASSERT_EQ(r.Right - r.Left, 816);
    const QImage shown = sheet.Buffer().copy(r.Left, r.Top, 816, 1056);

    QImage direct(816, 1056, QImage::Format_RGB32);
    direct.fill(Qt::white);
    {
        QPainter p(&direct);
        TPainterCanvas c(p, 96, 96);
        c.Font().Assign(pv.Font());
        c.SetMapMode(emf::MM_ANISOTROPIC);
        c.SetWindowExt(8500, 11000);
        c.SetViewportExt(816, 1056);
        c.Font().SetPixelsPerInch(1000);
        c.Font().SetSize(8);
        DrawPage(c, 2);
    }
    EXPECT_EQ(shown, direct);
}

TEST_F(PrintPreviewTest, TheAnnotationIsShownButNotRecorded)
{
    pv.SetAnnotation(true);
    std::vector<int> asked;
    pv.OnAnnotation = [&](QObject*, int32_t page, TDeviceCanvas& c) {
        asked.push_back(page);
        c.Pen().SetColor(0x0000FF);
        c.Pen().SetWidth(0);
        c.MoveTo(0, 5000);
        c.LineTo(8500, 5000);
    };
    Record(2);
    pv.SetZoom(100);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), 1);
    pv.SetCurrentPage(2);
    EXPECT_EQ(asked.back(), 2);
    TPaperPreview& sheet = pv.Sheet();
    sheet.PaintBuffer();
    const int y = sheet.GetPageRect().Top + 480; // 5 inches down
    EXPECT_EQ(sheet.Buffer().pixel(400, y), qRgb(0xFF, 0, 0));
    for (int p = 1; p <= 2; ++p) {
        int lines = 0;
        pv.GetPage(p)->EnumerateRecords([&](const TEmfRecord& r) {
            lines += r.Type == emf::EMR_LINETO;
            return true;
        });
        EXPECT_EQ(lines, 0);
    }
    pv.SetAnnotation(false);
    sheet.PaintBuffer();
    EXPECT_EQ(sheet.Buffer().pixel(400, y), qRgb(0xFF, 0xFF, 0xFF));
}

TEST_F(PrintPreviewTest, ARewrittenPageIsShownAgain)
{
    Record(2);
    changes = 0;
    {
        TMetafileCanvas c(*pv.GetPage(1));
        c.TextOut(0, 0, "extra");
    }
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Texts(*pv.GetPage(1)).back(), "extra");
}
