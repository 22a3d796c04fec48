#include "platform/gui/Printer.h"

#include <cups/cups.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "platform/AtomicFile.h"
#include "platform/DeviceCanvas.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"

namespace qm {

const char* const TPrinter::PdfFilePrinterName = "Print to File (PDF)";

AnsiString TDeviceMode::FormName() const
{
    return AnsiString(dmFormName, strnlen(dmFormName, CCHFORMNAME));
}

void TDeviceMode::SetFormName(const AnsiString& Name)
{
    std::memset(dmFormName, 0, CCHFORMNAME);
    std::memcpy(dmFormName, Name.data(), std::min(Name.size(), CCHFORMNAME - 1));
}

namespace {

// Sizes of papers defined in inches, as thousandths of an inch, in thousandths of a millimetre.
constexpr int32_t Inch(int32_t thousandths)
{
    return thousandths * 254 / 10;
}
// Papers defined in millimetres, from tenths of a millimetre.
constexpr int32_t Mm(int32_t tenths)
{
    return tenths * 100;
}

const std::vector<TStandardForm> Standard = {
    {1, "Letter", Inch(8500), Inch(11000)},
    {2, "Letter Small", Inch(8500), Inch(11000)},
    {3, "Tabloid", Inch(11000), Inch(17000)},
    {4, "Ledger", Inch(17000), Inch(11000)},
    {5, "Legal", Inch(8500), Inch(14000)},
    {6, "Statement", Inch(5500), Inch(8500)},
    {7, "Executive", Inch(7250), Inch(10500)},
    {8, "A3", Mm(2970), Mm(4200)},
    {9, "A4", Mm(2100), Mm(2970)},
    {10, "A4 Small", Mm(2100), Mm(2970)},
    {11, "A5", Mm(1480), Mm(2100)},
    {12, "B4 (JIS)", Mm(2500), Mm(3540)},
    {13, "B5 (JIS)", Mm(1820), Mm(2570)},
    {14, "Folio", Inch(8500), Inch(13000)},
    {15, "Quarto", Mm(2150), Mm(2750)},
    {16, "10x14", Inch(10000), Inch(14000)},
    {17, "11x17", Inch(11000), Inch(17000)},
    {18, "Note", Inch(8500), Inch(11000)},
    {19, "Envelope #9", Inch(3875), Inch(8875)},
    {20, "Envelope #10", Inch(4125), Inch(9500)},
    {21, "Envelope #11", Inch(4500), Inch(10375)},
    {22, "Envelope #12", Inch(4750), Inch(11000)},
    {23, "Envelope #14", Inch(5000), Inch(11500)},
    {24, "C size sheet", Inch(17000), Inch(22000)},
    {25, "D size sheet", Inch(22000), Inch(34000)},
    {26, "E size sheet", Inch(34000), Inch(44000)},
    {27, "Envelope DL", Mm(1100), Mm(2200)},
    {28, "Envelope C5", Mm(1620), Mm(2290)},
    {29, "Envelope C3", Mm(3240), Mm(4580)},
    {30, "Envelope C4", Mm(2290), Mm(3240)},
    {31, "Envelope C6", Mm(1140), Mm(1620)},
    {32, "Envelope C65", Mm(1140), Mm(2290)},
    {33, "Envelope B4", Mm(2500), Mm(3530)},
    {34, "Envelope B5", Mm(1760), Mm(2500)},
    {35, "Envelope B6", Mm(1760), Mm(1250)},
    {36, "Envelope Italy", Mm(1100), Mm(2300)},
    {37, "Envelope Monarch", Inch(3875), Inch(7500)},
    {38, "Envelope Personal", Inch(3625), Inch(6500)},
    {39, "US Std Fanfold", Inch(14875), Inch(11000)},
    {40, "German Std Fanfold", Inch(8500), Inch(12000)},
    {41, "German Legal Fanfold", Inch(8500), Inch(13000)},
    {42, "B4 (ISO)", Mm(2500), Mm(3530)},
    {43, "Japanese Postcard", Mm(1000), Mm(1480)},
    {44, "9x11", Inch(9000), Inch(11000)},
    {45, "10x11", Inch(10000), Inch(11000)},
    {46, "15x11", Inch(15000), Inch(11000)},
    {47, "Envelope Invite", Mm(2200), Mm(2200)},
    {50, "Letter Extra", Inch(9500), Inch(12000)},
    {51, "Legal Extra", Inch(9500), Inch(15000)},
    {52, "Tabloid Extra", Inch(11690), Inch(18000)},
    {53, "A4 Extra", Inch(9270), Inch(12690)},
    {54, "Letter Transverse", Inch(8500), Inch(11000)},
    {55, "A4 Transverse", Mm(2100), Mm(2970)},
    {56, "Letter Extra Transverse", Inch(9500), Inch(12000)},
    {57, "Super A", Mm(2270), Mm(3560)},
    {58, "Super B", Mm(3050), Mm(4870)},
    {59, "Letter Plus", Inch(8500), Inch(12690)},
    {60, "A4 Plus", Mm(2100), Mm(3300)},
    {61, "A5 Transverse", Mm(1480), Mm(2100)},
    {62, "B5 (JIS) Transverse", Mm(1820), Mm(2570)},
    {63, "A3 Extra", Mm(3220), Mm(4450)},
    {64, "A5 Extra", Mm(1740), Mm(2350)},
    {65, "B5 (ISO) Extra", Mm(2010), Mm(2760)},
    {66, "A2", Mm(4200), Mm(5940)},
    {67, "A3 Transverse", Mm(2970), Mm(4200)},
    {68, "A3 Extra Transverse", Mm(3220), Mm(4450)},
};

// A page size in thousandths of a millimetre, without the rounding of its millimetre form.
TSize Micrometres(const QPageSize& size)
{
    const QSizeF d = size.definitionSize();
    double k = 1000.0;
    switch (size.definitionUnits()) {
    case QPageSize::Millimeter:
        k = 1000.0;
        break;
    case QPageSize::Inch:
        k = 25400.0;
        break;
    case QPageSize::Point:
        k = 25400.0 / 72;
        break;
    default: {
        const QSizeF mm = size.size(QPageSize::Millimeter);
        return {int32_t(std::lround(mm.width() * 1000)), int32_t(std::lround(mm.height() * 1000))};
    }
    }
    return {int32_t(std::lround(d.width() * k)), int32_t(std::lround(d.height() * k))};
}

bool SameSize(const TSize& a, const TSize& b)
{
    // Within a tenth of a millimetre: sizes given in points or inches come out a few
    // micrometres apart from the same paper given in millimetres.
    return std::abs(a.cx - b.cx) <= 100 && std::abs(a.cy - b.cy) <= 100;
}

QPageSize CustomPageSize(const TSize& um, const AnsiString& name)
{
    return QPageSize(QSizeF(um.cx / 1000.0, um.cy / 1000.0), QPageSize::Millimeter, ToQString(name),
                     QPageSize::ExactMatch);
}

bool IsPdfName(const AnsiString& name)
{
    return name == TPrinter::PdfFilePrinterName;
}

// The print server's queue of a destination named "queue/instance".
std::string QueueOf(const AnsiString& name)
{
    return name.substr(0, name.find('/'));
}

// ---- The print server ---------------------------------------------------------------------

// Where the toolkit's own calls go while the print server is silent: a socket that cannot
// exist, so they fail at once.
constexpr const char* kNoServer = "/dev/null/no-print-server";

// Called when a wait on the print server ran out: notes it and gives up.
int GiveUp(http_t*, void* timedOut)
{
    *static_cast<bool*>(timedOut) = true;
    return 0;
}

// A connection to the print server on which every wait gives up after the time-out; timedOut
// tells whether one did. http is null when the server cannot be reached.
struct TServerConnection {
    explicit TServerConnection(int32_t timeoutMs)
    {
        const int msec = std::max(1, timeoutMs);
        errno = 0;
        http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, msec, nullptr);
        if (!http) {
            error = errno;
            timedOut = error == ETIMEDOUT;
            return;
        }
        httpSetTimeout(http, msec / 1000.0, GiveUp, &timedOut);
    }
    ~TServerConnection()
    {
        if (http)
            httpClose(http);
    }
    TServerConnection(const TServerConnection&) = delete;
    TServerConnection& operator=(const TServerConnection&) = delete;

