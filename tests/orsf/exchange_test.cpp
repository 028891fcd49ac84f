// One Modbus exchange against a scripted line: what each kind of reply gives,
// and how often the request goes out.
#include <gtest/gtest.h>

#include <deque>
#include <thread>

#include "exchange.h"
#include "result_codes.h"
#include "rtu.h"

using namespace rq36::orsf;
namespace rtu = rq36::rtu;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A line whose far side answers each request with the next scripted chunks
// (an empty script entry: silence), each chunk `chunkDelay` after the one
// before; with `endless`, the last chunk of an answer comes again and again.
class ScriptedLink : public Link {
public:
    std::deque<std::vector<Bytes>> answers;  // per request: the chunks that arrive
    std::vector<Bytes> sent;
    bool failWrites = false;
    std::size_t writesBeforeFailing = SIZE_MAX;
    Clock::duration chunkDelay{};
    bool endless = false;

    bool Write(std::span<const std::uint8_t> bytes, Clock::time_point) override {
        if (failWrites || sent.size() >= writesBeforeFailing) return false;
        sent.emplace_back(bytes.begin(), bytes.end());
        pending_.clear();
        if (!answers.empty()) {
            pending_.assign(answers.front().begin(), answers.front().end());
            answers.pop_front();
        }
        return true;
    }
    ReadResult Read(Bytes& into, Clock::time_point deadline) override {
        if (pending_.empty()) return ReadResult::Timeout;  // nothing more comes: the deadline passed
        if (chunkDelay > Clock::duration::zero()) {
            const Clock::time_point due = Clock::now() + chunkDelay;
            std::this_thread::sleep_until(std::min(due, deadline));
            if (due > deadline) return ReadResult::Timeout;
        }
        into.insert(into.end(), pending_.front().begin(), pending_.front().end());
        if (!endless || pending_.size() > 1) pending_.pop_front();
        return ReadResult::Data;
    }
    void DiscardInput() override {}

private:
    std::deque<Bytes> pending_;
};

const Bytes kRequest = {1, 69, 0, 8, 1, 0xC8, 0, 0, 0, 0, 0, 0};

Bytes GoodReply(std::uint8_t station = 1) {
    return rtu::ReplyFrame(station, 1, 0xC8, 0, 0, Bytes{'R', 'Q', '-', '3', 0, 0});
}

class ExchangeTest : public ::testing::Test {
protected:
    ScriptedLink link;
    Exchanger exchanger{link};
    LineSettings line{115200, 100, 2};

    ExchangeOutcome Run() { return exchanger.Run(kRequest, line); }
};

}  // namespace

TEST_F(ExchangeTest, AnsweredAtOnce) {
    link.answers = {{GoodReply()}};
    const auto out = Run();
    EXPECT_EQ(out.status, kOk);
    EXPECT_EQ(out.attempts, 1u);
    ASSERT_EQ(link.sent.size(), 1u);
    Bytes expected = kRequest;
    rtu::AppendCrc(expected);
    EXPECT_EQ(link.sent[0], expected);
    const Bytes reply = GoodReply();
    EXPECT_EQ(out.reply, Bytes(reply.begin(), reply.end() - 2));
}

TEST_F(ExchangeTest, ReplyInPiecesIsJoined) {
    const Bytes r = GoodReply();
    link.answers = {
        {Bytes(r.begin(), r.begin() + 3), Bytes(r.begin() + 3, r.begin() + 11), Bytes(r.begin() + 11, r.end())}};
    EXPECT_EQ(Run().status, kOk);
}

TEST_F(ExchangeTest, SilenceIsRepeatedThenNoReply) {
    const auto out = Run();
    EXPECT_EQ(out.status, kErrNoReply);
    EXPECT_EQ(out.attempts, 3u);  // the first and two repetitions
    EXPECT_EQ(link.sent.size(), 3u);
    line.retries = 0;
    EXPECT_EQ(Run().attempts, 1u);
}

TEST_F(ExchangeTest, BadCrcIsRepeatedUntilAGoodReply) {
    Bytes bad = GoodReply();
    bad.back() ^= 0xFF;
    link.answers = {{bad}, {bad}, {GoodReply()}};
    const auto out = Run();
    EXPECT_EQ(out.status, kOk);
    EXPECT_EQ(out.attempts, 3u);
    link.answers = {{bad}, {bad}, {bad}};
    EXPECT_EQ(Run().status, kErrChecksum);
}

TEST_F(ExchangeTest, ShortAndGarbledReplies) {
    const Bytes r = GoodReply();
    line.retries = 0;
    link.answers = {{Bytes(r.begin(), r.begin() + 10)}};
    EXPECT_EQ(Run().status, kErrReplyBroken);
    link.answers = {{Bytes{1, 0x03, 0x02, 0, 0, 0xB8, 0x44}}};
    EXPECT_EQ(Run().status, kErrHeader);
    // A well-formed frame too short to hold the module's reply.
    Bytes tiny = {1, 69, 0, 0};
    rtu::AppendCrc(tiny);
    link.answers = {{tiny}};
    EXPECT_EQ(Run().status, kErrHeader);
}

TEST_F(ExchangeTest, OtherStationIsPassedOver) {
    line.retries = 0;
    link.answers = {{GoodReply(2), GoodReply(1)}};
    EXPECT_EQ(Run().status, kOk);
    link.answers = {{GoodReply(2)}};
    EXPECT_EQ(Run().status, kErrNoValidReply);
}

