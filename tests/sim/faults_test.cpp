// Fault injection: what each fault does to a reply, and that each one is counted.

#include <gtest/gtest.h>

#include <algorithm>

#include "protocol/crc16.h"
#include "sim/faults.h"
#include "tests/sim/hex_bytes.h"

namespace tc24::sim {
namespace {

using testing::hex;

const Bytes kRequest = hex("01 03 00 00 00 03 05 CB");
const Bytes kReply = hex("01 03 06 09 E6 FF CE FF FF 78 61");

FaultInjector always(Fault fault) {
    FaultSettings settings;
    settings.rate(fault).every = 1;
    settings.delayMs = 250;
    settings.splitPauseMs = 15;
    settings.vanishMs = 1500;
    return FaultInjector(settings, 3);
}

TEST(FaultTest, WithoutFaultsTheReplyLeavesWhole) {
    FaultInjector injector;
    const auto out = injector.apply(kRequest, kReply);
    ASSERT_EQ(out.chunks.size(), 1u);
    EXPECT_EQ(out.chunks[0].bytes, kReply);
    EXPECT_EQ(out.delayMs, 0);
    EXPECT_FALSE(out.vanish);
    EXPECT_EQ(faultCountsText(injector.counts()),
              "drop=0 corrupt=0 split=0 noise=0 delay=0 exception=0 vanish=0");
}

TEST(FaultTest, EachFaultDoesWhatItSaysAndIsCounted) {
    {
        auto injector = always(Fault::Drop);
        EXPECT_TRUE(injector.apply(kRequest, kReply).bytes().empty());
        EXPECT_EQ(injector.count(Fault::Drop), 1u);
    }
    {
        auto injector = always(Fault::Corrupt);
        const Bytes sent = injector.apply(kRequest, kReply).bytes();
        ASSERT_EQ(sent.size(), kReply.size());
        EXPECT_EQ(std::mismatch(sent.begin(), sent.end(), kReply.begin()).first != sent.end(),
                  true);
        EXPECT_FALSE(hasValidCrc(sent));
        EXPECT_EQ(injector.count(Fault::Corrupt), 1u);
    }
    {
        auto injector = always(Fault::Split);
        const auto out = injector.apply(kRequest, kReply);
        ASSERT_GE(out.chunks.size(), 2u);
        EXPECT_EQ(out.chunks[1].pauseMs, 15);
        EXPECT_EQ(out.bytes(), kReply);
        EXPECT_EQ(injector.count(Fault::Split), 1u);
    }
    {
        auto injector = always(Fault::Noise);
        const Bytes sent = injector.apply(kRequest, kReply).bytes();
        ASSERT_GT(sent.size(), kReply.size());
        EXPECT_LE(sent.size(), kReply.size() + 4);
        EXPECT_NE(std::search(sent.begin(), sent.end(), kReply.begin(), kReply.end()), sent.end());
        EXPECT_EQ(injector.count(Fault::Noise), 1u);
    }
    {
        auto injector = always(Fault::Delay);
        const auto out = injector.apply(kRequest, kReply);
        EXPECT_EQ(out.delayMs, 250);
        EXPECT_EQ(out.bytes(), kReply);
        EXPECT_EQ(injector.count(Fault::Delay), 1u);
    }
    {
        auto injector = always(Fault::Exception);
        EXPECT_EQ(injector.apply(kRequest, kReply).bytes(), hex("01 83 06 C1 32"));
        EXPECT_EQ(injector.count(Fault::Exception), 1u);
    }
    {
        auto injector = always(Fault::Vanish);
        const auto out = injector.apply(kRequest, kReply);
        EXPECT_TRUE(out.vanish);
        EXPECT_EQ(out.vanishMs, 1500);
        const Bytes sent = out.bytes();
        EXPECT_LT(sent.size(), kReply.size());
        EXPECT_TRUE(std::equal(sent.begin(), sent.end(), kReply.begin()));
        EXPECT_EQ(injector.count(Fault::Vanish), 1u);
    }
}

TEST(FaultTest, EveryNthReplyAndProbabilities) {
    FaultSettings settings;
    settings.rate(Fault::Drop).every = 3;
    FaultInjector injector(settings);
    std::vector<bool> dropped;
    for (int i = 0; i < 7; ++i) {
        dropped.push_back(injector.apply(kRequest, kReply).bytes().empty());
    }
    EXPECT_EQ(dropped, (std::vector<bool>{false, false, true, false, false, true, false}));
    EXPECT_EQ(injector.count(Fault::Drop), 2u);

    FaultSettings some;
    some.rate(Fault::Corrupt).probability = 0.25;
    FaultInjector dice(some, 11);
    for (int i = 0; i < 2000; ++i) {
        dice.apply(kRequest, kReply);
    }
    EXPECT_GT(dice.count(Fault::Corrupt), 400u);
    EXPECT_LT(dice.count(Fault::Corrupt), 600u);
}

TEST(FaultTest, RateText) {
    EXPECT_EQ(parseFaultRate("0.05")->probability, 0.05);
    EXPECT_EQ(parseFaultRate("every:7")->every, 7u);
    EXPECT_FALSE(parseFaultRate("1.5"));
    EXPECT_FALSE(parseFaultRate("-0.1"));
    EXPECT_FALSE(parseFaultRate("every:0"));
    EXPECT_FALSE(parseFaultRate("every:x"));
    EXPECT_FALSE(parseFaultRate("often"));
    EXPECT_FALSE(parseFaultRate(""));
}

}  // namespace
}  // namespace tc24::sim
