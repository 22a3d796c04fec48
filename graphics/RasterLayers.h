#pragma once
// The layer collection an image control paints above its bitmap and routes mouse events to,
// and the layer base class. A layer paints itself on the control's buffer (or, as a GDI
// overlay, on the control after the buffer has been copied), answers hit tests and takes
// the mouse; the collection keeps them in painting order, bottom first.
//
// The image controls of this program hold an empty collection: no layer is under the
// pointer, a mouse move sets the screen cursor to the owning control's cursor, and nothing
// is painted.
#include <QtCore/qnamespace.h>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "graphics/RasterPersistent.h"
#include "graphics/RasterTypes.h"

class QCursor;
class QObject;
class QPainter;

namespace qm {

class TBitmap32;
class TLayerCollection;

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };
// A set of shift keys and held mouse buttons.
using TShiftState = uint16_t;
enum : TShiftState {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};

// The shift state of a mouse or key event, and the button of a mouse event (false: none of
// the three the controls report).
TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons = Qt::NoButton);
bool MouseButtonOf(Qt::MouseButton Button, TMouseButton& Result);

// The application-wide pointer shape that overrides every control's own while set; reset
// gives every control its own shape back.
void SetScreenCursor(const QCursor& Cursor);
void ResetScreenCursor();

// Layer option bits.
constexpr uint32_t LOB_VISIBLE = 0x80000000u;      // painted and hit
constexpr uint32_t LOB_GDI_OVERLAY = 0x40000000u;  // painted on the control after the buffer
constexpr uint32_t LOB_MOUSE_EVENTS = 0x20000000u; // found under the pointer
constexpr uint32_t LOB_NO_UPDATE = 0x10000000u;    // changes are not announced
constexpr uint32_t LOB_NO_CAPTURE = 0x08000000u;   // does not become the mouse listener
constexpr uint32_t LOB_INVALID = 0x04000000u;      // waiting for the repaint optimiser
constexpr uint32_t LOB_FORCE_UPDATE = 0x02000000u; // announced to the optimiser even when hidden

using THitTestEvent = std::function<void(TObject* Sender, int32_t X, int32_t Y, bool& Passed)>;
using TLayerMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)>;
using TLayerMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y)>;
using TPaintLayerEvent = std::function<void(TObject* Sender, TBitmap32& Buffer)>;

class TCustomLayer : public TNotifiablePersistent {
public:
    QM_RASTER_CLASS(TCustomLayer, TNotifiablePersistent)

    // Joins the collection (when given) as its topmost layer; visible.
    explicit TCustomLayer(TLayerCollection* ALayerCollection);
    // Fires OnDestroy, tells the layers that asked for it, and leaves the collection.
    ~TCustomLayer() override;
    TCustomLayer(const TCustomLayer&) = delete;
    TCustomLayer& operator=(const TCustomLayer&) = delete;

    TLayerCollection* LayerCollection() const { return FLayerCollection; }
    // Leaves the current collection and joins Value (null: none) at the top.
    virtual void SetLayerCollection(TLayerCollection* Value);
    // The position in the collection, bottom 0; -1 outside one.
    int32_t Index() const;
    // Moves the layer, the index clamped to the collection.
    virtual void SetIndex(int32_t Value);
    void BringToFront();
    void SendToBack();

    uint32_t LayerOptions() const { return FLayerOptions; }
    virtual void SetLayerOptions(uint32_t Value);
    bool Visible() const { return (FLayerOptions & LOB_VISIBLE) != 0; }
    void SetVisible(bool Value);
    bool MouseEvents() const { return (FLayerOptions & LOB_MOUSE_EVENTS) != 0; }
    void SetMouseEvents(bool Value);
    // Sets or clears LOB_INVALID without announcing a change (the repaint optimiser's mark).
    void SetInvalidMark(bool Value);

    // Bits 0..2: left, right and middle button held over the layer.
    uint32_t LayerStates = 0;
    int32_t Cursor() const { return FCursor; }
    // A Qt::CursorShape; applied at once while the layer has the mouse.
    virtual void SetCursor(int32_t Value);

    // Layer asks to hear (through Notification) when this layer goes, and the other way round.
    void AddNotification(TCustomLayer* Layer);
    void RemoveNotification(TCustomLayer* Layer);

    // DoHitTest, then OnHitTest may change the answer.
    bool HitTest(int32_t X, int32_t Y);
    // Paint, then OnPaint.
    void PaintLayer(TBitmap32& Buffer);
    // The collection's owner's scale and shift, for layers placed in bitmap coordinates.
    void GetViewportScale(float& ScaleX, float& ScaleY) const;
    void GetViewportShift(float& ShiftX, float& ShiftY) const;

    // Announces a change: to the repaint optimiser when visible (or forced), then the
    // collection's OnChange when visible or its GDI update when a GDI overlay; then OnChange.
    // Nothing inside the layer's update brackets, outside a collection or with LOB_NO_UPDATE.
    void NotifyChanged() override;

    // A new layer of the same kind, for copying a collection.
    virtual TCustomLayer* CreateLike(TLayerCollection* Collection) const
    {
        return new TCustomLayer(Collection);
    }

