// The bus scan's sweep of an empty line against what its tries must cost:
// 256 addresses at one speed with the simulated line's timing on, at 9600
// and 115200 Bd, through the ORSA stand-in (kind 0) and the ORS-G card
// (kind 6), against 256 x (the request's line time + the try's timeout).
// Then the whole default sweep (256 addresses x 7 speeds): predicted from
// the measured ratio, or measured with --full.
//
//   w_rq36_scan_timing [--full] [--addresses N]
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include <QCoreApplication>

#include "connection_settings.h"
#include "interface/binding.h"
#include "interface/bus_scan.h"

namespace {

double SweepSeconds(const rq36::ConnectionSettings& record, const rq36::ScanPlan& plan) {
    const auto start = std::chrono::steady_clock::now();
    const rq36::ScanOutcome out = rq36::RunBusScan(record, plan, {});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (out.end != rq36::ScanEnd::Completed || !out.found.empty()) {
        std::fprintf(stderr, "sweep did not run through an empty line: %s\n", qPrintable(rq36::ScanEndText(out)));
        return -1.0;
    }
    return seconds;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    bool full = false;
    int addresses = 256;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--full") == 0) full = true;
        if (std::strcmp(argv[i], "--addresses") == 0 && i + 1 < argc) addresses = std::atoi(argv[++i]);
    }
    if (addresses < 1 || addresses > 256) addresses = 256;
    // Line timing on, nobody on the line, the libraries of this build.
    qputenv("RQ36_SIM_INSTANT", "0");
    qputenv("RQ36_SIM_FAULT", "module_silent");
    qputenv("RQ36_SIM_STATE", ":memory:");
    qunsetenv("RQ36_SIM_CONFIG");
    rq36::SetInterfaceLibraryFolder(RQ36_BIN_DIR);

    std::printf("%-5s %-7s %5s %9s %9s %10s %10s %6s\n", "kind", "speed", "tries", "req ms", "timeout", "expected s",
                "measured s", "ratio");
    double worstRatio = 0.0;
    for (int kind : {rq36::kKindComPort, rq36::kKindOrsG}) {
        rq36::ConnectionSettings record;
        rq36::SetDefaults(&record);
        record.InterfaceKind = static_cast<std::uint8_t>(kind);
        for (std::int32_t speed : {9600, 115200}) {
            rq36::ScanPlan plan;
            for (int a = 0; a < addresses; ++a) plan.addresses.push_back(static_cast<std::uint8_t>(a));
            plan.speeds = {speed};
            const double expected = rq36::ScanSweepSeconds(plan, false);
            const double measured = SweepSeconds(record, plan);
            if (measured < 0) return 1;
            const double ratio = measured / expected;
            worstRatio = std::max(worstRatio, ratio);
            std::printf("%-5d %-7d %5d %9.3f %9d %10.3f %10.3f %6.3f\n", kind, speed, addresses,
                        rq36::ScanRequestLineMs(false, speed), rq36::ScanTryTimeoutMs(false, speed), expected, measured,
                        ratio);
        }
    }

    rq36::ConnectionSettings record;
    rq36::SetDefaults(&record);
    const rq36::ScanPlan sweep = rq36::DefaultScanPlan(record);
    const double fullExpected = rq36::ScanSweepSeconds(sweep, false);
    std::printf("\nfull sweep 256 x 7 at the default timeouts: %.1f s on the line", fullExpected);
    if (full) {
        const double measured = SweepSeconds(record, sweep);
        if (measured < 0) return 1;
        std::printf(", measured %.1f s (kind 0)\n", measured);
    } else {
        std::printf(", about %.1f s at the worst ratio measured above\n", fullExpected * worstRatio);
    }
    return 0;
}
