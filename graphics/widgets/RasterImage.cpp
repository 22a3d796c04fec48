#include "graphics/widgets/RasterImage.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QToolTip>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>
#include <optional>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "graphics/RasterResamplers.h"
#include "platform/Exception.h"

namespace qm {

namespace {

TRect Normalized(TRect R)
{
    if (R.Left > R.Right)
        std::swap(R.Left, R.Right);
    if (R.Top > R.Bottom)
        std::swap(R.Top, R.Bottom);
    return R;
}

// The part of R inside Bounds as a toolkit rectangle (empty when none). Clipping comes
// first: the toolkit's rectangles overflow near the ends of the integer range.
QRect ToQRect(const TRect& R, const TRect& Bounds)
{
    TRect r;
    if (!IntersectRects(r, Normalized(R), Bounds))
        return QRect();
    return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

// Round to nearest, halves to even, saturated to 32 bits.
int32_t RoundEven(double v)
{
    v = std::nearbyint(v);
    if (!(v == v))
        return 0;
    return int32_t(std::clamp(v, double(INT32_MIN), double(INT32_MAX)));
}

// The dotted outline of a focus rectangle: every other pixel of the outline inverted.
void DrawFocusRect(TBitmap32& Dest, const TRect& R)
{
    if (IsRectEmpty32(R))
        return;
    auto invert = [&](int32_t x, int32_t y) {
        if (((x + y) & 1) == 0 && PointInRect(Dest.ClipRect(), {x, y}))
            Dest.PixelAt(x, y) ^= 0x00FFFFFF;
    };
    for (int32_t x = R.Left; x < R.Right; ++x) {
        invert(x, R.Top);
        if (R.Bottom - 1 > R.Top)
            invert(x, R.Bottom - 1);
    }
    for (int32_t y = R.Top + 1; y < R.Bottom - 1; ++y) {
        invert(R.Left, y);
        if (R.Right - 1 > R.Left)
            invert(R.Right - 1, y);
    }
    Dest.NotifyAreaChanged(R, AREAINFO_RECT);
}

// Posted to a paint box whose optimiser has areas to repaint.
const QEvent::Type CustomRepaintEvent = QEvent::Type(QEvent::registerEventType());

// The box around the rectangles' parts inside Bounds.
QRect BoundingBox(const TRectList& Rects, const TRect& Bounds)
{
    QRect box;
    for (int32_t i = 0; i < Rects.Count(); ++i)
        box |= ToQRect(*Rects.Items(i), Bounds);
    return box;
}

// One row of the buffer into a screen image of 32-bit pixels with alpha: as opaque colour,
// whatever the buffer's alpha bytes hold.
void CopyRowOpaque(const TColor32* S, uint32_t* D, int32_t Count)
{
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128i alpha = _mm_set1_epi32(int32_t(0xFF000000u));
    for (; i + 8 <= Count; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(S + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(S + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(D + i), _mm_or_si128(a, alpha));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(D + i + 4), _mm_or_si128(b, alpha));
    }
#endif
    for (; i < Count; ++i)
        D[i] = S[i] | 0xFF000000u;
}

// Copies parts of a paint box's buffer to the screen during its paint event. Where the
// toolkit paints into an image of its own with 32-bit pixels, one per control pixel, and the
// control is only moved in it, the rows go straight into that image, inside the area being
// painted: a drawing call per rectangle costs more than the copy itself when there are
// hundreds of small ones. Otherwise the painter copies.
class TScreenCopy {
public:
    TScreenCopy(QWidget& Control, const TBitmap32& Buffer) : FPainter(&Control), FBuffer(Buffer)
    {
        FPainter.setCompositionMode(QPainter::CompositionMode_Source);
        QPaintEngine* engine = FPainter.paintEngine();
        if (!engine || engine->type() != QPaintEngine::Raster || FPainter.hasClipping())
            return;
        QPaintDevice* device = engine->paintDevice();
        if (!device || device->devType() != QInternal::Image)
            return;
        auto* image = static_cast<QImage*>(device);
        const QImage::Format format = image->format();
        if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
             format != QImage::Format_ARGB32_Premultiplied) ||
            image->devicePixelRatio() != 1.0)
            return;
        const QTransform t = FPainter.deviceTransform();
        if (t.type() > QTransform::TxTranslate || t.dx() != std::trunc(t.dx()) ||
            t.dy() != std::trunc(t.dy()) || std::abs(t.dx()) > 1e6 || std::abs(t.dy()) > 1e6)
            return;
        // The area being painted, in a few pieces where opaque controls lie over this one.
        const QRegion clip = engine->systemClip();
        if (clip.rectCount() < 1 || clip.rectCount() > 16)
            return;
        FOffset = QPoint(int(t.dx()), int(t.dy()));
        const QRect own = image->rect() & QRect(FOffset, Control.size());
        for (const QRect& r : clip)
            if (const QRect allowed = r & own; !allowed.isEmpty())
                FAllowed.push_back(allowed);
        FTarget = image;
        // The painter writes the same pixels without taking a copy of the image first.
        FBits = const_cast<uchar*>(std::as_const(*image).constBits());
        FStride = image->bytesPerLine();
        // A screen image without alpha takes the rows as they are, as the painter would copy
        // them; one with alpha gets them opaque.
        FPlain = format == QImage::Format_RGB32;
    }