    http_t* http = nullptr;
    bool timedOut = false;
    int error = 0; // why the server could not be reached
};

// Asks the server for its default queue; true when it let the time-out pass without an
// answer. The request is posted by hand: the library's own request routines first wait a
// second more for an interim reply.
bool AskServerTimesOut(int32_t timeoutMs)
{
    TServerConnection server(timeoutMs);
    if (!server.http)
        return server.timedOut;
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_DEFAULT);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "printer-name");
    httpClearFields(server.http);
    httpSetField(server.http, HTTP_FIELD_CONTENT_TYPE, "application/ipp");
    httpSetLength(server.http, ippLength(request));
    if (httpPost(server.http, "/") == 0) {
        ipp_state_t state;
        while ((state = ippWrite(server.http, request)) != IPP_STATE_DATA && state != IPP_STATE_ERROR) {
        }
        if (state == IPP_STATE_DATA)
            while (httpUpdate(server.http) == HTTP_STATUS_CONTINUE) {
            }
    }
    ippDelete(request);
    return server.timedOut;
}

// Creates a job on the queue over the connection; its id, 0 when the server refused it. (The
// library's own job creation first looks the queue up over a connection without the time-out.)
int CreateJob(http_t* http, const std::string& queue, const char* title, int numOptions,
              cups_option_t* options)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", queue.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_CREATE_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title);
    cupsEncodeOptions2(request, numOptions, options, IPP_TAG_OPERATION);
    cupsEncodeOptions2(request, numOptions, options, IPP_TAG_JOB);
    ipp_t* response = cupsDoRequest(http, request, ("/printers/" + queue).c_str());
    ipp_attribute_t* id = ippFindAttribute(response, "job-id", IPP_TAG_INTEGER);
    const int job = id && cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE ? ippGetInteger(id, 0) : 0;
    ippDelete(response);
    return job;
}

