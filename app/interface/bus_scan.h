// The bus scan: finds the modules on a line by sweeping addresses, speeds
// and (Modbus RTU) parities with the identity request, one exchange at a
// time.  No window: the scan window drives it step by step from its event
// loop, a command-line tool runs it to the end with RunBusScan.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include <QString>

#include "connection_settings.h"
#include "module/command_set.h"

namespace rq36 {

// ---- what to sweep -----------------------------------------------------------

struct ScanPlan {
    std::vector<std::uint8_t> addresses;  // in the order tried
    std::vector<std::int32_t> speeds;     // Bd, in the order tried
    std::vector<std::uint8_t> parities;   // parity indices (0 even, 1 odd, 2 none); Modbus RTU only
    bool stopAtFirst = false;
    std::int32_t extraTimeoutMs = 0;  // the user's widening of every try's timeout (a slow converter)
};

// The most a user may widen every try's timeout by, in ms.
inline constexpr std::int32_t kScanMaxExtraTimeoutMs = 5000;

// Every address 0..255.
std::vector<std::uint8_t> AllAddresses();
// The seven speeds the module runs at (2400 .. 115200 Bd), `first` moved to
// the front when it is one of them.
std::vector<std::int32_t> ModuleSpeedsFirst(std::int32_t first);
// The three parities, `first` (a parity index) moved to the front.
std::vector<std::uint8_t> ParitiesFirst(std::uint8_t first);
// The default plan for the record: every address, every module speed and,
// for a Modbus kind, every parity, the record's own speed and parity first.
ScanPlan DefaultScanPlan(const ConnectionSettings& settings);

// ---- the timing of a try --------------------------------------------------------

// The module's reaction time between the end of a request and the start of
// its reply that a try allows for, and the allowance for the host's
// scheduling and the interface's own latency (see docs/bus_scan.md).
inline constexpr double kScanTurnaroundMs = 5.0;
inline constexpr double kScanLatencyMs = 5.0;
// The share of the exchange's line time added as margin.
inline constexpr double kScanLineMargin = 0.2;

// Line time of the identity request alone, and of the whole exchange
// (request, reply and the frames' silences), in ms.
double ScanRequestLineMs(bool modbus, std::int32_t speed);
double ScanExchangeLineMs(bool modbus, std::int32_t speed);
// The reply timeout of one try at that speed: the exchange's line time with
// its margin, plus turnaround and latency, rounded up to whole ms, plus the
// user's widening.
std::int32_t ScanTryTimeoutMs(bool modbus, std::int32_t speed, std::int32_t extraMs = 0);
// What the sweep costs when nothing answers: every try's request line time
// plus its timeout, in seconds.
double ScanSweepSeconds(const ScanPlan& plan, bool modbus);

// ---- results ---------------------------------------------------------------------

struct FoundModule {
    std::uint8_t address = 0;
    std::int32_t speed = 0;
    int parity = -1;  // parity index; -1 on a line without parity (Vextbus-2)
    QString identity;
    int tries = 0;  // tries made up to and including the one that found it
};

struct ScanProgress {
    int done = 0;
    int total = 0;
    double secondsLeft = 0.0;
};

enum class ScanEnd { Running, Completed, Stopped, FoundFirst, Failed };

struct ScanOutcome {
    ScanEnd end = ScanEnd::Running;
    QString error;  // Failed: the program's text for the interface's failure
    std::vector<FoundModule> found;
    int tries = 0;
};

// Status texts of the scan window (each after one blank).
inline constexpr char kScanRunning[] = "Probíhá vyhledávání modulů";
inline constexpr char kScanCompleted[] = "Vyhledávání dokončeno, nalezeno modulů: ";
inline constexpr char kScanNoneFound[] = "Vyhledávání dokončeno, žádný modul nenalezen";
inline constexpr char kScanStopped[] = "Vyhledávání zastaveno, nalezeno modulů: ";
inline constexpr char kScanFoundFirst[] = "Modul nalezen, vyhledávání ukončeno";
inline constexpr char kScanFailedPrefix[] = "Vyhledávání nelze provést - ";
// The text of the outcome, without the leading blank.
QString ScanEndText(const ScanOutcome& outcome);

// The time left as the window shows it: "zbývá asi 1 min 05 s", "zbývá asi 12 s".
QString ScanTimeLeftText(double seconds);
// The modules found as CSV: header "address,speed,parity,identity", then one
// line per module (parity even, odd or none; empty on Vextbus-2; the
// identity quoted), each ended by a line feed.
QString ScanCsvHeader();
QString ScanCsvLine(const FoundModule& module);

// ---- the line ------------------------------------------------------------------------

// The interface the scan talks through.  Tests put a scripted line here.
class ScanLine {
public:
    virtual ~ScanLine() = default;
    // Whether requests travel as Modbus RTU (parity matters, frames longer).
    virtual bool Modbus() const = 0;
    // Makes the interface ready: 0, or a result code.
    virtual std::int32_t Open() = 0;
    // SetConfig: speed in Bd, reply timeout in ms, repetitions, parity index.
    virtual std::int32_t Configure(std::int32_t speed, std::int32_t timeoutMs, std::int32_t repeatCount,
                                   std::uint8_t parity) = 0;
    virtual ModuleReply Request(std::uint8_t address, const ModuleCommand& command) = 0;
    // Leaves the interface as Open found it.
    virtual void Close() = 0;
    // The program's text for a result code or status.
    virtual QString Text(std::int32_t code) = 0;
};

// The interface of the record.  A record that is connected is used as it
// is and gets its own speed, timeout and parity back at Close; otherwise the
// kind's library is bound with the record's parameters and closed again.
// The record itself is never changed.
class BoundScanLine : public ScanLine {
public:
    explicit BoundScanLine(const ConnectionSettings& settings) : settings_(settings) {}
    ~BoundScanLine() override;
    // ORS-G: the card at this PCI bus and slot instead of the first one
    // found (as ConnectionInputs chooses it).
    void ChooseCard(int bus, int slot) {
        cardBus_ = bus;
        cardSlot_ = slot;
    }
    bool Modbus() const override;
    std::int32_t Open() override;
    std::int32_t Configure(std::int32_t speed, std::int32_t timeoutMs, std::int32_t repeatCount,
                           std::uint8_t parity) override;
    ModuleReply Request(std::uint8_t address, const ModuleCommand& command) override;
    void Close() override;
    QString Text(std::int32_t code) override;

private:
    const ConnectionSettings& settings_;
    ors_handle_t handle_ = 0;
    bool ownsLibrary_ = false;
    bool open_ = false;
    QString openError_;
    int cardBus_ = -1;
    int cardSlot_ = -1;
};

// Whether a request's status says only that nothing (valid) answered at that
// address, speed and parity, so the sweep goes on; any other status is a
// failure of the interface and ends the scan.
bool IsLineStatus(std::uint8_t status);

// ---- the scan ------------------------------------------------------------------------

// The sweep, speed-major: one SetConfig per speed (and parity), then every
// address.  Each Step makes at most one call into the interface, so a caller
// that returns to its event loop between steps stays responsive and a stop
// takes effect before the next exchange.
class BusScan {
public:
    using Clock = std::chrono::steady_clock;