    // R in control coordinates.
    void Copy(const TRect& R)
    {
        const QRect r = ToQRect(R, FBuffer.BoundsRect());
        if (!FTarget) {
            // The buffer's pixels as opaque colour, whatever their alpha bytes hold.
            const auto* data = reinterpret_cast<const uchar*>(FBuffer.PixelData());
            if (FSource.constBits() != data || FSource.width() != FBuffer.Width ||
                FSource.height() != FBuffer.Height)
                FSource = QImage(data, FBuffer.Width, FBuffer.Height, qsizetype(FBuffer.Width) * 4,
                                 QImage::Format_RGB32);
            FPainter.drawImage(r.topLeft(), FSource, r);
            return;
        }
        for (const QRect& allowed : FAllowed) {
            const QRect d = r.translated(FOffset) & allowed;
            if (d.isEmpty())
                continue;
            const TColor32* s = FBuffer.PixelAddress(d.left() - FOffset.x(), d.top() - FOffset.y());
            uchar* row = FBits + d.top() * FStride + qsizetype(d.left()) * 4;
            for (int y = d.top(); y <= d.bottom(); ++y, s += FBuffer.Width, row += FStride) {
                if (FPlain)
                    std::memcpy(row, s, size_t(d.width()) * 4);
                else
                    CopyRowOpaque(s, reinterpret_cast<uint32_t*>(row), d.width());
            }
        }
    }

private:
    QPainter FPainter;
    const TBitmap32& FBuffer;
    QImage FSource;
    QImage* FTarget = nullptr;
    uchar* FBits = nullptr;
    qsizetype FStride = 0;
    QPoint FOffset;
    std::vector<QRect> FAllowed; // in the image
    bool FPlain = false;
};

} // namespace

// ---- TCustomPaintBox32 --------------------------------------------------------------------

TCustomPaintBox32::TCustomPaintBox32(QWidget* Parent) : QWidget(Parent)
{
    FBuffer = std::make_unique<TBitmap32>();
    FInvalidRects = std::make_unique<TRectList>();
    FRepaintOptimizer = std::make_unique<TMicroTilesRepaintOptimizer>(FBuffer.get(), FInvalidRects.get());
    // The buffer covers every pixel, so the toolkit never erases the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Drags of the program's own controls are offered to OnDragOver; others pass on.
    setAcceptDrops(true);
    resize(192, 192);
}

void TCustomPaintBox32::InvalidateState()
{
    BufferValid = false;
}

void TCustomPaintBox32::InvalidateControl()
{
    InvalidateState();
    if (FRepaintOptimizer->Enabled() && !PartialInvalidate)
        ForceFullRepaint = true;
    if (NeedsCustomRepaint()) {
        // Many changes may follow before the queue is empty; one paint takes them all.
        if (!FRepaintPosted) {
            FRepaintPosted = true;
            QCoreApplication::postEvent(this, new QEvent(CustomRepaintEvent));
        }
        return;
    }
    update();
}

void TCustomPaintBox32::CustomRepaint()
{
    FRepaintPosted = false;
    if (!NeedsCustomRepaint()) {
        if (!BufferValid)
            update();
        return;
    }
    CollectInvalidRects();
    if (FInvalidRects->Count() == 0) {
        // Nothing to repaint (the changes fell wholly outside the buffer), or everything: the
        // optimiser's coarsest level keeps its updates pending for a whole repaint.
        if (FRepaintOptimizer->UpdatesAvailable()) {
            ForceFullRepaint = true;
            update();
        }
        return;
    }
    // What paints over the copy must find the whole control fresh under it.
    if (!isVisible() || HasOverlay()) {
        // Hidden, nothing reaches the screen now: showing repaints everything.
        FInvalidRects->Clear();
        ForceFullRepaint = true;
        update();
        return;
    }
    // The toolkit is asked to repaint the box around the rectangles: a region of hundreds
    // of pieces costs it more to build and to clip to than the copies themselves. Only the
    // rectangles are painted and copied; the rest of the box keeps what the screen showed.
    FRequestedRect = BoundingBox(*FInvalidRects, GetViewportRect());
    if (FRequestedRect.isEmpty()) {
        FInvalidRects->Clear();
        return;
    }
    repaint(FRequestedRect);
    FRequestedRect = QRect();
}

void TCustomPaintBox32::ForceFullInvalidate()
{
    if (FRepaintOptimizer->Enabled())
        FRepaintOptimizer->Reset();
    ForceFullRepaint = true;
    InvalidateControl();
}

void TCustomPaintBox32::Loaded()
{
    BufferValid = false;
}

void TCustomPaintBox32::SetRepaintMode(TRepaintMode Mode)
{
    switch (Mode) {
    case rmDirect:
        FBuffer->OnAreaChanged = [this](TObject* Sender, const TRect& Area, uint32_t Info) {
            DirectAreaUpdateHandler(Sender, Area, Info);
        };
        break;
    case rmOptimizer:
        if (!qobject_cast<TCustomImage32*>(this)) {
            FBuffer->OnAreaChanged = [this](TObject* Sender, const TRect& Area, uint32_t Info) {
                FRepaintOptimizer->AreaUpdateHandler(Sender, Area, Info);
            };
            break;
        }
        [[fallthrough]];
    default:
        FBuffer->OnAreaChanged = nullptr;
        break;
    }
    FRepaintOptimizer->SetEnabled(Mode == rmOptimizer);
    FRepaintMode = Mode;
    InvalidateControl();
}

void TCustomPaintBox32::DirectAreaUpdateHandler(TObject*, const TRect& Area, uint32_t)
{
    FInvalidRects->Add(Normalized(Area));
    if (!FPainting)
        RepaintInvalidRects();
}

void TCustomPaintBox32::RepaintInvalidRects()
{
    if (FPainting)
        return;
    InvalidateState();
    if (!isVisible()) {
        // Nothing reaches the screen now; the next paint (on showing) repaints everything.
        FInvalidRects->Clear();
        update();
        return;
    }
    QRegion region;
    for (int32_t i = 0; i < FInvalidRects->Count(); ++i)
        region += ToQRect(*FInvalidRects->Items(i), GetViewportRect());
    if (!region.isEmpty())
        repaint(region);
}

