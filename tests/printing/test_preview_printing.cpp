// The preview's printer side: the paper imposed on the printer and taken from it, the forms it
// finds, adds and removes, printing recorded pages with progress, cancellation and failures,
// and the bitmap-aware drawing. Jobs go to real PDF files (the PDF-file printer) and, when a
// private print server can run, through a real CUPS queue; every file is read back.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <memory>
#include <unistd.h>

#include "PrintTestSupport.h"
#include "platform/Exception.h"
#include "platform/Metafile.h"
#include "platform/gui/Printer.h"
#include "printing/PrintPreview.h"

using namespace qm;
using qmtest::PdfPageCount;
using qmtest::PdfText;

namespace {

struct FormEvent {
    AnsiString name;
    TCustomFormOperation operation;
    friend bool operator==(const FormEvent&, const FormEvent&) = default;
};

class PreviewPrintingTest : public qmtest::DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        ASSERT_TRUE(Printer().SetPrinterName(TPrinter::PdfFilePrinterName));
        Printer().OutputFileName = out;
        pv = std::make_unique<TPrintPreview>();
        pv->SetUnits(mmHiEnglish);
        pv->SetPaperType(pLetter);
        pv->PrintJobTitle = "Preview printing test";
        pv->OnAutoCustomForm = [this](QObject*, const AnsiString& name, TCustomFormOperation op) {
            formEvents.push_back({name, op});
        };
        pv->OnBeforePrint = [this](QObject*) { events.push_back("before"); };
        pv->OnAfterPrint = [this](QObject*) {
            events.push_back("after");
            EXPECT_FALSE(Printer().Printing()) << "the job has ended before OnAfterPrint";
        };
        pv->OnAbort = [this](QObject*) { events.push_back("abort"); };
        pv->OnPrintProgress = [this](QObject*, int32_t page, int32_t progress, bool& abortIt) {
            EXPECT_EQ(pv->State(), psPrinting);
            events.push_back(std::to_string(page) + ":" + std::to_string(progress));
            if (onProgress)
                onProgress(page, progress, abortIt);
        };
    }
    void TearDown() override
    {
        pv.reset();
        Printer().OutputFileName.clear();
        DialogFixture::TearDown();
    }
    // Pages reading "Page 1", "Page 2" ...; with a picture on the pages listed.
    void Record(int pages, std::initializer_list<int> withPicture = {})
    {
        pv->BeginDoc();
        for (int p = 1; p <= pages; ++p) {
            if (p > 1)
                pv->NewPage();
            TDeviceCanvas& c = *pv->Canvas();
            c.Brush().SetStyle(bsClear);
            c.Font().SetSize(14);
            c.TextOut(1000, 1000, "Page " + std::to_string(p));
            if (std::find(withPicture.begin(), withPicture.end(), p) != withPicture.end()) {
                QImage picture(16, 16, QImage::Format_RGB32);
                picture.fill(Qt::red);
                c.StretchDraw({1000, 2000, 3000, 4000}, picture);
            }
        }
        pv->EndDoc();
    }
    std::vector<AnsiString> Forms()
    {
        std::vector<AnsiString> forms;
        EXPECT_TRUE(pv->ListPrinterForms(forms));
        return forms;
    }
    // The pages' texts in order, one entry per page.
    std::vector<std::string> PrintedPages(const std::string& file)
    {
        EXPECT_EQ(qmtest::PdfCheckProblems(file), "");
        std::vector<std::string> pages;
        const std::string text = PdfText(file);
        for (size_t at = 0; at < text.size();) {
            const size_t feed = std::min(text.find('\f', at), text.size());
            std::string page = text.substr(at, feed - at);
            page.erase(0, page.find_first_not_of(" \n"));
            page.erase(page.find_last_not_of(" \n") + 1);
            pages.push_back(page);
            at = feed + 1;
        }
        return pages;
    }

    qmtest::TempDir dir;
    std::string out = dir.file("out.pdf");
    std::unique_ptr<TPrintPreview> pv;
    std::vector<FormEvent> formEvents;
    std::vector<std::string> events;
    std::function<void(int32_t, int32_t, bool&)> onProgress;
};

TEST_F(PreviewPrintingTest, LetterFindsTheLetterFormAndImposesPaperIdAndOrientation)
{
    pv->SetPrinterOptions();
    const TDeviceMode& dm = Printer().DeviceMode();
    EXPECT_EQ(dm.FormName(), "Letter");
    EXPECT_EQ(dm.dmFields, DM_FORMNAME | DM_PAPERSIZE | DM_ORIENTATION);
    EXPECT_EQ(dm.dmPaperSize, 1);
    EXPECT_EQ(dm.dmOrientation, DMORIENT_PORTRAIT);
    EXPECT_TRUE(formEvents.empty());
    EXPECT_EQ(Forms().size(), 66u);
    EXPECT_EQ(Printer().PhysicalSize(), (TSize{5100, 6600}));
}

