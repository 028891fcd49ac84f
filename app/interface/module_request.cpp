#include "interface/module_request.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <limits>
#include <string>
#include <vector>

#include "connection_settings.h"
#include "cp1250.h"
#include "interface/binding.h"
#include "interface/binding_table.h"
#include "interface/exchange_trace.h"
#include "interface/interface_kinds.h"

namespace rq36 {

namespace {

// The kind whose requests travel wrapped in Modbus function 69.
bool SpeaksModbus(std::uint8_t kind) {
    const InterfaceKindInfo* info = KindInfo(kind);
    return info != nullptr && info->modbus;
}

// Characters of a text buffer that belong to the text: words 0..99.
constexpr int kTextChars = 100;

// Response words the request call hands back as r0..r3.
constexpr int kReplyWords = 4;

constexpr std::uint8_t Low8(std::int32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

bool& InFlightFlag() {
    static bool inFlight = false;
    return inFlight;
}

// Marks the time from the call into the library to its return.
class InFlight {
public:
    InFlight() { InFlightFlag() = true; }
    ~InFlight() { InFlightFlag() = false; }
    InFlight(const InFlight&) = delete;
    InFlight& operator=(const InFlight&) = delete;
};

// The program's own texts for codes of 100 and above.
QString OwnText(std::uint32_t code) {
    if (code >= ORS_ERR_LOAD_BASE && code < ORS_ERR_LOAD_BASE + kInterfaceKinds)
        return QStringLiteral("chyba inicializace knihovny ") + LibraryDisplayName(code - ORS_ERR_LOAD_BASE);
    if (code >= ORS_ERR_BIND_BASE && code < ORS_ERR_BIND_BASE + kInterfaceKinds)
        return QStringLiteral("chybná knihovna ") + LibraryDisplayName(code - ORS_ERR_BIND_BASE);
    if (code == kStatusRequestBusy) return QStringLiteral("komunikace s modulem právě probíhá");
    return QStringLiteral("neznámý chybový kód");
}

}  // namespace

bool RequestInFlight() { return InFlightFlag(); }

std::int32_t SendFrame(std::uint8_t kind, ors_handle_t handle, const std::int32_t* request, std::int32_t* response,
                       std::int32_t& replyByte, std::int32_t& status) {
    const detail::InterfaceBinding& b = detail::Binding();
    if (request == nullptr || response == nullptr) return ORS_ERR_NOT_BOUND;
    if (SpeaksModbus(kind)) {
        if (!b.modbusSend) return ORS_ERR_NOT_BOUND;
        // The program's reply frame; the library writes at most its size.
        // On the stack: the request call allocates nothing per exchange.
        std::array<std::int32_t, ORS_MODBUS_FRAME_WORDS> frame{};
        std::int32_t replyCount = 0;
        std::int32_t frameStatus = 0;
        const std::int32_t result =
            b.modbusSend(handle, request, ORS_MODBUS_REQUEST_WORDS, frame.data(), &replyCount, &frameStatus);
        replyByte = 0;
        status = frameStatus;
        if (frameStatus == 0) {
            replyByte = frame[7];
            // The reply's own byte count, bounded by what follows word 8 in
            // the frame and by the caller's response buffer.
            const std::int64_t claimed = std::int64_t{frame[2]} * 256 + frame[3];
            const std::int64_t limit = std::min<std::int64_t>(ORS_MODBUS_FRAME_WORDS - 8, ORS_RESPONSE_WORDS);
            const std::int64_t count = std::clamp<std::int64_t>(claimed, 0, limit);
            // A reply shorter than the four words the request call reads
            // must not leave them holding an earlier reply.
            std::fill_n(response, kReplyWords, 0);
            std::copy_n(frame.begin() + 8, count, response);
        }
        return result;
    }
    if (kind >= kInterfaceKinds || !b.send) return ORS_ERR_NOT_BOUND;
    return b.send(handle, request, response, &replyByte, &status);
}

void ModuleRequest(std::uint8_t kind, ors_handle_t handle, std::uint8_t address, std::uint8_t command, std::uint8_t d0,
                   std::uint8_t& d1, std::uint8_t& d2, std::uint8_t& d3, std::uint8_t& d4, std::uint8_t& d5,
                   std::uint8_t& status, std::int32_t* response) {
    if (handle == 0) return;
    // One exchange at a time, program-wide: a request asked for while another
    // waits for its reply (a library that lets window messages run, a timer
    // of another window) is refused; its caller tries again on its next tick.
    if (RequestInFlight()) {
        d1 = d2 = d3 = d4 = d5 = 0;
        status = kStatusRequestBusy;
        return;
    }

    // The contract's buffers, on the stack: nothing allocated per exchange.
    std::array<std::int32_t, ORS_REQUEST_WORDS> request{};
    const std::array<std::int32_t, ORS_MESSAGE_BYTES> message = {address, command, d0, d1, d2, d3, d4, d5};
    if (SpeaksModbus(kind)) {
        // Station address, function 69, byte count 8 (high byte first),
        // then the message itself.
        request[0] = address;
        request[1] = ORS_MODBUS_FUNCTION;
        request[2] = 0;
        request[3] = ORS_MESSAGE_BYTES;
        std::copy(message.begin(), message.end(), request.begin() + 4);
    } else {
        std::copy(message.begin(), message.end(), request.begin());
    }

    std::array<std::int32_t, ORS_RESPONSE_WORDS> scratch;
    if (response == nullptr) {
        scratch.fill(0);
        response = scratch.data();
    }
    std::int32_t replyByte = 0;
    std::int32_t fullStatus = 0;
    // Every exchange is recorded: two steady clock readings and one of the
    // wall clock, a copy of a few bytes into the ring.
    ExchangeRecord record;
    record.kind = kind;
    for (std::size_t i = 0; i < message.size(); ++i) record.request[i] = Low8(message[i]);
    record.startedMs = QDateTime::currentMSecsSinceEpoch();
    const std::chrono::steady_clock::time_point sent = std::chrono::steady_clock::now();
    std::int32_t result = 0;
    {
        const InFlight inFlight;
        result = SendFrame(kind, handle, request.data(), response, replyByte, fullStatus);
    }
    record.durationUs = static_cast<std::int32_t>(std::min<std::int64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - sent).count(),
        std::int64_t{std::numeric_limits<std::int32_t>::max()}));
    if (result != 0) fullStatus = result;

