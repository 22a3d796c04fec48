#pragma once
// TPrintPreview: a scrolling control on which a document is recorded page by page as if it
// were printed, and which then shows one page at a time at any zoom, lets the user move
// through the pages and drag the page about, and prints all or some of them.
//
// Recording: BeginDoc, then draw on Canvas() (logical coordinates in Units from the paper's
// top-left corner), NewPage for every further page, EndDoc. Each page is kept as a metafile
// in the page store; GetPage(n) answers it. The page on screen is a TPaperPreview sheet in the
// scrolling area, with an optional overlay (the annotation) recorded per page for the screen
// only. Thumbnail strips register here and follow the pages and the current page.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/DeviceCanvas.h"
#include "platform/Exception.h"
#include "platform/Metafile.h"
#include "printing/MetafileList.h"
#include "printing/PaperPreview.h"
#include "printing/ScrollBox.h"

namespace qm {

class TThumbnailPreview;

// A page or its canvas that cannot be made.
QM_DECLARE_EXCEPTION(EOutOfMemory, Exception)

// Units of every coordinate and size of the preview's interface.
enum TUnits : uint8_t { mmPixel, mmLoMetric, mmHiMetric, mmLoEnglish, mmHiEnglish, mmTWIPS, mmPoints };
extern const char* const UnitsNames[7];

// The paper sizes, in the order of the paper table.
enum TPaperType : uint8_t {
    pLetter,
    pLetterSmall,
    pTabloid,
    pLedger,
    pLegal,
    pStatement,
    pExecutive,
    pA3,
    pA4,
    pA4Small,
    pA5,
    pB4,
    pB5,
    pFolio,
    pQuatro,
    p10x14,
    p11x17,
    pNote,
    pEnv9,
    pEnv10,
    pEnv11,
    pEnv12,
    pEnv14,
    pCSheet,
    pDSheet,
    pESheet,
    pEnvDL,
    pEnvC5,
    pEnvC3,
    pEnvC4,
    pEnvC6,
    pEnvC65,
    pEnvB4,
    pEnvB5,
    pEnvB6,
    pEnvItaly,
    pEnvMonarch,
    pEnvPersonal,
    pFanfoldUSStd,
    pFanfoldGermanStd,
    pFanfoldGermanLegal,
    pB4ISO,
    pJapanesePostcard,
    p9x11,
    p10x11,
    p15x11,
    pEnvInvite,
    pLetterExtra,
    pLegalExtra,
    TabloidExtra,
    pA4Extra,
    pLetterTransverse,
    pA4Transverse,
    pLetterExtraTransverse,
    pAPlus,
    pBPlus,
    pLetterPlus,
    pA4Plus,
    pA5Transverse,
    pB5Transverse,
    pA3Extra,
    pA5Extra,
    pB5Extra,
    pA2,
    pA3Transverse,
    pA3ExtraTransverse,
    pCustom
};
constexpr int PaperTypeCount = pCustom + 1;
extern const char* const PaperTypeNames[PaperTypeCount];

// One row of the paper table: the printer's paper id and the portrait size in its units.
struct TPaperSizeInfo {
    uint16_t ID;
    int32_t Width;
    int32_t Height;
    TUnits Units;
};
extern const TPaperSizeInfo PaperSizes[PaperTypeCount];

enum TPrinterOrientation : uint8_t { poPortrait, poLandscape };
enum TZoomState : uint8_t { zsZoomOther, zsZoomToWidth, zsZoomToHeight, zsZoomToFit };
// Idle, recording pages, printing (directly or recorded pages).
enum TPreviewState : uint8_t { psReady, psCreating, psPrinting };
enum TCustomFormOperation : uint8_t { coInsert, coRemove };

using TPreviewPrintProgress =
    std::function<void(QObject* Sender, int32_t PageNo, int32_t Progress, bool& AbortIt)>;
using TPreviewAutoCustomForm =
    std::function<void(QObject* Sender, const AnsiString& CustomFormName, TCustomFormOperation Operation)>;
using TPreviewAnnotation = std::function<void(QObject* Sender, int32_t PageNo, TDeviceCanvas& Canvas)>;

// The screen resolution of the preview's unit conversions.
constexpr int32_t ScreenPixelsPerInchForPreview = ReferencePixelsPerInch;

// Value from one unit into another; DPI is the resolution of mmPixel. Within one system the
// coarse-to-fine steps multiply exactly and the fine-to-coarse ones truncate (0.1 mm and
// 0.01 mm, 0.01 and 0.001 inch, points and twips); every other pair is rounded.
int32_t ConvertUnits(int32_t Value, int32_t DPI, TUnits InUnits, TUnits OutUnits);

class TPrintPreview : public TScrollBox {
    Q_OBJECT
public:
    explicit TPrintPreview(QWidget* Parent = nullptr);
    ~TPrintPreview() override;

