#include "sim_config.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "text_util.h"

namespace rq36sim {

namespace {

constexpr std::array<std::string_view, kStandIns> kStandInKeys = {"orsa", "orsb", "orsd", "orse", "orsf"};

// Far more than a test set-up needs; a file beyond them is not one.
constexpr std::size_t kMaxConfigBytes = 1u << 20;
constexpr std::size_t kMaxCards = 16;
constexpr std::size_t kMaxModules = 64;

std::string LineRef(int lineNo) { return "line " + std::to_string(lineNo) + ": "; }

// Makes sure the module exists; false when there is no room for another.
bool AddModuleRef(SimConfig& cfg, std::string_view id) {
    if (cfg.ModuleNamed(id)) return true;
    if (cfg.modules.size() >= kMaxModules) return false;
    ModuleSpec spec;
    spec.id = std::string(id);
    cfg.modules.push_back(spec);
    return true;
}

std::optional<std::uint8_t> ParseSpeedCode(std::string_view v) {
    std::string_view digits = Trim(v);
    if (digits.size() > 2 && ToLower(digits.substr(digits.size() - 2)) == "bd") digits.remove_suffix(2);
    const auto n = ParseInt(digits);
    if (!n) return std::nullopt;
    if (*n >= kModuleSpeedCodeMin && *n <= kModuleSpeedCodeMax) return static_cast<std::uint8_t>(*n);
    if (const auto code = CodeFromSpeed(static_cast<std::int32_t>(*n));
        code && *code >= kModuleSpeedCodeMin && *code <= kModuleSpeedCodeMax)
        return static_cast<std::uint8_t>(*code);
    return std::nullopt;
}

std::optional<std::uint8_t> ParseParity(std::string_view v) {
    const std::string s = ToLower(Trim(v));
    if (s == "even" || s == "0") return kParityEven;
    if (s == "odd" || s == "1") return kParityOdd;
    if (s == "none" || s == "2") return kParityNone;
    return std::nullopt;
}

std::optional<std::uint8_t> ParseProtocol(std::string_view v) {
    const std::string s = ToLower(Trim(v));
    if (s == "vextbus" || s == "vextbus-2" || s == "0") return 0;
    if (s == "modbus" || s == "modbus rtu" || s == "1") return 1;
    return std::nullopt;
}

std::optional<bool> ParseBool(std::string_view v) {
    const std::string s = ToLower(Trim(v));
    if (s == "1" || s == "on" || s == "yes" || s == "true") return true;
    if (s == "0" || s == "off" || s == "no" || s == "false") return false;
    return std::nullopt;
}

class ConfigParser {
public:
    ConfigParser(SimConfig& cfg, WarnFn warn) : cfg_(cfg), warn_(warn) {}

    void Parse(std::string_view text) {
        int lineNo = 0;
        for (std::string_view line : SplitList(text, '\n')) {
            ++lineNo;
            line = Trim(line);
            if (line.empty() || line.front() == '#' || line.front() == ';') continue;
            if (line.front() == '[') {
                EnterSection(line, lineNo);
                continue;
            }
            const auto eq = line.find('=');
            if (eq == std::string_view::npos) {
                Warn(lineNo, "expected key = value, ignored");
                continue;
            }
            Entry(ToLower(Trim(line.substr(0, eq))), Trim(line.substr(eq + 1)), lineNo);
        }
    }

private:
    enum class Section { None, Card, Module, Lines, Timing, Faults, State, Unknown };

    void Warn(int lineNo, const std::string& msg) {
        if (warn_) warn_("configuration " + LineRef(lineNo) + msg);
    }
    void WarnTooManyModules(int lineNo, std::string_view id) {
        if (!modulesWarned_)
            Warn(lineNo, "more than " + std::to_string(kMaxModules) + " modules, '" + std::string(id) +
                             "' and any further ones are ignored");
        modulesWarned_ = true;
    }

    std::vector<std::string> ParseModuleList(std::string_view value, int lineNo) {
        std::vector<std::string> ids;
        for (auto item : SplitList(value, ',')) {
            item = Trim(item);
            if (item.empty()) continue;
            if (!AddModuleRef(cfg_, item)) {
                WarnTooManyModules(lineNo, item);
                continue;
            }
            ids.emplace_back(item);
        }
        return ids;
    }