bool TCustomPaintBox32::NeedsCustomRepaint()
{
    return FRepaintOptimizer->Enabled() && !ForceFullRepaint && FRepaintOptimizer->UpdatesAvailable();
}

void TCustomPaintBox32::CollectInvalidRects()
{
    if (FRepaintOptimizer->Enabled() && !ForceFullRepaint)
        FRepaintOptimizer->PerformOptimization();
}

void TCustomPaintBox32::PaintBuffer()
{
    if (ForceFullRepaint) {
        ForceFullRepaint = false;
        FInvalidRects->Clear();
    } else {
        CollectInvalidRects();
    }
    BufferValid = true;
}

void TCustomPaintBox32::PaintOverlay()
{
    if (OnGDIOverlay)
        OnGDIOverlay(this);
}

void TCustomPaintBox32::paintEvent(QPaintEvent* Event)
{
    // A paint for more than the pending rectangles (the control shown or uncovered) must
    // bring the whole viewport: forget them so that everything is painted and copied.
    if (FRepaintOptimizer->Enabled()) {
        if (FRequestedRect.isEmpty() || !(Event->region() - QRegion(FRequestedRect)).isEmpty()) {
            FInvalidRects->Clear();
            BufferValid = false;
            ForceFullRepaint = true;
        }
    } else if (FInvalidRects->Count() > 0) {
        QRegion pending;
        for (int32_t i = 0; i < FInvalidRects->Count(); ++i)
            pending += ToQRect(*FInvalidRects->Items(i), GetViewportRect());
        if (!(Event->region() - pending).isEmpty()) {
            FInvalidRects->Clear();
            BufferValid = false;
        }
    }
    FPainting = true;
    try {
        PaintControl();
    } catch (...) {
        FPainting = false;
        throw;
    }
    FPainting = false;
}

void TCustomPaintBox32::PaintControl()
{
    if (FRepaintOptimizer->Enabled())
        FRepaintOptimizer->BeginPaint();
    std::optional<TScreenCopy> screen;
    if (!FBuffer->IsEmpty())
        screen.emplace(*this, *FBuffer);
    // The buffer is locked while it is copied.
    auto copy = [&](const TRect& R) {
        std::lock_guard<std::recursive_mutex> guard(FBuffer->Lock);
        ++FBuffer->LockCount;
        screen->Copy(R);
        --FBuffer->LockCount;
    };
    int32_t copied = 0;
    if (!BufferValid) {
        // A rectangle is copied as soon as it is painted, while its pixels are still at hand.
        if (screen)
            FRectPainted = [&](const TRect& R) {
                copy(R);
                ++copied;
            };
        try {
            PaintBuffer();
        } catch (...) {
            FRectPainted = nullptr;
            throw;
        }
        FRectPainted = nullptr;
    }
    if (screen && (copied == 0 || copied != FInvalidRects->Count())) {
        if (FInvalidRects->Count() == 0)
            copy(GetViewportRect());
        for (int32_t i = 0; i < FInvalidRects->Count(); ++i)
            copy(*FInvalidRects->Items(i));
    }
    screen.reset();
    PaintOverlay();
    if (FRepaintOptimizer->Enabled())
        FRepaintOptimizer->EndPaint();
    FInvalidRects->Clear();
    ForceFullRepaint = false;
}

void TCustomPaintBox32::BufferRectPainted(const TRect& R)
{
    if (FRectPainted)
        FRectPainted(R);
}

void TCustomPaintBox32::ResizeBuffer()
{
    const TRect v = GetViewportRect();
    const int32_t viewW = std::max(0, v.Right - v.Left);
    const int32_t viewH = std::max(0, v.Bottom - v.Top);
    const int32_t oldW = FBuffer->Width, oldH = FBuffer->Height;
    auto follow = [this](int32_t view, int32_t buffer) {
        int32_t size = buffer;
        if (buffer < view)
            size = view + BufferOversize;
        else if (view < buffer - BufferOversize)
            size = view;
        return std::max(size, 1);
    };
    const int32_t newW = follow(viewW, oldW), newH = follow(viewH, oldH);
    if (newW == oldW && newH == oldH)
        return;
    {
        std::lock_guard<std::recursive_mutex> guard(FBuffer->Lock);
        FBuffer->SetSize(newW, newH);
    }
    BufferResized(oldW, oldH);
    ForceFullInvalidate();
}

void TCustomPaintBox32::BufferResized(int32_t, int32_t)
{
    if (FRepaintOptimizer->Enabled())
        FRepaintOptimizer->BufferResizedHandler(FBuffer->Width, FBuffer->Height);
}

void TCustomPaintBox32::resizeEvent(QResizeEvent* Event)
{
    if (OnCanResize && !FInCanResize) {
        int32_t w = Event->size().width(), h = Event->size().height();
        bool resize = true;
        OnCanResize(this, w, h, resize);
        const QSize keep = resize ? QSize(std::max(w, 0), std::max(h, 0)) : Event->oldSize();
        if (keep != Event->size() && keep.isValid()) {
            // The size the handler wants is set at once; its own resize event does the rest.
            FInCanResize = true;
            this->resize(keep);
            FInCanResize = false;
            return;
        }
    }
    // A control stretched far beyond any screen may need a buffer that cannot be had. The
    // buffer is then left empty (the failed size change leaves it 0 x 0), nothing is shown
    // until a later size fits, and the failure does not cross the toolkit's event loop.
    try {
        ResizeBuffer();
    } catch (const EOutOfResources&) {
    }
    BufferValid = false;
    QWidget::resizeEvent(Event);
    if (OnResize)
        OnResize(this);
}

