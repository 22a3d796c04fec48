// The image control's and caption panel's events as the toolkit delivers them: keys, the
// wheel, drag and drop between controls, hints, parent colour and font, the resize veto,
// paint stage handlers and the panel's mouse events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QWheelEvent>
#include <string>
#include <vector>

#include "graphics/widgets/GradPanel32.h"
#include "graphics/widgets/RasterImage.h"

using namespace qm;

namespace {

bool SendKey(QWidget& w, QEvent::Type type, int key, const QString& text, Qt::KeyboardModifiers mods = {},
             bool autoRepeat = false)
{
    QKeyEvent e(type, key, mods, text, autoRepeat);
    e.setAccepted(false);
    QApplication::sendEvent(&w, &e);
    return e.isAccepted();
}

} // namespace

TEST(ControlEvents, KeysReachTheHandlersAsVirtualKeysAndCharacters)
{
    TImage32 image;
    std::vector<std::string> log;
    image.OnKeyDown = [&](QObject*, uint16_t& key, TShiftState shift) {
        log.push_back("down " + std::to_string(key) + " " + std::to_string(shift));
        if (key == 'Q')
            key = 0;
    };
    image.OnKeyPress = [&](QObject*, char& ch) { log.push_back(std::string("press ") + ch); };
    image.OnKeyUp = [&](QObject*, uint16_t& key, TShiftState) { log.push_back("up " + std::to_string(key)); };

    EXPECT_FALSE(SendKey(image, QEvent::KeyPress, Qt::Key_A, "A", Qt::ShiftModifier)); // not taken: passes on
    EXPECT_TRUE(SendKey(image, QEvent::KeyPress, Qt::Key_Q, "q"));                     // taken
    SendKey(image, QEvent::KeyRelease, Qt::Key_Q, "q", {}, true);                      // a repeat: no release
    SendKey(image, QEvent::KeyRelease, Qt::Key_Q, "q");
    SendKey(image, QEvent::KeyPress, Qt::Key_5, "5", Qt::KeypadModifier);
    SendKey(image, QEvent::KeyPress, Qt::Key_F5, "");
    SendKey(image, QEvent::KeyPress, Qt::Key_C, "c", Qt::ControlModifier); // Ctrl+C types nothing
    EXPECT_EQ(log, (std::vector<std::string>{"down 65 1", "press A", "down 81 0", "press q", "up 81",
                                             "down 101 0", "press 5", "down 116 0", "down 67 4"}));

    // Without WantArrowKeys the arrows move the focus and never reach the handler.
    log.clear();
    SendKey(image, QEvent::KeyPress, Qt::Key_Left, "");
    EXPECT_TRUE(log.empty());
    image.Options |= pboWantArrowKeys;
    SendKey(image, QEvent::KeyPress, Qt::Key_Left, "");
    EXPECT_EQ(log, (std::vector<std::string>{"down 37 0"}));
}

TEST(ControlEvents, WheelTurnsGoToTheHandlersOrOnToTheParent)
{
    TGradPanel32 panel;
    std::vector<std::string> log;
    // Answers whether the panel took the turn; one it leaves goes on to its parent.
    auto send = [&](int delta) {
        QWheelEvent e(QPointF(3, 4), QPointF(103, 204), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&panel, &e);
        return e.isAccepted();
    };
    EXPECT_FALSE(send(-120)); // nobody answers
    bool takeTurn = false;
    panel.OnMouseWheel = [&](QObject*, TShiftState shift, int32_t delta, const TPoint& at, bool& handled) {
        log.push_back("wheel " + std::to_string(delta) + " " + std::to_string(shift) + " " +
                      std::to_string(at.X) + "," + std::to_string(at.Y));
        handled = takeTurn;
    };
    panel.OnMouseWheelDown = [&](QObject*, TShiftState, const TPoint&, bool& handled) {
        log.push_back("down");
        handled = true;
    };
    panel.OnMouseWheelUp = [&](QObject*, TShiftState, const TPoint&, bool&) { log.push_back("up"); };
    EXPECT_TRUE(send(-120));
    EXPECT_FALSE(send(240)); // up, not handled
    takeTurn = true;
    EXPECT_TRUE(send(-120));
    EXPECT_EQ(log, (std::vector<std::string>{"wheel -120 4 103,204", "down", "wheel 240 4 103,204", "up",
                                             "wheel -120 4 103,204"}));
}

