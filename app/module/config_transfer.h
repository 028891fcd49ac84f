// Reading and writing a run of configuration bytes between the module and a
// configuration dialog's working copy of ConfigImage, with progress in the
// dialog's status panel and a read-back check of every written byte.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include <QString>

#include "connection_settings.h"
#include "module/command_set.h"
#include "module/module_host.h"

namespace rq36 {

// One configuration byte of a run: its bank-0 address and the ConfigImage
// byte it fills.
struct ConfigByteSlot {
    std::uint8_t address;
    std::uint8_t imageIndex;
};

// The runs of the three configuration dialogs, in transfer order.
inline constexpr std::array<ConfigByteSlot, 4> kCommunicationSlots = {{{kCfgModuleAddress, kImgModuleAddress},
                                                                       {kCfgSpeed, kImgSpeedCode},
                                                                       {kCfgParity, kImgParity},
                                                                       {kCfgProtocol, kImgProtocol}}};
inline constexpr auto kAnalogRangeSlots = [] {
    std::array<ConfigByteSlot, kAnalogInputs> run{};
    for (int i = 0; i < kAnalogInputs; ++i)
        run[static_cast<std::size_t>(i)] = {RangeAddress(i), static_cast<std::uint8_t>(kImgRange0 + i)};
    return run;
}();
// Initial output states of ports 0 to 3, then their input negations, then
// their output negations.
inline constexpr auto kDigitalOptionSlots = [] {
    std::array<ConfigByteSlot, 3 * kDigitalPorts> run{};
    for (int p = 0; p < kDigitalPorts; ++p) {
        const auto at = [p](int group) {
            return static_cast<std::size_t>(group) * kDigitalPorts + static_cast<std::size_t>(p);
        };
        run[at(0)] = {InitialOutputAddress(p), static_cast<std::uint8_t>(kImgInitialOutput0 + p)};
        run[at(1)] = {InputNegationAddress(p), static_cast<std::uint8_t>(kImgInputNegation0 + p)};
        run[at(2)] = {OutputNegationAddress(p), static_cast<std::uint8_t>(kImgOutputNegation0 + p)};
    }
    return run;
}();

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
    Stopped,        // a read only: the dialog is closing; later bytes not read
};

// One configuration byte written and read back, in any bank (the calibration
// writes banks 30 to 32).  betweenRequests runs after the write, before the
// read-back.
struct VerifiedWrite {
    enum Outcome { Done, RequestFailed, Mismatch } outcome = Done;
    std::uint8_t status = 0;  // of the failed request
};
VerifiedWrite WriteConfigByteVerified(ModuleLink& link, std::uint8_t bank, std::uint8_t address, std::uint8_t value,
                                      const std::function<void()>& betweenRequests = {});

// Reads the run into working (bytes before a failure stay updated, later ones
// unchanged).  A read stops after its current byte when the dialog is
// closing: nothing in the module is left half done.
TransferResult ReadConfigBytes(ModuleLink& link, ModuleHost& host, std::span<const ConfigByteSlot> run,
                               ConfigImageBytes& working, TransferPacing pacing = TransferPacing::Standard);
// Writes the run from a copy of working taken at the start, each byte
// followed by a read-back; stops at the first failure.  A dialog closing
// meanwhile does not stop it: a run stopped halfway would leave the module
// half configured (a new address with the old speed).
TransferResult WriteConfigBytes(ModuleLink& link, ModuleHost& host, std::span<const ConfigByteSlot> run,
                                const ConfigImageBytes& working, TransferPacing pacing = TransferPacing::Standard);

// The same through the record's bound library, after the IsConnected test.
TransferResult ReadConfigBytes(const ConnectionSettings* settings, ModuleHost& host,
                               std::span<const ConfigByteSlot> run, ConfigImageBytes& working,
                               TransferPacing pacing = TransferPacing::Standard);
TransferResult WriteConfigBytes(const ConnectionSettings* settings, ModuleHost& host,
                                std::span<const ConfigByteSlot> run, const ConfigImageBytes& working,
                                TransferPacing pacing = TransferPacing::Standard);

// The status texts.
QString NotConnectedText();  // " Připojení k modulu není inicializováno."
QString ReadProgressText(int percent);
QString ReadDoneText();  // " Konfigurace přečtena."
QString WriteProgressText(int percent);
QString WriteDoneText();      // " Konfigurace zapsána."
QString WriteMismatchText();  // " Chyba zápisu dat."

}  // namespace rq36
