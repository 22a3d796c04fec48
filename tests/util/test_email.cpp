#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

#include "TestSupport.h"
#include "util/EmailUtils.h"

using namespace qm;

namespace {

// Puts a stand-in xdg-email first on PATH; it writes its arguments, one per line, beside
// itself and ends with the given shell commands.
class MailTest : public qmtest::DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        oldPath_ = std::getenv("PATH");
        setenv("PATH", (dir.path() + ":" + oldPath_).c_str(), 1);
    }
    void TearDown() override
    {
        setenv("PATH", oldPath_.c_str(), 1);
        DialogFixture::TearDown();
    }
    void StandIn(const std::string& ending)
    {
        const std::string script = dir.file("xdg-email");
        qmtest::WriteFile(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                                      dir.file("args") + "\"\n" + ending + "\n");
        chmod(script.c_str(), 0755);
    }
    std::string Args() { return qmtest::ReadFile(dir.file("args")); }

    qmtest::TempDir dir;
    std::string oldPath_;
};

} // namespace

TEST_F(MailTest, HandsOverSubjectAndAttachmentAsTheProgramSendsThem)
{
    StandIn("exit 0");
    EXPECT_EQ(SendMapiMail("Shopping List for Caf\xE9, 12/7/2026", "", "/tmp/Caf\xE9.pdf", "", "", "", ""), 0);
    EXPECT_EQ(Args(), "--utf8\n--subject\nShopping List for Caf\xC3\xA9, 12/7/2026\n"
                      "--attach\n/tmp/Caf\xC3\xA9.pdf\n");
}

TEST_F(MailTest, BodyAndRecipientTravelAsValuesNeverAsOptions)
{
    StandIn("exit 0");
    EXPECT_EQ(SendMapiMail("--body", "line 1\nline 2", "", "ann@example.org?attach=/etc/passwd", "Ann",
                           "me@example.org", "Me"),
              0);
    EXPECT_EQ(Args(), "--utf8\n--subject\n--body\n--body\nline 1\nline 2\n"
                      "--to\nann@example.org?attach=/etc/passwd\n");
}

TEST_F(MailTest, EveryFailureShowsItsNumber)
{
    StandIn("exit 4");
    dialogs->expectBox("Error sending mail (4).");
    EXPECT_EQ(SendMapiMail("s", "", "", "", "", "", ""), 4);
    ASSERT_EQ(dialogs->seen().size(), 1u);
    EXPECT_EQ(dialogs->seen()[0].type, mtError);
    EXPECT_EQ(dialogs->seen()[0].buttons, TMsgDlgButtons(mbOK));

    setenv("PATH", "/nonexistent", 1);
    dialogs->expectBox("Error sending mail (-1).");
    EXPECT_EQ(SendMapiMail("s", "", "", "", "", "", ""), -1);
}

TEST_F(MailTest, AHandOffThatKeepsRunningIsLeftAloneAndCountsAsDone)
{
    StandIn("sleep 3");
    const int previous = SetMailHandOffTimeoutMs(100);
    EXPECT_EQ(SendMapiMail("s", "", "", "", "", "", ""), 0);
    SetMailHandOffTimeoutMs(previous);
}