    // ---- Properties ----------------------------------------------------------------------
    // The font every new page canvas starts with: "Arial", 8 points.
    TDeviceFont& Font() { return font_; }
    bool Annotation() const { return annotation_; }
    void SetAnnotation(bool Value);
    bool DirectPrint = false;
    bool FastPrint = true;
    TUnits Units() const { return units_; }
    void SetUnits(TUnits Value);
    TPrinterOrientation Orientation() const { return orientation_; }
    void SetOrientation(TPrinterOrientation Value);
    TPaperType PaperType() const { return paperType_; }
    void SetPaperType(TPaperType Value);
    TPaperPreviewOptions& PaperView() { return paperView_; }
    void SetPaperView(const TPaperPreviewOptions& Value) { paperView_.Assign(&Value); }
    // The page size in Units, as oriented. A size that matches no table row makes the paper
    // custom; each side is kept within 1..32767.
    int32_t PaperWidth() const { return pageExt_.X; }
    void SetPaperWidth(int32_t Value);
    int32_t PaperHeight() const { return pageExt_.Y; }
    void SetPaperHeight(int32_t Value);
    // Whether a stored layout of the control would keep the size and the zoom.
    bool IsPaperSizeStored() const { return paperType_ == pCustom; }
    bool IsZoomStored() const { return zoomState_ == zsZoomOther && zoom_ != 100; }
    AnsiString PrintJobTitle;
    bool UsePrinterOptions = false;
    bool UseTempFile() const { return pages_.UseTempFile(); }
    void SetUseTempFile(bool Value) { pages_.SetUseTempFile(Value); }
    TZoomState ZoomState() const { return zoomState_; }
    void SetZoomState(TZoomState Value);
    int32_t Zoom() const { return zoom_; }
    void SetZoom(int32_t Value);
    int32_t ZoomMin() const { return zoomMin_; }
    void SetZoomMin(int32_t Value);
    int32_t ZoomMax() const { return zoomMax_; }
    void SetZoomMax(int32_t Value);
    bool ZoomSavePos = true;
    int32_t ZoomStep = 10;
    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    void SetTabStop(bool Value) { setFocusPolicy(Value ? Qt::StrongFocus : Qt::NoFocus); }

    // ---- Events --------------------------------------------------------------------------
    TPreviewEvent OnBeginDoc, OnEndDoc, OnNewPage, OnEndPage, OnAbort, OnChange;
    TPreviewEvent OnBeforePrint, OnAfterPrint, OnZoomChange;
    TPreviewPrintProgress OnPrintProgress;
    TPreviewAutoCustomForm OnAutoCustomForm;
    TPreviewAnnotation OnAnnotation;
    // The sheet's mouse events, in this control's coordinates.
    TPreviewEvent OnClick, OnDblClick;
    TPreviewMouseEvent OnMouseDown, OnMouseUp;
    TPreviewMouseMoveEvent OnMouseMove;

    // ---- Units ---------------------------------------------------------------------------
    // ConvertUnits at the screen's resolution.
    int32_t ConvertX(int32_t Value, TUnits InUnits, TUnits OutUnits) const;
    int32_t ConvertY(int32_t Value, TUnits InUnits, TUnits OutUnits) const;
    void ConvertXY(int32_t X, int32_t Y, TUnits InUnits, TUnits OutUnits, TPoint& Result) const;
    void ConvertPoints(TPoint* Points, int32_t Count, TUnits InUnits, TUnits OutUnits) const;

    // ---- Recording -----------------------------------------------------------------------
    // Starts a document (only when idle); the first page is begun.
    void BeginDoc();
    // Closes the page and opens the next. After Abort it ends the abandoned document instead:
    // the control is idle again and nothing more is recorded.
    void NewPage();
    // Closes the last page and ends the document; after Abort it just makes the control idle.
    void EndDoc();
    // Abandons the document: while recording, the pages recorded so far are dropped.
    void Abort();
    // The canvas of the page being made; outside a document the printer's (none while no
    // printer is set up). NewPage, EndDoc and Abort free a recorded page's canvas: ask for it
    // again after each of them, never keep it across one.
    TDeviceCanvas* Canvas();
    TPreviewState State() const { return state_; }
    bool Aborted() const { return aborted_; }
    // While printing directly, the pages finished so far; otherwise the pages recorded.
    int32_t TotalPages() const;
    // The page shown, 1-based; 0 without pages. Setting it clamps into 1..TotalPages.
    int32_t CurrentPage() const { return currentPage_; }
    void SetCurrentPage(int32_t Value);
    // The page's metafile from the page store (valid until another page is asked for), or
    // null outside 1..TotalPages.
    TMetafile* GetPage(int32_t PageNo);
    // (0, 0, PaperWidth, PaperHeight).
    TRect GetPageBounds() const { return {0, 0, pageExt_.X, pageExt_.Y}; }
    // The paper's size in screen pixels.
    TPoint DeviceExtent() const { return deviceExt_; }
    // The sheet the page is shown on.
    TPaperPreview& Sheet() { return *sheet_; }

