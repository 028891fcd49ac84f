#include "module/snapshot_file.h"

#include <algorithm>
#include <map>
#include <set>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>

namespace rq36 {

namespace {

constexpr int kRowBytes = 16;
constexpr qint64 kMaxFileBytes = 1 << 20;
constexpr char kAbsent[] = "--";

QString RowKey(int bank, int firstAddress) {
    return QStringLiteral("bank%1.%2").arg(bank).arg(QString::asprintf("%02X", firstAddress));
}

QString ValueField(const NamedByte& named, const std::optional<std::uint8_t>& value) {
    if (!value) return QString::fromLatin1(kAbsent);
    return named.hex ? QString::asprintf("%02X", static_cast<unsigned>(*value)) : QString::number(*value);
}

void WriteBank(QString& out, int bank, const SnapshotBank& bytes) {
    for (int row = 0; row < kBankBytes; row += kRowBytes) {
        QStringList cells;
        for (int a = row; a < row + kRowBytes; ++a) {
            const auto& b = bytes[static_cast<std::size_t>(a)];
            cells << (b ? QString::asprintf("%02X", static_cast<unsigned>(*b)) : QString::fromLatin1(kAbsent));
        }
        out += RowKey(bank, row) + QStringLiteral(" = ") + cells.join(u' ') + u'\n';
    }
}

class Reader {
public:
    SnapshotReadResult Read(const QByteArray& bytes);

private:
    SnapshotReadResult Refuse(const QString& reason) const {
        return {std::nullopt, QStringLiteral("Soubor konfigurace nelze použít: %1.").arg(reason)};
    }
    QString AtLine(const QString& reason) const { return QStringLiteral("%1 (řádek %2)").arg(reason).arg(line_); }
    // Reads one key; an empty result means it was taken.
    QString Take(const QString& key, const QString& value);
    QString TakeRow(int bank, int first, const QString& value);

    int line_ = 0;
    Snapshot s_;
    std::set<QString> seen_;
    std::map<std::uint8_t, std::optional<std::uint8_t>> named_;  // address -> value under its key
    int bank0Rows_ = 0;
    int calibrationRows_ = 0;
};

std::optional<int> ParseHexByte(const QString& text) {
    if (text.size() != 2) return std::nullopt;
    bool ok = false;
    const int v = text.toInt(&ok, 16);
    return ok ? std::optional<int>(v) : std::nullopt;
}

QString Reader::Take(const QString& key, const QString& value) {
    if (seen_.count(key)) return AtLine(QStringLiteral("klíč %1 je v souboru dvakrát").arg(key));
    seen_.insert(key);
    if (key == QLatin1String("identity")) {
        if (value.size() < 2 || !value.startsWith(u'"') || !value.endsWith(u'"'))
            return AtLine(QStringLiteral("identita modulu musí být v uvozovkách"));
        s_.identity = value.mid(1, value.size() - 2);
        return {};
    }
    if (key == QLatin1String("taken")) {
        s_.taken = QDateTime::fromString(value, Qt::ISODate);
        if (!s_.taken.isValid()) return AtLine(QStringLiteral("neplatné datum %1").arg(value));
        s_.taken = s_.taken.toUTC();
        return {};
    }
    if (key.startsWith(QLatin1String("bank"))) {
        const qsizetype dot = key.indexOf(u'.');
        bool okBank = false;
        const int bank = key.mid(4, dot - 4).toInt(&okBank);
        const std::optional<int> first = ParseHexByte(key.mid(dot + 1));
        const bool known = bank == kConfigBank || (bank >= kCalibrationBankFirst && bank <= kCalibrationBankLast);
        if (dot < 0 || !okBank || !known || !first || *first % kRowBytes != 0)
            return AtLine(QStringLiteral("neznámý klíč %1").arg(key));
        return TakeRow(bank, *first, value);
    }
    for (const NamedByte& n : NamedBytes()) {
        if (n.key != key) continue;
        if (value == QLatin1String(kAbsent)) {
            named_[n.address] = std::nullopt;
            return {};
        }
        bool ok = false;
        const int v = n.hex ? (ParseHexByte(value) ? *ParseHexByte(value) : -1) : value.toInt(&ok);
        if ((!n.hex && !ok) || v < 0) return AtLine(QStringLiteral("hodnota „%1“ klíče %2 není číslo").arg(value, key));
        if (v < n.minValue || v > n.maxValue)
            return AtLine(QStringLiteral("hodnota %1 klíče %2 (%3) je mimo rozsah %4 až %5")
                              .arg(value, key, n.name)
                              .arg(n.minValue)
                              .arg(n.maxValue));
        named_[n.address] = static_cast<std::uint8_t>(v);
        return {};
    }
    return AtLine(QStringLiteral("neznámý klíč %1").arg(key));
}

QString Reader::TakeRow(int bank, int first, const QString& value) {
    const QStringList cells = value.split(u' ', Qt::SkipEmptyParts);
    if (cells.size() != kRowBytes)
        return AtLine(QStringLiteral("řádek banky %1 má %2 bajtů místo %3").arg(bank).arg(cells.size()).arg(kRowBytes));
    if (bank != kConfigBank && !s_.calibration) s_.calibration.emplace();
    SnapshotBank& target =
        bank == kConfigBank ? s_.bank0 : (*s_.calibration)[std::size_t(bank - kCalibrationBankFirst)];
    for (int k = 0; k < kRowBytes; ++k) {
        const QString& cell = cells[k];
        auto& byte = target[static_cast<std::size_t>(first + k)];
        if (cell == QLatin1String(kAbsent)) {
            byte = std::nullopt;
            continue;
        }
        const std::optional<int> v = ParseHexByte(cell);
        if (!v) return AtLine(QStringLiteral("„%1“ není bajt v šestnáctkové soustavě").arg(cell));
        byte = static_cast<std::uint8_t>(*v);
    }
    (bank == kConfigBank ? bank0Rows_ : calibrationRows_)++;
    return {};
}

SnapshotReadResult Reader::Read(const QByteArray& bytes) {
    if (bytes.size() > kMaxFileBytes) return Refuse(QStringLiteral("soubor je větší než 1 MiB"));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) return Refuse(QStringLiteral("soubor není text v kódování UTF-8"));
    QStringList lines = text.split(u'\n');
    if (lines.isEmpty() || lines.first().trimmed().isEmpty())
        return Refuse(QStringLiteral("soubor je prázdný nebo nezačíná řádkem verze"));

