// The job exchange: register traffic, results, statistics and histories.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "exchange.h"
#include "test_support.h"

namespace {

using orsg_test::FakeCardTest;
using orsg_test::ParamsFor;
using orsg_test::StateOf;
using Calls = std::vector<std::string>;
using Request = std::array<int32_t, 1024>;

Request MakeRequest(std::initializer_list<int32_t> bytes) {
    Request r{};
    std::copy(bytes.begin(), bytes.end(), r.begin());
    return r;
}

struct Reply {
    std::array<int32_t, 1024> response{};
    int32_t replyByte = -1;
    int32_t status = -1;
};

class Exchange : public FakeCardTest {
protected:
    int32_t Send(intptr_t h, const Request& request, Reply& reply) {
        return ORSG_Send(h, request.data(), reply.response.data(), &reply.replyByte, &reply.status);
    }
};

TEST_F(Exchange, OneExchangeWritesMessageAndJobThenPollsAndReadsTheSlot) {
    const intptr_t h = Open(ParamsFor(0, 0, 0, 1));  // channel window 0x040
    ASSERT_EQ(ORSG_SetConfig(h, 19200, 300, 3), ORSG_OK);
    fake::Get().busyReads = 2;
    const Request request = MakeRequest({0x101, 0xC8, 0, 1, 2, 3, 4, 0x1FF, 0x55});
    Reply reply;
    ASSERT_EQ(Send(h, request, reply), ORSG_OK);

    const Calls expected = {// message into slot 0, with access set-up
                            "W 044=00", "W 048=00", "W 05C=03", "W 040=01", "W 040=C8", "W 040=00", "W 040=01",
                            "W 040=02", "W 040=03", "W 040=04", "W 040=FF",
                            // job block at 0x3F6: single, 19200 Bd, 3 repetitions, 300 ms
                            "W 044=F6", "W 048=03", "W 040=00", "W 040=00", "W 040=05", "W 040=00", "W 040=03",
                            "W 040=00", "W 040=2C", "W 040=01",
                            // start; the first poll follows at once
                            "W 060=00", "W 064=00", "W 078=01", "R 078=01", "R 078=01", "R 078=00",
                            // slot 0: status and response
                            "W 054=00", "W 058=00", "W 05C=03"};
    const Calls trace = fake::MemoryTrace();
    ASSERT_EQ(trace.size(), expected.size() + 32);
    EXPECT_EQ(Calls(trace.begin(), trace.begin() + static_cast<long>(expected.size())), expected);
    for (std::size_t k = expected.size(); k < trace.size(); ++k) EXPECT_EQ(trace[k].substr(0, 5), "R 050") << k;

    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.replyByte, 0xC8 ^ 0xFF);
    const std::array<int, 8> sentBytes = {0x01, 0xC8, 0, 1, 2, 3, 4, 0xFF};
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(reply.response[static_cast<std::size_t>(k)], (sentBytes[static_cast<std::size_t>(k % 8)] + k) & 0xFF);
    EXPECT_EQ(reply.response[16], 0);  // nothing beyond the 16 response bytes

    const auto& s = StateOf(h);
    const orsg::CommRecord& r = s.recent.Entry(0);
    EXPECT_EQ(r.index, 0);
    EXPECT_EQ(r.sent[0], 0x101);  // full values in the history
    EXPECT_EQ(r.sent[7], 0x1FF);
    EXPECT_EQ(r.sent[8], 0);
    EXPECT_EQ(r.repeats, 1);
    EXPECT_EQ(r.mark, 1000u);
    EXPECT_EQ(r.duration, 20u);
    EXPECT_EQ(r.received[15], reply.response[15]);
    EXPECT_TRUE(std::regex_search(std::string(orsg::TextOf(r.time)), std::regex(R"(\.\d{3}$)")));
    EXPECT_NE(orsg::TextOf(r.date), "");
    EXPECT_EQ(s.stats.totalCalls, 1u);
    EXPECT_EQ(s.stats.callsThisSecond, 1u);
    EXPECT_EQ(s.stats.totalErrors, 0u);
    EXPECT_EQ(s.errors.Entry(0).index, 0);
    EXPECT_EQ(orsg::TextOf(s.errors.Entry(0).date), "");  // the error history stays clear
}