    THitTestEvent OnHitTest;
    TLayerMouseEvent OnMouseDown;
    TLayerMouseMoveEvent OnMouseMove;
    TLayerMouseEvent OnMouseUp;
    TPaintLayerEvent OnPaint;
    TNotifyEvent OnDestroy;

    virtual bool DoHitTest(int32_t X, int32_t Y) { return true; }
    // Fire the events; a move also sets the screen cursor to the layer's, a release resets it.
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseMove(TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    // A layer this one asked about is going.
    virtual void Notification(TCustomLayer* Layer) {}
    virtual void Paint(TBitmap32& Buffer) {}
    virtual void PaintGDI(QPainter& Canvas) {}

protected:
    // Copies the cursor and the options (not the events: their handlers belong to the source).
    void AssignTo(TPersistent* Dest) const override;

private:
    friend class TLayerCollection;
    TLayerCollection* FLayerCollection = nullptr;
    uint32_t FLayerOptions = LOB_VISIBLE;
    int32_t FCursor = 0;
    std::vector<TCustomLayer*> FFreeNotifies;
    // Visible before the option change being announced: hiding a layer must repaint where it was.
    bool FWasVisible = false;
};

enum TLayerListNotification : uint8_t { lnLayerAdded, lnLayerInserted, lnLayerDeleted, lnCleared };
using TLayerListNotifyEvent = std::function<void(TLayerCollection* Sender, TLayerListNotification Action,
                                                 TCustomLayer* Layer, int32_t Index)>;
using TLayerUpdateEvent = std::function<void(TObject* Sender, TCustomLayer* Layer)>;
using TAreaUpdateEvent = std::function<void(TObject* Sender, const TRect& Area, uint32_t Info)>;
using TGetScaleEvent = std::function<void(TObject* Sender, float& ScaleX, float& ScaleY)>;
using TGetShiftEvent = std::function<void(TObject* Sender, float& ShiftX, float& ShiftY)>;

class TLayerCollection : public TPersistent {
public:
    QM_RASTER_CLASS(TLayerCollection, TPersistent)

    // Owner: the image control, asked for its "cursor" when no layer takes a mouse move.
    explicit TLayerCollection(QObject* AOwner);
    // Frees every layer.
    ~TLayerCollection() override;
    TLayerCollection(const TLayerCollection&) = delete;
    TLayerCollection& operator=(const TLayerCollection&) = delete;

    QObject* Owner() const { return FOwner; }
    int32_t Count() const { return int32_t(FItems.size()); }
    // An index outside 0 .. Count - 1 raises EListError.
    TCustomLayer* Items(int32_t Index) const;
    int32_t IndexOf(const TCustomLayer* Layer) const;
    bool MouseEvents = true;
    TCustomLayer* MouseListener() const { return FMouseListener; }
    // A layer of another collection is ignored.
    void SetMouseListener(TCustomLayer* Layer);

    // A new layer of kind T on top; the collection owns it.
    template <class T, class... Args> T* Add(Args&&... args)
    {
        return new T(this, std::forward<Args>(args)...);
    }
    // Appends / removes a layer; the layer calls these as it joins or leaves (use
    // TCustomLayer::SetLayerCollection to move a layer).
    void Insert(TCustomLayer* Layer);
    void Remove(TCustomLayer* Layer);
    // Frees every layer; one notification for all.
    void Clear();
    // A copy of every layer of Source (another collection), of the same kinds.
    void Assign(const TPersistent* Source) override;

    TNotifyEvent OnChanging;
    TNotifyEvent OnChange;
    TNotifyEvent OnGDIUpdate;
    TLayerListNotifyEvent OnListNotify;
    TLayerUpdateEvent OnLayerUpdated;
    TAreaUpdateEvent OnAreaUpdated;
    TGetScaleEvent OnGetViewportScale;
    TGetShiftEvent OnGetViewportShift;

    // The first opening fires OnChanging, the last closing OnChange.
    void BeginUpdate();
    void EndUpdate();
    int32_t UpdateCount() const { return FUpdateCount; }
    // Outside update brackets: OnChanging / OnChange.
    void Changing();
    void Changed();
    void GDIUpdate();
    // Tells the repaint optimiser that Layer changed, or that Area (Info as the bitmap's area
    // events) must be repainted.
    void LayerUpdated(TCustomLayer* Layer);
    void AreaUpdated(const TRect& Area, uint32_t Info);

    // The topmost layer whose options meet OptionMask and whose hit test takes (X, Y).
    TCustomLayer* LayerAt(int32_t X, int32_t Y, uint32_t OptionMask = 0xFFFFFFFFu) const;
    // Route a mouse event to the listening layer or the one under the point; each answers
    // the layer that took it (null when none).
    TCustomLayer* MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    TCustomLayer* MouseMove(TShiftState Shift, int32_t X, int32_t Y);
    TCustomLayer* MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    // 1.0 and 1.0, or 0 and 0, unless the owner answers.
    void GetViewportScale(float& ScaleX, float& ScaleY) const;
    void GetViewportShift(float& ShiftX, float& ShiftY) const;

private:
    friend class TCustomLayer;
    void MoveItem(TCustomLayer* Layer, int32_t NewIndex);

    QObject* FOwner;
    std::vector<TCustomLayer*> FItems;
    TCustomLayer* FMouseListener = nullptr;
    int32_t FUpdateCount = 0;
    bool FClearing = false;
};

} // namespace qm
