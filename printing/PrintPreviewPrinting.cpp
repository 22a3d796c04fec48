// TPrintPreview's printer side: the control's paper imposed on the printer or taken from it,
// the printer's forms found, added and removed, the printable area, and printing recorded
// pages with progress and cancellation.
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <exception>

#include "platform/gui/Printer.h"
#include "printing/PrintPreview.h"

namespace qm {

namespace {

// A length in printer pixels in the control's units. (ConvertUnits would take pixels to be
// screen pixels when the units are pixels.)
int32_t FromPrinterPixels(int32_t Value, int32_t PrinterDpi, TUnits Units)
{
    if (Units == mmPixel)
        return MulDiv(Value, ScreenPixelsPerInchForPreview, PrinterDpi);
    return ConvertUnits(Value, PrinterDpi, mmPixel, Units);
}

// Whether a page holds a bit-block transfer, which the bitmap-aware drawing prints as a
// picture of the whole page.
bool HasBitBlt(const TMetafile& Page)
{
    bool found = false;
    Page.EnumerateRecords([&](const TEmfRecord& r) {
        found = r.Type == emf::EMR_BITBLT || r.Type == emf::EMR_STRETCHBLT;
        return !found;
    });
    return found;
}

} // namespace

bool TPrintPreview::PrinterInstalled() const
{
    return !Printer().Printers().empty();
}

bool TPrintPreview::PrinterReady() const
{
    // A printer removed from the system since it was chosen counts as none.
    return PrinterInstalled() && Printer().Available();
}

void TPrintPreview::GetPrintableRect(TRect& Rect) const
{
    Rect = GetPageBounds();
    if (!PrinterReady())
        return;
    const TPoint offset = Printer().PhysicalOffset();
    const int32_t dx = FromPrinterPixels(offset.X, Printer().PixelsPerInchX(), units_);
    const int32_t dy = FromPrinterPixels(offset.Y, Printer().PixelsPerInchY(), units_);
    Rect.Left += dx;
    Rect.Right -= dx;
    Rect.Top += dy;
    Rect.Bottom -= dy;
}

bool TPrintPreview::ListPrinterForms(std::vector<AnsiString>& Strings, std::vector<TSize>* Sizes)
{
    Strings.clear();
    if (Sizes)
        Sizes->clear();
    if (!PrinterReady())
        return false;
    std::vector<TFormInfo> forms;
    if (!Printer().EnumForms(forms))
        return false;
    for (const TFormInfo& f : forms)
        if (f.Size.cx >= 11 && f.Size.cy >= 11) {
            Strings.push_back(f.Name);
            if (Sizes)
                Sizes->push_back(f.Size);
        }
    return true;
}

// ---- Forms ----------------------------------------------------------------------------------

AnsiString TPrintPreview::FindFormName()
{
    if (!formName_.empty())
        return formName_;
    if (!PrinterReady())
        return {};
    std::vector<TFormInfo> forms;
    Printer().EnumForms(forms);
    // Forms hold portrait sizes.
    int32_t w = ConvertX(pageExt_.X, units_, mmLoMetric), h = ConvertY(pageExt_.Y, units_, mmLoMetric);
    if (orientation_ == poLandscape)
        std::swap(w, h);
    // Form sizes are rounded to tenths like the page's: truncated, a paper whose size ends in
    // half a tenth (Executive, Envelope #10) would miss its own form.
    for (const TFormInfo& f : forms)
        if ((f.Size.cx + 50) / 100 == w && (f.Size.cy + 50) / 100 == h) {
            formName_ = f.Name;
            break;
        }
    // The form this control added goes once another form fits the paper.
    if (!autoFormName_.empty() && !SameName(autoFormName_, formName_))
        RemoveForm(autoFormName_);
    if (formName_.empty()) {
        int32_t fw = pageExt_.X, fh = pageExt_.Y;
        if (orientation_ == poLandscape)
            std::swap(fw, fh);
        const AnsiString name = Format("%umm x %umm", unsigned(ConvertX(fw, units_, mmHiMetric) / 100),
                                       unsigned(ConvertY(fh, units_, mmHiMetric) / 100));
        if (AddForm(name, fw, fh)) {
            formName_ = name;
            autoFormName_ = name;
            if (OnAutoCustomForm)
                OnAutoCustomForm(this, name, coInsert);
        }
    }
    return formName_;
}

bool TPrintPreview::AddForm(const AnsiString& Name, int32_t Width, int32_t Height)
{
    TFormInfo form;
    form.Flags = FORM_USER;
    form.Name = Name;
    form.Size = {ConvertX(Width, units_, mmHiMetric) * 10, ConvertY(Height, units_, mmHiMetric) * 10};
    form.ImageableArea = {0, 0, form.Size.cx, form.Size.cy};
    return Printer().AddForm(form);
}

void TPrintPreview::RemoveForm(const AnsiString& Name)
{
    if (!Printer().DeleteForm(Name))
        return;
    if (SameName(formName_, Name))
        formName_.clear();
    if (SameName(autoFormName_, Name)) {
        const AnsiString removed = autoFormName_;
        autoFormName_.clear();
        if (OnAutoCustomForm)
            OnAutoCustomForm(this, removed, coRemove);
    }
}

void TPrintPreview::RemoveAutoForm()
{
    // Destroying the control: the form goes without an event.
    if (!autoFormName_.empty())
        Printer().DeleteForm(autoFormName_);
    autoFormName_.clear();
}

// ---- Printer settings -----------------------------------------------------------------------

void TPrintPreview::SetPrinterOptions()
{
    if (!PrinterReady())
        return;
    TDeviceMode dm = Printer().DeviceMode();
    dm.dmFields &= ~(DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_FORMNAME);
    const AnsiString form = FindFormName();
    if (!form.empty()) {
        dm.dmFields |= DM_FORMNAME;
        dm.SetFormName(form);
    }
    if (paperType_ == pCustom) {
        // The device mode holds portrait sizes in tenths of a millimetre, 16 bits each.
        int32_t w = ConvertX(pageExt_.X, units_, mmLoMetric), h = ConvertY(pageExt_.Y, units_, mmLoMetric);
        if (orientation_ == poLandscape)
            std::swap(w, h);
        if (w < 0 || w > 32767 || h < 0 || h > 32767)
            throw ERangeError(Format("The paper is too large for the printer: %d x %d mm.", w / 10, h / 10));
        dm.dmFields |= DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH;
        dm.dmPaperSize = DMPAPER_USER;
        dm.dmPaperWidth = int16_t(w);
        dm.dmPaperLength = int16_t(h);
    } else {
        dm.dmFields |= DM_PAPERSIZE;
        dm.dmPaperSize = int16_t(PaperSizes[paperType_].ID);
    }
    dm.dmFields |= DM_ORIENTATION;
    dm.dmOrientation = orientation_ == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    Printer().SetDeviceMode(dm);
}

void TPrintPreview::GetPrinterOptions()
{
    if (!PrinterReady())
        return;
    const TDeviceMode dm = Printer().DeviceMode();
    if (dm.dmFields & DM_ORIENTATION) {
        if (dm.dmOrientation == DMORIENT_PORTRAIT)
            SetOrientation(poPortrait);
        else if (dm.dmOrientation == DMORIENT_LANDSCAPE)
            SetOrientation(poLandscape);
    }
    TPaperType paper = pCustom;
    if (dm.dmFields & DM_PAPERSIZE)
        for (int i = 0; i < PaperTypeCount; ++i)
            if (PaperSizes[i].ID == uint16_t(dm.dmPaperSize)) {
                paper = TPaperType(i);
                break;
            }
    SetPaperType(paper);
    if (paper == pCustom) {
        int32_t w = ConvertX(dm.dmPaperWidth, mmLoMetric, units_),
                h = ConvertY(dm.dmPaperLength, mmLoMetric, units_);
        if (orientation_ == poLandscape)
            std::swap(w, h);
        SetPageSize(w, h);
    }
    if (dm.dmFields & DM_FORMNAME)
        formName_ = dm.FormName();
}

// ---- Printing -------------------------------------------------------------------------------

void TPrintPreview::Print()
{
    PrintPages(1, TotalPages());
}

void TPrintPreview::PrintPages(int32_t FromPage, int32_t ToPage)
{
    // Page numbers past the recorded pages would print empty sheets.
    FromPage = std::max(FromPage, 1);
    ToPage = std::min(ToPage, TotalPages());
    if (state_ != psReady || !PrinterInstalled() || TotalPages() == 0 || FromPage > ToPage)
        return;
    if (!Printer().Available())
        throw EPrinter(Printer().UnavailableText());

    bool completed = false, started = false;
    aborted_ = false;
    state_ = psPrinting;
    std::exception_ptr failure;
    try {
        if (OnBeforePrint)
            OnBeforePrint(this);
        if (!UsePrinterOptions)
            SetPrinterOptions();
        Printer().Title = PrintJobTitle;
        Printer().BeginDoc();
        started = true;
        // The sheet, in printer pixels with the origin at the printable area's corner.
        TRect r;
        if (UsePrinterOptions) {
            const TSize size = Printer().PhysicalSize();
            r = {0, 0, size.cx, size.cy};
        } else {
            r = {0, 0, ConvertUnits(pageExt_.X, Printer().PixelsPerInchX(), units_, mmPixel),
                 ConvertUnits(pageExt_.Y, Printer().PixelsPerInchY(), units_, mmPixel)};
        }
        const TPoint offset = Printer().PhysicalOffset();
        r = {r.Left - offset.X, r.Top - offset.Y, r.Right - offset.X, r.Bottom - offset.Y};

        const int32_t count = ToPage - FromPage + 1;
        for (int32_t page = FromPage; page <= ToPage && !aborted_; ++page) {
            DoPrintProgress(page, page - FromPage, count);
            if (!aborted_)
                DrawPage(page, r);
            DoPrintProgress(page, page - FromPage + 1, count);
            if (!aborted_) {
                if (page < ToPage)
                    Printer().NewPage();
                else
                    completed = true;
            }
        }
    } catch (const EAbort&) {
        // Cancelled by the user: the job ends as incomplete, silently.
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        EndPrinting(completed, started);
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    if (failure)
        std::rethrow_exception(failure);
}

void TPrintPreview::EndPrinting(bool Completed, bool Started)
{
    // Runs after every job, also a failed one: the printer is left without this control's job
    // and the control idle, whatever fails on the way.
    aborted_ = aborted_ || !Completed;
    std::exception_ptr failure;
    if (Started) {
        try {
            if (!Completed && Printer().Printing())
                Printer().Abort();
            if (Printer().Printing())
                Printer().EndDoc();
        } catch (...) {
            failure = std::current_exception();
            aborted_ = true;
            Printer().Abort();
        }
        Printer().ReleaseJob();
    }
    Printer().Title.clear();
    try {
        if (OnAfterPrint)
            OnAfterPrint(this);
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    state_ = psReady;
    if (failure)
        std::rethrow_exception(failure);
}

void TPrintPreview::DoPrintProgress(int32_t PageNo, int32_t Done, int32_t Total)
{
    bool abortIt = aborted_;
    if (!aborted_ && OnPrintProgress)
        OnPrintProgress(this, PageNo, MulDiv(100, Done, Total), abortIt);
    if (abortIt && !aborted_)
        Abort();
}

void TPrintPreview::DrawPage(int32_t PageNo, const TRect& R)
{
    TMetafile* page = GetPage(PageNo);
    TPainterCanvas* canvas = Printer().Canvas();
    if (!page || !canvas)
        return;
    if (FastPrint || !HasBitBlt(*page)) {
        canvas->StretchDraw(R, *page);
        return;
    }
    // A page with pictures goes to the printer as one picture of the page, drawn at the
    // page's screen size and stretched over the sheet. A page too large for a picture in
    // memory is played like in fast mode.
    QImage picture(std::max(1, page->Width()), std::max(1, page->Height()), QImage::Format_RGB888);
    if (picture.isNull()) {
        canvas->StretchDraw(R, *page);
        return;
    }
    picture.fill(Qt::white);
    {
        QPainter p(&picture);
        page->Play(p, QRectF(0, 0, picture.width(), picture.height()));
    }
    canvas->StretchDraw(R, picture);
}

// ---- Printing directly ----------------------------------------------------------------------

TDeviceCanvas* TPrintPreview::PrinterCanvas()
{
    return Printer().Printing() ? Printer().Canvas() : nullptr;
}

void TPrintPreview::PrinterBeginDoc()
{
    Printer().Title = PrintJobTitle;
    try {
        Printer().BeginDoc();
    } catch (...) {
        // No job: the control is idle again.
        directPrinting_ = false;
        state_ = psReady;
        throw;
    }
}

void TPrintPreview::PrinterNewPage()
{
    Printer().NewPage();
}

void TPrintPreview::PrinterEndDoc()
{
    try {
        Printer().EndDoc();
    } catch (...) {
        directPrinting_ = false;
        aborted_ = true;
        state_ = psReady;
        throw;
    }
}

void TPrintPreview::PrinterAbort()
{
    if (Printer().Printing() && !Printer().Aborted())
        Printer().Abort();
}

} // namespace qm
