// The record of exchanges: the ring, the filters, the per-address figures,
// the one formatter (table, CSV, trace), and the one-at-a-time rule of the
// request call.
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include <QBuffer>
#include <QDateTime>

#include "fake_library.h"
#include "interface/binding.h"
#include "interface/exchange_trace.h"
#include "interface/module_request.h"
#include "interface/traffic_ring.h"
#include "module/command_set.h"

namespace {

using rq36::ExchangeRecord;
using rq36::TrafficRing;

ExchangeRecord Record(std::uint8_t address, std::uint8_t command, std::uint8_t status, std::int32_t durationUs) {
    ExchangeRecord r;
    r.startedMs = QDateTime(QDate(2026, 12, 8), QTime(9, 15, 2, 120)).toMSecsSinceEpoch();
    r.durationUs = durationUs;
    r.kind = 4;
    r.request = {address, command, 0, 0, 0, 0, 0, 0xAB};
    r.status = status;
    if (status == 0) r.reply = {0, 0x52, 0x51, 0x2D, 0x33};
    return r;
}

std::vector<std::uint64_t> All(const TrafficRing& ring) {
    std::vector<std::uint64_t> seq;
    for (std::uint64_t s = ring.First(); s < ring.Total(); ++s) seq.push_back(s);
    return seq;
}

// Status 26 reads as a timeout, every other failure not.
QString Texts(std::uint8_t, std::uint8_t status) {
    return status == 26 ? QStringLiteral("Timeout - nepřišla žádná odpověď") : QStringLiteral("jiná chyba");
}

TEST(TrafficRing, WrapsAroundKeepingTheNewest) {
    TrafficRing ring(4);
    for (int i = 0; i < 6; ++i) ring.Push(Record(static_cast<std::uint8_t>(i), 0, 0, i));
    EXPECT_EQ(ring.Total(), 6u);
    EXPECT_EQ(ring.Size(), 4u);
    EXPECT_EQ(ring.First(), 2u);
    EXPECT_EQ(ring.Find(1), nullptr);  // overwritten
    EXPECT_EQ(ring.Find(6), nullptr);  // not yet
    ASSERT_NE(ring.Find(2), nullptr);
    EXPECT_EQ(ring.Find(2)->Address(), 2);
    EXPECT_EQ(ring.Find(5)->Address(), 5);
    ring.Clear();
    EXPECT_EQ(ring.Size(), 0u);
    ring.Push(Record(9, 0, 0, 0));
    EXPECT_EQ(ring.Size(), 1u);
    EXPECT_EQ(ring.Find(6)->Address(), 9);  // numbering goes on
    EXPECT_GE(rq36::ProgramTraffic().Capacity(), 100000u);
}

TEST(TrafficRing, FiltersOnFailuresAddressAndCommand) {
    const ExchangeRecord ok = Record(1, 0x00, 0, 10);
    const ExchangeRecord failed = Record(2, 0xC8, 26, 10);
    rq36::TrafficFilter filter;
    EXPECT_TRUE(filter.Accepts(ok) && filter.Accepts(failed));
    filter.failuresOnly = true;
    EXPECT_FALSE(filter.Accepts(ok));
    EXPECT_TRUE(filter.Accepts(failed));
    filter = {};
    filter.address = 1;
    EXPECT_TRUE(filter.Accepts(ok));
    EXPECT_FALSE(filter.Accepts(failed));
    filter = {};
    filter.command = 0xC8;
    EXPECT_FALSE(filter.Accepts(ok));
    EXPECT_TRUE(filter.Accepts(failed));
}

TEST(TrafficRing, PercentilesByNearestRank) {
    std::vector<std::int32_t> none;
    EXPECT_EQ(rq36::Percentile(none, 50), 0);
    std::vector<std::int32_t> values;
    for (int i = 100; i >= 1; --i) values.push_back(i);  // 1..100, unsorted
    EXPECT_EQ(rq36::Percentile(values, 50), 50);
    EXPECT_EQ(rq36::Percentile(values, 99), 99);
    std::vector<std::int32_t> one = {7};
    EXPECT_EQ(rq36::Percentile(one, 99), 7);
}

TEST(TrafficRing, FiguresPerAddress) {
    TrafficRing ring(16);
    for (int i = 1; i <= 10; ++i) ring.Push(Record(1, 0, 0, i * 100));
    ring.Push(Record(2, 0, 26, 5000));
    ring.Push(Record(2, 0, 26, 5000));
    ring.Push(Record(2, 0, 3, 1000));
    rq36::StatusTextCache texts(Texts);
    const std::vector<rq36::AddressFigures> figures = rq36::FiguresOf(ring, All(ring), texts);
    ASSERT_EQ(figures.size(), 2u);
    EXPECT_EQ(figures[0].address, 1);
    EXPECT_EQ(figures[0].exchanges, 10);
    EXPECT_EQ(figures[0].failures, 0);
    EXPECT_EQ(figures[0].medianUs, 500);
    EXPECT_EQ(figures[0].p99Us, 1000);
    EXPECT_EQ(figures[1].exchanges, 3);
    EXPECT_EQ(figures[1].failures, 3);
    EXPECT_EQ(figures[1].timeouts, 2);
    EXPECT_EQ(figures[1].failuresByStatus.at(26), 2);
    EXPECT_EQ(figures[1].failuresByStatus.at(3), 1);
    EXPECT_EQ(figures[1].medianUs, 5000);
}

// One formatter: the trace row and the CSV line carry the same field texts
// the monitor's table shows.
TEST(TrafficRing, OneFormatterForTableCsvAndTrace) {
    const ExchangeRecord r = Record(1, rq36::kCmdReadIdentity, 26, 2310);
    const QString status = Texts(r.kind, r.status);
    EXPECT_EQ(rq36::ExchangeField(r, rq36::kColCommand), QStringLiteral("C8 identifikace"));
    EXPECT_EQ(rq36::ExchangeField(r, rq36::kColKind), QStringLiteral("ORSE"));
    EXPECT_EQ(rq36::ExchangeField(r, rq36::kColStatus, status), QStringLiteral("26 Timeout - nepřišla žádná odpověď"));
    EXPECT_EQ(rq36::ExchangeRowText(r, status),
              QStringLiteral("2026-12-08T09:15:02.120  2.310 ms  ORSE  1  C8 identifikace  > 01 C8 00 00 00 00 00 AB  "
                             "status 26 Timeout - nepřišla žádná odpověď  < 00 00 00 00 00"));

    TrafficRing ring(4);
    ring.Push(r);
    rq36::StatusTextCache texts(Texts);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(rq36::WriteTrafficCsv(buffer, ring, All(ring), texts));
    EXPECT_EQ(QString::fromUtf8(buffer.data()),
              QStringLiteral("Čas,Trvání [ms],Rozhraní,Adresa,Příkaz,Požadavek,Stav,Odpověď\n"
                             "2026-12-08T09:15:02.120,2.310,ORSE,1,C8 identifikace,01 C8 00 00 00 00 00 AB,"
                             "26 Timeout - nepřišla žádná odpověď,00 00 00 00 00\n"));
    EXPECT_EQ(rq36::ExchangeColumnHeaders().size(), rq36::kExchangeColumns);
    EXPECT_EQ(rq36::CommandName(0x99), QStringLiteral("neznámý příkaz"));
}

// Two pollers: while the first waits for its reply the library lets the
// host run, and the second poller's tick comes.  Its request must not start
// inside the first; it is refused with the busy status and succeeds on its
// next tick.  Every exchange that reached the line is in the ring.
class TwoPollers : public ::testing::Test {
protected:
    void SetUp() override {
        lib_ = std::make_unique<FakeLibrary>('A');
        ASSERT_TRUE(lib_->Ok());
        rq36::SetInterfaceLibraryFolder(RQ36_FAKE_ORS_DIR);
        std::array<std::int32_t, ORS_INIT_WORDS> params{};
        ASSERT_EQ(rq36::BindInterface(kKind, &handle_, params.data()), 0);
    }
    void TearDown() override {
        if (rq36::InterfaceLoaded()) rq36::CloseInterface(kKind, &handle_);
        rq36::SetInterfaceLibraryFolder({});
    }

public:
    std::uint8_t Poll(std::uint8_t address) {
        std::uint8_t d1 = 0, d2 = 0, d3 = 0, d4 = 0, d5 = 0, status = 0;
        rq36::ModuleRequest(kKind, handle_, address, rq36::kCmdReadRegister, 0, d1, d2, d3, d4, d5, status, nullptr);
        return status;
    }

