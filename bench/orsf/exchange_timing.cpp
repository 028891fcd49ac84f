// One Modbus RTU exchange of libORSF.so with the simulated module on a
// pseudo-terminal, line timing on: wall time per exchange against the
// frames' wire time, and the CPU the library's process spends meanwhile.
//
//   orsf_exchange_timing [exchanges]
//
// Wire time of one exchange: request (14 characters), frame silence,
// reply (26 characters), frame silence, 11 bits a character; the silence is
// 3.5 characters, 1.75 ms above 19200 Bd.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include "ors_contract.h"
#include "rtu.h"

extern "C" {
int32_t ORSF_Init(ors_handle_t*, int32_t);
int32_t ORSF_Done(ors_handle_t*);
int32_t ORSF_SetConfig(ors_handle_t, int32_t, uint32_t, uint32_t, int32_t);
int32_t ORSF_Send(ors_handle_t, const int32_t*, int32_t, int32_t*, int32_t*, int32_t*);
}

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRequestCharacters = 14;
constexpr int kReplyCharacters = 26;

double WireMs(std::int32_t speed) {
    const auto wire =
        rq36::rtu::CharacterTime(speed) * (kRequestCharacters + kReplyCharacters) + 2 * rq36::rtu::FrameSilence(speed);
    return std::chrono::duration<double, std::milli>(wire).count();
}

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

}  // namespace

int main(int argc, char* argv[]) {
    const int exchanges = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    QTemporaryDir dir;
    std::printf("%-7s %9s %9s %9s %9s %12s %10s\n", "speed", "wire ms", "median", "p90", "overhead", "CPU/exch ms",
                "CPU/wall");
    for (const std::int32_t speed : {115200, 9600}) {
        const QString config = dir.filePath(QStringLiteral("sim_%1.conf").arg(speed));
        {
            QFile file(config);
            if (!file.open(QIODevice::WriteOnly)) return 1;
            QTextStream(&file) << "[module modbus]\nprotocol = modbus\nspeed = " << speed << "\n";
        }
        QStringList env = QProcess::systemEnvironment();
        env << QStringLiteral("RQ36_SIM_CONFIG=") + config << QStringLiteral("RQ36_SIM_INSTANT=0")
            << QStringLiteral("RQ36_SIM_STATE=:memory:") << QStringLiteral("RQ36_SIM_FAULT=");
        QProcess sim;
        sim.setEnvironment(env);
        sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim.start(QStringLiteral(RQ36_MODBUS_SIM), {QStringLiteral("--exit-with-parent")});
        while (sim.waitForStarted(10000) && !sim.canReadLine() && sim.waitForReadyRead(10000)) {}
        const QByteArray device = sim.readLine().trimmed();
        if (device.isEmpty()) {
            std::fprintf(stderr, "the simulator did not start\n");
            return 1;
        }
        qputenv("RQ36_COM1", device);

        ors_handle_t h = 0;
        if (ORSF_Init(&h, 1) != 0 || ORSF_SetConfig(h, speed, 500, 0, 1) != 0) {
            std::fprintf(stderr, "cannot open %s\n", device.constData());
            return 1;
        }
        const std::vector<int32_t> request = {1, 69, 0, 8, 1, 0x00, 0x40, 0, 0, 0, 0, 0};  // read DIN
        std::vector<int32_t> frame(ORS_MODBUS_FRAME_WORDS);
        std::vector<double> wall;
        int32_t count = 0, status = 0;
        ORSF_Send(h, request.data(), 12, frame.data(), &count, &status);  // settle the line once
        const std::clock_t cpuStart = std::clock();
        const Clock::time_point wallStart = Clock::now();
        for (int i = 0; i < exchanges; ++i) {
            const Clock::time_point t0 = Clock::now();
            ORSF_Send(h, request.data(), 12, frame.data(), &count, &status);
            wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            if (status != 0) {
                std::fprintf(stderr, "status %d at %d Bd\n", status, speed);
                return 1;
            }
        }
        const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - wallStart).count();
        ORSF_Done(&h);
        sim.terminate();
        sim.waitForFinished(5000);

        const double median = Percentile(wall, 0.5);
        std::printf("%-7d %9.2f %9.2f %9.2f %9.2f %12.4f %9.2f%%\n", speed, WireMs(speed), median,
                    Percentile(wall, 0.9), median - WireMs(speed), cpuMs / exchanges, 100.0 * cpuMs / wallMs);
    }
    return 0;
}
