#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <vector>

#include "fake_library.h"
#include "interface/binding.h"
#include "interface/module_request.h"

using namespace rq36;

namespace {

struct Bytes {
    std::uint8_t d1, d2, d3, d4, d5, status;
};

// A library of one kind, bound and opened for the test.
class Request : public ::testing::Test {
protected:
    void Open(char letter, std::uint8_t kind) {
        lib_ = std::make_unique<FakeLibrary>(letter);
        ASSERT_TRUE(lib_->Ok());
        SetInterfaceLibraryFolder(RQ36_FAKE_ORS_DIR);
        std::array<std::int32_t, ORS_INIT_WORDS> params{};
        ASSERT_EQ(BindInterface(kind, &handle_, params.data()), 0);
        kind_ = kind;
    }
    void TearDown() override {
        if (InterfaceLoaded()) CloseInterface(kind_, &handle_);
        SetInterfaceLibraryFolder({});
    }
    Bytes Send(std::uint8_t command, std::uint8_t d0, Bytes in, std::int32_t* response) {
        ModuleRequest(kind_, handle_, 1, command, d0, in.d1, in.d2, in.d3, in.d4, in.d5, in.status, response);
        return in;
    }
    FakeOrsScript& Script() { return lib_->Script(); }

    std::unique_ptr<FakeLibrary> lib_;
    ors_handle_t handle_ = 0;
    std::uint8_t kind_ = 0;
    std::vector<std::int32_t> response_ = std::vector<std::int32_t>(ORS_RESPONSE_WORDS, -7);
};

std::vector<std::int32_t> Words(std::initializer_list<std::int32_t> list) { return list; }

}  // namespace

TEST_F(Request, VextbusRequestAndReply) {
    Open('A', 0);
    Script().replyByte = 0x1AB;
    const std::int32_t r[] = {0x11, 0x122, 0x33, 0x44, 0x55};
    std::copy(std::begin(r), std::end(r), Script().response);
    const Bytes out = Send(0x66, 0, {9, 0x3F, 0x3F, 4, 5, 77}, response_.data());
    EXPECT_EQ(std::vector<std::int32_t>(Script().request, Script().request + 8),
              Words({1, 0x66, 0, 9, 0x3F, 0x3F, 4, 5}));
    EXPECT_EQ(Script().lastHandle, 0x5A5A);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.d1, 0xAB);  // low 8 bits
    EXPECT_EQ(out.d2, 0x11);
    EXPECT_EQ(out.d3, 0x22);
    EXPECT_EQ(out.d4, 0x33);
    EXPECT_EQ(out.d5, 0x44);
    EXPECT_EQ(response_[4], 0x55);  // the full reply stays in the buffer

    // Without a response buffer of the caller's the call still works.
    EXPECT_EQ(Send(0x00, 0x50, {}, nullptr).d3, 0x22);
}

TEST_F(Request, ZeroHandleSendsAndWritesNothing) {
    Open('A', 0);
    Bytes in{1, 2, 3, 4, 5, 6};
    ModuleRequest(0, 0, 1, 0x66, 0, in.d1, in.d2, in.d3, in.d4, in.d5, in.status, response_.data());
    EXPECT_EQ(Script().sendCalls, 0);
    EXPECT_EQ(in.d1, 1);
    EXPECT_EQ(in.d5, 5);
    EXPECT_EQ(in.status, 6);
}

TEST_F(Request, EveryFailureZeroesTheReplyBytes) {
    Open('A', 0);
    Script().response[0] = 0x42;
    Script().replyByte = 0x42;
    struct Case {
        std::int32_t result, status;
        std::uint8_t expected;
    };
    for (const Case c : {Case{0, 3, 3}, Case{7, 0, 7}, Case{12, 3, 12}, Case{0, 0x102, 2}, Case{0, 0x100, 255},
                         Case{0, -1, 255}, Case{0x300, 0, 255}}) {
        Script().sendResult = c.result;
        Script().sendStatus = c.status;
        const Bytes out = Send(0x67, 0, {9, 9, 9, 9, 9, 0}, response_.data());
        EXPECT_EQ(out.status, c.expected) << c.result << "/" << c.status;
        EXPECT_EQ(out.d1 | out.d2 | out.d3 | out.d4 | out.d5, 0) << c.result << "/" << c.status;
    }
}

