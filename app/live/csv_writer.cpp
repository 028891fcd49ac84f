#include "live/csv_writer.h"

#include <QFileDevice>

#include "interface/exchange_trace.h"

namespace rq36 {

QString CsvColumnName(const QString& channel, const QString& unit) {
    return unit.isEmpty() ? channel : channel + QStringLiteral(" [") + unit + QLatin1Char(']');
}

QString CsvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

namespace {
QString Joined(QString first, const QStringList& rest) {
    for (const QString& field : rest) first += QLatin1Char(',') + CsvField(field);
    return first;
}
}  // namespace

QString CsvHeaderLine(const QStringList& columns) { return Joined(QStringLiteral("time"), columns); }

QString CsvRowLine(const QDateTime& time, const QStringList& values) { return Joined(LocalTimeText(time), values); }

bool CsvWriter::WriteHeader(const QStringList& columns) { return WriteLine(CsvHeaderLine(columns)); }

bool CsvWriter::WriteRow(const QDateTime& time, const QStringList& values) {
    return WriteLine(CsvRowLine(time, values));
}

bool CsvWriter::WriteFields(const QStringList& fields) {
    QStringList quoted;
    for (const QString& field : fields) quoted << CsvField(field);
    return WriteLine(quoted.join(QLatin1Char(',')));
}

bool CsvWriter::WriteLine(const QString& line) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    const qint64 put = out_.write(bytes);
    if (put > 0) written_ += put;
    if (put != bytes.size()) return false;
    if (auto* file = qobject_cast<QFileDevice*>(&out_)) return file->flush();
    return true;
}

}  // namespace rq36
