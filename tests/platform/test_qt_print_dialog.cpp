// The toolkit's print dialog behind the Dialogs seam, answered by acting on the open dialog as
// a user would: its Help button opens the caller's help topic, and with a print server that
// does not answer the dialog still comes, at once, offering the PDF file.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "PrintTestSupport.h"
#include "platform/gui/Printer.h"
#include "platform/gui/QtDialogs.h"

using namespace qm;

namespace {

class QtPrintDialogTest : public qmtest::DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        ASSERT_TRUE(Printer().SetPrinterName(TPrinter::PdfFilePrinterName));
        Printer().OutputFileName = dir.file("out.pdf");
    }
    void TearDown() override
    {
        Printer().OutputFileName.clear();
        DialogFixture::TearDown();
    }
    // Once the dialog is open, act on it.
    static void OnNextDialog(std::function<void(QPrintDialog&)> act)
    {
        QTimer::singleShot(0, [act] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            act(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
    }

    qmtest::TempDir dir;
    QtDialogs qt;
};

TEST_F(QtPrintDialogTest, TheHelpButtonOpensTheCallersTopicAndLeavesTheDialogOpen)
{
    PrintDialogRequest request;
    request.HelpContext = 2380;
    bool stillOpen = false;
    OnNextDialog([&](QPrintDialog& dialog) {
        auto* help = dialog.findChild<QPushButton*>("BtnHelp");
        ASSERT_NE(help, nullptr);
        EXPECT_EQ(help->text().remove('&'), "Help");
        help->click();
        stillOpen = dialog.isVisible();
    });
    EXPECT_FALSE(qt.printDialog(request));
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(shell->calls.size(), 1u);
    EXPECT_EQ(shell->calls[0].what, "help");
    EXPECT_EQ(shell->calls[0].helpContext, 2380);

    // Without a help context there is no Help button.
    request.HelpContext = 0;
    bool hasHelp = true;
    OnNextDialog(
        [&](QPrintDialog& dialog) { hasHelp = dialog.findChild<QPushButton*>("BtnHelp") != nullptr; });
    EXPECT_FALSE(qt.printDialog(request));
    EXPECT_FALSE(hasHelp);
}

TEST_F(QtPrintDialogTest, WithAStoppedPrintServerTheDialogOffersThePdfFile)
{
    qmtest::ShortWaitPrintServer cups;
    if (!cups.ok())
        GTEST_SKIP() << "No private print server: " << cups.whyNot();
    ASSERT_TRUE(cups.chooseMarginsQueue()) << cups.whyNot();
    ASSERT_TRUE(cups.stop());

    PrintDialogRequest request;
    QString output;
    OnNextDialog([&](QPrintDialog& dialog) {
        output = dialog.printer()->outputFileName();
        dialog.accept();
    });
    ASSERT_TRUE(qt.printDialog(request));
    EXPECT_EQ(output.toStdString(), dir.file("out.pdf"));
    EXPECT_TRUE(Printer().IsPdfFilePrinter());
    EXPECT_EQ(Printer().OutputFileName, dir.file("out.pdf"));
    // Back on the configured server once the dialog is gone.
    ASSERT_TRUE(cups.resume());
    EXPECT_EQ(std::string(cupsServer()), cups.dir().file("cups.sock"));
}

} // namespace
