#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "module/config_transfer.h"
#include "scripted_module.h"

using namespace rq36;

namespace {

using Log = std::vector<std::string>;

// The scripted module, logging every request it sees.
class ScriptedModule : public test::ScriptedModule {
public:
    explicit ScriptedModule(Log& log) {
        onSend = [&log](const ModuleCommand& c) {
            log.push_back((c.command == kCmdWriteConfigByte ? "write " : "read ") + std::to_string(c.data[1]));
        };
    }
    std::array<std::uint8_t, 256>& Bank0() { return memory[0]; }
};

class RecordingHost : public ModuleHost {
public:
    explicit RecordingHost(Log& log) : log_(log) {}
    void ShowStatus(const QString& text) override {
        statuses.push_back(text);
        log_.push_back("status" + text.toStdString());
    }
    void ProcessEvents() override {
        log_.push_back("events");
        if (onEvents) onEvents();
    }
    void Pause(int ms) override { log_.push_back("pause " + std::to_string(ms)); }

    std::vector<QString> statuses;
    std::function<void()> onEvents;

private:
    Log& log_;
};

std::vector<QString> Progress(bool read, std::initializer_list<int> percents, bool done = true) {
    std::vector<QString> out{read ? ReadProgressText(0) : WriteProgressText(0)};
    for (int p : percents) out.push_back(read ? ReadProgressText(p) : WriteProgressText(p));
    if (done) out.push_back(read ? ReadDoneText() : WriteDoneText());
    return out;
}

class Transfer : public ::testing::Test {
protected:
    Log log;
    ScriptedModule module{log};
    RecordingHost host{log};
    ConfigImageBytes working = DefaultConfigImage();
};

}  // namespace

TEST_F(Transfer, TextsAreExact) {
    EXPECT_EQ(ReadProgressText(0), QString::fromUtf8(" Probíhá čtení konfigurace z modulu (0 %)"));
    EXPECT_EQ(ReadProgressText(33), QString::fromUtf8(" Probíhá čtení konfigurace z modulu (33 %)"));
    EXPECT_EQ(ReadDoneText(), QString::fromUtf8(" Konfigurace přečtena."));
    EXPECT_EQ(WriteProgressText(100), QString::fromUtf8(" Probíhá zápis konfigurace do modulu (100 %)"));
    EXPECT_EQ(WriteDoneText(), QString::fromUtf8(" Konfigurace zapsána."));
    EXPECT_EQ(WriteMismatchText(), QString::fromUtf8(" Chyba zápisu dat."));
    EXPECT_EQ(NotConnectedText(), QString::fromUtf8(" Připojení k modulu není inicializováno."));
}

TEST_F(Transfer, ReadProgressForFourSixAndTwelveBytes) {
    module.Bank0()[0x3F] = 33;
    module.Bank0()[0x3E] = 6;
    module.Bank0()[0x3C] = 2;
    module.Bank0()[0x3B] = 1;
    EXPECT_EQ(ReadConfigBytes(module, host, kCommunicationSlots, working), TransferResult::Done);
    EXPECT_EQ(host.statuses, Progress(true, {25, 50, 75, 100}));
    EXPECT_EQ(working[0], 33);
    EXPECT_EQ(working[1], 6);
    EXPECT_EQ(working[2], 2);
    EXPECT_EQ(working[3], 1);
    ASSERT_EQ(module.sent.size(), 4u);
    EXPECT_EQ(module.sent[0].command, kCmdReadConfigByte);
    EXPECT_EQ(module.sent[0].d0, 0);
    EXPECT_EQ(module.sent[0].data, (std::array<std::uint8_t, 5>{0, 0x3F, 0x3F, 0, 0}));

    host.statuses.clear();
    EXPECT_EQ(ReadConfigBytes(module, host, kAnalogRangeSlots, working), TransferResult::Done);
    EXPECT_EQ(host.statuses, Progress(true, {16, 33, 50, 66, 83, 100}));

    host.statuses.clear();
    for (const ConfigByteSlot& s : kDigitalOptionSlots) module.Bank0()[s.address] = s.address;
    EXPECT_EQ(ReadConfigBytes(module, host, kDigitalOptionSlots, working), TransferResult::Done);
    EXPECT_EQ(host.statuses, Progress(true, {8, 16, 25, 33, 41, 50, 58, 66, 75, 83, 91, 100}));
    EXPECT_EQ(working[23], 0x20);
    EXPECT_EQ(working[14], 0x2A);
    EXPECT_EQ(working[20], 0x2B);
}

TEST_F(Transfer, ReadPacing) {
    ReadConfigBytes(module, host, std::span(kCommunicationSlots).first(2), working);
    const Log standard = {"status" + ReadProgressText(0).toStdString(),
                          "read 63",
                          "status" + ReadProgressText(50).toStdString(),
                          "events",
                          "pause 1",
                          "read 62",
                          "status" + ReadProgressText(100).toStdString(),
                          "events",
                          "pause 1",
                          "status" + ReadDoneText().toStdString()};
    EXPECT_EQ(log, standard);

    log.clear();
    ReadConfigBytes(module, host, std::span(kCommunicationSlots).first(2), working,
                    TransferPacing::CommunicationDialog);
    Log straight = standard;
    straight.erase(straight.begin() + 7, straight.begin() + 9);  // no wait after the last byte
    EXPECT_EQ(log, straight);
}

