#include "graphics/RasterLayers.h"

#include <QCursor>
#include <QGuiApplication>
#include <QObject>
#include <QVariant>
#include <algorithm>

#include "graphics/Raster.h"
#include "platform/Exception.h"

namespace qm {

namespace {

// Whether the screen cursor is set: one override cursor of the application, ours.
bool ScreenCursorSet = false;

uint32_t ButtonStateBit(TMouseButton Button)
{
    return 1u << Button;
}

constexpr uint32_t ButtonStates = 7u;

} // namespace

TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons)
{
    TShiftState s = 0;
    if (Modifiers & Qt::ShiftModifier)
        s |= ssShift;
    if (Modifiers & Qt::AltModifier)
        s |= ssAlt;
    if (Modifiers & Qt::ControlModifier)
        s |= ssCtrl;
    if (Buttons & Qt::LeftButton)
        s |= ssLeft;
    if (Buttons & Qt::RightButton)
        s |= ssRight;
    if (Buttons & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

bool MouseButtonOf(Qt::MouseButton Button, TMouseButton& Result)
{
    switch (Button) {
    case Qt::LeftButton:
        Result = mbLeft;
        return true;
    case Qt::RightButton:
        Result = mbRight;
        return true;
    case Qt::MiddleButton:
        Result = mbMiddle;
        return true;
    default:
        return false;
    }
}

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

TCustomLayer::TCustomLayer(TLayerCollection* ALayerCollection)
{
    SetLayerCollection(ALayerCollection);
}

TCustomLayer::~TCustomLayer()
{
    if (OnDestroy)
        OnDestroy(this);
    // Each layer that asked hears of the going once and forgets this one.
    std::vector<TCustomLayer*> notifies;
    notifies.swap(FFreeNotifies);
    for (TCustomLayer* other : notifies) {
        auto& list = other->FFreeNotifies;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        other->Notification(this);
    }
    if (FLayerCollection)
        FLayerCollection->Remove(this);
}

void TCustomLayer::SetLayerCollection(TLayerCollection* Value)
{
    if (Value == FLayerCollection)
        return;
    if (FLayerCollection)
        FLayerCollection->Remove(this);
    if (Value)
        Value->Insert(this);
}

int32_t TCustomLayer::Index() const
{
    return FLayerCollection ? FLayerCollection->IndexOf(this) : -1;
}

void TCustomLayer::SetIndex(int32_t Value)
{
    if (!FLayerCollection)
        return;
    Value = std::clamp(Value, 0, FLayerCollection->Count() - 1);
    if (Value == Index())
        return;
    // Only the pixels the layer shares with others change: its own footprint.
    const bool announce = Visible() && !(FLayerOptions & LOB_NO_UPDATE);
    if (announce)
        FLayerCollection->BeginUpdate();
    FLayerCollection->MoveItem(this, Value);
    if (announce) {
        FLayerCollection->LayerUpdated(this);
        FLayerCollection->EndUpdate();
    }
}

void TCustomLayer::BringToFront()
{
    if (FLayerCollection)
        SetIndex(FLayerCollection->Count() - 1);
}

void TCustomLayer::SendToBack()
{
    SetIndex(0);
}

void TCustomLayer::SetLayerOptions(uint32_t Value)
{
    if (Visible() && FLayerCollection && !(FLayerOptions & LOB_NO_UPDATE) && UpdateCount == 0)
        FLayerCollection->Changing();
    FWasVisible = Visible();
    FLayerOptions = Value;
    NotifyChanged();
    FWasVisible = false;
}

void TCustomLayer::SetVisible(bool Value)
{
    SetLayerOptions(Value ? FLayerOptions | LOB_VISIBLE : FLayerOptions & ~LOB_VISIBLE);
}

void TCustomLayer::SetMouseEvents(bool Value)
{
    SetLayerOptions(Value ? FLayerOptions | LOB_MOUSE_EVENTS : FLayerOptions & ~LOB_MOUSE_EVENTS);
}

void TCustomLayer::SetInvalidMark(bool Value)
{
    FLayerOptions = Value ? FLayerOptions | LOB_INVALID : FLayerOptions & ~LOB_INVALID;
}

void TCustomLayer::SetCursor(int32_t Value)
{
    FCursor = Value;
    if (FLayerCollection && FLayerCollection->MouseListener() == this)
        SetScreenCursor(QCursor(Qt::CursorShape(Value)));
}

void TCustomLayer::AddNotification(TCustomLayer* Layer)
{
    if (!Layer || Layer == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), Layer) == FFreeNotifies.end())
        FFreeNotifies.push_back(Layer);
    auto& theirs = Layer->FFreeNotifies;
    if (std::find(theirs.begin(), theirs.end(), this) == theirs.end())
        theirs.push_back(this);
}

