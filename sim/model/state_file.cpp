#include "state_file.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>
#include <vector>

#include "text_util.h"

namespace rq36sim {

namespace fs = std::filesystem;

namespace {

constexpr char kHeader[] = "# RQ-36 simulated module state; written by the simulator, edit with care\n";
constexpr std::string_view kHeaderStart = "# RQ-36 simulated module state";
constexpr std::string_view kSectionStart = "[module ";
constexpr char kHex[] = "0123456789ABCDEF";

// Far more than any state file the simulator writes (2.2 KiB a module).
constexpr std::uintmax_t kMaxStateFileBytes = 4u << 20;

// The text of the state file: empty when there is none.  A file that is too
// large or does not begin like a state file (the header, or a module
// section) is someone else's: `foreign` is set and it is neither read nor
// ever overwritten.
struct FileText {
    std::string text;
    bool foreign = false;
};

FileText ReadStateFile(const std::string& path) {
    FileText out;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) return out;  // no file (yet)
    // A device or a pipe is no state file: reading it might never end and
    // the save's rename would put a file in its place.
    if (!fs::is_regular_file(status)) {
        out.foreign = true;
        return out;
    }
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) return out;
    if (size > kMaxStateFileBytes) {
        out.foreign = true;
        return out;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return out;
    std::ostringstream s;
    s << in.rdbuf();
    out.text = s.str();
    const std::string_view start = Trim(out.text);
    if (!start.empty() && start.rfind(kHeaderStart, 0) != 0 && start.rfind(kSectionStart, 0) != 0) {
        out.text.clear();
        out.foreign = true;
    }
    return out;
}

// A name for the temporary file that no other writer picks at the same time.
std::string UniqueSuffix() {
    static std::uint64_t counter = 0;
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    const auto thread = std::hash<std::thread::id>{}(std::this_thread::get_id());
    return std::to_string(static_cast<std::uint64_t>(now) ^ thread) + "-" +
           std::to_string(reinterpret_cast<std::uintptr_t>(&counter)) + "-" + std::to_string(++counter);
}

std::string HexBytes(const std::uint8_t* p, std::size_t n, bool spaced) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        if (spaced && i) out += ' ';
        out += kHex[p[i] >> 4];
        out += kHex[p[i] & 0x0F];
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Hex bytes, blanks between them optional; exactly n bytes or nothing.
std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view s, std::size_t n) {
    std::vector<std::uint8_t> out;
    int high = -1;
    for (char c : s) {
        if (c == ' ' || c == '\t') continue;
        const int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        if (high < 0) {
            high = d;
        } else {
            out.push_back(static_cast<std::uint8_t>(high << 4 | d));
            high = -1;
        }
    }
    if (high >= 0 || out.size() != n) return std::nullopt;
    return out;
}

// Sections of the file by module id, each as its raw text (without header).
std::vector<std::pair<std::string, std::string>> SplitSections(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> sections;
    for (std::string_view line : SplitList(text, '\n')) {
        const std::string_view t = Trim(line);
        if (t.size() > 9 && t.substr(0, 8) == "[module " && t.back() == ']') {
            sections.emplace_back(std::string(Trim(t.substr(8, t.size() - 9))), std::string());
            continue;
        }
        if (!sections.empty() && !t.empty()) {
            sections.back().second += t;
            sections.back().second += '\n';
        }
    }
    return sections;
}

bool ValidComm(const CommSettings& c) {
    return c.speedCode >= kModuleSpeedCodeMin && c.speedCode <= kModuleSpeedCodeMax && c.parity <= kParityNone &&
           c.protocol <= 1;
}

}  // namespace

StateStore::StateStore(std::string path, WarnFn warn)
    : path_(std::move(path)), inMemory_(IsInMemoryPath(path_)), warn_(warn) {}

std::string StateStore::Serialize(const std::string& id, const ModuleState& s) {
    std::string out = "[module " + id + "]\n";
    const std::uint8_t active[4] = {s.active.address, s.active.speedCode, s.active.parity, s.active.protocol};
    out += "active = " + HexBytes(active, 4, true) + "\n";
    out += "status = " + HexBytes(s.status.data(), 4, true) + "\n";
    for (int bank : ConfigMemory::kBanks) {
        const Bank& b = s.memory.BankAt(bank);
        out += "bank" + std::to_string(bank) + " = " + HexBytes(b.data(), b.size(), false) + "\n";
    }
    return out;
}

