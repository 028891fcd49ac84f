// The diagnostic window's texts and the log file, without a window.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "cp1250.h"
#include "diagnostic_sheet.h"
#include "test_support.h"

namespace {

using orsg::CommRecord;
using orsg::DiagnosticSheet;
using orsg::TextGrid;

std::vector<std::string> Row(const TextGrid& grid, int row) {
    std::vector<std::string> cells;
    for (int c = 0; c < grid.Columns(); ++c) cells.push_back(grid.At(row, c));
    return cells;
}

TEST(DiagnosticSheet, HistoryRowTexts) {
    TextGrid grid(3, orsg::kHistoryColumns);
    CommRecord r;
    r.index = 5;
    std::snprintf(r.date.data(), r.date.size(), "%s", "06.12.14");
    std::snprintf(r.time.data(), r.time.size(), "%s", "14:05:33.045");
    r.status = 4;
    r.mark = 4000000000u;
    r.duration = 1237;
    r.repeats = 2;
    r.sent = {1, 0xC8, 0x1FF, 0, 0, 0, 0, 0xAB, 0x77};  // element 8 is not shown
    for (int k = 0; k < 16; ++k) r.received[static_cast<std::size_t>(k)] = k * 16 + k;
    orsg::FillHistoryRow(grid, 1, r, ",");
    EXPECT_EQ(Row(grid, 1), (std::vector<std::string>{"5", "06.12.14", "14:05:33.045", "4", "4000000000", "123,7", "2",
                                                      "01 C8 1FF 00 00 00 00 AB",
                                                      "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF"}));
    // A cleared entry.
    orsg::FillHistoryRow(grid, 2, CommRecord{}, ".");
    EXPECT_EQ(Row(grid, 2), (std::vector<std::string>{"0", "", "", "0", "0", "0.0", "0", "00 00 00 00 00 00 00 00",
                                                      "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"}));
}

TEST(DiagnosticSheet, IdentificationConfigurationAndRates) {
    auto state = std::make_unique<orsg::LibraryState>();
    state->selectionMode = 1;
    state->bus = 2;
    state->slot = 5;
    state->channel = 3;
    state->cardIndex = 1;
    state->initParams[3] = 3;
    state->initParams[15] = 256;
    state->handleValue = 0xABC;
    state->cardName = {'O', 'R', 'S', '-', 'G', 0xE8, ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    DiagnosticSheet sheet;
    orsg::FillOnShow(sheet, *state, ",");
    orsg::FillChanging(sheet, *state, ",");
    EXPECT_EQ(Row(sheet.identification, 1), (std::vector<std::string>{"Verze knihovny", "1,00"}));
    EXPECT_EQ(sheet.identification.At(2, 1), "ORS-Gč          ");  // 0xE8 is č in Windows-1250
    EXPECT_EQ(sheet.identification.At(8, 1), "EUART4");
    EXPECT_EQ(sheet.identification.At(9, 1), "podle pozice (BUS/SLOT)");
    EXPECT_EQ(sheet.identification.At(10, 1), "2 / 5");
    EXPECT_EQ(sheet.identification.At(12, 1), sizeof(std::uintptr_t) == 8 ? "0000000000000ABC" : "00000ABC");
    EXPECT_EQ(sheet.identification.At(13, 1), "0  0  0  3  0  0  0  0  0  0  0  0  0  0  0  256  ");
    EXPECT_EQ(Row(sheet.configuration, 1), (std::vector<std::string>{"Timeout odezvy modulu Pondrik [ms]", "200"}));
    EXPECT_EQ(Row(sheet.overview, 3), (std::vector<std::string>{"Chybovost komunikace [%]", "0,00"}));
    EXPECT_EQ(Row(sheet.recent, 0)[5], "Doba [ms]");

    state->selectionMode = 0;
    orsg::FillOnShow(sheet, *state, ",");
    EXPECT_EQ(sheet.identification.At(9, 1), "automaticky (první nalezená)");

    state->stats.totalCalls = 8;
    state->stats.totalErrors = 3;
    orsg::TickSecond(state->stats);
    orsg::FillChanging(sheet, *state, ",");
    EXPECT_EQ(sheet.overview.At(3, 1), "37,50");
    state->stats.totalCalls = 32;  // 3.125 %: the 5 rounds up
    state->stats.totalErrors = 1;
    orsg::TickSecond(state->stats);
    orsg::FillChanging(sheet, *state, ",");
    EXPECT_EQ(sheet.overview.At(3, 1), "3,13");
    EXPECT_EQ(orsg::FixedText(2.0 / 3.0 * 100.0, 2, "."), "66.67");
    EXPECT_EQ(orsg::WindowCaption(0), " ORSG - EUART1");
}

TEST(DiagnosticSheet, ColumnWidthsFitTheRoom) {
    EXPECT_EQ(orsg::FitWidths({30, 90}, {50, 50}, 150), (std::vector<int>{50, 90}));
    EXPECT_EQ(orsg::FitWidths({30, 90}, {50, 50}, 130), (std::vector<int>{35, 95}));
    EXPECT_EQ(orsg::FitWidths({30, 90}, {50, 50}, 119), std::vector<int>{});
}

TEST(LogFile, NameAndCellPadding) {
    EXPECT_EQ(orsg::LogFileName(2, 5, 0, {2014, 12, 6, 14, 5, 33}), "ORSG_2_5_0_141206_140533.log");
    EXPECT_EQ(orsg::LogFileName(12, 31, 3, {2009, 1, 2, 3, 4, 5}), "ORSG_12_31_3_090102_030405.log");
    EXPECT_EQ(orsg::PadLogCell("5"), "5          ");
    EXPECT_EQ(orsg::PadLogCell("Datum"), "Datum       ");
    EXPECT_EQ(orsg::PadLogCell(""), std::string(10, ' '));
    EXPECT_EQ(orsg::PadLogCell("12:00:00.000"), "12:00:00.000");
    EXPECT_EQ(orsg::PadLogCell("Vyslan\xE1 zpr\xE1va"), "Vyslan\xE1 zpr\xE1va");
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(text.substr(from, at - from));
    EXPECT_EQ(from, text.size()) << "text after the last CR LF";
    return lines;
}

TEST(LogFile, LayoutInWindows1250) {
    auto state = std::make_unique<orsg::LibraryState>();
    state->recent.Next().index = 5;
    state->recent.Commit();
    DiagnosticSheet sheet;
    orsg::FillOnShow(sheet, *state, ",");
    orsg::FillChanging(sheet, *state, ",");
    const std::vector<std::string> lines = Lines(orsg::LogText(sheet));
    // 3 + 15 + 3, 3 + 3 + 3, 3 + 4 + 3, 3 + 201 + 3, 3 + 201.
    ASSERT_EQ(lines.size(), 21u + 9u + 10u + 207u + 204u);
    EXPECT_EQ(lines[0], "Identifikace :");
    EXPECT_EQ(lines[1], "______________");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "N\xE1zev knihovny = ORSG.DLL");
    EXPECT_EQ(lines[17],
              "Datum a \xE8"
              "as spu\x9At\xECn\xED = ");
    EXPECT_EQ(lines[18], "");
    EXPECT_EQ(lines[21], "Konfigurace :");
    EXPECT_EQ(lines[24], "Komunika\xE8n\xED rychlost [Bd] = 9600");
    EXPECT_EQ(lines[30],
              "P\xF8"
              "ehled :");
    EXPECT_EQ(lines[31], "_________");
    EXPECT_EQ(lines[36], "Chybovost komunikace [%] = 0,00");
    EXPECT_EQ(lines[40], "Posledn\xED komunikace :");
    const auto sp = [](int n) { return std::string(static_cast<std::size_t>(n), ' '); };
    EXPECT_EQ(lines[43], "Index" + sp(7) + "\tDatum" + sp(7) +
                             "\t\xC8"
                             "as" +
                             sp(9) + "\tStatus" + sp(6) + "\tZna\xE8ka [ms]" + sp(1) + "\tDoba [ms]" + sp(3) +
                             "\tOpak" + sp(8) + "\tVyslan\xE1 zpr\xE1va\t\t\tP\xF8ijat\xE1 data\t");
    EXPECT_EQ(lines[44], "5" + sp(10) + "\t" + sp(10) + "\t" + sp(10) + "\t0" + sp(10) + "\t0" + sp(10) + "\t0,0" +
                             sp(9) + "\t0" + sp(10) +
                             "\t00 00 00 00 00 00 00 00\t\t00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\t");
    EXPECT_EQ(lines[247], "Chybov\xE9 komunikace :");
    EXPECT_EQ(lines[248], "____________________");
    EXPECT_EQ(lines.back().substr(0, 11), "0          ");
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(LogFile, WritingOverwritesAndAFailureLeavesNothing) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("orsg_log_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "ORSG_2_5_0_141206_140533.log").string();
    EXPECT_EQ(orsg::WriteLogFile(path, "first, longer\r\n"), "");
    EXPECT_EQ(orsg::WriteLogFile(path, "second\r\n"), "");  // the same second again
    EXPECT_EQ(ReadFile(path), "second\r\n");

    const std::string missing = (dir / "no such folder" / "x.log").string();
    const std::string message = orsg::WriteLogFile(missing, "x");
    EXPECT_NE(message.find(missing), std::string::npos) << message;
    EXPECT_NE(message.find(std::strerror(ENOENT)), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(missing));
    std::filesystem::remove_all(dir);
}

// A host without a QApplication (these tests) gets no window, bit 8 or not,
// and the handle works the same.
using DiagnosticWindowSeam = orsg_test::FakeCardTest;

TEST_F(DiagnosticWindowSeam, NoApplicationNoWindow) {
    orsg_test::Params params = orsg_test::ParamsFor(0, 0, 0, 0);
    params[15] = 0x100;
    const intptr_t h = Open(params);
    EXPECT_EQ(orsg_test::StateOf(h).window, nullptr);
    std::array<int32_t, 1024> request{};
    std::array<int32_t, 16> response{};
    int32_t reply = 0;
    int32_t status = -1;
    EXPECT_EQ(ORSG_Send(h, request.data(), response.data(), &reply, &status), ORSG_OK);
    EXPECT_EQ(status, 0);
}

}  // namespace
