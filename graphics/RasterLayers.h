#pragma once
// The layer collection an image control paints above its bitmap and routes mouse events to,
// and the layer base class. The image controls of this program hold an empty collection:
// no layer is under the pointer, a mouse move sets the screen cursor to the owning control's
// cursor, and nothing is painted.
#include <cstdint>
#include <functional>
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
enum : TShiftState { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };

// The application-wide pointer shape that overrides every control's own while set; reset
// gives every control its own shape back.
void SetScreenCursor(const QCursor& Cursor);
void ResetScreenCursor();

// Layer option bits.
constexpr uint32_t LOB_VISIBLE = 0x80000000u;
constexpr uint32_t LOB_GDI_OVERLAY = 0x40000000u;
constexpr uint32_t LOB_MOUSE_EVENTS = 0x20000000u;
constexpr uint32_t LOB_NO_UPDATE = 0x10000000u;
constexpr uint32_t LOB_NO_CAPTURE = 0x08000000u;
constexpr uint32_t LOB_INVALID = 0x04000000u;
constexpr uint32_t LOB_FORCE_UPDATE = 0x02000000u;

class TCustomLayer : public TNotifiablePersistent {
public:
    QM_RASTER_CLASS(TCustomLayer, TNotifiablePersistent)

    explicit TCustomLayer(TLayerCollection* ALayerCollection);
    ~TCustomLayer() override;

    TLayerCollection* LayerCollection() const { return FLayerCollection; }
    uint32_t LayerOptions = LOB_VISIBLE;
    // Bits 0..2: left, right and middle button held over the layer.
    uint32_t LayerStates = 0;
    int32_t Cursor = 0; // a Qt::CursorShape

    virtual bool DoHitTest(int32_t X, int32_t Y) { return true; }
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {}
    // Sets the screen cursor to the layer's cursor.
    virtual void MouseMove(TShiftState Shift, int32_t X, int32_t Y);
    // Resets the screen cursor.
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    virtual void Paint(TBitmap32& Buffer) {}
    virtual void PaintGDI(QPainter& Canvas) {}

private:
    TLayerCollection* FLayerCollection;
};

enum TLayerListNotification : uint8_t { lnLayerAdded, lnLayerInserted, lnLayerDeleted, lnCleared };
using TLayerListNotifyEvent =
    std::function<void(TLayerCollection* Sender, TLayerListNotification Action, TCustomLayer* Layer, int32_t Index)>;
using TLayerUpdateEvent = std::function<void(TObject* Sender, TCustomLayer* Layer)>;
using TAreaUpdateEvent = std::function<void(TObject* Sender, const TRect& Area, uint32_t Info)>;
using TGetScaleEvent = std::function<void(TObject* Sender, float& ScaleX, float& ScaleY)>;
using TGetShiftEvent = std::function<void(TObject* Sender, float& ShiftX, float& ShiftY)>;

class TLayerCollection : public TPersistent {
public:
    QM_RASTER_CLASS(TLayerCollection, TPersistent)

    // Owner: the image control, asked for its "cursor" when no layer takes a mouse move.
    explicit TLayerCollection(QObject* AOwner);
    ~TLayerCollection() override;
    TLayerCollection(const TLayerCollection&) = delete;
    TLayerCollection& operator=(const TLayerCollection&) = delete;

    QObject* Owner() const { return FOwner; }
    int32_t Count() const { return int32_t(FItems.size()); }
    TCustomLayer* Items(int32_t Index) const { return FItems.at(size_t(Index)); }
    bool MouseEvents = true;
    TCustomLayer* MouseListener() const { return FMouseListener; }

    TNotifyEvent OnChanging;
    TNotifyEvent OnChange;
    TNotifyEvent OnGDIUpdate;
    TLayerListNotifyEvent OnListNotify;
    TLayerUpdateEvent OnLayerUpdated;
    TAreaUpdateEvent OnAreaUpdated;
    TGetScaleEvent OnGetViewportScale;
    TGetShiftEvent OnGetViewportShift;

    void BeginUpdate();
    void EndUpdate();
    // The topmost layer whose options meet OptionMask and whose hit test takes (X, Y).
    TCustomLayer* LayerAt(int32_t X, int32_t Y, uint32_t OptionMask = 0xFFFFFFFFu) const;
    // Route a mouse event to the listening layer or the one under the point; each answers
    // the layer that took it (null when none).
    TCustomLayer* MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    TCustomLayer* MouseMove(TShiftState Shift, int32_t X, int32_t Y);
    TCustomLayer* MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    // 1.0 and 1.0, or 0 and 0, unless the owner answers.
    void GetViewportScale(float& ScaleX, float& ScaleY);
    void GetViewportShift(float& ShiftX, float& ShiftY);

private:
    friend class TCustomLayer;
    void InsertItem(TCustomLayer* Layer);
    void RemoveItem(TCustomLayer* Layer);

    QObject* FOwner;
    std::vector<TCustomLayer*> FItems;
    TCustomLayer* FMouseListener = nullptr;
    int32_t FUpdateCount = 0;
};

} // namespace qm