void TCustomLayer::RemoveNotification(TCustomLayer* Layer)
{
    if (!Layer)
        return;
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), Layer), FFreeNotifies.end());
    auto& theirs = Layer->FFreeNotifies;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

bool TCustomLayer::HitTest(int32_t X, int32_t Y)
{
    bool passed = DoHitTest(X, Y);
    if (OnHitTest)
        OnHitTest(this, X, Y, passed);
    return passed;
}

void TCustomLayer::PaintLayer(TBitmap32& Buffer)
{
    Paint(Buffer);
    if (OnPaint)
        OnPaint(this, Buffer);
}

void TCustomLayer::GetViewportScale(float& ScaleX, float& ScaleY) const
{
    ScaleX = ScaleY = 1.0f;
    if (FLayerCollection)
        FLayerCollection->GetViewportScale(ScaleX, ScaleY);
}

void TCustomLayer::GetViewportShift(float& ShiftX, float& ShiftY) const
{
    ShiftX = ShiftY = 0;
    if (FLayerCollection)
        FLayerCollection->GetViewportShift(ShiftX, ShiftY);
}

void TCustomLayer::NotifyChanged()
{
    if (UpdateCount == 0 && FLayerCollection && !(FLayerOptions & LOB_NO_UPDATE)) {
        const bool visible = Visible() || FWasVisible;
        if (visible || (FLayerOptions & LOB_FORCE_UPDATE))
            FLayerCollection->LayerUpdated(this);
        if (visible)
            FLayerCollection->Changed();
        else if (FLayerOptions & LOB_GDI_OVERLAY)
            FLayerCollection->GDIUpdate();
    }
    TNotifiablePersistent::NotifyChanged();
}

void TCustomLayer::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TCustomLayer::MouseMove(TShiftState Shift, int32_t X, int32_t Y)
{
    SetScreenCursor(QCursor(Qt::CursorShape(FCursor)));
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y);
}

void TCustomLayer::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    ResetScreenCursor();
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

void TCustomLayer::AssignTo(TPersistent* Dest) const
{
    auto* layer = dynamic_cast<TCustomLayer*>(Dest);
    if (!layer) {
        TNotifiablePersistent::AssignTo(Dest);
        return;
    }
    layer->FCursor = FCursor;
    layer->SetLayerOptions(FLayerOptions & ~LOB_INVALID);
}

// ---- TLayerCollection ---------------------------------------------------------------------

TLayerCollection::TLayerCollection(QObject* AOwner) : FOwner(AOwner) {}

TLayerCollection::~TLayerCollection()
{
    // The owner is going too: nothing is announced any more.
    OnChanging = nullptr;
    OnChange = nullptr;
    OnGDIUpdate = nullptr;
    Clear();
}

TCustomLayer* TLayerCollection::Items(int32_t Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format("List index out of bounds (%d)", Index));
    return FItems[size_t(Index)];
}

int32_t TLayerCollection::IndexOf(const TCustomLayer* Layer) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), Layer);
    return it == FItems.end() ? -1 : int32_t(it - FItems.begin());
}

void TLayerCollection::SetMouseListener(TCustomLayer* Layer)
{
    if (!Layer || IndexOf(Layer) >= 0)
        FMouseListener = Layer;
}

void TLayerCollection::Insert(TCustomLayer* Layer)
{
    if (!Layer || IndexOf(Layer) >= 0)
        return;
    if (Layer->FLayerCollection)
        Layer->FLayerCollection->Remove(Layer);
    BeginUpdate();
    Layer->FLayerCollection = this;
    FItems.push_back(Layer);
    if (OnListNotify)
        OnListNotify(this, lnLayerAdded, Layer, Count() - 1);
    EndUpdate();
}