void TCustomPaintBox32::mousePressEvent(QMouseEvent* Event)
{
    if ((Options & pboAutoFocus) && focusPolicy() != Qt::NoFocus && isEnabled())
        setFocus(Qt::MouseFocusReason);
    if (Event->button() == Qt::LeftButton && DragMode == dmAutomatic && !FDragging) {
        BeginDrag(false);
        FDragStart = Event->position().toPoint();
    }
    QWidget::mousePressEvent(Event);
}

void TCustomPaintBox32::mouseMoveEvent(QMouseEvent* Event)
{
    if (DragMouseMove(Event))
        return;
    QWidget::mouseMoveEvent(Event);
}

void TCustomPaintBox32::mouseReleaseEvent(QMouseEvent* Event)
{
    DragMouseRelease();
    QWidget::mouseReleaseEvent(Event);
}

void TCustomPaintBox32::DoMouseEnter()
{
    MouseInControl = true;
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TCustomPaintBox32::DoMouseLeave()
{
    MouseInControl = false;
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TCustomPaintBox32::enterEvent(QEnterEvent* Event)
{
    QWidget::enterEvent(Event);
    DoMouseEnter();
}

void TCustomPaintBox32::leaveEvent(QEvent* Event)
{
    DoMouseLeave();
    QWidget::leaveEvent(Event);
}

// Without WantArrowKeys the arrow keys move the focus, as in a dialog: Down and Right to the
// next control, Up and Left back.
bool TCustomPaintBox32::event(QEvent* Event)
{
    switch (Event->type()) {
    case QEvent::ParentChange:
    case QEvent::PaletteChange:
        if (FParentColor)
            AdoptParentColor();
        break;
    case QEvent::ToolTip:
        if (!ShowHint()) {
            QToolTip::hideText();
            Event->accept();
            return true;
        }
        break;
    default:
        break;
    }
    if (Event->type() == CustomRepaintEvent) {
        CustomRepaint();
        return true;
    }
    if (!(Options & pboWantArrowKeys) && Event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(Event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Left)
            return focusNextPrevChild(false);
        if (key == Qt::Key_Down || key == Qt::Key_Right)
            return focusNextPrevChild(true);
    }
    return QWidget::event(Event);
}

// ---- TPaintStages -------------------------------------------------------------------------

TPaintStage& TPaintStages::Add()
{
    FItems.emplace_back();
    return FItems.back();
}

TPaintStage& TPaintStages::Insert(int32_t Index)
{
    if (Index < 0 || Index > Count())
        throw EListError(Format("List index out of bounds (%d)", Index));
    return *FItems.emplace(FItems.begin() + Index);
}

void TPaintStages::Delete(int32_t Index)
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format("List index out of bounds (%d)", Index));
    FItems.erase(FItems.begin() + Index);
}

// ---- TCustomImage32 -----------------------------------------------------------------------

TCustomImage32::TCustomImage32(QWidget* Parent) : TCustomPaintBox32(Parent)
{
    setMouseTracking(true);
    FBitmap = std::make_unique<TBitmap32>();
    FBitmap->OnResize = [this](TObject*) { AdjustSizeToBitmap(); };
    FLayers = std::make_unique<TLayerCollection>(this);
    // The optimiser hears of every layer change itself, so it knows where to repaint.
    FLayers->OnChange = [this](TObject*) {
        PartialInvalidate = true;
        NotifyChanged();
        PartialInvalidate = false;
    };
    FLayers->OnGDIUpdate = [this](TObject*) { update(); };
    FLayers->OnGetViewportScale = [this](TObject*, float& sx, float& sy) {
        sx = float(CachedScaleX) * FixedToFloat;
        sy = float(CachedScaleY) * FixedToFloat;
    };
    FLayers->OnGetViewportShift = [this](TObject*, float& sx, float& sy) {
        sx = float(CachedShiftX);
        sy = float(CachedShiftY);
    };
    RepaintOptimizer().RegisterLayerCollection(FLayers.get());
    SetRepaintMode(rmFull);
    InitPaintStages();
}

TCustomImage32::~TCustomImage32()
{
    IncUpdateCount();
    FPaintStages.Clear();
    RepaintOptimizer().UnregisterLayerCollection(FLayers.get());
    FLayers.reset();
    // The bitmap reports its last resize as it goes; nobody here listens any more.
    FBitmap->OnResize = nullptr;
    FBitmap->OnAreaChanged = nullptr;
    FBitmap->OnChange = nullptr;
    FBitmap.reset();
}

void TCustomImage32::SetBitmap(const TBitmap32* Value)
{
    InvalidateCache();
    FBitmap->AssignFromSource(Value);
}

void TCustomImage32::SetBitmapAlign(TBitmapAlign Value)
{
    InvalidateCache();
    FBitmapAlign = Value;
    NotifyChanged();
}

void TCustomImage32::SetScale(float Value)
{
    if (Value < 0.001f)
        Value = 0.001f;
    if (Value != FScaleX) {
        InvalidateCache();
        FScaleX = FScaleY = Value;
        NotifyScaleChanged();
        NotifyChanged();
    }
}

void TCustomImage32::SetScaleMode(TScaleMode Value)
{
    if (Value != FScaleMode) {
        InvalidateCache();
        FScaleMode = Value;
        NotifyChanged();
    }
}

void TCustomImage32::ColorChanged(bool Changed)
{
    if (Changed)
        NotifyChanged();
}

bool TCustomImage32::HasOverlay() const
{
    for (int32_t i = 0; i < FLayers->Count(); ++i)
        if (FLayers->Items(i)->LayerOptions() & LOB_GDI_OVERLAY)
            return true;
    return TCustomPaintBox32::HasOverlay();
}

void TCustomImage32::SetAutoSize(bool Value)
{
    if (Value != FAutoSize) {
        FAutoSize = Value;
        if (FAutoSize)
            AdjustSizeToBitmap();
    }
}