    const QStringList head = lines.first().trimmed().split(u' ', Qt::SkipEmptyParts);
    if (head.size() != 2 || head[0] != QLatin1String(kSnapshotMagic))
        return Refuse(QStringLiteral("nejde o soubor konfigurace modulu RQ-36 (první řádek není „%1 %2“)")
                          .arg(QLatin1String(kSnapshotMagic))
                          .arg(kSnapshotVersion));
    bool ok = false;
    const int version = head[1].toInt(&ok);
    if (!ok || version != kSnapshotVersion)
        return Refuse(
            QStringLiteral("neznámá verze souboru „%1“ (program zná verzi %2)").arg(head[1]).arg(kSnapshotVersion));

    // A file cut short lacks its end line: said before anything else, since
    // its last line is then as likely as not cut in the middle.
    if (!std::any_of(lines.begin(), lines.end(), [](const QString& l) { return l.trimmed() == QLatin1String("end"); }))
        return Refuse(QStringLiteral("soubor je neúplný (chybí závěrečný řádek „end“)"));

    bool ended = false;
    for (line_ = 2; line_ <= lines.size(); ++line_) {
        QString l = lines[line_ - 1];
        if (l.endsWith(u'\r')) l.chop(1);
        const QString trimmed = l.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) continue;
        if (ended) return Refuse(AtLine(QStringLiteral("za řádkem „end“ následuje další text")));
        if (trimmed == QLatin1String("end")) {
            ended = true;
            continue;
        }
        const qsizetype eq = l.indexOf(u'=');
        if (eq < 0) return Refuse(AtLine(QStringLiteral("řádek nemá tvar klíč = hodnota")));
        const QString key = l.left(eq).trimmed();
        QString value = l.mid(eq + 1).trimmed();
        if (key != QLatin1String("identity")) {
            const qsizetype hash = value.indexOf(u'#');
            if (hash >= 0) value = value.left(hash).trimmed();
        }
        const QString error = Take(key, value);
        if (!error.isEmpty()) return Refuse(error);
    }