// A file name of the job title, without the characters a file name cannot have.
AnsiString SuggestedFileName(const AnsiString& title)
{
    AnsiString name;
    for (char c : title)
        name += (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 32) ? '_' : c;
    return (name.empty() ? AnsiString("Quillmart") : name) + ".pdf";
}

// A file name of the print dialog with its folder: a bare name means the home folder, not
// the folder the program happened to be started from. Paths are the system's bytes.
std::string InHomeFolder(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    return PathFromQString(QDir::home().absoluteFilePath(PathToQString(path)));
}

} // namespace

const std::vector<TStandardForm>& StandardForms()
{
    return Standard;
}

AnsiString PrintServerSilentText()
{
    return "The print server does not answer, so its printers cannot be used now. \"Print to File (PDF)\" "
           "can still be used.";
}

TSilentServerBypass::TSilentServerBypass() : active_(Printer().ServerSilent())
{
    if (active_)
        cupsSetServer(kNoServer);
}

TSilentServerBypass::~TSilentServerBypass()
{
    // Back to the configured server.
    if (active_)
        cupsSetServer(nullptr);
}

// ---- The job --------------------------------------------------------------------------------

struct TPrinter::TJob {
    AnsiString printer;
    AnsiString title;
    QBuffer buffer;
    std::unique_ptr<QPdfWriter> writer;
    QPainter painter;
    std::unique_ptr<AtomicFileWriter> file; // the PDF-file printer's target
};

TPrinter::TPrinter()
{
    ResetDeviceMode();
}

TPrinter::~TPrinter()
{
    ReleaseJob();
}

namespace {
void ReleasePrintersJob()
{
    Printer().ReleaseJob();
}
} // namespace

TPrinter& Printer()
{
    static TPrinter printer;
    // What a job holds goes with the application, before the fonts and the paint engines.
    static const bool released = (qAddPostRoutine(ReleasePrintersJob), true);
    (void)released;
    return printer;
}

// ---- Print server ---------------------------------------------------------------------------

