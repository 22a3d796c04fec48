#include <gtest/gtest.h>

#include <QString>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include "TestSupport.h"
#include "platform/AnsiString.h"
#include "platform/Clock.h"
#include "platform/DateFormat.h"
#include "platform/Dispatch.h"
#include "platform/Exception.h"
#include "platform/Shell.h"
#include "platform/TempFiles.h"

using namespace qm;

TEST(AnsiText, EveryByteSurvivesTheRoundTripThroughQString)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    EXPECT_EQ(FromQString(ToQString(all)), all);
    EXPECT_EQ(FromFileName(ToFileName(all)), all);
}

TEST(AnsiText, ConvertsTheWindowsHighRangeAndReplacesTheRest)
{
    EXPECT_EQ(ToQString("\x80"), QString(QChar(0x20AC)));
    EXPECT_EQ(ToQString("\xA2"), QString(QChar(0x00A2))); // the cent sign
    EXPECT_EQ(FromQString(QString::fromUtf8("\xE2\x82\xAC 5")), "\x80 5");
    EXPECT_EQ(FromQString(QString::fromUtf8("\xE4\xB8\xAD\xF0\x9F\x8D\x8E")), "??");
    EXPECT_EQ(ToFileName("caf\xE9"), "caf\xC3\xA9");
}

TEST(AnsiText, NamesUpperCaseOnlyAsciiLetters)
{
    EXPECT_EQ(UpperName("milk \xE9 z{"), "MILK \xE9 Z{");
    EXPECT_TRUE(SameName("Produce", "PRODUCE"));
    EXPECT_FALSE(SameName("caf\xE9", "CAF\xC9"));
    EXPECT_LT(CompareNames("apple", "Banana"), 0);
    EXPECT_LT(CompareBytes("Z", "\xE9"), 0); // bytes compare unsigned
    EXPECT_LT(CompareNames("AB", "ABC"), 0);
}

// The desktop's shell starts the file manager and programs with their arguments as the
// system's bytes: a path in a folder of any name reaches them as it is.
TEST(DesktopShell, HandsPathsOverAsTheirBytes)
{
    qmtest::TempDir dir;
    const std::string folder = dir.file("\xD0\xB4\xD0\xBE\xD0\xBC \xF0\x9F\x9B\x92 caf\xE9");
    std::filesystem::create_directory(folder);
    // Writes its arguments, each followed by "|", into "args" once it has them all.
    const std::string script = folder + "/xdg-open";
    qmtest::WriteFile(script, "#!/bin/sh\nprintf '%s|' \"$@\" > \"" + dir.file("args.tmp") +
                                  "\"\n/bin/mv \"" + dir.file("args.tmp") + "\" \"" + dir.file("args") +
                                  "\"\n");
    chmod(script.c_str(), 0755);
    // The stand-in is the only program on PATH, so the desktop's own is never started.
    const std::string path = std::getenv("PATH");
    setenv("PATH", folder.c_str(), 1);
    auto previous = SetShellHandler(nullptr);
    auto ran = [&] {
        const bool there = QTest::qWaitFor([&] { return std::filesystem::exists(dir.file("args")); }, 60000);
        const std::string args = there ? qmtest::ReadFile(dir.file("args")) : "not run";
        std::filesystem::remove(dir.file("args"));
        return args;
    };

    EXPECT_TRUE(Shell().openFolder(folder + "/"));
    EXPECT_EQ(ran(), folder + "/|");
    EXPECT_TRUE(Shell().startProcess(script, {folder + "/Caf\xC3\xA9.store", "two \"words\" $HOME"}));
    EXPECT_EQ(ran(), folder + "/Caf\xC3\xA9.store|two \"words\" $HOME|");
    EXPECT_FALSE(Shell().startProcess(dir.file("missing"), {}));

    SetShellHandler(previous);
    setenv("PATH", path.c_str(), 1);
}

TEST(Clock, DayNumbersMatchTheCalendar)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    int y, m, d;
    DecodeDate(46363.75, y, m, d);
    EXPECT_EQ(y, 2026);
    EXPECT_EQ(m, 12);
    EXPECT_EQ(d, 7);
    SetTestNow(46363.5);
    EXPECT_EQ(Now(), 46363.5);
    EXPECT_EQ(Date(), 46363.0);
    SetTestNow(std::nullopt);
    EXPECT_GT(Now(), 46000.0);
}

class SeamTest : public qmtest::DialogFixture {};

