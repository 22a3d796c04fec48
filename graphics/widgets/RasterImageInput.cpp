// The paint box's input and appearance beyond painting: keys, the wheel and the context menu,
// drag and drop between the program's controls, the colour with its parent, hints and the
// tab stop, each mapped from the toolkit event it stands for.
#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QVariant>
#include <QWheelEvent>

#include "graphics/widgets/RasterImage.h"
#include "platform/AnsiString.h"

namespace qm {

namespace {

// The marker of a drag started by one of the program's paint boxes.
constexpr const char* DragMimeType = "application/x-quillmart-control-drag";
// The paint box whose drag is running, if any.
QPointer<TCustomPaintBox32> CurrentDragSource;

// A toolkit colour as a TColor ($00BBGGRR).
TColor TColorOf(const QColor& C)
{
    return TColor(C.red() | C.green() << 8 | C.blue() << 16);
}

} // namespace

uint16_t VirtualKeyOf(const QKeyEvent& Event)
{
    const int key = Event.key();
    const bool keypad = Event.modifiers() & Qt::KeypadModifier;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return uint16_t('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return uint16_t(keypad ? 0x60 + (key - Qt::Key_0) : '0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return uint16_t(0x70 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0x09;
    case Qt::Key_Clear:
        return 0x0C;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_Shift:
        return 0x10;
    case Qt::Key_Control:
        return 0x11;
    case Qt::Key_Alt:
        return 0x12;
    case Qt::Key_Pause:
        return 0x13;
    case Qt::Key_CapsLock:
        return 0x14;
    case Qt::Key_Escape:
        return 0x1B;
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    case Qt::Key_Print:
        return 0x2C;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    case Qt::Key_Help:
        return 0x2F;
    case Qt::Key_Meta:
        return 0x5B;
    case Qt::Key_Menu:
        return 0x5D;
    case Qt::Key_Asterisk:
        return keypad ? 0x6A : 0;
    case Qt::Key_Plus:
        return keypad ? 0x6B : 0xBB;
    case Qt::Key_Minus:
        return keypad ? 0x6D : 0xBD;
    case Qt::Key_Period:
        return keypad ? 0x6E : 0xBE;
    case Qt::Key_Slash:
        return keypad ? 0x6F : 0xBF;
    case Qt::Key_NumLock:
        return 0x90;
    case Qt::Key_ScrollLock:
        return 0x91;
    case Qt::Key_Comma:
        return 0xBC;
    case Qt::Key_Semicolon:
        return 0xBA;
    case Qt::Key_Equal:
        return 0xBB;
    case Qt::Key_QuoteLeft:
        return 0xC0;
    case Qt::Key_BracketLeft:
        return 0xDB;
    case Qt::Key_Backslash:
        return 0xDC;
    case Qt::Key_BracketRight:
        return 0xDD;
    case Qt::Key_Apostrophe:
        return 0xDE;
    default:
        return 0;
    }
}

bool TypedCharOf(const QKeyEvent& Event, char& Key)
{
    const AnsiString text = FromQString(Event.text());
    if (text.size() != 1 || Event.key() == Qt::Key_Delete)
        return false;
    const auto code = static_cast<unsigned char>(text[0]);
    // Ctrl or Alt with a letter or digit types nothing beyond the control characters.
    if (code == 0x7F || (code >= 32 && (Event.modifiers() & (Qt::ControlModifier | Qt::AltModifier))))
        return false;
    Key = text[0];
    return true;
}

// ---- Colour, hints and focus ----------------------------------------------------------------

void TCustomPaintBox32::SetColor(TColor Value)
{
    FParentColor = false;
    ApplyColor(Value);
}

void TCustomPaintBox32::ApplyColor(TColor Value)
{
    const bool changed = Value != FColor;
    FColor = Value;
    ColorChanged(changed);
    // Child paint boxes that follow this one's colour.
    for (QObject* child : children())
        if (auto* box = qobject_cast<TCustomPaintBox32*>(child); box && box->FParentColor)
            box->AdoptParentColor();
}

void TCustomPaintBox32::ColorChanged(bool)
{
    InvalidateControl();
}

void TCustomPaintBox32::SetParentColor(bool Value)
{
    FParentColor = Value;
    if (Value)
        AdoptParentColor();
}

void TCustomPaintBox32::AdoptParentColor()
{
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    if (auto* box = qobject_cast<TCustomPaintBox32*>(parent))
        ApplyColor(box->Color());
    else
        ApplyColor(TColorOf(parent->palette().color(parent->backgroundRole())));
}

AnsiString TCustomPaintBox32::Hint() const
{
    return FromQString(toolTip());
}

void TCustomPaintBox32::SetHint(const AnsiString& Value)
{
    setToolTip(ToQString(Value));
}

bool TCustomPaintBox32::ShowHint() const
{
    if (!FParentShowHint)
        return FShowHint;
    for (QWidget* parent = parentWidget(); parent; parent = parent->parentWidget()) {
        if (auto* box = qobject_cast<TCustomPaintBox32*>(parent))
            return box->ShowHint();
        const QVariant show = parent->property("ShowHint");
        if (show.isValid())
            return show.toBool();
    }
    return true;
}

void TCustomPaintBox32::SetShowHint(bool Value)
{
    FShowHint = Value;
    FParentShowHint = false;
}

void TCustomPaintBox32::SetParentShowHint(bool Value)
{
    if (Value == FParentShowHint)
        return;
    if (!Value)
        FShowHint = ShowHint(); // keeps what it showed until set otherwise
    FParentShowHint = Value;
}

bool TCustomPaintBox32::TabStop() const
{
    return (focusPolicy() & Qt::TabFocus) != 0;
}

void TCustomPaintBox32::SetTabStop(bool Value)
{
    const int policy = focusPolicy();
    setFocusPolicy(Qt::FocusPolicy(Value ? policy | Qt::TabFocus : policy & ~Qt::TabFocus));
}

TCustomPaintBox32::~TCustomPaintBox32()
{
    FRepaintOptimizer.reset();
    FBuffer->OnAreaChanged = nullptr;
}

TRect TCustomPaintBox32::GetViewportRect() const
{
    return {0, 0, width(), height()};
}

// ---- Keys, wheel and context menu -----------------------------------------------------------

void TCustomPaintBox32::keyPressEvent(QKeyEvent* Event)
{
    bool taken = false;
    uint16_t key = VirtualKeyOf(*Event);
    if (key != 0 && OnKeyDown) {
        OnKeyDown(this, key, ShiftStateOf(Event->modifiers()));
        taken = key == 0;
    }
    char ch;
    if (TypedCharOf(*Event, ch) && OnKeyPress) {
        OnKeyPress(this, ch);
        taken = taken || ch == 0;
    }
    if (taken)
        Event->accept();
    else
        QWidget::keyPressEvent(Event);
}

void TCustomPaintBox32::keyReleaseEvent(QKeyEvent* Event)
{
    // A held key repeats its press only, as the release comes once.
    uint16_t key = VirtualKeyOf(*Event);
    if (key != 0 && !Event->isAutoRepeat() && OnKeyUp) {
        OnKeyUp(this, key, ShiftStateOf(Event->modifiers()));
        if (key == 0) {
            Event->accept();
            return;
        }
    }
    QWidget::keyReleaseEvent(Event);
}

bool TCustomPaintBox32::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, const TPoint& MousePos)
{
    bool handled = false;
    if (OnMouseWheel)
        OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
    if (!handled) {
        if (WheelDelta < 0 && OnMouseWheelDown)
            OnMouseWheelDown(this, Shift, MousePos, handled);
        else if (WheelDelta > 0 && OnMouseWheelUp)
            OnMouseWheelUp(this, Shift, MousePos, handled);
    }
    return handled;
}

void TCustomPaintBox32::wheelEvent(QWheelEvent* Event)
{
    const QPoint global = Event->globalPosition().toPoint();
    const int32_t delta = Event->angleDelta().y() != 0 ? Event->angleDelta().y() : Event->angleDelta().x();
    if (delta != 0 &&
        DoMouseWheel(ShiftStateOf(Event->modifiers(), Event->buttons()), delta, {global.x(), global.y()}))
        Event->accept();
    else
        QWidget::wheelEvent(Event);
}

void TCustomPaintBox32::contextMenuEvent(QContextMenuEvent* Event)
{
    if (PopupMenu) {
        PopupMenu->popup(Event->globalPos());
        Event->accept();
        return;
    }
    QWidget::contextMenuEvent(Event);
}

// ---- Drag and drop ----------------------------------------------------------------------------

void TCustomPaintBox32::BeginDrag(bool Immediate, int32_t Threshold)
{
    if (FDragging)
        return;
    if (Immediate) {
        StartDragging();
        return;
    }
    FDragPending = true;
    FDragThreshold = Threshold < 0 ? QApplication::startDragDistance() : Threshold;
    FDragStart = mapFromGlobal(QCursor::pos());
}

bool TCustomPaintBox32::DragMouseMove(QMouseEvent* Event)
{
    if (!FDragPending)
        return false;
    if (!(Event->buttons() & Qt::LeftButton)) {
        FDragPending = false;
        return false;
    }
    if ((Event->position().toPoint() - FDragStart).manhattanLength() < FDragThreshold)
        return false;
    StartDragging();
    return true;
}

void TCustomPaintBox32::DragMouseRelease()
{
    FDragPending = false;
}

Qt::DropAction TCustomPaintBox32::ExecDrag(QDrag& Drag)
{
    return Drag.exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
}

void TCustomPaintBox32::StartDragging()
{
    FDragPending = false;
    FDragging = true;
    FDragObject = nullptr;
    FDropTarget = nullptr;
    if (OnStartDrag)
        OnStartDrag(this, FDragObject);
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setData(DragMimeType, QByteArray());
    drag->setMimeData(mime);
    CurrentDragSource = this;
    SetScreenCursor(QCursor(Qt::CursorShape(DragCursor)));
    Qt::DropAction action = Qt::IgnoreAction;
    try {
        action = ExecDrag(*drag);
    } catch (...) {
        CurrentDragSource = nullptr;
        FDragging = false;
        ResetScreenCursor();
        drag->deleteLater();
        throw;
    }
    CurrentDragSource = nullptr;
    FDragging = false;
    ResetScreenCursor();
    QObject* target = nullptr;
    QPoint at;
    if (action != Qt::IgnoreAction) {
        if (FDropTarget) {
            target = FDropTarget;
            at = FDropPos;
        } else if (auto* widget = qobject_cast<QWidget*>(drag->target())) {
            target = widget;
            at = widget->mapFromGlobal(QCursor::pos());
        }
    }
    drag->deleteLater();
    FDropTarget = nullptr;
    if (OnEndDrag)
        OnEndDrag(this, target, at.x(), at.y());
}

// Offers a drag of one of the program's controls to OnDragOver; true when it is accepted.
bool TCustomPaintBox32::HandleDragOver(QDropEvent* Event, TDragState State)
{
    TCustomPaintBox32* source = CurrentDragSource;
    if (!source || !Event->mimeData() || !Event->mimeData()->hasFormat(DragMimeType) || !OnDragOver)
        return false;
    FDragOverSource = source->FDragObject ? source->FDragObject : source;
    bool accept = true;
    const QPoint p = Event->position().toPoint();
    OnDragOver(this, FDragOverSource, p.x(), p.y(), State, accept);
    FDragAccepted = accept;
    return true;
}

void TCustomPaintBox32::dragEnterEvent(QDragEnterEvent* Event)
{
    // Taken on entering whatever the answer, so that every later move is asked again.
    if (HandleDragOver(Event, dsDragEnter))
        Event->acceptProposedAction();
    else
        Event->ignore();
}

void TCustomPaintBox32::dragMoveEvent(QDragMoveEvent* Event)
{
    if (HandleDragOver(Event, dsDragMove) && FDragAccepted)
        Event->acceptProposedAction();
    else
        Event->ignore();
}

void TCustomPaintBox32::dragLeaveEvent(QDragLeaveEvent* Event)
{
    if (FDragOverSource && OnDragOver) {
        bool accept = false;
        const QPoint p = mapFromGlobal(QCursor::pos());
        OnDragOver(this, FDragOverSource, p.x(), p.y(), dsDragLeave, accept);
    }
    FDragOverSource = nullptr;
    FDragAccepted = false;
    QWidget::dragLeaveEvent(Event);
}

void TCustomPaintBox32::dropEvent(QDropEvent* Event)
{
    TCustomPaintBox32* source = CurrentDragSource;
    const bool ours = source && Event->mimeData() && Event->mimeData()->hasFormat(DragMimeType);
    if (!ours || !FDragAccepted) {
        FDragOverSource = nullptr;
        Event->ignore();
        return;
    }
    QObject* from = source->FDragObject ? source->FDragObject : source;
    const QPoint p = Event->position().toPoint();
    source->FDropTarget = this;
    source->FDropPos = p;
    FDragOverSource = nullptr;
    FDragAccepted = false;
    Event->acceptProposedAction();
    if (OnDragDrop)
        OnDragDrop(this, from, p.x(), p.y());
}

} // namespace qm
