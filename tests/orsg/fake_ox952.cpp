#include "fake_ox952.h"

#include <cstdio>
#include <stdexcept>

#include "varnel_ox952.h"

namespace fake {
namespace {

Driver g_driver;

Card* CardAt(int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= g_driver.cards.size()) return nullptr;
    return &g_driver.cards[static_cast<std::size_t>(index)];
}

int32_t CardOfBase(uintptr_t bar1) {
    for (std::size_t i = 0; i < g_driver.cards.size(); ++i)
        if (g_driver.cards[i].bar1 == bar1) return static_cast<int32_t>(i);
    return -1;
}

void CountAccess(Call call) {
    const long number = g_driver.accesses++;
    g_driver.calls.push_back(call);
    if (number == g_driver.failAtAccess) throw std::runtime_error("emulated bus error");
}

void FinishJob(Card& card, Channel& ch) {
    ch.jobRunning = false;
    for (int f = 0; f <= ch.job.lastMessage && f < 31; ++f) {
        const SlotReply reply = g_driver.responder(ch.job, f);
        std::size_t base = static_cast<std::size_t>(f) * 32;
        for (std::size_t k = 0; k < 16; ++k) {
            ch.buffer[base + k] = reply.status[k];
            ch.buffer[base + 16 + k] = reply.response[k];
        }
    }
    (void)card;
}

void StartJob(Card& card, int32_t cardIndex, int32_t channel) {
    Channel& ch = card.channels[static_cast<std::size_t>(channel)];
    Job job;
    job.card = cardIndex;
    job.channel = channel;
    for (std::size_t k = 0; k < 8; ++k) job.block[k] = ch.buffer[0x3F6 + k];
    job.param = ch.registers[8];
    job.lastMessage = ch.registers[9];
    for (int f = 0; f <= job.lastMessage && f < 31; ++f) {
        std::array<uint8_t, 8> message{};
        for (std::size_t k = 0; k < 8; ++k) message[k] = ch.buffer[static_cast<std::size_t>(f) * 32 + k];
        job.messages.push_back(message);
    }
    ch.job = job;
    g_driver.jobs.push_back(job);
    ch.jobRunning = true;
    ch.busyReadsLeft = g_driver.busyReads;
}

void ChannelWrite(Card& card, int32_t cardIndex, int32_t channel, int reg, int32_t value) {
    Channel& ch = card.channels[static_cast<std::size_t>(channel)];
    ch.registers[static_cast<std::size_t>(reg)] = value;
    switch (reg) {
    case 0: ch.buffer[static_cast<std::size_t>(ch.writeAddress++ & 0x3FF)] = static_cast<uint8_t>(value); break;
    case 1: ch.writeAddress = (ch.writeAddress & 0xFF00) | (value & 0xFF); break;
    case 2: ch.writeAddress = (ch.writeAddress & 0x00FF) | ((value & 0xFF) << 8); break;
    case 5: ch.readAddress = (ch.readAddress & 0xFF00) | (value & 0xFF); break;
    case 6: ch.readAddress = (ch.readAddress & 0x00FF) | ((value & 0xFF) << 8); break;
    case 14:
        if (value == 0xFE) {
            ch.startUpReadsLeft = g_driver.startUpReads;
        } else if (value == 1) {
            StartJob(card, cardIndex, channel);
        }
        break;
    default: break;
    }
}

int32_t ChannelRead(Card& card, int32_t channel, int reg) {
    Channel& ch = card.channels[static_cast<std::size_t>(channel)];
    switch (reg) {
    case 4: return ch.buffer[static_cast<std::size_t>(ch.readAddress++ & 0x3FF)];
    case 14:
        if (ch.registers[14] == 0xFE) {
            if (ch.startUpReadsLeft < 0) return 0;
            if (ch.startUpReadsLeft > 0) {
                --ch.startUpReadsLeft;
                return 0;
            }
            return 0xFE;
        }
        if (ch.jobRunning) {
            if (ch.busyReadsLeft < 0) return 1;
            if (ch.busyReadsLeft > 0) {
                --ch.busyReadsLeft;
                return 1;
            }
            FinishJob(card, ch);
        }
        return 0;
    default: return ch.registers[static_cast<std::size_t>(reg)];
    }
}

void SetText(Card& card, int address, const std::string& text) {
    for (std::size_t k = 0; k < 16; ++k)
        card.identification[static_cast<std::size_t>(address) + k] =
            k < text.size() ? static_cast<uint8_t>(text[k]) : ' ';
}

}  // namespace

