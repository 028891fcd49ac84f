// The bus scan against a scripted line (order of tries, timeouts, the ways
// it ends) and, through a stand-in library, how it leaves the connection.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <QString>

#include "fake_library.h"
#include "interface/binding.h"
#include "interface/bus_scan.h"
#include "interface/connection_logic.h"

using namespace rq36;

namespace {

// Modules at their address, speed and (Modbus) parity; every call logged.
class ScriptedLine : public ScanLine {
public:
    struct Module {
        std::uint8_t address;
        std::int32_t speed;
        int parity;  // -1: any
    };
    explicit ScriptedLine(bool modbus = false) : modbus_(modbus) {}

    bool Modbus() const override { return modbus_; }
    std::int32_t Open() override {
        log.push_back("Open");
        return openResult;
    }
    std::int32_t Configure(std::int32_t speed, std::int32_t timeoutMs, std::int32_t repeatCount,
                           std::uint8_t parity) override {
        log.push_back("Configure " + std::to_string(speed) + " " + std::to_string(timeoutMs) + " " +
                      std::to_string(repeatCount) + " " + std::to_string(parity));
        speed_ = speed;
        parity_ = parity;
        return 0;
    }
    ModuleReply Request(std::uint8_t address, const ModuleCommand& c) override {
        log.push_back("Request " + std::to_string(address) + " " + std::to_string(c.d0));
        ++requests;
        if (onRequest) onRequest(requests);
        ModuleReply reply;
        if (requests == failAt) {
            reply.status = failStatus;
            return reply;
        }
        reply.status = 4;
        for (const Module& m : modules) {
            if (m.address != address || m.speed != speed_ || (m.parity >= 0 && m.parity != parity_)) continue;
            static const char kIdentity[] = "RQ-36   1.02";
            reply = ModuleReply{};
            for (int i = 0; i < 4; ++i) reply.r[static_cast<std::size_t>(i)] = kIdentity[c.d0 * 4 + i];
        }
        return reply;
    }
    void Close() override { log.push_back("Close"); }
    QString Text(std::int32_t code) override { return QStringLiteral("text %1").arg(code); }

    std::vector<Module> modules;
    std::vector<std::string> log;
    std::int32_t openResult = 0;
    int requests = 0;
    int failAt = -1;
    std::uint8_t failStatus = 33;
    std::function<void(int)> onRequest;

private:
    bool modbus_;
    std::int32_t speed_ = 0;
    std::uint8_t parity_ = 0;
};

ScanPlan Plan(std::vector<std::uint8_t> addresses, std::vector<std::int32_t> speeds,
              std::vector<std::uint8_t> parities = {}) {
    ScanPlan plan;
    plan.addresses = std::move(addresses);
    plan.speeds = std::move(speeds);
    plan.parities = std::move(parities);
    return plan;
}

std::vector<std::string> Configures(const std::vector<std::string>& log) {
    std::vector<std::string> out;
    for (const std::string& entry : log)
        if (entry.rfind("Configure", 0) == 0) out.push_back(entry);
    return out;
}

}  // namespace

TEST(BusScan, DefaultPlanPutsTheConfiguredSpeedAndParityFirst) {
    ConnectionSettings s;
    s.Speed = 19200;
    s.Parity = 1;
    s.InterfaceKind = kKindComPort;
    ScanPlan plan = DefaultScanPlan(s);
    EXPECT_EQ(plan.addresses.size(), 256u);
    EXPECT_EQ(plan.speeds, (std::vector<std::int32_t>{19200, 2400, 4800, 9600, 38400, 57600, 115200}));
    EXPECT_TRUE(plan.parities.empty());  // parity plays no part on Vextbus-2
    s.InterfaceKind = kKindModbus;
    EXPECT_EQ(DefaultScanPlan(s).parities, (std::vector<std::uint8_t>{1, 0, 2}));
}

