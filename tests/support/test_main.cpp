// Entry of every test program: a private home for settings and data, so no test touches the
// user's own, and a QApplication on the offscreen platform for the tests that need one.
#include <gtest/gtest.h>

#include <QApplication>

#include "PrivateHome.h"

int main(int argc, char** argv)
{
    const qmtest::PrivateHome home("qmtest-home-");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
