#pragma once
// A scrolling container with the toolkit's scroll-box behaviour: the controls placed in its
// client area scroll with the two bars, whose range follows the controls' extent (plus the
// bar's margin) and which show only while the range exceeds the client area. Positions run
// from 0 to range - client size; moving a position moves the controls.
#include <QWidget>
#include <cstdint>

#include "platform/GraphicsTypes.h"

class QScrollBar;
class QWheelEvent;

namespace qm {

class TScrollBox;

enum TScrollBarKind : uint8_t { sbHorizontal, sbVertical };

class TControlScrollBar {
public:
    TControlScrollBar(TScrollBox& Box, TScrollBarKind Kind) : box_(Box), kind_(Kind) {}

    TScrollBarKind Kind() const { return kind_; }
    int32_t Position() const { return position_; }
    // Clamped into 0 .. Range - the client extent; the controls move by the difference.
    void SetPosition(int32_t Value);
    // The scrolled extent: the controls' far edge plus Margin (while automatic).
    int32_t Range() const { return range_; }
    void SetRange(int32_t Value);
    // A step of the arrow keys and the wheel, and the room kept around the controls.
    int32_t Increment = 8;
    int32_t Margin = 0;
    // Whether the bar may show at all.
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    // Whether it shows now.
    bool IsScrollBarVisible() const { return shown_; }
    // The bar's thickness in pixels.
    int32_t Size() const;

private:
    friend class TScrollBox;
    TScrollBox& box_;
    TScrollBarKind kind_;
    int32_t position_ = 0;
    int32_t range_ = 0;
    bool visible_ = true;
    bool shown_ = false;
};

class TScrollBox : public QWidget {
    Q_OBJECT
public:
    explicit TScrollBox(QWidget* Parent = nullptr);
    ~TScrollBox() override;

    TControlScrollBar& HorzScrollBar() { return horz_; }
    TControlScrollBar& VertScrollBar() { return vert_; }
    // Ranges follow the controls (default on).
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool Value);
    // The area the controls show in: the control less the bars that show.
    int32_t ClientWidth() const;
    int32_t ClientHeight() const;
    // The parent of the scrolled controls; its coordinates are client coordinates.
    QWidget* Viewport() const { return viewport_; }

    // Holds the automatic ranges while controls are being placed; the last Enable works them
    // out again.
    void DisableAutoRange() { ++autoRangeHeld_; }
    void EnableAutoRange();
    // Ranges from the controls, the bars' visibility, and positions kept within the ranges.
    void UpdateScrollBars();
    // Places and sizes the box; a new size is laid out at once, shown or not.
    void SetBounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height);

protected:
    // After the box's size changed and the bars were laid out again.
    virtual void Resized() {}
    void resizeEvent(QResizeEvent* Event) override;
    // Whether a wheel turn happened with the pointer over the box; one sent from elsewhere is
    // left to others.
    bool WheelOverBox(const QWheelEvent& Event) const;
    // The whole notches (120 units each) a wheel turn completes with what the turns before left
    // over, positive away from the user; the rest is kept for the next turn.
    int32_t WheelNotches(const QWheelEvent& Event);

private:
    friend class TControlScrollBar;
    void ScrollBy(int32_t DX, int32_t DY);
    void LayOut();
    void HandleResize();
    int32_t MaxPosition(const TControlScrollBar& Bar) const;
    void SyncBar(TControlScrollBar& Bar);

    TControlScrollBar horz_{*this, sbHorizontal};
    TControlScrollBar vert_{*this, sbVertical};
    QWidget* viewport_;
    QScrollBar* horzBar_;
    QScrollBar* vertBar_;
    bool autoScroll_ = true;
    int autoRangeHeld_ = 0;
    bool syncing_ = false;
    QSize laidOutSize_;
    int32_t wheelRest_ = 0;
};

} // namespace qm
