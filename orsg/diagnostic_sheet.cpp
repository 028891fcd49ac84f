#include "diagnostic_sheet.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "cp1250.h"
#include "decimal_text.h"
#include "library_state.h"

namespace orsg {
namespace {

// Rows 6 and 7 of the identification: the card's maker is not recorded on
// the card, so the window says so rather than inventing a name.
constexpr std::string_view kMakerName = "neuvedeno";
constexpr std::string_view kMakerUrl = "neuvedeno";
constexpr std::string_view kLibraryName = "ORSG.DLL";
constexpr double kLibraryVersion = 1.00;

constexpr std::array<std::string_view, kIdentificationRows> kIdentificationLabels = {
    "Název knihovny",   "Verze knihovny", "Název karty", "Výrobní číslo",         "Typ a verze FW",
    "Typ a verze FPGA", "Výrobce",        "URL",         "Komunikační port",      "Výběr karty",
    "Pozice BUS/SLOT",  "Index",          "Handle",      "Parametry funkce Init", "Datum a čas spuštění"};

constexpr std::array<std::string_view, kConfigurationRows> kConfigurationLabels = {
    "Komunikační rychlost [Bd]", "Timeout odezvy modulu Pondrik [ms]", "Počet opakování při chybě komunikace"};

constexpr std::array<std::string_view, kOverviewRows> kOverviewLabels = {
    "Celkový počet volání Send", "Počet volání Send / sek", "Celkový počet chyb komunikace",
    "Chybovost komunikace [%]"};

constexpr std::array<std::string_view, kHistoryColumns> kHistoryHeader = {
    "Index", "Datum", "Čas", "Status", "Značka [ms]", "Doba [ms]", "Opak", "Vyslaná zpráva", "Přijatá data"};

constexpr int kSentBytesShown = 8;
constexpr int kReceivedBytesShown = 16;
constexpr std::size_t kLogCellWidth = 12;
constexpr std::string_view kCrLf = "\r\n";

template <typename T>
void AssignDecimal(std::string& out, T value) {
    std::array<char, 24> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    out.assign(buffer.data(), end);
}

template <typename T>
std::string Decimal(T value) {
    std::string out;
    AssignDecimal(out, value);
    return out;
}

// Bytes as two-digit (at least) upper-case hexadecimal numbers separated by
// single spaces.  The full value is shown: a request element above 255 keeps
// its upper digits here although only its low byte went to the card.
void AssignHexBytes(std::string& out, const int32_t* values, int count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out.clear();
    for (int i = 0; i < count; ++i) {
        if (i != 0) out.push_back(' ');
        auto v = static_cast<uint32_t>(values[i]);
        std::array<char, 8> digits{};
        int n = 0;
        do {
            digits[static_cast<std::size_t>(n++)] = kDigits[v & 0xF];
            v >>= 4;
        } while (v != 0 || n < 2);
        while (n > 0) out.push_back(digits[static_cast<std::size_t>(--n)]);
    }
}

// A card text of 16 elements, one Windows-1250 character each, kept as read.
std::string CardTextUtf8(const CardText& text) {
    std::string bytes;
    for (int32_t c : text) bytes.push_back(static_cast<char>(c & 0xFF));
    return rq36::Cp1250ToUtf8(bytes);
}

// Every digit of a pointer-sized value: 16 on a 64-bit build, 8 on 32-bit.
std::string HexAllDigits(uintptr_t value) {
    constexpr int kDigits = 2 * static_cast<int>(sizeof(uintptr_t));
    std::array<char, kDigits + 1> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%0*llX", kDigits, static_cast<unsigned long long>(value));
    return buffer.data();
}

void AppendLine(std::string& out, std::string_view utf8) {
    out += rq36::Utf8ToCp1250(utf8);
    out += kCrLf;
}

void AppendKeyValueSection(std::string& out, std::string_view title, std::string_view rule, const TextGrid& grid) {
    AppendLine(out, title);
    AppendLine(out, rule);
    out += kCrLf;
    for (int r = 0; r < grid.Rows(); ++r) {
        out += rq36::Utf8ToCp1250(grid.At(r, 0));
        out += " = ";
        out += rq36::Utf8ToCp1250(grid.At(r, 1));
        out += kCrLf;
    }
}

void AppendHistorySection(std::string& out, std::string_view title, std::string_view rule, const TextGrid& grid) {
    AppendLine(out, title);
    AppendLine(out, rule);
    out += kCrLf;
    for (int r = 0; r < grid.Rows(); ++r) {
        for (int c = 0; c < grid.Columns(); ++c) {
            out += PadLogCell(rq36::Utf8ToCp1250(grid.At(r, c)));
            out += '\t';
            if (c == kSentColumn) {
                out += '\t';
                if (r == 0) out += '\t';
            }
        }
        out += kCrLf;
    }
}

void AppendEmptyLines(std::string& out) {
    for (int i = 0; i < 3; ++i) out += kCrLf;
}

}  // namespace

std::string FixedText(double value, int decimals, std::string_view decimalPoint) {
    std::string out = rq36::RoundedFixed(value, decimals);
    if (const auto dot = out.find('.'); dot != std::string::npos) out.replace(dot, 1, decimalPoint);
    return out;
}

std::string EuartName(int32_t channel) { return "EUART" + Decimal(channel + 1); }

std::string WindowCaption(int32_t channel) { return " ORSG - " + EuartName(channel); }

void FillOnShow(DiagnosticSheet& sheet, const LibraryState& state, std::string_view decimalPoint) {
    TextGrid& id = sheet.identification;
    for (int r = 0; r < kIdentificationRows; ++r) id.At(r, 0) = kIdentificationLabels[static_cast<std::size_t>(r)];
    id.At(0, 1) = kLibraryName;
    id.At(1, 1) = FixedText(kLibraryVersion, 2, decimalPoint);
    id.At(2, 1) = CardTextUtf8(state.cardName);
    id.At(3, 1) = CardTextUtf8(state.serialNumber);
    id.At(4, 1) = CardTextUtf8(state.firmware);
    id.At(5, 1) = CardTextUtf8(state.fpga);
    id.At(6, 1) = kMakerName;
    id.At(7, 1) = kMakerUrl;
    id.At(8, 1) = EuartName(state.channel);
    id.At(9, 1) = state.selectionMode != 0 ? "podle pozice (BUS/SLOT)" : "automaticky (první nalezená)";
    id.At(10, 1) = Decimal(state.bus) + " / " + Decimal(state.slot);
    id.At(11, 1) = Decimal(state.cardIndex);
    id.At(12, 1) = HexAllDigits(static_cast<uintptr_t>(state.handleValue));
    std::string params;
    for (int32_t p : state.initParams) params += Decimal(p) + "  ";
    id.At(13, 1) = params;
    id.At(14, 1) = std::string(TextOf(state.startTime));

    for (int r = 0; r < kConfigurationRows; ++r)
        sheet.configuration.At(r, 0) = kConfigurationLabels[static_cast<std::size_t>(r)];
    for (int r = 0; r < kOverviewRows; ++r) sheet.overview.At(r, 0) = kOverviewLabels[static_cast<std::size_t>(r)];
    for (int c = 0; c < kHistoryColumns; ++c) {
        sheet.recent.At(0, c) = kHistoryHeader[static_cast<std::size_t>(c)];
        sheet.errors.At(0, c) = kHistoryHeader[static_cast<std::size_t>(c)];
    }
}

void FillHistoryRow(TextGrid& grid, int row, const CommRecord& record, std::string_view decimalPoint) {
    AssignDecimal(grid.At(row, 0), record.index);
    grid.At(row, 1) = TextOf(record.date);
    grid.At(row, 2) = TextOf(record.time);
    AssignDecimal(grid.At(row, 3), record.status);
    AssignDecimal(grid.At(row, 4), record.mark);
    // Tenths of a millisecond: whole part, separator, one digit, exactly.
    std::string& duration = grid.At(row, 5);
    AssignDecimal(duration, record.duration / 10);
    duration += decimalPoint;
    duration.push_back(static_cast<char>('0' + record.duration % 10));
    AssignDecimal(grid.At(row, 6), record.repeats);
    AssignHexBytes(grid.At(row, 7), record.sent.data(), kSentBytesShown);
    AssignHexBytes(grid.At(row, 8), record.received.data(), kReceivedBytesShown);
}

void FillChanging(DiagnosticSheet& sheet, const LibraryState& state, std::string_view decimalPoint) {
    AssignDecimal(sheet.configuration.At(0, 1), state.speed);
    AssignDecimal(sheet.configuration.At(1, 1), state.timeoutMs);
    AssignDecimal(sheet.configuration.At(2, 1), state.retries);
    AssignDecimal(sheet.overview.At(0, 1), state.stats.totalCalls);
    AssignDecimal(sheet.overview.At(1, 1), state.stats.callsPerSecond);
    AssignDecimal(sheet.overview.At(2, 1), state.stats.totalErrors);
    sheet.overview.At(3, 1) = FixedText(state.stats.errorRate, 2, decimalPoint);
    for (int k = 0; k < History::Size(); ++k) {
        FillHistoryRow(sheet.recent, k + 1, state.recent.Entry(k), decimalPoint);
        FillHistoryRow(sheet.errors, k + 1, state.errors.Entry(k), decimalPoint);
    }
}

std::vector<int> FitWidths(const std::vector<int>& needed, const std::vector<int>& preferred, int room) {
    int neededSum = 0;
    int preferredSum = 0;
    int largerSum = 0;
    for (std::size_t i = 0; i < needed.size(); ++i) {
        neededSum += needed[i];
        preferredSum += preferred[i];
        largerSum += std::max(needed[i], preferred[i]);
    }
    if (neededSum > room) return {};
    std::vector<int> widths(needed.size());
    if (largerSum <= room) {
        for (std::size_t i = 0; i < needed.size(); ++i) widths[i] = std::max(needed[i], preferred[i]);
        return widths;
    }
    const int spare = room - neededSum;
    for (std::size_t i = 0; i < needed.size(); ++i)
        widths[i] = needed[i] + (preferredSum > 0 ? spare * preferred[i] / preferredSum : 0);
    return widths;
}

std::string LogFileName(int32_t bus, int32_t slot, int32_t channel, const LogMoment& m) {
    std::array<char, 96> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "ORSG_%d_%d_%d_%02d%02d%02d_%02d%02d%02d.log", static_cast<int>(bus),
                  static_cast<int>(slot), static_cast<int>(channel), m.year % 100, m.month, m.day, m.hour, m.minute,
                  m.second);
    return buffer.data();
}