bool TPrinter::ServerSilent() const
{
    const auto now = std::chrono::steady_clock::now();
    if (silent_ && now - silentSince_ < std::chrono::milliseconds(ServerSilenceKept))
        return true;
    ++serverQuestions_;
    silent_ = false;
    if (AskServerTimesOut(ServerTimeout))
        NoteServerSilent();
    return silent_;
}

void TPrinter::NoteServerSilent() const
{
    silent_ = true;
    silentSince_ = std::chrono::steady_clock::now();
}

// ---- Printers -------------------------------------------------------------------------------

std::vector<AnsiString> TPrinter::Printers() const
{
    std::vector<AnsiString> names;
    if (!ServerSilent())
        for (const QString& n : QPrinterInfo::availablePrinterNames())
            names.push_back(FromQString(n));
    names.push_back(PdfFilePrinterName);
    return names;
}

AnsiString TPrinter::PrinterName() const
{
    if (!chosen_.empty())
        return chosen_;
    // No default queue while the server does not answer.
    const QString def = ServerSilent() ? QString() : QPrinterInfo::defaultPrinterName();
    return def.isEmpty() ? AnsiString(PdfFilePrinterName) : FromQString(def);
}

bool TPrinter::SetPrinterName(const AnsiString& Name)
{
    const std::vector<AnsiString> names = Printers();
    if (std::find(names.begin(), names.end(), Name) == names.end())
        return false;
    chosen_ = Name;
    ResetDeviceMode();
    return true;
}

int32_t TPrinter::PrinterIndex() const
{
    const std::vector<AnsiString> names = Printers();
    const auto it = std::find(names.begin(), names.end(), PrinterName());
    return it == names.end() ? -1 : int32_t(it - names.begin());
}

void TPrinter::SetPrinterIndex(int32_t Index)
{
    if (Index == -1) {
        chosen_.clear();
        ResetDeviceMode();
        return;
    }
    const std::vector<AnsiString> names = Printers();
    if (Index < 0 || Index >= int32_t(names.size()))
        throw EPrinter("Printer selected is not valid.");
    SetPrinterName(names[Index]);
}

bool TPrinter::IsPdfFilePrinter() const
{
    return IsPdfName(PrinterName());
}

bool TPrinter::Available() const
{
    const AnsiString name = PrinterName();
    return IsPdfName(name) || (!ServerSilent() && !QPrinterInfo::printerInfo(ToQString(name)).isNull());
}

AnsiString TPrinter::UnavailableText() const
{
    if (ServerSilent())
        return PrintServerSilentText();
    return Format("The printer \"%s\" is not installed any more. Choose another printer.",
                  PrinterName().c_str());
}

void TPrinter::FromQPrinter(const QPrinter& Source)
{
    if (Source.outputFormat() == QPrinter::PdfFormat) {
        SetPrinterName(PdfFilePrinterName);
        OutputFileName = InHomeFolder(PathFromQString(Source.outputFileName()));
    } else if (!SetPrinterName(FromQString(Source.printerName()))) {
        if (ServerSilent())
            throw EPrinter(PrintServerSilentText());
        throw EPrinter(
            Format("The printer \"%s\" is not installed.", FromQString(Source.printerName()).c_str()));
    }
}

void TPrinter::ToQPrinter(QPrinter& Dest) const
{
    // A queue of a silent server cannot be set up on the toolkit's printer without waiting
    // for the server: the dialog starts on the PDF file instead.
    if (IsPdfFilePrinter() || ServerSilent()) {
        Dest.setOutputFormat(QPrinter::PdfFormat);
        Dest.setOutputFileName(PathToQString(
            InHomeFolder(OutputFileName.empty() ? ToFileName(SuggestedFileName(Title)) : OutputFileName)));
    } else {
        Dest.setPrinterName(ToQString(PrinterName()));
    }
    Dest.setPageLayout(layout_);
}

// ---- Device mode ----------------------------------------------------------------------------