TEST_F(Exchange, JobBlockCarriesSpeedCodeRepetitionsAndTimeout) {
    const intptr_t h = Open();
    const Request request = MakeRequest({1, 2});
    Reply reply;
    ASSERT_EQ(Send(h, request, reply), ORSG_OK);  // defaults
    ASSERT_EQ(ORSG_SetConfig(h, 2764800, 10000, 15), ORSG_OK);
    ASSERT_EQ(Send(h, request, reply), ORSG_OK);
    const auto& jobs = fake::Get().jobs;
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[0].block, (std::array<uint8_t, 8>{0, 0, 4, 0, 2, 0, 0xC8, 0x00}));
    EXPECT_EQ(jobs[1].block, (std::array<uint8_t, 8>{0, 0, 14, 0, 15, 0, 0x10, 0x27}));
    EXPECT_EQ(jobs[1].param, 0);
    EXPECT_EQ(jobs[1].lastMessage, 0);
}

TEST_F(Exchange, CardStatusIsReturnedWithResultZeroAndEntersBothHistories) {
    const intptr_t h = Open();
    fake::Get().responder = [](const fake::Job& job, int slot) {
        fake::SlotReply reply = fake::DefaultReply(job, slot);
        reply.status[0] = job.messages[0][1] == 0x66 ? 4 : 0;
        return reply;
    };
    Reply reply;
    ASSERT_EQ(Send(h, MakeRequest({1, 0x10}), reply), ORSG_OK);
    ASSERT_EQ(Send(h, MakeRequest({1, 0x66}), reply), ORSG_OK);
    EXPECT_EQ(reply.status, 4);
    const auto& s = StateOf(h);
    EXPECT_EQ(s.stats.totalCalls, 2u);
    EXPECT_EQ(s.stats.totalErrors, 1u);
    EXPECT_EQ(s.stats.lastStatus, 4);
    EXPECT_EQ(s.recent.Entry(0).index, 1);
    EXPECT_EQ(s.recent.Entry(0).status, 4);
    EXPECT_EQ(s.recent.Entry(1).index, 0);
    EXPECT_EQ(s.errors.Entry(0).index, 1);
    EXPECT_EQ(s.errors.Entry(0).sent[1], 0x66);
    EXPECT_EQ(orsg::TextOf(s.errors.Entry(1).date), "");

    ASSERT_EQ(Send(h, MakeRequest({1, 0x10}), reply), ORSG_OK);
    EXPECT_EQ(s.stats.lastStatus, 0);
    EXPECT_EQ(s.errors.Entry(0).index, 1);  // a good exchange leaves the error history alone
}

TEST_F(Exchange, HistoriesKeepTheNewest200) {
    const intptr_t h = Open();
    fake::Get().responder = [](const fake::Job& job, int slot) {
        fake::SlotReply reply = fake::DefaultReply(job, slot);
        reply.status[0] = job.messages[0][2] % 3 == 0 ? 9 : 0;
        return reply;
    };
    Reply reply;
    constexpr int kExchanges = 700;
    for (int i = 0; i < kExchanges; ++i) ASSERT_EQ(Send(h, MakeRequest({1, 2, i & 0xFF}), reply), ORSG_OK);
    const auto& s = StateOf(h);
    EXPECT_EQ(s.stats.totalCalls, static_cast<uint32_t>(kExchanges));
    for (int k = 0; k < 200; ++k) {
        EXPECT_EQ(s.recent.Entry(k).index, kExchanges - 1 - k);
        EXPECT_EQ(s.recent.Entry(k).sent[2], (kExchanges - 1 - k) & 0xFF);
    }
    // Failed ones: i with (i & 0xFF) % 3 == 0, newest first.
    std::vector<int> failed;
    for (int i = kExchanges - 1; i >= 0; --i)
        if ((i & 0xFF) % 3 == 0) failed.push_back(i);
    ASSERT_GT(failed.size(), 200u);
    for (int k = 0; k < 200; ++k) {
        EXPECT_EQ(s.errors.Entry(k).index, failed[static_cast<std::size_t>(k)]) << k;
        EXPECT_EQ(s.errors.Entry(k).status, 9);
    }
    EXPECT_EQ(s.stats.totalErrors, failed.size());
}

