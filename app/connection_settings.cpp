#include "connection_settings.h"

#include <optional>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "int_text.h"
#include "interface/interface_kinds.h"
#include "interface/platform/platform.h"
#include "settings_file.h"

namespace rq36 {
namespace {

// A settings file is a few hundred bytes; anything far larger is not ours,
// is not read and is never overwritten.
constexpr qint64 kMaxSettingsFileSize = 1024 * 1024;

const QString kSectionConnection = QStringLiteral("Připojení");
const QString kSectionCom = QStringLiteral("COMx");
const QString kSectionOrsB = QStringLiteral("ORS-B");
const QString kSectionOrsE = QStringLiteral("ORS-E");
const QString kSectionOrsG = QStringLiteral("ORS-G");

const QString kKeyInterface = QStringLiteral("Rozhraní");
const QString kKeyAddress = QStringLiteral("Adresa");
const QString kKeySpeed = QStringLiteral("Rychlost");
const QString kKeyParity = QStringLiteral("Parita");
const QString kKeyBaseAddress = QStringLiteral("Bázová adresa");
const QString kKeyComPort = QStringLiteral("Číslo portu");
const QString kKeyIpAddress = QStringLiteral("IP adresa");
const QString kKeyUdpPort = QStringLiteral("UDP port");
const QString kKeyUdpTimeout = QStringLiteral("UDP timeout");
const QString kKeyEuart = QStringLiteral("Řadič EUART");
const QString kKeyOrsgWindow = QStringLiteral("Diagnostické okno");  // 0 or absent: off

QString KindName(int kind) { return QString::fromUtf8(KindInfo(kind)->settingsName); }

// The marker that stands for "no interface key".
const QString kNoInterface = QStringLiteral("jkl");

enum class ReadResult { Missing, TooLarge, Unreadable, Read };

ReadResult ReadSettingsBytes(const QString& path, QByteArray* bytes) {
    QFileInfo info(path);
    if (!info.exists()) return ReadResult::Missing;
    if (!info.isFile()) return ReadResult::Unreadable;
    if (info.size() > kMaxSettingsFileSize) return ReadResult::TooLarge;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return ReadResult::Unreadable;
    *bytes = file.read(kMaxSettingsFileSize + 1);
    if (file.error() != QFileDevice::NoError) return ReadResult::Unreadable;
    if (bytes->size() > kMaxSettingsFileSize) return ReadResult::TooLarge;
    return ReadResult::Read;
}

// The key's integer, or nothing when the key is missing or not an integer.
std::optional<std::int32_t> ReadInt(const IniDocument& doc, const QString& section, const QString& key) {
    const std::optional<QString> text = doc.Value(section, key);
    if (!text) return std::nullopt;
    return ParseIntText(text->toStdString());
}

template <typename Field>
void TakeInt(const IniDocument& doc, const QString& section, const QString& key, Field& field) {
    if (const std::optional<std::int32_t> value = ReadInt(doc, section, key))
        field = static_cast<Field>(static_cast<std::uint32_t>(*value));  // the field's low bits
}

QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

}  // namespace

ConfigImageBytes DefaultConfigImage() {
    ConfigImageBytes image{};  // bytes 2..9, 15, 16, 21..28: 0
    image[0] = 1;              // module address
    image[1] = 4;              // speed code: 9600 Bd
    image[10] = 4;
    for (int i = 11; i <= 14; ++i) image[i] = 0xFF;  // input negation, ports 0..3
    for (int i = 17; i <= 20; ++i) image[i] = 0xFF;  // output negation, ports 0..3
    return image;
}

void SetDefaults(ConnectionSettings* settings) {
    if (settings == nullptr) return;
    ConnectionSettings& s = *settings;
    s.InterfaceKind = kKindComPort;
    s.ModuleAddress = 1;
    s.Speed = 9600;
    s.Parity = 0;
    s.IsaBaseAddress = 0x300;
    s.ComPort = 1;
    s.IpAddress = QStringLiteral("192.168.1.10");
    s.UdpPort = 5000;
    s.UdpTimeout = 2000;
    s.IpVersion = 4;
    s.EuartIndex = 0;
    s.OrsgDiagnosticWindow = false;
    s.StatusText = QString::fromUtf8(kStatusNotInitialised);
    s.LibraryHandle = 0;
    s.Connected = false;
    s.ModuleIdentity = QStringLiteral("???");
    s.Reserved = {QStringLiteral("???"), QStringLiteral("???"), QString()};
    s.InitParams.fill(0);
    s.ConfigImage = DefaultConfigImage();
    s.ModuleHeld.reset();
}

bool IsConnected(const ConnectionSettings* settings) {
    return settings != nullptr && settings->Connected && settings->LibraryHandle != 0;
}

QString ChooseSettingsFile(const QString& programFile, bool programFileWritable, const QString& userFile) {
    return programFileWritable ? programFile : userFile;
}

namespace {

QString ProgramSettingsFile() {
    QString folder = QString::fromStdString(platform::ExecutableFolder());
    if (folder.isEmpty() && QCoreApplication::instance() != nullptr) folder = QCoreApplication::applicationDirPath();
    return folder + QStringLiteral("/W_rq36.ini");
}

QString UserSettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/W_rq36.ini");
}

}  // namespace

QString SettingsFilePath() {
    const QString program = ProgramSettingsFile();
    const QFileInfo info(program);
    const bool writable = info.exists() ? info.isWritable() : QFileInfo(info.absolutePath()).isWritable();
    return ChooseSettingsFile(program, writable, UserSettingsFile());
}

bool LoadSettings(ConnectionSettings* settings) {
    // A user who has no file of their own yet starts from the one beside
    // the program, if there is one.
    const QString path = SettingsFilePath();
    return LoadSettings(settings, QFileInfo::exists(path) ? path : ProgramSettingsFile());
}

