// The seven interface kinds and everything the program knows of each: the
// library's letter (ORSA .. ORSG), its name in the settings file and in the
// connection dialog's list, the shape of its Init, whether it speaks Modbus,
// and which connection parameters it takes.
#pragma once

#include <cstdint>

#include <QStringList>

namespace rq36 {

// How a library's Init takes its parameters.
enum class InitShape : std::uint8_t {
    Word,   // one word: the COM port or the ORS-B base address
    Plain,  // nothing
    Block,  // the 16 InitParams words (with the IP text behind them, kind 4)
};

// The connection parameters a kind takes (bits of InterfaceKindInfo::params).
enum KindParameter : unsigned {
    kParamComPort = 1u << 0,           // "Číslo portu COMx": Init word, settings "COMx"
    kParamIsaBase = 1u << 1,           // "Bázová adresa ORS-B": Init word, settings "ORS-B"
    kParamLan = 1u << 2,               // IP address, UDP port and timeout: Init block, settings "ORS-E"
    kParamParity = 1u << 3,            // the line's parity: SetConfig, settings "Připojení"
    kParamEuart = 1u << 4,             // the ORS-G channel: InitParams word 3, settings "ORS-G"
    kParamDiagnosticWindow = 1u << 5,  // ORSG's diagnostic window: InitParams word 15 bit 8, settings "ORS-G"
};

struct InterfaceKindInfo {
    char letter;               // the library ORS<letter>
    const char* settingsName;  // "Rozhraní" in the settings file
    const char* listText;      // the connection dialog's list
    InitShape init;
    bool modbus;      // requests wrapped in Modbus function 69; SetConfig takes the parity
    unsigned params;  // KindParameter bits
    constexpr bool Takes(KindParameter p) const { return (params & p) != 0; }
};

// The kind 0..6 (kInterfaceKinds), or nullptr for any other value.
const InterfaceKindInfo* KindInfo(int kind);

// True for the kind whose library opens a serial device of this machine by
// the port number (Modbus RTU): the device is worth showing beside the port.
bool PortMapsToDevice(int kind);

// The list texts of the connection dialog, index = kind.
QStringList InterfaceListTexts();

}  // namespace rq36
