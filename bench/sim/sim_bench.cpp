// Cost of the emulation: one card job as the ORS-G library drives it, with
// line timing off (the emulation's own overhead) and on (against the line
// time of its frames); one module request; one stand-in library exchange.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "card_session.h"
#include "line.h"
#include "module.h"
#include "ors_contract.h"

extern "C" {
int32_t ORSA_Init(ors_handle_t*, int32_t);
int32_t ORSA_SetConfig(ors_handle_t, int32_t, uint32_t, uint32_t);
int32_t ORSA_Send(ors_handle_t, const int32_t*, int32_t*, int32_t*, int32_t*);
int32_t ORSA_Done(ors_handle_t*);
}

namespace {

using Msg = std::array<std::uint8_t, 8>;
constexpr Msg kReadAin0 = {1, 0x00, 0x00, 0, 0, 0, 0, 0};

void Configure(bool instant) {
    ::setenv("RQ36_SIM_STATE", ":memory:bench", 1);
    ::setenv("RQ36_SIM_INSTANT", instant ? "1" : "0", 1);
    ::unsetenv("RQ36_SIM_CONFIG");
    ::unsetenv("RQ36_SIM_FAULT");
}

int SpeedCode(std::int32_t speed) { return speed == 115200 ? 8 : speed == 19200 ? 5 : 4; }

// Writes the module's speed into its memory and restarts it, through the card.
void MoveModuleTo(simtest::CardSession& s, std::int32_t speed) {
    const auto code = static_cast<std::uint8_t>(SpeedCode(speed));
    for (int from : {4, 5, 8}) {
        s.Send({1, 0x67, 0, 0, 0x3E, 0x3E, code, code}, from, 0, 20);
        s.Send({1, 0x01, 0xFF, 0, 0xFF, 0x01, 0x00, 0xFF}, from, 0, 20);
    }
}

void BmCardJobInstant(benchmark::State& state) {
    Configure(true);
    simtest::CardSession s;
    if (!s.Open() || s.StartUp() < 0) {
        state.SkipWithError("no card");
        return;
    }
    for (auto _ : state) {
        const auto r = s.Send(kReadAin0);
        benchmark::DoNotOptimize(r);
    }
    state.SetLabel("whole job: 8 message bytes, job block, start, poll, 32 bytes back");
}
BENCHMARK(BmCardJobInstant);

void BmCardJobLineTiming(benchmark::State& state) {
    const auto speed = static_cast<std::int32_t>(state.range(0));
    Configure(true);
    {
        simtest::CardSession setup;
        setup.Open();
        setup.StartUp();
        MoveModuleTo(setup, speed);
    }
    Configure(false);
    simtest::CardSession s;
    if (!s.Open() || s.StartUp() < 0) {
        state.SkipWithError("no card");
        return;
    }
    const double lineMs =
        std::chrono::duration<double, std::milli>(
            rq36sim::AnsweredExchangeTime(rq36sim::LineParams{rq36sim::Protocol::Vextbus2, speed, 0}, {}))
            .count();
    int failures = 0;
    for (auto _ : state) {
        s.WriteBurst(0, std::vector<std::uint8_t>(kReadAin0.begin(), kReadAin0.end()), true);
        s.WriteJobBlock(0, SpeedCode(speed), 0, 200);
        s.Write(s.Reg(8), 0);
        s.Write(s.Reg(9), 0);
        s.Write(s.Reg(14), 1);
        while (s.Read(s.Reg(14)) != 0) {}
        failures += s.ReadSlot(0).status[0] != 0;
    }
    state.counters["line_ms"] = lineMs;
    state.counters["failed"] = failures;
    Configure(true);
}
BENCHMARK(BmCardJobLineTiming)->Arg(9600)->Iterations(40)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BmCardJobLineTiming)->Arg(115200)->Iterations(400)->Unit(benchmark::kMillisecond)->UseRealTime();

void BmModuleRequest(benchmark::State& state) {
    rq36sim::Faults faults;
    rq36sim::Module m("bench", rq36sim::ModuleState::Factory({}), &faults);
    const auto reg = static_cast<std::uint8_t>(state.range(0));
    const rq36sim::Message msg = {1, 0x00, reg, 0, 0, 0, 0, 0};
    for (auto _ : state) benchmark::DoNotOptimize(m.Execute(msg, rq36sim::Clock::now()));
}
BENCHMARK(BmModuleRequest)->Arg(0x00)->Arg(0x11)->Arg(0x50);

void BmStandInSend(benchmark::State& state) {
    const bool timed = state.range(1) != 0;
    const auto speed = static_cast<std::int32_t>(state.range(0));
    Configure(!timed);
    ors_handle_t h = 0;
    if (ORSA_Init(&h, 1) != 0) {
        state.SkipWithError("init");
        return;
    }
    ORSA_SetConfig(h, 9600, 200, 0);
    std::int32_t req[ORS_REQUEST_WORDS] = {1, 0x67, 0, 0, 0x3E, 0x3E, SpeedCode(speed), SpeedCode(speed)};
    std::int32_t resp[ORS_RESPONSE_WORDS] = {}, reply = 0, status = 0;
    ORSA_Send(h, req, resp, &reply, &status);
    const std::int32_t restart[8] = {1, 0x01, 0xFF, 0, 0xFF, 0x01, 0x00, 0xFF};
    std::copy(std::begin(restart), std::end(restart), req);
    ORSA_Send(h, req, resp, &reply, &status);
    ORSA_SetConfig(h, speed, 200, 0);
    const std::int32_t read[8] = {1, 0x00, 0x00, 0, 0, 0, 0, 0};
    std::copy(std::begin(read), std::end(read), req);
    int failures = 0;
    for (auto _ : state) {
        ORSA_Send(h, req, resp, &reply, &status);
        failures += status != 0;
    }
    state.counters["line_ms"] =
        std::chrono::duration<double, std::milli>(
            rq36sim::AnsweredExchangeTime(rq36sim::LineParams{rq36sim::Protocol::Vextbus2, speed, 0}, {}))
            .count();
    state.counters["failed"] = failures;
    ORSA_Done(&h);
    Configure(true);
}
BENCHMARK(BmStandInSend)->Args({9600, 0})->Unit(benchmark::kMicrosecond);
BENCHMARK(BmStandInSend)->Args({9600, 1})->Iterations(40)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BmStandInSend)->Args({115200, 1})->Iterations(400)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
