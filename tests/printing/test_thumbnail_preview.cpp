#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <memory>

#include "printing/PrintPreview.h"
#include "printing/ThumbnailPreview.h"

using namespace qm;

namespace {

class ThumbnailPreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pv.SetBounds(0, 0, 800, 600);
        pv.SetUnits(mmHiEnglish);
        pv.SetPaperType(pLetter);
        strip = std::make_unique<TThumbnailPreview>();
        strip->SetBounds(0, 0, 142, 600);
        strip->OnChange = [this](QObject*) { ++markChanges; };
        strip->SetPrintPreview(&pv);
    }
    void Record(int pages)
    {
        pv.BeginDoc();
        for (int p = 1; p <= pages; ++p) {
            if (p > 1)
                pv.NewPage();
            pv.Canvas()->TextOut(500, 500, "Page " + std::to_string(p));
        }
        pv.EndDoc();
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QKeyEvent e(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(strip.get(), &e);
    }
    void Click(QWidget* w)
    {
        const QPointF at(2, 2);
        QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    }

    TPrintPreview pv;
    std::unique_ptr<TThumbnailPreview> strip;
    int markChanges = 0;
};

} // namespace

TEST_F(ThumbnailPreviewTest, ThumbnailsAreSizedFromThePageAndFollowThePageCount)
{
    EXPECT_EQ(strip->ThumbnailCount(), 0);
    Record(10);
    ASSERT_EQ(strip->ThumbnailCount(), 10);
    // 10 % of the page's 816 x 1056 screen pixels, with border and shadow.
    const TThumbnail& first = strip->Thumbnail(0);
    EXPECT_EQ(first.Paper->size(), QSize(82 + 5, 106 + 5));
    EXPECT_EQ(first.PageNo, 1);
    EXPECT_EQ(first.Label->text(), "1");
    EXPECT_EQ(strip->Thumbnail(9).Label->text(), "10");
    EXPECT_EQ(first.Paper->y(), 6);
    EXPECT_EQ(first.Label->y(), 6 + 111 + 2); // two below the sheet
    EXPECT_EQ(strip->Marked(), &strip->Thumbnail(0));

    // A shorter document frees the thumbnails beyond it; none at all frees every one.
    Record(4);
    EXPECT_EQ(strip->ThumbnailCount(), 4);
    pv.BeginDoc();
    pv.Abort();
    pv.EndDoc();
    EXPECT_EQ(strip->ThumbnailCount(), 0);
    EXPECT_EQ(strip->Marked(), nullptr);
    EXPECT_EQ(strip->Rows(), 0);
}

TEST_F(ThumbnailPreviewTest, ColumnsFollowTheStripWidthAndArrowsMoveByThem)
{
    Record(10);
    // 142 pixels hold one cell of 87 and its margins.
    EXPECT_EQ(strip->Columns(), 1);
    EXPECT_EQ(strip->Rows(), 10);
    Key(Qt::Key_Down);
    EXPECT_EQ(pv.CurrentPage(), 2);
    Key(Qt::Key_Right);
    EXPECT_EQ(pv.CurrentPage(), 3);
    // Wide enough for two cells and their margins: two columns.
    strip->SetBounds(0, 0, 6 + 2 * (6 + 87) + strip->VertScrollBar().Size(), 600);
    EXPECT_EQ(strip->Columns(), 2);
    EXPECT_EQ(strip->Rows(), 5);
    EXPECT_EQ(strip->Thumbnail(1).Paper->y(), strip->Thumbnail(0).Paper->y());
    EXPECT_GT(strip->Thumbnail(1).Paper->x(), strip->Thumbnail(0).Paper->x());
    Key(Qt::Key_Down);
    EXPECT_EQ(pv.CurrentPage(), 5);
    Key(Qt::Key_Up);
    EXPECT_EQ(pv.CurrentPage(), 3);
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(pv.CurrentPage(), 10);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(pv.CurrentPage(), 9);
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(pv.CurrentPage(), 1);
    Key(Qt::Key_Left);
    EXPECT_EQ(pv.CurrentPage(), 1);

    // A horizontal strip fills columns top to bottom; left and right move by a column.
    strip->SetOrientation(sbHorizontal);
    strip->SetBounds(0, 0, 600, 6 + 2 * (6 + strip->Thumbnail(0).BoundsRect().Bottom - 5) + 20);
    EXPECT_EQ(strip->Rows(), 2);
    EXPECT_EQ(strip->Columns(), 5);
    EXPECT_EQ(strip->Thumbnail(1).Paper->x(), strip->Thumbnail(0).Paper->x());
    Key(Qt::Key_Right);
    EXPECT_EQ(pv.CurrentPage(), 3);
    Key(Qt::Key_Down);
    EXPECT_EQ(pv.CurrentPage(), 4);
}

