// Measured values as CSV, for scripts and spreadsheets: one header line
// ("time,ain0 [V],ain1 [V]"), then one row per sample, the time first as
// local ISO 8601 with milliseconds.  Values come already written as text;
// with FormatMeasuredValue(..., QLocale::c()) their decimal point is '.'
// whatever the user's locale, so a column never splits at a decimal comma.
// Each line goes out at once (flushed), so a reader following the file, or a
// run that is interrupted, sees every complete row and never half of one.
#pragma once

#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <QStringList>

namespace rq36 {

// A column name: a value's channel and, when it has one, its unit in
// brackets, "ain0 [V]".
QString CsvColumnName(const QString& channel, const QString& unit);

// A field as CSV wants it: quoted (quotes doubled) when it holds a comma, a
// quote or a line end; unchanged otherwise.
QString CsvField(const QString& text);

// "time,<columns>" and "<time>,<values>", without the line end.
QString CsvHeaderLine(const QStringList& columns);
QString CsvRowLine(const QDateTime& time, const QStringList& values);

class CsvWriter {
public:
    explicit CsvWriter(QIODevice& out) : out_(out) {}
    // Each writes one line (UTF-8, LF) and flushes it; false when the device
    // refused it (a closed pipe, a full disk).
    bool WriteHeader(const QStringList& columns);
    bool WriteRow(const QDateTime& time, const QStringList& values);
    // Any fields, e.g. a "key,value" line of a block before the header; no
    // fields: an empty line.
    bool WriteFields(const QStringList& fields);

    // The bytes this writer has put out.
    qint64 BytesWritten() const { return written_; }

private:
    bool WriteLine(const QString& line);
    QIODevice& out_;
    qint64 written_ = 0;
};

}  // namespace rq36
