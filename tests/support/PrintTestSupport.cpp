#include "PrintTestSupport.h"

#include "platform/gui/Printer.h"

#include <cups/cups.h>

#include <QProcess>
#include <QStringList>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <regex>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace qmtest {

std::string RunTool(const std::string& program, const std::vector<std::string>& args, int* rc)
{
    QStringList list;
    for (const std::string& a : args)
        list << QString::fromStdString(a);
    QProcess p;
    p.start(QString::fromStdString(program), list);
    const bool finished = p.waitForStarted(30000) && p.waitForFinished(60000);
    if (rc)
        *rc = finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput().toStdString() +
           (rc && *rc != 0 ? p.readAllStandardError().toStdString() : "");
}

std::string PdfCheckProblems(const std::string& path)
{
    int rc = 0;
    const std::string out = RunTool("qpdf", {"--check", path}, &rc);
    return rc == 0 ? std::string() : out;
}

std::string PdfText(const std::string& path)
{
    return RunTool("pdftotext", {"-layout", "-enc", "UTF-8", path, "-"});
}

std::string PdfRawText(const std::string& path)
{
    return RunTool("pdftotext", {"-raw", "-enc", "UTF-8", path, "-"});
}

int PdfPageCount(const std::string& path)
{
    std::smatch m;
    const std::string info = RunTool("pdfinfo", {path});
    return std::regex_search(info, m, std::regex("Pages:\\s+(\\d+)")) ? std::stoi(m[1]) : 0;
}

std::vector<qm::TEmfText> TextRecords(const qm::TMetafile& Page)
{
    std::vector<qm::TEmfText> out;
    Page.EnumerateRecords([&](const qm::TEmfRecord& r) {
        qm::TEmfText t;
        if (qm::DecodeTextRecord(r, t))
            out.push_back(std::move(t));
        return true;
    });
    return out;
}

std::pair<double, double> PdfPageSize(const std::string& path)
{
    std::smatch m;
    const std::string info = RunTool("pdfinfo", {path});
    if (!std::regex_search(info, m, std::regex("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")))
        return {0, 0};
    return {std::stod(m[1]), std::stod(m[2])};
}

double PdfWordLeft(const std::string& path, const std::string& word)
{
    std::smatch m;
    const std::string boxes = RunTool("pdftotext", {"-bbox", "-f", "1", "-l", "1", path, "-"});
    if (!std::regex_search(boxes, m, std::regex("<word xMin=\"([0-9.]+)\"[^>]*>" + word + "</word>")))
        return -1;
    return std::stod(m[1]);
}

int PdfImageCount(const std::string& path)
{
    // One header line and one rule, then a line per image.
    std::istringstream lines(RunTool("pdfimages", {"-list", path}));
    int count = -2;
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            ++count;
    return std::max(0, count);
}

// ---- The private print server ----------------------------------------------------------------

namespace {

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path) << text;
}

bool Accepts(const std::string& socketPath)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socketPath.c_str());
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

} // namespace

PrivateCups::PrivateCups()
{
    const char* cupsd = "/usr/sbin/cupsd";
    if (::access(cupsd, X_OK) != 0) {
        whyNot_ = "cupsd is not installed (scripts/install-deps.sh installs it)";
        return;
    }
    if (::geteuid() != 0) {
        whyNot_ = "a private cupsd needs the super-user: the PDF queue's backend runs as root";
        return;
    }
    const std::string d = dir_.path();
    // The filters run as the print user and must reach their files.
    ::chmod(d.c_str(), 0755);
    for (const char* sub : {"/spool", "/spool/tmp", "/cache", "/state", "/log"})
        fs::create_directories(d + sub);
    socket_ = d + "/cups.sock";
    WriteText(d + "/cups-files.conf", "ServerRoot " + d + "\nRequestRoot " + d + "/spool\nTempDir " + d +
                                          "/spool/tmp\nCacheDir " + d + "/cache\nStateDir " + d +
                                          "/state\nErrorLog " + d + "/log/error_log\nAccessLog " + d +
                                          "/log/access_log\nPageLog " + d +
                                          "/log/page_log\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n"
                                          "SystemGroup root\nFileDevice Yes\n");
    WriteText(d + "/cupsd.conf", "Listen " + socket_ +
                                     "\nLogLevel debug\nBrowsing No\nWebInterface No\nDefaultShared No\n"
                                     "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                     "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                                     "</Policy>\n");
    const std::string conf = d + "/cupsd.conf", files = d + "/cups-files.conf";
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The server goes with the test program, also one that crashed while it was stopped.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::execl(cupsd, cupsd, "-f", "-c", conf.c_str(), "-s", files.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (pid < 0) {
        whyNot_ = "cannot start cupsd";
        return;
    }
    for (int i = 0; i < 300 && !Accepts(socket_); ++i) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            whyNot_ = "cupsd stopped at once: " + logTail();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!Accepts(socket_)) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        whyNot_ = "cupsd does not answer on its socket: " + logTail();
        return;
    }
    pid_ = pid;
    if (const char* s = std::getenv("CUPS_SERVER")) {
        hadServer_ = true;
        savedServer_ = s;
    }
    ::setenv("CUPS_SERVER", socket_.c_str(), 1);
    cupsSetServer(socket_.c_str());
}

