// Linux: the names the kernel gives serial devices, and which of them exist.
#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#include "serial_ports.h"

namespace rq36::serial {

namespace {

namespace fs = std::filesystem;

struct Block {
    int first;
    const char* name;  // the device's name without its number
};
// COM1..COM32 the built-in ports, COM33..COM64 USB serial adapters,
// COM65..COM96 USB modems and CDC-ACM adapters.
constexpr std::array<Block, 3> kBlocks = {{{1, "ttyS"}, {33, "ttyUSB"}, {65, "ttyACM"}}};
constexpr int kBlockSize = 32;

// The number behind a kernel name ("ttyUSB12" with "ttyUSB": 12), or -1.
int NumberAfter(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return -1;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 6 || !std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(c) != 0; }))
        return -1;
    return std::stoi(digits);
}

// A built-in port exists as a device whether or not a UART is behind it; the
// kernel reports the UART's type, 0 for none.  Without the report (another
// kind of system) the device counts.
bool HasUart(const fs::path& root, const std::string& name) {
    std::ifstream type(root / "sys/class/tty" / name / "type");
    int code = -1;
    if (!(type >> code)) return true;
    return code != 0;
}

fs::path Resolved(const fs::path& path) {
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    return error ? path : target;
}

}  // namespace

std::string DefaultDeviceForPort(int port) {
    for (const Block& b : kBlocks)
        if (port >= b.first && port < b.first + kBlockSize)
            return "/dev/" + std::string(b.name) + std::to_string(port - b.first);
    return {};
}

std::vector<std::string> PresentSerialDevices(const std::string& root) {
    const fs::path base = root.empty() ? fs::path("/") : fs::path(root);
    std::vector<std::string> found;
    std::set<fs::path> covered;  // the devices a by-id name stands for
    std::error_code error;

    std::vector<fs::path> links;
    for (fs::directory_iterator it(base / "dev/serial/by-id", error), end; !error && it != end; it.increment(error))
        links.push_back(it->path());
    std::sort(links.begin(), links.end());
    for (const fs::path& link : links) {
        std::error_code missing;
        if (!fs::exists(link, missing)) continue;  // a link left behind by an adapter pulled out
        covered.insert(Resolved(link));
        found.push_back(link.string());
    }

    std::vector<std::pair<int, fs::path>> devices[kBlocks.size()];
    error.clear();
    for (fs::directory_iterator it(base / "dev", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        for (std::size_t b = 0; b < kBlocks.size(); ++b) {
            const int number = NumberAfter(name, kBlocks[b].name);
            if (number < 0) continue;
            if (b == 0 && !HasUart(base, name)) continue;
            if (covered.count(Resolved(it->path())) == 0) devices[b].emplace_back(number, it->path());
        }
    }
    // Adapters first (the one just plugged in is what the user looks for),
    // then modems, then the built-in ports.
    for (const std::size_t b : {std::size_t{1}, std::size_t{2}, std::size_t{0}}) {
        std::sort(devices[b].begin(), devices[b].end());
        for (const auto& d : devices[b]) found.push_back(d.second.string());
    }
    return found;
}

}  // namespace rq36::serial
