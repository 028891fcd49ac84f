#include "interface/connection_logic.h"

#include <array>
#include <string>

#include "cp1250.h"
#include "int_text.h"
#include "interface/binding.h"
#include "interface/interface_kinds.h"
#include "interface/module_request.h"
#include "module/command_set.h"
#include "orsg.h"

namespace rq36 {

namespace {

constexpr std::array<std::int32_t, 9> kSpeeds = {600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
constexpr int kDefaultSpeedIndex = 4;
constexpr std::uint16_t kDefaultIsaBase = 0x300;

std::optional<std::int32_t> IntegerOf(const QString& text) { return ParseIntText(text.toStdString()); }

bool IsHexDigit(QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

}  // namespace

QStringList SpeedListTexts() {
    QStringList texts;
    for (std::int32_t speed : kSpeeds) texts << QStringLiteral("%1 Bd").arg(speed);
    return texts;
}

QStringList ParityListTexts() { return {QStringLiteral("sudá"), QStringLiteral("lichá"), QStringLiteral("žádná")}; }

QStringList EuartListTexts() {
    return {QStringLiteral("EUART1"), QStringLiteral("EUART2"), QStringLiteral("EUART3"), QStringLiteral("EUART4")};
}

std::int32_t SpeedFromIndex(int index) {
    if (index < 0 || index >= static_cast<int>(kSpeeds.size())) return kSpeeds[kDefaultSpeedIndex];
    return kSpeeds[static_cast<std::size_t>(index)];
}

int IndexFromSpeed(std::int32_t speed) {
    for (std::size_t i = 0; i < kSpeeds.size(); ++i) {
        if (kSpeeds[i] == speed) return static_cast<int>(i);
    }
    return kDefaultSpeedIndex;
}

std::int32_t ReplyTimeoutForSpeed(int speedIndex) { return (speedIndex == 0 || speedIndex == 1) ? 1000 : 500; }

std::int32_t ParityCode(int parityIndex) {
    switch (parityIndex) {
    case 0: return 1;  // even
    case 1: return 2;  // odd
    case 2: return 0;  // none
    default: return 1;
    }
}

std::uint8_t ParseModuleAddress(const QString& text) {
    return static_cast<std::uint8_t>(IntegerOf(text).value_or(0) & 0xFF);
}

std::uint16_t ParseComPort(const QString& text) {
    return static_cast<std::uint16_t>(IntegerOf(text).value_or(1) & 0xFFFF);
}

std::uint16_t ParseIsaBaseAddress(const QString& text) {
    if (text.size() != 4) return kDefaultIsaBase;
    std::uint16_t value = 0;
    for (int i = 0; i < 3; ++i) {
        const QChar c = text.at(i);
        if (!IsHexDigit(c)) return kDefaultIsaBase;
        value = static_cast<std::uint16_t>(value * 16 + QString(c).toUInt(nullptr, 16));
    }
    return value;
}

QString FormatIsaBaseAddress(std::uint16_t address) {
    return QString::asprintf("%03Xh", static_cast<unsigned>(address));
}

std::optional<std::int32_t> ParseUdpValue(const QString& text) {
    const std::optional<std::int32_t> value = IntegerOf(text);
    if (!value || static_cast<std::uint32_t>(*value) > 65535u) return std::nullopt;
    return value;
}

KindControls ControlsForKind(int kind) {
    KindControls c;
    const InterfaceKindInfo* info = KindInfo(kind);
    if (info == nullptr) {
        c.edit2 = true;  // caption left as it is
        return c;
    }
    if (info->Takes(kParamComPort)) {
        c.edit2 = true;
        c.label3 = QStringLiteral("Číslo portu COMx");
    }
    if (info->Takes(kParamIsaBase)) {
        c.edit2 = true;
        c.label3 = QStringLiteral("Bázová adresa ORS-B");
    }
    if (info->Takes(kParamLan)) {
        c.edit2 = c.edit3 = c.edit4 = true;
        c.label3 = QStringLiteral("IP adresa");
        c.label6 = QStringLiteral("UDP port");
        c.label7 = QStringLiteral("UDP timeout");
    }
    if (info->Takes(kParamParity)) {
        c.comboBox3 = true;
        c.label6 = QStringLiteral("Parita");
    }
    if (info->Takes(kParamEuart)) {
        c.comboBox4 = true;
        c.label3 = QStringLiteral("Řadič EUART");
    }
    c.checkBox1 = info->Takes(kParamDiagnosticWindow);
    return c;
}

ConnectionOutcome InitializeConnection(ConnectionSettings& settings, const ConnectionInputs& inputs,
                                       const StatusSink& status) {
    ConnectionOutcome outcome;
    const auto show = [&status](const QString& text, bool repaintNow = false) {
        if (status) status(text, repaintNow);
    };

    // An open connection is closed first, whatever the new attempt brings.
    if (settings.Connected && settings.LibraryHandle != 0) CloseConnection(settings);
    // Whatever was known of the old module's memory is not known of the next.
    settings.ModuleHeld.reset();

    show(QString::fromUtf8(kStatusInProgress), true);

    const std::uint8_t address = ParseModuleAddress(inputs.addressText);
    outcome.addressText = QString::number(address);

    const int speedIndex = inputs.speedIndex;
    const int kind = inputs.kindIndex;
    settings.InitParams.fill(0);
    if (kind < 0 || kind >= kInterfaceKinds) {
        // The record keeps a valid kind; nothing is loaded.
        show(QString::fromUtf8(kStatusUnknownKind));
        return outcome;
    }
    const auto kindCode = static_cast<std::uint8_t>(kind);
    settings.InterfaceKind = kindCode;

    // The parameters of the chosen kind.
    std::string initText;
    if (const std::optional<QString> refused = ReadKindParameters(settings, inputs, outcome, initText)) {
        show(*refused);
        return outcome;
    }

    // Load, bind, Init.
    ors_handle_t handle = 0;
    const std::int32_t bound = BindInterface(kindCode, &handle, settings.InitParams.data(), initText);
    const QString bindText = StatusMessage(kindCode, bound);
    if (bound != 0) {
        show(QString::fromUtf8(kStatusInitErrorPrefix) + bindText);
        return outcome;
    }
    // From here on the record holds the open library, so that a failure
    // below closes it the one way every connection is closed.
    settings.Connected = true;
    settings.LibraryHandle = handle;

    // Line parameters.
    const std::int32_t configured =
        ConfigureInterface(kindCode, handle, SpeedFromIndex(speedIndex), ReplyTimeoutForSpeed(speedIndex),
                           kConnectRepeatCount, ParityCode(inputs.parityIndex));
    const QString configText = StatusMessage(kindCode, configured);
    if (configured != 0) {
        show(QString::fromUtf8(kStatusInitErrorPrefix) + configText);
        CloseConnection(settings);
        return outcome;
    }

    // Identification: name (two parts) and version.
    std::array<QString, 3> parts;
    std::array<std::int32_t, ORS_RESPONSE_WORDS> response{};
    for (std::uint8_t part = 0; part < 3; ++part) {
        // A library that opened without giving a handle gets no request
        // sent; the status then stays "not bound" instead of success.
        const ModuleCommand request = ReadIdentityCommand(part);
        std::uint8_t d1 = request.data[0], d2 = request.data[1], d3 = request.data[2], d4 = request.data[3],
                     d5 = request.data[4], requestStatus = ORS_ERR_NOT_BOUND;
        ModuleRequest(kindCode, handle, address, request.command, request.d0, d1, d2, d3, d4, d5, requestStatus,
                      response.data());
        const QString requestText = StatusMessage(kindCode, requestStatus);
        if (requestStatus != 0) {
            show(requestText);
            CloseConnection(settings);
            return outcome;
        }
        parts[part] = IdentityPart(d2, d3, d4, d5);
    }

    settings.ModuleIdentity = ModuleIdentityText(parts[0], parts[1], parts[2]);
    show(QString::fromUtf8(kStatusSuccessPrefix) + settings.ModuleIdentity, true);

    settings.ModuleAddress = address;
    settings.Speed = SpeedFromIndex(speedIndex);
    settings.Parity = static_cast<std::uint8_t>(inputs.parityIndex);
    settings.StatusText = QString::fromUtf8(kStatusTextOk);
    settings.LibraryHandle = handle;
    outcome.connected = true;
    return outcome;
}

std::optional<QString> ReadKindParameters(ConnectionSettings& settings, const ConnectionInputs& inputs,
                                          ConnectionOutcome& outcome, std::string& initText) {
    const InterfaceKindInfo& info = *KindInfo(inputs.kindIndex);
    if (info.Takes(kParamComPort)) {
        const std::uint16_t port = ParseComPort(inputs.parameter1);
        outcome.parameter1 = QString::number(port);
        settings.ComPort = static_cast<std::uint8_t>(port & 0xFF);
        settings.InitParams[0] = port;
    }
    if (info.Takes(kParamIsaBase)) {
        const std::uint16_t base = ParseIsaBaseAddress(inputs.parameter1);
        outcome.parameter1 = FormatIsaBaseAddress(base);
        settings.IsaBaseAddress = base;
        settings.InitParams[0] = base;
    }
    if (info.Takes(kParamLan)) {
        if (inputs.parameter1.isEmpty()) {
            return QString::fromUtf8(kStatusBadIpAddress);
        }
        settings.IpAddress = inputs.parameter1;
        const std::optional<std::int32_t> port = ParseUdpValue(inputs.parameter2);
        if (!port) {
            return QString::fromUtf8(kStatusBadUdpPort);
        }
        settings.UdpPort = *port;
        const std::optional<std::int32_t> timeout = ParseUdpValue(inputs.parameter3);
        if (!timeout) {
            return QString::fromUtf8(kStatusBadUdpTimeout);
        }
        settings.UdpTimeout = *timeout < kMinUdpTimeoutMs ? kMinUdpTimeoutMs : *timeout;
        settings.IpVersion = 4;
        // The address text travels behind the words; word 0 says where.
        initText = Utf8ToCp1250(settings.IpAddress.toStdString());
        settings.InitParams[0] = ORS_INIT_TEXT_OFFSET;
        settings.InitParams[1] = settings.UdpPort;
        settings.InitParams[2] = settings.UdpTimeout;
        settings.InitParams[3] = settings.IpVersion;
    }
    if (info.Takes(kParamEuart)) {
        settings.EuartIndex = inputs.euartIndex;
        settings.InitParams[3] = inputs.euartIndex;
        if (inputs.cardBus >= 0 && inputs.cardSlot >= 0) {
            // Selection by position instead of the first card.
            settings.InitParams[0] = 1;
            settings.InitParams[1] = inputs.cardBus;
            settings.InitParams[2] = inputs.cardSlot;
        }
    }
    if (info.Takes(kParamDiagnosticWindow)) {
        settings.OrsgDiagnosticWindow = inputs.orsgWindow;
        if (inputs.orsgWindow) settings.InitParams[ORSG_INIT_WINDOW_WORD] = ORSG_INIT_SHOW_WINDOW;
    }

    return std::nullopt;
}

ConnectionInputs InputsFromSettings(const ConnectionSettings& settings) {
    ConnectionInputs inputs;
    inputs.addressText = QString::number(settings.ModuleAddress);
    inputs.speedIndex = IndexFromSpeed(settings.Speed);
    inputs.kindIndex = settings.InterfaceKind;
    inputs.parityIndex = settings.Parity;
    inputs.euartIndex = settings.EuartIndex;
    inputs.orsgWindow = settings.OrsgDiagnosticWindow;
    const InterfaceKindInfo* info = KindInfo(settings.InterfaceKind);
    if (info == nullptr) return inputs;
    if (info->Takes(kParamComPort)) inputs.parameter1 = QString::number(settings.ComPort);
    if (info->Takes(kParamIsaBase)) inputs.parameter1 = FormatIsaBaseAddress(settings.IsaBaseAddress);
    if (info->Takes(kParamLan)) {
        inputs.parameter1 = settings.IpAddress;
        inputs.parameter2 = QString::number(settings.UdpPort);
        inputs.parameter3 = QString::number(settings.UdpTimeout);
    }
    return inputs;
}

QString ModuleIdentityText(const QString& part0, const QString& part1, const QString& part2) {
    return part0 + part1 + QStringLiteral(" v.") + part2;
}

}  // namespace rq36