void TPrinter::ResetDeviceMode()
{
    // A printer's own paper: the queue's default size, the local paper for the PDF file.
    QPageSize size;
    const AnsiString name = PrinterName();
    if (!IsPdfName(name) && !ServerSilent())
        size = QPrinterInfo::printerInfo(ToQString(name)).defaultPageSize();
    if (!size.isValid())
        size =
            QPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                                         : QPageSize::A4);
    const TSize um = Micrometres(size);
    TDeviceMode dm;
    dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_FORMNAME;
    dm.dmOrientation = DMORIENT_PORTRAIT;
    dm.dmPaperSize = DMPAPER_USER;
    for (const TStandardForm& f : Standard)
        if (SameSize({f.Width, f.Height}, um)) {
            dm.dmPaperSize = f.PaperId;
            break;
        }
    dm.dmPaperWidth = int16_t(std::clamp(um.cx / 100, 1, 32767));
    dm.dmPaperLength = int16_t(std::clamp(um.cy / 100, 1, 32767));
    for (const TFormInfo& f : OwnForms())
        if (SameSize(f.Size, um)) {
            dm.SetFormName(f.Name);
            break;
        }
    layout_ = QPageLayout(size, QPageLayout::Portrait, QMarginsF());
    SetDeviceMode(dm);
}

void TPrinter::SetDeviceMode(const TDeviceMode& Value)
{
    deviceMode_ = Value;
    const uint32_t f = Value.dmFields;
    const AnsiString name = PrinterName();
    std::vector<TFormInfo> forms;
    EnumForms(forms);

    // The paper: a size of its own, else the named form, else the paper id; else it stays.
    TSize um{};
    AnsiString formName;
    if ((f & DM_PAPERSIZE) && Value.dmPaperSize == DMPAPER_USER && (f & DM_PAPERWIDTH) &&
        (f & DM_PAPERLENGTH) && Value.dmPaperWidth > 0 && Value.dmPaperLength > 0)
        um = {Value.dmPaperWidth * 100, Value.dmPaperLength * 100};
    if (um.cx == 0 && (f & DM_FORMNAME)) {
        // A name cut to the field finds its form too.
        const AnsiString wanted = Value.FormName();
        for (const TFormInfo& form : forms)
            if (SameName(form.Name, wanted) || (form.Name.size() >= CCHFORMNAME - 1 &&
                                                SameName(form.Name.substr(0, CCHFORMNAME - 1), wanted))) {
                um = form.Size;
                formName = form.Name;
                break;
            }
    }
    if (um.cx == 0 && (f & DM_PAPERSIZE))
        for (const TStandardForm& s : Standard)
            if (s.PaperId == Value.dmPaperSize) {
                um = {s.Width, s.Height};
                formName = s.Name;
                break;
            }

    QPageSize size = layout_.pageSize();
    if (um.cx > 0 && um.cy > 0) {
        size = CustomPageSize(um, formName.empty() ? Format("%dmm x %dmm", um.cx / 1000, um.cy / 1000)
                                                   : formName);
        // A size the queue knows keeps the queue's own name for it.
        if (!IsPdfName(name) && !ServerSilent())
            for (const QPageSize& s : QPrinterInfo::printerInfo(ToQString(name)).supportedPageSizes())
                if (SameSize(Micrometres(s), um)) {
                    size = s;
                    break;
                }
    }
    QPageLayout::Orientation orientation = layout_.orientation();
    if (f & DM_ORIENTATION) {
        if (Value.dmOrientation == DMORIENT_PORTRAIT)
            orientation = QPageLayout::Portrait;
        else if (Value.dmOrientation == DMORIENT_LANDSCAPE)
            orientation = QPageLayout::Landscape;
    }

    // The printable area: what the queue's driver says for this paper; a PDF file has none
    // but the paper.
    QMarginsF margins;
    if (!IsPdfName(name) && Available()) {
        // The driver gives the portrait sheet's edges; a turned sheet has its long edges at
        // the top and bottom.
        QPrinter probe(QPrinter::HighResolution);
        probe.setPrinterName(ToQString(name));
        probe.setPageOrientation(QPageLayout::Portrait);
        probe.setPageSize(size);
        QPageLayout pl = probe.pageLayout();
        pl.setUnits(QPageLayout::Point);
        margins = pl.minimumMargins();
        if (orientation == QPageLayout::Landscape)
            margins = QMarginsF(margins.bottom(), margins.left(), margins.top(), margins.right());
    }
    layout_ = QPageLayout(size, orientation, margins, QPageLayout::Point, margins);
}