    static constexpr std::uint8_t kKind = 0;
    std::unique_ptr<FakeLibrary> lib_;
    ors_handle_t handle_ = 0;
};

TEST_F(TwoPollers, NoRequestStartsInsideAnother) {
    struct Second {
        TwoPollers* test;
        std::uint8_t status = 0;
        int ticks = 0;
    } second{this};
    // The second poller's tick, as the event loop would run it during the wait.
    lib_->Script().duringSend = [](void* context) {
        auto* s = static_cast<Second*>(context);
        if (s->ticks++ == 0) s->status = s->test->Poll(2);
    };
    lib_->Script().duringSendContext = &second;
    const std::uint64_t before = rq36::ProgramTraffic().Total();

    EXPECT_EQ(Poll(1), 0);
    EXPECT_EQ(second.status, rq36::kStatusRequestBusy);
    EXPECT_EQ(rq36::StatusMessage(kKind, rq36::kStatusRequestBusy),
              QStringLiteral("komunikace s modulem právě probíhá"));
    EXPECT_EQ(Poll(2), 0);  // the second poller's next tick
    EXPECT_EQ(lib_->Script().nestedSends, 0);
    EXPECT_EQ(lib_->Script().sendCalls, 2);
    EXPECT_FALSE(rq36::RequestInFlight());

    // Only the two exchanges that reached the line were recorded.
    const rq36::TrafficRing& ring = rq36::ProgramTraffic();
    ASSERT_EQ(ring.Total() - before, 2u);
    EXPECT_EQ(ring.Find(before)->Address(), 1);
    EXPECT_EQ(ring.Find(before)->kind, kKind);
    EXPECT_EQ(ring.Find(before + 1)->Address(), 2);
    EXPECT_GE(ring.Find(before)->durationUs, 0);
}

}  // namespace
