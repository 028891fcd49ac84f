// A small INI document that behaves like the platform's profile services:
// "[section]" and "key=value" lines, names matched without regard to letter
// case (Czech letters included), values trimmed and a matching pair of quotes
// removed.  Every line the program does not write keeps its bytes, so a save
// changes only the program's own keys.
//
// Text encoding: Windows-1250.  A file that starts with a UTF-8 byte order
// mark is read and written as UTF-8 instead (the mark is kept), so a file
// that an editor converted still reads and stays consistent.
// Line ends: LF or CR LF on reading; a line the program does not write keeps
// its own line end, the lines it writes end in CR LF.
#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

class QFileDevice;

namespace rq36 {

// Writes every byte to an open file and pushes them out of the file's
// buffer to the system: false when a write or the flush failed (a full disk
// shows only at the flush when the bytes fit the buffer).
bool WriteOut(QFileDevice& file, const QByteArray& bytes);

// Replaces the file at `path` with `bytes` as one step: a temporary file
// beside it is written and checked, then takes its place; on any failure the
// old file stays as it was.  A writable file in a folder where no new file
// may be created is written in place instead.
bool ReplaceFile(const QString& path, const QByteArray& bytes);

class IniDocument {
public:
    IniDocument() = default;
    static IniDocument FromBytes(const QByteArray& bytes);
    QByteArray ToBytes() const;

    // The first key of that name in the first section of that name.
    std::optional<QString> Value(const QString& section, const QString& key) const;

    // Replaces the key's line (written with the name as given here) or adds
    // the key at the end of its section; adds the section at the end of the
    // document when it is missing.  A key that already reads as `value`
    // keeps its line untouched.  Control characters in the value become
    // '?', so a value never splits a line; a value with blanks at either end
    // or inside a pair of quotes is written quoted, so Value() gives it back.
    void SetValue(const QString& section, const QString& key, const QString& value);

    bool IsUtf8() const { return utf8_; }
    int LineCount() const { return static_cast<int>(lines_.size()); }

private:
    enum class LineType { Other, Section, Key };
    struct Line {
        QByteArray raw;           // the line's bytes without its line end
        QByteArray eol = "\r\n";  // its line end as read
        LineType type = LineType::Other;
        QString name;  // case-folded section or key name
    };

    QString Decode(const QByteArray& bytes) const;
    QByteArray Encode(const QString& text) const;
    Line Classify(QByteArray raw) const;
    int FindSection(const QString& foldedName) const;
    int FindKey(int header, const QString& foldedName) const;
    QString ValueOf(const Line& line) const;

    std::vector<Line> lines_;
    bool utf8_ = false;
};

}  // namespace rq36
