// Word-wrapped text and the link span, checked on the pixels they leave.
#include <gtest/gtest.h>

#include <climits>

#include "graphics/RasterExtras.h"

using namespace qm;

namespace {

constexpr TColor32 White = 0xFFFFFFFF;
const AnsiString Notice = "This store does not have any categories.  To create a new category, click _here_.";

struct Page {
    TBitmap32 bmp;
    Page(int w, int h)
    {
        bmp.SetSize(w, h);
        bmp.ClearTo(White);
        bmp.Font().SetName("Arial");
        bmp.Font().SetHeight(-13);
        bmp.Font().SetColor(clBlack);
    }
    int InkedIn(const TRect& r, bool blueOnly = false) const
    {
        int n = 0;
        for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, bmp.Height); ++y)
            for (int x = std::max(r.Left, 0); x < std::min(r.Right, bmp.Width); ++x) {
                const TColor32 p = *bmp.PixelAddress(x, y);
                if (p != White && (!blueOnly || BlueComponent(p) > RedComponent(p) + 60))
                    ++n;
            }
        return n;
    }
    int Inked() const { return InkedIn({0, 0, bmp.Width, bmp.Height}); }
};

} // namespace

TEST(WrappedText, LinkOnTheFirstLineOfAWideRectangle)
{
    Page page(700, 60);
    TRect link{-1, -1, -1, -1};
    DrawLinkText(page.bmp, {10, 5, 690, 55}, Notice, 0, link);
    const int lineHeight = page.bmp.TextHeight("here");
    EXPECT_EQ(link.Top, 5);
    EXPECT_EQ(link.Bottom, 5 + lineHeight);
    EXPECT_EQ(link.Right - link.Left, page.bmp.TextWidth("here"));
    EXPECT_EQ(link.Left, 10 + page.bmp.TextWidth(Notice.substr(0, Notice.find('_'))));
    EXPECT_GT(page.InkedIn(link, true), 5);                   // blue inside the link
    EXPECT_EQ(page.InkedIn({0, 0, link.Left, 60}, true), 0);  // and nowhere before it
    EXPECT_EQ(page.InkedIn({0, 5 + lineHeight, 700, 60}), 0); // one line only
    EXPECT_EQ(page.bmp.Font().Color(), clWindowText);
    EXPECT_FALSE(page.bmp.Font().Style() & fsUnderline);
}

TEST(WrappedText, LinkOnALaterLineOfANarrowRectangle)
{
    Page page(200, 200);
    TRect link;
    const TRect r{0, 0, 150, 200};
    DrawLinkText(page.bmp, r, Notice, 0, link);
    const int lineHeight = page.bmp.TextHeight("here");
    EXPECT_GT(link.Top, lineHeight); // not on the first two lines
    EXPECT_EQ(link.Top % lineHeight, 0);
    EXPECT_EQ(link.Right - link.Left, page.bmp.TextWidth("here"));
    EXPECT_GT(page.InkedIn(link, true), 5);
    EXPECT_EQ(page.InkedIn({0, 0, 200, link.Top}, true), 0);
    EXPECT_EQ(page.InkedIn({150, 0, 200, 200}), 0); // every line fits the rectangle
}

TEST(WrappedText, TextWithoutLinkGivesZeroWidthRectAtItsEnd)
{
    Page page(300, 40);
    TRect link;
    DrawLinkText(page.bmp, {4, 2, 300, 40}, "No link here", 0, link);
    const int w = page.bmp.TextWidth("No link here");
    EXPECT_EQ(link.Left, 4 + w);
    EXPECT_EQ(link.Right, 4 + w);
    EXPECT_EQ(link.Top, 2);

    // An empty rectangle draws nothing and leaves the link rectangle alone.
    TRect untouched{1, 2, 3, 4};
    DrawLinkText(page.bmp, {10, 10, 10, 30}, Notice, 0, untouched);
    EXPECT_EQ(untouched, (TRect{1, 2, 3, 4}));
}

TEST(WrappedText, WrapsAtBlanksAndAligns)
{
    Page left(200, 100), right(200, 100), centred(200, 100);
    const AnsiString text = "alpha beta gamma delta epsilon";
    const TRect r{10, 0, 110, 100};
    DrawWrappedText(left.bmp, r, text, 0);
    DrawWrappedText(right.bmp, r, text, 2);
    DrawWrappedText(centred.bmp, r, text, 1);
    const int lineHeight = left.bmp.TextHeight("a");
    EXPECT_GT(left.InkedIn({0, lineHeight, 200, 2 * lineHeight}), 0); // wrapped onto a second line
    EXPECT_EQ(left.InkedIn({110, 0, 200, 100}), 0);
    // The first line "alpha beta" starts at the left edge, ends at the right edge when
    // right-aligned, and sits in between when centred.
    const int w = left.bmp.TextWidth("alpha beta");
    ASSERT_LT(w, 100);
    EXPECT_EQ(left.InkedIn({10 + w + 1, 0, 110, lineHeight - 2}), 0);
    EXPECT_EQ(right.InkedIn({10, 0, 110 - w - 1, lineHeight - 2}), 0);
    EXPECT_GT(centred.InkedIn({10 + (100 - w) / 2, 0, 10 + (100 - w) / 2 + 3, lineHeight}), 0);

    // Any other alignment draws nothing.
    Page none(200, 100);
    DrawWrappedText(none.bmp, r, text, 3);
    EXPECT_EQ(none.Inked(), 0);
}

TEST(WrappedText, NarrowRectangleDrawsOneClippedLine)
{
    Page page(100, 60);
    DrawWrappedText(page.bmp, {5, 5, 20, 60}, "alpha beta gamma", 0);
    const int lineHeight = page.bmp.TextHeight("a");
    EXPECT_GT(page.Inked(), 0);
    EXPECT_EQ(page.InkedIn({20, 0, 100, 60}), 0);
    EXPECT_EQ(page.InkedIn({0, 5 + lineHeight, 100, 60}), 0);
}

TEST(WrappedText, WordWiderThanTheRectangleEndsTheText)
{
    // A very tall rectangle must not make the drawing recurse or loop line by line.
    Page page(100, 60);
    DrawWrappedText(page.bmp, {0, 0, 40, 1000000000}, "Supercalifragilistic and more", 0);
    TRect link{7, 7, 7, 7};
    DrawLinkText(page.bmp, {0, 0, 40, 1000000000}, "Supercalifragilistic _and_ more", 0, link);
    EXPECT_EQ(page.Inked(), 0);
    EXPECT_EQ(link.Right - link.Left, 0);
}

TEST(WrappedText, OffsetRectEdgesMovesEachEdge)
{
    EXPECT_EQ(OffsetRectEdges({10, 20, 30, 40}, 1, -2, 3, -4), (TRect{11, 18, 33, 36}));
}

TEST(WrappedText, RectanglesSpanningTheIntegerRange)
{
    Page page(100, 60);
    DrawWrappedText(page.bmp, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, "alpha beta", 1);
    DrawWrappedText(page.bmp, {0, INT32_MAX - 3, 30, INT32_MAX}, "alpha beta gamma delta", 2);
    TRect link;
    DrawLinkText(page.bmp, {0, INT32_MAX - 20, 40, INT32_MAX}, "alpha _beta_ gamma delta", 1, link);
    EXPECT_EQ(page.Inked(), 0); // all of it far outside the bitmap
}
