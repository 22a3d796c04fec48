// Entry of every test program: a private home for settings and data, so no test touches the
// user's own, and a QApplication on the offscreen platform for the tests that need one.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    std::string root = (std::filesystem::temp_directory_path() / "qmtest-home-XXXXXX").string();
    if (mkdtemp(root.data())) {
        setenv("HOME", root.c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        setenv("QUILLMART_REGISTRY", (root + "/registry.db").c_str(), 1);
    }
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return rc;
}
