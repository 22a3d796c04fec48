#pragma once
// The program's one printer object: the printers of the system, the current one, its device
// mode (paper, size, orientation and form as the printing code reads and writes them), its
// paper forms, its resolution and unprintable edges, and print jobs.
//
// The printers are the print server's queues (CUPS), then the PDF-file printer, which writes
// each job to a PDF file and is there on every machine. A job is drawn into a PDF document in
// memory; EndDoc hands the whole document to the queue (or writes the file), so Abort, or a
// failure before the end, leaves nothing at the printer.
//
// Forms: the PDF-file printer knows the standard paper forms, in the order of their paper ids;
// a queue knows the page sizes its driver lists. Forms the program adds with AddForm are kept
// by this object for as long as it lives and listed after every printer's own forms.
//
// The print server: before the toolkit is asked about queues, the server is asked a small
// question over a connection of this object's own that gives up after ServerTimeout; job
// hand-over goes over such a connection too. A server that lets the time-out pass (one that
// accepts connections and never answers, a stopped one) counts as silent, and is not asked
// again, for ServerSilenceKept: meanwhile its queues are neither listed nor available, jobs
// for them are refused with PrintServerSilentText, and the PDF-file printer works as ever. So
// a command waits for a silent server once, not once for each call.
#include <QPageLayout>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"

class QPrinter;

namespace qm {

class TPainterCanvas;

// Which fields of a device mode are set.
constexpr uint32_t DM_ORIENTATION = 0x1;
constexpr uint32_t DM_PAPERSIZE = 0x2;
constexpr uint32_t DM_PAPERLENGTH = 0x4;
constexpr uint32_t DM_PAPERWIDTH = 0x8;
constexpr uint32_t DM_FORMNAME = 0x10000;
constexpr int16_t DMORIENT_PORTRAIT = 1;
constexpr int16_t DMORIENT_LANDSCAPE = 2;
// The paper id of a size given by width and length.
constexpr int16_t DMPAPER_USER = 256;
// The form-name field, its terminating null included.
constexpr size_t CCHFORMNAME = 32;

// A printer's paper settings. Lengths are portrait sizes in tenths of a millimetre.
struct TDeviceMode {
    uint32_t dmFields = 0;
    int16_t dmOrientation = DMORIENT_PORTRAIT;
    int16_t dmPaperSize = 0;
    int16_t dmPaperLength = 0;
    int16_t dmPaperWidth = 0;
    char dmFormName[CCHFORMNAME] = {};

    // The form name up to its first null.
    AnsiString FormName() const;
    // Copies the name, cut to fit the field with its terminating null.
    void SetFormName(const AnsiString& Name);
};

// Form flags: added by a program, one of the standard forms, one a printer's driver lists.
constexpr uint32_t FORM_USER = 0;
constexpr uint32_t FORM_BUILTIN = 1;
constexpr uint32_t FORM_PRINTER = 2;

// A paper form: sizes in thousandths of a millimetre, portrait.
struct TFormInfo {
    uint32_t Flags = FORM_USER;
    AnsiString Name;
    TSize Size;
    TRect ImageableArea;
};

// The standard forms, in the order of their paper ids (1 to 68 without 48 and 49).
struct TStandardForm {
    int16_t PaperId;
    const char* Name;
    int32_t Width; // thousandths of a millimetre
    int32_t Height;
};
const std::vector<TStandardForm>& StandardForms();

class TPrinter {
public:
    // The name the PDF-file printer goes by; no print queue can have it (queue names have no
    // spaces).
    static const char* const PdfFilePrinterName;

    TPrinter();
    ~TPrinter();
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;

    // ---- Printers --------------------------------------------------------------------------
    // The printers of the system as they are now: the print server's queues, then the
    // PDF-file printer.
    std::vector<AnsiString> Printers() const;
    // The current printer: the one chosen, else the print server's default queue, else the
    // PDF-file printer.
    AnsiString PrinterName() const;
    // Chooses a printer of Printers(); false, and nothing changes, for an unknown name. The
    // device mode becomes the new printer's own.
    bool SetPrinterName(const AnsiString& Name);
    // The current printer's place in Printers(); -1 when it is not among them any more.
    int32_t PrinterIndex() const;
    // -1 goes back to the default printer.
    void SetPrinterIndex(int32_t Index);
    bool IsPdfFilePrinter() const;
    // True while the current printer is installed: a queue removed from the print server
    // since it was chosen is not.
    bool Available() const;
    // Where the PDF-file printer writes (a path: the system's bytes); when empty, each job asks
    // for a file.
    std::string OutputFileName;

    // Why the current printer cannot print: the print server does not answer, or the printer
    // is not installed any more.
    AnsiString UnavailableText() const;
    // The printer chosen in a print dialog's printer (a queue, or the PDF file it names), and
    // the current one set up on such a printer before the dialog runs (while the print server
    // is silent, the PDF-file printer stands in for a queue).
    void FromQPrinter(const QPrinter& Source);
    void ToQPrinter(QPrinter& Dest) const;