namespace {

// A drag source whose drag loop carries the drag to a target at once, as the pointer would.
class DragSource : public TImage32 {
public:
    QWidget* target = nullptr;
    QPoint at{7, 8};

protected:
    Qt::DropAction ExecDrag(QDrag& drag) override
    {
        QDragEnterEvent enter(QPoint(1, 1), Qt::MoveAction, drag.mimeData(), Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return Qt::IgnoreAction;
        QDragMoveEvent move(at, Qt::MoveAction, drag.mimeData(), Qt::LeftButton, {});
        QApplication::sendEvent(target, &move);
        if (!move.isAccepted()) {
            QDragLeaveEvent leave;
            QApplication::sendEvent(target, &leave);
            return Qt::IgnoreAction;
        }
        QDropEvent drop(at, Qt::MoveAction, drag.mimeData(), Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted() ? Qt::MoveAction : Qt::IgnoreAction;
    }
};

} // namespace

TEST(ControlEvents, DragAndDropBetweenControls)
{
    DragSource source;
    TGradPanel32 target;
    source.target = &target;
    QObject carried;
    std::vector<std::string> log;
    source.OnStartDrag = [&](QObject*, QObject*& dragObject) {
        log.push_back("start");
        dragObject = &carried;
    };
    bool accept = true;
    target.OnDragOver = [&](QObject*, QObject* from, int32_t x, int32_t y, TDragState state, bool& a) {
        log.push_back("over " + std::to_string(int(state)) + " " + std::to_string(x) + "," +
                      std::to_string(y) + (from == &carried ? " carried" : ""));
        a = accept || state == dsDragEnter;
    };
    target.OnDragDrop = [&](QObject*, QObject* from, int32_t x, int32_t y) {
        log.push_back("drop " + std::to_string(x) + "," + std::to_string(y) +
                      (from == &carried ? " carried" : ""));
    };
    QObject* endTarget = reinterpret_cast<QObject*>(1);
    source.OnEndDrag = [&](QObject*, QObject* t, int32_t x, int32_t y) {
        endTarget = t;
        log.push_back("end " + std::to_string(x) + "," + std::to_string(y));
    };

    // Automatic: pressing and moving past the drag distance starts it.
    source.DragMode = dmAutomatic;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      {});
    QApplication::sendEvent(&source, &press);
    QMouseEvent near(QEvent::MouseMove, QPointF(6, 5), QPointF(6, 5), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&source, &near);
    EXPECT_TRUE(log.empty());
    QMouseEvent far(QEvent::MouseMove, QPointF(40, 5), QPointF(40, 5), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&source, &far);
    EXPECT_EQ(log, (std::vector<std::string>{"start", "over 0 1,1 carried", "over 2 7,8 carried",
                                             "drop 7,8 carried", "end 7,8"}));
    EXPECT_EQ(endTarget, &target);
    EXPECT_FALSE(source.Dragging());

    // Refused where it ends: no drop, the source hears of no target.
    log.clear();
    accept = false;
    source.BeginDrag(true);
    EXPECT_EQ(log, (std::vector<std::string>{
                       "start", "over 0 1,1 carried", "over 2 7,8 carried",
                       "over 1 " + std::to_string(target.mapFromGlobal(QCursor::pos()).x()) + "," +
                           std::to_string(target.mapFromGlobal(QCursor::pos()).y()) + " carried",
                       "end 0,0"}));
    EXPECT_EQ(endTarget, nullptr);

    // A control without a drag-over handler takes no drops.
    log.clear();
    target.OnDragOver = nullptr;
    source.BeginDrag(true);
    EXPECT_EQ(log, (std::vector<std::string>{"start", "end 0,0"}));
}

TEST(ControlEvents, HintsFollowTheParentUntilSet)
{
    TGradPanel32 panel;
    auto* image = new TImage32(&panel);
    image->SetHint("Items");
    EXPECT_TRUE(image->ParentShowHint());
    EXPECT_TRUE(image->ShowHint()); // nobody above says otherwise
    panel.SetShowHint(false);
    EXPECT_FALSE(image->ShowHint());
    QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), QPoint(2, 2));
    EXPECT_TRUE(QApplication::sendEvent(image, &tip)); // swallowed, nothing shown
    image->SetShowHint(true);
    EXPECT_FALSE(image->ParentShowHint());
    EXPECT_TRUE(image->ShowHint());

    QWidget plain;
    plain.setProperty("ShowHint", false);
    TImage32 other(&plain);
    EXPECT_FALSE(other.ShowHint());
}

