#include <gtest/gtest.h>

#include <QProcess>
#include <clocale>
#include <cstdlib>
#include <filesystem>

#include "TestSupport.h"
#include "platform/Clock.h"
#include "platform/Exception.h"
#include "printing/PdfWriter.h"

using namespace qm;
using qmtest::ReadFile;

namespace {

int RunTool(const QString& program, const QStringList& args, QString* out = nullptr)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// The cross-reference table read back: 20-byte entries, each pointing at its "N 0 obj" line,
// startxref at "xref", and every stream's length object holding the stream's true size.
void ExpectSoundStructure(const std::string& pdf)
{
    const size_t sx = pdf.rfind("startxref\r\n");
    ASSERT_NE(sx, std::string::npos);
    const size_t xref = std::stoul(pdf.substr(sx + 11));
    ASSERT_EQ(pdf.compare(xref, 8, "xref\r\n0 "), 0);
    const int size = std::stoi(pdf.substr(xref + 8));
    const size_t first = pdf.find("\r\n", xref + 8) + 2;
    EXPECT_EQ(pdf.compare(first, 20, "0000000000 65535 f\r\n"), 0);
    auto offsetOf = [&](int obj) { return std::stoul(pdf.substr(first + 20 * size_t(obj), 10)); };
    for (int obj = 1; obj < size; ++obj) {
        const std::string entryEnd = pdf.substr(first + 20 * size_t(obj) + 10, 10);
        EXPECT_EQ(entryEnd, " 00000 n\r\n") << "entry " << obj;
        const std::string head = std::to_string(obj) + " 0 obj\r\n";
        EXPECT_EQ(pdf.compare(offsetOf(obj), head.size(), head), 0) << "object " << obj;
        const size_t len = pdf.find("<< /Length ", offsetOf(obj));
        if (len == std::string::npos || len > offsetOf(obj) + head.size())
            continue;
        const int lenObj = std::stoi(pdf.substr(len + 11));
        const size_t data = pdf.find("stream\r\n", len) + 8;
        const size_t lenValue = offsetOf(lenObj) + std::to_string(lenObj).size() + 8;
        EXPECT_EQ(std::stoul(pdf.substr(lenValue)), pdf.find("endstream\r\n", data) - data);
    }
}

class PdfWriterTest : public ::testing::Test {
protected:
    void SetUp() override { SetTestNow(EncodeDate(2026, 12, 7) + EncodeTime(9, 30, 5, 0)); }
    void TearDown() override { SetTestNow(std::nullopt); }

    // The two documents the stored files hold; the second one escapes a title and a text.
    std::string WriteSample(bool twoPages, const std::string& name)
    {
        TPrintPDF pdf;
        pdf.FileName = dir.file(name);
        if (twoPages) {
            pdf.TITLE = "Milk) \\ run";
            pdf.Producer = "Quillmart";
        }
        pdf.TextOut(1, 1, "dropped by BeginDoc");
        pdf.BeginDoc();
        if (twoPages) {
            pdf.TextOut(10, 20, "Milk");
            pdf.DrawLine(24, 100, 588, 100);
            pdf.NewPage();
            pdf.Font.Index = 1;
            pdf.Font.Size = 30; // baseline 792 - 25.5 = 766.5 rounds to the even 766
            pdf.TextOut(0, 0, "a(b");
        }
        pdf.EndDoc();
        EXPECT_EQ(pdf.PageNumber(), twoPages ? 2 : 1);
        return ReadFile(pdf.FileName);
    }

    qmtest::TempDir dir;
};

} // namespace

TEST_F(PdfWriterTest, SmallDocumentsMatchTheirStoredBytes)
{
    const std::string data = std::string(QM_SOURCE_DIR) + "/tests/printing/data/";
    EXPECT_EQ(WriteSample(false, "a.pdf"), ReadFile(data + "one_empty_page.pdf"));
    EXPECT_EQ(WriteSample(true, "b.pdf"), ReadFile(data + "two_pages.pdf"));
}

TEST_F(PdfWriterTest, CommaDecimalLocaleChangesNoByte)
{
    const std::string plain = WriteSample(true, "c.pdf");
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        // No German locale installed: compile one privately if the system can.
        const std::string cmd = "localedef -i de_DE -f UTF-8 '" + dir.file("de_DE.UTF-8") + "' 2>/dev/null";
        setenv("LOCPATH", dir.path().c_str(), 1);
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

TEST_F(PdfWriterTest, ManyPagesStayReadableWithEscapedText)
{
    TPrintPDF pdf;
    pdf.FileName = dir.file("list \xA2.pdf");
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
    const std::string bytes = ReadFile(ToFileName(pdf.FileName));
    ExpectSoundStructure(bytes);
    EXPECT_NE(bytes.find("<< /Size 29\r\n/Root 28 0 R"), std::string::npos);
    EXPECT_NE(bytes.find("/Kids [\r\n25 0 R\r\n26 0 R\r\n27 0 R\r\n]\r\n/Count 3"), std::string::npos);

    const QString file = QString::fromStdString(ToFileName(pdf.FileName));
    EXPECT_EQ(RunTool("qpdf", {"--check", file}), 0);
    QString text, info;
    EXPECT_EQ(RunTool("pdftotext", {"-enc", "UTF-8", file, "-"}, &text), 0);
    EXPECT_EQ(text.count(QString::fromUtf8("Eggs (dozen \xC2\xA2")), 3);
    EXPECT_TRUE(text.contains("C:\\pantry) page 3"));
    RunTool("pdfinfo", {file}, &info);
    EXPECT_TRUE(info.contains("Joe's (list")) << info.toStdString();
    EXPECT_TRUE(info.contains("back\\slash)"));
}

TEST_F(PdfWriterTest, FailedSaveLeavesNoFileAndNamesTheTarget)
{
    TPrintPDF pdf;
    pdf.FileName = dir.file("missing/list.pdf");
    pdf.BeginDoc();
    try {
        pdf.EndDoc();
        FAIL() << "saved into a folder that does not exist";
    } catch (const EInOutError& e) {
        EXPECT_NE(e.Message().find(pdf.FileName), std::string::npos) << e.Message();
    }
    // A folder standing where the file should go stays as it is, with no temporary left.
    std::filesystem::create_directory(dir.file("taken.pdf"));
    pdf.FileName = dir.file("taken.pdf");
    pdf.BeginDoc();
    EXPECT_THROW(pdf.EndDoc(), EInOutError);
    EXPECT_TRUE(std::filesystem::is_directory(pdf.FileName));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    // Replacing an older file works and also leaves only the file.
    qmtest::WriteFile(dir.file("old.pdf"), std::string(100000, 'x'));
    EXPECT_EQ(WriteSample(false, "old.pdf").size(), 3047u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
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
    pdf.Font.Index = 13;
    pdf.TextOut(0, 0, "x");
    pdf.EndDoc();
    EXPECT_THROW(pdf.EndDoc(), EInvalidOperation);
    ExpectSoundStructure(ReadFile(dir.file("x.pdf")));
}