    // Keys or rows missing before the end line.
    if (!seen_.count(QStringLiteral("identity"))) return Refuse(QStringLiteral("soubor je neúplný (chybí identity)"));
    if (!seen_.count(QStringLiteral("taken"))) return Refuse(QStringLiteral("soubor je neúplný (chybí taken)"));
    for (const NamedByte& n : NamedBytes())
        if (!named_.count(n.address)) return Refuse(QStringLiteral("soubor je neúplný (chybí %1)").arg(n.key));
    if (bank0Rows_ != kBankBytes / kRowBytes)
        return Refuse(
            QStringLiteral("soubor je neúplný (banka 0 má %1 řádků z %2)").arg(bank0Rows_).arg(kBankBytes / kRowBytes));
    if (calibrationRows_ != 0 && calibrationRows_ != kCalibrationBanks * kBankBytes / kRowBytes)
        return Refuse(QStringLiteral("soubor je neúplný (banky 30 až 32 mají %1 řádků z %2)")
                          .arg(calibrationRows_)
                          .arg(kCalibrationBanks * kBankBytes / kRowBytes));

    // A named byte changes only under its name: its hexadecimal cell must
    // hold the same value.
    for (const NamedByte& n : NamedBytes()) {
        const auto& cell = s_.bank0[n.address];
        const auto& value = named_[n.address];
        if (cell != value)
            return Refuse(
                QStringLiteral("bajt %1 banky 0 (%2) má v řádku bank0 hodnotu %3, pod svým jménem %4 = %5; "
                               "pojmenovaný bajt se mění jen pod svým jménem")
                    .arg(QString::asprintf("%02Xh", static_cast<unsigned>(n.address)), n.name,
                         cell ? QString::asprintf("%02X", static_cast<unsigned>(*cell)) : QString::fromLatin1(kAbsent),
                         n.key, ValueField(n, value)));
    }
    return {std::move(s_), QString()};
}

}  // namespace

QString SnapshotFileFilter() { return QStringLiteral("Konfigurace RQ-36 (*.%1)").arg(QLatin1String(kSnapshotSuffix)); }

QByteArray SnapshotToText(const Snapshot& snapshot) {
    QString out;
    out += QStringLiteral("%1 %2\n").arg(QLatin1String(kSnapshotMagic)).arg(kSnapshotVersion);
    out += QStringLiteral(
        "# Konfigurace modulu RQ-36 (W_RQ36). Pojmenované bajty se mění pod svým jménem;\n"
        "# řádky bankN.AA obsahují všechny bajty banky od adresy AA, \"--\" = modul adresu nezná.\n");
    out += QStringLiteral("identity = \"%1\"\n").arg(snapshot.identity);
    out += QStringLiteral("taken = %1\n").arg(snapshot.taken.toUTC().toString(Qt::ISODate));
    for (const NamedByte& n : NamedBytes()) {
        const auto& value = snapshot.bank0[n.address];
        QString lineText = n.key + QStringLiteral(" = ") + ValueField(n, value);
        if (value) lineText = lineText.leftJustified(32) + QStringLiteral("# ") + NamedValueText(n, *value);
        out += lineText + u'\n';
    }
    WriteBank(out, kConfigBank, snapshot.bank0);
    if (snapshot.calibration)
        for (int b = kCalibrationBankFirst; b <= kCalibrationBankLast; ++b) WriteBank(out, b, *snapshot.Bank(b));
    out += QStringLiteral("end\n");
    return out.toUtf8();
}

SnapshotReadResult SnapshotFromText(const QByteArray& text) { return Reader().Read(text); }

bool WriteSnapshotFile(const QString& path, const Snapshot& snapshot, QString* error) {
    const QByteArray text = SnapshotToText(snapshot);
    QSaveFile file(path);
    const auto fail = [&](const QString& reason) {
        file.cancelWriting();
        if (error) *error = QStringLiteral("Soubor %1 se nepodařilo zapsat: %2.").arg(path, reason);
        return false;
    };
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    if (file.write(text) != text.size()) return fail(file.errorString());
    if (!file.commit()) {
        if (error) *error = QStringLiteral("Soubor %1 se nepodařilo zapsat: %2.").arg(path, file.errorString());
        return false;
    }
    return true;
}

SnapshotReadResult ReadSnapshotFile(const QString& path) {
    // Only a regular file: a device or a named pipe could keep the reader
    // waiting without end.
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile())
        return {std::nullopt, QStringLiteral("Soubor konfigurace nelze použít: %1 není obyčejný soubor.").arg(path)};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("Soubor %1 nelze otevřít: %2.").arg(path, file.errorString())};
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    return SnapshotFromText(bytes);
}

}  // namespace rq36