TEST(ControlEvents, ParentColourAndFontAreFollowed)
{
    TGradPanel32 panel;
    panel.SetColor(0x0000FF);
    auto* image = new TImage32(&panel);
    EXPECT_EQ(image->Color(), clBtnFace); // not by default
    image->SetParentColor(true);
    EXPECT_EQ(image->Color(), TColor(0x0000FF));
    panel.SetColor(0xFF0000);
    EXPECT_EQ(image->Color(), TColor(0xFF0000));
    image->SetColor(clWhite);
    EXPECT_FALSE(image->ParentColor());
    panel.SetColor(clBlack);
    EXPECT_EQ(image->Color(), clWhite);

    QWidget plain;
    QPalette pal = plain.palette();
    pal.setColor(plain.backgroundRole(), QColor(10, 20, 30));
    plain.setPalette(pal);
    TImage32 onPlain(&plain);
    onPlain.SetParentColor(true);
    EXPECT_EQ(onPlain.Color(), TColor(10 | 20 << 8 | 30 << 16));

    QFont font("Liberation Sans");
    font.setPixelSize(13);
    font.setBold(true);
    plain.setFont(font);
    auto* bar = new TGradPanel32(&plain);
    bar->SetParentFont(true);
    EXPECT_EQ(bar->Font().Name(), "Liberation Sans");
    EXPECT_EQ(bar->Font().Height(), -13);
    EXPECT_EQ(bar->Font().Style(), TFontStyles(fsBold));
    EXPECT_EQ(bar->Font().Color(), clWhite); // the colour stays the panel's
    font.setPixelSize(15);
    plain.setFont(font);
    EXPECT_EQ(bar->Font().Height(), -15);
    bar->Font().SetName("Liberation Serif"); // set by hand: no longer the parent's
    EXPECT_FALSE(bar->ParentFont());
}

TEST(ControlEvents, StageHandlersAreCompiledAtEachBufferPaint)
{
    TImage32 image;
    image.resize(20, 20);
    std::vector<uint32_t> userStages;
    image.OnPaintStage = [&](QObject*, TBitmap32&, uint32_t stage) { userStages.push_back(stage); };
    image.ResizeBuffer();
    image.PaintBuffer();
    EXPECT_EQ(image.StageIndices(), (std::vector<uint32_t>{0, 2, 4})); // run-time stages only
    EXPECT_EQ(image.StageHandlers().size(), 3u);
    image.PaintStages().Add().Stage = psUser;
    image.PaintStages().Add().Stage = 99; // unknown: dropped
    image.PaintBuffer();
    EXPECT_EQ(image.StageIndices(), (std::vector<uint32_t>{0, 2, 4, 5}));
    EXPECT_EQ(userStages, (std::vector<uint32_t>{5}));
    EXPECT_EQ(image.StageHandler(99), nullptr);
}

TEST(ControlEvents, ResizeVetoAndPanelMouse)
{
    TGradPanel32 panel;
    panel.resize(100, 20);
    panel.OnCanResize = [](QObject*, int32_t& w, int32_t& h, bool& resize) {
        if (w > 300)
            resize = false;
        h = std::min(h, 30);
    };
    panel.show();
    panel.resize(400, 20); // refused
    EXPECT_EQ(panel.size(), QSize(100, 20));
    panel.resize(200, 50); // height cut
    EXPECT_EQ(panel.size(), QSize(200, 30));

    std::vector<std::string> log;
    panel.OnMouseDown = [&](QObject*, TMouseButton b, TShiftState, int32_t x, int32_t y) {
        log.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
    };
    panel.OnMouseUp = [&](QObject*, TMouseButton b, TShiftState, int32_t, int32_t) {
        log.push_back("up " + std::to_string(b));
    };
    panel.OnClick = [&](QObject*) { log.push_back("click"); };
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(4, 5), QPointF(4, 5), Qt::LeftButton, Qt::LeftButton,
                      {});
    QApplication::sendEvent(&panel, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(4, 5), QPointF(4, 5), Qt::LeftButton,
                        Qt::NoButton, {});
    QApplication::sendEvent(&panel, &release);
    EXPECT_EQ(log, (std::vector<std::string>{"down 0 4,5", "click", "up 0"}));

    QMenu menu;
    menu.addAction("x");
    panel.PopupMenu = &menu;
    QContextMenuEvent context(QContextMenuEvent::Mouse, QPoint(3, 3), panel.mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(&panel, &context);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
}
