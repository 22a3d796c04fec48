#pragma once
// One sheet of paper on screen: a paper-coloured rectangle with a border line and a drop
// shadow to its right and below, whose inside its owner paints through OnPaint. The sheet
// draws into an off-screen image of its own size and copies that to the screen; the frame is
// drawn again only after a colour or size change, the inside only after an invalidation.
//
// TPaperPreviewOptions is the sheet's looks as one persistent set that a preview or a
// thumbnail strip publishes and copies onto its sheets.
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "graphics/RasterClasses.h"
#include "graphics/RasterLayers.h"
#include "platform/DeviceCanvas.h"
#include "platform/GraphicsTypes.h"

class QMenu;

namespace qm {

// Screen cursors by number: 0 the default arrow; 10 an open hand and 11 a grabbing hand,
// the two the preview uses over a page that can be dragged.
using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crHand = 10;
constexpr TCursor crGrab = 11;
QCursor CursorOf(TCursor Cursor);

// Sender of the preview controls' events is the control.
using TPreviewEvent = std::function<void(QObject* Sender)>;
using TPreviewMouseEvent =
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)>;
using TPreviewMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int32_t X, int32_t Y)>;
// Paints the paper's inside: Canvas draws on the sheet's off-screen image in pixels, clipped
// to PageRect.
using TPaperPaintEvent = std::function<void(QObject* Sender, TPainterCanvas& Canvas, const TRect& PageRect)>;

// ShiftStateOf and MouseButtonOf come with the layer types (graphics/RasterLayers.h).

// Largest off-screen image a sheet allocates, in bytes; a larger one counts as failed.
constexpr int64_t MaxSheetImageBytes = 0x7FFFFFFF;

class TPaperPreview : public QWidget {
    Q_OBJECT
public:
    // 110 x 153 pixels: paper 105 x 148, border 1, shadow 3.
    explicit TPaperPreview(QWidget* Parent = nullptr);
    ~TPaperPreview() override;

    TColor PaperColor() const { return paperColor_; }
    void SetPaperColor(TColor Value);
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor Value);
    int32_t BorderSize() const { return borderSize_; }
    // Keeps the paper's size: the control grows or shrinks.
    void SetBorderSize(int32_t Value);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor Value);
    int32_t ShadowSize() const { return shadowSize_; }
    void SetShadowSize(int32_t Value);
    // The paper without border and shadow.
    int32_t PaperWidth() const;
    void SetPaperWidth(int32_t Value);
    int32_t PaperHeight() const;
    void SetPaperHeight(int32_t Value);
    // The background of the two corners the shadow leaves free.
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor Value);
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* Value) { popupMenu_ = Value; }
    int32_t Tag = 0;

    TPaperPaintEvent OnPaint;
    TPreviewEvent OnResize;
    TPreviewEvent OnClick;
    TPreviewEvent OnDblClick;
    TPreviewMouseEvent OnMouseDown;
    TPreviewMouseMoveEvent OnMouseMove;
    TPreviewMouseEvent OnMouseUp;

    // The paper's rectangle in control coordinates: inside the border, left of and above
    // the shadow.
    virtual TRect GetPageRect() const;
    // Marks the inside for repainting and asks for a paint.
    void Invalidate();
    // Places the control; a new size resizes the off-screen image at once.
    void SetBounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height);

    // False while the off-screen image could not be had for the present size; nothing is
    // drawn then.
    bool BufferSized() const { return bufferSized_; }
    // Brings the off-screen image up to date (what a paint does before its copy).
    void PaintBuffer();
    const QImage& Buffer() const { return buffer_; }

protected:
    // Border and shadow, into the off-screen image.
    virtual void PaintFrame();

    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;

private:
    void Resized();
    void FrameChanged();

    TColor paperColor_ = clWhite;
    TColor borderColor_ = clBlack;
    int32_t borderSize_ = 1;
    TColor shadowColor_ = clBtnShadow;
    int32_t shadowSize_ = 3;
    TColor color_ = clBtnFace;
    TCursor cursor_ = crDefault;
    QMenu* popupMenu_ = nullptr;
    QImage buffer_;
    bool bufferSized_ = false;
    bool frameDrawn_ = false;
    bool insideDrawn_ = false;
    bool clickPending_ = false;
};

class TPaperPreviewOptions : public TPersistent {
public:
    QM_RASTER_CLASS(TPaperPreviewOptions, TPersistent)

    // Fires after every change of a value.
    TNotifyEvent OnChange;

    TColor PaperColor() const { return paperColor_; }
    void SetPaperColor(TColor Value) { Set(paperColor_, Value); }
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor Value) { Set(borderColor_, Value); }
    int32_t BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int32_t Value) { Set(borderWidth_, Value); }
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor Value) { Set(shadowColor_, Value); }
    int32_t ShadowWidth() const { return shadowWidth_; }
    void SetShadowWidth(int32_t Value) { Set(shadowWidth_, Value); }
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor Value) { Set(cursor_, Value); }
    // Shown while the page can be dragged, and while it is dragged; not put on a sheet.
    TCursor DragCursor() const { return dragCursor_; }
    void SetDragCursor(TCursor Value) { Set(dragCursor_, Value); }
    TCursor GrabCursor() const { return grabCursor_; }
    void SetGrabCursor(TCursor Value) { Set(grabCursor_, Value); }
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* Value) { Set(popupMenu_, Value); }

    // From another options object, value by value through the setters.
    void Assign(const TPersistent* Source) override;
    // Colours, widths, cursor and popup menu onto a sheet.
    void AssignTo(TPaperPreview& Sheet) const;

protected:
    void AssignTo(TPersistent* Dest) const override;

private:
    template <class T> void Set(T& field, T value)
    {
        if (field == value)
            return;
        field = value;
        if (OnChange)
            OnChange(this);
    }

    TColor paperColor_ = clWhite;
    TColor borderColor_ = clBlack;
    int32_t borderWidth_ = 1;
    TColor shadowColor_ = clBtnShadow;
    int32_t shadowWidth_ = 3;
    TCursor cursor_ = crDefault;
    TCursor dragCursor_ = crHand;
    TCursor grabCursor_ = crGrab;
    QMenu* popupMenu_ = nullptr;
};

} // namespace qm
