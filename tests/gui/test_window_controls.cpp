// The shared helpers that find a window's controls by name refuse, with a message naming the
// control, what a person could not use: a missing, ambiguous or mistyped name, a disabled
// control, a timer that is not running.
#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <string>

#include "WindowControls.h"

namespace {

using namespace qmtest;

TEST(WindowControlsTest, AControlIsFoundOnlyByAUniqueNameOfItsTypeAndOnlyUsedWhenItCanBe)
{
    QWidget window;
    window.setObjectName("Window");
    auto* ok = new QPushButton("OK", &window);
    ok->setObjectName("BtnOK");
    new QPushButton(&window); // unnamed
    (new QAction(&window))->setObjectName("Twice");
    (new QAction(ok))->setObjectName("Twice"); // a grandchild of the same name
    auto* tip = new QTimer(&window);
    tip->setObjectName("TimerTip");

    int clicks = 0;
    QObject::connect(ok, &QPushButton::clicked, [&] { ++clicks; });
    Click(window, "BtnOK");
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(&Control<QAbstractButton>(window, "BtnOK"), ok);

    auto refusal = [&](const std::function<void()>& use) {
        try {
            use();
        } catch (const MissingControl& e) {
            return std::string(e.what());
        }
        return std::string("used");
    };
    EXPECT_EQ(refusal([&] { Control(window, "BtnOk"); }), "Window: \"BtnOk\" names no object");
    EXPECT_EQ(refusal([&] { Control<QAction>(window, "BtnOK"); }),
              "Window: \"BtnOK\" is a QPushButton, not a QAction");
    EXPECT_EQ(refusal([&] { Trigger(window, "Twice"); }),
              "Window: \"Twice\" names 2 objects of type QAction");
    ok->setEnabled(false);
    EXPECT_EQ(refusal([&] { Click(window, "BtnOK"); }), "Window: \"BtnOK\" is disabled");
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(refusal([&] { Fire(window, "TimerTip"); }), "Window: \"TimerTip\" is not running");
}

} // namespace
