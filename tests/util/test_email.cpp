#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

#include "TestSupport.h"
#include "util/EmailUtils.h"

using namespace qm;

namespace {

// A stand-in xdg-email first on PATH writes its arguments, one per line, to "args" beside
// itself and then runs the given ending.
class MailTest : public qmtest::DialogFixture {
protected:
    void StandIn(const std::string& ending)
    {
        qmtest::WriteFile(dir.file("xdg-email"), "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"" +
                                                     dir.file("args") + "\"\n" + ending + "\n");
        chmod(dir.file("xdg-email").c_str(), 0755);
        setenv("PATH", (dir.path() + ":" + oldPath).c_str(), 1);
    }
    void TearDown() override
    {
        setenv("PATH", oldPath.c_str(), 1);
        DialogFixture::TearDown();
    }
    qmtest::TempDir dir;
    const std::string oldPath = std::getenv("PATH");
};

} // namespace

TEST_F(MailTest, HandsOverEachFieldAsAValueNeverAsAnOption)
{
    StandIn("exit 0");
    // The subject is program text, sent as UTF-8; the attachment is a path, passed on as its
    // bytes (here a folder in Cyrillic and one whose name is no UTF-8).
    EXPECT_EQ(SendMapiMail("Shopping List for Caf\xE9, 12/7/2026", "",
                           "/tmp/\xD0\x94\xD0\xBE\xD0\xBC/x\xE9/Caf\xC3\xA9.pdf", "", "", "", ""),
              0);
    EXPECT_EQ(qmtest::ReadFile(dir.file("args")),
              "--utf8\n--subject\nShopping List for Caf\xC3\xA9, 12/7/2026\n--attach\n"
              "/tmp/\xD0\x94\xD0\xBE\xD0\xBC/x\xE9/Caf\xC3\xA9.pdf\n");
    EXPECT_EQ(
        SendMapiMail("--body", "line 1", "", "ann@example.org?attach=/etc/passwd", "Ann", "me@x.org", "Me"),
        0);
    EXPECT_EQ(qmtest::ReadFile(dir.file("args")),
              "--utf8\n--subject\n--body\n--body\nline 1\n--to\nann@example.org?attach=/etc/passwd\n");
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
    StandIn("exec sleep 3 >/dev/null 2>&1"); // frees the test's output at once
    const int previous = SetMailHandOffTimeoutMs(100);
    EXPECT_EQ(SendMapiMail("s", "", "", "", "", "", ""), 0);
    SetMailHandOffTimeoutMs(previous);
}