TEST_F(Exchange, AccessFailureReturns13AndChangesNothingButTheErrorCount) {
    const intptr_t h = Open();
    Reply reply;
    ASSERT_EQ(Send(h, MakeRequest({1, 2}), reply), ORSG_OK);
    const auto& s = StateOf(h);
    const auto before = s.stats;
    // Fail each access of the exchange in turn: first write, job block,
    // start, poll, and the last response read.
    for (long at : {0L, 12L, 23L, 24L, 30L, 57L}) {
        fake::Get().failAtAccess = fake::Get().accesses + at;
        Reply untouched;
        untouched.response.fill(-7);
        EXPECT_EQ(Send(h, MakeRequest({1, 3}), untouched), ORSG_ERR_ACCESS) << at;
        EXPECT_EQ(untouched.status, -1);
        EXPECT_EQ(untouched.replyByte, -1);
        EXPECT_EQ(std::count(untouched.response.begin(), untouched.response.end(), -7), 1024);
    }
    EXPECT_EQ(s.stats.totalCalls, before.totalCalls + 6);  // counted before the card was touched
    EXPECT_EQ(s.stats.totalErrors, before.totalErrors + 6);
    EXPECT_EQ(s.stats.lastStatus, before.lastStatus);
    EXPECT_EQ(s.recent.Entry(0).index, 0);
    EXPECT_EQ(s.recent.Entry(0).sent[1], 2);
    EXPECT_EQ(orsg::TextOf(s.recent.Entry(1).date), "");
    // The card still works afterwards.
    fake::Get().failAtAccess = -1;
    EXPECT_EQ(Send(h, MakeRequest({1, 4}), reply), ORSG_OK);
    EXPECT_EQ(s.recent.Entry(0).index, 7);
}

TEST_F(Exchange, CardStuckBusyEndsWithinTheBound) {
    const intptr_t h = Open();
    ASSERT_EQ(ORSG_SetConfig(h, 115200, 0, 0), ORSG_OK);
    const auto bound = orsg::JobWaitBound(StateOf(h), 1);
    fake::Get().busyReads = -1;
    Reply reply;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Send(h, MakeRequest({1, 2}), reply), ORSG_ERR_ACCESS);
    EXPECT_GE(std::chrono::steady_clock::now() - start, bound);
    EXPECT_EQ(reply.status, -1);
    EXPECT_EQ(StateOf(h).stats.totalErrors, 1u);
    // Polled with sleeps, not in a tight loop.
    const Calls trace = fake::MemoryTrace();
    const auto polls = std::count(trace.begin(), trace.end(), std::string("R 038=01"));
    EXPECT_GT(polls, 10);
    EXPECT_LE(polls, bound.count() + 1);
}

TEST(JobWaitBound, ExceedsTheLongestJobOfAWorkingCard) {
    orsg::LibraryState s;
    EXPECT_EQ(orsg::JobWaitBound(s, 1).count(), 2 * 3 * (200 + 74) + 1000);  // 9600 Bd, 200 ms, 2 repetitions
    for (int32_t speed : {600, 9600, 2764800}) {
        for (uint32_t timeout : {0u, 200u, 10000u}) {
            for (uint32_t retries : {0u, 15u}) {
                for (int messages : {1, 31}) {
                    s.speed = speed;
                    s.timeoutMs = timeout;
                    s.retries = retries;
                    // Every attempt of every message times out, frames of 20
                    // characters each way on the line.
                    const int64_t longest = messages * (retries + 1) * (timeout + 2 * 20 * 11 * 1000 / speed);
                    EXPECT_GT(orsg::JobWaitBound(s, messages).count(), longest + 500);
                }
            }
        }
    }
}

// Fills a list of `count` messages: message m = address 1, command m, m+1...
Request ListOf(uint32_t count) {
    Request r{};
    for (uint32_t m = 0; m < count; ++m)
        for (uint32_t k = 0; k < 8; ++k) r[m * 8 + k] = static_cast<int32_t>(k == 0 ? 1 : m + k);
    return r;
}