PrivateCups::~PrivateCups()
{
    if (pid_ <= 0)
        return;
    // A stopped server would not act on the signal to end.
    resume();
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    if (hadServer_)
        ::setenv("CUPS_SERVER", savedServer_.c_str(), 1);
    else
        ::unsetenv("CUPS_SERVER");
    cupsSetServer(nullptr);
}

bool PrivateCups::addQueue(const std::string& name, const std::string& deviceUri, const std::string& ppd,
                           const std::vector<std::string>& options)
{
    int rc = 0;
    std::vector<std::string> args = {"-h", socket_, "-p", name, "-E", "-v", deviceUri, "-P", ppd};
    for (const std::string& o : options) {
        args.push_back("-o");
        args.push_back(o);
    }
    const std::string out = RunTool("lpadmin", args, &rc);
    if (rc != 0)
        whyNot_ = "lpadmin refused the queue " + name + ": " + out;
    return rc == 0;
}

bool PrivateCups::removeQueue(const std::string& name)
{
    int rc = 0;
    RunTool("lpadmin", {"-h", socket_, "-x", name}, &rc);
    return rc == 0;
}

bool PrivateCups::stop()
{
    if (pid_ <= 0 || ::kill(pid_, SIGSTOP) != 0)
        return false;
    stopped_ = true;
    return true;
}

bool PrivateCups::resume()
{
    if (pid_ <= 0 || !stopped_)
        return pid_ > 0;
    stopped_ = false;
    return ::kill(pid_, SIGCONT) == 0;
}

std::string PrivateCups::waitForJob(const std::string& queue, int jobId)
{
    for (int i = 0; i < 600; ++i) {
        cups_job_t* jobs = nullptr;
        const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ALL);
        ipp_jstate_t state = IPP_JSTATE_PENDING;
        for (int j = 0; j < n; ++j)
            if (jobs[j].id == jobId)
                state = jobs[j].state;
        cupsFreeJobs(n, jobs);
        if (state == IPP_JSTATE_COMPLETED)
            return "completed";
        if (state == IPP_JSTATE_ABORTED)
            return "aborted";
        if (state == IPP_JSTATE_CANCELED)
            return "canceled";
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return "timeout";
}

std::string PrivateCups::logTail() const
{
    std::ifstream in(dir_.path() + "/log/error_log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (line.size() > 1 && (line[0] == 'E' || line[0] == 'W' || line.find("[Job") != std::string::npos))
            lines.push_back(line);
    std::string tail;
    for (size_t i = lines.size() > 25 ? lines.size() - 25 : 0; i < lines.size(); ++i)
        tail += lines[i] + "\n";
    return tail;
}

std::string PrivateCups::CupsPdfFolder()
{
    // The backend's "Out" setting, with ${HOME} and ${USER} of the job's owner: this user.
    const passwd* pw = ::getpwuid(::geteuid());
    const std::string home = pw ? pw->pw_dir : "/root", user = pw ? pw->pw_name : "root";
    std::string out = "${HOME}/PDF";
    std::ifstream conf("/etc/cups/cups-pdf.conf");
    for (std::string line; std::getline(conf, line);)
        if (line.rfind("Out ", 0) == 0)
            out = line.substr(4);
    for (auto [key, value] : {std::pair<std::string, std::string>{"${HOME}", home}, {"${USER}", user}})
        for (size_t at; (at = out.find(key)) != std::string::npos;)
            out.replace(at, key.size(), value);
    return out;
}

std::string PrivateCups::CupsPdfFile(const std::string& titleWord, int jobId)
{
    std::error_code ec;
    const std::string tail = "job_" + std::to_string(jobId) + ".pdf";
    for (const auto& e : fs::directory_iterator(CupsPdfFolder(), ec)) {
        const std::string name = e.path().filename().string();
        if (name.find(titleWord) != std::string::npos && name.size() >= tail.size() &&
            name.compare(name.size() - tail.size(), tail.size(), tail) == 0)
            return e.path().string();
    }
    return {};
}

ShortWaitPrintServer::ShortWaitPrintServer()
    : savedTimeout_(qm::Printer().ServerTimeout), savedKept_(qm::Printer().ServerSilenceKept)
{
    qm::Printer().ServerTimeout = 200;
    qm::Printer().ServerSilenceKept = 600000;
}

ShortWaitPrintServer::~ShortWaitPrintServer()
{
    resume();
    qm::Printer().ServerTimeout = savedTimeout_;
    qm::Printer().ServerSilenceKept = 0; // the next test asks afresh
    qm::Printer().SetPrinterName(qm::TPrinter::PdfFilePrinterName);
    qm::Printer().ServerSilenceKept = savedKept_;
}

bool ShortWaitPrintServer::chooseMarginsQueue()
{
    const std::string ppd = std::string(QM_SOURCE_DIR) + "/tests/printing/data/margins.ppd";
    if (!addQueue("QuillmartMargins", "file://" + dir().file("m.pdf"), ppd))
        return false;
    return qm::Printer().SetPrinterName("QuillmartMargins");
}

} // namespace qmtest
