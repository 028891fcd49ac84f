// The settings file: any bytes as "W_rq36.ini", loaded over the defaults,
// saved with a changed module address, loaded again and saved again.  Checked:
//   - the document reproduces the file byte for byte when nothing is set;
//   - the save keeps every line it does not write, in order (at most the
//     program's own keys are replaced);
//   - the keys the program wrote read back as the record it saved, and the
//     other stored fields are the same too;
//   - a second save of what was read back changes no byte.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "connection_settings.h"
#include "fuzz_check.h"
#include "settings_file.h"

namespace {

// The file's lines without their line ends (LF, CR LF, or a lone CR at the
// very end).
std::vector<QByteArray> Lines(const QByteArray& bytes) {
    std::vector<QByteArray> lines;
    QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    qsizetype start = 0;
    while (start < body.size()) {
        qsizetype end = body.indexOf('\n', start);
        if (end < 0) end = body.size();
        QByteArray line = body.mid(start, end - start);
        if (line.endsWith('\r')) line.chop(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
}

bool SameStoredFields(const rq36::ConnectionSettings& a, const rq36::ConnectionSettings& b) {
    return a.InterfaceKind == b.InterfaceKind && a.ModuleAddress == b.ModuleAddress && a.Speed == b.Speed &&
           a.Parity == b.Parity && a.IsaBaseAddress == b.IsaBaseAddress && a.ComPort == b.ComPort &&
           a.IpAddress == b.IpAddress && a.UdpPort == b.UdpPort && a.UdpTimeout == b.UdpTimeout &&
           a.EuartIndex == b.EuartIndex;
}

// Keys the program writes: at most this many lines of the file change.
constexpr std::size_t kOwnKeys = 7;
constexpr std::size_t kMaxComparedLines = 400;

// Length of the longest common subsequence of two runs of lines.
std::size_t CommonLines(const std::vector<QByteArray>& a, const std::vector<QByteArray>& b) {
    std::vector<std::size_t> previous(b.size() + 1, 0);
    std::vector<std::size_t> current(b.size() + 1, 0);
    for (const QByteArray& line : a) {
        for (std::size_t j = 0; j < b.size(); ++j)
            current[j + 1] = line == b[j] ? previous[j] + 1 : std::max(previous[j + 1], current[j]);
        std::swap(previous, current);
    }
    return previous[b.size()];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/rq36-fuzz-XXXXXX"));
    static const QString path = dir.filePath(QStringLiteral("W_rq36.ini"));
    FUZZ_CHECK(dir.isValid());
    // Files beyond the size limit are neither read nor replaced; another
    // test covers them.
    if (size > 256 * 1024) return 0;
    const QByteArray original(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    FUZZ_CHECK(rq36::IniDocument::FromBytes(original).ToBytes() == original);

    WriteFile(path, original);
    rq36::ConnectionSettings loaded;
    rq36::SetDefaults(&loaded);
    const bool read = rq36::LoadSettings(&loaded, path);
    // A run that changed the address: the new one must be what reads back.
    ++loaded.ModuleAddress;
    FUZZ_CHECK(rq36::SaveSettings(&loaded, path));
    const QByteArray saved = ReadFile(path);

    // Every line of the input is still there, in order, but for the few the
    // program replaced: the longest common run of lines misses at most that
    // many.  (Skipped for files of very many lines, to keep runs quick.)
    const std::vector<QByteArray> before = Lines(original);
    const std::vector<QByteArray> after = Lines(saved);
    if (before.size() <= kMaxComparedLines) FUZZ_CHECK(before.size() - CommonLines(before, after) <= kOwnKeys);

    rq36::ConnectionSettings reread;
    rq36::SetDefaults(&reread);
    FUZZ_CHECK(rq36::LoadSettings(&reread, path));
    if (read) {
        FUZZ_CHECK(SameStoredFields(loaded, reread));
    } else {
        // Without an interface key nothing was read: the save wrote the
        // defaults of kind 0, and the other keys now count.
        FUZZ_CHECK(reread.InterfaceKind == 0 && reread.ModuleAddress == loaded.ModuleAddress);
        FUZZ_CHECK(reread.Speed == loaded.Speed && reread.ComPort == loaded.ComPort);
    }

    FUZZ_CHECK(rq36::SaveSettings(&reread, path));
    FUZZ_CHECK(ReadFile(path) == saved);
    return 0;
}