    // A failure whose low 8 bits are 0 must not read as success: it gets
    // 255, which has the text of an unknown code.
    status = Low8(fullStatus);
    if (fullStatus != 0 && status == 0) status = 0xFF;

    if (fullStatus == 0) {
        d1 = Low8(replyByte);
        d2 = Low8(response[0]);
        d3 = Low8(response[1]);
        d4 = Low8(response[2]);
        d5 = Low8(response[3]);
    } else {
        d1 = d2 = d3 = d4 = d5 = 0;
    }
    record.status = status;
    record.reply = {d1, d2, d3, d4, d5};
    ReportExchange(record);
}

std::int32_t ErrorText(std::uint8_t kind, std::int32_t code, std::int32_t* text) {
    if (static_cast<std::uint32_t>(code) >= 100) {
        TextToWords(OwnText(static_cast<std::uint32_t>(code)), text);
        return 0;
    }
    const detail::InterfaceBinding& b = detail::Binding();
    if (kind >= kInterfaceKinds || !b.error || text == nullptr) return ORS_ERR_NOT_BOUND;
    return b.error(static_cast<std::uint32_t>(code), text);
}

void TextToWords(const QString& text, std::int32_t* words) {
    if (words == nullptr) return;
    std::fill_n(words, kTextChars, 0);
    const std::string bytes = Utf8ToCp1250(text.toStdString());
    const std::size_t count = std::min<std::size_t>(bytes.size(), kTextChars - 1);
    for (std::size_t k = 0; k < count; ++k) words[k + 1] = static_cast<std::uint8_t>(bytes[k]);
}

QString WordsToText(const std::int32_t* words) {
    if (words == nullptr) return {};
    std::string bytes;
    for (int k = 0; k < kTextChars; ++k) {
        const std::int32_t word = words[k];
        if (word == 0) {
            if (k == 0) continue;  // a text may start in word 1
            break;
        }
        const std::uint8_t byte = Low8(word);
        bytes += byte != 0 ? static_cast<char>(byte) : kCp1250Unmappable;
    }
    return QString::fromStdString(Cp1250ToUtf8(bytes));
}

QString StatusMessage(std::uint8_t kind, std::int32_t code) {
    std::vector<std::int32_t> text(ORS_TEXT_WORDS, 0);
    const std::int32_t result = ErrorText(kind, code, text.data());
    QString message = WordsToText(text.data());
    // Without a library text (Error not bound, or it wrote nothing) the
    // user still learns which code it was.
    if (message.isEmpty() && (result != 0 || code != 0)) message = QStringLiteral("chybový kód %1").arg(code);
    return message;
}

}  // namespace rq36
