// The help file and its window, and the HTTP client, against the real help file of the
// program and a real server on 127.0.0.1.
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <filesystem>

#include "LocalHttpServer.h"
#include "TestSupport.h"
#include "app/HelpContexts.h"
#include "platform/Application.h"
#include "platform/Exception.h"
#include "platform/HelpFile.h"
#include "platform/HttpClient.h"
#include "platform/Shell.h"
#include "platform/gui/HelpWindow.h"

namespace {

using namespace qm;

const std::string kHelpFile = std::string(QM_SOURCE_DIR) + "/resources/help/Quillmart.hlp";

std::string ParseError(const std::string& text)
{
    try {
        HelpFile::Parse(text, "test.hlp");
    } catch (const EInOutError& e) {
        return e.what();
    }
    return "parsed";
}

TEST(HelpFile, HasATopicForEveryContextTheProgramOpens)
{
    const HelpFile file = HelpFile::Load(kHelpFile);
    // Every help button, every Help answer of a box, every F1 context and every tip opens a topic
    // of the program's table, which the file holds under the title the table gives.
    for (const THelpContext& c : kHelpContexts) {
        const HelpTopic* topic = file.Find(c.Context);
        ASSERT_NE(topic, nullptr) << c.Title;
        EXPECT_EQ(topic->Title, c.Title);
        EXPECT_GT(topic->Body.size(), 80u) << c.Title; // a real text, not a placeholder
    }
    // Every link leads to a topic that exists.
    for (const auto& [context, topic] : file.Topics()) {
        const std::string html = HelpFile::BodyHtml(topic);
        for (size_t p = 0; (p = html.find("href=\"help:", p)) != std::string::npos; ++p)
            EXPECT_NE(file.Find(std::stoi(html.substr(p + 11))), nullptr) << "link in topic " << context;
    }
}

TEST(HelpFile, RefusesDamagedFilesWithTheLineAndEscapesText)
{
    EXPECT_EQ(ParseError(""), "The help file \"test.hlp\" is damaged (line 1): it is empty.");
    EXPECT_EQ(ParseError("Some other file\n"),
              "The help file \"test.hlp\" is damaged (line 1): it does not begin as a Quillmart help file.");
    EXPECT_EQ(ParseError("Quillmart Help 1\n=== x | T\n"),
              "The help file \"test.hlp\" is damaged (line 2): a topic has no context number.");
    EXPECT_EQ(ParseError("Quillmart Help 1\n=== 5 |  \n"),
              "The help file \"test.hlp\" is damaged (line 2): a topic has no title.");
    EXPECT_EQ(ParseError("Quillmart Help 1\r\n=== 5 | A\r\n=== 5 | B\r\n"),
              "The help file \"test.hlp\" is damaged (line 3): the topic 5 is there twice.");
    EXPECT_EQ(ParseError("Quillmart Help 1\n=== 99999999999 | A\n"),
              "The help file \"test.hlp\" is damaged (line 2): a topic has no context number.");
    try {
        HelpFile::Load("/nonexistent/Quillmart.hlp");
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot be opened"), std::string::npos);
    }

    const HelpFile f =
        HelpFile::Parse("Quillmart Help 1\n=== 7 | A <b> & c | k2, K1\nx < y [[8|go]] [[bad]]\n\n"
                        "* one\n## Sub\n",
                        "t");
    EXPECT_EQ(HelpFile::BodyHtml(*f.Find(7)), "<h2>A &lt;b&gt; &amp; c</h2>\n<p>x &lt; y <a "
                                              "href=\"help:8\">go</a> [[bad]]</p>\n<ul>\n<li>one</li>\n"
                                              "</ul>\n<h3>Sub</h3>\n");
    const auto index = f.Index();
    ASSERT_EQ(index.size(), 3u);
    EXPECT_EQ(index[1].first, "K1") << "sorted without regard to case";
    EXPECT_EQ(index[2].first, "k2");
}

class HelpWindowTest : public qmtest::DialogFixture {};

TEST_F(HelpWindowTest, OpensAtAContextFollowsLinksAndFiltersTheIndex)
{
    THelpWindow window;
    window.LoadFile(kHelpFile);
    window.ShowContext(2750);
    EXPECT_EQ(window.ShownContext(), 2750);
    EXPECT_TRUE(window.PageText().startsWith("Resetting purchased items"));
    emit window.Page->anchorClicked(QUrl("help:2790"));
    EXPECT_EQ(window.ShownContext(), 2790);

    window.ShowContext(4242);
    EXPECT_EQ(window.ShownContext(), 0);
    EXPECT_TRUE(window.PageText().contains("There is no help topic numbered 4242"));

    window.EditIndex->setText("coup");
    int shown = 0;
    for (int i = 0; i < window.ListIndex->count(); ++i)
        if (!window.ListIndex->item(i)->isHidden()) {
            ++shown;
            EXPECT_TRUE(window.ListIndex->item(i)->text().startsWith("coup", Qt::CaseInsensitive));
        }
    EXPECT_GE(shown, 2);
}

TEST_F(HelpWindowTest, TheDesktopShellOpensTheWindowAndAMissingFileIsReported)
{
    SetShellHandler(nullptr); // the desktop's own shell, with the program's help window
    InstallHelpWindow();
    SetApplicationHelpFile(kHelpFile);
    Shell().showHelp(3540);
    ASSERT_NE(HelpWindow(), nullptr);
    EXPECT_EQ(HelpWindow()->ShownContext(), 3540);
    EXPECT_TRUE(HelpWindow()->isVisible());
    delete HelpWindow();

    SetApplicationHelpFile("/nonexistent/Quillmart.hlp");
    dialogs->expectBox("cannot be opened");
    Shell().showHelp(2750);
    delete HelpWindow();
    SetHelpViewer(nullptr);
    SetApplicationHelpFile({});
}

// The help file is found beside the program wherever that lies, in a folder of any name.
TEST_F(HelpWindowTest, TheHelpFileOpensFromAFolderOfAnyName)
{
    SetShellHandler(nullptr);
    InstallHelpWindow();
    qmtest::TempDir dir;
    for (const std::string name :
         {"\xD0\xB4\xD0\xBE\xD0\xBC\xD0\xBE\xD0\xB9", "\xE5\xAE\xB6 \xF0\x9F\x9B\x92", "caf\xE9"}) {
        std::filesystem::create_directory(dir.file(name));
        std::filesystem::copy_file(kHelpFile, dir.file(name + "/Quillmart.hlp"));
        SetApplicationHelpFile(dir.file(name + "/Quillmart.hlp"));
        Shell().showHelp(3540);
        ASSERT_NE(HelpWindow(), nullptr) << name;
        EXPECT_EQ(HelpWindow()->ShownContext(), 3540);
        delete HelpWindow();
    }
    SetHelpViewer(nullptr);
    SetApplicationHelpFile({});
}

// Clicks a topic of the contents as a user would, through the window system, which holds back
// the clicks of windows that a modal dialog blocks.
void ClickTopic(THelpWindow& help, int context)
{
    for (int i = 0; i < help.ListContents->count(); ++i) {
        QListWidgetItem* item = help.ListContents->item(i);
        if (item->data(Qt::UserRole).toInt() != context)
            continue;
        help.ListContents->scrollToItem(item);
        const QRect r = help.ListContents->visualItemRect(item);
        const QPoint at = help.ListContents->viewport()->mapTo(&help, r.center());
        QTest::mouseClick(help.windowHandle(), Qt::LeftButton, {}, at);
        return;
    }
    ADD_FAILURE() << "no topic " << context;
}

TEST_F(HelpWindowTest, AnswersBesideAModalDialogAndNeverKeepsTheProgramRunning)
{
    SetShellHandler(nullptr);
    InstallHelpWindow();
    SetApplicationHelpFile(kHelpFile);

    // Open from before, then a box asks (again, after its Help answer).
    Shell().showHelp(2750);
    THelpWindow* help = HelpWindow();
    ASSERT_NE(help, nullptr);
    QWidget main;
    main.show();
    {
        QDialog box(&main);
        box.setWindowModality(Qt::ApplicationModal);
        box.show();
        QCoreApplication::processEvents();
        ClickTopic(*help, 3540);
        EXPECT_EQ(help->ShownContext(), 3540);
    }
    // Asked for while a dialog runs.
    {
        QDialog options(&main);
        options.setWindowModality(Qt::ApplicationModal);
        options.show();
        Shell().showHelp(3720);
        QCoreApplication::processEvents();
        ClickTopic(*help, 910);
        EXPECT_EQ(help->ShownContext(), 910);
    }

    // Closing the main window ends the program although the help is still open.
    bool endedByClose = true;
    QTimer::singleShot(0, &main, &QWidget::close);
    // Tied to main, so that it cannot fire into a later test once this one has ended.
    QTimer::singleShot(20000, &main, [&] {
        endedByClose = false;
        QCoreApplication::quit();
    });
    QApplication::exec();
    EXPECT_TRUE(endedByClose);
    delete HelpWindow();
    SetHelpViewer(nullptr);
    SetApplicationHelpFile({});
}

// ---- HTTP ----------------------------------------------------------------------------------

TEST(HttpClient, GetsABodyWithTheHeadersAndSaysWhyARequestFailed)
{
    qmtest::LocalHttpServer server([](const std::string& request) {
        if (request.find("GET /big") == 0)
            return qmtest::LocalHttpServer::Ok(std::string(10 * 1024 * 1024, 'x'));
        if (request.find("GET /fail") == 0)
            return qmtest::LocalHttpServer::Status(500, "Internal Server Error");
        if (request.find("GET /missing") == 0)
            return qmtest::LocalHttpServer::Status(404, "Not Found");
        if (request.find("GET /hang") == 0)
            return qmtest::LocalHttpServer::Answer{{}, true};
        return qmtest::LocalHttpServer::Ok("1.6&-&4&-&x&-&http://example.org/q.exe");
    });
    HttpRequest r;
    r.Url = server.url() + "/q?v=3";
    r.Headers = {"Accept: text/html, */*"};
    HttpReply reply = HttpGet(r);
    EXPECT_TRUE(reply.Ok) << reply.Error;
    EXPECT_EQ(reply.Error, "");
    EXPECT_EQ(reply.Body, "1.6&-&4&-&x&-&http://example.org/q.exe");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].rfind("GET /q?v=3 HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(server.requests()[0].find("Accept: text/html, */*\r\n"), std::string::npos);

    auto failure = [&](const std::string& url) {
        r.Url = url;
        const HttpReply failed = HttpGet(r);
        EXPECT_FALSE(failed.Ok) << url;
        EXPECT_TRUE(failed.Body.empty()) << url;
        return failed.Error;
    };
    EXPECT_EQ(failure(server.url() + "/big"), "The reply was larger than 64 KB.");
    EXPECT_EQ(failure(server.url() + "/fail"), "The server answered with HTTP status 500.");
    EXPECT_EQ(failure(server.url() + "/missing"), "The server answered with HTTP status 404.");
    EXPECT_EQ(failure("http://127.0.0.1:" + std::to_string(qmtest::ClosedPort()) + "/"),
              "The connection was refused.");
    // The server takes the connection and never answers: the total time-out is the one named.
    r.TotalTimeoutMs = 250;
    EXPECT_EQ(failure(server.url() + "/hang"), "The server did not answer within 0.25 seconds.");
    r.TotalTimeoutMs = 1000;
    EXPECT_EQ(failure(server.url() + "/hang"), "The server did not answer within 1 second.");
    EXPECT_FALSE(failure("file:///etc/passwd").empty());
}

TEST(HttpClient, AQuitDuringTheWaitCancelsTheRequest)
{
    const qmtest::SilentPort server;
    // In a child, whose application may end: the program quits while the server keeps silent,
    // long before the request's own time-out.
    const std::string outcome = qmtest::InChild([&] {
        HttpRequest r;
        r.Url = server.url() + "/q";
        r.ConnectTimeoutMs = r.TotalTimeoutMs = 60000;
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        const HttpReply reply = HttpGetWhileWaiting(r);
        return std::string(reply.Cancelled ? "cancelled: " : "not cancelled: ") + reply.Error;
    });
    EXPECT_EQ(outcome, "cancelled: The request was cancelled.");
}

} // namespace