QPageLayout TPrinter::PageLayout() const
{
    return layout_;
}

// ---- Forms ----------------------------------------------------------------------------------

std::vector<TFormInfo> TPrinter::OwnForms() const
{
    std::vector<TFormInfo> forms;
    const AnsiString name = PrinterName();
    if (IsPdfName(name)) {
        for (const TStandardForm& s : Standard)
            forms.push_back({FORM_BUILTIN, s.Name, {s.Width, s.Height}, {0, 0, s.Width, s.Height}});
        return forms;
    }
    if (ServerSilent())
        return forms;
    for (const QPageSize& s : QPrinterInfo::printerInfo(ToQString(name)).supportedPageSizes()) {
        const TSize um = Micrometres(s);
        forms.push_back({FORM_PRINTER, FromQString(s.name()), um, {0, 0, um.cx, um.cy}});
    }
    return forms;
}

bool TPrinter::EnumForms(std::vector<TFormInfo>& Forms) const
{
    Forms.clear();
    if (!Available())
        return false;
    Forms = OwnForms();
    Forms.insert(Forms.end(), userForms_.begin(), userForms_.end());
    return true;
}

bool TPrinter::AddForm(const TFormInfo& Form)
{
    if (Form.Name.empty() || Form.Name.size() >= CCHFORMNAME || Form.Size.cx <= 0 || Form.Size.cy <= 0)
        return false;
    std::vector<TFormInfo> forms;
    if (!EnumForms(forms))
        return false;
    for (const TFormInfo& f : forms)
        if (SameName(f.Name, Form.Name))
            return false;
    TFormInfo added = Form;
    added.Flags = FORM_USER;
    userForms_.push_back(added);
    return true;
}

bool TPrinter::DeleteForm(const AnsiString& Name)
{
    const auto it = std::find_if(userForms_.begin(), userForms_.end(),
                                 [&](const TFormInfo& f) { return SameName(f.Name, Name); });
    if (it == userForms_.end())
        return false;
    userForms_.erase(it);
    return true;
}

// ---- Device ---------------------------------------------------------------------------------

TSize TPrinter::PhysicalSize() const
{
    TSize um = Micrometres(layout_.pageSize());
    if (layout_.orientation() == QPageLayout::Landscape)
        std::swap(um.cx, um.cy);
    return {int32_t(std::lround(um.cx * double(Resolution) / 25400)),
            int32_t(std::lround(um.cy * double(Resolution) / 25400))};
}

TPoint TPrinter::PhysicalOffset() const
{
    const QMarginsF m = layout_.margins(QPageLayout::Point);
    return {int32_t(std::lround(m.left() * Resolution / 72)),
            int32_t(std::lround(m.top() * Resolution / 72))};
}

// ---- Jobs -----------------------------------------------------------------------------------

void TPrinter::ReleaseJob()
{
    // A job still running is dropped, as by Abort.
    if (printing_) {
        printing_ = false;
        aborted_ = true;
    }
    canvas_.reset();
    if (job_ && job_->painter.isActive())
        job_->painter.end();
    job_.reset();
}

void TPrinter::BeginDoc()
{
    if (printing_)
        throw EPrinter("Printing in progress.");
    const AnsiString name = PrinterName();
    if (!Available())
        throw EPrinter(UnavailableText());
    ReleaseJob();
    auto job = std::make_unique<TJob>();
    job->printer = name;
    job->title = Title;
    if (IsPdfName(name)) {
        std::string path = OutputFileName;
        if (path.empty()) {
            FileDialogRequest request;
            request.kind = FileDialogRequest::Save;
            request.title = "Print to File";
            request.filter = "PDF files (*.pdf)|*.pdf|All files (*.*)|*.*";
            request.defaultExt = "pdf";
            request.initialDir = printToFileFolder_.empty() ? HomeFolder() : printToFileFolder_;
            request.fileName = ToFileName(SuggestedFileName(Title));
            if (!PromptForFile(request, path))
                throw EAbort("Operation aborted");
            printToFileFolder_ = FolderOfChoice(path);
        }
        job->file = std::make_unique<AtomicFileWriter>(path);
    }
    job->buffer.open(QIODevice::WriteOnly);
    job->writer = std::make_unique<QPdfWriter>(&job->buffer);
    job->writer->setResolution(Resolution);
    job->writer->setPageLayout(layout_);
    job->writer->setTitle(ToQString(Title));
    job->writer->setCreator("Quillmart");
    if (!job->painter.begin(job->writer.get()))
        throw EPrinter("The print job could not be started.");
    job_ = std::move(job);
    canvas_ = std::make_unique<TPainterCanvas>(job_->painter, Resolution, Resolution);
    canvas_->SetPhysicalOffset(PhysicalOffset());
    printing_ = true;
    aborted_ = false;
    pageNumber_ = 1;
}

