// The layer collection (order, notifications, hit testing, mouse routing, copies) and an
// image control under rmOptimizer showing the same pixels as under rmFull.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "WidgetTestSupport.h"
#include "graphics/RasterLayers.h"
#include "graphics/widgets/RasterImage.h"
#include "platform/Exception.h"

using namespace qm;
using qmtest::ProbeImage;
using qmtest::ShowAndSettle;

namespace {

// A layer covering a box: painted there, hit there.
class BoxLayer : public TCustomLayer {
public:
    BoxLayer(TLayerCollection* c, TRect box = {}, TColor32 color = 0xFF0000FF)
        : TCustomLayer(c), Box(box), Color(color)
    {
    }
    TRect Box;
    TColor32 Color;
    std::vector<std::string>* log = nullptr;
    void MoveTo(TRect box)
    {
        Box = box;
        NotifyChanged();
    }
    bool DoHitTest(int32_t X, int32_t Y) override { return PointInRect(Box, {X, Y}); }
    void Paint(TBitmap32& Buffer) override { Buffer.FillRectClippedByRect(Box, Color); }
    void MouseDown(TMouseButton, TShiftState, int32_t X, int32_t Y) override { Log("down", X, Y); }
    void MouseMove(TShiftState, int32_t X, int32_t Y) override { Log("move", X, Y); }
    void MouseUp(TMouseButton, TShiftState, int32_t X, int32_t Y) override { Log("up", X, Y); }
    void Notification(TCustomLayer*) override { Log("gone", 0, 0); }
    TCustomLayer* CreateLike(TLayerCollection* c) const override
    {
        auto* l = new BoxLayer(c, Box, Color);
        l->log = log;
        return l;
    }

private:
    void Log(const char* what, int32_t X, int32_t Y)
    {
        if (log)
            log->push_back(std::string(what) + " " + std::to_string(Index()) + " " + std::to_string(X) + "," +
                           std::to_string(Y));
    }
};

} // namespace

TEST(Layers, OrderIndicesAndListNotifications)
{
    TLayerCollection layers(nullptr);
    std::vector<std::string> notes;
    int changes = 0;
    layers.OnListNotify = [&](TLayerCollection*, TLayerListNotification action, TCustomLayer*,
                              int32_t index) {
        notes.push_back(std::to_string(int(action)) + "@" + std::to_string(index));
    };
    layers.OnChange = [&](TObject*) { ++changes; };
    auto* a = layers.Add<BoxLayer>();
    auto* b = layers.Add<BoxLayer>();
    auto* c = layers.Add<BoxLayer>();
    EXPECT_EQ(notes, (std::vector<std::string>{"0@0", "0@1", "0@2"}));
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(a->LayerOptions(), LOB_VISIBLE);
    EXPECT_EQ(c->Index(), 2);
    a->SetIndex(99); // clamped to the top
    EXPECT_EQ(layers.Items(2), a);
    a->SetIndex(-4);
    EXPECT_EQ(layers.Items(0), a);
    c->SendToBack();
    EXPECT_EQ(layers.IndexOf(c), 0);
    b->BringToFront();
    EXPECT_EQ(layers.Items(2), b);
    EXPECT_THROW(layers.Items(3), EListError);

    notes.clear();
    delete c;
    EXPECT_EQ(notes, (std::vector<std::string>{"2@0"}));
    notes.clear();
    layers.Clear(); // one notification for all
    EXPECT_EQ(notes, (std::vector<std::string>{"3@-1"}));
    EXPECT_EQ(layers.Count(), 0);

    // A layer moved to another collection leaves the first.
    TLayerCollection other(nullptr);
    auto* d = layers.Add<BoxLayer>();
    d->SetLayerCollection(&other);
    EXPECT_EQ(layers.Count(), 0);
    EXPECT_EQ(other.Items(0), d);
}