void TLayerCollection::Remove(TCustomLayer* Layer)
{
    const int32_t index = IndexOf(Layer);
    if (index < 0)
        return;
    BeginUpdate();
    FItems.erase(FItems.begin() + index);
    Layer->FLayerCollection = nullptr;
    if (FMouseListener == Layer)
        FMouseListener = nullptr;
    if (OnListNotify && !FClearing)
        OnListNotify(this, lnLayerDeleted, Layer, index);
    EndUpdate();
}

void TLayerCollection::MoveItem(TCustomLayer* Layer, int32_t NewIndex)
{
    const int32_t index = IndexOf(Layer);
    if (index < 0 || NewIndex == index)
        return;
    FItems.erase(FItems.begin() + index);
    FItems.insert(FItems.begin() + NewIndex, Layer);
}

void TLayerCollection::Clear()
{
    if (FItems.empty())
        return;
    BeginUpdate();
    FClearing = true;
    while (!FItems.empty())
        delete FItems.back();
    FClearing = false;
    FMouseListener = nullptr;
    if (OnListNotify)
        OnListNotify(this, lnCleared, nullptr, -1);
    EndUpdate();
}

void TLayerCollection::Assign(const TPersistent* Source)
{
    const auto* source = dynamic_cast<const TLayerCollection*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this)
        return;
    BeginUpdate();
    try {
        Clear();
        for (TCustomLayer* layer : source->FItems)
            layer->CreateLike(this)->Assign(layer);
    } catch (...) {
        EndUpdate();
        throw;
    }
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

void TLayerCollection::Changing()
{
    if (FUpdateCount == 0 && OnChanging)
        OnChanging(this);
}

void TLayerCollection::Changed()
{
    if (FUpdateCount == 0 && OnChange)
        OnChange(this);
}

void TLayerCollection::GDIUpdate()
{
    if (FUpdateCount == 0 && OnGDIUpdate)
        OnGDIUpdate(this);
}

void TLayerCollection::LayerUpdated(TCustomLayer* Layer)
{
    if (OnLayerUpdated)
        OnLayerUpdated(this, Layer);
}

void TLayerCollection::AreaUpdated(const TRect& Area, uint32_t Info)
{
    if (OnAreaUpdated)
        OnAreaUpdated(this, Area, Info);
}

TCustomLayer* TLayerCollection::LayerAt(int32_t X, int32_t Y, uint32_t OptionMask) const
{
    for (auto it = FItems.rbegin(); it != FItems.rend(); ++it)
        if (((*it)->LayerOptions() & OptionMask) != 0 && (*it)->HitTest(X, Y))
            return *it;
    return nullptr;
}

TCustomLayer* TLayerCollection::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    TCustomLayer* target = FMouseListener ? FMouseListener : LayerAt(X, Y, LOB_MOUSE_EVENTS);
    if (target && target != FMouseListener && !(target->LayerOptions() & LOB_NO_CAPTURE))
        FMouseListener = target;
    // A layer that does not take the capture still hears its own press, as it hears the release.
    if (target) {
        target->LayerStates |= ButtonStateBit(Button);
        target->MouseDown(Button, Shift, X, Y);
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
    if (FMouseListener && (FMouseListener->LayerStates & ButtonStates) == 0)
        FMouseListener = nullptr;
    return target;
}

void TLayerCollection::GetViewportScale(float& ScaleX, float& ScaleY) const
{
    ScaleX = 1.0f;
    ScaleY = 1.0f;
    if (OnGetViewportScale)
        OnGetViewportScale(const_cast<TLayerCollection*>(this), ScaleX, ScaleY);
}

void TLayerCollection::GetViewportShift(float& ShiftX, float& ShiftY) const
{
    ShiftX = 0;
    ShiftY = 0;
    if (OnGetViewportShift)
        OnGetViewportShift(const_cast<TLayerCollection*>(this), ShiftX, ShiftY);
}

} // namespace qm
