#include "interface/bus_scan.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <optional>
#include <string>

#include "interface/binding.h"
#include "interface/connection_logic.h"
#include "interface/interface_kinds.h"
#include "interface/module_request.h"
#include "rtu.h"

namespace rq36 {

namespace {

// Vextbus-2: request and reply 11 characters each, no silence.  Modbus RTU
// function 69: a request of 14 characters and a reply of 26, each closed by
// the frame's silence.  Both protocols take 11 bits a character.
constexpr double kVextbusRequest = 11.0;
constexpr double kVextbusReply = 11.0;
constexpr double kModbusRequest = 14.0;
constexpr double kModbusReply = 26.0;

// The module's speed codes 2..8 of the speed list.
constexpr int kLastSpeedCode = 8;
constexpr int kParityCount = 3;

// Confirmation reads are repeated this often before a try counts as a
// passing disturbance rather than a module.
constexpr int kConfirmAttempts = 3;

// The scan's own exchanges are made once: a repetition would double the
// cost of every empty address.
constexpr std::int32_t kScanRepeatCount = 0;

double CharactersMs(double characters, std::int32_t speed) {
    return speed > 0 ? characters * rtu::kBitsPerCharacter * 1000.0 / speed : 0.0;
}

// The silence that ends a Modbus frame, by the rule the library keeps.
double ModbusSilenceMs(std::int32_t speed) {
    return std::chrono::duration<double, std::milli>(rtu::FrameSilence(speed)).count();
}

}  // namespace

std::vector<std::uint8_t> AllAddresses() {
    std::vector<std::uint8_t> all(256);
    for (int a = 0; a < 256; ++a) all[static_cast<std::size_t>(a)] = static_cast<std::uint8_t>(a);
    return all;
}

std::vector<std::int32_t> ModuleSpeedsFirst(std::int32_t first) {
    std::vector<std::int32_t> speeds;
    for (int code = kFirstModuleSpeedCode; code <= kLastSpeedCode; ++code) speeds.push_back(SpeedFromIndex(code));
    const auto it = std::find(speeds.begin(), speeds.end(), first);
    if (it != speeds.end()) std::rotate(speeds.begin(), it, it + 1);
    return speeds;
}

std::vector<std::uint8_t> ParitiesFirst(std::uint8_t first) {
    std::vector<std::uint8_t> parities = {0, 1, 2};
    if (first < kParityCount) std::rotate(parities.begin(), parities.begin() + first, parities.begin() + first + 1);
    return parities;
}

ScanPlan DefaultScanPlan(const ConnectionSettings& settings) {
    ScanPlan plan;
    plan.addresses = AllAddresses();
    plan.speeds = ModuleSpeedsFirst(settings.Speed);
    const InterfaceKindInfo* info = KindInfo(settings.InterfaceKind);
    if (info != nullptr && info->modbus) plan.parities = ParitiesFirst(settings.Parity);
    return plan;
}

double ScanRequestLineMs(bool modbus, std::int32_t speed) {
    if (!modbus) return CharactersMs(kVextbusRequest, speed);
    return CharactersMs(kModbusRequest, speed) + ModbusSilenceMs(speed);
}

double ScanExchangeLineMs(bool modbus, std::int32_t speed) {
    if (!modbus) return CharactersMs(kVextbusRequest + kVextbusReply, speed);
    return CharactersMs(kModbusRequest + kModbusReply, speed) + 2 * ModbusSilenceMs(speed);
}

std::int32_t ScanTryTimeoutMs(bool modbus, std::int32_t speed, std::int32_t extraMs) {
    const double ms = ScanExchangeLineMs(modbus, speed) * (1.0 + kScanLineMargin) + kScanTurnaroundMs + kScanLatencyMs;
    return static_cast<std::int32_t>(std::ceil(ms)) + std::max<std::int32_t>(0, extraMs);
}

double ScanSweepSeconds(const ScanPlan& plan, bool modbus) {
    // Modbus RTU tries every speed at each parity (all three when none are
    // named, as BusScan does); Vextbus-2 once.
    double passes = 1.0;
    if (modbus) passes = plan.parities.empty() ? kParityCount : static_cast<double>(plan.parities.size());
    double ms = 0.0;
    for (std::int32_t speed : plan.speeds)
        ms += ScanRequestLineMs(modbus, speed) + ScanTryTimeoutMs(modbus, speed, plan.extraTimeoutMs);
    return ms * passes * static_cast<double>(plan.addresses.size()) / 1000.0;
}

QString ScanEndText(const ScanOutcome& outcome) {
    const QString count = QString::number(outcome.found.size());
    switch (outcome.end) {
    case ScanEnd::Running: return QString::fromUtf8(kScanRunning);
    case ScanEnd::Completed:
        return outcome.found.empty() ? QString::fromUtf8(kScanNoneFound) : QString::fromUtf8(kScanCompleted) + count;
    case ScanEnd::Stopped: return QString::fromUtf8(kScanStopped) + count;
    case ScanEnd::FoundFirst: return QString::fromUtf8(kScanFoundFirst);
    case ScanEnd::Failed: return QString::fromUtf8(kScanFailedPrefix) + outcome.error;
    }
    return {};
}

QString ScanTimeLeftText(double seconds) {
    const long total = std::lround(std::max(0.0, seconds));
    if (total < 60) return QStringLiteral("zbývá asi %1 s").arg(total);
    return QStringLiteral("zbývá asi %1 min %2 s").arg(total / 60).arg(total % 60, 2, 10, QLatin1Char('0'));
}

QString ScanCsvHeader() { return QStringLiteral("address,speed,parity,identity\n"); }

QString ScanCsvLine(const FoundModule& module) {
    static const char* const kParityWords[kParityCount] = {"even", "odd", "none"};
    const QString parity = module.parity >= 0 && module.parity < kParityCount
                               ? QString::fromLatin1(kParityWords[module.parity])
                               : QString();
    QString identity = module.identity;
    identity.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QStringLiteral("%1,%2,%3,\"%4\"\n").arg(module.address).arg(module.speed).arg(parity, identity);
}

bool IsLineStatus(std::uint8_t status) {
    // 4 no reply, 5 no valid reply, 6 reply broken off, 7 parity, 8 header,
    // 9 checksum; 40 and above: a Modbus exception reply.
    return (status >= 4 && status <= 9) || (status >= 40 && status < 0xFF);
}

// ---- BoundScanLine ----------------------------------------------------------------------

BoundScanLine::~BoundScanLine() { Close(); }

bool BoundScanLine::Modbus() const {
    const InterfaceKindInfo* info = KindInfo(settings_.InterfaceKind);
    return info != nullptr && info->modbus;
}

std::int32_t BoundScanLine::Open() {
    if (open_) return 0;
    const std::uint8_t kind = settings_.InterfaceKind;
    if (settings_.Connected && settings_.LibraryHandle != 0) {
        handle_ = settings_.LibraryHandle;
        ownsLibrary_ = false;
        open_ = true;
        return 0;
    }
    openError_.clear();
    if (KindInfo(kind) == nullptr) {
        openError_ = QString::fromUtf8(kStatusUnknownKind);
        return ORS_ERR_NOT_BOUND;
    }
    // The library is opened with the record's parameters, read as the
    // connection reads them, into a copy: the record stays as it is.
    ConnectionSettings scratch = settings_;
    scratch.InitParams.fill(0);
    ConnectionOutcome ignored;
    std::string initText;
    ConnectionInputs inputs = InputsFromSettings(settings_);
    inputs.cardBus = cardBus_;
    inputs.cardSlot = cardSlot_;
    if (const std::optional<QString> refused = ReadKindParameters(scratch, inputs, ignored, initText)) {
        openError_ = *refused;
        return ORS_ERR_NOT_BOUND;
    }
    handle_ = 0;
    const std::int32_t bound = BindInterface(kind, &handle_, scratch.InitParams.data(), initText);
    if (bound != 0) {
        // As after a failed connection: a library whose Init failed is
        // released by the next bind.
        handle_ = 0;
        return bound;
    }
    ownsLibrary_ = true;
    open_ = true;
    return 0;
}

std::int32_t BoundScanLine::Configure(std::int32_t speed, std::int32_t timeoutMs, std::int32_t repeatCount,
                                      std::uint8_t parity) {
    if (!open_) return ORS_ERR_NOT_BOUND;
    return ConfigureInterface(settings_.InterfaceKind, handle_, speed, timeoutMs, repeatCount, ParityCode(parity));
}

ModuleReply BoundScanLine::Request(std::uint8_t address, const ModuleCommand& command) {
    ModuleReply reply;
    reply.status = ORS_ERR_NOT_BOUND;
    if (!open_) return reply;
    std::array<std::int32_t, ORS_RESPONSE_WORDS> response{};
    std::uint8_t d1 = command.data[0], d2 = command.data[1], d3 = command.data[2], d4 = command.data[3],
                 d5 = command.data[4];
    ModuleRequest(settings_.InterfaceKind, handle_, address, command.command, command.d0, d1, d2, d3, d4, d5,
                  reply.status, response.data());
    if (reply.status == 0) {
        reply.replyByte = d1;
        reply.r = {d2, d3, d4, d5};
    }
    return reply;
}

void BoundScanLine::Close() {
    if (!open_) return;
    open_ = false;
    if (ownsLibrary_) {
        CloseInterface(settings_.InterfaceKind, &handle_);
    } else {
        // The connection gets back the line parameters it was made with.
        const int speedIndex = IndexFromSpeed(settings_.Speed);
        ConfigureInterface(settings_.InterfaceKind, handle_, settings_.Speed, ReplyTimeoutForSpeed(speedIndex),
                           kConnectRepeatCount, ParityCode(settings_.Parity));
    }
    handle_ = 0;
    ownsLibrary_ = false;
}

QString BoundScanLine::Text(std::int32_t code) {
    // A parameter the connection refuses has the connection's own text.
    if (!openError_.isEmpty()) return openError_;
    return StatusMessage(settings_.InterfaceKind, code);
}

// ---- BusScan ----------------------------------------------------------------------------

BusScan::BusScan(ScanLine& line, ScanPlan plan) : line_(line), plan_(std::move(plan)), modbus_(line.Modbus()) {
    if (modbus_ && plan_.parities.empty()) plan_.parities = ParitiesFirst(0);
    if (plan_.addresses.empty() || plan_.speeds.empty()) {
        phase_ = Phase::Done;
        outcome_.end = ScanEnd::Completed;
    }
}

int BusScan::Groups() const {
    const std::size_t perSpeed = modbus_ ? plan_.parities.size() : 1;
    return static_cast<int>(plan_.speeds.size() * perSpeed);
}

std::int32_t BusScan::GroupSpeed() const {
    const std::size_t perSpeed = modbus_ ? plan_.parities.size() : 1;
    return plan_.speeds[static_cast<std::size_t>(group_) / perSpeed];
}

std::uint8_t BusScan::GroupParity() const {
    if (!modbus_) return 0;
    return plan_.parities[static_cast<std::size_t>(group_) % plan_.parities.size()];
}

ScanProgress BusScan::Progress() const {
    ScanProgress p;
    p.total = Groups() * static_cast<int>(plan_.addresses.size());
    p.done = outcome_.tries;
    // What the remaining tries cost on the line, scaled by how the tries
    // done so far compared with their own line time.
    double remainingMs = 0.0;
    const std::size_t perSpeed = modbus_ ? plan_.parities.size() : 1;
    const std::size_t addresses = plan_.addresses.size();
    for (int g = 0; g < Groups(); ++g) {
        const std::int32_t speed = plan_.speeds[static_cast<std::size_t>(g) / perSpeed];
        std::size_t left = 0;
        if (g > group_) left = addresses;
        if (g == group_) left = addresses - std::min(address_, addresses);
        remainingMs += static_cast<double>(left) *
                       (ScanRequestLineMs(modbus_, speed) + ScanTryTimeoutMs(modbus_, speed, plan_.extraTimeoutMs));
    }
    if (!Running()) remainingMs = 0.0;
    double scale = 1.0;
    if (expectedDoneMs_ > 0.0) {
        scale = std::chrono::duration<double, std::milli>(spent_).count() / expectedDoneMs_;
    }
    p.secondsLeft = remainingMs * scale / 1000.0;
    return p;
}

void BusScan::Finish(ScanEnd end, const QString& error) {
    pendingEnd_ = end;
    outcome_.error = error;
    phase_ = Phase::Close;
}

void BusScan::NextTry() {
    ++address_;
    if (address_ < plan_.addresses.size()) {
        phase_ = Phase::Try;
        return;
    }
    address_ = 0;
    ++group_;
    phase_ = group_ < Groups() ? Phase::Configure : Phase::Close;
    if (phase_ == Phase::Close) pendingEnd_ = ScanEnd::Completed;
}

bool BusScan::Step() {
    if (phase_ == Phase::Done) return false;
    if (stopRequested_ && phase_ != Phase::Close) {
        if (phase_ == Phase::Open) {
            phase_ = Phase::Done;
            outcome_.end = ScanEnd::Stopped;
            return false;
        }
        Finish(ScanEnd::Stopped);
    }
    switch (phase_) {
    case Phase::Open: {
        const std::int32_t opened = line_.Open();
        if (opened != 0) {
            outcome_.error = line_.Text(opened);
            outcome_.end = ScanEnd::Failed;
            phase_ = Phase::Done;
            return false;
        }
        phase_ = Phase::Configure;
        return true;
    }
    case Phase::Configure: {
        const std::int32_t speed = GroupSpeed();
        const std::int32_t configured = line_.Configure(speed, ScanTryTimeoutMs(modbus_, speed, plan_.extraTimeoutMs),
                                                        kScanRepeatCount, GroupParity());
        if (configured != 0) {
            Finish(ScanEnd::Failed, line_.Text(configured));
        } else {
            phase_ = Phase::Try;
        }
        return true;
    }
    case Phase::Try: {
        const std::int32_t speed = GroupSpeed();
        const Clock::time_point start = Clock::now();
        const ModuleReply reply = line_.Request(plan_.addresses[address_], ReadIdentityCommand(0));
        spent_ += Clock::now() - start;
        expectedDoneMs_ += ScanRequestLineMs(modbus_, speed) + ScanTryTimeoutMs(modbus_, speed, plan_.extraTimeoutMs);
        ++outcome_.tries;
        if (reply.Ok()) {
            parts_[0] = IdentityPart(reply.r[0], reply.r[1], reply.r[2], reply.r[3]);
            confirmPart_ = 1;
            confirmAttempt_ = 0;
            phase_ = Phase::Confirm;
        } else if (IsLineStatus(reply.status)) {
            NextTry();
        } else {
            Finish(ScanEnd::Failed, line_.Text(reply.status));
        }
        return true;
    }
    case Phase::Confirm: {
        const ModuleReply reply =
            line_.Request(plan_.addresses[address_], ReadIdentityCommand(static_cast<std::uint8_t>(confirmPart_)));
        if (reply.Ok()) {
            parts_[static_cast<std::size_t>(confirmPart_)] =
                IdentityPart(reply.r[0], reply.r[1], reply.r[2], reply.r[3]);
            confirmAttempt_ = 0;
            if (++confirmPart_ < 3) return true;
            FoundModule found;
            found.address = plan_.addresses[address_];
            found.speed = GroupSpeed();
            found.parity = modbus_ ? GroupParity() : -1;
            found.identity = ModuleIdentityText(parts_[0], parts_[1], parts_[2]);
            found.tries = outcome_.tries;
            outcome_.found.push_back(found);
            if (onFound) onFound(found);
            if (plan_.stopAtFirst) {
                Finish(ScanEnd::FoundFirst);
            } else {
                NextTry();
            }
        } else if (!IsLineStatus(reply.status)) {
            Finish(ScanEnd::Failed, line_.Text(reply.status));
        } else if (++confirmAttempt_ >= kConfirmAttempts) {
            NextTry();  // an answer once, never again: not a module
        }
        return true;
    }
    case Phase::Close:
        line_.Close();
        outcome_.end = pendingEnd_;
        phase_ = Phase::Done;
        return false;
    case Phase::Done: break;
    }
    return false;
}

ScanOutcome RunBusScan(ScanLine& line, const ScanPlan& plan, const ScanSink& sink) {
    BusScan scan(line, plan);
    scan.onFound = sink.found;
    int reported = -1;
    for (;;) {
        if (sink.stop != nullptr && sink.stop->load()) scan.Stop();
        const bool more = scan.Step();
        const ScanProgress p = scan.Progress();
        if (sink.progress && p.done != reported) {
            reported = p.done;
            sink.progress(p);
        }
        if (!more) break;
    }
    return scan.Outcome();
}

ScanOutcome RunBusScan(const ConnectionSettings& settings, const ScanPlan& plan, const ScanSink& sink) {
    BoundScanLine line(settings);
    return RunBusScan(line, plan, sink);
}

}  // namespace rq36