TEST_F(PreviewPrintingTest, EveryTablePaperFindsAFormOfItsSizeAtItsOwnPlaceInTheList)
{
    // The paper combo of the preview window selects the paper whose ordinal is the form's
    // place in this list.
    std::vector<TFormInfo> forms;
    ASSERT_TRUE(Printer().EnumForms(forms));
    for (int p = 0; p < pCustom; ++p) {
        const TPaperSizeInfo& row = PaperSizes[p];
        SCOPED_TRACE(PaperTypeNames[p]);
        EXPECT_EQ(StandardForms()[p].PaperId, row.ID);
        EXPECT_EQ((forms[p].Size.cx + 50) / 100, ConvertUnits(row.Width, 96, row.Units, mmLoMetric));
        EXPECT_EQ((forms[p].Size.cy + 50) / 100, ConvertUnits(row.Height, 96, row.Units, mmLoMetric));
        pv->SetPaperType(TPaperType(p));
        pv->SetPrinterOptions();
        EXPECT_EQ(Printer().DeviceMode().dmPaperSize, row.ID);
    }
    EXPECT_TRUE(formEvents.empty());
}

TEST_F(PreviewPrintingTest, ACustomPageAddsItsFormWhichGoesWhenAKnownPaperIsImposed)
{
    pv->SetUnits(mmLoMetric);
    pv->SetOrientation(poLandscape);
    pv->SetPaperWidth(2000);
    pv->SetPaperHeight(1000);
    ASSERT_EQ(pv->PaperType(), pCustom);
    pv->SetPrinterOptions();
    EXPECT_EQ(formEvents, (std::vector<FormEvent>{{"100mm x 200mm", coInsert}}));
    const TDeviceMode& dm = Printer().DeviceMode();
    EXPECT_EQ(dm.FormName(), "100mm x 200mm");
    EXPECT_EQ(dm.dmPaperSize, DMPAPER_USER);
    EXPECT_EQ(dm.dmPaperWidth, 1000); // portrait sizes
    EXPECT_EQ(dm.dmPaperLength, 2000);
    EXPECT_EQ(dm.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(Forms().back(), "100mm x 200mm");
    EXPECT_EQ(Printer().PhysicalSize(), (TSize{4724, 2362})); // 200 x 100 mm at 600 per inch

    // Imposed again: the form is found, nothing is added twice.
    pv->SetPrinterOptions();
    EXPECT_EQ(formEvents.size(), 1u);

    pv->SetPaperType(pA4);
    pv->SetPrinterOptions();
    EXPECT_EQ(formEvents.back(), (FormEvent{"100mm x 200mm", coRemove}));
    EXPECT_EQ(Printer().DeviceMode().FormName(), "A4");
    EXPECT_EQ(Printer().DeviceMode().dmPaperSize, 9);
    EXPECT_EQ(Forms().size(), 66u);
}

TEST_F(PreviewPrintingTest, DestroyingTheControlRemovesItsFormWithoutAnEvent)
{
    pv->SetUnits(mmLoMetric);
    pv->SetPaperWidth(1234);
    pv->SetPrinterOptions();
    ASSERT_EQ(formEvents.size(), 1u);
    EXPECT_EQ(formEvents[0].name, "123mm x 279mm");
    pv.reset();
    EXPECT_EQ(formEvents.size(), 1u);
    std::vector<TFormInfo> forms;
    Printer().EnumForms(forms);
    EXPECT_EQ(forms.size(), 66u);
}

TEST_F(PreviewPrintingTest, APageTooLargeForTheDeviceModeIsARangeErrorAndChangesNothing)
{
    pv->SetUnits(mmPoints);
    pv->SetPaperWidth(9000); // 3.2 metres fit the device mode, 10.6 do not
    pv->SetPrinterOptions();
    const TDeviceMode before = Printer().DeviceMode();
    pv->SetPaperHeight(30000);
    try {
        pv->SetPrinterOptions();
        FAIL() << "no range error";
    } catch (const ERangeError& e) {
        EXPECT_STREQ(e.what(), "The paper is too large for the printer: 3175 x 10583 mm.");
    }
    EXPECT_EQ(Printer().DeviceMode().dmPaperLength, before.dmPaperLength);
}

TEST_F(PreviewPrintingTest, GetPrinterOptionsTakesOrientationPaperAndCustomSizes)
{
    TDeviceMode dm;
    dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_FORMNAME;
    dm.dmOrientation = DMORIENT_LANDSCAPE;
    dm.dmPaperSize = 9;
    dm.SetFormName("A4");
    Printer().SetDeviceMode(dm);
    pv->GetPrinterOptions();
    EXPECT_EQ(pv->PaperType(), pA4);
    EXPECT_EQ(pv->Orientation(), poLandscape);
    EXPECT_EQ(pv->PaperWidth(), 11693);
    EXPECT_EQ(pv->PaperHeight(), 8268);

    dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH;
    dm.dmOrientation = 3; // neither: the orientation stays
    dm.dmPaperSize = DMPAPER_USER;
    dm.dmPaperWidth = 1000;
    dm.dmPaperLength = 2000;
    Printer().SetDeviceMode(dm);
    pv->GetPrinterOptions();
    EXPECT_EQ(pv->PaperType(), pCustom);
    EXPECT_EQ(pv->Orientation(), poLandscape);
    EXPECT_EQ(pv->PaperWidth(), 7874); // 200 mm
    EXPECT_EQ(pv->PaperHeight(), 3937);

    // Without a paper id the paper is custom too; a size of a table row finds the row.
    dm.dmFields = DM_ORIENTATION | DM_PAPERWIDTH | DM_PAPERLENGTH;
    dm.dmOrientation = DMORIENT_PORTRAIT;
    dm.dmPaperWidth = 2159;
    dm.dmPaperLength = 2794;
    Printer().SetDeviceMode(dm);
    pv->GetPrinterOptions();
    EXPECT_EQ(pv->PaperType(), pLetter);
    EXPECT_EQ(pv->Orientation(), poPortrait);
}

TEST_F(PreviewPrintingTest, PrintingAllPagesReportsEachPageTwiceAndWritesThemInOrder)
{
    Record(3);
    pv->Print();
    EXPECT_EQ(events,
              (std::vector<std::string>{"before", "1:0", "1:33", "2:33", "2:67", "3:67", "3:100", "after"}));
    EXPECT_EQ(pv->State(), psReady);
    EXPECT_FALSE(pv->Aborted());
    EXPECT_EQ(PrintedPages(out), (std::vector<std::string>{"Page 1", "Page 2", "Page 3"}));
    EXPECT_EQ(qmtest::PdfPageSize(out), (std::pair<double, double>(612, 792)));
    // One inch from the paper's corner, as recorded.
    EXPECT_NEAR(qmtest::PdfWordLeft(out, "Page"), 72, 1);
    EXPECT_EQ(Printer().Title, "");
}

TEST_F(PreviewPrintingTest, PageRangesPrintOnlyRecordedPages)
{
    Record(3);
    pv->PrintPages(3, 2);
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(std::filesystem::exists(out));

    pv->PrintPages(2, 2);
    EXPECT_EQ(events, (std::vector<std::string>{"before", "2:0", "2:100", "after"}));
    EXPECT_EQ(PrintedPages(out), (std::vector<std::string>{"Page 2"}));

    // Pages past the recorded ones would be empty sheets.
    events.clear();
    pv->PrintPages(2, 99);
    EXPECT_EQ(events, (std::vector<std::string>{"before", "2:0", "2:50", "3:50", "3:100", "after"}));
    EXPECT_EQ(PrintedPages(out), (std::vector<std::string>{"Page 2", "Page 3"}));
}

TEST_F(PreviewPrintingTest, AbortInTheFirstProgressEventPrintsNothing)
{
    Record(2);
    qmtest::WriteFile(out, "old");
    onProgress = [](int32_t, int32_t, bool& abortIt) { abortIt = true; };
    pv->Print();
    EXPECT_EQ(events, (std::vector<std::string>{"before", "1:0", "abort", "after"}));
    EXPECT_TRUE(pv->Aborted());
    EXPECT_EQ(pv->State(), psReady);
    EXPECT_FALSE(Printer().Printing());
    EXPECT_EQ(qmtest::ReadFile(out), "old");

    // The control prints again afterwards.
    onProgress = nullptr;
    pv->PrintPages(1, 1);
    EXPECT_FALSE(pv->Aborted());
    EXPECT_EQ(PrintedPages(out), (std::vector<std::string>{"Page 1"}));
}

TEST_F(PreviewPrintingTest, AJobFailingHalfWayIsAbortedAndTheErrorReachesTheCaller)
{
    Record(3);
    onProgress = [](int32_t page, int32_t, bool&) {
        if (page == 2)
            throw EInOutError("The page file cannot be read.");
    };
    EXPECT_THROW(pv->Print(), EInOutError);
    EXPECT_EQ(events, (std::vector<std::string>{"before", "1:0", "1:33", "2:33", "after"}));
    EXPECT_TRUE(pv->Aborted());
    EXPECT_EQ(pv->State(), psReady);
    EXPECT_FALSE(Printer().Printing());
    EXPECT_FALSE(std::filesystem::exists(out));
}

// A file that cannot be written ends the job with its error; a cancelled file question ends
// it silently. Either way the job counts as aborted and the control is ready again.
TEST_F(PreviewPrintingTest, AJobWithoutAFileToWriteEndsAborted)
{
    Record(1);
    Printer().OutputFileName = dir.file("no/such/folder.pdf");
    EXPECT_THROW(pv->Print(), EInOutError);
    EXPECT_TRUE(pv->Aborted());
    Printer().OutputFileName.clear();
    dialogs->expectFile("", false);
    pv->Print();
    EXPECT_EQ(events, (std::vector<std::string>{"before", "after", "before", "after"}));
    EXPECT_TRUE(pv->Aborted());
    EXPECT_EQ(pv->State(), psReady);
}

TEST_F(PreviewPrintingTest, WithoutFastPrintAPageWithAPictureIsPrintedAsOnePicture)
{
    Record(2, {2});
    const std::string fast = dir.file("fast.pdf"), bitmap = dir.file("bitmap.pdf");
    Printer().OutputFileName = fast;
    pv->Print();
    pv->FastPrint = false;
    Printer().OutputFileName = bitmap;
    pv->Print();

    // Fast: both pages keep their text, page 2 its small picture.
    EXPECT_EQ(PrintedPages(fast), (std::vector<std::string>{"Page 1", "Page 2"}));
    EXPECT_EQ(qmtest::PdfImageCount(fast), 1);
    // Bitmap-aware: page 1 has no picture and is played as it is; page 2 becomes one picture
    // of the whole page, so its text is no longer text.
    EXPECT_EQ(PrintedPages(bitmap), (std::vector<std::string>{"Page 1", ""}));
    EXPECT_EQ(qmtest::PdfImageCount(bitmap), 1);
    EXPECT_EQ(PdfPageCount(bitmap), 2);
}

TEST_F(PreviewPrintingTest, UsePrinterOptionsTakesThePrintersPaper)
{
    TDeviceMode dm = Printer().DeviceMode();
    dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE;
    dm.dmOrientation = DMORIENT_LANDSCAPE;
    dm.dmPaperSize = 9;
    Printer().SetDeviceMode(dm);
    pv->UsePrinterOptions = true;
    Record(1);
    EXPECT_EQ(pv->PaperType(), pA4);
    EXPECT_EQ(pv->Orientation(), poLandscape);
    pv->Print();
    EXPECT_EQ(qmtest::PdfPageSize(out), (std::pair<double, double>(842, 595)));
    EXPECT_EQ(PrintedPages(out), (std::vector<std::string>{"Page 1"}));
}

TEST_F(PreviewPrintingTest, PrintingDirectlyWritesThePagesAsTheyAreDrawn)
{
    pv->DirectPrint = true;
    Record(2);
    EXPECT_EQ(pv->State(), psReady);
    EXPECT_EQ(PrintedPages(out), (std::vector<std::string>{"Page 1", "Page 2"}));
}

// ---- Through a real print server ----------------------------------------------------------

class PrintServerTest : public PreviewPrintingTest {
protected:
    void SetUp() override
    {
        PreviewPrintingTest::SetUp();
        cups = std::make_unique<qmtest::PrivateCups>();
        if (!cups->ok())
            GTEST_SKIP() << "No private print server: " << cups->whyNot()
                         << ". The PDF-file printer's tests cover the print path without one.";
    }
    void TearDown() override
    {
        pv.reset();
        // Back to the PDF-file printer before the server goes.
        Printer().SetPrinterName(TPrinter::PdfFilePrinterName);
        cups.reset();
        PreviewPrintingTest::TearDown();
    }
    std::unique_ptr<qmtest::PrivateCups> cups;
};

TEST_F(PrintServerTest, TwoPagesGoThroughThePdfQueueAndAQueueThatGoesIsNoPrinter)
{
    // The queue turns the PDF into PostScript for its backend; the cairo renderer keeps the
    // text readable in the PDF that comes out.
    ASSERT_TRUE(cups->addQueue("QuillmartPDF", "cups-pdf:/", "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd",
                               {"pdftops-renderer-default=pdftocairo"}))
        << cups->whyNot();
    ASSERT_TRUE(Printer().SetPrinterName("QuillmartPDF"));
    EXPECT_EQ(Printer().Printers().front(), "QuillmartPDF");
    const std::vector<AnsiString> forms = Forms();
    EXPECT_NE(std::find(forms.begin(), forms.end(), "US Letter"), forms.end());

    Record(2);
    const std::string word = "QuillmartJob" + std::to_string(getpid());
    pv->PrintJobTitle = word;
    pv->Print();
    EXPECT_FALSE(pv->Aborted());
    const int job = Printer().LastJobId();
    ASSERT_GT(job, 0);
    ASSERT_EQ(cups->waitForJob("QuillmartPDF", job), "completed") << cups->logTail();
    const std::string file = qmtest::PrivateCups::CupsPdfFile(word, job);
    ASSERT_FALSE(file.empty()) << "no file of job " << job << " in " << qmtest::PrivateCups::CupsPdfFolder();
    EXPECT_EQ(PrintedPages(file), (std::vector<std::string>{"Page 1", "Page 2"}));
    std::filesystem::remove(file);

    // The queue goes while a job is drawn: the server refuses the job, which ends aborted.
    onProgress = [this](int32_t page, int32_t progress, bool&) {
        if (page == 2 && progress == 50) {
            ASSERT_TRUE(cups->removeQueue("QuillmartPDF"));
        }
    };
    events.clear();
    try {
        pv->Print();
        ADD_FAILURE() << "a removed queue took the job";
    } catch (const EPrinter& e) {
        EXPECT_STREQ(e.what(),
                     "The printer \"QuillmartPDF\" was removed while the job was made; nothing was printed.");
    }
    EXPECT_EQ(events.back(), "after");
    EXPECT_TRUE(pv->Aborted());
    EXPECT_EQ(pv->State(), psReady);
    EXPECT_FALSE(Printer().Printing());

    // Then the printer is none, with a clear message when printing.
    onProgress = nullptr;
    events.clear();
    try {
        pv->Print();
        ADD_FAILURE() << "printed on a removed queue";
    } catch (const EPrinter& e) {
        EXPECT_STREQ(e.what(),
                     "The printer \"QuillmartPDF\" is not installed any more. Choose another printer.");
    }
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(pv->State(), psReady);
    std::vector<AnsiString> none;
    EXPECT_FALSE(pv->ListPrinterForms(none));
    TRect printable;
    pv->GetPrintableRect(printable);
    EXPECT_EQ(printable, pv->GetPageBounds());
}

TEST_F(PrintServerTest, APrintersUnprintableEdgesShrinkThePrintableRectButNotThePage)
{
    const std::string ppd = std::string(QM_SOURCE_DIR) + "/tests/printing/data/margins.ppd";
    const std::string target = cups->dir().file("margins.pdf");
    ASSERT_TRUE(cups->addQueue("QuillmartMargins", "file://" + target, ppd)) << cups->whyNot();
    ASSERT_TRUE(Printer().SetPrinterName("QuillmartMargins"));
    pv->SetPrinterOptions();
    // A quarter inch left and right, half an inch at the top and bottom.
    EXPECT_EQ(Printer().PhysicalOffset(), (TPoint{150, 300}));
    TRect printable;
    pv->GetPrintableRect(printable);
    EXPECT_EQ(printable, (TRect{250, 500, 8250, 10500}));
    pv->SetUnits(mmPixel); // screen pixels: 96 per inch
    pv->GetPrintableRect(printable);
    EXPECT_EQ(printable, (TRect{24, 48, 816 - 24, 1056 - 48}));
    pv->SetUnits(mmHiEnglish);

    Record(1);
    pv->Print();
    ASSERT_EQ(cups->waitForJob("QuillmartMargins", Printer().LastJobId()), "completed") << cups->logTail();
    EXPECT_EQ(PrintedPages(target), (std::vector<std::string>{"Page 1"}));
    // Drawn one inch from the paper's edge, not from the printable area's.
    EXPECT_NEAR(qmtest::PdfWordLeft(target, "Page"), 72, 1);

    // Turned, the sheet's long edges are its top and bottom.
    pv->SetOrientation(poLandscape);
    pv->SetPrinterOptions();
    EXPECT_EQ(Printer().PhysicalOffset(), (TPoint{300, 150}));
    EXPECT_EQ(Printer().PhysicalSize(), (TSize{6600, 5100}));
}

} // namespace