void TCustomImage32::NotifyChanged()
{
    if (FUpdateCount == 0) {
        InvalidateControl();
        if (OnChange)
            OnChange(this);
    }
}

void TCustomImage32::NotifyScaleChanged()
{
    if (OnScaleChanged)
        OnScaleChanged(this);
}

void TCustomImage32::HandleBitmapChange(const TRect&)
{
    NotifyChanged();
}

void TCustomImage32::InvalidateCache()
{
    if (RepaintOptimizer().Enabled())
        RepaintOptimizer().Reset();
    CacheValid = false;
}

void TCustomImage32::InvalidateState()
{
    BufferValid = false;
    CacheValid = false;
}

void TCustomImage32::InvalidateControl()
{
    TCustomPaintBox32::InvalidateControl();
}

void TCustomImage32::Loaded()
{
    TCustomPaintBox32::Loaded();
    DoInitStages();
}

void TCustomImage32::DoInitStages()
{
    if (OnInitStages)
        OnInitStages(this);
}

void TCustomImage32::InitPaintStages()
{
    auto add = [this](bool dsgn, bool run, int32_t kind, int32_t parameter = 0) {
        TPaintStage& s = FPaintStages.Add();
        s.DsgnTime = dsgn;
        s.RunTime = run;
        s.Stage = kind;
        s.Parameter = parameter;
    };
    add(true, true, psClearBackground);
    add(true, false, psControlFrame);
    add(true, true, psDrawBitmap);
    add(true, false, psBitmapFrame);
    add(true, true, psDrawLayers, int32_t(LOB_VISIBLE));
}

void TCustomImage32::SetRepaintMode(TRepaintMode Mode)
{
    TCustomPaintBox32::SetRepaintMode(Mode);
    switch (Mode) {
    case rmDirect:
        FBitmap->OnAreaChanged = [this](TObject*, const TRect& Area, uint32_t Info) {
            DirectBitmapAreaChanged(Area, Info);
        };
        FBitmap->OnChange = nullptr;
        break;
    case rmOptimizer:
        FBitmap->OnAreaChanged = [this](TObject*, const TRect& Area, uint32_t Info) {
            OptimizerBitmapAreaChanged(Area, Info);
        };
        FBitmap->OnChange = nullptr;
        break;
    case rmFull:
        FBitmap->OnAreaChanged = nullptr;
        FBitmap->OnChange = [this](TObject*) { BitmapChanged(); };
        break;
    }
}

std::vector<TRect> TCustomImage32::ControlAreas(const TRect& Area)
{
    // The resampler of a scaled bitmap reaches beyond the changed pixels. The area is put in
    // order first: a line drawn right to left or upwards reports its end points reversed,
    // and a reversed rectangle would repaint nothing.
    const int64_t reach = (FBitmap->Resampler() ? int64_t(FBitmap->Resampler()->GetWidth()) : 0) + 1;
    TRect t = Normalized(Area);
    auto grown = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    t = {grown(t.Left - reach), grown(t.Top - reach), grown(t.Right + reach), grown(t.Bottom + reach)};
    const TPoint a = BitmapToControl({t.Left, t.Top});
    const TPoint b = BitmapToControl({t.Right, t.Bottom});
    t = Normalized({a.X, a.Y, b.X, b.Y});

    std::vector<TRect> areas;
    const int32_t tileW = CachedBitmapRect.Right, tileH = CachedBitmapRect.Bottom;
    if (FBitmapAlign == baTile && tileW > 0 && tileH > 0) {
        for (int32_t j = 0; j <= Buffer().Height / tileH; ++j)
            for (int32_t i = 0; i <= Buffer().Width / tileW; ++i) {
                TRect r = t;
                OffsetRectBy(r, i * tileW, j * tileH);
                areas.push_back(r);
            }
    } else {
        areas.push_back(t);
    }
    return areas;
}

void TCustomImage32::DirectBitmapAreaChanged(const TRect& Area, uint32_t)
{
    for (const TRect& r : ControlAreas(Area))
        InvalidRects().Add(r);
    if (FUpdateCount == 0) {
        if (!Painting())
            RepaintInvalidRects();
        if (OnChange)
            OnChange(this);
    }
}

void TCustomImage32::OptimizerBitmapAreaChanged(const TRect& Area, uint32_t)
{
    for (const TRect& r : ControlAreas(Area))
        RepaintOptimizer().AreaUpdateHandler(FBitmap.get(), r, AREAINFO_RECT);
    if (FUpdateCount == 0) {
        PartialInvalidate = true;
        try {
            HandleBitmapChange(Area);
        } catch (...) {
            PartialInvalidate = false;
            throw;
        }
        PartialInvalidate = false;
    }
}

void TCustomImage32::BitmapChanged()
{
    RepaintOptimizer().Reset();
    HandleBitmapChange(FBitmap->BoundsRect());
}

void TCustomImage32::UpdateCache()
{
    if (CacheValid)
        return;
    CacheBitmapRect(GetBitmapRect(), FBitmap->IsEmpty());
}

void TCustomImage32::CacheBitmapRect(const TRect& R, bool Identity)
{
    CachedBitmapRect = R;
    if (Identity) {
        CachedScaleX = CachedScaleY = FixedOne;
        CachedRecScaleX = CachedRecScaleY = FixedOne;
        CachedShiftX = CachedShiftY = 0;
    } else {
        const int32_t w = R.Right - R.Left, h = R.Bottom - R.Top;
        CachedShiftX = R.Left;
        CachedShiftY = R.Top;
        CachedScaleX = MulDiv(w, FixedOne, FBitmap->Width);
        CachedScaleY = MulDiv(h, FixedOne, FBitmap->Height);
        CachedRecScaleX = MulDiv(FBitmap->Width, FixedOne, w);
        CachedRecScaleY = MulDiv(FBitmap->Height, FixedOne, h);
    }
    CacheValid = true;
}

