#include "interface/connection_overview.h"

#include <QLocale>

#include "interface/connection_logic.h"
#include "interface/interface_kinds.h"
#include "serial_ports.h"

namespace rq36 {

QString PortDeviceText(int port) {
    if (port < serial::kMinPort || port > serial::kMaxPort)
        return QStringLiteral("→ port mimo rozsah %1-%2").arg(serial::kMinPort).arg(serial::kMaxPort);
    const serial::PortDevice p = serial::ResolvePort(port);
    const QString variable = QString::fromStdString(serial::PortVariable(port));
    if (p.device.empty()) return QStringLiteral("→ žádné zařízení (nastavte %1)").arg(variable);
    const QString device = QString::fromStdString(p.device);
    return p.fromEnvironment ? QStringLiteral("→ %1 (%2)").arg(device, variable) : QStringLiteral("→ ") + device;
}

std::vector<SerialDeviceChoice> SerialDeviceChoices(const std::vector<std::string>& devices) {
    std::vector<SerialDeviceChoice> choices;
    choices.reserve(devices.size());
    for (const std::string& d : devices) {
        SerialDeviceChoice c;
        c.device = QString::fromStdString(d);
        c.port = serial::PortForDevice(d);
        c.itemText =
            c.device + (c.port ? QStringLiteral("   (COM%1)").arg(*c.port) : QStringLiteral("   (bez čísla portu)"));
        choices.push_back(std::move(c));
    }
    return choices;
}

QString NoPortHint(const QString& device) {
    return QStringLiteral(
               "Zařízení %1 nemá číslo portu. Spusťte program s proměnnou prostředí "
               "RQ36_COM<n>=%1 a zadejte číslo portu n (1-255).")
        .arg(device);
}

std::vector<OverviewRow> ConnectionOverviewRows(const ConnectionSettings& s,
                                                const std::optional<QDateTime>& lastSuccess) {
    std::vector<OverviewRow> rows;
    const InterfaceKindInfo* info = KindInfo(s.InterfaceKind);
    rows.push_back({QStringLiteral("Rozhraní"),
                    info ? QString::fromUtf8(info->listText).simplified() : QStringLiteral("neznámé")});
    if (info && info->Takes(kParamComPort)) {
        QString port = QStringLiteral("COM%1").arg(s.ComPort);
        if (PortMapsToDevice(s.InterfaceKind)) port += QStringLiteral("  ") + PortDeviceText(s.ComPort);
        rows.push_back({QStringLiteral("Port"), port});
    }
    if (info && info->Takes(kParamIsaBase))
        rows.push_back({QStringLiteral("Bázová adresa"), FormatIsaBaseAddress(s.IsaBaseAddress)});
    if (info && info->Takes(kParamLan))
        rows.push_back(
            {QStringLiteral("Adresa LAN"), QStringLiteral("%1, UDP port %2").arg(s.IpAddress).arg(s.UdpPort)});
    if (info && info->Takes(kParamEuart)) {
        const QStringList channels = EuartListTexts();
        rows.push_back({QStringLiteral("Kanál karty"), s.EuartIndex >= 0 && s.EuartIndex < channels.size()
                                                           ? channels[s.EuartIndex]
                                                           : QString::number(s.EuartIndex)});
    }
    rows.push_back({QStringLiteral("Adresa modulu"), QString::number(s.ModuleAddress)});
    QString speed = QStringLiteral("%1 Bd").arg(s.Speed);
    if (info && info->Takes(kParamParity)) {
        const QStringList parities = ParityListTexts();
        if (s.Parity < parities.size()) speed += QStringLiteral(", parita ") + parities[s.Parity];
    }
    rows.push_back({QStringLiteral("Rychlost"), speed});
    rows.push_back(
        {QStringLiteral("Modul"), IsConnected(&s) ? s.ModuleIdentity : QString::fromUtf8(kOverviewNotConnected)});
    rows.push_back({QStringLiteral("Poslední úspěšná výměna"),
                    lastSuccess ? QLocale::c().toString(lastSuccess->toLocalTime(), QStringLiteral("HH:mm:ss"))
                                : QString::fromUtf8(kOverviewNoExchange)});
    return rows;
}

}  // namespace rq36
