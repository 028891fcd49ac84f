// The connection at a glance, as texts: the rows of the main window's client
// area, and what the connection dialog says of the serial device behind a
// port number.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QDateTime>
#include <QString>

#include "connection_settings.h"

namespace rq36 {

// ---- the device behind a port number --------------------------------------

// "→ /dev/ttyUSB0"; "→ /dev/pts/3 (RQ36_COM1)" when the environment names
// the device; "→ žádné zařízení (nastavte RQ36_COM200)" when the port has
// none; "→ port mimo rozsah 1-255" for a number no port has.
QString PortDeviceText(int port);

// One serial device present, as the connection dialog offers it.
struct SerialDeviceChoice {
    QString device;
    std::optional<int> port;  // the port number that opens it; none: no port leads to it
    QString itemText;         // "/dev/ttyUSB0   (COM33)", "/dev/ttyS40   (bez čísla portu)"
};
std::vector<SerialDeviceChoice> SerialDeviceChoices(const std::vector<std::string>& devices);

// What to do when a device has no port number: the settings keep a port
// number only, so the device needs a variable RQ36_COM<n> naming it.
QString NoPortHint(const QString& device);

// ---- the rows of the main window's client area ----------------------------

struct OverviewRow {
    QString label;  // "Rozhraní"
    QString value;  // "Standardní COMx (protokol Modbus RTU)"
};

// The interface and the parameters of its kind the record holds (port and
// its device, base address, LAN address, card channel), the module's
// address and speed, the connected module's identity or that none is
// connected, and the local time of the last successful exchange.
std::vector<OverviewRow> ConnectionOverviewRows(const ConnectionSettings& settings,
                                                const std::optional<QDateTime>& lastSuccess);

inline constexpr char kOverviewNotConnected[] = "není připojen";
inline constexpr char kOverviewNoExchange[] = "dosud žádná";

}  // namespace rq36