bool LoadSettings(ConnectionSettings* settings, const QString& path) {
    if (settings == nullptr) return false;
    QByteArray bytes;
    if (ReadSettingsBytes(path, &bytes) != ReadResult::Read) return false;
    const IniDocument doc = IniDocument::FromBytes(bytes);

    const QString interfaceName = doc.Value(kSectionConnection, kKeyInterface).value_or(kNoInterface);
    if (interfaceName == kNoInterface) return false;

    ConnectionSettings& s = *settings;
    TakeInt(doc, kSectionConnection, kKeyAddress, s.ModuleAddress);
    TakeInt(doc, kSectionConnection, kKeySpeed, s.Speed);
    TakeInt(doc, kSectionConnection, kKeyParity, s.Parity);
    TakeInt(doc, kSectionOrsB, kKeyBaseAddress, s.IsaBaseAddress);
    TakeInt(doc, kSectionCom, kKeyComPort, s.ComPort);
    if (const std::optional<QString> ip = doc.Value(kSectionOrsE, kKeyIpAddress)) s.IpAddress = *ip;
    TakeInt(doc, kSectionOrsE, kKeyUdpPort, s.UdpPort);
    TakeInt(doc, kSectionOrsE, kKeyUdpTimeout, s.UdpTimeout);
    TakeInt(doc, kSectionOrsG, kKeyEuart, s.EuartIndex);
    std::int32_t orsgWindow = 0;
    TakeInt(doc, kSectionOrsG, kKeyOrsgWindow, orsgWindow);
    s.OrsgDiagnosticWindow = orsgWindow != 0;

    for (int kind = 0; kind < kInterfaceKinds; ++kind) {
        if (interfaceName == KindName(kind)) {  // exact, letter case included
            s.InterfaceKind = static_cast<std::uint8_t>(kind);
            break;
        }
    }
    return true;
}

bool SaveSettings(const ConnectionSettings* settings, QString* error) {
    const QString path = SettingsFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());  // the user's configuration folder may be new
    return SaveSettings(settings, path, error);
}

bool SaveSettings(const ConnectionSettings* settings, const QString& path, QString* error) {
    auto fail = [error](const QString& text) {
        if (error != nullptr) *error = text;
        return false;
    };
    if (settings == nullptr) return fail(QStringLiteral("Nastavení nelze uložit: chybí datové struktury programu."));

    QByteArray bytes;
    switch (ReadSettingsBytes(path, &bytes)) {
    case ReadResult::Missing:
    case ReadResult::Read: break;
    case ReadResult::TooLarge:
    case ReadResult::Unreadable:
        // Never replace a file that could not be read: it may hold data
        // that a save would lose.
        return fail(
            QStringLiteral("Nastavení nebylo uloženo: soubor %1 nelze přečíst, proto nebyl přepsán.").arg(Shown(path)));
    }
    if (QFileInfo::exists(path) && !QFileInfo(path).isWritable())
        return fail(QStringLiteral("Nastavení nebylo uloženo: soubor %1 je určen jen pro čtení.").arg(Shown(path)));

    IniDocument doc = IniDocument::FromBytes(bytes);
    const ConnectionSettings& s = *settings;
    const auto number = [](std::int64_t value) { return QString::number(value); };
    // Any value out of range is written as kind 0.
    const std::uint8_t kind = s.InterfaceKind < kInterfaceKinds ? s.InterfaceKind : std::uint8_t{kKindComPort};
    doc.SetValue(kSectionConnection, kKeyInterface, KindName(kind));
    // Each kind keeps its own parameters; the others' keys stay as they are.
    const InterfaceKindInfo& info = *KindInfo(kind);
    if (info.Takes(kParamComPort)) doc.SetValue(kSectionCom, kKeyComPort, number(s.ComPort));
    if (info.Takes(kParamIsaBase)) doc.SetValue(kSectionOrsB, kKeyBaseAddress, number(s.IsaBaseAddress));
    if (info.Takes(kParamLan)) {
        doc.SetValue(kSectionOrsE, kKeyIpAddress, s.IpAddress);
        doc.SetValue(kSectionOrsE, kKeyUdpPort, number(s.UdpPort));
        doc.SetValue(kSectionOrsE, kKeyUdpTimeout, number(s.UdpTimeout));
    }
    if (info.Takes(kParamParity)) doc.SetValue(kSectionConnection, kKeyParity, number(s.Parity));
    if (info.Takes(kParamEuart)) doc.SetValue(kSectionOrsG, kKeyEuart, number(s.EuartIndex));
    if (info.Takes(kParamDiagnosticWindow))
        doc.SetValue(kSectionOrsG, kKeyOrsgWindow, number(s.OrsgDiagnosticWindow ? 1 : 0));
    doc.SetValue(kSectionConnection, kKeyAddress, number(s.ModuleAddress));
    doc.SetValue(kSectionConnection, kKeySpeed, number(s.Speed));

    if (!ReplaceFile(path, doc.ToBytes()))
        return fail(QStringLiteral("Nastavení nebylo uloženo: soubor %1 nelze zapsat.").arg(Shown(path)));
    return true;
}

QString SaveFailureMessage(const QString& path, const QString& reason) {
    // The reason usually names the file already.
    if (reason.contains(QDir::toNativeSeparators(path)) || reason.contains(path))
        return QStringLiteral("Nastavení programu se nepodařilo uložit.\n") + reason;
    QString message =
        QStringLiteral("Nastavení programu se nepodařilo uložit do souboru %1.").arg(QDir::toNativeSeparators(path));
    if (!reason.isEmpty()) message += QLatin1Char('\n') + reason;
    return message;
}

}  // namespace rq36