TEST_F(Transfer, ReadStopsAtAFailedRequest) {
    for (const ConfigByteSlot& s : kAnalogRangeSlots) module.Bank0()[s.address] = 9;
    module.failAt = 3;
    module.failStatus = 5;
    EXPECT_EQ(ReadConfigBytes(module, host, kAnalogRangeSlots, working), TransferResult::RequestFailed);
    EXPECT_EQ(module.sent.size(), 3u);
    EXPECT_EQ(host.statuses.back(), " text 5");
    EXPECT_EQ(host.statuses.size(), 4u);  // 0 %, 16 %, 33 %, the failure
    const ConfigImageBytes expected = [] {
        ConfigImageBytes e = DefaultConfigImage();
        e[4] = e[5] = 9;
        return e;
    }();
    EXPECT_EQ(working, expected);
}

TEST_F(Transfer, WriteWithReadBack) {
    working[23] = 1;
    working[11] = 0xFE;
    EXPECT_EQ(WriteConfigBytes(module, host, kDigitalOptionSlots, working), TransferResult::Done);
    EXPECT_EQ(host.statuses, Progress(false, {8, 16, 25, 33, 41, 50, 58, 66, 75, 83, 91, 100}));
    ASSERT_EQ(module.sent.size(), 24u);
    EXPECT_EQ(module.sent[0].command, kCmdWriteConfigByte);
    EXPECT_EQ(module.sent[0].data, (std::array<std::uint8_t, 5>{0, 0x20, 0x20, 1, 1}));
    EXPECT_EQ(module.sent[1].command, kCmdReadConfigByte);
    EXPECT_EQ(module.sent[1].data, (std::array<std::uint8_t, 5>{0, 0x20, 0x20, 0, 0}));
    EXPECT_EQ(module.Bank0()[0x21], 0xFE);
    EXPECT_EQ(module.Bank0()[0x2B], 0xFF);

    log.clear();
    WriteConfigBytes(module, host, std::span(kDigitalOptionSlots).first(1), working);
    const Log standard = {"status" + WriteProgressText(0).toStdString(),
                          "write 32",
                          "events",
                          "pause 1",
                          "read 32",
                          "status" + WriteProgressText(100).toStdString(),
                          "events",
                          "pause 1",
                          "status" + WriteDoneText().toStdString()};
    EXPECT_EQ(log, standard);
}

TEST_F(Transfer, CommunicationDialogWriteNeverPauses) {
    EXPECT_EQ(WriteConfigBytes(module, host, kCommunicationSlots, working, TransferPacing::CommunicationDialog),
              TransferResult::Done);
    EXPECT_EQ(host.statuses, Progress(false, {25, 50, 75, 100}));
    for (const std::string& entry : log) EXPECT_NE(entry.rfind("pause", 0), 0u) << entry;
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "status" + WriteProgressText(100).toStdString());  // straight to the end
}

TEST_F(Transfer, WriteStopsAtMismatchOrFailure) {
    module.corrupt = 0x01;
    EXPECT_EQ(WriteConfigBytes(module, host, kAnalogRangeSlots, working), TransferResult::Mismatch);
    EXPECT_EQ(module.sent.size(), 4u);  // second byte written and read back, nothing after
    EXPECT_EQ(host.statuses.back(), WriteMismatchText());

    for (int failAt : {3, 4}) {  // the write of byte 2, then its read-back
        module.sent.clear();
        module.corrupt = -1;
        module.failAt = failAt;
        module.failStatus = 116;
        host.statuses.clear();
        EXPECT_EQ(WriteConfigBytes(module, host, kAnalogRangeSlots, working), TransferResult::RequestFailed);
        EXPECT_EQ(module.sent.size(), static_cast<std::size_t>(failAt));
        EXPECT_EQ(host.statuses.back(), " text 116");
        EXPECT_EQ(host.statuses.size(), 3u);
    }
}

TEST_F(Transfer, WriteUsesTheCopyTakenAtTheStart) {
    working[4] = 7;
    host.onEvents = [this] { working[5] = 0xEE; };  // the user edits while it runs
    EXPECT_EQ(WriteConfigBytes(module, host, kAnalogRangeSlots, working), TransferResult::Done);
    EXPECT_EQ(module.Bank0()[0x00], 7);
    EXPECT_EQ(module.Bank0()[0x01], 0);
}

TEST_F(Transfer, NotConnectedOrBadRunSendsNothing) {
    ConnectionSettings s;
    SetDefaults(&s);
    s.LibraryHandle = 1;  // handle without the Connected flag
    EXPECT_EQ(ReadConfigBytes(&s, host, kCommunicationSlots, working), TransferResult::NotConnected);
    EXPECT_EQ(WriteConfigBytes(nullptr, host, kCommunicationSlots, working), TransferResult::NotConnected);
    EXPECT_EQ(host.statuses, (std::vector<QString>{NotConnectedText(), NotConnectedText()}));
    EXPECT_EQ(working, DefaultConfigImage());

    const ConfigByteSlot bad[] = {{0x00, 4}, {0x01, 29}};
    EXPECT_EQ(ReadConfigBytes(module, host, bad, working), TransferResult::BadSlot);
    EXPECT_EQ(WriteConfigBytes(module, host, bad, working), TransferResult::BadSlot);
    EXPECT_TRUE(module.sent.empty());
}