TEST(Layers, ChangesAreAnnouncedByVisibilityAndOptions)
{
    TLayerCollection layers(nullptr);
    int changes = 0, gdi = 0, updates = 0, changing = 0;
    layers.OnChange = [&](TObject*) { ++changes; };
    layers.OnChanging = [&](TObject*) { ++changing; };
    layers.OnGDIUpdate = [&](TObject*) { ++gdi; };
    layers.OnLayerUpdated = [&](TObject*, TCustomLayer*) { ++updates; };
    auto* l = layers.Add<BoxLayer>(TRect{0, 0, 5, 5});
    changes = changing = 0;
    l->MoveTo({1, 1, 6, 6});
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(updates, 1);
    l->SetVisible(false); // hiding is announced: the layer must be painted away
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(updates, 2);
    l->MoveTo({2, 2, 7, 7}); // hidden: nothing
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(updates, 2);
    l->SetLayerOptions(LOB_GDI_OVERLAY | LOB_FORCE_UPDATE); // hidden overlay: GDI update, optimiser told
    EXPECT_EQ(gdi, 1);
    EXPECT_EQ(updates, 3);
    l->SetLayerOptions(LOB_VISIBLE | LOB_NO_UPDATE); // excluded from updates
    EXPECT_EQ(changes, 2);
    l->SetLayerOptions(LOB_VISIBLE);
    l->IncUpdateCount();
    l->MoveTo({0, 0, 1, 1});
    l->DecUpdateCount();
    EXPECT_EQ(changes, 3); // only the option change above
}

TEST(Layers, HitTestingAndMouseRouting)
{
    TLayerCollection layers(nullptr);
    std::vector<std::string> log;
    auto* low = layers.Add<BoxLayer>(TRect{0, 0, 50, 50});
    auto* high = layers.Add<BoxLayer>(TRect{20, 20, 80, 80});
    low->log = high->log = &log;
    EXPECT_EQ(layers.LayerAt(30, 30), high);
    EXPECT_EQ(layers.LayerAt(5, 5), low);
    EXPECT_EQ(layers.LayerAt(90, 90), nullptr);
    // Only layers with the mouse-events option take the mouse.
    EXPECT_EQ(layers.MouseDown(mbLeft, 0, 30, 30), nullptr);
    high->SetMouseEvents(true);
    low->SetMouseEvents(true);
    high->OnHitTest = [](TObject*, int32_t X, int32_t, bool& passed) { passed = passed && X < 70; };
    EXPECT_EQ(layers.LayerAt(75, 30), nullptr);

    // The pressed layer keeps the mouse until every button is up.
    EXPECT_EQ(layers.MouseDown(mbLeft, ssLeft, 30, 30), high);
    EXPECT_EQ(layers.MouseListener(), high);
    EXPECT_EQ(layers.MouseMove(ssLeft, 5, 5), high);
    EXPECT_EQ(layers.MouseDown(mbRight, ssLeft | ssRight, 5, 5), high);
    EXPECT_EQ(high->LayerStates, 3u);
    layers.MouseUp(mbLeft, ssRight, 5, 5);
    EXPECT_EQ(layers.MouseListener(), high);
    layers.MouseUp(mbRight, 0, 5, 5);
    EXPECT_EQ(layers.MouseListener(), nullptr);
    EXPECT_EQ(layers.MouseMove(0, 5, 5), low);
    EXPECT_EQ(log, (std::vector<std::string>{"down 1 30,30", "move 1 5,5", "down 1 5,5", "up 1 5,5",
                                             "up 1 5,5", "move 0 5,5"}));

    // A layer that takes no capture hears its press and release but never listens.
    log.clear();
    low->SetLayerOptions(low->LayerOptions() | LOB_NO_CAPTURE);
    EXPECT_EQ(layers.MouseDown(mbLeft, ssLeft, 5, 5), low);
    EXPECT_EQ(layers.MouseListener(), nullptr);
    EXPECT_EQ(layers.MouseUp(mbLeft, 0, 5, 5), low);
    EXPECT_EQ(log, (std::vector<std::string>{"down 0 5,5", "up 0 5,5"}));

    // A listener that goes leaves no listener behind.
    layers.MouseDown(mbLeft, ssLeft, 30, 30);
    delete high;
    EXPECT_EQ(layers.MouseListener(), nullptr);
}