class ListExchange : public Exchange {
protected:
    // Checks the jobs the card saw and the results of a list of `count`.
    void Check(uint32_t count, const std::vector<int>& jobSizes) {
        const intptr_t h = Open();
        const Request list = ListOf(count);
        std::array<int32_t, 1024> results;
        results.fill(-3);
        ASSERT_EQ(ORSG_Send1(h, list.data(), results.data(), count), ORSG_OK);

        const auto& jobs = fake::Get().jobs;
        ASSERT_EQ(jobs.size(), jobSizes.size());
        uint32_t m = 0;
        for (std::size_t j = 0; j < jobs.size(); ++j) {
            EXPECT_EQ(jobs[j].block[0], 1);  // list mode
            EXPECT_EQ(jobs[j].lastMessage, jobSizes[j] - 1);
            EXPECT_EQ(jobs[j].param, 0);
            for (int f = 0; f < jobSizes[j]; ++f, ++m)
                for (uint32_t k = 0; k < 8; ++k)
                    EXPECT_EQ(jobs[j].messages[static_cast<std::size_t>(f)][k], list[m * 8 + k] & 0xFF);
        }
        ASSERT_EQ(m, count);

        const auto& s = StateOf(h);
        for (uint32_t i = 0; i < count; ++i) {
            const int32_t* r = &results[i * 8];
            // Message i lies in slot i mod 31 of its job.
            const fake::SlotReply expected = fake::DefaultReply(jobs[i / 31], static_cast<int>(i % 31));
            for (int k = 0; k < 4; ++k) EXPECT_EQ(r[k], expected.response[static_cast<std::size_t>(k)]);
            EXPECT_EQ(r[4], 0);
            EXPECT_EQ(r[5], static_cast<int32_t>(expected.status[1]));
            EXPECT_EQ(r[6], 0);
            EXPECT_EQ(r[7], 0);
        }
        for (std::size_t i = count * 8; i < results.size(); ++i) ASSERT_EQ(results[i], -3);

        EXPECT_EQ(s.stats.totalCalls, count);
        const uint32_t kept = std::min<uint32_t>(count, 200);
        for (uint32_t k = 0; k < kept; ++k) {
            const orsg::CommRecord& rec = s.recent.Entry(static_cast<int>(k));
            const uint32_t i = count - 1 - k;
            EXPECT_EQ(rec.index, static_cast<int32_t>(i));
            EXPECT_EQ(rec.sent[1], list[i * 8 + 1]);
            EXPECT_EQ(rec.received[3], results[i * 8 + 3]);
            EXPECT_EQ(rec.received[4], 0);
            EXPECT_EQ(rec.mark, 1000u + i % 31);
        }
        // One stamp per job.
        EXPECT_EQ(orsg::TextOf(s.recent.Entry(0).time),
                  orsg::TextOf(s.recent.Entry(static_cast<int>(count - 1) % 31).time));
    }
};

TEST_F(ListExchange, ThirtyOneMessagesAreOneJob) { Check(31, {31}); }
TEST_F(ListExchange, ThirtyTwoMessagesAreTwoJobs) { Check(32, {31, 1}); }
TEST_F(ListExchange, HundredTwentyEightMessagesAreFiveJobs) { Check(128, {31, 31, 31, 31, 4}); }

TEST_F(ListExchange, ListTraceOfOneJob) {
    const intptr_t h = Open();
    const Request list = ListOf(2);
    std::array<int32_t, 1024> results{};
    ASSERT_EQ(ORSG_Send1(h, list.data(), results.data(), 2), ORSG_OK);
    const Calls trace = fake::MemoryTrace();
    const Calls writes(trace.begin(), trace.begin() + 22);
    EXPECT_EQ(writes,
              (Calls{"W 004=00", "W 008=00", "W 01C=03", "W 000=01", "W 000=01", "W 000=02", "W 000=03", "W 000=04",
                     "W 000=05", "W 000=06", "W 000=07", "W 004=20", "W 008=00", "W 01C=03", "W 000=01", "W 000=02",
                     "W 000=03", "W 000=04", "W 000=05", "W 000=06", "W 000=07", "W 000=08"}));
    const Calls job(trace.begin() + 22, trace.begin() + 36);
    EXPECT_EQ(job, (Calls{"W 004=F6", "W 008=03", "W 000=01", "W 000=00", "W 000=04", "W 000=00", "W 000=02",
                          "W 000=00", "W 000=C8", "W 000=00", "W 020=00", "W 024=01", "W 038=01", "R 038=00"}));
    EXPECT_EQ(trace[36], "W 014=00");
    EXPECT_EQ(trace[37], "W 018=00");
    EXPECT_EQ(trace[38], "W 01C=03");
    EXPECT_EQ(trace[36 + 35], "W 014=20");  // second slot
    EXPECT_EQ(trace.size(), 36u + 2 * 35);
}