    BusScan(ScanLine& line, ScanPlan plan);

    // One call into the interface; false once the scan has ended (the line
    // is closed again then).
    bool Step();
    // Ends the scan at the next step (which closes the line).
    void Stop() { stopRequested_ = true; }

    ScanProgress Progress() const;
    const ScanOutcome& Outcome() const { return outcome_; }
    bool Running() const { return outcome_.end == ScanEnd::Running; }

    std::function<void(const FoundModule&)> onFound;

private:
    enum class Phase { Open, Configure, Try, Confirm, Close, Done };

    int Groups() const;
    std::int32_t GroupSpeed() const;
    std::uint8_t GroupParity() const;
    void Finish(ScanEnd end, const QString& error = {});
    void NextTry();

    ScanLine& line_;
    ScanPlan plan_;
    bool modbus_;
    Phase phase_ = Phase::Open;
    ScanEnd pendingEnd_ = ScanEnd::Completed;
    bool stopRequested_ = false;
    int group_ = 0;
    std::size_t address_ = 0;
    int confirmPart_ = 1;
    int confirmAttempt_ = 0;
    std::array<QString, 3> parts_;
    ScanOutcome outcome_;
    // Expected line time of the tries done and still to come; the estimate
    // of the time left scales the rest by what the done ones really took.
    double expectedDoneMs_ = 0.0;
    Clock::time_point started_{};
    Clock::duration spent_{};
};

// What a caller of RunBusScan hears: each module as it is confirmed, the
// progress after every try, and a flag that stops the scan (checked before
// every exchange).
struct ScanSink {
    std::function<void(const FoundModule&)> found;
    std::function<void(const ScanProgress&)> progress;
    const std::atomic<bool>* stop = nullptr;
};

// Runs the whole scan on the calling thread.
ScanOutcome RunBusScan(ScanLine& line, const ScanPlan& plan, const ScanSink& sink);
// The same through the record's interface (BoundScanLine).
ScanOutcome RunBusScan(const ConnectionSettings& settings, const ScanPlan& plan, const ScanSink& sink);

}  // namespace rq36
