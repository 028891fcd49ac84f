// Drives the emulated card through the nine driver functions exactly as the
// ORS-G interface library does: search, open, start-up handshake,
// identification read, jobs through the channel buffer.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "varnel_ox952.h"

namespace simtest {

struct SlotOutcome {
    std::array<std::uint8_t, 16> status{};
    std::array<std::uint8_t, 16> response{};
    std::uint32_t Mark() const { return Le32(4); }
    std::uint32_t Duration() const { return Le32(8); }
    std::uint32_t Le32(int at) const {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | status[static_cast<std::size_t>(at + i)];
        return v;
    }
};

class CardSession {
public:
    static constexpr int kJobBlock = 0x3F6;

    // Opens the first card with identifier 0x401; false when none.
    bool Open(int channel = 0) {
        channel_ = channel;
        std::int32_t count = 0;
        if (OX952_CardsInSystem(&count) != 0) return false;
        for (std::int32_t i = 0; i < count; ++i) {
            std::int32_t did = 0;
            if (OX952_Card_DID(i, &did) != 0) return false;
            if (did != OX952_DID_ORSG) continue;
            if (OX952_OpenMulti(i, 0) != 0) return false;
            std::uintptr_t second = 0;
            if (OX952_BAR11_BaseAdr(i, &base_, &second) != 0) return false;
            index_ = i;
            return true;
        }
        return false;
    }

    void Close() {
        if (index_ >= 0) OX952_Close(index_);
        index_ = -1;
    }

    ~CardSession() { Close(); }

    int Reg(int n) const { return channel_ * 64 + 4 * n; }
    void Write(int offset, int value) { OX952_MemWrite(base_, offset, value); }
    int Read(int offset) { return OX952_MemRead(base_, offset); }

    // Start-up: enable, handshake; the number of reads until 0xFE (bounded).
    int StartUp(int maxReads = 1000) {
        Write(Reg(15), 1);
        Write(Reg(14), 0xFE);
        for (int n = 1; n <= maxReads; ++n)
            if (Read(Reg(14)) == 0xFE) return n;
        return -1;
    }

    std::vector<std::uint8_t> ReadIdentification() {
        Write(0x320, 1);
        Write(0x314, 0);
        Write(0x318, 0);
        Write(0x31C, 3);
        std::vector<std::uint8_t> mem(1024);
        for (auto& b : mem) b = static_cast<std::uint8_t>(Read(0x310));
        return mem;
    }

    void WriteBurst(int address, const std::vector<std::uint8_t>& bytes, bool setup) {
        Write(Reg(1), address & 0xFF);
        Write(Reg(2), address >> 8);
        if (setup) Write(Reg(7), 3);
        for (auto b : bytes) Write(Reg(0), b);
    }

    std::vector<std::uint8_t> ReadBurst(int address, int n) {
        Write(Reg(5), address & 0xFF);
        Write(Reg(6), address >> 8);
        Write(Reg(7), 3);
        std::vector<std::uint8_t> out(static_cast<std::size_t>(n));
        for (auto& b : out) b = static_cast<std::uint8_t>(Read(Reg(4)));
        return out;
    }

    void WriteJobBlock(int mode, int speedCode, int retries, int timeoutMs) {
        WriteBurst(kJobBlock,
                   {static_cast<std::uint8_t>(mode), 0, static_cast<std::uint8_t>(speedCode), 0,
                    static_cast<std::uint8_t>(retries), 0, static_cast<std::uint8_t>(timeoutMs & 0xFF),
                    static_cast<std::uint8_t>(timeoutMs >> 8)},
                   false);
    }

    // Starts the job; waits until the command register reads 0, at most
    // `limit`; false when it never did.
    bool RunJob(int count, std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
        Write(Reg(8), 0);
        Write(Reg(9), count - 1);
        Write(Reg(14), 1);
        const auto end = std::chrono::steady_clock::now() + limit;
        while (Read(Reg(14)) != 0) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return true;
    }

    SlotOutcome ReadSlot(int slot) {
        const auto bytes = ReadBurst(slot * 32, 32);
        SlotOutcome s;
        std::copy(bytes.begin(), bytes.begin() + 16, s.status.begin());
        std::copy(bytes.begin() + 16, bytes.end(), s.response.begin());
        return s;
    }

    // One message as a single job (mode 0).
    SlotOutcome Send(const std::array<std::uint8_t, 8>& msg, int speedCode = 4, int retries = 2, int timeoutMs = 200) {
        WriteBurst(0, std::vector<std::uint8_t>(msg.begin(), msg.end()), true);
        WriteJobBlock(0, speedCode, retries, timeoutMs);
        RunJob(1);
        return ReadSlot(0);
    }

    std::uintptr_t Base() const { return base_; }
    int Index() const { return index_; }

private:
    int channel_ = 0;
    int index_ = -1;
    std::uintptr_t base_ = 0;
};

}  // namespace simtest