TEST_F(SeamTest, DispatchShowsTheMessageAndGoesOn)
{
    dialogs->expectBox("Store file \"x\" not found.");
    EXPECT_FALSE(Dispatch([] { throw EInOutError("Store file \"x\" not found."); }));
    ASSERT_EQ(dialogs->seen().size(), 1u);
    EXPECT_EQ(dialogs->seen()[0].type, mtError);
    EXPECT_TRUE(Dispatch([] {}));
}

TEST_F(SeamTest, OneActionShowsAFailureOnceHoweverItIsReported)
{
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    const auto fail = [](const char* text) { return [text] { throw EInOutError(text); }; };
    dialogs->expectBox("Cannot write to the file \"a\"");
    dialogs->expectBox("Cannot write to the file \"b\"");
    Dispatch(fail("Cannot write to the file \"a\""));
    Dispatch(fail("Cannot write to the file \"a\""));
    Dispatch(fail("Cannot write to the file \"a\""), Report::Later);
    Dispatch(fail("Cannot write to the file \"b\""));
    QCoreApplication::processEvents(); // the action is over
    EXPECT_EQ(dialogs->seen().size(), 2u);

    dialogs->expectBox("Cannot write to the file \"a\"");
    Dispatch(fail("Cannot write to the file \"a\""));
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs->seen().size(), 3u) << "a new action shows it again";
}

TEST_F(SeamTest, HelpAnswerOpensHelpAndIsNotYes)
{
    dialogs->expectBox("Reset", mrHelp);
    const int r = MessageDlg("Reset all quantities?", mtConfirmation, mbYes | mbNo | mbHelp, 42);
    EXPECT_EQ(r, mrHelp);
    EXPECT_NE(r, mrYes);
    ASSERT_EQ(shell->calls.size(), 1u);
    EXPECT_EQ(shell->calls[0].what, "help");
    EXPECT_EQ(shell->calls[0].helpContext, 42);
}

TEST(Format, FormatsLikePrintf)
{
    EXPECT_EQ(Format("Item not found ($0%x)", 0x1f), "Item not found ($01f)");
    EXPECT_EQ(Format("%s", std::string(5000, 'a').c_str()).size(), 5000u);
}

TEST(TempFiles, EachCallMakesANewFileWithThePrefix)
{
    qmtest::TempDir dir;
    const char* saved = getenv("TMPDIR");
    const std::string savedValue = saved ? saved : "";
    setenv("TMPDIR", dir.path().c_str(), 1);
    const std::string a = CreateTempFile("PP");
    const std::string b = CreateTempFile("PP");
    if (saved)
        setenv("TMPDIR", savedValue.c_str(), 1);
    else
        unsetenv("TMPDIR");

    EXPECT_NE(a, b);
    for (const auto& f : {a, b}) {
        EXPECT_EQ(f.rfind(dir.path() + "/PP", 0), 0u) << f;
        EXPECT_EQ(f.substr(f.size() - 4), ".tmp");
        EXPECT_TRUE(std::filesystem::is_regular_file(f));
        EXPECT_EQ(std::filesystem::file_size(f), 0u);
    }
    EXPECT_THROW(CreateTempFile("../PP"), EInOutError);
}

TEST(ScriptedDialogs, AnAnswerTheBoxDoesNotOfferIsAFailure)
{
    ScriptedDialogs script;
    script.expectBox("Store imported.", mrYes).expectBox("Delete", mrNo).expectBox("", mrHelp);
    script.messageDlg("Store imported.", mtInformation, mbOK, 0);
    script.messageDlg("Delete the item?", mtConfirmation, mbYes | mbNo | mbHelp, 5);
    script.messageDlg("Reset?", mtConfirmation, mbYes | mbNo, 0);
    ASSERT_EQ(script.failures().size(), 2u);
    EXPECT_NE(script.failures()[0].find("Store imported."), std::string::npos);
    EXPECT_NE(script.failures()[1].find("Reset?"), std::string::npos);
}

TEST(ScriptedDialogs, QueriesAreAnsweredInTurnAndKeepTheirInitialText)
{
    ScriptedDialogs script;
    script.expectQuery("Rename", "Corner Shop").expectQuery("Rename", "", false);
    AnsiString name = "Main St";
    EXPECT_TRUE(script.inputQuery("Rename Store", "New name:", name));
    EXPECT_EQ(name, "Corner Shop");
    EXPECT_FALSE(script.inputQuery("Rename Store", "New name:", name));
    EXPECT_EQ(name, "Corner Shop");
    EXPECT_FALSE(script.inputQuery("Add Aisle", "Name:", name)); // nothing scripted
    ASSERT_EQ(script.seen().size(), 3u);
    EXPECT_EQ(script.seen()[0].initial, "Main St");
    EXPECT_EQ(script.failures().size(), 1u);
}

