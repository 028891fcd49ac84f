#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <tuple>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "connection_settings.h"
#include "interface/platform/platform.h"
#include "settings_file.h"

using namespace rq36;

namespace {

// "Připojení", "Rozhraní", "Číslo portu" ... as the file stores them.
const QByteArray kConnection("[P\xF8ipojen\xED]");
const QByteArray kInterfaceKey("Rozhran\xED");
const QByteArray kComPortKey("\xC8\xEDslo portu");

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath("W_rq36.ini");
        SetDefaults(&s_);
    }
    void Write(const QByteArray& bytes) {
        QFile f(path_);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray Read() const {
        QFile f(path_);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    ConnectionSettings Loaded(const QByteArray& bytes, bool expected = true) {
        Write(bytes);
        ConnectionSettings r;
        SetDefaults(&r);
        EXPECT_EQ(LoadSettings(&r, path_), expected);
        return r;
    }

    QTemporaryDir dir_;
    QString path_;
    ConnectionSettings s_;
};

// Runs fn with the rights of an ordinary user: directly, or as root in a
// child process that gave up its rights first.  Nothing when that user
// cannot even read the file at path (a temporary folder inside a private one).
std::optional<bool> AsOrdinaryUser(const QString& path, const std::function<bool()>& fn) {
    if (geteuid() != 0) return fn();
    const QByteArray file = QFile::encodeName(path);
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(1);
        if (access(file.constData(), R_OK) != 0) _exit(2);
        _exit(fn() ? 0 : 1);
    }
    int status = 0;
    if (child <= 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return false;
    if (WEXITSTATUS(status) == 2) return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

}  // namespace

TEST(ConnectionSettingsRecord, DefaultsResetAUsedRecord) {
    ConnectionSettings s;
    s.InterfaceKind = 5;
    s.ModuleAddress = 9;
    s.Speed = 1200;
    s.LibraryHandle = 77;
    s.Connected = true;
    s.ModuleIdentity = "RQ-36";
    s.InitParams[3] = 9;
    s.ConfigImage.fill(0xAA);
    SetDefaults(&s);
    EXPECT_EQ(std::tuple(s.InterfaceKind, s.ModuleAddress, s.Speed, s.Parity, s.IsaBaseAddress, s.ComPort),
              std::tuple(0, 1, 9600, 0, 0x300, 1));
    EXPECT_EQ(std::tuple(s.UdpPort, s.UdpTimeout, s.IpVersion, s.EuartIndex), std::tuple(5000, 2000, 4, 0));
    EXPECT_EQ(s.StatusText, QString::fromUtf8("Připojení modulu dosud neinicializováno"));
    EXPECT_EQ(s.LibraryHandle, 0);
    EXPECT_FALSE(s.Connected);
    EXPECT_EQ(s.ModuleIdentity, "???");
    EXPECT_EQ(s.InitParams, (std::array<std::int32_t, ORS_INIT_WORDS>{}));
    const ConfigImageBytes expected = {1, 4, 0,    0,    0,    0,    0, 0, 0, 0, 4, 0xFF, 0xFF, 0xFF, 0xFF,
                                       0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0,    0,    0};
    EXPECT_EQ(s.ConfigImage, expected);
    SetDefaults(nullptr);  // no record: nothing happens
}

TEST(ConnectionSettingsRecord, IsConnectedNeedsFlagAndHandle) {
    ConnectionSettings s;
    SetDefaults(&s);
    EXPECT_FALSE(IsConnected(nullptr));
    EXPECT_FALSE(IsConnected(&s));
    s.Connected = true;
    EXPECT_FALSE(IsConnected(&s));
    s.LibraryHandle = 1;
    EXPECT_TRUE(IsConnected(&s));
    s.Connected = false;
    EXPECT_FALSE(IsConnected(&s));
}

TEST(ConnectionSettingsRecord, SettingsFileBesideExecutableNotInTheWorkingDirectory) {
    QTemporaryDir elsewhere;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    const QString path = SettingsFilePath();
    QDir::setCurrent(before);
    const QString folder = QString::fromStdString(platform::ExecutableFolder());
    ASSERT_TRUE(QDir::isAbsolutePath(folder)) << folder.toStdString();
    EXPECT_EQ(path, folder + "/W_rq36.ini");
}

// A program installed where its user may not write keeps the user's own file.
TEST(ConnectionSettingsRecord, SettingsFileOfAProgramInstalledWhereTheUserMayNotWrite) {
    const QString program = "/usr/bin/W_rq36.ini", user = "/home/u/.config/W_RQ36/W_rq36.ini";
    EXPECT_EQ(ChooseSettingsFile(program, true, user), program);
    EXPECT_EQ(ChooseSettingsFile(program, false, user), user);
}

TEST_F(SettingsFile, MissingFileOrKeyKeepsDefaults) {
    s_.ModuleAddress = 9;
    EXPECT_FALSE(LoadSettings(&s_, path_));
    EXPECT_EQ(s_.ModuleAddress, 9);
    EXPECT_FALSE(LoadSettings(nullptr, path_));

    // Section present but no interface key, or the marker value itself.
    for (const QByteArray& body :
         {kConnection + "\r\nAdresa=7\r\n", kConnection + "\r\n" + kInterfaceKey + "=jkl\r\nAdresa=7\r\n",
          QByteArray("[Jinde]\r\n") + kInterfaceKey + "=ORS-E\r\n"}) {
        const ConnectionSettings r = Loaded(body, false);
        EXPECT_EQ(r.ModuleAddress, 1);
        EXPECT_EQ(r.InterfaceKind, 0);
    }
}

TEST_F(SettingsFile, FirstSaveIsExactWindows1250WithCrLf) {
    ASSERT_TRUE(SaveSettings(&s_, path_));
    const QByteArray expected = kConnection + "\r\n" + kInterfaceKey +
                                "=COMx\r\nAdresa=1\r\nRychlost=9600\r\n\r\n[COMx]\r\n" + kComPortKey + "=1\r\n";
    EXPECT_EQ(Read(), expected);
    EXPECT_FALSE(SaveSettings(nullptr, path_));
}

TEST_F(SettingsFile, EveryKindRoundTrips) {
    s_.ModuleAddress = 200;
    s_.Speed = 115200;
    s_.Parity = 2;
    s_.IsaBaseAddress = 0x2A0;
    s_.ComPort = 4;
    s_.IpAddress = QString::fromUtf8("převodník.local");
    s_.UdpPort = 6000;
    s_.UdpTimeout = 1500;
    s_.EuartIndex = 3;
    s_.OrsgDiagnosticWindow = true;
    for (std::uint8_t kind = 0; kind < kInterfaceKinds; ++kind) {
        QFile::remove(path_);
        s_.InterfaceKind = kind;
        ASSERT_TRUE(SaveSettings(&s_, path_));
        ConnectionSettings r;
        SetDefaults(&r);
        ASSERT_TRUE(LoadSettings(&r, path_));
        EXPECT_EQ(r.InterfaceKind, kind);
        EXPECT_EQ(r.ModuleAddress, 200);
        EXPECT_EQ(r.Speed, 115200);
        // Each kind stores only its own parameters.
        EXPECT_EQ(r.ComPort, kind == 0 || kind == 5 ? 4 : 1) << int(kind);
        EXPECT_EQ(r.IsaBaseAddress, kind == 1 ? 0x2A0 : 0x300) << int(kind);
        EXPECT_EQ(r.UdpPort, kind == 4 ? 6000 : 5000) << int(kind);
        EXPECT_EQ(r.UdpTimeout, kind == 4 ? 1500 : 2000) << int(kind);
        EXPECT_EQ(r.IpAddress, kind == 4 ? s_.IpAddress : QString("192.168.1.10")) << int(kind);
        EXPECT_EQ(r.EuartIndex, kind == 6 ? 3 : 0) << int(kind);
        EXPECT_EQ(r.OrsgDiagnosticWindow, kind == 6) << int(kind);  // absent: off
        EXPECT_EQ(r.Parity, kind == 5 ? 2 : 0) << int(kind);
    }
    // A kind outside 0..6 is stored as kind 0.
    QFile::remove(path_);
    s_.InterfaceKind = 9;
    ASSERT_TRUE(SaveSettings(&s_, path_));
    EXPECT_TRUE(Read().contains(kInterfaceKey + "=COMx\r\n"));
}

TEST_F(SettingsFile, IntegersTakeTheFieldWidthAndBadOnesKeepTheValue) {
    const ConnectionSettings r =
        Loaded(kConnection + "\r\n" + kInterfaceKey + "=ORS-E\r\nAdresa=300\r\nRychlost=12x\r\n" +
               "Parita=-1\r\n[ORS-B]\r\nB\xE1zov\xE1 adresa=70000\r\n[COMx]\r\n" + kComPortKey +
               "=99999999999\r\n[ORS-E]\r\nUDP timeout= $10 \r\n[ORS-G]\r\n\xD8"
               "adi\xE8 EUART=7\r\n");
    EXPECT_EQ(r.InterfaceKind, 4);
    EXPECT_EQ(r.ModuleAddress, 44);  // 300 & 0xFF
    EXPECT_EQ(r.Speed, 9600);        // not an integer: kept
    EXPECT_EQ(r.Parity, 255);        // -1: low 8 bits
    EXPECT_EQ(r.IsaBaseAddress, 70000 & 0xFFFF);
    EXPECT_EQ(r.ComPort, 1);      // beyond 32 bits: kept
    EXPECT_EQ(r.UdpPort, 5000);   // key missing
    EXPECT_EQ(r.UdpTimeout, 16);  // trimmed, hexadecimal
    EXPECT_EQ(r.EuartIndex, 7);   // not range-checked
}

TEST_F(SettingsFile, NamesIgnoreCaseButInterfaceNamesDoNot) {
    // Section and key names match in any letter case, Czech letters included.
    ConnectionSettings r = Loaded("[P\xD8IPOJEN\xCD]\r\nROZHRAN\xCD = ORS-G \r\nadresa=5\r\n");
    EXPECT_EQ(r.InterfaceKind, 6);
    EXPECT_EQ(r.ModuleAddress, 5);

    // An interface name in another letter case selects nothing; the rest is taken.
    Write(kConnection + "\r\n" + kInterfaceKey + "=comx\r\nAdresa=8\r\n");
    SetDefaults(&r);
    r.InterfaceKind = 3;
    EXPECT_TRUE(LoadSettings(&r, path_));
    EXPECT_EQ(r.InterfaceKind, 3);
    EXPECT_EQ(r.ModuleAddress, 8);
}

TEST_F(SettingsFile, ParityIsWrittenOnlyForModbusAndReadAlways) {
    s_.InterfaceKind = 5;
    s_.Parity = 2;
    ASSERT_TRUE(SaveSettings(&s_, path_));
    s_.InterfaceKind = 0;
    s_.Parity = 1;
    ASSERT_TRUE(SaveSettings(&s_, path_));  // kind 0 leaves "Parita" alone
    ConnectionSettings r;
    SetDefaults(&r);
    ASSERT_TRUE(LoadSettings(&r, path_));
    EXPECT_EQ(r.InterfaceKind, 0);
    EXPECT_EQ(r.Parity, 2);
}

TEST_F(SettingsFile, SaveKeepsEverythingItDoesNotWrite) {
    const QByteArray original = "; n\xE1vod\n# druh\xFD koment\xE1\xF8\r\n" + kConnection +
                                "\r\nrozhran\xED=ORS-E\r\nVlastn\xED=\x81\x83 nezn\xE1m\xE9\r\nAdresa=3\r\n\r\n"
                                "[ORS-E]\r\nIP adresa=10.0.0.7\r\nUDP port=7000\r\n\r\n[Jin\xE1 sekce]\r\nx=1\r\n"
                                "nesmysl bez rovn\xEDtka\r\n\xFF\xFE\x01 bin\xE1rn\xED\r\nposledn\xED";
    Write(original);
    s_.InterfaceKind = 6;
    s_.EuartIndex = 2;
    s_.ModuleAddress = 17;
    ASSERT_TRUE(SaveSettings(&s_, path_));
    const QByteArray expected = "; n\xE1vod\n# druh\xFD koment\xE1\xF8\r\n" + kConnection + "\r\n" + kInterfaceKey +
                                "=ORS-G\r\nVlastn\xED=\x81\x83 nezn\xE1m\xE9\r\nAdresa=17\r\nRychlost=9600\r\n\r\n"
                                "[ORS-E]\r\nIP adresa=10.0.0.7\r\nUDP port=7000\r\n\r\n[Jin\xE1 sekce]\r\nx=1\r\n"
                                "nesmysl bez rovn\xEDtka\r\n\xFF\xFE\x01 bin\xE1rn\xED\r\nposledn\xED\r\n"
                                "\r\n[ORS-G]\r\n\xD8"
                                "adi\xE8 EUART=2\r\nDiagnostick\xE9 okno=0\r\n";
    EXPECT_EQ(Read(), QByteArray(expected.constData(), expected.size()));
}

TEST_F(SettingsFile, OddButReadableFiles) {
    // LF only, a UTF-8 byte order mark with UTF-8 names, NUL bytes, invalid
    // Windows-1250 bytes in a value.
    ConnectionSettings r = Loaded(
        QByteArray("[P\xC5\x99ipojen\xC3\xAD]\nRozhran\xC3\xAD=ORS-D\nAdresa=\x81\x32\n").prepend("\xEF\xBB\xBF"));
    EXPECT_EQ(r.InterfaceKind, 3);
    EXPECT_EQ(r.ModuleAddress, 1);
    r.ModuleAddress = 4;
    ASSERT_TRUE(SaveSettings(&r, path_));
    EXPECT_EQ(
        Read(),
        QByteArray("\xEF\xBB\xBF[P\xC5\x99ipojen\xC3\xAD]\nRozhran\xC3\xAD=ORS-D\nAdresa=4\r\nRychlost=9600\r\n"));

    r = Loaded(kConnection + "\n" + kInterfaceKey + "=ORS-B\n[ORS-B]\nB\xE1zov\xE1 adresa=\"$2A0\"\n");
    EXPECT_EQ(r.InterfaceKind, 1);
    EXPECT_EQ(r.IsaBaseAddress, 0x2A0);

    const QByteArray withNul(
        "[P\xF8ipojen\xED]\r\nAdresa=\0"
        "9\r\nRozhran\xED=ORS-C\r\n",
        40);
    r = Loaded(withNul);
    EXPECT_EQ(r.InterfaceKind, 2);
    EXPECT_EQ(r.ModuleAddress, 1);

    QByteArray garbage;
    for (int i = 0; i < 70000; ++i) garbage += static_cast<char>((i * 7919) % 256);
    r = Loaded(garbage, false);
    EXPECT_EQ(r.InterfaceKind, 0);
    ASSERT_TRUE(SaveSettings(&r, path_));
    EXPECT_TRUE(Read().startsWith(garbage));  // kept, the keys added behind it
}

TEST_F(SettingsFile, ValuesNeverBreakTheLineStructure) {
    s_.InterfaceKind = 4;
    s_.IpAddress = QString::fromUtf8("10.0.0.1\r\n[Připojení]\r\nRozhraní=ORS-G €ж");
    ASSERT_TRUE(SaveSettings(&s_, path_));
    ConnectionSettings r;
    SetDefaults(&r);
    ASSERT_TRUE(LoadSettings(&r, path_));
    EXPECT_EQ(r.InterfaceKind, 4);
    EXPECT_EQ(r.IpAddress, QString::fromUtf8("10.0.0.1??[Připojení]??Rozhraní=ORS-G €?"));
}

TEST_F(SettingsFile, OversizedFileIsNeitherReadNorReplaced) {
    QByteArray big = kConnection + "\r\n" + kInterfaceKey + "=ORS-C\r\n";
    big += QByteArray(1100 * 1024, 'x');
    Write(big);
    EXPECT_FALSE(LoadSettings(&s_, path_));
    QString error;
    EXPECT_FALSE(SaveSettings(&s_, path_, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(Read(), big);
}

TEST_F(SettingsFile, UnwritableLocationFailsWithAMessage) {
    // The folder is a regular file: nothing can be created there, even by root.
    const QString blocker = dir_.filePath("soubor");
    {
        QFile f(blocker);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QString error;
    EXPECT_FALSE(SaveSettings(&s_, blocker + "/W_rq36.ini", &error));
    EXPECT_TRUE(error.contains("soubor")) << error.toStdString();
    EXPECT_TRUE(error.startsWith(QString::fromUtf8("Nastavení nebylo uloženo"))) << error.toStdString();
}

TEST_F(SettingsFile, ReadOnlyFileIsKeptAndAFileInAReadOnlyFolderIsWritten) {
    // Permissions do not bind root: the checks run as an ordinary user then.
    Write(kConnection + "\r\n" + kInterfaceKey + "=ORS-C\r\n");
    const QByteArray before = Read();
    s_.InterfaceKind = 3;
    const auto save = [this] { return SaveSettings(&s_, path_); };
    // The folder admits no new file, the file itself is read-only: nothing changes.
    ASSERT_TRUE(QFile::setPermissions(
        dir_.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther | QFileDevice::ExeOther));
    ASSERT_TRUE(QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::ReadOther));
    const std::optional<bool> readOnly = AsOrdinaryUser(path_, save);
    if (!readOnly) GTEST_SKIP() << "the temporary folder is out of an ordinary user's reach";
    EXPECT_FALSE(*readOnly);
    EXPECT_EQ(Read(), before);
    // A writable file in that folder is written in place.
    ASSERT_TRUE(QFile::setPermissions(
        path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther | QFileDevice::WriteOther));
    EXPECT_EQ(AsOrdinaryUser(path_, save), std::optional<bool>(true));
    EXPECT_TRUE(Read().contains(kInterfaceKey + "=ORS-D\r\n")) << Read().toStdString();
    QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// A device that refuses every byte (/dev/full): the bytes fit the file's
// buffer, so only the flush tells.
TEST(WriteOut, RefusedBytesAreNoticed) {
    QFile full(QStringLiteral("/dev/full"));
    if (!full.open(QIODevice::WriteOnly)) GTEST_SKIP() << "no /dev/full here";
    EXPECT_FALSE(WriteOut(full, QByteArray(300, 'x')));
    QTemporaryDir dir;
    QFile file(dir.filePath("out"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_TRUE(WriteOut(file, QByteArray(300, 'x')));
}

// The user's configuration folder on a full file system: a small tmpfs,
// mounted when this process may (root, as in CI).
TEST_F(SettingsFile, FullFileSystemKeepsTheOldFileAndSaysSo) {
    QTemporaryDir mountPoint;
    ASSERT_TRUE(mountPoint.isValid());
    const QByteArray where = QFile::encodeName(mountPoint.path());
    if (::mount("rq36-full", where.constData(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "no right to mount a file system here";
    struct Unmount {
        QByteArray where;
        ~Unmount() { ::umount2(where.constData(), MNT_DETACH); }
    } unmount{where};

    const QString path = mountPoint.filePath("W_rq36.ini");
    s_.ModuleAddress = 7;
    ASSERT_TRUE(SaveSettings(&s_, path));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray before = saved.readAll();
    saved.close();
    {
        QFile filler(mountPoint.filePath("filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(1024, 'f')) == 1024) {}
    }
    s_.ModuleAddress = 8;
    QString why;
    EXPECT_FALSE(SaveSettings(&s_, path, &why));
    EXPECT_EQ(
        why,
        QString::fromUtf8("Nastavení nebylo uloženo: soubor %1 nelze zapsat.").arg(QDir::toNativeSeparators(path)));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), before);
    // No temporary file is left behind.
    EXPECT_EQ(QDir(mountPoint.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
}