std::string Describe(const Call& call) {
    char text[64];
    switch (call.fn) {
    case Fn::CardsInSystem: return "CardsInSystem";
    case Fn::CardDid: std::snprintf(text, sizeof text, "DID %d", call.card); break;
    case Fn::CardBus: std::snprintf(text, sizeof text, "BUS %d", call.card); break;
    case Fn::CardSlot: std::snprintf(text, sizeof text, "SLOT %d", call.card); break;
    case Fn::OpenMulti: std::snprintf(text, sizeof text, "OpenMulti %d", call.card); break;
    case Fn::BarBase: std::snprintf(text, sizeof text, "BAR %d", call.card); break;
    case Fn::Close: std::snprintf(text, sizeof text, "Close %d", call.card); break;
    case Fn::MemWrite: std::snprintf(text, sizeof text, "W %03X=%02X", call.offset, call.value); break;
    case Fn::MemRead: std::snprintf(text, sizeof text, "R %03X=%02X", call.offset, call.value); break;
    }
    return text;
}

SlotReply DefaultReply(const Job& job, int slot) {
    SlotReply reply;
    const auto& message = job.messages[static_cast<std::size_t>(slot)];
    reply.status[0] = 0;
    reply.status[1] = static_cast<uint8_t>(message[1] ^ 0xFF);
    reply.status[2] = 1;
    const uint32_t mark = 1000 + static_cast<uint32_t>(slot);
    const uint32_t duration = 20 + static_cast<uint32_t>(slot);
    for (int k = 0; k < 4; ++k) {
        reply.status[static_cast<std::size_t>(4 + k)] = static_cast<uint8_t>(mark >> (8 * k));
        reply.status[static_cast<std::size_t>(8 + k)] = static_cast<uint8_t>(duration >> (8 * k));
    }
    for (std::size_t k = 0; k < 16; ++k) reply.response[k] = static_cast<uint8_t>(message[k % 8] + k);
    return reply;
}

Driver& Get() { return g_driver; }

void Reset(int cards) {
    g_driver = Driver{};
    for (int i = 0; i < cards; ++i) {
        Card card;
        card.bus = 2 + i;
        card.slot = 5 + i;
        card.bar1 = 0x100000u * static_cast<uintptr_t>(i + 1);
        SetText(card, 0x3B0, "SN" + std::to_string(i));
        SetText(card, 0x3C0, "ORS-G");
        SetText(card, 0x3D0, "FPGA 1.2");
        SetText(card, 0x3E0, "FW 3.4");
        g_driver.cards.push_back(card);
    }
}

std::vector<std::string> DriverCalls() {
    std::vector<std::string> out;
    for (const Call& call : g_driver.calls)
        if (call.fn != Fn::MemRead && call.fn != Fn::MemWrite) out.push_back(Describe(call));
    return out;
}

std::vector<std::string> MemoryTrace(std::size_t from) {
    std::vector<std::string> out;
    for (std::size_t i = from; i < g_driver.calls.size(); ++i) {
        const Call& call = g_driver.calls[i];
        if (call.fn == Fn::MemRead || call.fn == Fn::MemWrite) out.push_back(Describe(call));
    }
    return out;
}

int OpenCards() {
    int open = 0;
    for (const Card& card : g_driver.cards) open += card.openCount;
    return open;
}

}  // namespace fake