void TPrinter::NewPage()
{
    if (!printing_)
        return;
    job_->writer->newPage();
    ++pageNumber_;
}

void TPrinter::EndDoc()
{
    if (!printing_)
        return;
    printing_ = false;
    canvas_.reset();
    try {
        if (!job_->painter.end())
            throw EPrinter("The print job could not be finished.");
        const QByteArray pdf = job_->buffer.data();
        if (job_->file) {
            job_->file->Write(std::string_view(pdf.constData(), size_t(pdf.size())));
            job_->file->Commit();
        } else {
            Submit(pdf);
        }
    } catch (...) {
        aborted_ = true;
        ReleaseJob();
        throw;
    }
    ReleaseJob();
}

void TPrinter::Abort()
{
    if (!printing_)
        return;
    printing_ = false;
    aborted_ = true;
    // No file and nothing at the queue; the drawing that may still come goes into the
    // dropped document.
    job_->file.reset();
}

void TPrinter::Submit(const QByteArray& Pdf)
{
    const std::string queue = QueueOf(job_->printer);
    const QByteArray title = ToQString(job_->title).toUtf8();
    const TSize um = Micrometres(layout_.pageSize());
    // The job goes over a connection of its own, so that each step gives up when the server
    // stops answering.
    TServerConnection server(ServerTimeout);
    auto fail = [&](int job) {
        if (server.timedOut) {
            // Nothing can be asked of the server now, not even to cancel the job.
            NoteServerSilent();
            throw EPrinter(Format("The print server did not answer while the job was handed to \"%s\"; it "
                                  "may not be printed. \"Print to File (PDF)\" can still be used.",
                                  job_->printer.c_str()));
        }
        const std::string reason = !server.http            ? std::strerror(server.error)
                                   : cupsLastErrorString() ? cupsLastErrorString()
                                                           : "unknown error";
        if (job > 0)
            cupsCancelJob2(server.http, queue.c_str(), job, 0);
        if (!Available())
            throw EPrinter(
                Format("The printer \"%s\" was removed while the job was made; nothing was printed.",
                       job_->printer.c_str()));
        throw EPrinter(Format("The printer \"%s\" did not take the print job: %s", job_->printer.c_str(),
                              reason.c_str()));
    };
    if (!server.http)
        fail(0);
    cups_option_t* options = nullptr;
    int count = 0;
    const QString key = layout_.pageSize().key();
    const std::string media = key.startsWith("Custom.") || key.isEmpty()
                                  ? Format("Custom.%gx%gmm", um.cx / 1000.0, um.cy / 1000.0)
                                  : key.toStdString();
    count = cupsAddOption("media", media.c_str(), count, &options);
    const int id = CreateJob(server.http, queue, title.constData(), count, options);
    cupsFreeOptions(count, options);
    if (id <= 0)
        fail(0);
    if (cupsStartDocument(server.http, queue.c_str(), id, title.constData(), CUPS_FORMAT_PDF, 1) !=
            HTTP_STATUS_CONTINUE ||
        cupsWriteRequestData(server.http, Pdf.constData(), size_t(Pdf.size())) != HTTP_STATUS_CONTINUE) {
        if (!server.timedOut)
            cupsFinishDocument(server.http, queue.c_str());
        fail(id);
    }
    if (cupsFinishDocument(server.http, queue.c_str()) > IPP_STATUS_OK_EVENTS_COMPLETE)
        fail(id);
    lastJobId_ = id;
}

} // namespace qm
