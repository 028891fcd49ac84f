#include <array>

#include "result_codes.h"

namespace rq36::orsf {

namespace {

PortInfo& LastPort() {
    static PortInfo info;
    return info;
}

struct Entry {
    std::int32_t code;
    const char* text;
};

constexpr Entry kTexts[] = {
    {kOk, "V pořádku"},
    {kErrSpeed, "Chybná komunikační rychlost"},
    {kErrNoReply, "Timeout - nepřišla žádná odpověď"},
    {kErrNoValidReply, "Timeout - nepřišla správná odpověď"},
    {kErrReplyBroken, "Odpověď přerušena"},
    {kErrHeader, "Chybná hlavička odpovědi"},
    {kErrChecksum, "Chyba kontrolního součtu odpovědi"},
    {kErrNoMemory, "Nelze vytvořit datovou strukturu knihovny"},
    {kErrParams, "Chyba inicializačních parametrů"},
    {kErrHandle, "Neplatný handle zařízení"},
    {kErrComPort, "Neplatné číslo portu COM"},
    {kErrTimeout, "Chybný timeout odpovědi"},
    {kErrRetries, "Chybný počet opakování"},
    {kErrParity, "Chybná parita"},
    {kErrModbusFrame, "Chybný rámec Modbus"},
    {kErrExceptionBase + 1, "Modul odmítl požadavek: nepodporovaná funkce Modbus"},
    {kErrExceptionBase + 2, "Modul odmítl požadavek: neplatná adresa dat"},
    {kErrExceptionBase + 3, "Modul odmítl požadavek: neplatná data"},
    {kErrExceptionBase + 4, "Porucha modulu při provádění požadavku"},
    {kErrExceptionBase + 5, "Modul požadavek přijal, zpracování ještě trvá"},
    {kErrExceptionBase + 6, "Modul je zaneprázdněn"},
    {kErrExceptionBase + 8, "Modul hlásí chybu parity paměti"},
    {kErrExceptionBase + 10, "Brána Modbus: cesta k modulu není dostupná"},
    {kErrExceptionBase + 11, "Brána Modbus: modul neodpovídá"},
    {kErrExceptionBase, "Modul odmítl požadavek (výjimka Modbus)"},
};
constexpr char kUnknown[] = "Neznámý chybový kód";

std::string Com(const PortInfo& p) { return "COM" + std::to_string(p.port); }

}  // namespace

std::int32_t ExceptionStatus(std::uint8_t exceptionCode) {
    for (const Entry& e : kTexts)
        if (e.code == kErrExceptionBase + exceptionCode && exceptionCode != 0) return e.code;
    return kErrExceptionBase;
}

void RememberPort(const PortInfo& info) { LastPort() = info; }

// The device texts are short and put the device last: the dialogs show one
// line, after their own prefix.
std::string ResultText(std::uint32_t code) {
    const PortInfo& p = LastPort();
    switch (code) {
    case kErrPortNotMapped: return Com(p) + " nemá zařízení: nastavte RQ36_" + Com(p);
    case kErrPortMissing: return "Port " + Com(p) + " nenalezen: " + p.device;
    case kErrPortPermission:
        if (p.group.empty() || p.group == "root") return "Přístup odepřen: " + p.device;
        return "Chybí skupina " + p.group + ": " + p.device;
    case kErrPortBusy: return "Port drží jiný program: " + p.device;
    case kErrPortNotSerial: return "Není sériový port: " + p.device;
    case kErrPortSettings: return "Port odmítl rychlost/paritu: " + p.device;
    case kErrPortFailed: return "Port selhal (odpojen?): " + p.device;
    default: break;
    }
    for (const Entry& e : kTexts)
        if (static_cast<std::uint32_t>(e.code) == code) return e.text;
    return kUnknown;
}

}  // namespace rq36::orsf
