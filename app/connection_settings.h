// The program's one shared record: which interface library with which
// parameters, the module's address and speed, the connection state, the
// module's identity and the configuration image the configuration dialogs
// share.  Created by the main window; every dialog holds a reference.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include <QString>

#include "ors_contract.h"

namespace rq36 {

inline constexpr int kConfigImageSize = 29;
using ConfigImageBytes = std::array<std::uint8_t, kConfigImageSize>;

// Interface kinds; what the program knows of each is in interface_kinds.h.
enum InterfaceKindCode : std::uint8_t {
    kKindComPort = 0,
    kKindOrsB = 1,
    kKindOrsC = 2,
    kKindOrsD = 3,
    kKindOrsE = 4,
    kKindModbus = 5,
    kKindOrsG = 6,
};
inline constexpr int kInterfaceKinds = 7;

// The connection status text while no connection has been made.
inline constexpr char kStatusNotInitialised[] = "Připojení modulu dosud neinicializováno";

// The module's own communication settings, as its configuration memory
// holds them (they take effect at its next start): address, speed code
// (index in the speed list), parity (0 even, 1 odd, 2 none) and protocol
// (0 Vextbus-2, 1 Modbus RTU).
struct HeldCommunication {
    std::uint8_t address = 1;
    std::uint8_t speedCode = 4;
    std::uint8_t parity = 0;
    std::uint8_t protocol = 0;
    bool operator==(const HeldCommunication&) const = default;
};

struct ConnectionSettings {
    std::uint8_t InterfaceKind = 0;
    std::uint8_t ModuleAddress = 1;
    std::int32_t Speed = 9600;
    std::uint8_t Parity = 0;  // 0 "sudá", 1 "lichá", 2 "žádná"
    std::uint16_t IsaBaseAddress = 0x300;
    std::uint8_t ComPort = 1;
    QString IpAddress;
    std::int32_t UdpPort = 5000;
    std::int32_t UdpTimeout = 2000;
    std::int32_t IpVersion = 4;
    std::int32_t EuartIndex = 0;
    bool OrsgDiagnosticWindow = false;  // ORSG shows its diagnostic window
    QString StatusText;
    ors_handle_t LibraryHandle = 0;  // pointer-sized; 0 = none
    bool Connected = false;
    QString ModuleIdentity;
    std::array<QString, 3> Reserved;
    std::array<std::int32_t, ORS_INIT_WORDS> InitParams{};
    ConfigImageBytes ConfigImage{};
    // What the connected module's configuration memory holds for its
    // communication, as last read from it or written to it over this
    // connection; none while not known.  Not kept in the settings file.
    std::optional<HeldCommunication> ModuleHeld;
};

// Every field to its default; does nothing without a record.
void SetDefaults(ConnectionSettings* settings);
ConfigImageBytes DefaultConfigImage();

// A dialog may talk to the module only when this holds.
bool IsConnected(const ConnectionSettings* settings);

// The settings file "W_rq36.ini": beside the program's executable, where
// the user may write it; a program installed where its user may not write
// keeps it in the user's configuration folder instead (the file beside the
// program, if any, is then read until the user's own file exists).
QString SettingsFilePath();
QString ChooseSettingsFile(const QString& programFile, bool programFileWritable, const QString& userFile);

// Reads the settings file over the record: true when the file holds the
// interface key and was read; false when it is missing, has no interface
// key, or no record was given.
bool LoadSettings(ConnectionSettings* settings);
bool LoadSettings(ConnectionSettings* settings, const QString& path);

// Writes the record's keys into the settings file, keeping every other
// section, key and comment; the file is replaced atomically where its
// folder allows, else written in place.  False when no record was given or
// the file could not be written (then *error, if given, says why, in Czech,
// fit for the user).
bool SaveSettings(const ConnectionSettings* settings, QString* error = nullptr);
bool SaveSettings(const ConnectionSettings* settings, const QString& path, QString* error = nullptr);

// The message shown when saving the settings to `path` failed for `reason`.
QString SaveFailureMessage(const QString& path, const QString& reason);

}  // namespace rq36