std::optional<ModuleState> StateStore::Parse(const std::string& text, const std::string& id,
                                             const CommSettings& factory, WarnFn warn) {
    for (const auto& [sectionId, body] : SplitSections(text)) {
        if (sectionId != id) continue;
        // Start from the factory state; every good line replaces its part.
        ModuleState s = ModuleState::Factory(factory);
        s.status = {};
        bool activeGiven = false;
        for (std::string_view line : SplitList(body, '\n')) {
            if (line.empty() || line.front() == '#') continue;
            const auto eq = line.find('=');
            const std::string key = eq == std::string_view::npos ? std::string() : ToLower(Trim(line.substr(0, eq)));
            const std::string_view value = eq == std::string_view::npos ? "" : Trim(line.substr(eq + 1));
            if (key == "active") {
                if (auto v = ParseHex(value, 4); v && ValidComm({(*v)[0], (*v)[1], (*v)[2], (*v)[3]})) {
                    s.active = {(*v)[0], (*v)[1], (*v)[2], (*v)[3]};
                    activeGiven = true;
                    continue;
                }
            } else if (key == "status") {
                if (auto v = ParseHex(value, 4)) {
                    std::copy(v->begin(), v->end(), s.status.begin());
                    continue;
                }
            } else if (key.rfind("bank", 0) == 0) {
                const auto bank = ParseInt(key.substr(4));
                if (bank && ConfigMemory::BankExists(static_cast<int>(*bank))) {
                    if (auto v = ParseHex(value, kBankBytes)) {
                        std::copy(v->begin(), v->end(), s.memory.BankAt(static_cast<int>(*bank)).begin());
                        continue;
                    }
                }
            }
            if (warn) warn("state of module " + id + ": bad line '" + std::string(line) + "' ignored");
        }
        if (!activeGiven) {
            const CommSettings stored = s.memory.StoredComm();
            s.active = ValidComm(stored) ? stored : factory;
        }
        return s;
    }
    return std::nullopt;
}

std::optional<ModuleState> StateStore::Load(const std::string& id, const CommSettings& factory) const {
    if (inMemory_) return std::nullopt;
    const FileText file = ReadStateFile(path_);
    if (file.foreign) {
        ReportNotWritten("is not a module state file (or is larger than 4 MiB); it is left alone");
        return std::nullopt;
    }
    return Parse(file.text, id, factory, warn_);
}

void StateStore::ReportNotWritten(const std::string& why) const {
    if (!writeFailed_ && warn_) warn_("the state file " + path_ + " " + why + "; changes stay in memory");
    writeFailed_ = true;
}

void StateStore::Save(const std::string& id, const ModuleState& state) {
    if (inMemory_) return;
    try {
        // Keep what the file holds for other modules (another process may
        // have written them), replace this module's part.
        const FileText file = ReadStateFile(path_);
        if (file.foreign) {
            ReportNotWritten("is not a module state file (or is larger than 4 MiB); it is left alone");
            return;
        }
        std::string out = kHeader;
        bool replaced = false;
        for (const auto& [sectionId, body] : SplitSections(file.text)) {
            if (sectionId == id) {
                out += Serialize(id, state);
                replaced = true;
            } else {
                out += std::string(kSectionStart) + sectionId + "]\n" + body;
            }
        }
        if (!replaced) out += Serialize(id, state);

        std::error_code ec;
        const fs::path target(path_);
        if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
        const fs::path temp = target.string() + ".tmp" + UniqueSuffix();
        bool ok = false;
        {
            // The old file is replaced only when the write, the flush and
            // the close all succeeded (a full disk shows at any of them).
            std::ofstream f(temp, std::ios::binary | std::ios::trunc);
            f << out;
            f.flush();
            f.close();
            ok = !f.fail();
        }
        if (ok) {
            fs::rename(temp, target, ec);
            ok = !ec;
        }
        if (!ok) {
            fs::remove(temp, ec);
            ReportNotWritten("cannot be written");
        }
    } catch (...) {
        ReportNotWritten("cannot be written");
    }
}

}  // namespace rq36sim
