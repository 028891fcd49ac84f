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
    std::uint32_t mark() const { return le32(4); }
    std::uint32_t duration() const { return le32(8); }
    std::uint32_t le32(int at) const {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | status[static_cast<std::size_t>(at + i)];
        return v;
    }
};

class CardSession {
public:
    static constexpr int kJobBlock = 0x3F6;

    // Opens the first card with identifier 0x401; false when none.
    bool open(int channel = 0) {
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

    void close() {
        if (index_ >= 0) OX952_Close(index_);
        index_ = -1;
    }

    ~CardSession() { close(); }

    int reg(int n) const { return channel_ * 64 + 4 * n; }
    void write(int offset, int value) { OX952_MemWrite(base_, offset, value); }
    int read(int offset) { return OX952_MemRead(base_, offset); }

    // Start-up: enable, handshake; the number of reads until 0xFE (bounded).
    int startUp(int maxReads = 1000) {
        write(reg(15), 1);
        write(reg(14), 0xFE);
        for (int n = 1; n <= maxReads; ++n)
            if (read(reg(14)) == 0xFE) return n;
        return -1;
    }

    std::vector<std::uint8_t> readIdentification() {
        write(0x320, 1);
        write(0x314, 0);
        write(0x318, 0);
        write(0x31C, 3);
        std::vector<std::uint8_t> mem(1024);
        for (auto& b : mem) b = static_cast<std::uint8_t>(read(0x310));
        return mem;
    }

    void writeBurst(int address, const std::vector<std::uint8_t>& bytes, bool setup) {
        write(reg(1), address & 0xFF);
        write(reg(2), address >> 8);
        if (setup) write(reg(7), 3);
        for (auto b : bytes) write(reg(0), b);
    }

    std::vector<std::uint8_t> readBurst(int address, int n) {
        write(reg(5), address & 0xFF);
        write(reg(6), address >> 8);
        write(reg(7), 3);
        std::vector<std::uint8_t> out(static_cast<std::size_t>(n));
        for (auto& b : out) b = static_cast<std::uint8_t>(read(reg(4)));
        return out;
    }

    void writeJobBlock(int mode, int speedCode, int retries, int timeoutMs) {
        writeBurst(kJobBlock,
                   {static_cast<std::uint8_t>(mode), 0, static_cast<std::uint8_t>(speedCode), 0,
                    static_cast<std::uint8_t>(retries), 0, static_cast<std::uint8_t>(timeoutMs & 0xFF),
                    static_cast<std::uint8_t>(timeoutMs >> 8)},
                   false);
    }

    // Starts the job; waits until the command register reads 0, at most
    // `limit`; false when it never did.
    bool runJob(int count, std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
        write(reg(8), 0);
        write(reg(9), count - 1);
        write(reg(14), 1);
        const auto end = std::chrono::steady_clock::now() + limit;
        while (read(reg(14)) != 0) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return true;
    }

    SlotOutcome readSlot(int slot) {
        const auto bytes = readBurst(slot * 32, 32);
        SlotOutcome s;
        std::copy(bytes.begin(), bytes.begin() + 16, s.status.begin());
        std::copy(bytes.begin() + 16, bytes.end(), s.response.begin());
        return s;
    }

    // One message as a single job (mode 0).
    SlotOutcome send(const std::array<std::uint8_t, 8>& msg, int speedCode = 4, int retries = 2, int timeoutMs = 200) {
        writeBurst(0, std::vector<std::uint8_t>(msg.begin(), msg.end()), true);
        writeJobBlock(0, speedCode, retries, timeoutMs);
        runJob(1);
        return readSlot(0);
    }

    std::uintptr_t base() const { return base_; }
    int index() const { return index_; }

private:
    int channel_ = 0;
    int index_ = -1;
    std::uintptr_t base_ = 0;
};

}  // namespace simtest
