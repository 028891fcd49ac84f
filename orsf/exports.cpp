// libORSF.so: Modbus RTU on a serial port.  The program's twelve request
// words (station, 69, byte count, the eight message bytes) go to the line as
// an RTU frame; the reply comes back as the frame the program unwraps:
// station, 69, n (high, low), address, command, d0, reply byte, then the n
// response bytes.
#include <algorithm>
#include <map>
#include <memory>
#include <new>

#include "cp1250.h"
#include "exchange.h"
#include "ors_contract.h"
#include "result_codes.h"
#include "rtu.h"
#include "serial_port.h"
#include "serial_ports.h"

namespace rq36::orsf {

namespace {

constexpr std::int32_t kVersion = 200;
constexpr std::uint32_t kMaxTimeoutMs = 60000;
constexpr std::uint32_t kMaxRetries = 15;
constexpr std::int32_t kSpeeds[] = {600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
enum ParityCode : std::int32_t { kParityNone = 0, kParityEven = 1, kParityOdd = 2 };

Parity ParityOf(std::int32_t code) {
    switch (code) {
    case kParityNone: return Parity::None;
    case kParityOdd: return Parity::Odd;
    default: return Parity::Even;
    }
}

std::int32_t CodeOf(PortFailure f) {
    switch (f) {
    case PortFailure::None: return kOk;
    case PortFailure::Missing: return kErrPortMissing;
    case PortFailure::Permission: return kErrPortPermission;
    case PortFailure::Busy: return kErrPortBusy;
    case PortFailure::NotSerial: return kErrPortNotSerial;
    case PortFailure::Settings: return kErrPortSettings;
    }
    return kErrPortFailed;
}

// One open port.
struct Session {
    PortInfo port;
    std::unique_ptr<SerialPort> serial;
    Exchanger exchanger;
    LineSettings line;
    std::int32_t parity = kParityEven;

    Session(PortInfo p, std::unique_ptr<SerialPort> s) : port(std::move(p)), serial(std::move(s)), exchanger(*serial) {}
};

std::map<ors_handle_t, std::unique_ptr<Session>>& Sessions() {
    static std::map<ors_handle_t, std::unique_ptr<Session>> sessions;
    return sessions;
}

Session* Find(ors_handle_t h) {
    const auto it = Sessions().find(h);
    return it == Sessions().end() ? nullptr : it->second.get();
}

// A failure of the port: remembered for the text, returned as its code.
std::int32_t PortError(const PortInfo& port, std::int32_t code) {
    PortInfo info = port;
    if (code == kErrPortPermission) info.group = DeviceGroup(port.device);
    RememberPort(info);
    return code;
}

std::int32_t Init(ors_handle_t* handle, std::int32_t comPort) {
    if (!handle || *handle != 0) return kErrHandle;
    if (comPort < serial::kMinPort || comPort > serial::kMaxPort) return kErrComPort;
    PortInfo port{comPort, serial::DeviceForPort(comPort), {}};
    if (port.device.empty()) return PortError(port, kErrPortNotMapped);
    PortFailure failure = PortFailure::None;
    auto serial = SerialPort::Open(port.device, failure);
    if (!serial) return PortError(port, CodeOf(failure));
    // The port starts at the library's defaults until SetConfig.
    if (const PortFailure f = serial->Configure(9600, Parity::Even); f != PortFailure::None)
        return PortError(port, CodeOf(f));
    auto session = std::make_unique<Session>(std::move(port), std::move(serial));
    const auto h = reinterpret_cast<ors_handle_t>(session.get());
    Sessions()[h] = std::move(session);
    *handle = h;
    return kOk;
}

std::int32_t Done(ors_handle_t* handle) {
    if (!handle || !Find(*handle)) return kErrHandle;
    Sessions().erase(*handle);
    *handle = 0;
    return kOk;
}

std::int32_t SetConfig(ors_handle_t h, std::int32_t speed, std::uint32_t timeoutMs, std::uint32_t retries,
                       std::int32_t parity) {
    Session* s = Find(h);
    if (!s) return kErrHandle;
    if (std::find(std::begin(kSpeeds), std::end(kSpeeds), speed) == std::end(kSpeeds)) return kErrSpeed;
    if (timeoutMs == 0 || timeoutMs > kMaxTimeoutMs) return kErrTimeout;
    if (retries > kMaxRetries) return kErrRetries;
    if (parity < kParityNone || parity > kParityOdd) return kErrParity;
    if (const PortFailure f = s->serial->Configure(speed, ParityOf(parity)); f != PortFailure::None)
        return PortError(s->port, CodeOf(f));
    s->line = LineSettings{speed, timeoutMs, retries};
    s->parity = parity;
    return kOk;
}

std::int32_t GetConfig(ors_handle_t h, std::int32_t* speed, std::uint32_t* timeoutMs, std::uint32_t* retries,
                       std::int32_t* parity) {
    const Session* s = Find(h);
    if (!s) return kErrHandle;
    if (speed) *speed = s->line.speed;
    if (timeoutMs) *timeoutMs = s->line.timeoutMs;
    if (retries) *retries = s->line.retries;
    if (parity) *parity = s->parity;
    return kOk;
}

std::int32_t Send(ors_handle_t h, const std::int32_t* request, std::int32_t requestCount, std::int32_t* replyFrame,
                  std::int32_t* replyCount, std::int32_t* status) {
    Session* s = Find(h);
    if (!s) return kErrHandle;
    if (!request || !replyFrame || !replyCount || !status) return kErrParams;
    *replyCount = 0;
    *status = kErrModbusFrame;
    if (requestCount != ORS_MODBUS_REQUEST_WORDS) return kErrModbusFrame;
    std::vector<std::uint8_t> frame;
    for (std::int32_t i = 0; i < requestCount; ++i) {
        if (request[i] < 0 || request[i] > 0xFF) return kErrModbusFrame;
        frame.push_back(static_cast<std::uint8_t>(request[i]));
    }
    const std::size_t count = std::size_t{frame[2]} << 8 | frame[3];
    if (frame[1] != rtu::kFunction || count != frame.size() - rtu::kHeader) return kErrModbusFrame;

    ExchangeOutcome out = s->exchanger.Run(frame, s->line);
    *status = out.status;
    if (out.status == kErrPortFailed) RememberPort(s->port);
    if (out.status != kOk) return kOk;
    // The program's frame counts only the response bytes after the reply byte.
    const std::size_t n = out.reply.size() - rtu::kHeader - rtu::kReplyPrefix;
    out.reply[2] = static_cast<std::uint8_t>(n >> 8);
    out.reply[3] = static_cast<std::uint8_t>(n & 0xFF);
    const std::size_t words = std::min<std::size_t>(out.reply.size(), ORS_MODBUS_FRAME_WORDS);
    for (std::size_t i = 0; i < words; ++i) replyFrame[i] = out.reply[i];
    *replyCount = static_cast<std::int32_t>(words);
    return kOk;
}

std::int32_t Error(std::uint32_t code, std::int32_t* text) {
    if (!text) return kErrParams;
    std::string cp = Utf8ToCp1250(ResultText(code));
    if (cp.size() > ORS_ERROR_TEXT_WORDS - 2) cp.resize(ORS_ERROR_TEXT_WORDS - 2);
    std::size_t i = 0;
    for (; i < cp.size(); ++i) text[i] = static_cast<unsigned char>(cp[i]);
    text[i++] = 0;
    text[i] = 0;
    return kOk;
}

// Nothing thrown inside (memory exhausted, say) crosses into the host.
template <typename F>
std::int32_t Guarded(std::int32_t onError, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return onError;
    }
}

}  // namespace

}  // namespace rq36::orsf