TEST(ScriptedDialogs, AFilePickerAnswersTheChosenFilterOrTheOneShown)
{
    auto script = std::make_shared<ScriptedDialogs>();
    const auto previous = SetDialogHandler(script);
    script->expectFile("/tmp/a.txt", true, 2).expectFile("/tmp/b.pdf").expectFile("/tmp/c.pdf");
    FileDialogRequest request{FileDialogRequest::Save, "Export", "PDF|*.pdf|Text|*.txt", "", "", "txt", 1};
    AnsiString path;
    int filter = 0;
    EXPECT_TRUE(PromptForFile(request, path, filter));
    EXPECT_EQ(path, "/tmp/a.txt");
    EXPECT_EQ(filter, 2);
    request.filterIndex = 2;
    EXPECT_TRUE(PromptForFile(request, path, filter));
    EXPECT_EQ(filter, 2);
    EXPECT_TRUE(PromptForFile(request, path)); // the picker without a filter answer
    EXPECT_EQ(path, "/tmp/c.pdf");
    EXPECT_TRUE(script->failures().empty());
    SetDialogHandler(previous);
}

TEST(ScriptedDialogs, APrintDialogAnswersRangeAndCopiesAndSeesTheRequest)
{
    auto script = std::make_shared<ScriptedDialogs>();
    const auto previous = SetDialogHandler(script);
    script->expectPrint(PrintDialogRequest::prPageNums, 2, 3, 3)
        .expectPrint(PrintDialogRequest::prAllPages, 1, 1, 1, false);
    PrintDialogRequest request;
    request.ToPage = 7;
    request.MaxPage = 120;
    request.HelpContext = 2360;
    EXPECT_TRUE(PromptForPrint(request));
    EXPECT_EQ(request.PrintRange, PrintDialogRequest::prPageNums);
    EXPECT_EQ(request.FromPage, 2);
    EXPECT_EQ(request.ToPage, 3);
    EXPECT_EQ(request.Copies, 3);
    EXPECT_EQ(request.MaxPage, 120);
    EXPECT_FALSE(PromptForPrint(request)); // cancelled: the request stays as it was
    EXPECT_EQ(request.FromPage, 2);
    ASSERT_EQ(script->seen().size(), 2u);
    EXPECT_EQ(script->seen()[0].print.ToPage, 7);
    EXPECT_EQ(script->seen()[0].print.MaxPage, 120);
    EXPECT_EQ(script->seen()[0].helpContext, 2360);
    EXPECT_TRUE(script->failures().empty());
    // A print dialog nobody expected is a failure, and counts as cancelled.
    EXPECT_FALSE(PromptForPrint(request));
    EXPECT_EQ(script->failures().size(), 1u);
    // Without a handler that can ask, nothing is printed.
    SetDialogHandler(nullptr);
    EXPECT_FALSE(PromptForPrint(request));
    SetDialogHandler(previous);
}

TEST(DateFormat, SpecifiersTakeTheLocalesNamesAndFormats)
{
    // The tests run in the C locale (ctest sets LC_ALL=C.UTF-8): short date "7 Dec 2026".
    const TDateTime when = EncodeDate(2026, 12, 7) + EncodeTime(9, 5, 3, 0);
    EXPECT_EQ(FormatDateTime("ddd ddddd", when), "Mon 7 Dec 2026");
    EXPECT_EQ(FormatDateTime("dddd, d mmmm yyyy", when), "Monday, 7 December 2026");
    EXPECT_EQ(FormatDateTime("dd/mm/yy hh:nn:ss", when), "07/12/26 09:05:03");
    EXPECT_EQ(FormatDateTime("d.m. h:n:s", when), "7.12. 9:5:3");
    EXPECT_EQ(FormatDateTime("\"day\" d, 'mmm' mmm @`", when), "day 7, mmm Dec @`");
    EXPECT_EQ(FormatDateTime("", when), "");
    // A moment just before midnight is not shown as the next day's date at the old day.
    const TDateTime late = EncodeDate(2026, 12, 31) + 86399.9996 / 86400.0;
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", late), "2027-01-01 00:00:00");
}
