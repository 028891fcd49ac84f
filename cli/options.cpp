// The command line of rq36 and the record it starts from.
#include <array>

#include <QFileInfo>

#include "cli.h"
#include "config_keys.h"
#include "int_text.h"
#include "interface/connection_logic.h"

namespace rq36::cli {

namespace {

// --interface names, index = kind.
constexpr std::array<const char*, kInterfaceKinds> kKindNames = {"com",  "orsb",   "orsc", "orsd",
                                                                 "orse", "modbus", "orsg"};

// The options that take a value, and what they accept.
using Setter = bool (*)(CliOptions&, const QString&);

template <std::size_t N>
std::optional<int> IndexOfName(const std::array<const char*, N>& names, const QString& text) {
    for (std::size_t i = 0; i < N; ++i) {
        if (text == QLatin1String(names[i])) return static_cast<int>(i);
    }
    return std::nullopt;
}

bool SetKind(CliOptions& o, const QString& v) {
    o.kind = IndexOfName(kKindNames, v);
    if (!o.kind) o.kind = ParseIntegerIn(v, 0, kInterfaceKinds - 1);
    return o.kind.has_value();
}

// An ORS-B base address: the settings file's number, or as the dialog
// writes it ("300h").
bool SetBaseAddress(CliOptions& o, const QString& v) {
    std::optional<int> value;
    if (v.endsWith(QLatin1Char('h'), Qt::CaseInsensitive)) {
        bool ok = false;
        const int hex = v.chopped(1).toInt(&ok, 16);
        if (ok && !v.startsWith(QLatin1Char('-')) && !v.startsWith(QLatin1Char('+'))) value = hex;
    } else {
        value = ParseInteger(v);
    }
    if (!value || *value < 0 || *value > 0xFFF) return false;
    o.baseAddress = value;
    return true;
}

bool SetSpeed(CliOptions& o, const QString& v) {
    const std::optional<int> speed = ParseInteger(v);
    if (!speed || SpeedFromIndex(IndexFromSpeed(*speed)) != *speed) return false;
    o.speed = speed;
    return true;
}

bool SetFormat(CliOptions& o, const QString& v) {
    if (v == QLatin1String("text"))
        o.format = OutputFormat::Text;
    else if (v == QLatin1String("csv"))
        o.format = OutputFormat::Csv;
    else if (v == QLatin1String("json"))
        o.format = OutputFormat::Json;
    else
        return false;
    return true;
}

template <std::optional<int> CliOptions::*Field, int Low, int High>
bool SetInt(CliOptions& o, const QString& v) {
    o.*Field = ParseIntegerIn(v, Low, High);
    return (o.*Field).has_value();
}

struct ValueOption {
    const char* name;
    Setter set;
    const char* accepts;  // for the usage error
};

const std::array<ValueOption, 16> kValueOptions = {{
    {"--settings", [](CliOptions& o, const QString& v) { return !v.isEmpty() && (o.settingsFile = v, true); },
     "název souboru"},
    {"--interface", SetKind, "com, orsb, orsc, orsd, orse, modbus, orsg nebo 0 až 6"},
    {"--port", SetInt<&CliOptions::port, 1, 255>, "1 až 255"},
    {"--base-address", SetBaseAddress, "000h až FFFh"},
    {"--ip-address", [](CliOptions& o, const QString& v) { return !v.isEmpty() && (o.ipAddress = v, true); },
     "IP adresa"},
    {"--udp-port", SetInt<&CliOptions::udpPort, 0, 65535>, "0 až 65535"},
    {"--udp-timeout", SetInt<&CliOptions::udpTimeout, 0, 65535>, "0 až 65535"},
    {"--card-bus", SetInt<&CliOptions::cardBus, 0, 255>, "0 až 255"},
    {"--card-slot", SetInt<&CliOptions::cardSlot, 0, 255>, "0 až 255"},
    {"--channel", SetInt<&CliOptions::channel, 1, 4>, "1 až 4"},
    {"--address", SetInt<&CliOptions::address, 0, 255>, "0 až 255"},
    {"--speed", SetSpeed, "600, 1200, 2400, 4800, 9600, 19200, 38400, 57600 nebo 115200"},
    {"--parity",
     [](CliOptions& o, const QString& v) {
         const std::optional<std::uint8_t> index = ParityOfWord(v);
         return index && (o.parityIndex = *index, true);
     },
     "none, even nebo odd"},
    {"--timeout", SetInt<&CliOptions::timeoutMs, 1, 60000>, "1 až 60000"},
    {"--repeats", SetInt<&CliOptions::repeats, 0, 15>, "0 až 15"},
    {"--format", SetFormat, "text, csv nebo json"},
}};

const ValueOption* FindValueOption(const QString& name) {
    for (const ValueOption& option : kValueOptions) {
        if (name == QLatin1String(option.name)) return &option;
    }
    return nullptr;
}

bool TakeFlag(CliOptions& o, const QString& token) {
    if (token == QLatin1String("--trace"))
        o.trace = true;
    else if (token == QLatin1String("--quiet") || token == QLatin1String("-q"))
        o.quiet = true;
    else if (token == QLatin1String("--help") || token == QLatin1String("-h"))
        o.help = true;
    else if (token == QLatin1String("--version"))
        o.version = true;
    else
        return false;
    return true;
}

}  // namespace

std::optional<int> ParseInteger(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const std::optional<std::int32_t> value = ParseIntText(std::string_view(bytes.constData(), bytes.size()));
    if (!value) return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<int> ParseIntegerIn(const QString& text, int low, int high) {
    const std::optional<int> value = ParseInteger(text);
    if (!value || *value < low || *value > high) return std::nullopt;
    return value;
}

std::optional<CliOptions> ParseCommandLine(const QStringList& arguments, QString* error) {
    CliOptions o;
    const auto fail = [error](const QString& reason) {
        if (error) *error = reason;
        return std::nullopt;
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& token = arguments[i];
        if (TakeFlag(o, token)) continue;
        // "--name value" or "--name=value"
        const qsizetype eq = token.indexOf(QLatin1Char('='));
        const QString name = token.startsWith(QLatin1String("--")) && eq > 0 ? token.left(eq) : token;
        if (const ValueOption* option = FindValueOption(name)) {
            QString value;
            if (name.size() != token.size()) {
                value = token.mid(eq + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                return fail(QStringLiteral("volbě %1 chybí hodnota").arg(name));
            }
            if (!option->set(o, value))
                return fail(QStringLiteral("%1: neplatná hodnota „%2“ (platí %3)")
                                .arg(name, value, QString::fromUtf8(option->accepts)));
            continue;
        }
        if (o.command.isEmpty()) {
            if (token.startsWith(QLatin1Char('-'))) return fail(QStringLiteral("neznámá volba %1").arg(token));
            o.command = token;
            continue;
        }
        o.arguments << token;  // the command's own, checked by the command
    }
    return o;
}

QString UsageHint() { return QStringLiteral("Nápověda: rq36 --help"); }

QString HelpText() {
    return QStringLiteral(
        "Použití: rq36 [volby] PŘÍKAZ [ARGUMENTY]\n"
        "Příkazy:\n"
        "  identify                      připojí se a vypíše identifikaci modulu\n"
        "  config get [KLÍČ...]          přečte konfiguraci (klíč=hodnota)\n"
        "  config set KLÍČ=HODNOTA...    zapíše a ověří zpětným čtením\n"
        "      klíče: address speed parity protocol ain0.range..ain5.range\n"
        "             din.negate dout.negate dout.initial\n"
        "  read [--interval MS] [--count N] [KANÁL...]\n"
        "      kanály: ain0..ain5 c01 c12 c20 c34 c45 c53 cnt0 cnt1 din din0 din1 status status.*\n"
        "  dout [dout0=0|1] [dout1=0|1]  nastaví digitální výstupy\n"
        "  counter cnt0|cnt1 start|stop|clear|preset N\n"
        "  status [--clear]              stavový registr (a jeho vynulování)\n"
        "  restart                       restart modulu\n"
        "  scan [--addresses A-B,C] [--speeds 9600,...] [--parities none,...]\n"
        "       [--first] [--extra-timeout MS]   vyhledá moduly (kód 1: žádný)\n"
        "  snapshot save|restore SOUBOR [--with-calibration] | diff SOUBOR [SOUBOR2]\n"
        "       | clone SOUBOR --to-addresses A-B   konfigurace do souboru a zpět\n"
        "Volby (jinak platí nastavení W_RQ36, W_rq36.ini):\n"
        "  --settings SOUBOR  --interface com|orsb|orsc|orsd|orse|modbus|orsg|0..6\n"
        "  --port N  --base-address 300h  --ip-address A --udp-port N --udp-timeout MS\n"
        "  --card-bus N --card-slot N --channel 1..4  --address 0..255  --speed BD\n"
        "  --parity none|even|odd  --timeout MS  --repeats N\n"
        "  --format text|csv|json  --trace  --quiet  --help  --version\n"
        "Návratový kód: 0 hotovo, 1 chyba, 2 chybné použití, 3 rozdíly.  Více: man rq36\n");
}

bool LoadConnectionRecord(const CliOptions& o, ConnectionSettings& record, QString* error) {
    SetDefaults(&record);
    if (o.settingsFile) {
        const QFileInfo file(*o.settingsFile);
        if (!file.isFile() || !file.isReadable()) {
            if (error) *error = QStringLiteral("soubor nastavení nelze číst: %1").arg(*o.settingsFile);
            return false;
        }
        LoadSettings(&record, *o.settingsFile);
    } else {
        LoadSettings(&record);
    }
    if (o.kind) record.InterfaceKind = static_cast<std::uint8_t>(*o.kind);
    if (o.port) record.ComPort = static_cast<std::uint8_t>(*o.port);
    if (o.baseAddress) record.IsaBaseAddress = static_cast<std::uint16_t>(*o.baseAddress);
    if (o.ipAddress) record.IpAddress = *o.ipAddress;
    if (o.udpPort) record.UdpPort = *o.udpPort;
    if (o.udpTimeout) record.UdpTimeout = *o.udpTimeout;
    if (o.channel) record.EuartIndex = *o.channel - 1;
    if (o.address) record.ModuleAddress = static_cast<std::uint8_t>(*o.address);
    if (o.speed) record.Speed = *o.speed;
    if (o.parityIndex) record.Parity = static_cast<std::uint8_t>(*o.parityIndex);
    // The window is ORSG's and needs a desktop; rq36 never asks for it.
    record.OrsgDiagnosticWindow = false;
    return true;
}

}  // namespace rq36::cli
