// The printer object on the PDF-file printer, the one every machine has (the test programs see
// no print server): its forms, the paper a device mode gives, and jobs written to real PDF
// files, read back with qpdf and pdftotext. Then a private print server that stops answering.
#include <gtest/gtest.h>

#include <QPrinter>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "PrintTestSupport.h"
#include "platform/DeviceCanvas.h"
#include "platform/Exception.h"
#include "platform/gui/Printer.h"

using namespace qm;
using qmtest::PdfText;

namespace {

class PrinterTest : public qmtest::DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        ASSERT_TRUE(Printer().SetPrinterName(TPrinter::PdfFilePrinterName));
        Printer().OutputFileName = out;
        Printer().Title = "Printer test";
    }
    void TearDown() override
    {
        Printer().OutputFileName.clear();
        DialogFixture::TearDown();
    }
    static TDeviceMode Mode(uint32_t fields, int16_t paper, int16_t orientation = DMORIENT_PORTRAIT)
    {
        TDeviceMode dm;
        dm.dmFields = fields;
        dm.dmPaperSize = paper;
        dm.dmOrientation = orientation;
        return dm;
    }
    static void PrintWords(std::initializer_list<const char*> words, TPrinter& printer = Printer())
    {
        printer.BeginDoc();
        bool first = true;
        for (const char* w : words) {
            if (!first)
                printer.NewPage();
            first = false;
            printer.Canvas()->TextOut(600, 600, w);
        }
        printer.EndDoc();
    }

    qmtest::TempDir dir;
    std::string out = dir.file("out.pdf");
};

TEST_F(PrinterTest, ThePdfFilePrinterIsThereWithTheStandardFormsInPaperIdOrder)
{
    const std::vector<AnsiString> printers = Printer().Printers();
    ASSERT_EQ(printers.size(), 1u) << "no print server is visible to the tests";
    EXPECT_EQ(printers.back(), TPrinter::PdfFilePrinterName);
    EXPECT_EQ(Printer().PrinterIndex(), 0);
    EXPECT_TRUE(Printer().Available());

    std::vector<TFormInfo> forms;
    ASSERT_TRUE(Printer().EnumForms(forms));
    ASSERT_EQ(forms.size(), 66u);
    EXPECT_EQ(forms[0].Name, "Letter");
    EXPECT_EQ(forms[0].Size, (TSize{215900, 279400}));
    EXPECT_EQ(forms[8].Name, "A4");
    EXPECT_EQ(forms[8].Size, (TSize{210000, 297000}));
    EXPECT_EQ(forms[18].Size, (TSize{98425, 225425})); // Envelope #9: 3 7/8 x 8 7/8 in
    EXPECT_EQ(forms.back().Name, "A3 Extra Transverse");
    for (size_t i = 0; i < forms.size(); ++i) {
        EXPECT_EQ(forms[i].Flags, FORM_BUILTIN);
        EXPECT_EQ(forms[i].Name, StandardForms()[i].Name);
    }
}

TEST_F(PrinterTest, AddedFormsAreListedLastUntilDeletedAndOnlyTheyCanBeDeleted)
{
    const TFormInfo form{FORM_USER, "100mm x 200mm", {100000, 200000}, {0, 0, 100000, 200000}};
    EXPECT_TRUE(Printer().AddForm(form));
    std::vector<TFormInfo> forms;
    Printer().EnumForms(forms);
    ASSERT_EQ(forms.size(), 67u);
    EXPECT_EQ(forms.back().Name, "100mm x 200mm");
    EXPECT_EQ(forms.back().Flags, FORM_USER);

    // Refused: a name taken (letter case aside), a builtin name, no name, a name longer than
    // the form-name field, an empty size.
    EXPECT_FALSE(Printer().AddForm({FORM_USER, "100MM X 200MM", {1000, 1000}, {}}));
    EXPECT_FALSE(Printer().AddForm({FORM_USER, "letter", {1000, 1000}, {}}));
    EXPECT_FALSE(Printer().AddForm({FORM_USER, "", {1000, 1000}, {}}));
    EXPECT_FALSE(Printer().AddForm({FORM_USER, std::string(32, 'x'), {1000, 1000}, {}}));
    EXPECT_TRUE(Printer().AddForm({FORM_USER, std::string(31, 'x'), {1000, 1000}, {}}));
    EXPECT_FALSE(Printer().AddForm({FORM_USER, "Flat", {1000, 0}, {}}));

    EXPECT_FALSE(Printer().DeleteForm("A4"));
    EXPECT_TRUE(Printer().DeleteForm("100MM x 200mm"));
    EXPECT_FALSE(Printer().DeleteForm("100mm x 200mm"));
    EXPECT_TRUE(Printer().DeleteForm(std::string(31, 'X')));
    Printer().EnumForms(forms);
    EXPECT_EQ(forms.size(), 66u);
}

