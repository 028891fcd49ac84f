// Card search, opening, channel start-up, identification read and closing,
// checked call by call against the fake driver.
#include <gtest/gtest.h>

#include "card.h"
#include "test_support.h"

namespace {

using orsg_test::FakeCardTest;
using orsg_test::Params;
using orsg_test::ParamsFor;
using orsg_test::StateOf;
using orsg_test::TextOfCard;
using Calls = std::vector<std::string>;

class CardSearch : public FakeCardTest {};

// Three cards: a foreign one, then two ORS-G cards at 3/6 and 4/7.
void ThreeCards() {
    fake::Reset(3);
    fake::Get().cards[0].did = 0x999;
}

TEST_F(CardSearch, AutomaticTakesTheFirstOrsgCardAndRecordsItsPosition) {
    ThreeCards();
    intptr_t h = 0;
    const Params p = ParamsFor(0, 77, 88, 0);
    ASSERT_EQ(ORSG_Init(&h, p.data()), ORSG_OK);
    EXPECT_EQ(fake::DriverCalls(), (Calls{"CardsInSystem", "DID 0", "BUS 0", "SLOT 0", "Close 0", "DID 1", "BUS 1",
                                          "SLOT 1", "OpenMulti 1", "BAR 1"}));
    const auto& s = StateOf(h);
    EXPECT_EQ(s.cardIndex, 1);
    EXPECT_EQ(s.bus, 3);
    EXPECT_EQ(s.slot, 6);
    EXPECT_EQ(s.open, 1);
    EXPECT_EQ(s.bar1, fake::Get().cards[1].bar1);
    EXPECT_EQ(s.handleValue, h);
    EXPECT_NE(orsg::TextOf(s.startTime), "");
    EXPECT_EQ(fake::Get().cards[1].openCount, 1);
    EXPECT_EQ(fake::OpenCards(), 1);

    ASSERT_EQ(ORSG_Done(&h), ORSG_OK);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(fake::DriverCalls().back(), "Close 1");
    EXPECT_EQ(fake::OpenCards(), 0);
}

TEST_F(CardSearch, ByPositionClosesTheOrsgCardsThatDoNotMatch) {
    ThreeCards();
    intptr_t h = 0;
    const Params p = ParamsFor(1, 4, 7, 0);
    ASSERT_EQ(ORSG_Init(&h, p.data()), ORSG_OK);
    EXPECT_EQ(fake::DriverCalls(),
              (Calls{"CardsInSystem", "DID 0", "BUS 0", "SLOT 0", "Close 0", "DID 1", "BUS 1", "SLOT 1", "OpenMulti 1",
                     "BAR 1", "Close 1", "DID 2", "BUS 2", "SLOT 2", "OpenMulti 2", "BAR 2"}));
    EXPECT_EQ(StateOf(h).cardIndex, 2);
    EXPECT_EQ(fake::OpenCards(), 1);
    ORSG_Done(&h);
}

struct FailureCase {
    const char* name;
    void (*arrange)();
    int32_t mode, bus, slot;
    int32_t expected;
    Calls calls;
};

const FailureCase kFailures[] = {
    {"CountFails", [] { fake::Get().countResult = 1; }, 0, 0, 0, ORSG_ERR_DRIVER, {"CardsInSystem"}},
    {"NoCard", [] { fake::Reset(0); }, 0, 0, 0, ORSG_ERR_NO_CARD, {"CardsInSystem"}},
    {"DidFails", [] { fake::Get().cards[0].didResult = 1; }, 0, 0, 0, ORSG_ERR_DRIVER, {"CardsInSystem", "DID 0"}},
    {"BusFails",
     [] { fake::Get().cards[0].busResult = 1; },
     0,
     0,
     0,
     ORSG_ERR_DRIVER,
     {"CardsInSystem", "DID 0", "BUS 0"}},
    {"SlotFails",
     [] { fake::Get().cards[0].slotResult = 1; },
     0,
     0,
     0,
     ORSG_ERR_DRIVER,
     {"CardsInSystem", "DID 0", "BUS 0", "SLOT 0"}},
    {"OpenFails",
     [] { fake::Get().cards[0].openResult = 1; },
     0,
     0,
     0,
     ORSG_ERR_DRIVER,
     {"CardsInSystem", "DID 0", "BUS 0", "SLOT 0", "OpenMulti 0"}},
    {"BarFailsClosesTheCard",
     [] { fake::Get().cards[0].barResult = 1; },
     0,
     0,
     0,
     ORSG_ERR_DRIVER,
     {"CardsInSystem", "DID 0", "BUS 0", "SLOT 0", "OpenMulti 0", "BAR 0", "Close 0"}},
    {"CloseOfForeignCardFails",
     [] {
         fake::Reset(2);
         fake::Get().cards[0].did = 0x400;
         fake::Get().cards[0].closeResult = 1;
     },
     0,
     0,
     0,
     ORSG_ERR_DRIVER,
     {"CardsInSystem", "DID 0", "BUS 0", "SLOT 0", "Close 0"}},
    {"CloseOfUnwantedOrsgCardFails",
     [] { fake::Get().cards[0].closeResult = 1; },
     1,
     9,
     9,
     ORSG_ERR_DRIVER,
     {"CardsInSystem", "DID 0", "BUS 0", "SLOT 0", "OpenMulti 0", "BAR 0", "Close 0"}},
    {"NoOrsgCard",
     [] {
         fake::Reset(2);
         fake::Get().cards[0].did = 0x400;
         fake::Get().cards[1].did = 0x402;
     },
     0,
     0,
     0,
     ORSG_ERR_NO_WANTED_CARD,
     {"CardsInSystem", "DID 0", "BUS 0", "SLOT 0", "Close 0", "DID 1", "BUS 1", "SLOT 1", "Close 1"}},
    {"NoCardAtWantedPosition",
     [] { fake::Reset(2); },
     1,
     2,
     6,
     ORSG_ERR_NO_WANTED_CARD,
     {"CardsInSystem", "DID 0", "BUS 0", "SLOT 0", "OpenMulti 0", "BAR 0", "Close 0", "DID 1", "BUS 1", "SLOT 1",
      "OpenMulti 1", "BAR 1", "Close 1"}},
    {"BusMatchesButSlotDoesNot",
     [] {},
     1,
     2,
     4,
     ORSG_ERR_NO_WANTED_CARD,
     {"CardsInSystem", "DID 0", "BUS 0", "SLOT 0", "OpenMulti 0", "BAR 0", "Close 0"}},
    {"ChannelNeverStartsUp",
     [] { fake::Get().startUpReads = -1; },
     0,
     0,
     0,
     ORSG_ERR_ACCESS,
     {"CardsInSystem", "DID 0", "BUS 0", "SLOT 0", "OpenMulti 0", "BAR 0", "Close 0"}},
    {"AccessFailsDuringIdentification",
     [] { fake::Get().failAtAccess = 100; },
     0,
     0,
     0,
     ORSG_ERR_ACCESS,
     {"CardsInSystem", "DID 0", "BUS 0", "SLOT 0", "OpenMulti 0", "BAR 0", "Close 0"}},
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class CardSearchFailure : public ::testing::TestWithParam<FailureCase> {
protected:
    void SetUp() override { fake::Reset(1); }
};

TEST_P(CardSearchFailure, CallsTheDriverInOrderAndLeavesNothingOpen) {
    const FailureCase& c = GetParam();
    c.arrange();
    intptr_t h = 0;
    const Params p = ParamsFor(c.mode, c.bus, c.slot, 0);
    EXPECT_EQ(ORSG_Init(&h, p.data()), c.expected);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(fake::DriverCalls(), c.calls);
    // A failed close leaves the fake's count up, but nothing else may stay.
    int stillOpen = 0;
    for (const auto& card : fake::Get().cards)
        if (card.closeResult == 0) stillOpen += card.openCount;
    EXPECT_EQ(stillOpen, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, CardSearchFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CardSearch, StartUpAndIdentificationReadUseTheChannelWindow) {
    fake::Get().startUpReads = 2;  // the card needs a moment
    auto& id = fake::Get().cards[0].identification;
    for (int k = 0; k < 16; ++k) id[static_cast<std::size_t>(0x3E0 + k)] = static_cast<uint8_t>(k);  // non-printable
    intptr_t h = 0;
    const Params p = ParamsFor(0, 0, 0, 2);
    ASSERT_EQ(ORSG_Init(&h, p.data()), ORSG_OK);

    const auto trace = fake::MemoryTrace();
    ASSERT_EQ(trace.size(), 9u + 1024u);
    const Calls head(trace.begin(), trace.begin() + 9);
    EXPECT_EQ(head, (Calls{"W 0BC=01", "W 0B8=FE", "R 0B8=00", "R 0B8=00", "R 0B8=FE", "W 320=01", "W 314=00",
                           "W 318=00", "W 31C=03"}));
    for (std::size_t k = 9; k < trace.size(); ++k) ASSERT_EQ(trace[k].substr(0, 5), "R 310") << k;

    const auto& s = StateOf(h);
    EXPECT_EQ(TextOfCard(s.serialNumber), "SN0             ");
    EXPECT_EQ(TextOfCard(s.cardName), "ORS-G           ");
    EXPECT_EQ(TextOfCard(s.fpga), "FPGA 1.2        ");
    for (int k = 0; k < 16; ++k) EXPECT_EQ(s.firmware[static_cast<std::size_t>(k)], k);  // kept as read
    EXPECT_EQ(s.channel, 2);
    ORSG_Done(&h);
}

TEST_F(CardSearch, ClosingBlanksTheIdentificationAndIgnoresTheDriversResult) {
    orsg::LibraryState state;
    ASSERT_EQ(orsg::OpenCard(state), ORSG_OK);
    ASSERT_EQ(TextOfCard(state.cardName), "ORS-G           ");
    fake::Get().cards[0].closeResult = 5;
    fake::Get().calls.clear();
    orsg::CloseCard(state);
    EXPECT_EQ(fake::DriverCalls(), (Calls{"Close 0"}));
    EXPECT_EQ(state.open, 0);
    EXPECT_EQ(state.cardIndex, 0);
    for (const auto* text : {&state.serialNumber, &state.cardName, &state.fpga, &state.firmware})
        EXPECT_EQ(TextOfCard(*text), std::string(16, ' '));
}

TEST_F(CardSearch, DoneReportsSuccessWhenTheCloseFails) {
    intptr_t h = Open();
    Forget(h);
    fake::Get().cards[0].closeResult = 1;
    EXPECT_EQ(ORSG_Done(&h), ORSG_OK);
    EXPECT_EQ(h, 0);
}

}  // namespace
