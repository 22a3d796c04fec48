// The program ended from outside (SIGTERM, as a desktop session ends): a real program process
// closes its windows as a person would and exits, whatever boxes its closing brings up.
#include <QCoreApplication>
#include <QProcess>
#include <filesystem>
#include <sys/resource.h>

#include "WindowTestSupport.h"
#include "platform/Registry.h"

namespace {

using namespace qm;
using namespace qmtest;
namespace fs = std::filesystem;

class ProgramEndTest : public MainWindowTest {};

// Its files refuse every write once it is up (a full disk), so closing the window on SIGTERM
// fails to write the window's settings, and the error box that says so comes up while the
// window closes. That box closes too, and the program ends normally.
TEST_F(ProgramEndTest, SigtermEndsTheProgramThoughItsClosingBringsUpAnErrorBox)
{
    const QString program = QCoreApplication::applicationDirPath() + "/../quillmart";
    ASSERT_TRUE(fs::exists(program.toStdString())) << "build the program first";
    WriteFile(stores + "Shop.store", "[Dairy]\r\nMilk=A1,-,,-,2\r\n");
    SetLastStore("Shop");
    HideTipOfTheDay();
    CloseRegistryDatabase(); // the program opens its own

    QProcess running;
    running.setProcessChannelMode(QProcess::MergedChannels);
    running.start(program, {});
    ASSERT_TRUE(running.waitForStarted(30000));
    // Once shown, the window remembers its selected row in the store.
    bool shown = false;
    for (int i = 0; i < 600 && !shown && running.state() == QProcess::Running; ++i) {
        running.waitForFinished(50);
        shown = File("Shop").find("LastItemSelected=") != std::string::npos;
    }
    ASSERT_TRUE(shown) << running.readAll().toStdString();

    const pid_t pid = pid_t(running.processId());
    rlimit limit{};
    ASSERT_EQ(prlimit(pid, RLIMIT_FSIZE, nullptr, &limit), 0);
    limit.rlim_cur = 0;
    ASSERT_EQ(prlimit(pid, RLIMIT_FSIZE, &limit, nullptr), 0);
    running.terminate();
    EXPECT_TRUE(running.waitForFinished(30000)) << "still running after SIGTERM";
    EXPECT_EQ(running.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(running.exitCode(), 0) << running.readAll().toStdString();
    if (running.state() != QProcess::NotRunning) {
        running.kill();
        running.waitForFinished(30000);
    }
}

} // namespace