TEST_F(Request, RequestOfTheWrongShapeIsNotBound) {
    Open('A', 0);
    kind_ = 5;  // the Modbus Send is not bound for ORSA
    const Bytes out = Send(0x66, 0, {1, 1, 1, 1, 1, 0}, response_.data());
    EXPECT_EQ(out.status, 10);
    EXPECT_EQ(out.d2, 0);
    EXPECT_EQ(Script().sendCalls, 0);
    kind_ = 0;
}

TEST_F(Request, ModbusWrapping) {
    Open('F', 5);
    Script().frame[2] = 0;
    Script().frame[3] = 8;
    Script().frame[7] = 0x99;
    for (int i = 8; i < 16; ++i) Script().frame[i] = 0x10 + i;
    Script().frame[16] = 0x77;  // beyond the count: not copied
    Script().replyCount = 3;    // not used
    const Bytes out = Send(0x66, 0, {0, 5, 5, 0, 0, 0}, response_.data());
    EXPECT_EQ(Script().requestCount, 12);
    EXPECT_EQ(std::vector<std::int32_t>(Script().request, Script().request + 12),
              Words({1, 69, 0, 8, 1, 0x66, 0, 0, 5, 5, 0, 0}));
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.d1, 0x99);
    EXPECT_EQ(out.d2, 0x18);
    EXPECT_EQ(out.d5, 0x1B);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(response_[i], 0x18 + i);
    EXPECT_EQ(response_[8], -7);

    Script().sendStatus = 4;
    response_.assign(ORS_RESPONSE_WORDS, -7);
    const Bytes failed = Send(0x66, 0, {1, 1, 1, 1, 1, 0}, response_.data());
    EXPECT_EQ(failed.status, 4);
    EXPECT_EQ(failed.d1 | failed.d2 | failed.d5, 0);
    EXPECT_EQ(response_[0], -7);  // nothing copied on failure
}

TEST_F(Request, ModbusCountBoundedByBothBuffers) {
    Open('F', 5);
    for (int i = 0; i < ORS_MODBUS_FRAME_WORDS; ++i) Script().frame[i] = 0x5A;
    Script().frame[2] = 0xFF;
    Script().frame[3] = 0xFF;  // claims 65535 bytes
    // Exactly the size the caller owes: any write past it is caught.
    std::vector<std::int32_t> exact(ORS_RESPONSE_WORDS, 0);
    EXPECT_EQ(Send(0x66, 0, {}, exact.data()).status, 0);
    for (std::int32_t w : exact) ASSERT_EQ(w, 0x5A);

    // Nonsense counts: negative, or huge words.
    for (auto [hi, lo] : {std::pair{-1, 0}, std::pair{0x7FFFFFFF, 0x7FFFFFFF}, std::pair{0, -5}}) {
        Script().frame[2] = hi;
        Script().frame[3] = lo;
        std::vector<std::int32_t> buffer(ORS_RESPONSE_WORDS, 1);
        Send(0x66, 0, {}, buffer.data());
        const bool copied = buffer[0] == 0x5A;
        EXPECT_EQ(copied, std::int64_t{hi} * 256 + lo > 0) << hi << "," << lo;
    }
}

TEST_F(Request, ShortModbusReplyLeavesNoEarlierReplyBytes) {
    Open('F', 5);
    Script().frame[3] = 8;
    for (int i = 8; i < 16; ++i) Script().frame[i] = 0x40 + i;
    Send(0xC8, 0, {}, response_.data());
    Script().frame[3] = 1;  // one byte only: r1..r3 have none
    const Bytes out = Send(0xC8, 2, {}, response_.data());
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.d2, 0x48);
    EXPECT_EQ(out.d3 | out.d4 | out.d5, 0);
}

