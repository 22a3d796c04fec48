// The Options and Help menus: the version check against a real server on 127.0.0.1, the
// options dialog, the tip of the day, the about box and the two button sizes.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>

#include "LocalHttpServer.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "app/HelpContexts.h"
#include "dialogs/AboutUnit.h"
#include "dialogs/OptionsUnit.h"
#include "dialogs/TipUnit.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/gui/QtDialogs.h"
#include "platform/gui/ToolBar.h"
#include "util/RegUtils.h"
#include "util/widgets/UrlLabel.h"

namespace {

using namespace qm;
using namespace qmtest;
namespace fs = std::filesystem;

// Calls back on every event of one type that reaches the object.
class EventWatch : public QObject {
public:
    EventWatch(QObject* target, QEvent::Type type, std::function<void()> seen)
        : type_(type), seen_(std::move(seen))
    {
        target->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == type_)
            seen_();
        return false;
    }

private:
    QEvent::Type type_;
    std::function<void()> seen_;
};

class HelpCommandTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        qmtest::WriteFile(stores + "Shop.store", "[--Errands--]\r\nBank=1\r\n[Dairy]\r\nMilk=,-,,-,2\r\n");
        SetLastStore("Shop");
        HideTipOfTheDay();
    }
    void TearDown() override
    {
        unsetenv("QUILLMART_UPDATE_URL");
        unsetenv("QUILLMART_UPDATE_TIMEOUT_MS");
        MainWindowTest::TearDown();
    }
    // A server answering every request with the reply.
    void Serve(qmtest::LocalHttpServer::Answer answer)
    {
        server = std::make_unique<qmtest::LocalHttpServer>([answer](const std::string&) { return answer; });
        setenv("QUILLMART_UPDATE_URL", server->url().c_str(), 1);
    }
    std::vector<std::string> Urls() const
    {
        std::vector<std::string> urls;
        for (const auto& c : shell->calls)
            if (c.what == "url")
                urls.push_back(c.target);
        return urls;
    }
    // Opens the options dialog from its menu entry, shown; play fills it and clicks.
    void OpenOptions(std::function<void(TFormOptions&)> play)
    {
        Play<TFormOptions>(std::move(play));
        Trigger(*form, "MItemOptionsOptions");
    }
    TDateTime LastCheck() { return RegReadDateTimeDef(kCompany, kProduct, "Settings", 0, "LastCheckDT"); }

    std::unique_ptr<qmtest::LocalHttpServer> server;
};

