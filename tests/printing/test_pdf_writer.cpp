#include <gtest/gtest.h>

#include <QProcess>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>

#include "TestSupport.h"
#include "platform/Clock.h"
#include "platform/Exception.h"
#include "printing/PdfWriter.h"

using namespace qm;
namespace fs = std::filesystem;

namespace {

QString RunTool(const QString& program, const QStringList& args, int* rc = nullptr)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    if (rc)
        *rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Reads a written file back: qpdf accepts it, startxref points at "xref" and every 20-byte
// entry points at its "N 0 obj" line.
std::string CheckedFile(const std::string& path)
{
    int rc = 0;
    RunTool("qpdf", {"--check", QString::fromStdString(path)}, &rc);
    EXPECT_EQ(rc, 0) << path;
    const std::string pdf = qmtest::ReadFile(path);
    const size_t xref = std::stoul(pdf.substr(pdf.rfind("startxref\r\n") + 11));
    EXPECT_EQ(pdf.compare(xref, 8, "xref\r\n0 "), 0);
    const int size = std::stoi(pdf.substr(xref + 8));
    const size_t first = pdf.find("\r\n", xref + 8) + 2;
    EXPECT_EQ(pdf.compare(first, 20, "0000000000 65535 f\r\n"), 0);
    auto offsetOf = [&](int obj) { return std::stoul(pdf.substr(first + 20 * size_t(obj), 10)); };
    for (int obj = 1; obj < size; ++obj) {
        EXPECT_EQ(pdf.substr(first + 20 * size_t(obj) + 10, 10), " 00000 n\r\n") << "entry " << obj;
        const std::string head = std::to_string(obj) + " 0 obj\r\n";
        EXPECT_EQ(pdf.compare(offsetOf(obj), head.size(), head), 0) << "object " << obj;
    }
    return pdf;
}

class PdfWriterTest : public ::testing::Test {
protected:
    void SetUp() override { SetTestNow(EncodeDate(2026, 12, 7) + EncodeTime(9, 30, 5, 0)); }
    void TearDown() override { SetTestNow(std::nullopt); }

    // The documents of the stored files: one empty page, or two pages with escaped texts.
    std::string WriteSample(bool twoPages, const std::string& name)
    {
        TPrintPDF pdf;
        pdf.FileName = dir.file(name);
        pdf.TITLE = twoPages ? "Milk) \\ run" : "";
        pdf.Producer = twoPages ? "Quillmart" : "";
        pdf.TextOut(1, 1, "dropped by BeginDoc");
        pdf.BeginDoc();
        if (twoPages) {
            pdf.TextOut(10, 20, "Milk");
            pdf.DrawLine(24, 100, 588, 100);
            pdf.NewPage();
            pdf.Font = {1, 30}; // baseline 792 - 25.5 = 766.5 rounds to the even 766
            pdf.TextOut(0, 0, "a(b");
        }
        pdf.EndDoc();
        EXPECT_EQ(pdf.PageNumber(), twoPages ? 2 : 1);
        return CheckedFile(pdf.FileName);
    }

    qmtest::TempDir dir;
};

} // namespace

TEST_F(PdfWriterTest, SmallDocumentsMatchTheirStoredBytes)
{
    const std::string data = std::string(QM_SOURCE_DIR) + "/tests/printing/data/";
    EXPECT_EQ(WriteSample(false, "a.pdf"), qmtest::ReadFile(data + "one_empty_page.pdf"));
    EXPECT_EQ(WriteSample(true, "b.pdf"), qmtest::ReadFile(data + "two_pages.pdf"));
}

TEST_F(PdfWriterTest, CommaDecimalLocaleChangesNoByte)
{
    const std::string plain = WriteSample(true, "c.pdf");
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        // No German locale installed: compile one privately if the system can.
        setenv("LOCPATH", dir.path().c_str(), 1);
        const std::string cmd = "localedef -i de_DE -f UTF-8 '" + dir.file("de_DE.UTF-8") + "' 2>/dev/null";
        if (std::system(cmd.c_str()) != 0 || !std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
            unsetenv("LOCPATH");
            GTEST_SKIP() << "no comma-decimal locale available";
        }
    }
    const std::string german = WriteSample(true, "d.pdf");
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
    EXPECT_EQ(german, plain);
}