TEST_F(ThumbnailPreviewTest, AClickOnALabelShowsItsPageAndFramesItsThumbnail)
{
    Record(10);
    markChanges = 0;
    strip->SetMarkerColor(0x00FF00);
    Click(strip->Thumbnail(2).Label);
    EXPECT_EQ(pv.CurrentPage(), 3);
    EXPECT_EQ(strip->Marked(), &strip->Thumbnail(2));
    EXPECT_EQ(markChanges, 1);
    TPaperPreview& sheet = *strip->Thumbnail(2).Paper;
    sheet.PaintBuffer();
    const TRect r = sheet.GetPageRect();
    EXPECT_EQ(sheet.Buffer().pixel(r.Left, r.Top + 20), qRgb(0, 0xFF, 0));
    EXPECT_EQ(sheet.Buffer().pixel(r.Right - 1, r.Top + 20), qRgb(0, 0xFF, 0));
    EXPECT_EQ(sheet.Buffer().pixel(r.Left + 20, r.Bottom - 1), qRgb(0, 0xFF, 0));
    // The page before loses its frame.
    TPaperPreview& old = *strip->Thumbnail(0).Paper;
    old.PaintBuffer();
    EXPECT_EQ(old.Buffer().pixel(old.GetPageRect().Left, old.GetPageRect().Top + 20), qRgb(0xFF, 0xFF, 0xFF));
    // A click on a sheet does the same.
    Click(strip->Thumbnail(6).Paper);
    EXPECT_EQ(pv.CurrentPage(), 7);
    EXPECT_EQ(strip->Marked(), &strip->Thumbnail(6));
}

TEST_F(ThumbnailPreviewTest, TheMarkedThumbnailIsScrolledIntoView)
{
    Record(10);
    TControlScrollBar& vb = strip->VertScrollBar();
    EXPECT_TRUE(vb.IsScrollBarVisible());
    EXPECT_FALSE(strip->HorzScrollBar().IsScrollBarVisible());
    EXPECT_EQ(vb.Position(), 0);
    pv.SetCurrentPage(10);
    EXPECT_GT(vb.Position(), 0);
    EXPECT_EQ(vb.Position(), vb.Range() - strip->ClientHeight());
    EXPECT_LE(strip->Thumbnail(9).Label->geometry().bottom(), strip->ClientHeight());
    // Back to the first: its rectangle's top edge (a pixel above the sheet) at the top.
    pv.SetCurrentPage(1);
    EXPECT_EQ(strip->Thumbnail(0).BoundsRect().Top, 0);
    const int32_t top = vb.Position();
    // A wheel notch towards the user moves the strip down by a step.
    QWheelEvent e(QPointF(20, 20), strip->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, -120),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(strip.get(), &e);
    EXPECT_EQ(vb.Position(), top + vb.Increment);
}

TEST_F(ThumbnailPreviewTest, LabelsAreAsWideAsThePageCountsDigits)
{
    Record(100);
    const QFontMetrics fm(strip->font());
    EXPECT_EQ(strip->Thumbnail(0).Label->width(), 3 * fm.maxWidth());
    EXPECT_EQ(strip->Thumbnail(99).Label->width(), 3 * fm.maxWidth());
    Record(9);
    EXPECT_EQ(strip->Thumbnail(0).Label->width(), fm.maxWidth());
}

TEST_F(ThumbnailPreviewTest, StripsAndPreviewsLetGoOfEachOther)
{
    Record(3);
    {
        TThumbnailPreview second;
        second.SetPrintPreview(&pv);
        EXPECT_EQ(second.ThumbnailCount(), 3);
    }
    Record(5); // the destroyed strip is no longer called
    EXPECT_EQ(strip->ThumbnailCount(), 5);
    strip->SetPrintPreview(nullptr);
    EXPECT_EQ(strip->ThumbnailCount(), 0);
    auto other = std::make_unique<TPrintPreview>();
    other->BeginDoc();
    other->EndDoc();
    strip->SetPrintPreview(other.get());
    EXPECT_EQ(strip->ThumbnailCount(), 1);
    other.reset();
    EXPECT_EQ(strip->PrintPreview(), nullptr);
    EXPECT_EQ(strip->ThumbnailCount(), 0);
}

TEST_F(ThumbnailPreviewTest, ARewrittenPageIsRepaintedInItsThumbnail)
{
    Record(3);
    TPaperPreview& sheet = *strip->Thumbnail(1).Paper;
    sheet.PaintBuffer();
    const QImage before = sheet.Buffer();
    {
        TMetafileCanvas c(*pv.GetPage(2));
        c.Brush().SetColor(clBlack);
        c.FillRect({0, 0, 8500, 11000});
    }
    sheet.PaintBuffer();
    EXPECT_NE(sheet.Buffer(), before);
    const TRect r = sheet.GetPageRect();
    EXPECT_EQ(sheet.Buffer().pixel(r.Left + 10, r.Top + 10), qRgb(0, 0, 0));
}
