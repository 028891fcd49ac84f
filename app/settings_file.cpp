#include "settings_file.h"

#include <string>

#include <QFileDevice>
#include <QSaveFile>

#include "cp1250.h"

namespace rq36 {

bool WriteOut(QFileDevice& file, const QByteArray& bytes) {
    return file.write(bytes) == bytes.size() && file.flush() && file.error() == QFileDevice::NoError;
}

bool ReplaceFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    // Losing the run's settings would be worse than a save that is not
    // atomic (a program folder the user may not change, a file in it he may).
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) return false;
    // commit() renames even when the flush inside its close failed: every
    // byte is out and checked before it, so its close has nothing to write.
    if (!WriteOut(file, bytes)) {
        file.cancelWriting();
        file.commit();  // removes the temporary file
        return false;
    }
    return file.commit();
}

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

bool IsBlankChar(QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f'; }

QString TrimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlankChar(text[begin])) ++begin;
    while (end > begin && IsBlankChar(text[end - 1])) --end;
    return text.mid(begin, end - begin);
}

QString Fold(const QString& name) { return TrimBlanks(name).toCaseFolded(); }

// A value inside a matching pair of double or single quotes.
bool IsQuoted(const QString& value) {
    return value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front();
}

}  // namespace

QString IniDocument::Decode(const QByteArray& bytes) const {
    if (utf8_) return QString::fromUtf8(bytes);
    return QString::fromStdString(Cp1250ToUtf8(std::string_view(bytes.constData(), bytes.size())));
}

QByteArray IniDocument::Encode(const QString& text) const {
    if (utf8_) return text.toUtf8();
    const std::string bytes = Utf8ToCp1250(text.toStdString());
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

IniDocument::Line IniDocument::Classify(QByteArray raw) const {
    Line line;
    line.raw = std::move(raw);
    // Blank lines, comments and lines without '[' or '=' need no decoding.
    const QByteArray bytes = line.raw.trimmed();
    if (bytes.isEmpty() || bytes.front() == ';' || bytes.front() == '#') return line;
    if (bytes.front() != '[' && !bytes.contains('=')) return line;
    const QString text = TrimBlanks(Decode(line.raw));
    if (text.isEmpty() || text.front() == u';' || text.front() == u'#') return line;
    if (text.front() == u'[') {
        const qsizetype close = text.indexOf(u']');
        if (close > 0) {
            line.type = LineType::Section;
            line.name = Fold(text.mid(1, close - 1));
        }
        return line;
    }
    const qsizetype eq = text.indexOf(u'=');
    if (eq > 0) {
        const QString name = Fold(text.left(eq));
        if (!name.isEmpty()) {
            line.type = LineType::Key;
            line.name = name;
        }
    }
    return line;
}

IniDocument IniDocument::FromBytes(const QByteArray& bytes) {
    IniDocument doc;
    QByteArray body = bytes;
    if (body.startsWith(kUtf8Bom)) {
        doc.utf8_ = true;
        body.remove(0, kUtf8Bom.size());
    }
    qsizetype start = 0;
    while (start < body.size()) {
        qsizetype end = body.indexOf('\n', start);
        if (end < 0) end = body.size();
        QByteArray raw = body.mid(start, end - start);
        QByteArray eol = end < body.size() ? QByteArray("\n") : QByteArray();
        if (raw.endsWith('\r')) {
            raw.chop(1);
            eol.prepend('\r');
        }
        Line line = doc.Classify(std::move(raw));
        line.eol = std::move(eol);
        doc.lines_.push_back(std::move(line));
        start = end + 1;
    }
    return doc;
}

QByteArray IniDocument::ToBytes() const {
    QByteArray out;
    if (utf8_) out += kUtf8Bom;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        out += line.raw;
        // A last line without a line end, or ending in a lone CR (a CR LF
        // file cut short), stays so unless lines follow it now: then it gets
        // a whole line end, so the next line starts on a line of its own.
        out += !line.eol.endsWith('\n') && i + 1 < lines_.size() ? QByteArray("\r\n") : line.eol;
    }
    return out;
}

int IniDocument::FindSection(const QString& foldedName) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].type == LineType::Section && lines_[i].name == foldedName) return static_cast<int>(i);
    return -1;
}

int IniDocument::FindKey(int header, const QString& foldedName) const {
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.type == LineType::Section) break;
        if (line.type == LineType::Key && line.name == foldedName) return static_cast<int>(i);
    }
    return -1;
}

QString IniDocument::ValueOf(const Line& line) const {
    const QString text = Decode(line.raw);
    QString value = TrimBlanks(text.mid(text.indexOf(u'=') + 1));
    if (IsQuoted(value)) value = value.mid(1, value.size() - 2);
    return value;
}

std::optional<QString> IniDocument::Value(const QString& section, const QString& key) const {
    const int header = FindSection(Fold(section));
    if (header < 0) return std::nullopt;
    const int at = FindKey(header, Fold(key));
    if (at < 0) return std::nullopt;
    return ValueOf(lines_[static_cast<std::size_t>(at)]);
}

void IniDocument::SetValue(const QString& section, const QString& key, const QString& value) {
    const int header = FindSection(Fold(section));
    const int existing = header < 0 ? -1 : FindKey(header, Fold(key));
    // A key that already reads as this value keeps its line as it is, so a
    // load and a save without a change leave the file byte for byte.
    if (existing >= 0 && ValueOf(lines_[static_cast<std::size_t>(existing)]) == value) return;

    QString clean = value;
    for (QChar& c : clean)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = u'?';
    // Reading trims blanks and removes a pair of quotes: a value that would
    // lose either is written inside one more pair, so it reads back whole.
    if (TrimBlanks(clean) != clean || IsQuoted(clean)) clean = u'"' + clean + u'"';
    Line entry = Classify(Encode(key + u'=' + clean));

    if (header < 0) {
        if (!lines_.empty() && !TrimBlanks(Decode(lines_.back().raw)).isEmpty()) lines_.push_back(Line{});
        lines_.push_back(Classify(Encode(u'[' + section + u']')));
        lines_.push_back(std::move(entry));
        return;
    }
    if (existing >= 0) {
        lines_[static_cast<std::size_t>(existing)] = std::move(entry);
        return;
    }
    std::size_t lastContent = static_cast<std::size_t>(header);
    for (std::size_t i = lastContent + 1; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.type == LineType::Section) break;
        if (!line.raw.trimmed().isEmpty()) lastContent = i;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastContent) + 1, std::move(entry));
}

}  // namespace rq36
