// Reading and writing a run of configuration bytes between the module and a
// configuration dialog's working copy of ConfigImage, with progress in the
// dialog's status panel and a read-back check of every written byte.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include <QString>

#include "connection_settings.h"
#include "module/command_set.h"

namespace rq36 {

// One configuration byte of a run: its bank-0 address and the ConfigImage
// byte it fills.
struct ConfigByteSlot {
    std::uint8_t address;
    std::uint8_t imageIndex;
};

// The runs of the three configuration dialogs, in transfer order.
inline constexpr std::array<ConfigByteSlot, 4> kCommunicationSlots = {{
    {kCfgModuleAddress, kImgModuleAddress}, {kCfgSpeed, kImgSpeedCode}, {kCfgParity, kImgParity},
    {kCfgProtocol, kImgProtocol}}};
inline constexpr std::array<ConfigByteSlot, 6> kAnalogRangeSlots = {{
    {0x00, 4}, {0x01, 5}, {0x02, 6}, {0x03, 7}, {0x04, 8}, {0x05, 9}}};
inline constexpr std::array<ConfigByteSlot, 12> kDigitalOptionSlots = {{
    {0x20, 23}, {0x23, 24}, {0x26, 25}, {0x29, 26},    // initial output state, ports 0..3
    {0x21, 11}, {0x24, 12}, {0x27, 13}, {0x2A, 14},    // input negation
    {0x22, 17}, {0x25, 18}, {0x28, 19}, {0x2B, 20}}};  // output negation

// What a transfer needs of its dialog.
class TransferHost {
public:
    virtual ~TransferHost() = default;
    // Sets the status panel and repaints it at once.
    virtual void ShowStatus(const QString& text) = 0;
    // Lets pending window messages run.
    virtual void ProcessEvents() = 0;
    virtual void Pause(int milliseconds) = 0;
};

// Standard: the pattern of the range and digital option dialogs.
// CommunicationDialog: the address dialog's variant: its write never pauses,
// and after the last byte it goes straight to the final message.
enum class TransferPacing { Standard, CommunicationDialog };

enum class TransferResult {
    Done,           // every byte transferred (and checked)
    RequestFailed,  // a request returned a non-zero status; " " + its text shown
    Mismatch,       // a read-back differed; " Chyba zápisu dat." shown
    NotConnected,   // nothing sent; " Připojení k modulu není inicializováno." shown
    BadSlot,        // a slot names no ConfigImage byte; nothing sent
};

// Reads the run into working (bytes before a failure stay updated, later ones
// unchanged).
TransferResult ReadConfigBytes(ModuleLink& link, TransferHost& host, std::span<const ConfigByteSlot> run,
                               ConfigImageBytes& working, TransferPacing pacing = TransferPacing::Standard);
// Writes the run from a copy of working taken at the start, each byte
// followed by a read-back; stops at the first failure.
TransferResult WriteConfigBytes(ModuleLink& link, TransferHost& host, std::span<const ConfigByteSlot> run,
                                const ConfigImageBytes& working, TransferPacing pacing = TransferPacing::Standard);

// The same through the record's bound library, after the IsConnected test.
TransferResult ReadConfigBytes(const ConnectionSettings* settings, TransferHost& host,
                               std::span<const ConfigByteSlot> run, ConfigImageBytes& working,
                               TransferPacing pacing = TransferPacing::Standard);
TransferResult WriteConfigBytes(const ConnectionSettings* settings, TransferHost& host,
                                std::span<const ConfigByteSlot> run, const ConfigImageBytes& working,
                                TransferPacing pacing = TransferPacing::Standard);

// The status texts.
QString NotConnectedText();        // " Připojení k modulu není inicializováno."
QString ReadProgressText(int percent);
QString ReadDoneText();            // " Konfigurace přečtena."
QString WriteProgressText(int percent);
QString WriteDoneText();           // " Konfigurace zapsána."
QString WriteMismatchText();       // " Chyba zápisu dat."

}  // namespace rq36