TEST(Layers, FreeNotificationDestroyEventAndCopies)
{
    TLayerCollection layers(nullptr);
    std::vector<std::string> log;
    auto* a = layers.Add<BoxLayer>(TRect{1, 2, 3, 4}, 0xFF112233);
    auto* b = layers.Add<BoxLayer>(TRect{5, 6, 7, 8});
    a->log = b->log = &log;
    a->AddNotification(b);
    bool destroyed = false;
    a->OnDestroy = [&](TObject* sender) {
        destroyed = true;
        EXPECT_EQ(static_cast<TCustomLayer*>(sender)->LayerCollection(), &layers); // still a member
    };
    a->SetCursor(Qt::CrossCursor);
    a->SetLayerOptions(LOB_VISIBLE | LOB_MOUSE_EVENTS);

    TLayerCollection copy(nullptr);
    copy.Assign(&layers);
    ASSERT_EQ(copy.Count(), 2);
    auto* ca = dynamic_cast<BoxLayer*>(copy.Items(0));
    ASSERT_NE(ca, nullptr);
    EXPECT_EQ(ca->Box, (TRect{1, 2, 3, 4}));
    EXPECT_EQ(ca->Color, 0xFF112233u);
    EXPECT_EQ(ca->Cursor(), int32_t(Qt::CrossCursor));
    EXPECT_EQ(ca->LayerOptions(), LOB_VISIBLE | LOB_MOUSE_EVENTS);

    delete a;
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(log, (std::vector<std::string>{"gone 1 0,0"})); // b heard while a was still below it
    delete b;                                                 // a is no longer on b's list
    EXPECT_EQ(log.size(), 1u);
}

// ---- The image control under the optimiser ---------------------------------------------------