    void EnterSection(std::string_view line, int lineNo) {
        if (line.back() != ']') {
            Warn(lineNo, "unclosed section header, ignored");
            section_ = Section::Unknown;
            return;
        }
        const std::string_view inner = Trim(line.substr(1, line.size() - 2));
        const auto space = inner.find_first_of(" \t");
        const std::string name = ToLower(inner.substr(0, space));
        const std::string_view arg = space == std::string_view::npos ? "" : Trim(inner.substr(space));
        if (name == "card") {
            if (!cardsGiven_) cfg_.cards.clear();
            cardsGiven_ = true;
            if (cfg_.cards.size() >= kMaxCards) {
                if (!cardsWarned_)
                    Warn(lineNo, "more than " + std::to_string(kMaxCards) + " cards, the rest is ignored");
                cardsWarned_ = true;
                section_ = Section::Unknown;
                return;
            }
            cfg_.cards.emplace_back();
            section_ = Section::Card;
        } else if (name == "module" && !arg.empty()) {
            if (!AddModuleRef(cfg_, arg)) {
                WarnTooManyModules(lineNo, arg);
                section_ = Section::Unknown;
                return;
            }
            moduleId_ = std::string(arg);
            section_ = Section::Module;
        } else if (name == "lines") {
            section_ = Section::Lines;
        } else if (name == "timing") {
            section_ = Section::Timing;
        } else if (name == "faults") {
            section_ = Section::Faults;
        } else if (name == "state") {
            section_ = Section::State;
        } else {
            Warn(lineNo, "unknown section [" + std::string(inner) + "], its entries are ignored");
            section_ = Section::Unknown;
        }
    }

    void Entry(const std::string& key, std::string_view value, int lineNo) {
        switch (section_) {
        case Section::Card: CardEntry(cfg_.cards.back(), key, value, lineNo); break;
        case Section::Module: ModuleEntry(key, value, lineNo); break;
        case Section::Lines: LineEntry(key, value, lineNo); break;
        case Section::Timing: TimingEntry(key, value, lineNo); break;
        case Section::Faults: {
            std::string error;
            if (!ApplyFault(cfg_.faults, key, value, error)) Warn(lineNo, error);
            break;
        }
        case Section::State:
            if (key == "path")
                cfg_.statePath = std::string(value);
            else
                Warn(lineNo, "unknown key '" + key + "'");
            break;
        case Section::None: Warn(lineNo, "entry outside any section, ignored"); break;
        case Section::Unknown: break;
        }
    }

    void CardEntry(CardSpec& card, const std::string& key, std::string_view value, int lineNo) {
        if (key == "did" || key == "bus" || key == "slot") {
            const auto n = ParseInt(value);
            if (!n || *n < 0 || *n > 0xFFFF) {
                Warn(lineNo, key + ": expected a number 0..65535");
                return;
            }
            (key == "did" ? card.did : key == "bus" ? card.bus : card.slot) = static_cast<std::int32_t>(*n);
        } else if (key.size() == 6 && key.rfind("euart", 0) == 0 && key[5] >= '1' && key[5] <= '4') {
            card.channels[static_cast<std::size_t>(key[5] - '1')] = ParseModuleList(value, lineNo);
        } else if (key == "serial") {
            card.serial = std::string(value);
        } else if (key == "name") {
            card.name = std::string(value);
        } else if (key == "fpga") {
            card.fpga = std::string(value);
        } else if (key == "firmware") {
            card.firmware = std::string(value);
        } else {
            Warn(lineNo, "unknown card key '" + key + "'");
        }
    }

    void ModuleEntry(const std::string& key, std::string_view value, int lineNo) {
        ModuleSpec* spec = nullptr;
        for (auto& m : cfg_.modules)
            if (m.id == moduleId_) spec = &m;
        if (!spec) return;
        if (key == "address") {
            const auto n = ParseInt(value);
            if (n && *n >= 0 && *n <= 255)
                spec->factory.address = static_cast<std::uint8_t>(*n);
            else
                Warn(lineNo, "address: expected 0..255");
        } else if (key == "speed") {
            if (const auto c = ParseSpeedCode(value))
                spec->factory.speedCode = *c;
            else
                Warn(lineNo, "speed: expected a code 2..8 or 2400..115200 Bd");
        } else if (key == "parity") {
            if (const auto p = ParseParity(value))
                spec->factory.parity = *p;
            else
                Warn(lineNo, "parity: expected even, odd or none");
        } else if (key == "protocol") {
            if (const auto p = ParseProtocol(value))
                spec->factory.protocol = *p;
            else
                Warn(lineNo, "protocol: expected vextbus or modbus");
        } else if (key == "noise") {
            if (const auto b = ParseBool(value))
                spec->noise = *b;
            else
                Warn(lineNo, "noise: expected on or off");
        } else if (std::string error; ApplyModuleSetupKey(spec->setup, key, value, error) != SetupKey::Unknown) {
            if (!error.empty()) Warn(lineNo, error);
        } else {
            Warn(lineNo, "unknown module key '" + key + "'");
        }
    }