    // ---- Display -------------------------------------------------------------------------
    // Lays the sheet out again for the zoom state, the size and the paper.
    void UpdateZoom();
    // Records the annotation overlay of a page again.
    virtual void UpdateAnnotation(int32_t PageNo);
    // The sheet's paint handler: the page shown, then its annotation.
    virtual void PaintPage(QObject* Sender, TPainterCanvas& Canvas, const TRect& PageRect);

    // ---- Thumbnail strips ----------------------------------------------------------------
    void RegisterThumbnail(TThumbnailPreview* Strip);
    void UnregisterThumbnail(TThumbnailPreview* Strip);

    // ---- Printer side ----------------------------------------------------------------------
    // The control prints on the program's printer object (platform/gui/Printer.h): its
    // current printer, device mode and forms.
    // True when the system has a printer; the PDF-file printer makes it true everywhere.
    bool PrinterInstalled() const;
    // The page bounds less the printer's unprintable edges, in Units.
    void GetPrintableRect(TRect& Rect) const;
    // The current printer's form names, leaving out forms under 11 thousandths of a
    // millimetre; false (and none) when they could not be listed. Sizes, when given, gets
    // each listed form's portrait size in thousandths of a millimetre.
    bool ListPrinterForms(std::vector<AnsiString>& Strings, std::vector<TSize>* Sizes = nullptr);
    // PrintPages(1, TotalPages()).
    void Print();
    // Prints the recorded pages FromPage..ToPage (1-based, kept within the recorded pages) as
    // one job, with progress events; only when idle. Raises EPrinter when the current
    // printer has been removed from the system; any failure ends the job at the printer and
    // the control is idle again before the exception passes on.
    void PrintPages(int32_t FromPage, int32_t ToPage);
    // Impose the paper and orientation on the printer, or take them from it.
    void SetPrinterOptions();
    void GetPrinterOptions();
    virtual void DoPrintProgress(int32_t PageNo, int32_t Done, int32_t Total);

protected:
    void Resized() override;
    void keyPressEvent(QKeyEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;

private:
    void UpdateDeviceExtent();
    void SetPageSize(int32_t Width, int32_t Height);
    void PrepareCanvas(TDeviceCanvas& Canvas);
    std::unique_ptr<TMetafile> NewPageMetafile(std::unique_ptr<TMetafileCanvas>& Canvas);
    void RecordPage();
    void ClosePage();
    void DropPage();
    TPoint SheetSizeFor(int32_t SpaceWidth, int32_t SpaceHeight);
    void PagesChanged();
    void PageRewritten(int32_t Index);
    void OptionsChanged();
    TPoint ToControl(int32_t X, int32_t Y) const;
    void SheetMouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    void SheetMouseMove(TShiftState Shift, int32_t X, int32_t Y);
    void SheetMouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);

    // Printer side (PrintPreviewPrinting.cpp).
    TDeviceCanvas* PrinterCanvas();
    void PrinterBeginDoc();
    void PrinterNewPage();
    void PrinterEndDoc();
    void PrinterAbort();
    void RemoveAutoForm();
    bool PrinterReady() const;
    AnsiString FindFormName();
    bool AddForm(const AnsiString& Name, int32_t Width, int32_t Height);
    void RemoveForm(const AnsiString& Name);
    void DrawPage(int32_t PageNo, const TRect& R);
    void EndPrinting(bool Completed, bool Started);

    std::vector<TThumbnailPreview*> thumbnails_;
    TPaperPreview* sheet_ = nullptr;
    TPaperPreviewOptions paperView_;
    TMetafileList pages_;
    TDeviceCanvas* canvas_ = nullptr; // the page's or the printer's, while a document is open
    TDeviceFont font_;
    TUnits units_ = mmHiMetric;
    TPoint deviceExt_;
    TPoint pageExt_;
    bool aborted_ = false;
    TPrinterOrientation orientation_ = poPortrait;
    int32_t currentPage_ = 0;
    TPaperType paperType_ = pA4;
    TPreviewState state_ = psReady;
    int32_t zoom_ = 100;
    TZoomState zoomState_ = zsZoomToFit;
    int32_t zoomMin_ = 10;
    int32_t zoomMax_ = 500;
    bool directPrinting_ = false;
    int32_t directPageCount_ = 0;
    TPoint dragStart_;
    bool canScrollHorz_ = false;
    bool canScrollVert_ = false;
    bool isDragging_ = false;
    AnsiString formName_;
    AnsiString autoFormName_;
    bool annotation_ = false;
    std::unique_ptr<TMetafile> pageMetafile_;
    std::unique_ptr<TMetafileCanvas> pageCanvas_;
    std::unique_ptr<TMetafile> annotationMetafile_;
};

} // namespace qm
