#pragma once
// The controls through which bitmaps are shown: a paint box that keeps a TBitmap32 back
// buffer and copies it to the screen, an image control that shows a bitmap placed, scaled
// and painted in stages and repaints exactly what drawing on the bitmap reports, and a list
// of glyph bitmaps.
//
// Nothing is drawn on the widget itself except the copy of the back buffer.
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "graphics/Raster.h"
#include "graphics/RasterContainers.h"
#include "graphics/RasterLayers.h"
#include "graphics/RasterMicroTiles.h"
#include "graphics/RasterRepaintOpt.h"

class QDrag;
class QDropEvent;
class QKeyEvent;
class QMenu;
class QMouseEvent;

namespace qm {

enum TRepaintMode : uint8_t { rmFull, rmDirect, rmOptimizer };
enum TBitmapAlign : uint8_t { baTopLeft, baCenter, baTile, baCustom };
enum TScaleMode : uint8_t { smNormal, smStretch, smScale, smResize, smOptimal, smOptimalScaled };
// Where a control is docked in its parent; decides which sides auto-sizing may change.
enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

using TPaintBoxOptions = uint8_t;
enum : TPaintBoxOptions { pboWantArrowKeys = 1, pboAutoFocus = 2 };

// How a control's drags start: by the program (BeginDrag) or by pressing and moving the mouse.
enum TDragMode : uint8_t { dmManual, dmAutomatic };
// Docking is not done on this platform: a control of either kind is dragged.
enum TDragKind : uint8_t { dkDrag, dkDock };
enum TDragState : uint8_t { dsDragEnter, dsDragLeave, dsDragMove };

// Sender of the controls' events is the control.
using TControlEvent = std::function<void(QObject* Sender)>;
// Key is a virtual-key code (VirtualKeyOf); a handler that sets it to 0 has taken the key.
using TKeyEvent = std::function<void(QObject* Sender, uint16_t& Key, TShiftState Shift)>;
// Key is the typed character (Windows-1252); a handler that sets it to 0 has taken it.
using TKeyPressEvent = std::function<void(QObject* Sender, char& Key)>;
// WheelDelta: 120 per notch, positive away from the user; MousePos in screen coordinates.
using TMouseWheelEvent = std::function<void(QObject* Sender, TShiftState Shift, int32_t WheelDelta,
                                            const TPoint& MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent =
    std::function<void(QObject* Sender, TShiftState Shift, const TPoint& MousePos, bool& Handled)>;
using TCanResizeEvent =
    std::function<void(QObject* Sender, int32_t& NewWidth, int32_t& NewHeight, bool& Resize)>;
// DragObject: what the targets see as the drag's source; left null, the control itself.
using TStartDragEvent = std::function<void(QObject* Sender, QObject*& DragObject)>;
// X and Y in the target's coordinates; Accept starts true.
using TDragOverEvent = std::function<void(QObject* Sender, QObject* Source, int32_t X, int32_t Y,
                                          TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(QObject* Sender, QObject* Source, int32_t X, int32_t Y)>;
// Target: the control dropped on, null when the drag was cancelled or refused.
using TEndDragEvent = std::function<void(QObject* Sender, QObject* Target, int32_t X, int32_t Y)>;
using TImgMouseEvent = std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X,
                                          int32_t Y, TCustomLayer* Layer)>;
using TImgMouseMoveEvent =
    std::function<void(QObject* Sender, TShiftState Shift, int32_t X, int32_t Y, TCustomLayer* Layer)>;
using TPaintStageEvent = std::function<void(QObject* Sender, TBitmap32& Buffer, uint32_t StageNum)>;

// The Windows virtual-key code of a key event (letters and digits their upper-case
// characters, the keypad keys their own codes); 0 for a key without one.
uint16_t VirtualKeyOf(const QKeyEvent& Event);
// The character a key press types (Windows-1252), false when it types none.
bool TypedCharOf(const QKeyEvent& Event, char& Key);

class TCustomPaintBox32 : public QWidget {
    Q_OBJECT
public:
    // 192 x 192, rmFull, a forced full repaint and an invalid buffer.
    explicit TCustomPaintBox32(QWidget* Parent = nullptr);
    ~TCustomPaintBox32() override;

    TBitmap32& Buffer() { return *FBuffer; }
    int32_t BufferOversize = 40;
    bool BufferValid = false;
    bool ForceFullRepaint = true;
    TRectList& InvalidRects() { return *FInvalidRects; }
    TCustomRepaintOptimizer& RepaintOptimizer() { return *FRepaintOptimizer; }
    TRepaintMode RepaintMode() const { return FRepaintMode; }
    virtual void SetRepaintMode(TRepaintMode Mode);
    TPaintBoxOptions Options = 0;
    bool MouseInControl = false;

    // The background colour. Setting it ends ParentColor; with ParentColor the control takes
    // its parent's colour (a paint box's Color, else the parent's background) and follows it.
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);

    // The hint is the control's tool tip; it shows when ShowHint is on. With ParentShowHint
    // (the default) ShowHint follows the parent's: a paint box's ShowHint, or a "ShowHint"
    // property of another parent, or on when none says otherwise. Setting ShowHint ends
    // ParentShowHint.
    AnsiString Hint() const;
    void SetHint(const AnsiString& Value);
    bool ShowHint() const;
    void SetShowHint(bool Value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool Value);
    // The menu shown for a right click (a context-menu request); none by default.
    QMenu* PopupMenu = nullptr;
    // Whether Tab stops at the control (its focus policy).
    bool TabStop() const;
    void SetTabStop(bool Value);

    // Drag and drop between the program's controls.
    TDragMode DragMode = dmManual;
    TDragKind DragKind = dkDrag;
    int32_t DragCursor = Qt::DragMoveCursor; // a Qt::CursorShape shown while dragging
    // Immediate: the drag starts now; otherwise once the mouse, with the left button held,
    // has moved Threshold pixels (-1: the system's drag distance).
    void BeginDrag(bool Immediate, int32_t Threshold = -1);
    bool Dragging() const { return FDragging; }

    TControlEvent OnGDIOverlay;
    TControlEvent OnMouseEnter;
    TControlEvent OnMouseLeave;
    TControlEvent OnResize;
    // Asked before a new size is kept: a refused or changed size is put back at once.
    TCanResizeEvent OnCanResize;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    // OnMouseWheel first; unless it handles the turn, OnMouseWheelUp or OnMouseWheelDown;
    // a turn nobody handles goes on to the parent.
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;
    TStartDragEvent OnStartDrag;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;

    // (0, 0, width, height) of the control.
    virtual TRect GetViewportRect() const;
    // Marks the buffer invalid and asks for a paint. With the optimiser enabled, a change it
    // was told the areas of repaints only those areas, in one paint once the events in the
    // queue have been handled; any other change repaints everything.
    virtual void InvalidateControl();
    virtual void ForceFullInvalidate();
    // Grows the buffer 40 pixels beyond the viewport when it is too small, shrinks it to the
    // viewport when that is more than 40 pixels smaller; then a full repaint follows.
    void ResizeBuffer();
    // Call once the properties are set.
    virtual void Loaded();

    // Fills the back buffer; descendants that draw it themselves extend this.
    virtual void PaintBuffer();
    // Copies the buffer (the invalid rectangles, or the whole viewport) to the screen.
    virtual void PaintControl();
    virtual bool HasInvalidRects() { return true; }

protected:
    virtual bool NeedsCustomRepaint();
    virtual void CollectInvalidRects();
    // The colour changed (Changed: to another value); repaints.
    virtual void ColorChanged(bool Changed);
    // Whether something paints on the control after the buffer copy.
    virtual bool HasOverlay() const { return bool(OnGDIOverlay); }
    virtual bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, const TPoint& MousePos);
    // Runs a started drag to its end and answers the action taken (Qt::IgnoreAction when
    // refused or cancelled); the toolkit's drag loop.
    virtual Qt::DropAction ExecDrag(QDrag& Drag);
    // A pending automatic or threshold drag starts when the mouse has moved far enough;
    // true when it did.
    bool DragMouseMove(QMouseEvent* Event);
    void DragMouseRelease();
    virtual void PaintOverlay();
    virtual void BufferResized(int32_t OldWidth, int32_t OldHeight);
    virtual void DoMouseEnter();
    virtual void DoMouseLeave();
    // The state that an invalidation resets (the buffer; the image adds its cache).
    virtual void InvalidateState();
    // Repaints the pending rectangles now (invalidate, then paint before returning), unless
    // a paint is already running.
    void RepaintInvalidRects();
    bool Painting() const { return FPainting; }
    // The optimiser's areas are collected and just those repainted (the paint the optimiser
    // asked for when the change was announced).
    void CustomRepaint();
    // Set while a change whose areas the optimiser has been told of is announced.
    bool PartialInvalidate = false;
    // A buffer paint tells this after each of the invalid rectangles it has painted, so
    // that the rectangle is copied to the screen while its pixels are still at hand.
    void BufferRectPainted(const TRect& R);

    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void enterEvent(QEnterEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;
    void dragEnterEvent(QDragEnterEvent* Event) override;
    void dragMoveEvent(QDragMoveEvent* Event) override;
    void dragLeaveEvent(QDragLeaveEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;
    bool event(QEvent* Event) override;

    // The buffer's area event in rmDirect: the area is to be repainted at once.
    void DirectAreaUpdateHandler(TObject* Sender, const TRect& Area, uint32_t Info);

private:
    std::unique_ptr<TBitmap32> FBuffer;
    std::unique_ptr<TRectList> FInvalidRects;
    std::unique_ptr<TCustomRepaintOptimizer> FRepaintOptimizer;
    TRepaintMode FRepaintMode = rmFull;
    bool FPainting = false;
    bool FRepaintPosted = false;
    // The area of the paint the optimiser asked for, while it runs.
    QRect FRequestedRect;
    // Set by a paint while it lets the buffer paint copy each rectangle as it is painted.
    std::function<void(const TRect&)> FRectPainted;

    void AdoptParentColor();
    void ApplyColor(TColor Value);
    void StartDragging();
    bool HandleDragOver(QDropEvent* Event, TDragState State);

    TColor FColor = clBtnFace;
    bool FParentColor = false;
    bool FShowHint = true;
    bool FParentShowHint = true;
    bool FInCanResize = false;
    // Drag source state.
    bool FDragPending = false;
    bool FDragging = false;
    QPoint FDragStart;
    int32_t FDragThreshold = -1;
    QObject* FDragObject = nullptr;
    QPointer<TCustomPaintBox32> FDropTarget;
    QPoint FDropPos;
    // Drag target state: the source seen on entering, whether it was accepted.
    QObject* FDragOverSource = nullptr;
    bool FDragAccepted = false;
};

// One paint stage: its kind (TPaintStageKind), when it runs and a parameter.
struct TPaintStage {
    bool DsgnTime = false;
    bool RunTime = true;
    int32_t Stage = 0;
    int32_t Parameter = 0;
};
enum TPaintStageKind : int32_t {
    psUser = 1,            // OnPaintStage
    psClearBuffer = 2,     // the whole buffer cleared to Color
    psClearBackground = 3, // the background around the bitmap
    psDrawBitmap = 4,
    psDrawLayers = 5,   // layers whose options meet Parameter
    psControlFrame = 6, // a focus rectangle around the control
    psBitmapFrame = 7   // a focus rectangle around the bitmap
};

class TCustomImage32;
// A stage's drawing routine: a member of the image control, called with the buffer (or the
// bitmap painted into) and the stage's index.
using TPaintStageHandler = void (TCustomImage32::*)(TBitmap32& Dest, uint32_t StageNum);

class TPaintStages {
public:
    // Appends a run-time stage of kind 0 and answers it.
    TPaintStage& Add();
    TPaintStage& Insert(int32_t Index);
    void Delete(int32_t Index);
    void Clear() { FItems.clear(); }
    int32_t Count() const { return int32_t(FItems.size()); }
    TPaintStage& operator[](int32_t Index) { return FItems.at(size_t(Index)); }

private:
    std::vector<TPaintStage> FItems;
};

class TCustomImage32 : public TCustomPaintBox32 {
    Q_OBJECT
public:
    explicit TCustomImage32(QWidget* Parent = nullptr);
    ~TCustomImage32() override;

    TBitmap32& Bitmap() { return *FBitmap; }
    // Copies Value into the bitmap (null empties it).
    void SetBitmap(const TBitmap32* Value);
    TBitmapAlign BitmapAlign() const { return FBitmapAlign; }
    void SetBitmapAlign(TBitmapAlign Value);
    // The bitmap's position with baCustom.
    float BitmapOffsetX = 0;
    float BitmapOffsetY = 0;
    TLayerCollection& Layers() { return *FLayers; }
    TPaintStages& PaintStages() { return FPaintStages; }
    // The handlers of the stages taking part in the last buffer paint and their indices in
    // PaintStages, in painting order.
    const std::vector<TPaintStageHandler>& StageHandlers() const { return FStageHandlers; }
    const std::vector<uint32_t>& StageIndices() const { return FStageIndices; }
    // The handler of a stage kind (TPaintStageKind); null for a kind without one.
    virtual TPaintStageHandler StageHandler(int32_t Kind) const;
    float Scale() const { return FScaleX; }
    // Values below 0.001 become 0.001.
    void SetScale(float Value);
    float ScaleX() const { return FScaleX; }
    float ScaleY() const { return FScaleY; }
    TScaleMode ScaleMode() const { return FScaleMode; }
    virtual void SetScaleMode(TScaleMode Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    TAlign Align = alNone;
    int32_t UpdateCount() const { return FUpdateCount; }

    TControlEvent OnBitmapResize;
    TControlEvent OnChange;
    TControlEvent OnInitStages;
    TControlEvent OnScaleChanged;
    TControlEvent OnClick;
    TControlEvent OnDblClick;
    TImgMouseEvent OnMouseDown;
    TImgMouseMoveEvent OnMouseMove;
    TImgMouseEvent OnMouseUp;
    TPaintStageEvent OnPaintStage;

    // The scale cache: the bitmap's rectangle in control coordinates and the 16.16 factors
    // between bitmap and control.
    TRect CachedBitmapRect;
    TFixed CachedScaleX = FixedOne, CachedScaleY = FixedOne;
    TFixed CachedShiftX = 0, CachedShiftY = 0;
    TFixed CachedRecScaleX = FixedOne, CachedRecScaleY = FixedOne;
    bool CacheValid = false;

    virtual void IncUpdateCount() { ++FUpdateCount; }
    virtual void DecUpdateCount() { --FUpdateCount; }
    // Outside update brackets: invalidate, then OnChange.
    virtual void NotifyChanged();
    void InvalidateCache();
    void UpdateCache();
    TPoint BitmapToControl(const TPoint& P);
    virtual TRect GetBitmapRect();
    virtual TSize GetBitmapSize();
    // Sizes the bitmap to the viewport (cleared when DoClear) and reports one change.
    virtual void FitBitmapToControl(bool DoClear = false, TColor32 ClearColor = 0);
    // Paints the image's stages into Dest, the bitmap placed in DestRect.
    virtual void PaintToBitmap(TBitmap32& Dest, const TRect& DestRect);
    // The size auto-sizing would give the control, by Align; always true.
    virtual bool CanAutoSize(int32_t& NewWidth, int32_t& NewHeight);

    void SetRepaintMode(TRepaintMode Mode) override;
    void InvalidateControl() override;
    void Loaded() override;
    void PaintBuffer() override;
    bool HasInvalidRects() override;

protected:
    virtual void AdjustSizeToBitmap();
    virtual void HandleBitmapChange(const TRect& Area);
    virtual void DoInitStages();
    virtual void NotifyScaleChanged();
    virtual void InitPaintStages();
    virtual void DoMouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y,
                             TCustomLayer* Layer);
    virtual void DoMouseMove(TShiftState Shift, int32_t X, int32_t Y, TCustomLayer* Layer);
    virtual void DoMouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y, TCustomLayer* Layer);

    // Stage handlers.
    virtual void PaintFocusRect(TBitmap32& Dest, uint32_t StageNum);
    virtual void ClearBufferToColor(TBitmap32& Dest, uint32_t StageNum);
    virtual void PaintBackgroundAroundBitmap(TBitmap32& Dest, uint32_t StageNum);
    virtual void PaintControlFrame(TBitmap32& Dest, uint32_t StageNum);
    virtual void DoPaintStage(TBitmap32& Dest, uint32_t StageNum);
    virtual void PaintBitmap(TBitmap32& Dest, uint32_t StageNum);
    virtual void PaintLayers(TBitmap32& Dest, uint32_t StageNum);

    void InvalidateState() override;
    void ColorChanged(bool Changed) override;
    bool HasOverlay() const override;
    // The layers with the GDI-overlay option paint on the control first, then OnGDIOverlay.
    void PaintOverlay() override;
    void DoMouseLeave() override;

    void resizeEvent(QResizeEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;

private:
    // Area events of the bitmap in rmDirect and rmOptimizer, and its change event in rmFull.
    void DirectBitmapAreaChanged(const TRect& Area, uint32_t Info);
    void OptimizerBitmapAreaChanged(const TRect& Area, uint32_t Info);
    void BitmapChanged();
    // The bitmap area grown by the resampler's reach, in control coordinates, once per tile.
    std::vector<TRect> ControlAreas(const TRect& Area);
    // R as the cached bitmap rectangle with the scales and shifts to it (identity values
    // when asked), and the cache valid.
    void CacheBitmapRect(const TRect& R, bool Identity);
    // Fills StageHandlers and StageIndices with the run-time stages of a known kind.
    void CompileStages();
    void HandleMouseDown(QMouseEvent* Event, TShiftState Extra);

    std::unique_ptr<TBitmap32> FBitmap;
    TBitmapAlign FBitmapAlign = baTopLeft;
    std::unique_ptr<TLayerCollection> FLayers;
    TPaintStages FPaintStages;
    std::vector<TPaintStageHandler> FStageHandlers;
    std::vector<uint32_t> FStageIndices;
    float FScaleX = 1.0f;
    float FScaleY = 1.0f;
    TScaleMode FScaleMode = smNormal;
    bool FAutoSize = false;
    int32_t FUpdateCount = 0;
    // The invalid rectangle the buffer is being painted for, -1 outside that.
    int32_t FPaintingRect = -1;
    bool FPaintingToBitmap = false;
    bool FClickPending = false;
};

// The published image control.
class TImage32 : public TCustomImage32 {
    Q_OBJECT
public:
    explicit TImage32(QWidget* Parent = nullptr) : TCustomImage32(Parent) {}
};

// A glyph bitmap of a list.
class TBitmap32Item {
public:
    TBitmap32Item() : FBitmap(std::make_unique<TBitmap32>()) {}
    TBitmap32& Bitmap() { return *FBitmap; }
    // Copies Value's pixels and properties.
    void SetBitmap(const TBitmap32* Value) { FBitmap->AssignFromSource(Value); }
    void Assign(const TBitmap32Item& Source) { SetBitmap(Source.FBitmap.get()); }

private:
    std::unique_ptr<TBitmap32> FBitmap;
};

class TBitmap32List;

// The list's own collection of glyphs.
class TBitmap32Collection {
public:
    explicit TBitmap32Collection(TBitmap32List* AOwner) : FOwner(AOwner) {}
    TBitmap32List* Owner() const { return FOwner; }
    TBitmap32Item& Add();
    void Clear() { FItems.clear(); }
    int32_t Count() const { return int32_t(FItems.size()); }
    // An index outside 0 .. Count - 1 raises EListError.
    TBitmap32Item& Items(int32_t Index);

private:
    TBitmap32List* FOwner;
    std::vector<std::unique_ptr<TBitmap32Item>> FItems;
};

// A list of glyph bitmaps loaded with the window.
class TBitmap32List : public TObject {
public:
    QM_RASTER_CLASS(TBitmap32List, TObject)

    TBitmap32List() : FBitmaps(this) {}
    TBitmap32Collection& Bitmaps() { return FBitmaps; }
    // The bitmap of item Index; an index outside the list raises EListError.
    TBitmap32& GetBitmap(int32_t Index) { return FBitmaps.Items(Index).Bitmap(); }

private:
    TBitmap32Collection FBitmaps;
};

} // namespace qm