    // ---- Print server ----------------------------------------------------------------------
    // Milliseconds each call into the print server may wait, and how long a server that let
    // them pass counts as silent without being asked again.
    int32_t ServerTimeout = 3000;
    int32_t ServerSilenceKept = 20000;
    // Whether the print server is silent: remembered, or asked now. False when there is no
    // print server to ask (none configured, none running): nothing waits for one then. A
    // server that answers is asked again each time, so one that stops is noticed at once.
    bool ServerSilent() const;
    // How many times the print server has been asked whether it answers.
    int32_t ServerQuestions() const { return serverQuestions_; }

    // ---- Device mode -----------------------------------------------------------------------
    // The current printer's paper settings; a newly chosen printer's are its default paper,
    // portrait, with every field set.
    const TDeviceMode& DeviceMode() const { return deviceMode_; }
    // Sets the paper of the coming jobs. The size is taken from a custom size (DMPAPER_USER
    // with width and length), else from the form named, else from the paper id; fields that
    // are not set keep the present paper.
    void SetDeviceMode(const TDeviceMode& Value);
    // The paper, orientation and printable area of the device mode on the current printer.
    QPageLayout PageLayout() const;

    // ---- Forms -----------------------------------------------------------------------------
    // The current printer's forms: its own, then those added. False when the printer is not
    // installed.
    bool EnumForms(std::vector<TFormInfo>& Forms) const;
    // Adds a user form; refused (false) for an empty name, a name longer than the form-name
    // field holds, a name any form of the current printer already has (letter case aside),
    // or a size that is not positive.
    bool AddForm(const TFormInfo& Form);
    // Deletes a form added with AddForm (letter case aside); false when there is none.
    bool DeleteForm(const AnsiString& Name);

    // ---- Device ----------------------------------------------------------------------------
    int32_t PixelsPerInchX() const { return Resolution; }
    int32_t PixelsPerInchY() const { return Resolution; }
    // The paper and the offset of the printable area from its corner, in device pixels, for
    // the device mode's paper and orientation.
    TSize PhysicalSize() const;
    TPoint PhysicalOffset() const;

    // ---- Jobs ------------------------------------------------------------------------------
    // The spooler's title of the next job (also the PDF's title).
    AnsiString Title;
    bool Printing() const { return printing_; }
    bool Aborted() const { return aborted_; }
    // Starts a job on the current printer with the device mode's paper. Raises EPrinter when
    // the printer is not available (UnavailableText) or a job is running, EInOutError when
    // the PDF file cannot be written, and EAbort (silent) when the user cancels the file
    // question.
    void BeginDoc();
    // Ends the page and starts the next.
    void NewPage();
    // Ends the job and hands it over: the PDF file is written, or the queue receives the
    // document. When that fails (a print server that stops answering included) the job is
    // dropped and EPrinter or EInOutError is raised.
    void EndDoc();
    // Drops the job: nothing reaches the printer. The canvas stays usable (its drawing goes
    // nowhere) until the next job.
    void Abort();
    // The canvas of the running job, in device pixels with the origin at the printable
    // area's corner; null when no job has been started.
    TPainterCanvas* Canvas() { return canvas_.get(); }
    // The page being drawn, from 1.
    int32_t PageNumber() const { return pageNumber_; }
    // The print server's id of the last job handed to a queue; 0 when none.
    int32_t LastJobId() const { return lastJobId_; }
    // Frees what an ended or aborted job still holds, its canvas included; done by the next
    // job and when the application ends.
    void ReleaseJob();

    // Pixels per inch of every printer's pages.
    static constexpr int32_t Resolution = 600;

private:
    struct TJob;
    void NoteServerSilent() const;
    void ResetDeviceMode();
    std::vector<TFormInfo> OwnForms() const;
    void Submit(const QByteArray& Pdf);

    AnsiString chosen_; // empty: the default printer
    TDeviceMode deviceMode_;
    QPageLayout layout_;
    std::vector<TFormInfo> userForms_;
    std::string printToFileFolder_; // where the last "Print to File" picker chose its file
    std::unique_ptr<TJob> job_;
    std::unique_ptr<TPainterCanvas> canvas_;
    bool printing_ = false;
    bool aborted_ = false;
    int32_t pageNumber_ = 0;
    int32_t lastJobId_ = 0;
    mutable std::chrono::steady_clock::time_point silentSince_{};
    mutable bool silent_ = false;
    mutable int32_t serverQuestions_ = 0;
};

// The program's printer object.
TPrinter& Printer();

// What the user is told when the print server does not answer.
AnsiString PrintServerSilentText();

// While an object of this lives, the toolkit's own calls into the print server (its print
// dialog lists the queues itself) fail at once when the server is silent, instead of waiting
// for it; the toolkit then offers the PDF file alone.
class TSilentServerBypass {
public:
    TSilentServerBypass();
    ~TSilentServerBypass();
    TSilentServerBypass(const TSilentServerBypass&) = delete;
    TSilentServerBypass& operator=(const TSilentServerBypass&) = delete;

private:
    bool active_ = false;
};

} // namespace qm
