// Latency of one ORSG_Send against the emulated card with line timing, set
// against the line time the card reports for the job: what the 1 ms poll
// adds on top of the line.
//
//   orsg_line_latency [exchanges [speed]]   (default 2000 at 115200 Bd;
//                                            speeds 2400..115200 Bd)
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "library_state.h"
#include "orsg.h"

namespace {

using Clock = std::chrono::steady_clock;

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

void Print(const char* what, const std::vector<double>& v) {
    std::printf("%-34s median %7.3f ms   p99 %7.3f ms   max %7.3f ms\n", what, Percentile(v, 0.5), Percentile(v, 0.99),
                Percentile(v, 1.0));
}

}  // namespace

int main(int argc, char** argv) {
    const int exchanges = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
    const int32_t speed = argc > 2 ? std::atoi(argv[2]) : 115200;

    char tmpl[] = "/tmp/orsglatXXXXXX";
    if (mkdtemp(tmpl) == nullptr) return 1;
    const std::string dir = tmpl;
    std::ofstream(dir + "/sim.ini") << "[module main]\nspeed = " << speed << "\nnoise = off\n";
    setenv("RQ36_SIM_CONFIG", (dir + "/sim.ini").c_str(), 1);
    setenv("RQ36_SIM_STATE", ":memory:latency", 1);
    setenv("RQ36_SIM_INSTANT", "0", 1);

    intptr_t h = 0;
    const std::array<int32_t, 16> params{};
    int32_t result = ORSG_Init(&h, params.data());
    if (result == ORSG_OK) result = ORSG_SetConfig(h, speed, 200, 2);
    if (result != ORSG_OK) {
        std::fprintf(stderr, "ORSG could not open the emulated card: %d\n", result);
        std::filesystem::remove_all(dir);
        return 1;
    }
    const auto& state = *reinterpret_cast<const orsg::LibraryState*>(h);

    std::array<int32_t, 1024> request{};
    request[0] = 1;     // module address
    request[1] = 0xC8;  // identity
    std::array<int32_t, 1024> response{};
    int32_t reply = 0;
    int32_t status = 0;

    std::vector<double> wall;
    std::vector<double> line;
    std::vector<double> added;
    int failed = 0;
    for (int i = 0; i < exchanges + 20; ++i) {
        const auto t0 = Clock::now();
        result = ORSG_Send(h, request.data(), response.data(), &reply, &status);
        const auto t1 = Clock::now();
        if (result != ORSG_OK || status != 0) {
            ++failed;
            continue;
        }
        if (i < 20) continue;  // warm-up
        const double wallMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
        const double lineMs = state.recent.Entry(0).duration / 10.0;
        wall.push_back(wallMs);
        line.push_back(lineMs);
        added.push_back(wallMs - lineMs);
    }
    ORSG_Done(&h);

    std::vector<double> sleeps;
    for (int i = 0; i < 500; ++i) {
        const auto t0 = Clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        sleeps.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }

    std::printf("ORSG_Send at %d Bd, %zu exchanges (%d failed)\n", speed, wall.size(), failed);
    Print("line time reported by the card", line);
    Print("ORSG_Send wall time", wall);
    Print("added by ORSG (wall - line)", added);
    Print("one sleep_for(1 ms), for scale", sleeps);
    std::filesystem::remove_all(dir);
    return failed == 0 ? 0 : 2;
}
