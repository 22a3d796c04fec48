#pragma once
// Printing tests: a print server of the test's own, reading printed PDF files back with the
// poppler and qpdf tools, and reading the text of recorded pages.
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

#include "TestSupport.h"
#include "platform/Metafile.h"

namespace qmtest {

// Runs a program; answers its standard output, and its exit code in rc (-1 when it could not
// run or crashed).
std::string RunTool(const std::string& program, const std::vector<std::string>& args, int* rc = nullptr);

// What qpdf --check says of a PDF file; empty when it accepts the file.
std::string PdfCheckProblems(const std::string& path);
// The text of a PDF file (pdftotext, layout kept), pages separated by form feeds.
std::string PdfText(const std::string& path);
// The text of a PDF file in the order it was drawn (pdftotext -raw): what one drawing step
// writes just before another comes just before it, whatever the lines' heights.
std::string PdfRawText(const std::string& path);
// The page count and the first page's size in points (pdfinfo); 0 when unreadable.
int PdfPageCount(const std::string& path);
std::pair<double, double> PdfPageSize(const std::string& path);
// The left edge of the first word Word on the first page, in points from the paper's left
// edge (pdftotext -bbox); -1 when it is not there.
double PdfWordLeft(const std::string& path, const std::string& word);
// The images pdfimages lists in a PDF file.
int PdfImageCount(const std::string& path);

// The text records of a recorded page, in their order.
std::vector<qm::TEmfText> TextRecords(const qm::TMetafile& Page);

// A private print server: cupsd on a configuration of its own in a temporary folder,
// listening only on a socket there. While it runs, this process and the programs it starts
// talk to it instead of the system's (every test program otherwise sees no print server at
// all, see PrivateHome). Needs the super-user, as the PDF queue's backend runs as root;
// otherwise, or when cupsd is not installed or does not start, ok() is false and whyNot()
// says why.
class PrivateCups {
public:
    PrivateCups();
    ~PrivateCups();
    PrivateCups(const PrivateCups&) = delete;
    PrivateCups& operator=(const PrivateCups&) = delete;

    bool ok() const { return pid_ > 0; }
    const std::string& whyNot() const { return whyNot_; }
    const TempDir& dir() const { return dir_; }

    // Adds an enabled queue with the device, the driver description and default options
    // ("name=value"); false, with the reason in whyNot(), when lpadmin refuses.
    bool addQueue(const std::string& name, const std::string& deviceUri, const std::string& ppd,
                  const std::vector<std::string>& options = {});
    bool removeQueue(const std::string& name);
    // Waits (at most a minute) until the job has left the queue; answers its final state:
    // "completed", "aborted", "canceled", or "timeout".
    std::string waitForJob(const std::string& queue, int jobId);
    // Stops the server where it stands (SIGSTOP): it still accepts connections and answers
    // nothing, until resume(). The server is resumed before it is ended, however a test ends.
    bool stop();
    bool resume();
    // The end of the server's log, for failure messages.
    std::string logTail() const;

    // Where the PDF queue's backend puts the files of this user's jobs, and the file of one
    // job there, found by its id and a word of its title (empty when there is none).
    static std::string CupsPdfFolder();
    static std::string CupsPdfFile(const std::string& titleWord, int jobId);

private:
    TempDir dir_;
    pid_t pid_ = -1;
    bool stopped_ = false;
    std::string whyNot_;
    std::string socket_;
    std::string savedServer_;
    bool hadServer_ = false;
};

// The private print server with the queue "QuillmartMargins" (the margins test driver,
// printing to a file in the server's folder) for tests of a server that stops answering:
// waits for the server are short, and its silence is remembered however slowly the test
// runs. Ending it resumes the server and puts back the waits and the PDF-file printer.
class ShortWaitPrintServer : public PrivateCups {
public:
    ShortWaitPrintServer();
    ~ShortWaitPrintServer();
    // Adds the queue and makes it the printer; false, with the reason in whyNot(), when that fails.
    bool chooseMarginsQueue();

private:
    int32_t savedTimeout_;
    int32_t savedKept_;
};

} // namespace qmtest