TEST_F(HelpCommandTest, ANewerVersionIsOfferedAndItsAddressOpenedOnYes)
{
    Serve(qmtest::LocalHttpServer::Ok("1.6&-&4&-&unused&-&https://www.brenvoke.example/qm16.exe\r\n"));
    Start("Shop");
    SetTestNow(EncodeDate(2026, 12, 8) + 0.25);
    dialogs->expectBox("Version 1.6 has been released!  Would you like to download it now?", mrYes);
    Trigger(*form, "MItemHelpNewVersion");
    EXPECT_EQ(Urls(), std::vector<std::string>{"https://www.brenvoke.example/qm16.exe"});
    EXPECT_DOUBLE_EQ(LastCheck(), EncodeDate(2026, 12, 8) + 0.25);
    ASSERT_EQ(server->requests().size(), 1u);
    const std::string request = server->requests()[0];
    EXPECT_EQ(request.rfind("GET /quillmart/qmver.cgi?v=3 HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("Accept: text/html, */*\r\n"), std::string::npos);
    EXPECT_NE(request.find("Content-Type: text/html\r\n"), std::string::npos);

    // No: nothing opened. The silent start-up check still offers it.
    dialogs->expectBox("Version 1.6", mrNo);
    form->CheckForNewVersion(false);
    EXPECT_EQ(Urls().size(), 1u);
}

TEST_F(HelpCommandTest, NoOfferWithoutANewerBuildAndTheLatestVersionOnlyWhenNothingFailed)
{
    Start("Shop");
    const std::pair<std::string, bool> replies[] = {
        {"1.5&-&9&-&x&-&http://a", false},     // the same version, whatever its build
        {"1.6&-&3&-&x&-&http://a", false},     // build 3 or less
        {"", false},                           // empty
        {"1.6&-&70000&-&x&-&http://a", false}, // a build no 16-bit number holds
        {"1.6&-&-4&-&x&-&http://a", false},
        {std::string("\x89PNG\0\x01\x02&-&", 10), false}, // binary
    };
    for (const auto& [body, offered] : replies) {
        Serve(qmtest::LocalHttpServer::Ok(body));
        dialogs->expectBox("You have the latest version.");
        Trigger(*form, "MItemHelpNewVersion");
        form->CheckForNewVersion(false); // and silent: nothing at all
        EXPECT_EQ(dialogs->pending(), 0u) << body;
    }
    EXPECT_TRUE(Urls().empty());
}

TEST_F(HelpCommandTest, ServerFailuresAreExplainedOnlyWhenAskedAndLastCheckIsWrittenAnyway)
{
    Start("Shop");
    const TDateTime before = LastCheck();
    SetTestNow(EncodeDate(2026, 12, 9));
    setenv("QUILLMART_UPDATE_TIMEOUT_MS", "300", 1);

    // The Help menu's check says why it failed; the silent one says nothing.
    auto fails = [&](const std::string& reason) {
        const size_t seen = dialogs->seen().size();
        dialogs->expectBox("Error contacting website.  " + reason);
        Trigger(*form, "MItemHelpNewVersion");
        form->CheckForNewVersion(false);
        ASSERT_EQ(dialogs->seen().size(), seen + 1) << reason;
        EXPECT_EQ(dialogs->seen().back().text, "Error contacting website.  " + reason);
        EXPECT_EQ(dialogs->seen().back().type, mtError);
    };
    Serve(qmtest::LocalHttpServer::Status(500, "Internal Server Error"));
    fails("The server answered with HTTP status 500.");
    EXPECT_DOUBLE_EQ(LastCheck(), EncodeDate(2026, 12, 9));
    EXPECT_NE(LastCheck(), before);

    Serve(qmtest::LocalHttpServer::Status(404, "Not Found"));
    fails("The server answered with HTTP status 404.");

    Serve(qmtest::LocalHttpServer::Ok(std::string(10 * 1024 * 1024, '1')));
    fails("The reply was larger than 64 KB.");

    server.reset();
    setenv("QUILLMART_UPDATE_URL", ("http://127.0.0.1:" + std::to_string(qmtest::ClosedPort())).c_str(), 1);
    fails("The connection was refused.");

    // A server that takes the connection and never answers: the check gives up after the
    // time-out the test set.
    Serve(qmtest::LocalHttpServer::Answer{{}, true});
    fails("The server did not answer within 0.3 seconds.");
    EXPECT_TRUE(Urls().empty());
}

// The server answers only once the window has painted and its tip timer has fired while the
// check waits; a check that held the window would hear nothing (then 503) and say so.
TEST_F(HelpCommandTest, TheWindowPaintsWhileTheCheckWaitsAndTheTipWaitsForTheCheck)
{
    RegWriteBool(kCompany, kProduct, "Settings", true, "ShowTOTD");
    std::mutex mutex;
    std::condition_variable changed;
    bool painted = false;
    bool tipTimerFired = false;
    server = std::make_unique<qmtest::LocalHttpServer>([&](const std::string&) {
        std::unique_lock lock(mutex);
        if (!changed.wait_for(lock, std::chrono::seconds(30), [&] { return painted && tipTimerFired; }))
            return qmtest::LocalHttpServer::Status(503, "Service Unavailable");
        return qmtest::LocalHttpServer::Ok("1.5&-&3&-&x&-&http://a");
    });
    setenv("QUILLMART_UPDATE_URL", server->url().c_str(), 1);
    setenv("QUILLMART_UPDATE_TIMEOUT_MS", "60000", 1);

    Start("Shop");
    EventWatch paints(form.get(), QEvent::Paint, [&] {
        std::lock_guard lock(mutex);
        painted = true;
        changed.notify_all();
    });
    QTimer& tip = Control<QTimer>(*form, "TimerTip");
    QObject::connect(&tip, &QTimer::timeout, [&] {
        std::lock_guard lock(mutex);
        tipTimerFired = true;
        changed.notify_all();
    });
    size_t boxesBeforeTip = 0;
    SetModalHook([&](QDialog& d) {
        boxesBeforeTip = dialogs->seen().size();
        dynamic_cast<TFormTip&>(d).BtnOK->click();
        return d.result();
    });
    tip.setInterval(0);
    form->show(); // starts the tip timer; nothing has painted yet
    dialogs->expectBox("You have the latest version.");
    Trigger(*form, "MItemHelpNewVersion");
    EXPECT_TRUE(painted);
    EXPECT_TRUE(tipTimerFired);
    EXPECT_EQ(dialogs->pending(), 0u);

    // The tip opens after the check has ended and said its word.
    EXPECT_TRUE(QTest::qWaitFor([&] { return boxesBeforeTip > 0; }, 5000));
    EXPECT_EQ(boxesBeforeTip, 1u);
}

// Closing the window while the check waits ends the program: the request is given up, and
// nothing is said or offered.
TEST_F(HelpCommandTest, ClosingTheWindowWhileTheCheckWaitsEndsItQuietly)
{
    const qmtest::SilentPort silent;
    setenv("QUILLMART_UPDATE_URL", silent.url().c_str(), 1);
    setenv("QUILLMART_UPDATE_TIMEOUT_MS", "60000", 1);
    // In a child, whose event loop may end as the program's does.
    const std::string outcome = qmtest::InChild([&] {
        for (QWidget* other : QApplication::topLevelWidgets())
            other->hide();
        Start("Shop");
        SetTestNow(EncodeDate(2026, 12, 9));
        form->show();
        QTimer::singleShot(0, form.get(), [&] { Trigger(*form, "MItemHelpNewVersion"); });
        QTimer::singleShot(0, form.get(), [&] { form->close(); }); // comes while the check waits
        QApplication::exec();
        std::string said;
        for (const auto& box : dialogs->seen())
            said += box.text + "|";
        const bool dated = LastCheck() == EncodeDate(2026, 12, 9);
        return "ended; boxes: " + said + (dated ? "; checked now" : "");
    });
    EXPECT_EQ(outcome, "ended; boxes: ; checked now");
}

TEST_F(HelpCommandTest, ASettingsFileThatTakesNoWriteIsReportedNotFatal)
{
    Start("Shop");
    setenv("QUILLMART_UPDATE_URL", ("http://127.0.0.1:" + std::to_string(qmtest::ClosedPort())).c_str(), 1);
    // In a child process, on a disk that takes no more bytes: the date of the check cannot be
    // written, which the command reports like any other failure, after the failed check.
    const std::string outcome = qmtest::InChild([&] {
        SetTestNow(EncodeDate(2026, 12, 9));
        dialogs->expectBox("Error contacting website.");
        qmtest::FileSizeLimit full(0);
        Trigger(*form, "MItemHelpNewVersion");
        return dialogs->seen().back().text;
    });
    EXPECT_EQ(outcome.rfind("Failed to set data for 'LastCheckDT'", 0), 0u) << outcome;
}

TEST_F(HelpCommandTest, ADownloadAddressThatIsNoWebAddressIsNotOpened)
{
    Start("Shop");
    // Another scheme, and a web address that names no host, as the store's web site is judged.
    for (const char* address : {"file:///etc/passwd", "HTTPS://"}) {
        Serve(qmtest::LocalHttpServer::Ok(std::string("1.6&-&4&-&x&-&") + address + "&-&"));
        dialogs->expectBox("Version 1.6", mrYes);
        dialogs->expectBox(std::string("\"") + address + "\" is not a web address");
        Trigger(*form, "MItemHelpNewVersion");
        EXPECT_TRUE(Urls().empty()) << address;
    }
}

TEST_F(HelpCommandTest, OptionsStoreTheSevenValuesAndRedrawBothLists)
{
    Start("Shop");
    form->GridFontName = "Not An Installed Font";
    int shown = 0;
    SetModalHook([&](QDialog& d) {
        auto& o = dynamic_cast<TFormOptions&>(d);
        o.FormShow();
        ++shown;
        EXPECT_EQ(o.ComboGridFont->currentIndex(), -1); // not installed: none chosen
        EXPECT_EQ(o.ComboListFont->currentText(), "Arial");
        EXPECT_TRUE(o.RadioErrandTop->isChecked());
        o.ComboListFont->setCurrentIndex(o.ComboListFont->findText("Liberation Serif"));
        // 99 typed key by key (the second 9 is kept) and OK clicked before leaving the box:
        // brought into the range 8 to 24 on OK.
        o.SpinGridFont->selectAll();
        QTest::keyClicks(o.SpinGridFont, "99");
        o.SpinListFont->setValue(14);
        o.EditErrandName->setText("To Do");
        o.RadioErrandBottom->setChecked(true);
        o.CheckCheckNewVer->setChecked(true);
        o.BtnOK->click();
        return d.result();
    });
    Trigger(*form, "MItemOptionsOptions");
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(form->GridFontName, "");
    EXPECT_EQ(form->GridFontSize, 24);
    EXPECT_EQ(form->ListFontName, "Liberation Serif");
    EXPECT_EQ(form->ListFontSize, 14);
    EXPECT_FALSE(form->ErrandsOnTop);
    // The list was built again: the errands group last, under its new caption.
    ASSERT_FALSE(form->ShopList.Aisles.empty());
    EXPECT_EQ(form->ShopList.Aisles.back().AisleIndex, 99);
    EXPECT_EQ(form->ShopList.Aisles.back().Cats.at(0).Name, "To Do");
    auto reg = [](const char* n) { return RegReadStringDef(kCompany, kProduct, "Settings", "?", n); };
    EXPECT_EQ(reg("GridFontName"), "");
    EXPECT_EQ(RegReadInteger(kCompany, kProduct, "Settings", "GridFontSize"), 24);
    EXPECT_EQ(reg("ListFontName"), "Liberation Serif");
    EXPECT_EQ(RegReadInteger(kCompany, kProduct, "Settings", "ListFontSize"), 14);
    EXPECT_EQ(reg("ErrandsString"), "To Do");
    EXPECT_FALSE(RegReadBool(kCompany, kProduct, "Settings", "ErrandsOnTop"));
    EXPECT_TRUE(RegReadBool(kCompany, kProduct, "Settings", "DoCheckForLatest"));

    // Cancel changes nothing.
    SetModalHook([&](QDialog& d) {
        auto& o = dynamic_cast<TFormOptions&>(d);
        o.FormShow();
        o.SpinListFont->setValue(30);
        o.BtnCancel->click();
        return d.result();
    });
    Trigger(*form, "MItemOptionsOptions");
    EXPECT_EQ(form->ListFontSize, 14);
    EXPECT_EQ(RegReadInteger(kCompany, kProduct, "Settings", "ListFontSize"), 14);
}

// Another window's OK stores settings while this window's options dialog is open: an OK here
// stores the settings its user changed, over the other window's where both changed one, and
// leaves the others as the other window stored them; this window keeps its own values of those.
TEST_F(HelpCommandTest, OptionsStoreOnlyWhatTheirUserChanged)
{
    Start("Shop");
    OpenOptions([](TFormOptions& o) {
        WriteSetting(kErrandsString, "Chores");
        WriteSetting(kGridFontSize, 20);
        WriteSetting(kErrandsOnTop, false);
        o.SpinGridFont->setValue(12);
        o.SpinListFont->setValue(14);
        o.BtnOK->click();
    });
    EXPECT_FALSE(stayedOpen);
    EXPECT_EQ(ReadSetting(kErrandsString), "Chores");
    EXPECT_EQ(form->ErrandsCaption, "Errands");
    EXPECT_FALSE(ReadSetting(kErrandsOnTop));
    EXPECT_TRUE(form->ErrandsOnTop);
    EXPECT_EQ(ReadSetting(kGridFontSize), 12);
    EXPECT_EQ(form->GridFontSize, 12);
    EXPECT_EQ(ReadSetting(kListFontSize), 14);
    EXPECT_EQ(form->ListFontSize, 14);
    // The settings nobody else stored are written as always, the missing ones included.
    EXPECT_EQ(RegReadStringDef(kCompany, kProduct, "Settings", "?", "GridFontName"), "Arial");
    // The rebuilt list follows this window's values.
    ASSERT_FALSE(form->ShopList.Aisles.empty());
    EXPECT_EQ(form->ShopList.Aisles.front().Cats.at(0).Name, "Errands");

    // The dialog opens on the caption this window still has; left as it is, it is not put back.
    OpenOptions([](TFormOptions& o) {
        EXPECT_EQ(o.EditErrandName->text(), "Errands");
        o.EditErrandName->setText("To Do");
        o.SpinListFont->setValue(16);
        o.BtnOK->click();
    });
    EXPECT_EQ(ReadSetting(kErrandsString), "To Do");
    EXPECT_EQ(ReadSetting(kListFontSize), 16);
    EXPECT_FALSE(ReadSetting(kErrandsOnTop));
}

// A value stored with another type while the dialog is open is no error: left as it is when the
// user left the setting, replaced when the user changed it. A value deleted meanwhile is written.
TEST_F(HelpCommandTest, OptionsOverASettingOfAnotherTypeOrNoneTakeNoError)
{
    Start("Shop");
    WriteSetting(kErrandsString, "Errands");
    WriteSetting(kListFontName, "Arial");
    auto type = [](const char* name) {
        TRegistry reg(HKEY_CURRENT_USER);
        return reg.OpenKeyReadOnly("Software\\Brenvoke Software\\Quillmart\\Settings") ? reg.GetDataType(name)
                                                                                       : rdUnknown;
    };
    OpenOptions([](TFormOptions& o) {
        RegWriteInteger(kCompany, kProduct, "Settings", 7, "ErrandsString");
        TRegistry reg(HKEY_CURRENT_USER);
        ASSERT_TRUE(reg.OpenKey("Software\\Brenvoke Software\\Quillmart\\Settings", false));
        ASSERT_TRUE(reg.DeleteValue("ListFontName"));
        o.SpinListFont->setValue(14);
        o.BtnOK->click();
    });
    EXPECT_FALSE(stayedOpen);
    EXPECT_EQ(type("ErrandsString"), rdInteger);
    EXPECT_EQ(RegReadInteger(kCompany, kProduct, "Settings", "ErrandsString"), 7);
    EXPECT_EQ(form->ErrandsCaption, "Errands");
    EXPECT_EQ(ReadSetting(kListFontName), "Arial");
    EXPECT_EQ(ReadSetting(kListFontSize), 14);

    OpenOptions([](TFormOptions& o) {
        o.EditErrandName->setText("To Do");
        o.BtnOK->click();
    });
    EXPECT_EQ(type("ErrandsString"), rdString);
    EXPECT_EQ(ReadSetting(kErrandsString), "To Do");
}

// With nobody else writing, OK stores all seven values as the window read them, with their
// types: a stored font that is not installed opened with none chosen and becomes an empty
// name, a stored size outside the box's range the default the window took instead.
TEST_F(HelpCommandTest, OptionsWithNobodyElseWritingStoreAllSevenAsTheyOpened)
{
    RegWriteString(kCompany, kProduct, "Settings", "Not An Installed Font", "GridFontName");
    RegWriteInteger(kCompany, kProduct, "Settings", 50, "GridFontSize");
    RegWriteString(kCompany, kProduct, "Settings", "Liberation Serif", "ListFontName");
    RegWriteInteger(kCompany, kProduct, "Settings", 12, "ListFontSize");
    RegWriteString(kCompany, kProduct, "Settings", "Chores", "ErrandsString");
    RegWriteBool(kCompany, kProduct, "Settings", false, "ErrandsOnTop");
    Start("Shop");
    OpenOptions([](TFormOptions& o) { o.BtnOK->click(); });
    EXPECT_FALSE(stayedOpen);
    TRegistry reg(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\Brenvoke Software\\Quillmart\\Settings"));
    EXPECT_EQ(reg.ReadString("GridFontName"), "");
    EXPECT_EQ(reg.ReadInteger("GridFontSize"), 10);
    EXPECT_EQ(reg.ReadString("ListFontName"), "Liberation Serif");
    EXPECT_EQ(reg.ReadInteger("ListFontSize"), 12);
    EXPECT_EQ(reg.ReadString("ErrandsString"), "Chores");
    EXPECT_EQ(reg.ReadInteger("ErrandsOnTop"), 0);
    EXPECT_EQ(reg.ReadInteger("DoCheckForLatest"), 0);
    for (const char* name : {"GridFontName", "ListFontName", "ErrandsString"})
        EXPECT_EQ(reg.GetDataType(name), rdString) << name;
    for (const char* name : {"GridFontSize", "ListFontSize", "ErrandsOnTop", "DoCheckForLatest"})
        EXPECT_EQ(reg.GetDataType(name), rdInteger) << name;
    EXPECT_EQ(form->GridFontName, "");
}

TEST_F(HelpCommandTest, TipsStepThroughARingAndRememberTheLastOne)
{
    Start("Shop");
    std::vector<int> seen;
    auto run = [&](std::function<void(TFormTip&)> act) {
        SetModalHook([&, act](QDialog& d) {
            auto& t = dynamic_cast<TFormTip&>(d);
            seen.push_back(t.TipNumber);
            act(t);
            return d.result();
        });
        Trigger(*form, "MItemHelpTip");
    };
    auto stored = [] { return RegReadIntegerDef(kCompany, kProduct, "Settings", -99, "TipOfTheDay"); };

    RegDeleteKey(kCompany, kProduct, "Settings");
    run([](TFormTip& t) { t.BtnOK->click(); }); // first run: tip 1, and ShowTOTD written on OK
    EXPECT_EQ(seen.back(), 1);
    EXPECT_EQ(stored(), 1);
    EXPECT_TRUE(RegReadBool(kCompany, kProduct, "Settings", "ShowTOTD"));

    run([&](TFormTip& t) {
        t.BtnLastTip->click(); // from 2 back to 1
        t.BtnLastTip->click(); // from 1 to 22
        EXPECT_EQ(t.TipNumber, 22);
        EXPECT_EQ(stored(), 22);
        t.BtnNextTip->click(); // from 22 to 1
        EXPECT_EQ(t.TipNumber, 1);
        EXPECT_EQ(t.LabelTip->text().left(24), "Quillmart comes with a s");
        t.BtnMoreInfo->click();
        t.CheckShowStartup->setChecked(false);
        t.close(); // the close box: ShowTOTD stays
    });
    ASSERT_FALSE(shell->calls.empty());
    EXPECT_EQ(shell->calls.back().helpContext, HelpContextOf("The example store"));
    EXPECT_TRUE(RegReadBool(kCompany, kProduct, "Settings", "ShowTOTD"));

    for (int storedBefore : {22, 40, -5}) {
        RegWriteInteger(kCompany, kProduct, "Settings", storedBefore, "TipOfTheDay");
        run([](TFormTip& t) { t.close(); });
        EXPECT_EQ(seen.back(), 1) << storedBefore;
    }
    RegWriteInteger(kCompany, kProduct, "Settings", 10, "TipOfTheDay");
    run([](TFormTip& t) {
        // Tip 11's typographic text and shared help context.
        EXPECT_TRUE(t.LabelTip->text().contains("ALT+LEFT.  Switch"));
        t.BtnNextTip->click();
        EXPECT_TRUE(t.LabelTip->text().contains("forward/back thumb buttons"));
        t.BtnNextTip->click();
        t.BtnNextTip->click();
        t.BtnNextTip->click();
        EXPECT_TRUE(t.LabelTip->text().contains(QString::fromUtf8("\xe2\x80\x9c-\xe2\x80\x9d (minus)")));
        t.BtnOK->click();
    });
    EXPECT_EQ(seen.back(), 11);
    EXPECT_TRUE(RegReadBool(kCompany, kProduct, "Settings", "ShowTOTD"));
}

TEST_F(HelpCommandTest, TheTipOfTheDayOpensBesideTheShownWindowByItsTimer)
{
    RegWriteBool(kCompany, kProduct, "Settings", true, "ShowTOTD");
    Start("Shop");
    std::vector<int> shown;
    SetModalHook([&](QDialog& d) {
        auto& t = dynamic_cast<TFormTip&>(d);
        shown.push_back(t.TipNumber);
        t.BtnOK->click();
        return d.result();
    });
    form->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !shown.empty(); }, 5000));
    EXPECT_EQ(shown, std::vector<int>{1});
    EXPECT_FALSE(Control<QTimer>(*form, "TimerTip").isActive());
    EXPECT_EQ(RegReadIntegerDef(kCompany, kProduct, "Settings", 0, "TipOfTheDay"), 1);
}

TEST_F(HelpCommandTest, TheAboutBoxShowsVersionReleaseDateAndTheLink)
{
    Start("Shop");
    SetModalHook([&](QDialog& d) {
        auto& a = dynamic_cast<TFormAbout&>(d);
        EXPECT_EQ(a.LabelName->text(), "Quillmart v1.5");
        EXPECT_TRUE(a.LabelReleaseDate->text().startsWith("Released on "));
        EXPECT_TRUE(a.LabelReleaseDate->text().contains("2006"));
        EXPECT_FALSE(a.ImageProgram->pixmap().isNull());
        EXPECT_FALSE(a.ImageLogo->pixmap().isNull());
        a.UrlLabel1->Click();
        a.BtnOK->click();
        return d.result();
    });
    Trigger(*form, "MItemHelpAbout");
    EXPECT_EQ(Urls(), std::vector<std::string>{kMakerSite});

    for (const char* entry : {"MItemHelpTutorial", "MItemHelpBrenvokeWeb", "MItemHelpHelp"})
        Trigger(*form, entry);
    EXPECT_EQ(Urls(), (std::vector<std::string>{kMakerSite, std::string(kMakerSite) + "/quillmart/tutorials",
                                                kMakerSite}));
    EXPECT_EQ(shell->calls.back().what, "help");
    EXPECT_EQ(shell->calls.back().helpContext, HelpContextOf("Quillmart Help: Contents"));
}

TEST_F(HelpCommandTest, SmallAndLargeButtons)
{
    Start("Shop");
    const TToolBar& bar = Control<TToolBar>(*form, "ToolBar");
    Trigger(*form, "MItemOptionsLargeButtons");
    EXPECT_TRUE(bar.ShowCaptions());
    OpenMenu(*form, "MMenuOptions");
    EXPECT_TRUE(Checked(*form, "MItemOptionsLargeButtons"));
    EXPECT_FALSE(Checked(*form, "MItemOptionsSmallButtons"));
    Trigger(*form, "MItemOptionsSmallButtons");
    EXPECT_FALSE(bar.ShowCaptions());
    EXPECT_EQ(bar.ButtonWidth(), 31);
    EXPECT_EQ(bar.ButtonHeight(), 30);
    OpenMenu(*form, "MMenuOptions");
    EXPECT_TRUE(Checked(*form, "MItemOptionsSmallButtons"));
}

} // namespace

namespace {

// Lets the window lay itself out as its event loop would: each layout pass may ask for another.
void Settle()
{
    for (int pass = 0; pass < 5; ++pass)
        QApplication::processEvents();
}

// Back to small buttons the lists grow by the height the tool bar gives up; the shopping list
// is drawn to its new height at once, with its lines down to the new bottom, not left at the
// height it had under the large buttons.
TEST_F(HelpCommandTest, SmallButtonsGiveBothListsTheRoomTheToolBarGivesUp)
{
    std::string dairy = "[Dairy]\r\n";
    for (int i = 0; i < 60; ++i)
        dairy += "Item " + std::to_string(100 + i) + "=,-,,-,1\r\n";
    qmtest::WriteFile(stores + "Shop.store", dairy);
    auto form = StartShown();
    TImage32& list = Control<TImage32>(*form, "ImageShoppingList");
    TImage32& items = Control<TImage32>(*form, "ImageItemList");
    form->resize(1000, 600);
    Trigger(*form, "MItemOptionsLargeButtons");
    Settle();
    const int largeHeight = list.height();
    Trigger(*form, "MItemOptionsSmallButtons");
    Settle();
    ASSERT_GT(list.height(), largeHeight);

    TBitmap32& bmp = list.Bitmap();
    EXPECT_EQ(bmp.Height, list.height());
    EXPECT_EQ(items.Bitmap().Height, items.height());
    // A line whose text lies in the gained strip is drawn there.
    ShopListLayout::Row gained;
    for (int32_t n = 0; n < form->ShopList.Aisles.at(0).Cats.at(0).ItemCount() && gained.RowHeight == 0; ++n)
        if (const auto line = form->ShopListRows().Line(0, 0, n);
            line.RowTop > largeHeight && line.RowTop + line.RowHeight < bmp.Height)
            gained = line;
    ASSERT_GT(gained.RowHeight, 0);
    int ink = 0;
    for (int y = gained.RowTop; y < gained.RowTop + gained.RowHeight; ++y)
        for (int x = 0; x < bmp.Width; ++x)
            ink += bmp.PixelAt(x, y) != bmp.PixelAt(0, 0);
    EXPECT_GT(ink, 20);
}

} // namespace
