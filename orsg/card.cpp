#include "card.h"

#include <array>

#include "card_registers.h"
#include "library_state.h"
#include "orsg.h"

namespace orsg {
namespace {

constexpr int32_t kNoCard = -1;

// Closes a card and ignores everything that may come back.
void CloseQuietly(int32_t card) noexcept {
    try {
        OX952_Close(card);
    } catch (...) {}
}

// Steps 2 to 4 of the search: finds and opens the card; on success the
// chosen index is in `chosen` and BAR1 in `bar1`.
int32_t SearchCard(LibraryState& state, int32_t& chosen, uintptr_t& bar1) {
    int32_t opened = kNoCard;  // a card opened but not yet taken or closed
    try {
        int32_t count = 0;
        if (OX952_CardsInSystem(&count) != 0) return ORSG_ERR_DRIVER;
        if (count <= 0) return ORSG_ERR_NO_CARD;
        for (int32_t i = 0; i < count; ++i) {
            int32_t did = 0;
            int32_t bus = 0;
            int32_t slot = 0;
            if (OX952_Card_DID(i, &did) != 0 || OX952_Card_BUS(i, &bus) != 0 || OX952_Card_SLOT(i, &slot) != 0)
                return ORSG_ERR_DRIVER;
            if (did == OX952_DID_ORSG) {
                if (OX952_OpenMulti(i, 0) != 0) return ORSG_ERR_DRIVER;
                opened = i;
                uintptr_t second = 0;
                uintptr_t base = 0;
                if (OX952_BAR11_BaseAdr(i, &base, &second) != 0) {
                    opened = kNoCard;
                    CloseQuietly(i);
                    return ORSG_ERR_DRIVER;
                }
                const bool take = state.selectionMode == 0 || (bus == state.bus && slot == state.slot);
                if (take) {
                    if (state.selectionMode == 0) {
                        state.bus = bus;
                        state.slot = slot;
                    }
                    chosen = i;
                    bar1 = base;
                    return ORSG_OK;
                }
            }
            opened = kNoCard;
            if (OX952_Close(i) != 0) return ORSG_ERR_DRIVER;
        }
        return ORSG_ERR_NO_WANTED_CARD;
    } catch (...) {
        // The driver library is not expected to throw here; if it does, it
        // failed, and a card it opened for us is closed again.
        if (opened != kNoCard) CloseQuietly(opened);
        return ORSG_ERR_DRIVER;
    }
}

// Steps 5 to 7: start-up handshake of the channel and identification read.
// Throws when a register access fails.
bool StartChannel(LibraryState& state, uintptr_t bar1) {
    const ChannelWindow window(bar1, state.channel);
    window.Write(kRegChannelEnable, 1);
    window.Write(kRegCommand, kCommandStartUp);
    const auto start = std::chrono::steady_clock::now();
    while (window.Read(kRegCommand) != kCommandStartUp) {
        if (std::chrono::steady_clock::now() - start > kStartUpWaitBound) return false;
    }

    OX952_MemWrite(bar1, kIdEnable, 1);
    OX952_MemWrite(bar1, kIdReadAddrLow, 0);
    OX952_MemWrite(bar1, kIdReadAddrHigh, 0);
    OX952_MemWrite(bar1, kIdAccessSetup, kAccessSetup);
    std::array<uint8_t, kIdMemorySize> memory{};
    for (auto& byte : memory) byte = static_cast<uint8_t>(OX952_MemRead(bar1, kIdReadData));

    auto field = [&memory](int address) {
        CardText text;
        for (int k = 0; k < kCardTextLength; ++k)
            text[static_cast<std::size_t>(k)] = memory[static_cast<std::size_t>(address + k)];
        return text;
    };
    state.serialNumber = field(kIdSerialNumber);
    state.cardName = field(kIdCardName);
    state.fpga = field(kIdFpga);
    state.firmware = field(kIdFirmware);
    return true;
}

}  // namespace

int32_t OpenCard(LibraryState& state) {
    state.open = 0;
    int32_t chosen = kNoCard;
    uintptr_t bar1 = 0;
    if (const int32_t result = SearchCard(state, chosen, bar1); result != ORSG_OK) return result;

    bool started = false;
    try {
        started = StartChannel(state, bar1);
    } catch (...) {
        started = false;
    }
    if (!started) {
        CloseQuietly(chosen);
        state.firmware = state.fpga = state.cardName = state.serialNumber = BlankCardText();
        return ORSG_ERR_ACCESS;
    }

    state.cardIndex = chosen;
    state.bar1 = bar1;
    state.open = 1;
    state.startTime = TimeStamper::Now();
    return ORSG_OK;
}

void CloseCard(LibraryState& state) {
    CloseQuietly(state.cardIndex);
    state.cardIndex = 0;
    state.firmware = state.fpga = state.cardName = state.serialNumber = BlankCardText();
    state.open = 0;
}

}  // namespace orsg
