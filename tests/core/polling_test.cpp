#include <gtest/gtest.h>

#include "fakes.h"
#include "link/control_names.h"

using namespace tc24;
using tc24::testing::Harness;

namespace {
constexpr const char* kNotNumber = "你输入的定时时长格式有误，应该为数字，值范围为100-60000!";
constexpr const char* kRange = "你输入的定时时长格式有误，应该为数字，值范围为50-60000!";
}  // namespace

TEST(CyclicPolling, IntervalRules) {
    struct Case {
        const char* text;
        const char* message;  // nullptr: accepted
        int interval;
    };
    for (const Case& c :
         {Case{"abc", kNotNumber, 0}, Case{"", kNotNumber, 0}, Case{"49", kRange, 0},
          Case{"49.9", kRange, 0}, Case{"60001", kRange, 0}, Case{"50", nullptr, 50},
          Case{"50.5", nullptr, 50}, Case{"60000", nullptr, 60000}, Case{"60000.7", nullptr, 60001},
          Case{"1000", nullptr, 1000}}) {
        Harness h;
        h.startWithOpenPort();
        h.ui.set(control::txtTimerSet, c.text);
        h.ui.set(control::lblCounter, "77");
        h.state().RecCount = 5;
        h.frm.cmdOneM_Click();
        // The counters restart whether or not the interval is accepted.
        EXPECT_EQ(h.ui.get(control::lblCounter), "1");
        EXPECT_EQ(h.ui.get(control::lblErrCounter), "1");
        EXPECT_EQ(h.state().RecCount, 1);
        if (c.message) {
            EXPECT_EQ(h.dialogs.lastText(), c.message) << c.text;
            EXPECT_FALSE(h.timer2.isTicking()) << c.text;
        } else {
            EXPECT_TRUE(h.dialogs.shown.empty()) << c.text;
            EXPECT_TRUE(h.timer2.isTicking());
            EXPECT_EQ(h.timer2.interval(), c.interval) << c.text;
        }
        EXPECT_TRUE(h.port.written.empty());  // the first poll waits one interval
    }
}

TEST(CyclicPolling, TicksCountAndPollUntilStopped) {
    Harness h;
    h.startWithOpenPort();
    h.frm.cmdOneM_Click();
    for (int i = 0; i < 3; ++i) {
        h.frm.Timer2_Timer();
    }
    EXPECT_EQ(h.ui.get(control::lblCounter), "4");
    EXPECT_EQ(h.port.written.size(), 3U);
    h.frm.cmdStopOnce_Click();
    EXPECT_FALSE(h.timer2.isTicking());
    EXPECT_EQ(h.ui.get(control::lblCounter), "4");
    EXPECT_EQ(h.state().CmdMode, 1);
}

TEST(CyclicPolling, CounterWrapsAfter65535) {
    Harness h;
    h.startWithOpenPort();
    h.ui.set(control::lblCounter, "65536");
    h.frm.Timer2_Timer();
    EXPECT_EQ(h.ui.get(control::lblCounter), "1");
    h.ui.set(control::lblCounter, "65535");
    h.frm.Timer2_Timer();
    EXPECT_EQ(h.ui.get(control::lblCounter), "65536");
}

TEST(CyclicPolling, EmptyDataLengthBecomesOneRegister) {
    Harness h;
    h.startWithOpenPort();
    h.ui.set(control::txtDataLength, "");
    h.frm.Timer2_Timer();
    EXPECT_EQ(h.ui.get(control::txtDataLength), "1");
    EXPECT_EQ(h.port.lastWritten(), tc24::testing::hexBytes("01 03 00 00 00 01 84 0A"));
}

TEST(CyclicPolling, ClosedPortStopsPollsUntilThePortIsChosenAgain) {
    Harness h;
    h.startWithOpenPort();
    h.port.close();
    h.frm.Timer2_Timer();
    EXPECT_EQ(h.dialogs.shown.size(), 1U);
    EXPECT_FALSE(h.state().CommReady);
    h.frm.Timer2_Timer();
    h.frm.Timer2_Timer();
    EXPECT_EQ(h.dialogs.shown.size(), 1U);  // nothing sent, nothing counted, no further box
    EXPECT_EQ(h.ui.get(control::lblCounter), "1");
    h.frm.Combo1_Click();  // the operator chooses the port again
    h.frm.Timer2_Timer();
    EXPECT_EQ(h.ui.get(control::lblCounter), "2");
    EXPECT_EQ(h.port.written.size(), 1U);
}

TEST(CyclicPolling, TicksWhileABoxOfAnEarlierTickIsOpenDoNothing) {
    Harness h;
    h.startWithOpenPort();
    h.ui.set(control::txtStationID, "x");
    int ticksDuringBox = 0;
    h.dialogs.whileOpen = [&](const MessageBox&) {
        if (ticksDuringBox++ < 5) {
            h.frm.Timer2_Timer();  // the timer keeps firing while the operator reads the box
        }
    };
    h.frm.Timer2_Timer();
    EXPECT_EQ(h.dialogs.shown.size(), 1U);
    EXPECT_EQ(ticksDuringBox, 1);
    // Once the box is closed, the next tick reports again.
    h.frm.Timer2_Timer();
    EXPECT_EQ(h.dialogs.shown.size(), 2U);
}

TEST(CyclicPolling, ClosedPortBoxDoesNotPileUpEither) {
    Harness h;
    h.startWithOpenPort();
    h.port.close();
    int nested = 0;
    h.dialogs.whileOpen = [&](const MessageBox&) {
        if (nested++ < 3) {
            h.frm.Timer2_Timer();
        }
    };
    h.frm.Timer2_Timer();
    EXPECT_EQ(h.dialogs.shown.size(), 1U);
}