TEST(ErrorTexts, ProgramOwnCodes) {
    std::vector<std::int32_t> text(ORS_TEXT_WORDS, 0);
    EXPECT_EQ(ErrorText(0, 100, text.data()), 0);
    EXPECT_EQ(WordsToText(text.data()), "chyba inicializace knihovny ORSA.DLL");
    EXPECT_EQ(text[0], 0);  // the program's texts start in word 1
    EXPECT_EQ(StatusMessage(3, 103), "chyba inicializace knihovny ORSD.DLL");
    EXPECT_EQ(StatusMessage(3, 106), "chyba inicializace knihovny ORSG.DLL");
    EXPECT_EQ(StatusMessage(0, 110), QString::fromUtf8("chybná knihovna ORSA.DLL"));
    EXPECT_EQ(StatusMessage(0, 114), QString::fromUtf8("chybná knihovna ORSE.DLL"));
    EXPECT_EQ(StatusMessage(0, 116), QString::fromUtf8("chybná knihovna ORSG.DLL"));
    for (std::int32_t code : {107, 108, 109, 117, 255, 100000, -1, INT32_MIN})
        EXPECT_EQ(StatusMessage(9, code), QString::fromUtf8("neznámý chybový kód")) << code;
}

TEST(ErrorTexts, LibraryCodesWithoutLibrary) {
    std::vector<std::int32_t> text(ORS_TEXT_WORDS, 'Q');
    EXPECT_EQ(ErrorText(0, 5, text.data()), 10);
    EXPECT_EQ(text[0], 'Q');  // left as it was
    EXPECT_EQ(ErrorText(7, 10, text.data()), 10);
    EXPECT_EQ(StatusMessage(0, 10), QString::fromUtf8("chybový kód 10"));
}

TEST_F(Request, LibraryErrorTexts) {
    Open('A', 0);
    std::snprintf(Script().errorText, sizeof Script().errorText, "%s", "chyba \xE8tvrt\xE1");  // Windows-1250
    Script().errorResult = 0;
    EXPECT_EQ(StatusMessage(0, 10), QString::fromUtf8("chyba čtvrtá"));
    EXPECT_EQ(Script().lastErrorCode, 10u);
    EXPECT_EQ(StatusMessage(0, 99), QString::fromUtf8("chyba čtvrtá"));

    // A text without its terminating zero is read no further than word 99.
    Script().errorMode = FAKE_ERROR_UNTERMINATED;
    std::vector<std::int32_t> text(ORS_TEXT_WORDS, 'B');
    ErrorText(0, 3, text.data());
    EXPECT_EQ(WordsToText(text.data()), QString(100, 'A'));
    EXPECT_EQ(StatusMessage(0, 3), QString(100, 'A'));
}

TEST(TextBuffers, Conversions) {
    std::vector<std::int32_t> words(ORS_TEXT_WORDS, -3);
    TextToWords(QString(150, 'x'), words.data());
    EXPECT_EQ(words[0], 0);
    EXPECT_EQ(words[99], 'x');
    EXPECT_EQ(words[100], -3);  // beyond the text: untouched
    EXPECT_EQ(WordsToText(words.data()), QString(99, 'x'));

    TextToWords(QString::fromUtf8("Připojení ж"), words.data());
    EXPECT_EQ(words[2], 0xF8);
    EXPECT_EQ(words[11], '?');
    EXPECT_EQ(words[12], 0);
    EXPECT_EQ(WordsToText(words.data()), QString::fromUtf8("Připojení ?"));

    TextToWords({}, words.data());
    EXPECT_EQ(WordsToText(words.data()), "");

    // A library's text starts in word 0; odd word values keep their low byte.
    const std::vector<std::int32_t> lib = {'O', 0x14B, 0x100, 0xED, 0, 'z'};
    EXPECT_EQ(WordsToText(lib.data()), QString::fromUtf8("OK?í"));
    EXPECT_EQ(WordsToText(nullptr), "");
    TextToWords("x", nullptr);
}
