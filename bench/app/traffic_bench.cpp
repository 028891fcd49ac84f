// The cost of the record of exchanges: recording one exchange as the
// request call does it (time stamps, a copy into the program's ring), and
// the traffic monitor's refresh with 100,000 rows shown and 100 new rows
// per refresh (the table following the end), with and without the
// per-address figures it works out once a second.
#include <benchmark/benchmark.h>

#include <chrono>

#include <QApplication>
#include <QDateTime>
#include <QTableView>
#include <QTimer>

#include "interface/exchange_trace.h"
#include "interface/traffic_monitor.h"
#include "interface/traffic_ring.h"

namespace {

rq36::ExchangeRecord Sample(std::uint64_t i) {
    rq36::ExchangeRecord r;
    r.startedMs = 1765000000000 + static_cast<std::int64_t>(i);
    r.durationUs = static_cast<std::int32_t>(1000 + i % 700);
    r.kind = 6;
    r.request = {static_cast<std::uint8_t>(1 + i % 3), 0x00, 0x40, 0, 0, 0, 0, 0};
    r.status = i % 97 == 0 ? 26 : 0;
    return r;
}

// What the request call adds around the library's Send.
void BM_RecordExchange(benchmark::State& state) {
    std::uint8_t byte = 0;
    for (auto _ : state) {
        rq36::ExchangeRecord record;
        record.kind = 6;
        record.request = {1, 0, 0x40, 0, 0, 0, 0, byte++};
        record.startedMs = QDateTime::currentMSecsSinceEpoch();
        const auto sent = std::chrono::steady_clock::now();
        record.durationUs = static_cast<std::int32_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - sent).count());
        record.reply = {0, 3, 0, 0, 0};
        rq36::ReportExchange(record);
        benchmark::DoNotOptimize(record);
    }
}
BENCHMARK(BM_RecordExchange);

// The table's rows alone: 100 new rows into 100,000, the oldest let go once
// the ring is full.
void BM_ModelRefresh(benchmark::State& state) {
    rq36::TrafficRing ring;
    std::uint64_t n = 0;
    for (; n < ring.Capacity(); ++n) ring.Push(Sample(n));
    rq36::TrafficModel model(ring, {});
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) ring.Push(Sample(n++));
        benchmark::DoNotOptimize(model.Refresh());
    }
    state.counters["rows"] = model.rowCount();
}
BENCHMARK(BM_ModelRefresh)->Unit(benchmark::kMicrosecond);

// One refresh of a shown monitor: 100 new rows into 100,000.
void MonitorRefresh(benchmark::State& state, bool withFigures) {
    rq36::TrafficRing ring;
    std::uint64_t n = 0;
    for (; n < 100000; ++n) ring.Push(Sample(n));
    TFormKomunikace monitor(ring);
    monitor.show();
    monitor.Timer1->stop();
    QApplication::processEvents();
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) ring.Push(Sample(n++));
        if (withFigures) {
            // Every refresh takes the figures' turn.
            for (int k = 0; k < 4; ++k) monitor.Timer1Timer();
        } else {
            monitor.Model()->Refresh();
            monitor.Table1->scrollToBottom();
        }
        QApplication::processEvents();  // the view repaints
    }
    state.counters["rows"] = monitor.Model()->rowCount();
}
void BM_MonitorRefresh(benchmark::State& state) { MonitorRefresh(state, false); }
void BM_MonitorRefreshWithFigures(benchmark::State& state) { MonitorRefresh(state, true); }
BENCHMARK(BM_MonitorRefresh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonitorRefreshWithFigures)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
