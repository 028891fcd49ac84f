#include "standin.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>

#include "cp1250.h"
#include "environment.h"
#include "line.h"
#include "panel.h"
#include "panel_channel.h"
#include "text_util.h"

namespace rq36sim::standin {

namespace {

constexpr std::array<std::int32_t, 9> kSpeeds = {600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
constexpr std::array<std::int32_t, kStandIns> kVersions = {210, 105, 120, 131, 102};
constexpr int kMaxComPort = 255;
constexpr std::int32_t kIsaBaseMin = 0x100;
constexpr std::int32_t kIsaBaseMax = 0x3F8;
constexpr std::int32_t kIsaBaseAlign = 8;
constexpr int kResponseBytes = 16;

// One open interface.
struct Session {
    StandIn lib;
    std::int32_t speed = 9600;
    std::uint32_t timeoutMs = 200;
    std::uint32_t retries = 2;
};

// The simulated hardware of this library and its open handles.
class StandInWorld {
public:
    static StandInWorld& Instance() {
        static StandInWorld world;
        return world;
    }

    // The configuration is read again at every Init; modules and the line
    // change only while no handle is open.
    void Reload(StandIn lib) {
        {
            const std::lock_guard<std::mutex> guard(lock_);
            if (env_.Reload(sessions_.empty()))
                line_ = env_.MakeLine(env_.Config().standInLines[static_cast<std::size_t>(lib)]);
        }
        // The front panel reaches this library's modules from now on.
        static constexpr std::array<const char*, kStandIns> kWorlds = {"ORSA", "ORSB", "ORSD", "ORSE", "ORSF"};
        if (!panel_)
            panel_ =
                std::make_unique<PanelServer>(kWorlds[static_cast<std::size_t>(lib)], [this](const std::string& r) {
                    const std::lock_guard<std::mutex> guard(lock_);
                    return PanelReply(line_.Modules(), r, Clock::now());
                });
    }

    // One exchange on the line; the front panel's thread waits meanwhile.
    ExchangeResult Exchange(const ExchangeRequest& req) {
        const std::lock_guard<std::mutex> guard(lock_);
        return line_.Exchange(req, env_.ActiveFaults(), env_.LineTiming(), Clock::now());
    }

    const Faults& ActiveFaults() const { return env_.ActiveFaults(); }
    const Timing& LineTiming() const { return env_.LineTiming(); }
    const Line& BoundLine() const { return line_; }

    ors_handle_t Open(StandIn lib) {
        auto s = std::unique_ptr<Session>(new (std::nothrow) Session{lib});
        if (!s) return 0;
        const auto h = reinterpret_cast<ors_handle_t>(s.get());
        sessions_[h] = std::move(s);
        return h;
    }

    // The session behind a handle of this library; nullptr for anything else.
    Session* Find(StandIn lib, ors_handle_t h) {
        const auto it = sessions_.find(h);
        return it != sessions_.end() && it->second->lib == lib ? it->second.get() : nullptr;
    }

    void Close(ors_handle_t h) { sessions_.erase(h); }

private:
    std::mutex lock_;  // the modules and the line: the host's calls and the front panel
    SimEnvironment env_;
    std::map<ors_handle_t, std::unique_ptr<Session>> sessions_;
    Line line_;
    std::unique_ptr<PanelServer> panel_;  // last: ends first
};

bool KnownSpeed(std::int32_t speed) {
    for (auto s : kSpeeds)
        if (s == speed) return true;
    return false;
}

std::int32_t CreateSession(StandIn lib, ors_handle_t* handle) {
    StandInWorld& w = StandInWorld::Instance();
    if (w.ActiveFaults().noDevice) return kErrNoDevice;
    const ors_handle_t h = w.Open(lib);
    if (!h) return kErrNoMemory;
    *handle = h;
    return kOk;
}

// The common start of every Init: a usable handle variable, a fresh look
// at the configuration.
bool HandleVariableUsable(StandIn lib, ors_handle_t* handle) {
    if (!handle || *handle != 0) return false;
    StandInWorld::Instance().Reload(lib);
    return true;
}

bool ValidIpv4(std::string_view s) {
    const auto parts = SplitList(s, '.');
    if (parts.size() != 4) return false;
    for (auto p : parts) {
        if (p.empty() || p.size() > 3) return false;
        for (char c : p)
            if (c < '0' || c > '9') return false;
        const auto n = ParseInt(p);
        if (!n || *n > 255) return false;
    }
    return true;
}

bool ValidIpv6(std::string_view s) {
    int colons = 0;
    for (char c : s) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (c == ':')
            ++colons;
        else if (!hex && c != '.')
            return false;
    }
    return colons >= 2 && colons <= 7;
}

std::int32_t CheckLineParams(std::int32_t speed, std::uint32_t timeoutMs, std::uint32_t retries) {
    if (!KnownSpeed(speed)) return kErrSpeed;
    if (timeoutMs == 0 || timeoutMs > kMaxTimeoutMs) return kErrTimeout;
    if (retries > kMaxRetries) return kErrRetries;
    return kOk;
}

ExchangeResult Exchange(const Session& s, const Message& msg) {
    StandInWorld& w = StandInWorld::Instance();
    ExchangeRequest req;
    req.message = msg;
    req.line = LineParams{Protocol::Vextbus2, s.speed, kParityEven};
    req.timeoutMs = s.timeoutMs;
    req.retries = s.retries;
    const ExchangeResult r = w.Exchange(req);
    WaitLineTime(r.duration, w.LineTiming());
    return r;
}

struct TextEntry {
    std::int32_t code;
    const char* text;  // UTF-8 here, Windows-1250 at the boundary
};

constexpr TextEntry kTexts[] = {
    {0, "V pořádku"},
    {1, "Chybná komunikační rychlost"},
    {2, "Rozdílné timeouty nebo rychlosti linek"},
    {3, "Chyba při vysílání zprávy"},
    {4, "Timeout - nepřišla žádná odpověď"},
    {5, "Timeout - nepřišla správná odpověď"},
    {6, "Odpověď přerušena"},
    {7, "Chyba parity odpovědi"},
    {8, "Chybná hlavička odpovědi"},
    {9, "Chyba kontrolního součtu odpovědi"},
    {10, "Nelze vytvořit datovou strukturu knihovny"},
    {11, "Chyba inicializačních parametrů"},
    {12, "Neplatný handle zařízení"},
    {13, "Chyba přístupu k zařízení"},
    {20, "Neplatné číslo portu COM"},
    {21, "Neplatná bázová adresa karty ORS-B"},
    {22, "Neplatná IP adresa"},
    {23, "Neplatný UDP port"},
    {24, "Neplatný UDP timeout"},
    {25, "Nepodporovaná verze IP"},
    {26, "Chybný timeout odpovědi"},
    {27, "Chybný počet opakování"},
    {30, "Zařízení nenalezeno"},
};
constexpr char kUnknownCode[] = "Neznámý chybový kód";

}  // namespace

std::int32_t Version(StandIn lib, std::int32_t* out) {
    if (!out) return kErrParams;
    *out = kVersions[static_cast<std::size_t>(lib)];
    return kOk;
}

std::int32_t InitComPort(StandIn lib, ors_handle_t* handle, std::int32_t port) {
    if (!HandleVariableUsable(lib, handle)) return kErrHandle;
    if (port < 1 || port > kMaxComPort) return kErrComPort;
    return CreateSession(lib, handle);
}

std::int32_t InitIsa(ors_handle_t* handle, std::int32_t base) {
    if (!HandleVariableUsable(StandIn::Orsb, handle)) return kErrHandle;
    if (base < kIsaBaseMin || base > kIsaBaseMax || base % kIsaBaseAlign != 0) return kErrIsaBase;
    return CreateSession(StandIn::Orsb, handle);
}

std::int32_t InitPlain(StandIn lib, ors_handle_t* handle) {
    if (!HandleVariableUsable(lib, handle)) return kErrHandle;
    return CreateSession(lib, handle);
}

std::int32_t InitLan(ors_handle_t* handle, const std::int32_t* block) {
    if (!HandleVariableUsable(StandIn::Orse, handle)) return kErrHandle;
    if (!block || block[0] != ORS_INIT_TEXT_OFFSET) return kErrParams;
    // The address text lies inside the block, ORS_INIT_TEXT_OFFSET bytes in.
    const char* text = reinterpret_cast<const char*>(block) + ORS_INIT_TEXT_OFFSET;
    const void* end = std::memchr(text, 0, ORS_INIT_TEXT_MAX + 1);
    if (!end) return kErrIpAddress;
    const std::string_view ip(text, static_cast<std::size_t>(static_cast<const char*>(end) - text));
    const std::int32_t port = block[1], timeout = block[2], ipVersion = block[3];
    if (ipVersion != 4 && ipVersion != 6) return kErrIpVersion;
    if (ip.empty() || !(ipVersion == 4 ? ValidIpv4(ip) : ValidIpv6(ip))) return kErrIpAddress;
    if (port < 1 || port > 65535) return kErrUdpPort;
    if (timeout < 1 || timeout > 65535) return kErrUdpTimeout;
    return CreateSession(StandIn::Orse, handle);
}

std::int32_t Done(StandIn lib, ors_handle_t* handle) {
    if (!handle) return kErrHandle;
    StandInWorld& w = StandInWorld::Instance();
    if (!w.Find(lib, *handle)) return kErrHandle;
    w.Close(*handle);
    *handle = 0;
    return kOk;
}

std::int32_t SetConfig(StandIn lib, ors_handle_t h, std::int32_t speed, std::uint32_t timeoutMs,
                       std::uint32_t retries) {
    Session* s = StandInWorld::Instance().Find(lib, h);
    if (!s) return kErrHandle;
    if (const auto r = CheckLineParams(speed, timeoutMs, retries); r != kOk) return r;
    s->speed = speed;
    s->timeoutMs = timeoutMs;
    s->retries = retries;
    return kOk;
}

std::int32_t GetConfig(StandIn lib, ors_handle_t h, std::int32_t* speed, std::uint32_t* timeoutMs,
                       std::uint32_t* retries) {
    const Session* s = StandInWorld::Instance().Find(lib, h);
    if (!s) return kErrHandle;
    if (speed) *speed = s->speed;
    if (timeoutMs) *timeoutMs = s->timeoutMs;
    if (retries) *retries = s->retries;
    return kOk;
}

std::int32_t Send(StandIn lib, ors_handle_t h, const std::int32_t* request, std::int32_t* response,
                  std::int32_t* replyByte, std::int32_t* status) {
    const Session* s = StandInWorld::Instance().Find(lib, h);
    if (!s) return kErrHandle;
    if (!request || !response || !replyByte || !status) return kErrParams;
    Message msg{};
    for (std::size_t i = 0; i < msg.size(); ++i) msg[i] = static_cast<std::uint8_t>(request[i]);
    const ExchangeResult r = Exchange(*s, msg);
    for (int i = 0; i < kResponseBytes; ++i)
        response[i] = i < static_cast<int>(r.reply.data.size()) ? r.reply.data[static_cast<std::size_t>(i)] : 0;
    *replyByte = r.reply.replyByte;
    *status = r.status;
    return kOk;
}

std::int32_t ErrorText(std::uint32_t code, std::int32_t* text) {
    if (!text) return kErrParams;
    const char* utf8 = kUnknownCode;
    for (const auto& e : kTexts)
        if (static_cast<std::uint32_t>(e.code) == code) utf8 = e.text;
    std::string cp = rq36::Utf8ToCp1250(utf8);
    if (cp.size() > ORS_ERROR_TEXT_WORDS - 1) cp.resize(ORS_ERROR_TEXT_WORDS - 1);
    std::size_t i = 0;
    for (; i < cp.size(); ++i) text[i] = static_cast<unsigned char>(cp[i]);
    text[i++] = 0;
    if (i < ORS_ERROR_TEXT_WORDS) text[i] = 0;
    return kOk;
}

}  // namespace rq36sim::standin