TPoint TCustomImage32::BitmapToControl(const TPoint& P)
{
    UpdateCache();
    // A 64-bit product: bitmap coordinates beyond 32,767 would overflow 32 bits.
    auto map = [](int32_t v, TFixed scale, int32_t shift) {
        return int32_t(std::clamp<int64_t>(int64_t(v) * scale / FixedOne + shift, INT32_MIN, INT32_MAX));
    };
    return {map(P.X, CachedScaleX, CachedShiftX), map(P.Y, CachedScaleY, CachedShiftY)};
}

TSize TCustomImage32::GetBitmapSize()
{
    const int32_t bw = FBitmap->Width, bh = FBitmap->Height;
    if (FBitmap->IsEmpty() || width() == 0 || height() == 0)
        return {};
    const TRect v = GetViewportRect();
    const int32_t vw = v.Right - v.Left, vh = v.Bottom - v.Top;
    TScaleMode mode = FScaleMode;
    if (mode == smOptimal)
        mode = vw < bw || vh < bh ? smResize : smNormal;
    else if (mode == smOptimalScaled)
        mode =
            vw < RoundEven(double(bw) * FScaleX) || vh < RoundEven(double(bh) * FScaleY) ? smResize : smScale;

    TSize s;
    switch (mode) {
    case smNormal:
        s = {bw, bh};
        break;
    case smStretch:
        s = {vw, vh};
        break;
    case smResize: {
        const float rx = float(vw) / float(bw);
        const float ry = float(vh) / float(bh);
        if (rx < ry)
            s = {vw, RoundEven(double(bh) * rx)};
        else
            s = {RoundEven(double(bw) * ry), vh};
        break;
    }
    default:
        s = {RoundEven(double(bw) * FScaleX), RoundEven(double(bh) * FScaleY)};
        break;
    }
    if (s.cx < 1)
        s.cx = 0;
    if (s.cy < 1)
        s.cy = 0;
    return s;
}

TRect TCustomImage32::GetBitmapRect()
{
    if (FBitmap->IsEmpty())
        return {};
    const TSize s = GetBitmapSize();
    TRect r{0, 0, s.cx, s.cy};
    if (FBitmapAlign == baCenter)
        OffsetRectBy(r, (width() - s.cx) / 2, (height() - s.cy) / 2);
    else if (FBitmapAlign == baCustom)
        OffsetRectBy(r, RoundEven(BitmapOffsetX), RoundEven(BitmapOffsetY));
    return r;
}

void TCustomImage32::FitBitmapToControl(bool DoClear, TColor32 ClearColor)
{
    const TRect v = GetViewportRect();
    FBitmap->IncUpdateCount();
    try {
        FBitmap->SetSize(v.Right - v.Left, v.Bottom - v.Top);
        if (DoClear)
            FBitmap->ClearTo(ClearColor);
    } catch (...) {
        FBitmap->DecUpdateCount();
        throw;
    }
    FBitmap->DecUpdateCount();
    InvalidateCache();
    NotifyChanged();
}

void TCustomImage32::AdjustSizeToBitmap()
{
    if (FAutoSize) {
        int32_t w = FBitmap->Width, h = FBitmap->Height;
        if (FScaleMode == smScale) {
            w = RoundEven(double(w) * FScaleX);
            h = RoundEven(double(h) * FScaleY);
        }
        if (w > 0 && h > 0)
            resize(w, h);
    }
    // Inside the image's update brackets as well as outside them.
    if (OnBitmapResize)
        OnBitmapResize(this);
    InvalidateCache();
    ForceFullInvalidate();
}

bool TCustomImage32::CanAutoSize(int32_t& NewWidth, int32_t& NewHeight)
{
    InvalidateCache();
    int32_t w = FBitmap->Width, h = FBitmap->Height;
    if (FScaleMode == smScale) {
        w = RoundEven(double(w) * FScaleX);
        h = RoundEven(double(h) * FScaleY);
    }
    switch (Align) {
    case alNone:
        NewWidth = w;
        NewHeight = h;
        break;
    case alTop:
    case alBottom:
        NewHeight = h;
        break;
    case alLeft:
    case alRight:
        NewWidth = w;
        break;
    default:
        break;
    }
    return true;
}

// ---- Painting -----------------------------------------------------------------------------

bool TCustomImage32::HasInvalidRects()
{
    CollectInvalidRects();
    return InvalidRects().Count() > 0;
}

TPaintStageHandler TCustomImage32::StageHandler(int32_t Kind) const
{
    switch (Kind) {
    case psUser:
        return &TCustomImage32::DoPaintStage;
    case psClearBuffer:
        return &TCustomImage32::ClearBufferToColor;
    case psClearBackground:
        return &TCustomImage32::PaintBackgroundAroundBitmap;
    case psDrawBitmap:
        return &TCustomImage32::PaintBitmap;
    case psDrawLayers:
        return &TCustomImage32::PaintLayers;
    case psControlFrame:
        return &TCustomImage32::PaintControlFrame;
    case psBitmapFrame:
        return &TCustomImage32::PaintFocusRect;
    default:
        return nullptr;
    }
}

void TCustomImage32::CompileStages()
{
    FStageHandlers.clear();
    FStageIndices.clear();
    for (int32_t i = 0; i < FPaintStages.Count(); ++i) {
        const TPaintStage& s = FPaintStages[i];
        if (!s.RunTime)
            continue;
        if (const TPaintStageHandler handler = StageHandler(s.Stage)) {
            FStageHandlers.push_back(handler);
            FStageIndices.push_back(uint32_t(i));
        }
    }
}

