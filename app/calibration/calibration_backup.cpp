#include "calibration/calibration_backup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

#include "module/config_transfer.h"
#include "module/range_table.h"

namespace rq36 {

namespace {

constexpr char kMagic[] = "RQ36CAL 1";
constexpr qint64 kMaxFileBytes = 1 << 20;

QString RecordLine(const KeptCalibration& k) {
    QStringList cells;
    for (std::uint8_t b : k.bytes) cells << QString::asprintf("%02X", static_cast<unsigned>(b));
    return QStringLiteral("record = %1 %2 %3 %4 %5")
        .arg(k.taken.toUTC().toString(Qt::ISODate))
        .arg(k.moduleAddress)
        .arg(k.input)
        .arg(k.rangeCode)
        .arg(cells.join(u' '));
}

std::optional<KeptCalibration> ParseRecord(const QString& value) {
    const QStringList f = value.split(u' ', Qt::SkipEmptyParts);
    if (f.size() != 4 + kCalibrationRecordBytes) return std::nullopt;
    KeptCalibration k;
    k.taken = QDateTime::fromString(f[0], Qt::ISODate);
    bool a = false, i = false, r = false;
    k.moduleAddress = f[1].toInt(&a);
    k.input = f[2].toInt(&i);
    k.rangeCode = f[3].toInt(&r);
    if (!k.taken.isValid() || !a || !i || !r || k.moduleAddress < 0 || k.moduleAddress > 255 || k.input < 0 ||
        k.input >= kAnalogInputs || RangeOf(k.rangeCode) == nullptr)
        return std::nullopt;
    for (int b = 0; b < kCalibrationRecordBytes; ++b) {
        bool ok = false;
        const int v = f[4 + b].toInt(&ok, 16);
        if (!ok || f[4 + b].size() != 2) return std::nullopt;
        k.bytes[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(v);
    }
    return k;
}

}  // namespace

QString KeptCalibration::Description() const {
    return QStringLiteral("%1  AIN%2  %3  (adresa %4)")
        .arg(taken.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")))
        .arg(input)
        .arg(QString::fromUtf8(RangeOf(rangeCode) ? RangeOf(rangeCode)->listText : "???"))
        .arg(moduleAddress);
}

QString CalibrationBackupFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/kalibrace");
}

QString CalibrationBackupPath(const QString& folder, const QString& identity, const QDate& day) {
    QString name;
    for (const QChar c : identity.simplified()) name += (c.isLetterOrNumber() || c == u'.' || c == u'-') ? c : u'_';
    return folder + u'/' + name + u'_' + day.toString(Qt::ISODate) + u'.' + QLatin1String(kCalibrationBackupSuffix);
}

QString CalibrationBackupFilter() {
    return QStringLiteral("Záloha kalibrace RQ-36 (*.%1)").arg(QLatin1String(kCalibrationBackupSuffix));
}

QString KeepCalibrationRecord(ModuleLink& link, const QString& folder, const QString& identity, int moduleAddress,
                              int input, int rangeCode, const QDateTime& now) {
    KeptCalibration kept;
    kept.taken = now.toUTC();
    kept.moduleAddress = moduleAddress;
    kept.input = input;
    kept.rangeCode = rangeCode;
    const std::uint8_t bank = CalibrationBank(input);
    const std::uint8_t slot = CalibrationSlotAddress(input, rangeCode);
    for (int b = 0; b < kCalibrationRecordBytes; ++b) {
        const ModuleReply reply = link.Send(ReadConfigByteCommand(bank, static_cast<std::uint8_t>(slot + b)));
        if (!reply.Ok()) return link.StatusText(reply.status);
        kept.bytes[static_cast<std::size_t>(b)] = reply.r[2];
    }

    const QString path = CalibrationBackupPath(folder, identity, kept.taken.toLocalTime().date());
    const QString failed = QStringLiteral("Zálohu kalibračních konstant nelze uložit do souboru %1: %2")
                               .arg(QDir::toNativeSeparators(path));
    QByteArray text;
    QFile old(path);
    if (old.exists()) {
        QString error;
        if (!ReadCalibrationBackup(path, &error)) return failed.arg(error);
        if (!old.open(QIODevice::ReadOnly)) return failed.arg(old.errorString());
        text = old.readAll();
        if (!text.endsWith('\n')) text += '\n';
    } else {
        text = QByteArray(kMagic) + "\nidentity = \"" + identity.toUtf8() + "\"\n";
    }
    text += RecordLine(kept).toUtf8() + '\n';
    if (!QDir().mkpath(folder)) return failed.arg(QStringLiteral("složku nelze vytvořit"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return failed.arg(file.errorString());
    if (file.write(text) != text.size()) {
        file.cancelWriting();
        return failed.arg(file.errorString());
    }
    if (!file.commit()) return failed.arg(file.errorString());
    return {};
}

CalibrationProcedure::BeforeWrite KeepBeforeCalibration(const ConnectionSettings* settings) {
    return [settings](ModuleLink& link, int input, int rangeCode) {
        if (!settings) return QStringLiteral("Záloha kalibračních konstant: chybí záznam připojení.");
        return KeepCalibrationRecord(link, CalibrationBackupFolder(), settings->ModuleIdentity, settings->ModuleAddress,
                                     input, rangeCode);
    };
}

std::optional<CalibrationBackupFile> ReadCalibrationBackup(const QString& path, QString* error) {
    const auto fail = [&](const QString& reason) {
        if (error) *error = reason;
        return std::nullopt;
    };
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile()) return fail(QStringLiteral("není obyčejný soubor"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return fail(file.errorString());
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (bytes.size() > kMaxFileBytes) return fail(QStringLiteral("soubor je větší než 1 MiB"));
    const QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    if (lines.isEmpty() || lines.first().trimmed() != QLatin1String(kMagic))
        return fail(
            QStringLiteral("nejde o zálohu kalibrace RQ-36 (první řádek není „%1“)").arg(QLatin1String(kMagic)));
    CalibrationBackupFile out;
    bool identity = false;
    for (int n = 2; n <= lines.size(); ++n) {
        const QString l = lines[n - 1].trimmed();
        if (l.isEmpty() || l.startsWith(u'#')) continue;
        const qsizetype eq = l.indexOf(u'=');
        const QString key = l.left(eq).trimmed();
        const QString value = l.mid(eq + 1).trimmed();
        if (eq > 0 && key == QLatin1String("identity") && value.size() >= 2 && value.startsWith(u'"') &&
            value.endsWith(u'"')) {
            out.identity = value.mid(1, value.size() - 2);
            identity = true;
            continue;
        }
        const std::optional<KeptCalibration> k =
            eq > 0 && key == QLatin1String("record") ? ParseRecord(value) : std::nullopt;
        if (!k) return fail(QStringLiteral("chybný řádek %1").arg(n));
        out.records.push_back(*k);
    }
    if (!identity) return fail(QStringLiteral("chybí identita modulu"));
    return out;
}

QString RestoreKeptCalibration(ModuleLink& link, const KeptCalibration& kept) {
    const std::uint8_t bank = CalibrationBank(kept.input);
    const std::uint8_t slot = CalibrationSlotAddress(kept.input, kept.rangeCode);
    for (int b = 0; b < kCalibrationRecordBytes; ++b) {
        const VerifiedWrite written =
            WriteConfigByteVerified(link, bank, static_cast<std::uint8_t>(slot + b), kept.bytes[std::size_t(b)]);
        if (written.outcome == VerifiedWrite::RequestFailed) return u' ' + link.StatusText(written.status);
        if (written.outcome == VerifiedWrite::Mismatch) return WriteMismatchText();
    }
    return {};
}

}  // namespace rq36