    void LineEntry(const std::string& key, std::string_view value, int lineNo) {
        for (std::size_t i = 0; i < kStandInKeys.size(); ++i) {
            if (key == kStandInKeys[i]) {
                cfg_.standInLines[i] = ParseModuleList(value, lineNo);
                return;
            }
        }
        Warn(lineNo, "unknown line '" + key + "' (orsa, orsb, orsd, orse, orsf)");
    }

    void TimingEntry(const std::string& key, std::string_view value, int lineNo) {
        if (key == "instant") {
            if (const auto b = ParseBool(value))
                cfg_.timing.instant = *b;
            else
                Warn(lineNo, "instant: expected on or off");
        } else if (key == "turnaround_us") {
            const auto n = ParseInt(value);
            if (n && *n >= 0 && *n <= 1'000'000)
                cfg_.timing.turnaround = std::chrono::microseconds(*n);
            else
                Warn(lineNo, "turnaround_us: expected 0..1000000");
        } else {
            Warn(lineNo, "unknown timing key '" + key + "'");
        }
    }

    SimConfig& cfg_;
    WarnFn warn_;
    Section section_ = Section::None;
    std::string moduleId_;
    bool cardsGiven_ = false;
    bool cardsWarned_ = false;
    bool modulesWarned_ = false;
};

// Reads the configuration file whole into `text`; on failure says why.
// Only a regular file is opened: a device would never end and a named pipe
// could block the opening host forever.  Even a regular file is read no
// further than the limit plus one byte, so one that grows meanwhile is still
// refused, not swallowed.
std::string ReadConfigFile(const std::string& path, std::string& text) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) return "cannot be read";
    if (!std::filesystem::is_regular_file(status)) return "is not a regular file";
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot be read";
    text.clear();
    char chunk[16384];
    while (text.size() <= kMaxConfigBytes && in.read(chunk, sizeof chunk).gcount() > 0)
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) return "cannot be read";
    if (text.size() > kMaxConfigBytes) return "is larger than 1 MiB";
    return {};
}

}  // namespace

void WarnOnStderr(const std::string& message) { std::cerr << "rq36-sim: " << message << '\n'; }

std::string EnvValue(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

bool IsInMemoryPath(std::string_view path) { return path.rfind(":memory:", 0) == 0; }

std::string DefaultStatePath() {
    if (const std::string xdg = EnvValue("XDG_STATE_HOME"); !xdg.empty()) return xdg + "/rq36-sim/module.state";
    if (const std::string home = EnvValue("HOME"); !home.empty()) return home + "/.local/state/rq36-sim/module.state";
    return ":memory:";
}

SimConfig SimConfig::Defaults() {
    SimConfig cfg;
    CardSpec card;
    card.channels[0] = {"main"};
    cfg.cards.push_back(card);
    ModuleSpec main;
    main.id = "main";
    ModuleSpec modbus;
    modbus.id = "modbus";
    modbus.factory.protocol = 1;
    cfg.modules = {main, modbus};
    for (int i = 0; i < kStandIns; ++i) cfg.standInLines[static_cast<std::size_t>(i)] = {"main"};
    cfg.standInLines[static_cast<std::size_t>(StandIn::Orsf)] = {"modbus"};
    return cfg;
}

const ModuleSpec* SimConfig::ModuleNamed(std::string_view id) const {
    for (const auto& m : modules)
        if (m.id == id) return &m;
    return nullptr;
}

void ApplyConfigText(SimConfig& cfg, std::string_view text, WarnFn warn) { ConfigParser(cfg, warn).Parse(text); }

SimConfig LoadSimConfig(WarnFn warn) {
    SimConfig cfg = SimConfig::Defaults();
    if (const std::string path = EnvValue("RQ36_SIM_CONFIG"); !path.empty()) {
        std::string text;
        if (const std::string problem = ReadConfigFile(path, text); problem.empty())
            ApplyConfigText(cfg, text, warn);
        else if (warn)
            warn("the configuration file " + path + " " + problem + ", using the defaults");
    }
    if (const std::string state = EnvValue("RQ36_SIM_STATE"); !state.empty()) cfg.statePath = state;
    if (cfg.statePath.empty()) cfg.statePath = DefaultStatePath();
    if (const std::string instant = EnvValue("RQ36_SIM_INSTANT"); !instant.empty()) {
        if (const auto b = ParseBool(instant))
            cfg.timing.instant = *b;
        else if (warn)
            warn("RQ36_SIM_INSTANT: expected 1 or 0");
    }
    if (const std::string faults = EnvValue("RQ36_SIM_FAULT"); !faults.empty())
        ApplyFaultList(cfg.faults, faults, warn);
    return cfg;
}

}  // namespace rq36sim