void TCustomImage32::PaintBuffer()
{
    if (RepaintOptimizer().Enabled())
        RepaintOptimizer().BeginPaintBuffer();
    UpdateCache();

    CompileStages();
    // A handler may change the stages; the ones compiled for this paint run.
    const std::vector<TPaintStageHandler> handlers = FStageHandlers;
    const std::vector<uint32_t> indices = FStageIndices;
    auto runStages = [&](TBitmap32& buffer) {
        for (size_t k = 0; k < handlers.size(); ++k)
            (this->*handlers[k])(buffer, indices[k]);
    };

    TBitmap32& buffer = Buffer();
    buffer.IncUpdateCount();
    try {
        if (InvalidRects().Count() > 0) {
            for (int32_t i = 0; i < InvalidRects().Count(); ++i) {
                buffer.SetClipRect(*InvalidRects().Items(i));
                FPaintingRect = i;
                runStages(buffer);
                BufferRectPainted(*InvalidRects().Items(i));
            }
            FPaintingRect = -1;
            buffer.SetClipRect(GetViewportRect());
        } else {
            buffer.SetClipRect(GetViewportRect());
            runStages(buffer);
        }
    } catch (...) {
        FPaintingRect = -1;
        buffer.DecUpdateCount();
        throw;
    }
    buffer.DecUpdateCount();
    if (RepaintOptimizer().Enabled())
        RepaintOptimizer().EndPaintBuffer();
    BufferValid = true;
}

void TCustomImage32::ClearBufferToColor(TBitmap32& Dest, uint32_t)
{
    Dest.ClearTo(ColorToColor32(Color()));
}

void TCustomImage32::PaintBackgroundAroundBitmap(TBitmap32& Dest, uint32_t)
{
    if (InvalidRects().Count() > 0) {
        // Painting the buffer for one of the rectangles, the clip is that rectangle: of all
        // the others only what lies inside it would be filled, which it covers itself.
        if (FPaintingRect >= 0 && FPaintingRect < InvalidRects().Count() && &Dest == &Buffer()) {
            const TRect r = *InvalidRects().Items(FPaintingRect);
            const TRect b = CachedBitmapRect;
            // An opaque bitmap replaces every pixel it covers: only the parts of the rectangle
            // around it need the colour, none when it lies inside (the usual case, so the
            // colour is not even looked up).
            const bool opaqueBitmap = !FBitmap->IsEmpty() && FBitmap->DrawMode() == dmOpaque &&
                                      FBitmapAlign != baTile && !IsRectEmpty32(b);
            if (opaqueBitmap && r.Left >= b.Left && r.Top >= b.Top && r.Right <= b.Right &&
                r.Bottom <= b.Bottom)
                return;
            const TColor32 c = ColorToColor32(Color());
            if (!opaqueBitmap) {
                Dest.FillRectClippedByRect(r, c);
                return;
            }
            Dest.FillRectClipped(r.Left, r.Top, r.Right, std::min(r.Bottom, b.Top), c);
            Dest.FillRectClipped(r.Left, std::max(r.Top, b.Bottom), r.Right, r.Bottom, c);
            const int32_t top = std::max(r.Top, b.Top), bottom = std::min(r.Bottom, b.Bottom);
            Dest.FillRectClipped(r.Left, top, std::min(r.Right, b.Left), bottom, c);
            Dest.FillRectClipped(std::max(r.Left, b.Right), top, r.Right, bottom, c);
            return;
        }
        const TColor32 c = ColorToColor32(Color());
        for (int32_t i = 0; i < InvalidRects().Count(); ++i)
            Dest.FillRectClippedByRect(*InvalidRects().Items(i), c);
        return;
    }
    const TColor32 c = ColorToColor32(Color());
    if (FBitmap->IsEmpty() || FBitmap->DrawMode() != dmOpaque) {
        Dest.ClearTo(c);
        return;
    }
    const TRect r = CachedBitmapRect;
    const int32_t w = width(), h = height();
    if (r.Left < 1 && r.Right >= w && r.Top < 1 && (r.Bottom >= h || FBitmapAlign == baTile))
        return;
    Dest.FillRectClipped(0, 0, w, r.Top, c);
    Dest.FillRectClipped(0, r.Bottom, w, h, c);
    Dest.FillRectClipped(0, r.Top, r.Left, r.Bottom, c);
    Dest.FillRectClipped(r.Right, r.Top, w, r.Bottom, c);
}

void TCustomImage32::PaintControlFrame(TBitmap32& Dest, uint32_t)
{
    DrawFocusRect(Dest, GetViewportRect());
}

void TCustomImage32::PaintFocusRect(TBitmap32& Dest, uint32_t)
{
    DrawFocusRect(Dest, CachedBitmapRect);
}

void TCustomImage32::DoPaintStage(TBitmap32& Dest, uint32_t StageNum)
{
    if (OnPaintStage)
        OnPaintStage(this, Dest, StageNum);
}

void TCustomImage32::PaintBitmap(TBitmap32& Dest, uint32_t)
{
    const TRect r = CachedBitmapRect;
    if (FBitmap->IsEmpty() || IsRectEmpty32(r))
        return;
    std::lock_guard<std::recursive_mutex> guard(FBitmap->Lock);
    ++FBitmap->LockCount;
    struct Unlock {
        TBitmap32& b;
        ~Unlock() { --b.LockCount; }
    } unlock{*FBitmap};
    if (FBitmapAlign == baTile && r.Right > 0 && r.Bottom > 0) {
        for (int32_t j = 0; j <= Dest.Height / r.Bottom; ++j)
            for (int32_t i = 0; i <= Dest.Width / r.Right; ++i) {
                TRect t = r;
                OffsetRectBy(t, r.Right * i, r.Bottom * j);
                FBitmap->StretchTo(Dest, t);
            }
    } else {
        FBitmap->StretchTo(Dest, r);
    }
}