TEST_F(PdfWriterTest, ManyPagesGiveBackTheirTextAndInformation)
{
    TPrintPDF pdf;
    pdf.FileName = dir.file("list \xC2\xA2.pdf"); // a path: the system's bytes
    pdf.TITLE = "Joe's (list";
    pdf.Author = "back\\slash)";
    pdf.BeginDoc();
    for (int page = 1; page <= 3; ++page) {
        if (page > 1)
            pdf.NewPage();
        pdf.Font.Index = std::uint8_t((page - 1) * 4);
        pdf.TextOut(24, 24, "Eggs (dozen \xA2");
        pdf.TextOut(24, 40, "C:\\pantry) page " + std::to_string(page));
        pdf.DrawLine(24, 60, 588, 60);
    }
    pdf.EndDoc();
    const std::string& file = pdf.FileName;
    EXPECT_NE(CheckedFile(file).find("<< /Size 29\r\n/Root 28 0 R"), std::string::npos);
    const QString text = RunTool("pdftotext", {"-enc", "UTF-8", QString::fromStdString(file), "-"});
    EXPECT_EQ(text.count(QString::fromUtf8("Eggs (dozen \xC2\xA2")), 3);
    EXPECT_TRUE(text.contains("C:\\pantry) page 3"));
    const QString info = RunTool("pdfinfo", {QString::fromStdString(file)});
    EXPECT_TRUE(info.contains("Joe's (list") && info.contains("back\\slash)")) << info.toStdString();
}

TEST_F(PdfWriterTest, FailedSaveLeavesNoFileAndNamesTheTarget)
{
    TPrintPDF pdf;
    pdf.FileName = dir.file("missing/list.pdf");
    pdf.BeginDoc();
    EXPECT_THROW(
        try { pdf.EndDoc(); } catch (const EInOutError& e) {
            EXPECT_NE(e.Message().find(pdf.FileName), std::string::npos) << e.Message();
            throw;
        },
        EInOutError);
    // A write that fails half-way (file size limit) keeps the older file and leaves nothing.
    qmtest::WriteFile(dir.file("old.pdf"), "older");
    pdf.FileName = dir.file("old.pdf");
    pdf.BeginDoc();
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit small{1000, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(pdf.EndDoc(), EInOutError);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(qmtest::ReadFile(dir.file("old.pdf")), "older");
    // An older, longer file is replaced whole.
    qmtest::WriteFile(dir.file("old.pdf"), std::string(100000, 'x'));
    EXPECT_EQ(WriteSample(false, "old.pdf").size(), 3047u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1); // no temporary left
}

TEST_F(PdfWriterTest, RefusesWhatWouldWriteABrokenFile)
{
    TPrintPDF pdf;
    pdf.FileName = dir.file("x.pdf");
    EXPECT_THROW(pdf.NewPage(), EInvalidOperation);
    EXPECT_THROW(pdf.EndDoc(), EInvalidOperation);
    pdf.BeginDoc();
    pdf.Font.Index = 14;
    EXPECT_THROW(pdf.TextOut(0, 0, "x"), ERangeError);
    pdf.EndDoc();
    EXPECT_THROW(pdf.EndDoc(), EInvalidOperation);
    CheckedFile(pdf.FileName);
}

TEST_F(PdfWriterTest, SavingThroughALinkWritesTheFileItNames)
{
    fs::create_directory(dir.file("lists"));
    fs::create_symlink("lists/now.pdf", dir.file("dangling.pdf"));
    fs::create_symlink(dir.file("lists/old.pdf"), dir.file("old.pdf"));
    qmtest::WriteFile(dir.file("lists/old.pdf"), "older");
    for (const char* name : {"dangling.pdf", "old.pdf"}) {
        WriteSample(false, name);
        EXPECT_TRUE(fs::is_symlink(dir.file(name))) << name;
    }
    EXPECT_EQ(qmtest::ReadFile(dir.file("lists/now.pdf")).size(), 3047u);
    EXPECT_EQ(qmtest::ReadFile(dir.file("lists/old.pdf")).size(), 3047u);
}

TEST_F(PdfWriterTest, LandscapePageTurnsOverAgainstItsOwnHeight)
{
    TPrintPDF pdf;
    pdf.FileName = dir.file("wide.pdf");
    pdf.PageWidth = 792;
    pdf.PageHeight = 612;
    pdf.LineWidth = 2;
    pdf.BeginDoc();
    pdf.Font = {0, 10}; // 612 - 24 - 8.5 = 579.5 rounds to the even 580
    pdf.TextOut(24, 24, "Bread");
    pdf.DrawLine(24, 100, 768, 120);
    pdf.EndDoc();
    const std::string file = CheckedFile(pdf.FileName);
    EXPECT_NE(file.find("stream\r\nBT\r\n/F1 10 Tf\r\n24 580 Td\r\n(Bread) Tj\r\nET\r\n"
                        "24 512 m\r\n768 492 l\r\n2 w\r\nS\r\nendstream\r\n"),
              std::string::npos);
    EXPECT_NE(file.find("/MediaBox [ 0 0 792 612]\r\n"), std::string::npos);
}