TEST(BusScan, SpeedMajorOrderWithOneConfigurePerSpeedAndParity) {
    ScriptedLine line;
    line.modules = {{2, 2400, -1}};
    std::vector<FoundModule> found;
    const ScanOutcome out = RunBusScan(line, Plan({1, 2, 3}, {9600, 2400}),
                                       {[&](const FoundModule& m) { found.push_back(m); }, {}, nullptr});
    EXPECT_EQ(line.log, (std::vector<std::string>{"Open", "Configure 9600 41 0 0", "Request 1 0", "Request 2 0",
                                                  "Request 3 0", "Configure 2400 131 0 0", "Request 1 0", "Request 2 0",
                                                  "Request 2 1", "Request 2 2", "Request 3 0", "Close"}));
    EXPECT_EQ(out.end, ScanEnd::Completed);
    EXPECT_EQ(out.tries, 6);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].address, 2);
    EXPECT_EQ(found[0].speed, 2400);
    EXPECT_EQ(found[0].parity, -1);
    EXPECT_EQ(found[0].identity, QStringLiteral("RQ-36    v.1.02"));
    EXPECT_EQ(found[0].tries, 5);

    // Modbus RTU: every parity at each speed, in the plan's order.
    ScriptedLine modbus(true);
    modbus.modules = {{7, 19200, 1}};
    const ScanOutcome m = RunBusScan(modbus, Plan({7}, {9600, 19200}, {2, 1}), {});
    EXPECT_EQ(Configures(modbus.log), (std::vector<std::string>{"Configure 9600 75 0 2", "Configure 9600 75 0 1",
                                                                "Configure 19200 43 0 2", "Configure 19200 43 0 1"}));
    ASSERT_EQ(m.found.size(), 1u);
    EXPECT_EQ(m.found[0].parity, 1);
    EXPECT_EQ(m.found[0].tries, 4);
    EXPECT_EQ(ScanEndText(m), QStringLiteral("Vyhledávání dokončeno, nalezeno modulů: 1"));
}

TEST(BusScan, TryTimeoutIsTheExchangeLineTimeWithMarginTurnaroundAndWidening) {
    // Vextbus-2, 22 characters: 25.2 ms at 9600 Bd, 2.1 ms at 115200 Bd.
    EXPECT_EQ(ScanTryTimeoutMs(false, 9600), 41);      // 25.2 * 1.2 + 5 + 5 = 40.25
    EXPECT_EQ(ScanTryTimeoutMs(false, 115200), 13);    // 2.52 + 10
    EXPECT_EQ(ScanTryTimeoutMs(false, 9600, 20), 61);  // the user's widening
    // Modbus RTU: 40 characters and two silences of 3.5; 1.75 ms each above 19200 Bd.
    EXPECT_EQ(ScanTryTimeoutMs(true, 9600), 75);    // (45.83 + 8.02) * 1.2 + 10 = 74.6
    EXPECT_EQ(ScanTryTimeoutMs(true, 115200), 19);  // (3.82 + 3.5) * 1.2 + 10 = 18.8
    // The sweep when nothing answers: request line time plus timeout per try.
    EXPECT_NEAR(ScanSweepSeconds(Plan(AllAddresses(), {9600}), false), 256 * (11 * 11 * 1000.0 / 9600 + 41) / 1000.0,
                1e-9);
    // Before the first try the estimate is exactly that sweep.
    ScriptedLine line;
    BusScan scan(line, Plan(AllAddresses(), {9600}));
    EXPECT_EQ(scan.Progress().total, 256);
    EXPECT_NEAR(scan.Progress().secondsLeft, 256 * (11 * 11 * 1000.0 / 9600 + 41) / 1000.0, 1e-9);
}

TEST(BusScan, StopsAtTheFirstModuleWhenAsked) {
    ScriptedLine line;
    line.modules = {{3, 9600, -1}, {5, 9600, -1}};
    ScanPlan plan = Plan({1, 2, 3, 4, 5}, {9600, 2400});
    plan.stopAtFirst = true;
    const ScanOutcome out = RunBusScan(line, plan, {});
    EXPECT_EQ(out.end, ScanEnd::FoundFirst);
    ASSERT_EQ(out.found.size(), 1u);
    EXPECT_EQ(out.found[0].address, 3);
    EXPECT_EQ(line.log.back(), "Close");
    EXPECT_EQ(line.log[line.log.size() - 2], "Request 3 2");
}

TEST(BusScan, StopOnDemandEndsBeforeTheNextExchange) {
    ScriptedLine line;
    std::atomic<bool> stop{false};
    line.onRequest = [&](int n) {
        if (n == 5) stop = true;
    };
    std::vector<ScanProgress> progress;
    const ScanOutcome out = RunBusScan(line, Plan(AllAddresses(), {9600}),
                                       {{}, [&](const ScanProgress& p) { progress.push_back(p); }, &stop});
    EXPECT_EQ(out.end, ScanEnd::Stopped);
    EXPECT_EQ(line.requests, 5);
    EXPECT_EQ(line.log.back(), "Close");
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back().done, 5);
    EXPECT_EQ(progress.back().total, 256);
}