namespace o = rq36::orsf;

extern "C" {

ORS_EXPORT int32_t ORSF_Version(int32_t* version) {
    if (!version) return o::kErrParams;
    *version = o::kVersion;
    return o::kOk;
}
ORS_EXPORT int32_t ORSF_Init(ors_handle_t* handle, int32_t comPort) {
    return o::Guarded(o::kErrNoMemory, [&] { return o::Init(handle, comPort); });
}
ORS_EXPORT int32_t ORSF_Done(ors_handle_t* handle) {
    return o::Guarded(o::kErrHandle, [&] { return o::Done(handle); });
}
ORS_EXPORT int32_t ORSF_SetConfig(ors_handle_t h, int32_t speed, uint32_t timeoutMs, uint32_t retries, int32_t parity) {
    return o::Guarded(o::kErrPortFailed, [&] { return o::SetConfig(h, speed, timeoutMs, retries, parity); });
}
ORS_EXPORT int32_t ORSF_GetConfig(ors_handle_t h, int32_t* speed, uint32_t* timeoutMs, uint32_t* retries,
                                  int32_t* parity) {
    return o::GetConfig(h, speed, timeoutMs, retries, parity);
}
ORS_EXPORT int32_t ORSF_Send(ors_handle_t h, const int32_t* request, int32_t requestCount, int32_t* replyFrame,
                             int32_t* replyCount, int32_t* status) {
    return o::Guarded(o::kErrNoMemory,
                      [&] { return o::Send(h, request, requestCount, replyFrame, replyCount, status); });
}
ORS_EXPORT int32_t ORSF_Error(uint32_t code, int32_t* text) {
    return o::Guarded(o::kErrNoMemory, [&] { return o::Error(code, text); });
}

}  // extern "C"