using fake::Call;
using fake::Fn;

extern "C" {

int32_t OX952_CardsInSystem(int32_t* count) {
    fake::g_driver.calls.push_back(Call{Fn::CardsInSystem});
    *count = static_cast<int32_t>(fake::g_driver.cards.size());
    return fake::g_driver.countResult;
}

int32_t OX952_Card_DID(int32_t card, int32_t* did) {
    fake::g_driver.calls.push_back(Call{Fn::CardDid, card});
    fake::Card* c = fake::CardAt(card);
    if (c == nullptr) return 1;
    *did = c->did;
    return c->didResult;
}

int32_t OX952_Card_BUS(int32_t card, int32_t* bus) {
    fake::g_driver.calls.push_back(Call{Fn::CardBus, card});
    fake::Card* c = fake::CardAt(card);
    if (c == nullptr) return 1;
    *bus = c->bus;
    return c->busResult;
}

int32_t OX952_Card_SLOT(int32_t card, int32_t* slot) {
    fake::g_driver.calls.push_back(Call{Fn::CardSlot, card});
    fake::Card* c = fake::CardAt(card);
    if (c == nullptr) return 1;
    *slot = c->slot;
    return c->slotResult;
}

int32_t OX952_OpenMulti(int32_t card, int32_t reserved) {
    fake::g_driver.calls.push_back(Call{Fn::OpenMulti, card, 0, reserved});
    fake::Card* c = fake::CardAt(card);
    if (c == nullptr) return 1;
    if (c->openResult == 0) ++c->openCount;
    return c->openResult;
}

int32_t OX952_BAR11_BaseAdr(int32_t card, uintptr_t* bar1, uintptr_t* second) {
    fake::g_driver.calls.push_back(Call{Fn::BarBase, card});
    fake::Card* c = fake::CardAt(card);
    if (c == nullptr) return 1;
    *bar1 = c->bar1;
    *second = 0;
    return c->barResult;
}

int32_t OX952_MemWrite(uintptr_t bar1, int32_t offset, int32_t value) {
    const int32_t index = fake::CardOfBase(bar1);
    fake::CountAccess(Call{Fn::MemWrite, index, offset, value});
    if (index < 0) throw std::runtime_error("unknown base address");
    fake::Card& card = fake::g_driver.cards[static_cast<std::size_t>(index)];
    if (offset >= 0 && offset < 0x100 && offset % 4 == 0) {
        fake::ChannelWrite(card, index, offset / 0x40, (offset % 0x40) / 4, value);
    } else if (offset == 0x314) {
        card.idReadAddress = (card.idReadAddress & 0xFF00) | (value & 0xFF);
    } else if (offset == 0x318) {
        card.idReadAddress = (card.idReadAddress & 0x00FF) | ((value & 0xFF) << 8);
    }
    return 0;
}

int32_t OX952_MemRead(uintptr_t bar1, int32_t offset) {
    const int32_t index = fake::CardOfBase(bar1);
    int32_t value = 0;
    if (index >= 0) {
        fake::Card& card = fake::g_driver.cards[static_cast<std::size_t>(index)];
        if (offset >= 0 && offset < 0x100 && offset % 4 == 0)
            value = fake::ChannelRead(card, offset / 0x40, (offset % 0x40) / 4);
        else if (offset == 0x310)
            value = card.identification[static_cast<std::size_t>(card.idReadAddress++ & 0x3FF)];
    }
    fake::CountAccess(Call{Fn::MemRead, index, offset, value});
    if (index < 0) throw std::runtime_error("unknown base address");
    return value;
}

int32_t OX952_Close(int32_t card) {
    fake::g_driver.calls.push_back(Call{Fn::Close, card});
    fake::Card* c = fake::CardAt(card);
    if (c == nullptr) return 1;
    if (c->closeResult == 0 && c->openCount > 0) --c->openCount;
    return c->closeResult;
}

}  // extern "C"