TEST_F(ExchangeTest, EchoOfTheRequestIsPassedOver) {
    Bytes echo = kRequest;
    rtu::AppendCrc(echo);
    link.answers = {{echo, GoodReply()}};
    const auto out = Run();
    EXPECT_EQ(out.status, kOk);
    EXPECT_EQ(out.reply[7], 0);  // the reply byte, not the echoed d0
}

TEST_F(ExchangeTest, ExceptionEndsWithoutRepetition) {
    link.answers = {{rtu::ExceptionFrame(1, rtu::kIllegalFunction)}};
    auto out = Run();
    EXPECT_EQ(out.status, kErrExceptionBase + 1);
    EXPECT_EQ(out.attempts, 1u);
    EXPECT_TRUE(out.reply.empty());
    link.answers = {{rtu::ExceptionFrame(1, 0x7F)}};
    EXPECT_EQ(Run().status, kErrExceptionBase);
}

TEST_F(ExchangeTest, FailingDeviceEndsTheExchange) {
    link.failWrites = true;
    const auto out = Run();
    EXPECT_EQ(out.status, kErrPortFailed);
    EXPECT_EQ(out.attempts, 1u);
}

TEST_F(ExchangeTest, DeviceFailingOnARepetitionLeavesNoEarlierReply) {
    Bytes bad = GoodReply();
    bad.back() ^= 0xFF;
    link.answers = {{bad}};
    link.writesBeforeFailing = 1;
    const auto out = Run();
    EXPECT_EQ(out.status, kErrPortFailed);
    EXPECT_EQ(out.attempts, 2u);
    EXPECT_TRUE(out.reply.empty());
}

TEST_F(ExchangeTest, LateReplyToAnotherRequestIsPassedOver) {
    line.retries = 0;
    // The answer to an earlier request (another command, then another d0)
    // arrives first; the request's own answer after it.
    const Bytes otherCommand = rtu::ReplyFrame(1, 1, 0x66, 0, 0, Bytes{9, 9});
    const Bytes otherD0 = rtu::ReplyFrame(1, 1, 0xC8, 3, 0, Bytes{9, 9});
    link.answers = {{otherCommand, otherD0, GoodReply()}};
    const auto out = Run();
    ASSERT_EQ(out.status, kOk);
    const Bytes good = GoodReply();
    EXPECT_EQ(out.reply, Bytes(good.begin(), good.end() - 2));
    link.answers = {{otherCommand}};
    EXPECT_EQ(Run().status, kErrNoValidReply);
}

// A bus that never falls quiet, or a reply trickling in: every attempt still
// ends by its bound.  (Elapsed times are checked with a wide margin: only an
// exchange without an end fails them.)
TEST_F(ExchangeTest, EndlessTrafficAndTricklingEndByTheBound) {
    constexpr auto kMargin = std::chrono::seconds(3);
    line.retries = 1;
    link.endless = true;
    link.answers = {{GoodReply(2)}, {GoodReply(2)}};
    auto began = Clock::now();
    auto out = Run();
    EXPECT_EQ(out.status, kErrNoValidReply);
    EXPECT_EQ(out.attempts, 2u);
    EXPECT_LT(Clock::now() - began, ExchangeBound(14, line) + kMargin);

    // A frame announcing 250 bytes, one byte each 20 ms (within the byte gap).
    line.retries = 0;
    link.endless = false;
    link.chunkDelay = std::chrono::milliseconds(20);
    Bytes longFrame = {1, 69, 0, 246};
    longFrame.resize(250, 0x55);
    std::vector<Bytes> bytes;
    for (std::uint8_t b : longFrame) bytes.push_back(Bytes{b});
    link.answers = {bytes};
    began = Clock::now();
    out = Run();
    EXPECT_EQ(out.status, kErrReplyBroken);
    EXPECT_LT(Clock::now() - began, ExchangeBound(14, line) + kMargin);
}

TEST(ExchangeBounds, GrowWithTimeoutRepetitionsAndSlowSpeeds) {
    const LineSettings fast{115200, 100, 2};
    // 100 ms timeout, 2 x 256 characters at 115200 Bd (49 ms), the 50 ms gap.
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(ReplyBound(fast)).count(), 198);
    EXPECT_EQ(ExchangeBound(14, fast), 3 * (SilenceBound(fast) + WriteBound(14, fast) + ReplyBound(fast)));
    const LineSettings slow{600, 1000, 20};  // more than 15 repetitions count as 15
    EXPECT_EQ(ExchangeBound(14, slow), 16 * (SilenceBound(slow) + WriteBound(14, slow) + ReplyBound(slow)));
    EXPECT_GT(ReplyBound(slow), std::chrono::milliseconds(1000) + 2 * 256 * rtu::CharacterTime(600));
}

TEST(ResultTexts, ExceptionsAndPortsHaveTextsOfTheirOwn) {
    EXPECT_EQ(ResultText(ExceptionStatus(2)), "Modul odmítl požadavek: neplatná adresa dat");
    EXPECT_EQ(ExceptionStatus(7), kErrExceptionBase);
    RememberPort({3, "/dev/ttyUSB1", "dialout"});
    EXPECT_EQ(ResultText(kErrPortPermission), "Chybí skupina dialout: /dev/ttyUSB1");
    EXPECT_EQ(ResultText(kErrPortBusy), "Port drží jiný program: /dev/ttyUSB1");
    EXPECT_EQ(ResultText(999), "Neznámý chybový kód");
}