std::string PadLogCell(std::string_view cp1250) {
    std::string cell(cp1250);
    if (cell.size() < kLogCellWidth) {
        cell.append(10, ' ');
        cell.resize(std::min(cell.size(), kLogCellWidth));
    }
    return cell;
}

std::string LogText(const DiagnosticSheet& sheet) {
    std::string out;
    out.reserve(2 * kHistoryRows * (kHistoryColumns * (kLogCellWidth + 1) + 64) + 4096);
    AppendKeyValueSection(out, "Identifikace :", "______________", sheet.identification);
    AppendEmptyLines(out);
    AppendKeyValueSection(out, "Konfigurace :", "_____________", sheet.configuration);
    AppendEmptyLines(out);
    AppendKeyValueSection(out, "Přehled :", "_________", sheet.overview);
    AppendEmptyLines(out);
    AppendHistorySection(out, "Poslední komunikace :", "_____________________", sheet.recent);
    AppendEmptyLines(out);
    AppendHistorySection(out, "Chybové komunikace :", "____________________", sheet.errors);
    return out;
}

std::string WriteLogFile(const std::string& path, std::string_view bytes) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        const int error = errno;
        return "Soubor LOG nelze vytvořit: " + path + " (" + (error != 0 ? std::strerror(error) : "neznámá příčina") +
               ")";
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return {};
    const int error = writeError != 0 ? writeError : errno;
    std::remove(path.c_str());
    return "Soubor LOG nelze zapsat: " + path + " (" + (error != 0 ? std::strerror(error) : "neznámá příčina") + ")";
}

}  // namespace orsg