void TCustomImage32::PaintLayers(TBitmap32& Dest, uint32_t StageNum)
{
    const uint32_t mask = uint32_t(FPaintStages[int32_t(StageNum)].Parameter);
    for (int32_t i = 0; i < FLayers->Count(); ++i) {
        TCustomLayer* layer = FLayers->Items(i);
        if (layer->LayerOptions() & mask)
            layer->PaintLayer(Dest);
    }
}

void TCustomImage32::PaintToBitmap(TBitmap32& Dest, const TRect& DestRect)
{
    const TRepaintMode saved = RepaintMode();
    SetRepaintMode(rmFull);
    CacheBitmapRect(DestRect, IsRectEmpty32(DestRect) || FBitmap->IsEmpty());
    FPaintingToBitmap = true;
    try {
        for (int32_t i = 0; i < FPaintStages.Count(); ++i) {
            const TPaintStage& s = FPaintStages[i];
            const TPaintStageHandler handler = s.RunTime ? StageHandler(s.Stage) : nullptr;
            if (handler)
                (this->*handler)(Dest, uint32_t(i));
        }
    } catch (...) {
        CacheValid = false;
        FPaintingToBitmap = false;
        SetRepaintMode(saved);
        throw;
    }
    CacheValid = false;
    FPaintingToBitmap = false;
    SetRepaintMode(saved);
}

void TCustomImage32::PaintOverlay()
{
    std::unique_ptr<QPainter> canvas;
    for (int32_t i = 0; i < FLayers->Count(); ++i) {
        TCustomLayer* layer = FLayers->Items(i);
        if (!(layer->LayerOptions() & LOB_GDI_OVERLAY))
            continue;
        if (!canvas)
            canvas = std::make_unique<QPainter>(this);
        layer->PaintGDI(*canvas);
    }
    canvas.reset();
    TCustomPaintBox32::PaintOverlay();
}

// ---- Mouse --------------------------------------------------------------------------------

void TCustomImage32::resizeEvent(QResizeEvent* Event)
{
    InvalidateCache();
    TCustomPaintBox32::resizeEvent(Event);
}

void TCustomImage32::HandleMouseDown(QMouseEvent* Event, TShiftState Extra)
{
    TMouseButton button;
    if (!MouseButtonOf(Event->button(), button))
        return;
    if (focusPolicy() & Qt::TabFocus && isEnabled())
        setFocus(Qt::MouseFocusReason);
    const TShiftState shift = ShiftStateOf(Event->modifiers(), Event->buttons()) | Extra;
    const QPoint pos = Event->position().toPoint();
    TCustomLayer* layer =
        FLayers->MouseEvents ? FLayers->MouseDown(button, shift, pos.x(), pos.y()) : nullptr;
    // The toolkit captures the mouse for the control while a button is held.
    DoMouseDown(button, shift, pos.x(), pos.y(), layer);
}

void TCustomImage32::mousePressEvent(QMouseEvent* Event)
{
    TCustomPaintBox32::mousePressEvent(Event);
    FClickPending = Event->button() == Qt::LeftButton;
    HandleMouseDown(Event, 0);
}

void TCustomImage32::mouseDoubleClickEvent(QMouseEvent* Event)
{
    FClickPending = false;
    if (Event->button() == Qt::LeftButton && OnDblClick)
        OnDblClick(this);
    HandleMouseDown(Event, ssDouble);
}

void TCustomImage32::mouseMoveEvent(QMouseEvent* Event)
{
    if (DragMouseMove(Event))
        return;
    QWidget::mouseMoveEvent(Event);
    const TShiftState shift = ShiftStateOf(Event->modifiers(), Event->buttons());
    const QPoint pos = Event->position().toPoint();
    TCustomLayer* layer = FLayers->MouseEvents ? FLayers->MouseMove(shift, pos.x(), pos.y()) : nullptr;
    DoMouseMove(shift, pos.x(), pos.y(), layer);
}

void TCustomImage32::mouseReleaseEvent(QMouseEvent* Event)
{
    DragMouseRelease();
    QWidget::mouseReleaseEvent(Event);
    TMouseButton button;
    if (!MouseButtonOf(Event->button(), button))
        return;
    const TShiftState shift = ShiftStateOf(Event->modifiers(), Event->buttons());
    const QPoint pos = Event->position().toPoint();
    TCustomLayer* layer = FLayers->MouseEvents ? FLayers->MouseUp(button, shift, pos.x(), pos.y()) : nullptr;
    const bool click = FClickPending && button == mbLeft && rect().contains(pos);
    if (button == mbLeft)
        FClickPending = false;
    if (click && OnClick)
        OnClick(this);
    DoMouseUp(button, shift, pos.x(), pos.y(), layer);
}

void TCustomImage32::DoMouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y,
                                 TCustomLayer* Layer)
{
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y, Layer);
}

void TCustomImage32::DoMouseMove(TShiftState Shift, int32_t X, int32_t Y, TCustomLayer* Layer)
{
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y, Layer);
}

void TCustomImage32::DoMouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y,
                               TCustomLayer* Layer)
{
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y, Layer);
}

void TCustomImage32::DoMouseLeave()
{
    if (FLayers->MouseEvents && !FLayers->MouseListener())
        ResetScreenCursor();
    TCustomPaintBox32::DoMouseLeave();
}

// ---- TBitmap32List ------------------------------------------------------------------------

TBitmap32Item& TBitmap32Collection::Add()
{
    FItems.push_back(std::make_unique<TBitmap32Item>());
    return *FItems.back();
}

TBitmap32Item& TBitmap32Collection::Items(int32_t Index)
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format("List index out of bounds (%d)", Index));
    return *FItems[size_t(Index)];
}

} // namespace qm
