// The texts of the diagnostic window, without the window: every grid cell as
// the window shows it, and the log file made from those cells.  The window
// only copies these texts into its grids; a test checks them here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orsg {

struct LibraryState;
struct CommRecord;

// A grid of UTF-8 cell texts, row by row.
class TextGrid {
public:
    TextGrid(int rows, int columns)
        : rows_(rows), columns_(columns), cells_(static_cast<std::size_t>(rows * columns)) {}
    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    std::string& At(int row, int column) { return cells_[Index(row, column)]; }
    const std::string& At(int row, int column) const { return cells_[Index(row, column)]; }

private:
    std::size_t Index(int row, int column) const { return static_cast<std::size_t>(row * columns_ + column); }
    int rows_;
    int columns_;
    std::vector<std::string> cells_;
};

inline constexpr int kIdentificationRows = 15;
inline constexpr int kConfigurationRows = 3;
inline constexpr int kOverviewRows = 4;
inline constexpr int kHistoryColumns = 9;
inline constexpr int kHistoryRows = 201;  // header and 200 entries
inline constexpr int kSentColumn = 7;     // "Vyslaná zpráva"

// The five grids of the window: identification, configuration and overview
// (label, value), recent and failed exchanges (header row, 200 entries).
struct DiagnosticSheet {
    TextGrid identification{kIdentificationRows, 2};
    TextGrid configuration{kConfigurationRows, 2};
    TextGrid overview{kOverviewRows, 2};
    TextGrid recent{kHistoryRows, kHistoryColumns};
    TextGrid errors{kHistoryRows, kHistoryColumns};
};

// What the window fills when it is shown: identification (both columns), the
// labels of configuration and overview, the history headers.  decimalPoint:
// the user's decimal separator.
void FillOnShow(DiagnosticSheet& sheet, const LibraryState& state, std::string_view decimalPoint);

// The refresh: configuration and overview values, history rows 1 to 200.
void FillChanging(DiagnosticSheet& sheet, const LibraryState& state, std::string_view decimalPoint);

// The nine cells of one history row.
void FillHistoryRow(TextGrid& grid, int row, const CommRecord& record, std::string_view decimalPoint);

// A number with a fixed count of decimals and the given separator; a first
// dropped digit of 5 or more rounds away from zero.
std::string FixedText(double value, int decimals, std::string_view decimalPoint);

// "EUART1".."EUART4" for channel index 0..3.
std::string EuartName(int32_t channel);

// The window's caption: " ORSG - EUART<channel index + 1>".
std::string WindowCaption(int32_t channel);

// Column widths for a grid of the given room: the preferred widths where
// each is at least what its texts need and all fit, else the needed widths
// with the spare room shared in proportion to the preferred ones.  Empty
// when even the needed widths do not fit.
std::vector<int> FitWidths(const std::vector<int>& needed, const std::vector<int>& preferred, int room);

// Local date and time of a log file's name.
struct LogMoment {
    int year = 0;  // e.g. 2026
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// ORSG_<bus>_<slot>_<channel>_<yymmdd>_<hhmmss>.log
std::string LogFileName(int32_t bus, int32_t slot, int32_t channel, const LogMoment& moment);

// A history cell in the log: shorter than 12 characters, ten spaces are
// appended and the text cut to 12; longer texts stay.  Windows-1250 bytes.
std::string PadLogCell(std::string_view cp1250);

// The whole log file: Windows-1250 bytes, every line ending in CR LF.
std::string LogText(const DiagnosticSheet& sheet);

// Creates (or overwrites) the file and writes the bytes.  Returns an empty
// text, or a message with the path and the reason; on failure no file is
// left behind.
std::string WriteLogFile(const std::string& path, std::string_view bytes);

}  // namespace orsg