namespace {

// What the screen shows of a top-level widget: its flushed backing store.
QImage OnScreen(QWidget& w)
{
    return w.screen()->grabWindow(w.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// Where two pictures differ, for the failure message.
std::string Differences(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return "sizes differ";
    int n = 0;
    QRect box;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                ++n;
                box |= QRect(x, y, 1, 1);
            }
    return std::to_string(n) + " pixels in (" + std::to_string(box.left()) + ", " +
           std::to_string(box.top()) + ", " + std::to_string(box.right() + 1) + ", " +
           std::to_string(box.bottom() + 1) + ")";
}

} // namespace

TEST(ImageOptimizer, PaintsTheSamePixelsAsAFullRepaint)
{
    ProbeImage full, opt;
    for (ProbeImage* image : {&full, &opt}) {
        image->resize(300, 200);
        image->Bitmap().SetSize(300, 200);
        image->Bitmap().ClearTo(0xFFFFFFFF);
        image->Layers().Add<BoxLayer>(TRect{10, 10, 40, 30}, 0xFF00AA00);
    }
    full.SetRepaintMode(rmFull);
    opt.SetRepaintMode(rmOptimizer);
    // Pieces every time: no coarser level because a paint happened to be slow.
    static_cast<TMicroTilesRepaintOptimizer&>(opt.RepaintOptimizer()).AdaptiveMode = false;
    ShowAndSettle(full);
    ShowAndSettle(opt);
    opt.paints.clear();

    std::mt19937 rng(9);
    for (int round = 0; round < 6; ++round) {
        for (int i = 0; i < 40; ++i) {
            const int32_t x = int32_t(rng() % 320) - 10, y = int32_t(rng() % 220) - 10;
            const TColor32 c = 0xFF000000 | rng();
            const int kind = int(rng() % 3);
            const int32_t w = int32_t(rng() % 12), h = int32_t(rng() % 12);
            for (ProbeImage* image : {&full, &opt}) {
                TBitmap32& b = image->Bitmap();
                if (kind == 0)
                    b.FillRectClipped(x, y, x + w, y + h, c);
                else if (kind == 1)
                    b.DrawLineClipped(x, y, x - 25, y + 14, c, true); // reported right to left
                else
                    b.DrawHorzLineClipped(x, y, x, c); // one pixel
            }
        }
        const TRect box{int32_t(rng() % 250), int32_t(rng() % 150), 0, 0};
        for (ProbeImage* image : {&full, &opt})
            static_cast<BoxLayer*>(image->Layers().Items(0))
                ->MoveTo({box.Left, box.Top, box.Left + 30, box.Top + 20});
        QApplication::processEvents();
        const QImage a = OnScreen(opt), b = OnScreen(full);
        ASSERT_TRUE(a == b) << "round " << round << ": " << Differences(a, b);
    }
    // The optimised control painted pieces, not the whole.
    ASSERT_FALSE(opt.paints.empty());
    EXPECT_TRUE(std::none_of(opt.paints.begin(), opt.paints.end(), [](const auto& p) { return p.empty(); }));
    EXPECT_EQ(opt.RepaintOptimizer().Enabled(), true);

    // A change the optimiser has no areas for (the colour) repaints everything, even with
    // drawing pending.
    for (ProbeImage* image : {&full, &opt}) {
        image->Bitmap().SetSize(200, 100); // smaller: the colour shows around it
        image->Bitmap().ClearTo(0xFF808080);
    }
    QApplication::processEvents();
    opt.paints.clear();
    for (ProbeImage* image : {&full, &opt}) {
        image->Bitmap().DrawHorzLineClipped(1, 1, 5, 0xFF000000);
        image->SetColor(clBlack);
    }
    QApplication::processEvents();
    const QImage a = OnScreen(opt), b = OnScreen(full);
    EXPECT_TRUE(a == b) << Differences(a, b);
    EXPECT_TRUE(opt.paints.back().empty());
}

// The image inside a window, beside and under other controls: the copy to the screen lands at
// the control's place and nowhere else.
TEST(ImageOptimizer, AControlInsideAWindowShowsTheSamePixelsAsAFullRepaint)
{
    struct Window {
        QWidget top;
        ProbeImage* image = new ProbeImage;
        explicit Window(TRepaintMode mode)
        {
            top.resize(200, 150);
            image->setParent(&top);
            image->setGeometry(13, 9, 120, 80);
            image->Bitmap().SetSize(120, 80);
            image->Bitmap().ClearTo(0xFFFFFFFF);
            image->SetRepaintMode(mode);
            if (mode == rmOptimizer)
                static_cast<TMicroTilesRepaintOptimizer&>(image->RepaintOptimizer()).AdaptiveMode = false;
            // Neighbours right of and below the image, and one lying over it.
            for (QRect r : {QRect(133, 9, 30, 80), QRect(13, 89, 120, 20), QRect(60, 40, 40, 30)}) {
                auto* w = new QWidget(&top);
                w->setGeometry(r);
                w->setAutoFillBackground(true);
                QPalette pal = w->palette();
                pal.setColor(QPalette::Window, QColor(200, 30, r.x(), 255));
                w->setPalette(pal);
            }
            ShowAndSettle(top);
        }
    };
    Window full(rmFull), opt(rmOptimizer);
    opt.image->paints.clear();
    std::mt19937 rng(21);
    for (int round = 0; round < 5; ++round) {
        for (int i = 0; i < 30; ++i) {
            // Many near the right and bottom edges, where the buffer reaches past the control.
            const int32_t x = i % 3 ? int32_t(rng() % 130) : 112 + int32_t(rng() % 10);
            const int32_t y = i % 3 ? int32_t(rng() % 90) : 72 + int32_t(rng() % 10);
            const int32_t w = 1 + int32_t(rng() % 9), h = 1 + int32_t(rng() % 9);
            const TColor32 c = 0xFF000000 | rng();
            for (Window* window : {&full, &opt})
                window->image->Bitmap().FillRectClipped(x, y, x + w, y + h, c);
        }
        QApplication::processEvents();
        const QImage a = OnScreen(opt.top), b = OnScreen(full.top);
        ASSERT_TRUE(a == b) << "round " << round << ": " << Differences(a, b);
    }
    ASSERT_FALSE(opt.image->paints.empty());
    EXPECT_TRUE(std::none_of(opt.image->paints.begin(), opt.image->paints.end(),
                             [](const auto& p) { return p.empty(); }));
    // And where the image shows, the screen holds what the painter copies of it elsewhere.
    const QImage shown = OnScreen(opt.top).copy(13, 9, 120, 80);
    QImage own = opt.image->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QPainter cover(&own);
    cover.fillRect(QRect(60 - 13, 40 - 9, 40, 30), shown.pixel(60 - 13, 40 - 9)); // under the neighbour
    cover.end();
    EXPECT_TRUE(shown == own) << Differences(shown, own);
}

// Whatever its alpha bytes hold, the buffer reaches the screen as opaque colour.
TEST(ImageOptimizer, TheBufferIsCopiedAsOpaqueColour)
{
    TImage32 image;
    image.resize(40, 30);
    image.Bitmap().SetSize(40, 30);
    image.Bitmap().ClearTo(0x40123456);
    for (QImage::Format format :
         {QImage::Format_ARGB32_Premultiplied, QImage::Format_ARGB32, QImage::Format_RGB32}) {
        QImage target(40, 30, format);
        target.fill(Qt::transparent);
        image.render(&target);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(target.pixel(x, y), 0xFF123456u) << format << " at " << x << "," << y;
    }
}