TEST(BusScan, AFailingInterfaceEndsTheScanAtOnceWithItsText) {
    // The library cannot be opened: nothing is configured or sent.
    ScriptedLine missing;
    missing.openResult = 100;
    const ScanOutcome none = RunBusScan(missing, Plan(AllAddresses(), {9600}), {});
    EXPECT_EQ(none.end, ScanEnd::Failed);
    EXPECT_EQ(missing.log, (std::vector<std::string>{"Open"}));
    EXPECT_EQ(ScanEndText(none), QStringLiteral("Vyhledávání nelze provést - text 100"));

    // The port fails during the sweep: the scan ends with that request.
    ScriptedLine busy;
    busy.failAt = 3;
    const ScanOutcome failed = RunBusScan(busy, Plan(AllAddresses(), {9600, 2400}), {});
    EXPECT_EQ(failed.end, ScanEnd::Failed);
    EXPECT_EQ(failed.error, QStringLiteral("text 33"));
    EXPECT_EQ(busy.requests, 3);
    EXPECT_EQ(busy.log.back(), "Close");

    // Through the record's interface: a library that is not there, and a
    // parameter the connection refuses, each with the program's text.
    SetInterfaceLibraryFolder(RQ36_FAKE_ORS_DIR);
    ConnectionSettings s;
    SetDefaults(&s);
    s.InterfaceKind = kKindOrsD;
    EXPECT_EQ(RunBusScan(s, Plan(AllAddresses(), {9600}), {}).error,
              QStringLiteral("chyba inicializace knihovny ORSD.DLL"));
    s.InterfaceKind = kKindOrsE;
    s.IpAddress.clear();
    EXPECT_EQ(RunBusScan(s, Plan(AllAddresses(), {9600}), {}).error, QStringLiteral("Neplatná IP adresa"));
    EXPECT_FALSE(InterfaceLoaded());
    SetInterfaceLibraryFolder({});
}

// Through a stand-in library: an open connection is used and gets its own
// line parameters back; a closed one is opened for the scan and closed again.
TEST(BusScan, LeavesTheConnectionAsItFoundIt) {
    FakeLibrary lib('A');
    ASSERT_TRUE(lib.Ok());
    lib.SetIdentity("RQ-36   1.02");
    SetInterfaceLibraryFolder(RQ36_FAKE_ORS_DIR);
    ConnectionSettings s;
    SetDefaults(&s);
    s.InterfaceKind = kKindComPort;
    s.Speed = 19200;

    const ScanOutcome closed = RunBusScan(s, Plan({4}, {2400}), {});
    ASSERT_EQ(closed.found.size(), 1u);
    EXPECT_EQ(lib.Calls(), (std::vector<std::string>{"Init 1", "SetConfig 2400 131 0", "Send 4 200 0", "Send 4 200 1",
                                                     "Send 4 200 2", "Done"}));
    EXPECT_FALSE(InterfaceLoaded());

    ors_handle_t handle = 0;
    std::array<std::int32_t, ORS_INIT_WORDS> params{};
    ASSERT_EQ(BindInterface(kKindComPort, &handle, params.data()), 0);
    s.Connected = true;
    s.LibraryHandle = handle;
    lib.Script().calls[0] = '\0';
    const ScanOutcome open = RunBusScan(s, Plan({4}, {2400}), {});
    EXPECT_EQ(open.found.size(), 1u);
    EXPECT_EQ(lib.Calls().front(), "SetConfig 2400 131 0");
    EXPECT_EQ(lib.Calls().back(), "SetConfig 19200 500 2");
    EXPECT_EQ(lib.Count("Done"), 0);
    EXPECT_TRUE(InterfaceLoaded());
    EXPECT_EQ(s.LibraryHandle, handle);
    CloseInterface(kKindComPort, &handle);
    SetInterfaceLibraryFolder({});
}

TEST(BusScan, TextsOfTheTimeLeftAndTheCsvExport) {
    EXPECT_EQ(ScanTimeLeftText(12.4), QStringLiteral("zbývá asi 12 s"));
    EXPECT_EQ(ScanTimeLeftText(65.0), QStringLiteral("zbývá asi 1 min 05 s"));
    EXPECT_EQ(ScanCsvHeader(), QStringLiteral("address,speed,parity,identity\n"));
    EXPECT_EQ(ScanCsvLine({12, 19200, -1, QStringLiteral("RQ-36    v.1.02"), 3}),
              QStringLiteral("12,19200,,\"RQ-36    v.1.02\"\n"));
    EXPECT_EQ(ScanCsvLine({1, 9600, 1, QStringLiteral("a\"b"), 3}), QStringLiteral("1,9600,odd,\"a\"\"b\"\n"));
}