TEST_F(PrinterTest, TheDeviceModeGivesThePaperByOwnSizeThenFormThenPaperId)
{
    auto layoutMm = [] {
        const QSizeF s = Printer().PageLayout().pageSize().size(QPageSize::Millimeter);
        return std::pair<int, int>(qRound(s.width()), qRound(s.height()));
    };
    Printer().SetDeviceMode(Mode(DM_PAPERSIZE | DM_ORIENTATION, 9));
    EXPECT_EQ(layoutMm(), (std::pair<int, int>(210, 297)));
    EXPECT_EQ(Printer().PhysicalSize(), (TSize{4961, 7016})); // 600 per inch
    EXPECT_EQ(Printer().PhysicalOffset(), (TPoint{0, 0}));

    // The form named wins over the paper id, a size of its own over both.
    TDeviceMode dm = Mode(DM_PAPERSIZE | DM_FORMNAME | DM_ORIENTATION, 9, DMORIENT_LANDSCAPE);
    dm.SetFormName("LETTER");
    Printer().SetDeviceMode(dm);
    EXPECT_EQ(Printer().PhysicalSize(), (TSize{6600, 5100}));
    dm.dmPaperSize = DMPAPER_USER;
    dm.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
    dm.dmPaperWidth = 1000;
    dm.dmPaperLength = 2000;
    Printer().SetDeviceMode(dm);
    EXPECT_EQ(layoutMm(), (std::pair<int, int>(100, 200)));
    EXPECT_EQ(Printer().PageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(Printer().DeviceMode().FormName(), "LETTER"); // kept as given

    // A form name is cut to fit its field, with the terminating null.
    dm.SetFormName(std::string(40, 'n'));
    EXPECT_EQ(dm.FormName(), std::string(31, 'n'));
}

TEST_F(PrinterTest, AnAbortedJobLeavesTheFileAsItWas)
{
    qmtest::WriteFile(out, "old");
    Printer().BeginDoc();
    Printer().Canvas()->TextOut(100, 100, "Lost");
    Printer().Abort();
    EXPECT_FALSE(Printer().Printing());
    EXPECT_TRUE(Printer().Aborted());
    // Drawing after the abort goes nowhere; ending and new pages do nothing.
    Printer().Canvas()->TextOut(100, 300, "Also lost");
    Printer().NewPage();
    Printer().EndDoc();
    EXPECT_EQ(qmtest::ReadFile(out), "old");

    // The next job starts afresh.
    PrintWords({"Again"});
    EXPECT_FALSE(Printer().Aborted());
    EXPECT_EQ(qmtest::PdfCheckProblems(out), "");
    EXPECT_NE(PdfText(out).find("Again"), std::string::npos);
}

// The picker starts in the home folder, then wherever it was last used. The printer is one of
// the test's own: the program's printer remembers the folder of every earlier job it asked for.
TEST_F(PrinterTest, WithoutAFileNameEachJobAsksForOneAndCancellingIsSilent)
{
    TPrinter printer;
    ASSERT_TRUE(printer.SetPrinterName(TPrinter::PdfFilePrinterName));
    printer.Title = "Shopping List for Corner: 1/2/2024";
    dialogs->expectFile(dir.file("asked.pdf"));
    PrintWords({"Asked"}, printer);
    ASSERT_EQ(dialogs->seen().size(), 1u);
    EXPECT_EQ(dialogs->seen()[0].initial, "Shopping List for Corner_ 1_2_2024.pdf");
    EXPECT_EQ(dialogs->seen()[0].file.initialDir, std::string(std::getenv("HOME")) + "/");
    EXPECT_EQ(qmtest::PdfCheckProblems(dir.file("asked.pdf")), "");
    EXPECT_NE(PdfText(dir.file("asked.pdf")).find("Asked"), std::string::npos);

    // The file asked for is written where it was chosen, in a folder of any name.
    const std::string folder = dir.file("\xF0\x9F\x9B\x92 caf\xE9");
    std::filesystem::create_directory(folder);
    dialogs->expectFile(folder + "/asked.pdf");
    PrintWords({"Again"}, printer);
    EXPECT_EQ(dialogs->seen().back().file.initialDir, dir.path() + "/");
    EXPECT_EQ(qmtest::ReadFile(folder + "/asked.pdf").substr(0, 5), "%PDF-");

    dialogs->expectFile("", false);
    EXPECT_THROW(printer.BeginDoc(), EAbort);
    EXPECT_EQ(dialogs->seen().back().file.initialDir, folder + "/");
    EXPECT_FALSE(printer.Printing());
}

TEST_F(PrinterTest, APrintDialogsChoiceReachesThePrinter)
{
    QPrinter dialogPrinter;
    Printer().ToQPrinter(dialogPrinter);
    EXPECT_EQ(dialogPrinter.outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(dialogPrinter.outputFileName().toStdString(), out);

    dialogPrinter.setOutputFileName(QString::fromStdString(dir.file("chosen.pdf")));
    Printer().FromQPrinter(dialogPrinter);
    EXPECT_TRUE(Printer().IsPdfFilePrinter());
    EXPECT_EQ(Printer().OutputFileName, dir.file("chosen.pdf"));
    // A path is the system's bytes both ways, in any script.
    const std::string cyrillic = dir.file("\xD0\xB4\xD0\xBE\xD0\xBC/\xE5\xAE\xB6.pdf");
    dialogPrinter.setOutputFileName(QString::fromStdString(cyrillic));
    Printer().FromQPrinter(dialogPrinter);
    EXPECT_EQ(Printer().OutputFileName, cyrillic);
    Printer().ToQPrinter(dialogPrinter);
    EXPECT_EQ(dialogPrinter.outputFileName().toStdString(), cyrillic);

    // Without a file yet the dialog offers one in the home folder, never a name that would
    // land in whatever folder the program was started from; a bare name typed there goes to
    // the home folder too.
    const std::string home = std::getenv("HOME");
    Printer().OutputFileName.clear();
    Printer().Title = "Item List for A/B";
    Printer().ToQPrinter(dialogPrinter);
    EXPECT_EQ(dialogPrinter.outputFileName().toStdString(), home + "/Item List for A_B.pdf");
    dialogPrinter.setOutputFileName("typed.pdf");
    Printer().FromQPrinter(dialogPrinter);
    EXPECT_EQ(Printer().OutputFileName, home + "/typed.pdf");
}

} // namespace

namespace {

// ---- A print server that stops answering ----------------------------------------------------

class SilentServerTest : public PrinterTest {
protected:
    void SetUp() override
    {
        PrinterTest::SetUp();
        cups = std::make_unique<qmtest::ShortWaitPrintServer>();
        if (!cups->ok())
            GTEST_SKIP() << "No private print server: " << cups->whyNot();
        ASSERT_TRUE(cups->chooseMarginsQueue()) << cups->whyNot();
    }
    void TearDown() override
    {
        cups.reset();
        PrinterTest::TearDown();
    }
    std::unique_ptr<qmtest::ShortWaitPrintServer> cups;
};

TEST_F(SilentServerTest, AStoppedServerIsWaitedForOnceAndThePdfFileStillPrints)
{
    ASSERT_EQ(Printer().Printers().size(), 2u);
    EXPECT_FALSE(Printer().ServerSilent());

    ASSERT_TRUE(cups->stop());
    const int32_t asked = Printer().ServerQuestions();
    // Nothing waits for the server beyond one time-out: its queues are gone for now, and a job
    // for one is refused with the reason.
    EXPECT_EQ(Printer().Printers(), (std::vector<AnsiString>{TPrinter::PdfFilePrinterName}));
    EXPECT_TRUE(Printer().ServerSilent());
    EXPECT_FALSE(Printer().Available());
    std::vector<TFormInfo> forms;
    EXPECT_FALSE(Printer().EnumForms(forms));
    EXPECT_EQ(Printer().UnavailableText(), PrintServerSilentText());
    try {
        Printer().BeginDoc();
        ADD_FAILURE() << "a job started on the silent server";
    } catch (const EPrinter& e) {
        EXPECT_EQ(e.what(), PrintServerSilentText());
    }
    EXPECT_FALSE(Printer().Printing());
    // The print dialog starts on the PDF file, and the toolkit's own printer does not wait.
    {
        const TSilentServerBypass bypass;
        QPrinter dialogPrinter;
        Printer().ToQPrinter(dialogPrinter);
        EXPECT_EQ(dialogPrinter.outputFormat(), QPrinter::PdfFormat);
    }
    EXPECT_EQ(Printer().ServerQuestions(), asked + 1);

    // The PDF-file printer works as ever.
    ASSERT_TRUE(Printer().SetPrinterName(TPrinter::PdfFilePrinterName));
    PrintWords({"Still"});
    EXPECT_EQ(qmtest::PdfCheckProblems(out), "");
    EXPECT_NE(PdfText(out).find("Still"), std::string::npos);
    EXPECT_EQ(Printer().ServerQuestions(), asked + 1);

    // Once it answers again and its silence is forgotten, its queues are back.
    ASSERT_TRUE(cups->resume());
    Printer().ServerSilenceKept = 0;
    EXPECT_FALSE(Printer().ServerSilent());
    EXPECT_EQ(Printer().Printers().size(), 2u);
}

TEST_F(SilentServerTest, AServerThatStopsDuringTheHandOverEndsTheJobWithTheReason)
{
    Printer().BeginDoc();
    Printer().Canvas()->TextOut(600, 600, "Handed");
    ASSERT_TRUE(cups->stop());
    try {
        Printer().EndDoc();
        ADD_FAILURE() << "the stopped server took the job";
    } catch (const EPrinter& e) {
        EXPECT_EQ(std::string(e.what()), "The print server did not answer while the job was handed to "
                                         "\"QuillmartMargins\"; it may not be printed. \"Print to File "
                                         "(PDF)\" can still be used.");
    }
    EXPECT_FALSE(Printer().Printing());
    EXPECT_TRUE(Printer().Aborted());
    // The silence found there is remembered: nothing asks the server again for now.
    const int32_t asked = Printer().ServerQuestions();
    EXPECT_FALSE(Printer().Available());
    EXPECT_EQ(Printer().ServerQuestions(), asked);
}

} // namespace
