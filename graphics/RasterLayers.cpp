#include "graphics/RasterLayers.h"

#include <QCursor>
#include <QGuiApplication>
#include <QObject>
#include <QVariant>
#include <algorithm>

#include "graphics/Raster.h"

namespace qm {

namespace {

// Whether the screen cursor is set: one override cursor of the application, ours.
bool ScreenCursorSet = false;

uint32_t ButtonStateBit(TMouseButton Button)
{
    return 1u << Button;
}

} // namespace

void SetScreenCursor(const QCursor& Cursor)
{
    if (!QGuiApplication::instance())
        return;
    if (ScreenCursorSet && QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(Cursor);
    else
        QGuiApplication::setOverrideCursor(Cursor);
    ScreenCursorSet = true;
}

void ResetScreenCursor()
{
    if (ScreenCursorSet && QGuiApplication::instance() && QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    ScreenCursorSet = false;
}

// ---- TCustomLayer -------------------------------------------------------------------------

TCustomLayer::TCustomLayer(TLayerCollection* ALayerCollection) : FLayerCollection(ALayerCollection)
{
    if (FLayerCollection)
        FLayerCollection->InsertItem(this);
}

TCustomLayer::~TCustomLayer()
{
    if (FLayerCollection)
        FLayerCollection->RemoveItem(this);
}

void TCustomLayer::MouseMove(TShiftState Shift, int32_t X, int32_t Y)
{
    SetScreenCursor(QCursor(Qt::CursorShape(Cursor)));
}

void TCustomLayer::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    ResetScreenCursor();
}

// ---- TLayerCollection ---------------------------------------------------------------------

TLayerCollection::TLayerCollection(QObject* AOwner) : FOwner(AOwner) {}

TLayerCollection::~TLayerCollection()
{
    BeginUpdate();
    while (!FItems.empty())
        delete FItems.back();
    FUpdateCount = 0;
}

void TLayerCollection::InsertItem(TCustomLayer* Layer)
{
    BeginUpdate();
    FItems.push_back(Layer);
    if (OnListNotify)
        OnListNotify(this, lnLayerAdded, Layer, Count() - 1);
    EndUpdate();
}

void TLayerCollection::RemoveItem(TCustomLayer* Layer)
{
    const auto it = std::find(FItems.begin(), FItems.end(), Layer);
    if (it == FItems.end())
        return;
    BeginUpdate();
    const int32_t index = int32_t(it - FItems.begin());
    FItems.erase(it);
    if (FMouseListener == Layer)
        FMouseListener = nullptr;
    if (OnListNotify)
        OnListNotify(this, lnLayerDeleted, Layer, index);
    EndUpdate();
}

void TLayerCollection::BeginUpdate()
{
    if (FUpdateCount++ == 0 && OnChanging)
        OnChanging(this);
}

void TLayerCollection::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0 && OnChange)
        OnChange(this);
}

TCustomLayer* TLayerCollection::LayerAt(int32_t X, int32_t Y, uint32_t OptionMask) const
{
    for (auto it = FItems.rbegin(); it != FItems.rend(); ++it)
        if (((*it)->LayerOptions & OptionMask) != 0 && (*it)->DoHitTest(X, Y))
            return *it;
    return nullptr;
}

TCustomLayer* TLayerCollection::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    TCustomLayer* target = FMouseListener ? FMouseListener : LayerAt(X, Y, LOB_MOUSE_EVENTS);
    if (target && target != FMouseListener && !(target->LayerOptions & LOB_NO_CAPTURE))
        FMouseListener = target;
    if (FMouseListener) {
        FMouseListener->LayerStates |= ButtonStateBit(Button);
        FMouseListener->MouseDown(Button, Shift, X, Y);
    }
    return target;
}

TCustomLayer* TLayerCollection::MouseMove(TShiftState Shift, int32_t X, int32_t Y)
{
    TCustomLayer* target = FMouseListener ? FMouseListener : LayerAt(X, Y, LOB_MOUSE_EVENTS);
    if (target) {
        target->MouseMove(Shift, X, Y);
    } else if (FOwner) {
        const QVariant cursor = FOwner->property("cursor");
        if (cursor.isValid())
            SetScreenCursor(cursor.value<QCursor>());
    }
    return target;
}

TCustomLayer* TLayerCollection::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    TCustomLayer* target = FMouseListener ? FMouseListener : LayerAt(X, Y, LOB_MOUSE_EVENTS);
    if (target) {
        target->LayerStates &= ~ButtonStateBit(Button);
        target->MouseUp(Button, Shift, X, Y);
    }
    if (FMouseListener && (FMouseListener->LayerStates & 7u) == 0)
        FMouseListener = nullptr;
    return target;
}

void TLayerCollection::GetViewportScale(float& ScaleX, float& ScaleY)
{
    ScaleX = 1.0f;
    ScaleY = 1.0f;
    if (OnGetViewportScale)
        OnGetViewportScale(this, ScaleX, ScaleY);
}

void TLayerCollection::GetViewportShift(float& ShiftX, float& ShiftY)
{
    ShiftX = 0;
    ShiftY = 0;
    if (OnGetViewportShift)
        OnGetViewportShift(this, ShiftX, ShiftY);
}

} // namespace qm
