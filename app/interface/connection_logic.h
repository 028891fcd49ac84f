// What the connection dialog computes, without a window: the list texts, the
// speed/parity conversions, the reading of the typed parameters, and the
// whole initialisation of a connection (close the old one, bind, configure,
// identify the module) on the shared record.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <QString>
#include <QStringList>

#include "connection_settings.h"
#include "interface/interface_kinds.h"
#include "module/command_set.h"

namespace rq36 {

// ---- list texts ---------------------------------------------------------

// "600 Bd" .. "115200 Bd".
QStringList SpeedListTexts();
// "sudá", "lichá", "žádná".
QStringList ParityListTexts();
// "EUART1" .. "EUART4".
QStringList EuartListTexts();

// ---- conversions ----------------------------------------------------------

// Speed list index 0..8 -> 600 .. 115200 Bd; any other index 9600.
std::int32_t SpeedFromIndex(int index);
// The inverse; a speed not in the list gives index 4 (9600 Bd).
int IndexFromSpeed(std::int32_t speed);
// 600 and 1200 Bd (indices 0, 1): 1000 ms; every other index 500 ms.
std::int32_t ReplyTimeoutForSpeed(int speedIndex);
// Parity list index -> the library's parity code: 0 even -> 1, 1 odd -> 2,
// 2 none -> 0, anything else 1.
std::int32_t ParityCode(int parityIndex);

// ---- typed parameters --------------------------------------------------

// The module address: the integer typed, 0 when it is none; low 8 bits.
std::uint8_t ParseModuleAddress(const QString& text);
// A COM port number: the integer typed, 1 when it is none; low 16 bits.
std::uint16_t ParseComPort(const QString& text);
// The ORS-B base address: a text of exactly four characters whose first
// three are hexadecimal digits ("2A0h"); anything else gives 0x300.
std::uint16_t ParseIsaBaseAddress(const QString& text);
// At least three upper-case hexadecimal digits followed by "h" ("300h").
QString FormatIsaBaseAddress(std::uint16_t address);
// A UDP port or timeout: an integer that, taken as unsigned, is at most
// 65535 (so negative numbers are refused); none otherwise.
std::optional<std::int32_t> ParseUdpValue(const QString& text);
// The shortest UDP timeout the converter is opened with, in ms.
inline constexpr std::int32_t kMinUdpTimeoutMs = 1000;

// ---- parameter controls per kind -------------------------------------------

// Which of the shared-place controls a kind uses, and the captions of their
// labels.  The first row holds Edit2 or ComboBox4 (caption Label3), the
// second Edit3 or ComboBox3 (Label6), the third Edit4 (Label7).
struct KindControls {
    bool edit2 = false;
    bool comboBox4 = false;  // EUART channel
    bool checkBox1 = false;  // ORSG diagnostic window
    bool edit3 = false;
    bool comboBox3 = false;  // parity
    bool edit4 = false;
    QString label3;
    QString label6;
    QString label7;
};
// kind outside 0..6: Label3 and Edit2 shown, the caption left as it is
// (label3 is a null QString then).
KindControls ControlsForKind(int kind);

// ---- status texts ------------------------------------------------------------

inline constexpr char kStatusInProgress[] = "Probíhá inicializace připojení";
inline constexpr char kStatusUnknownKind[] = "Neznámý typ rozhraní";
inline constexpr char kStatusBadIpAddress[] = "Neplatná IP adresa";
inline constexpr char kStatusBadUdpPort[] = "Neplatný UDP port";
inline constexpr char kStatusBadUdpTimeout[] = "Neplatný UDP timeout";
inline constexpr char kStatusInitErrorPrefix[] = "Chyba inicializace připojení - ";
inline constexpr char kStatusSuccessPrefix[] = "Připojení úspěšně inicializováno. Připojen modul   ";
inline constexpr char kStatusTextOk[] = "V pořádku";

// ---- the initialisation ----------------------------------------------------------

// Command of the three identification requests.
inline constexpr std::uint8_t kReadIdentityCommand = 200;
inline constexpr std::int32_t kConnectRepeatCount = 2;

// The dialog's controls as the user left them.  An index of -1 means that
// nothing is selected in that list.
struct ConnectionInputs {
    QString addressText;      // Edit1
    int speedIndex = 4;       // ComboBox1
    int kindIndex = 0;        // ComboBox2
    int parityIndex = 0;      // ComboBox3
    int euartIndex = 0;       // ComboBox4
    bool orsgWindow = false;  // CheckBox1
    QString parameter1;       // Edit2
    QString parameter2;       // Edit3
    QString parameter3;       // Edit4
    // ORS-G: the card at this PCI bus and slot; -1 (the dialog): the first
    // ORS-G card found.
    int cardBus = -1;
    int cardSlot = -1;
};

// What the dialog shows afterwards besides the status texts.
struct ConnectionOutcome {
    bool connected = false;
    std::optional<QString> addressText;  // Edit1 rewritten
    std::optional<QString> parameter1;   // Edit2 rewritten
};

// Receives each status text; repaintNow asks for the text to be painted at
// once, before the blocking library calls that follow.
using StatusSink = std::function<void(const QString& text, bool repaintNow)>;

// Closes the open connection, reads the inputs into the record, binds,
// configures and identifies the module.  On success the record holds the
// connection, identity, address, speed and parity; on failure the kind and
// the parameters of the chosen kind read before the failure stay changed,
// everything else keeps its value and Connected is clear.
ConnectionOutcome InitializeConnection(ConnectionSettings& settings, const ConnectionInputs& inputs,
                                       const StatusSink& status);

// The inputs the connection dialog shows for the record: its address,
// speed, kind, parity, channel and the kind's parameters as texts.
ConnectionInputs InputsFromSettings(const ConnectionSettings& settings);

// Reads the parameters of the inputs' kind into the record and its
// InitParams (initText: the IP address behind the words, kind 4).  The
// status text of a refused parameter, or none; the kind must be 0..6.
std::optional<QString> ReadKindParameters(ConnectionSettings& settings, const ConnectionInputs& inputs,
                                          ConnectionOutcome& outcome, std::string& initText);

// The identity as the program shows it: name (parts 0 and 1), " v.", version.
QString ModuleIdentityText(const QString& part0, const QString& part1, const QString& part2);

// IdentityPart, the four characters of one identification reply, is in
// module/command_set.h.

}  // namespace rq36
