// Options, help, the version check, the tip of the day and the about box.
#include <QAction>
#include <cstdlib>

#include "app/HelpContexts.h"
#include "app/Settings.h"
#include "dialogs/AboutUnit.h"
#include "dialogs/OptionsUnit.h"
#include "dialogs/TipUnit.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/HttpClient.h"
#include "platform/Shell.h"
#include "platform/gui/QtDialogs.h"
#include "platform/gui/ToolBar.h"
#include "util/ExtraStrUtils.h"

namespace qm {

namespace {

AnsiString TrimBlanks(const AnsiString& s)
{
    const size_t b = s.find_first_not_of(" \t\n");
    const size_t e = s.find_last_not_of(" \t\n");
    return b == AnsiString::npos ? AnsiString() : s.substr(b, e - b + 1);
}

// A decimal build number of 0..65535; anything else (text, a sign, more digits) is none.
bool ParseBuild(const AnsiString& text, unsigned& build)
{
    const size_t b = text.find_first_not_of(" \t");
    const size_t e = text.find_last_not_of(" \t");
    if (b == AnsiString::npos || e - b + 1 > 5)
        return false;
    unsigned value = 0;
    for (size_t i = b; i <= e; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + unsigned(text[i] - '0');
    }
    if (value > 65535)
        return false;
    build = value;
    return true;
}

} // namespace

void TFormMain::MMenuOptionsClick()
{
    MItemOptionsSmallButtons->setChecked(!ToolBar->ShowCaptions());
    MItemOptionsLargeButtons->setChecked(ToolBar->ShowCaptions());
}

void TFormMain::MItemOptionsOptionsClick()
{
    TFormOptions form(*this, this);
    RunModal(form);
}

void TFormMain::MItemOptionsSmallButtonsClick()
{
    ToolBar->SetShowCaptions(false);
    ToolBar->SetButtonSize(31, 30);
    FormResize(); // the tool bar's height changes what the lists have
    DrawItemList();
}

void TFormMain::MItemOptionsLargeButtonsClick()
{
    ToolBar->SetShowCaptions(true);
    FormResize();
    DrawItemList();
}

void TFormMain::MItemHelpHelpClick()
{
    Shell().showHelp(HelpContextOf("Quillmart Help: Contents"));
}

void TFormMain::MItemHelpTutorialClick()
{
    Shell().openUrl(AnsiString(kMakerSite) + "/quillmart/tutorials");
}

void TFormMain::MItemHelpBrenvokeWebClick()
{
    Shell().openUrl(kMakerSite);
}

void TFormMain::MItemHelpTipClick()
{
    TFormTip form(this);
    RunModal(form);
}

void TFormMain::MItemHelpAboutClick()
{
    TFormAbout form(this);
    RunModal(form);
}

void TFormMain::MItemHelpNewVersionClick()
{
    // The date is written whatever the check's outcome, also when it raised; a write that
    // fails is reported like any other failure (never from a destructor, which would end the
    // program).
    auto writeDate = [] { WriteSetting(kLastCheckDT, Now()); };
    try {
        CheckForNewVersion(true);
    } catch (...) {
        writeDate();
        throw;
    }
    writeDate();
}

AnsiString TFormMain::VersionCheckUrl()
{
    AnsiString server = kMakerSite;
    if (const char* env = std::getenv("QUILLMART_UPDATE_URL"); env && *env)
        server = env;
    while (!server.empty() && server.back() == '/')
        server.pop_back();
    return server + "/quillmart/qmver.cgi?v=" + std::to_string(kProgramBuild);
}

long TFormMain::VersionCheckTimeoutMs()
{
    if (const char* env = std::getenv("QUILLMART_UPDATE_TIMEOUT_MS"); env && *env) {
        char* end = nullptr;
        const long ms = std::strtol(env, &end, 10);
        if (*end == '\0' && ms > 0 && ms <= 600000)
            return ms;
    }
    return 10000;
}

void TFormMain::CheckForNewVersion(bool verbose)
{
    HttpRequest request;
    request.Url = VersionCheckUrl();
    request.Headers = {"Accept: text/html, */*", "Content-Type: text/html"};
    request.ConnectTimeoutMs = request.TotalTimeoutMs = VersionCheckTimeoutMs();
    // The window keeps painting while the request waits; its commands wait for the check.
    VersionCheckWaiting = true;
    const HttpReply reply = HttpGetWhileWaiting(request);
    VersionCheckWaiting = false;
    if (reply.Cancelled)
        return; // the program is closing: nothing to say or offer any more
    AnsiString text;
    if (reply.Ok) {
        text = reply.Body;
    } else if (verbose) {
        MessageDlg("Error contacting website.  " + reply.Error, mtError, mbOK, 0);
    }

    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    // A reply ended by a line break (as servers often send it) names the same version and
    // address as one without.
    const AnsiString version = TrimBlanks(GetDelimitedField("&-&", text, 1));
    unsigned build = 0;
    const bool buildKnown = ParseBuild(GetDelimitedField("&-&", text, 2), build);
    const AnsiString address = TrimBlanks(GetDelimitedField("&-&", text, 4));

    if (version != kProgramVersion && buildKnown && build > kProgramBuild) {
        if (MessageDlg("Version " + version + " has been released!  Would you like to download it now?",
                       mtInformation, mbYes | mbNo, 0) == mrYes) {
            if (IsWebAddress(address))
                Shell().openUrl(address);
            else
                MessageDlg("The download address \"" + address +
                               "\" is not a web address, so it was not opened.",
                           mtError, mbOK, 0);
        }
    } else if (verbose && reply.Ok) {
        MessageDlg("You have the latest version.", mtInformation, mbOK, 0);
    }
}

void TFormMain::ConnectHelpHandlers()
{
    Wire(BtnOptions, &TFormMain::MItemOptionsOptionsClick);
    Wire(BtnHelp, &TFormMain::MItemHelpHelpClick);
}

} // namespace qm