TEST_F(ListExchange, CountOutsideOneTo128TouchesNothing) {
    const intptr_t h = Open();
    const Request list = ListOf(128);
    std::array<int32_t, 1024> results{};
    EXPECT_EQ(ORSG_Send1(h, list.data(), results.data(), 0), ORSG_ERR_PARAMS);
    EXPECT_EQ(ORSG_Send1(h, list.data(), results.data(), 129), ORSG_ERR_PARAMS);
    EXPECT_EQ(ORSG_Send1(h, list.data(), results.data(), 0xFFFFFFFFu), ORSG_ERR_PARAMS);
    EXPECT_TRUE(fake::Get().calls.empty());
    EXPECT_EQ(StateOf(h).stats.totalCalls, 0u);
    EXPECT_EQ(ORSG_Send1(0, list.data(), results.data(), 1), ORSG_ERR_HANDLE);
}

TEST_F(ListExchange, AccessFailureInTheSecondJobKeepsTheFirstJobsResults) {
    const intptr_t h = Open();
    const Request list = ListOf(40);
    std::array<int32_t, 1024> results;
    results.fill(-3);
    // First job: 31 * 11 + 10 + 4 + 31 * 35 accesses; fail in the second job's writes.
    fake::Get().failAtAccess = fake::Get().accesses + 31 * 11 + 14 + 31 * 35 + 5;
    EXPECT_EQ(ORSG_Send1(h, list.data(), results.data(), 40), ORSG_ERR_ACCESS);
    const auto& s = StateOf(h);
    EXPECT_EQ(s.stats.totalCalls, 31u);
    EXPECT_EQ(s.stats.totalErrors, 1u);
    EXPECT_EQ(s.recent.Entry(0).index, 30);
    EXPECT_NE(results[30 * 8 + 5], -3);
    EXPECT_EQ(results[31 * 8], -3);
}

TEST_F(Exchange, TwoHandlesOnTwoChannelsAtOnce) {
    const intptr_t a = Open(ParamsFor(0, 0, 0, 0));
    const intptr_t b = Open(ParamsFor(0, 0, 0, 3));
    EXPECT_EQ(fake::Get().cards[0].openCount, 2);  // each handle opens the card itself
    ASSERT_EQ(ORSG_SetConfig(b, 115200, 50, 0), ORSG_OK);
    Reply ra;
    Reply rb;
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(Send(a, MakeRequest({1, 0x10, i}), ra), ORSG_OK);
        ASSERT_EQ(Send(b, MakeRequest({2, 0x20, i}), rb), ORSG_OK);
        EXPECT_EQ(ra.replyByte, 0x10 ^ 0xFF);
        EXPECT_EQ(rb.replyByte, 0x20 ^ 0xFF);
        EXPECT_EQ(rb.response[2], i + 2);
    }
    for (const auto& job : fake::Get().jobs) {
        EXPECT_EQ(job.channel == 0 ? 0x10 : 0x20, job.messages[0][1]);
        EXPECT_EQ(job.block[2], job.channel == 0 ? 4 : 8);  // each handle's own speed
    }
    for (const auto& line : fake::MemoryTrace()) {
        const int offset = std::stoi(line.substr(2, 3), nullptr, 16);
        EXPECT_TRUE(offset < 0x40 || offset >= 0xC0) << line;
    }
    EXPECT_EQ(StateOf(a).stats.totalCalls, 5u);
    EXPECT_EQ(StateOf(b).stats.totalCalls, 5u);
}

}  // namespace
