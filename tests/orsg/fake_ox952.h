// A recording, scriptable stand-in for the card driver library, linked into
// ORSG's unit tests in place of libVARNEL_OX952.so.  It models just enough of
// an ORS-G card (channel buffers, the job protocol, the identification
// memory) to answer ORSG, records every driver call, and can fail any call,
// throw out of a memory access or keep the card busy forever.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fake {

enum class Fn { CardsInSystem, CardDid, CardBus, CardSlot, OpenMulti, BarBase, MemWrite, MemRead, Close };

struct Call {
    Fn fn;
    int32_t card = -1;   // card index (memory accesses: the card owning the base address)
    int32_t offset = 0;  // memory accesses
    int32_t value = 0;   // written value, or the value read
};

// "CardsInSystem", "DID 0", "BUS 0", "SLOT 0", "OpenMulti 0", "BAR 0",
// "Close 0", "W 038=01", "R 038=00" (offsets and values in hexadecimal).
std::string Describe(const Call& call);

// The messages of one job as the card saw them when it was started.
struct Job {
    int32_t card = 0;
    int32_t channel = 0;
    std::array<uint8_t, 8> block{};
    int32_t param = 0;        // register 8
    int32_t lastMessage = 0;  // register 9
    std::vector<std::array<uint8_t, 8>> messages;
};

// What the card puts into a slot: 16 status bytes and 16 response bytes.
struct SlotReply {
    std::array<uint8_t, 16> status{};
    std::array<uint8_t, 16> response{};
};

using Responder = std::function<SlotReply(const Job& job, int slot)>;

// The default answer: status 0, reply byte = command XOR 0xFF, repeats 1,
// time mark 1000 + slot, duration 20 + slot, response byte k = message byte
// (k mod 8) + k.
SlotReply DefaultReply(const Job& job, int slot);

struct Channel {
    std::array<uint8_t, 1024> buffer{};
    int writeAddress = 0;
    int readAddress = 0;
    std::array<int32_t, 16> registers{};
    int startUpReadsLeft = 0;  // reads of register 14 before it shows 0xFE
    int busyReadsLeft = 0;     // reads of register 14 before a job is finished
    bool jobRunning = false;
    Job job;
};

struct Card {
    int32_t did = 0x401;
    int32_t bus = 2;
    int32_t slot = 5;
    // Results of the driver functions for this card.
    int32_t didResult = 0;
    int32_t busResult = 0;
    int32_t slotResult = 0;
    int32_t openResult = 0;
    int32_t barResult = 0;
    int32_t closeResult = 0;
    uintptr_t bar1 = 0;
    int openCount = 0;  // OpenMulti minus Close while open
    std::array<uint8_t, 1024> identification{};
    int idReadAddress = 0;
    std::array<Channel, 4> channels{};
};

struct Driver {
    int32_t countResult = 0;
    std::vector<Card> cards;
    std::vector<Call> calls;
    std::vector<Job> jobs;
    // The memory access with this number (0-based, counted over reads and
    // writes since Reset) throws std::runtime_error; -1 = none.
    long failAtAccess = -1;
    long accesses = 0;
    // Reads of register 14 that show the card busy after a job start, and
    // zero reads before the start-up answer; -1 = forever.
    int busyReads = 0;
    int startUpReads = 0;
    Responder responder = DefaultReply;
};

Driver& Get();
// A fresh driver with `cards` ORS-G cards at bus 2 + i, slot 5 + i, each with
// identification texts "SN<i>", "ORS-G", "FPGA 1.2", "FW 3.4" in its fields.
void Reset(int cards = 1);

// Calls of the card search (everything but memory accesses), described.
std::vector<std::string> DriverCalls();
// Memory accesses, described, from call number `from` on.
std::vector<std::string> MemoryTrace(std::size_t from = 0);
// Number of cards still opened.
int OpenCards();

}  // namespace fake
