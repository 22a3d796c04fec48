#include "printing/PrintPreview.h"

#include <QKeyEvent>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

#include "printing/ThumbnailPreview.h"

namespace qm {

const char* const UnitsNames[7] = {"mmPixel",     "mmLoMetric", "mmHiMetric", "mmLoEnglish",
                                   "mmHiEnglish", "mmTWIPS",    "mmPoints"};

const char* const PaperTypeNames[PaperTypeCount] = {"pLetter",
                                                    "pLetterSmall",
                                                    "pTabloid",
                                                    "pLedger",
                                                    "pLegal",
                                                    "pStatement",
                                                    "pExecutive",
                                                    "pA3",
                                                    "pA4",
                                                    "pA4Small",
                                                    "pA5",
                                                    "pB4",
                                                    "pB5",
                                                    "pFolio",
                                                    "pQuatro",
                                                    "p10x14",
                                                    "p11x17",
                                                    "pNote",
                                                    "pEnv9",
                                                    "pEnv10",
                                                    "pEnv11",
                                                    "pEnv12",
                                                    "pEnv14",
                                                    "pCSheet",
                                                    "pDSheet",
                                                    "pESheet",
                                                    "pEnvDL",
                                                    "pEnvC5",
                                                    "pEnvC3",
                                                    "pEnvC4",
                                                    "pEnvC6",
                                                    "pEnvC65",
                                                    "pEnvB4",
                                                    "pEnvB5",
                                                    "pEnvB6",
                                                    "pEnvItaly",
                                                    "pEnvMonarch",
                                                    "pEnvPersonal",
                                                    "pFanfoldUSStd",
                                                    "pFanfoldGermanStd",
                                                    "pFanfoldGermanLegal",
                                                    "pB4ISO",
                                                    "pJapanesePostcard",
                                                    "p9x11",
                                                    "p10x11",
                                                    "p15x11",
                                                    "pEnvInvite",
                                                    "pLetterExtra",
                                                    "pLegalExtra",
                                                    "TabloidExtra",
                                                    "pA4Extra",
                                                    "pLetterTransverse",
                                                    "pA4Transverse",
                                                    "pLetterExtraTransverse",
                                                    "pAPlus",
                                                    "pBPlus",
                                                    "pLetterPlus",
                                                    "pA4Plus",
                                                    "pA5Transverse",
                                                    "pB5Transverse",
                                                    "pA3Extra",
                                                    "pA5Extra",
                                                    "pB5Extra",
                                                    "pA2",
                                                    "pA3Transverse",
                                                    "pA3ExtraTransverse",
                                                    "pCustom"};

// Portrait sizes: thousandths of an inch for papers defined in inches, tenths of a millimetre
// for the others. A few are wider than high and stay so.
const TPaperSizeInfo PaperSizes[PaperTypeCount] = {{1, 8500, 11000, mmHiEnglish},
                                                   {2, 8500, 11000, mmHiEnglish},
                                                   {3, 11000, 17000, mmHiEnglish},
                                                   {4, 17000, 11000, mmHiEnglish},
                                                   {5, 8500, 14000, mmHiEnglish},
                                                   {6, 5500, 8500, mmHiEnglish},
                                                   {7, 7250, 10500, mmHiEnglish},
                                                   {8, 2970, 4200, mmLoMetric},
                                                   {9, 2100, 2970, mmLoMetric},
                                                   {10, 2100, 2970, mmLoMetric},
                                                   {11, 1480, 2100, mmLoMetric},
                                                   {12, 2500, 3540, mmLoMetric},
                                                   {13, 1820, 2570, mmLoMetric},
                                                   {14, 8500, 13000, mmHiEnglish},
                                                   {15, 2150, 2750, mmLoMetric},
                                                   {16, 10000, 14000, mmHiEnglish},
                                                   {17, 11000, 17000, mmHiEnglish},
                                                   {18, 8500, 11000, mmHiEnglish},
                                                   {19, 3875, 8875, mmHiEnglish},
                                                   {20, 4125, 9500, mmHiEnglish},
                                                   {21, 4500, 10375, mmHiEnglish},
                                                   {22, 4750, 11000, mmHiEnglish},
                                                   {23, 5000, 11500, mmHiEnglish},
                                                   {24, 17000, 22000, mmHiEnglish},
                                                   {25, 22000, 34000, mmHiEnglish},
                                                   {26, 34000, 44000, mmHiEnglish},
                                                   {27, 1100, 2200, mmLoMetric},
                                                   {28, 1620, 2290, mmLoMetric},
                                                   {29, 3240, 4580, mmLoMetric},
                                                   {30, 2290, 3240, mmLoMetric},
                                                   {31, 1140, 1620, mmLoMetric},
                                                   {32, 1140, 2290, mmLoMetric},
                                                   {33, 2500, 3530, mmLoMetric},
                                                   {34, 1760, 2500, mmLoMetric},
                                                   {35, 1760, 1250, mmLoMetric},
                                                   {36, 1100, 2300, mmLoMetric},
                                                   {37, 3875, 7500, mmHiEnglish},
                                                   {38, 3625, 6500, mmHiEnglish},
                                                   {39, 14875, 11000, mmHiEnglish},
                                                   {40, 8500, 12000, mmHiEnglish},
                                                   {41, 8500, 13000, mmHiEnglish},
                                                   {42, 2500, 3530, mmLoMetric},
                                                   {43, 1000, 1480, mmLoMetric},
                                                   {44, 9000, 11000, mmHiEnglish},
                                                   {45, 10000, 11000, mmHiEnglish},
                                                   {46, 15000, 11000, mmHiEnglish},
                                                   {47, 2200, 2200, mmLoMetric},
                                                   {50, 9500, 12000, mmHiEnglish},
                                                   {51, 9500, 15000, mmHiEnglish},
                                                   {52, 11690, 18000, mmHiEnglish},
                                                   {53, 9270, 12690, mmHiEnglish},
                                                   {54, 8500, 11000, mmHiEnglish},
                                                   {55, 2100, 2970, mmLoMetric},
                                                   {56, 9500, 12000, mmHiEnglish},
                                                   {57, 2270, 3560, mmLoMetric},
                                                   {58, 3050, 4870, mmLoMetric},
                                                   {59, 8500, 12690, mmHiEnglish},
                                                   {60, 2100, 3300, mmLoMetric},
                                                   {61, 1480, 2100, mmLoMetric},
                                                   {62, 1820, 2570, mmLoMetric},
                                                   {63, 3220, 4450, mmLoMetric},
                                                   {64, 1740, 2350, mmLoMetric},
                                                   {65, 2010, 2760, mmLoMetric},
                                                   {66, 4200, 5940, mmLoMetric},
                                                   {67, 2970, 4200, mmLoMetric},
                                                   {68, 3220, 4450, mmLoMetric},
                                                   {256, 0, 0, mmPixel}};

namespace {

const char* const NotEnoughMemory = "Not enough memory to create a new page";

int32_t UnitsPerInch(TUnits u, int32_t dpi)
{
    switch (u) {
    case mmPixel:
        return dpi;
    case mmLoMetric:
        return 254;
    case mmHiMetric:
        return 2540;
    case mmLoEnglish:
        return 100;
    case mmHiEnglish:
        return 1000;
    case mmTWIPS:
        return 1440;
    case mmPoints:
        return 72;
    }
    return 1;
}

int32_t Clamp32(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

int32_t ConvertUnits(int32_t Value, int32_t DPI, TUnits InUnits, TUnits OutUnits)
{
    if (InUnits > mmPoints || OutUnits > mmPoints)
        return Value;
    if (InUnits == OutUnits)
        return InUnits == mmPixel ? MulDiv(Value, DPI, ScreenPixelsPerInchForPreview) : Value;
    if ((InUnits == mmLoMetric && OutUnits == mmHiMetric) ||
        (InUnits == mmLoEnglish && OutUnits == mmHiEnglish))
        return Clamp32(int64_t(Value) * 10);
    if (InUnits == mmPoints && OutUnits == mmTWIPS)
        return Clamp32(int64_t(Value) * 20);
    if ((InUnits == mmHiMetric && OutUnits == mmLoMetric) ||
        (InUnits == mmHiEnglish && OutUnits == mmLoEnglish))
        return Value / 10;
    if (InUnits == mmTWIPS && OutUnits == mmPoints)
        return Value / 20;
    return MulDiv(Value, UnitsPerInch(OutUnits, DPI), UnitsPerInch(InUnits, DPI));
}

// ---- Creation -------------------------------------------------------------------------------

TPrintPreview::TPrintPreview(QWidget* Parent) : TScrollBox(Parent)
{
    SetTabStop(true);
    font_.SetName("Arial");
    font_.SetSize(8);
    const TPaperSizeInfo& a4 = PaperSizes[pA4];
    pageExt_ = {ConvertUnits(a4.Width, ScreenPixelsPerInchForPreview, a4.Units, units_),
                ConvertUnits(a4.Height, ScreenPixelsPerInchForPreview, a4.Units, units_)};
    UpdateDeviceExtent();
    pages_.OnChange = [this](TObject*) { PagesChanged(); };
    pages_.OnCurrentChange = [this](TObject*, int32_t i) { PageRewritten(i); };
    paperView_.OnChange = [this](TObject*) { OptionsChanged(); };

    sheet_ = new TPaperPreview(Viewport());
    sheet_->setFocusPolicy(Qt::NoFocus);
    sheet_->hide();
    sheet_->OnPaint = [this](QObject* s, TPainterCanvas& c, const TRect& r) { PaintPage(s, c, r); };
    sheet_->OnClick = [this](QObject*) {
        if (OnClick)
            OnClick(this);
    };
    sheet_->OnDblClick = [this](QObject*) {
        if (OnDblClick)
            OnDblClick(this);
    };
    sheet_->OnMouseDown = [this](QObject*, TMouseButton b, TShiftState s, int32_t x, int32_t y) {
        SheetMouseDown(b, s, x, y);
    };
    sheet_->OnMouseMove = [this](QObject*, TShiftState s, int32_t x, int32_t y) { SheetMouseMove(s, x, y); };
    sheet_->OnMouseUp = [this](QObject*, TMouseButton b, TShiftState s, int32_t x, int32_t y) {
        SheetMouseUp(b, s, x, y);
    };
    paperView_.AssignTo(*sheet_);
}

TPrintPreview::~TPrintPreview()
{
    // The strips bound to this preview let go of it.
    const std::vector<TThumbnailPreview*> strips = thumbnails_;
    for (TThumbnailPreview* strip : strips)
        strip->SetPrintPreview(nullptr);
    pages_.OnChange = nullptr;
    pages_.OnCurrentChange = nullptr;
    paperView_.OnChange = nullptr;
    RemoveAutoForm();
}

// ---- Units and paper ------------------------------------------------------------------------

int32_t TPrintPreview::ConvertX(int32_t Value, TUnits InUnits, TUnits OutUnits) const
{
    return ConvertUnits(Value, ScreenPixelsPerInchForPreview, InUnits, OutUnits);
}

int32_t TPrintPreview::ConvertY(int32_t Value, TUnits InUnits, TUnits OutUnits) const
{
    return ConvertUnits(Value, ScreenPixelsPerInchForPreview, InUnits, OutUnits);
}

void TPrintPreview::ConvertXY(int32_t X, int32_t Y, TUnits InUnits, TUnits OutUnits, TPoint& Result) const
{
    Result = {ConvertX(X, InUnits, OutUnits), ConvertY(Y, InUnits, OutUnits)};
}

void TPrintPreview::ConvertPoints(TPoint* Points, int32_t Count, TUnits InUnits, TUnits OutUnits) const
{
    for (int32_t i = 0; i < Count; ++i)
        ConvertXY(Points[i].X, Points[i].Y, InUnits, OutUnits, Points[i]);
}

void TPrintPreview::UpdateDeviceExtent()
{
    deviceExt_ = {ConvertX(pageExt_.X, units_, mmPixel), ConvertY(pageExt_.Y, units_, mmPixel)};
}

void TPrintPreview::SetPaperType(TPaperType Value)
{
    if (Value == paperType_ || state_ != psReady || Value >= PaperTypeCount)
        return;
    paperType_ = Value;
    formName_.clear();
    if (Value == pCustom)
        return; // the present size stays
    const TPaperSizeInfo& row = PaperSizes[Value];
    int32_t w = ConvertX(row.Width, row.Units, units_), h = ConvertY(row.Height, row.Units, units_);
    if (orientation_ == poLandscape)
        std::swap(w, h);
    pageExt_ = {w, h};
    UpdateDeviceExtent();
    UpdateZoom();
}

void TPrintPreview::SetPaperWidth(int32_t Value)
{
    SetPageSize(Value, pageExt_.Y);
}

void TPrintPreview::SetPaperHeight(int32_t Value)
{
    SetPageSize(pageExt_.X, Value);
}

void TPrintPreview::SetPageSize(int32_t Width, int32_t Height)
{
    Width = std::clamp(Width, 1, 32767);
    Height = std::clamp(Height, 1, 32767);
    if ((Width == pageExt_.X && Height == pageExt_.Y) || state_ != psReady)
        return;
    pageExt_ = {Width, Height};
    // The paper becomes the first row of that portrait size, or a custom one.
    int32_t w = Width, h = Height;
    if (orientation_ == poLandscape)
        std::swap(w, h);
    paperType_ = pCustom;
    for (int i = 0; i < pCustom; ++i) {
        const TPaperSizeInfo& row = PaperSizes[i];
        if (ConvertX(w, units_, row.Units) == row.Width && ConvertY(h, units_, row.Units) == row.Height) {
            paperType_ = TPaperType(i);
            break;
        }
    }
    formName_.clear();
    UpdateDeviceExtent();
    UpdateZoom();
}

void TPrintPreview::SetOrientation(TPrinterOrientation Value)
{
    if (Value == orientation_ || state_ != psReady)
        return;
    orientation_ = Value;
    std::swap(pageExt_.X, pageExt_.Y);
    UpdateDeviceExtent();
    UpdateZoom();
}

void TPrintPreview::SetUnits(TUnits Value)
{
    if (Value == units_ || Value > mmPoints)
        return;
    const TUnits old = units_;
    if (paperType_ != pCustom) {
        const TPaperSizeInfo& row = PaperSizes[paperType_];
        pageExt_ = {ConvertX(row.Width, row.Units, Value), ConvertY(row.Height, row.Units, Value)};
        if (orientation_ == poLandscape)
            std::swap(pageExt_.X, pageExt_.Y);
    } else {
        pageExt_ = {ConvertX(pageExt_.X, old, Value), ConvertY(pageExt_.Y, old, Value)};
    }
    units_ = Value;
    if (canvas_) {
        canvas_->Pen().SetWidth(ConvertX(canvas_->Pen().Width(), old, Value));
        PrepareCanvas(*canvas_);
    }
    UpdateDeviceExtent();
}

// ---- Recording ------------------------------------------------------------------------------

void TPrintPreview::PrepareCanvas(TDeviceCanvas& C)
{
    const int32_t devW = ConvertUnits(pageExt_.X, C.PixelsPerInchX(), units_, mmPixel);
    const int32_t devH = ConvertUnits(pageExt_.Y, C.PixelsPerInchY(), units_, mmPixel);
    C.SetMapMode(emf::MM_ANISOTROPIC);
    C.SetWindowExt(pageExt_.X, pageExt_.Y);
    C.SetViewportExt(devW, devH);
    C.SetViewportOrg(-C.PhysicalOffset().X, -C.PhysicalOffset().Y);
    // Point sizes come out right in logical units: the font counts logical units per inch.
    const int32_t size = C.Font().Size();
    C.Font().SetPixelsPerInch(MulDiv(C.PixelsPerInchY(), pageExt_.Y, std::max(1, devH)));
    C.Font().SetSize(size);
}

std::unique_ptr<TMetafile> TPrintPreview::NewPageMetafile(std::unique_ptr<TMetafileCanvas>& Canvas)
{
    try {
        auto metafile = std::make_unique<TMetafile>();
        metafile->SetWidth(deviceExt_.X);
        metafile->SetHeight(deviceExt_.Y);
        Canvas = std::make_unique<TMetafileCanvas>(*metafile);
        Canvas->Font().Assign(font_);
        PrepareCanvas(*Canvas);
        return metafile;
    } catch (const std::bad_alloc&) {
        Canvas.reset();
        throw EOutOfMemory(NotEnoughMemory);
    }
}

void TPrintPreview::RecordPage()
{
    pageMetafile_ = NewPageMetafile(pageCanvas_);
    canvas_ = pageCanvas_.get();
}

void TPrintPreview::DropPage()
{
    canvas_ = nullptr;
    pageCanvas_.reset();
    pageMetafile_.reset();
}

void TPrintPreview::ClosePage()
{
    canvas_ = nullptr;
    std::unique_ptr<TMetafile> metafile = std::move(pageMetafile_);
    try {
        pageCanvas_->Close();
    } catch (const std::bad_alloc&) {
        pageCanvas_.reset();
        throw EOutOfMemory(NotEnoughMemory);
    }
    pageCanvas_.reset();
    if (!metafile->HandleAllocated())
        throw EOutOfMemory(NotEnoughMemory);
    pages_.Add(*metafile);
}

void TPrintPreview::BeginDoc()
{
    if (state_ != psReady)
        return;
    canvas_ = nullptr;
    aborted_ = false;
    if (DirectPrint) {
        if (!PrinterInstalled())
            return;
        directPrinting_ = true;
        directPageCount_ = 0;
        if (UsePrinterOptions)
            GetPrinterOptions();
        else
            SetPrinterOptions();
        state_ = psPrinting;
        PrinterBeginDoc();
    } else {
        pages_.Clear();
        if (UsePrinterOptions)
            GetPrinterOptions();
        state_ = psCreating;
        directPrinting_ = false;
        UpdateDeviceExtent();
    }
    if (OnBeginDoc)
        OnBeginDoc(this);
    NewPage();
}

void TPrintPreview::NewPage()
{
    if (!(state_ == psCreating || (state_ == psPrinting && directPrinting_)))
        return;
    if (state_ == psCreating && aborted_) {
        // An abandoned recording ends here.
        DropPage();
        state_ = psReady;
        return;
    }
    if (canvas_ && OnEndPage)
        OnEndPage(this);
    if (directPrinting_) {
        if (canvas_) {
            ++directPageCount_;
            PrinterNewPage();
        } else {
            canvas_ = PrinterCanvas();
            if (canvas_)
                PrepareCanvas(*canvas_);
        }
        if (canvas_)
            canvas_->Font().Assign(font_);
    } else {
        try {
            if (pageCanvas_)
                ClosePage();
            RecordPage();
        } catch (...) {
            // A page that cannot be kept ends the recording; the pages before it stay.
            DropPage();
            state_ = psReady;
            throw;
        }
    }
    if (OnNewPage)
        OnNewPage(this);
}

void TPrintPreview::EndDoc()
{
    if (!(state_ == psCreating || (state_ == psPrinting && directPrinting_)))
        return;
    if (state_ == psCreating && aborted_) {
        DropPage();
        state_ = psReady;
        return;
    }
    if (OnEndPage)
        OnEndPage(this);
    if (directPrinting_) {
        ++directPageCount_;
        canvas_ = nullptr;
        PrinterEndDoc();
        directPrinting_ = false;
    } else {
        try {
            if (pageCanvas_)
                ClosePage();
        } catch (...) {
            DropPage();
            state_ = psReady;
            throw;
        }
    }
    if (OnEndDoc)
        OnEndDoc(this);
    state_ = psReady;
}

void TPrintPreview::Abort()
{
    if (aborted_)
        return;
    if (state_ == psCreating) {
        aborted_ = true;
        if (OnAbort)
            OnAbort(this);
        DropPage();
        pages_.Clear();
    } else if (state_ == psPrinting) {
        aborted_ = true;
        if (OnAbort)
            OnAbort(this);
        PrinterAbort();
    }
}

TDeviceCanvas* TPrintPreview::Canvas()
{
    return canvas_ ? canvas_ : PrinterCanvas();
}

int32_t TPrintPreview::TotalPages() const
{
    return directPrinting_ ? directPageCount_ : pages_.Count();
}

TMetafile* TPrintPreview::GetPage(int32_t PageNo)
{
    if (directPrinting_ || PageNo < 1 || PageNo > pages_.Count())
        return nullptr;
    return &pages_.Metafiles(PageNo - 1);
}

} // namespace qm
