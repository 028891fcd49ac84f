// libVARNEL_OX952.so: the card driver library with emulated cards.  The
// cards, their modules and the faults come from the simulator's
// configuration, read again whenever a host counts the cards while none of
// them is open.
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "card.h"
#include "environment.h"
#include "varnel_ox952.h"

namespace rq36sim {
namespace {

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kFailed = 1;
constexpr std::int32_t kDidOther = 0x402;
constexpr std::uintptr_t kSecondBase = 0xE000;

class CardWorld {
public:
    static CardWorld& instance() {
        static CardWorld world;
        return world;
    }

    void refresh() {
        bool idle = true;
        for (const auto& c : cards_) idle = idle && !c->isOpen();
        const bool rebuilt = env_.reload(idle);
        accesses_ = 0;
        // A new search: what an earlier one skipped and left is forgotten.
        for (const auto& c : cards_) c->clearSkipped();
        if (!rebuilt) return;
        cards_.clear();
        for (const CardSpec& spec : env_.config().cards) cards_.push_back(std::make_unique<Card>(spec, env_));
    }

    const Faults& faults() const { return env_.faults(); }

    int count() const { return faults().noCard ? 0 : static_cast<int>(cards_.size()); }

    Card* card(std::int32_t index) {
        if (index < 0 || index >= count()) return nullptr;
        return cards_[static_cast<std::size_t>(index)].get();
    }

    // The open card a BAR1 base belongs to; throws for anything else.
    Card& cardAt(std::uintptr_t base, std::int32_t offset, std::uint8_t value, bool isWrite) {
        const char* fn = isWrite ? "OX952_MemWrite" : "OX952_MemRead";
        Card* found = nullptr;
        for (const auto& c : cards_)
            if (c->base() == base) found = c.get();
        if (!found || !found->isOpen())
            throw std::runtime_error(std::string(fn) + ": no open card at this BAR1 address");
        const Faults& f = faults();
        const bool fail =
            f.memAccess == MemAccessFault::Always ||
            (f.memAccess == MemAccessFault::Jobs && Card::classify(offset, value, isWrite) == AccessKind::JobData) ||
            (f.memAccess == MemAccessFault::After && accesses_ >= f.memAccessAfter);
        ++accesses_;
        if (fail) throw std::runtime_error(std::string(fn) + ": memory access failed");
        return *found;
    }

private:
    CardWorld() { refresh(); }

    SimEnvironment env_;
    std::vector<std::unique_ptr<Card>> cards_;
    std::uint64_t accesses_ = 0;
};

// A driver call for one card: the fault switch first, then the card.  Only
// the two memory accesses report failure by throwing; any other call that
// fails inside (out of memory, say) returns 1.
template <typename F>
std::int32_t withCard(const char* call, std::int32_t index, F&& f) noexcept {
    try {
        CardWorld& w = CardWorld::instance();
        if (w.faults().driverCallFails(call, index)) return kFailed;
        Card* c = w.card(index);
        return c ? f(*c) : kFailed;
    } catch (...) {
        return kFailed;
    }
}

}  // namespace
}  // namespace rq36sim

using rq36sim::Card;
using rq36sim::CardWorld;
using rq36sim::withCard;

extern "C" {

ORS_EXPORT int32_t OX952_CardsInSystem(int32_t* count) {
    try {
        CardWorld& w = CardWorld::instance();
        w.refresh();
        if (!count || w.faults().driverCallFails("CardsInSystem", -1)) return rq36sim::kFailed;
        *count = w.count();
        return rq36sim::kOk;
    } catch (...) {
        return rq36sim::kFailed;
    }
}

ORS_EXPORT int32_t OX952_Card_DID(int32_t card, int32_t* did) {
    return withCard("Card_DID", card, [&](Card& c) {
        if (!did) return rq36sim::kFailed;
        const bool hide = CardWorld::instance().faults().noOrsgCard && c.spec().did == rq36sim::kDidOrsg;
        *did = hide ? rq36sim::kDidOther : c.spec().did;
        if (*did != rq36sim::kDidOrsg) c.markSkipped();
        return rq36sim::kOk;
    });
}

ORS_EXPORT int32_t OX952_Card_BUS(int32_t card, int32_t* bus) {
    return withCard("Card_BUS", card, [&](Card& c) {
        if (!bus) return rq36sim::kFailed;
        *bus = c.spec().bus;
        return rq36sim::kOk;
    });
}

ORS_EXPORT int32_t OX952_Card_SLOT(int32_t card, int32_t* slot) {
    return withCard("Card_SLOT", card, [&](Card& c) {
        if (!slot) return rq36sim::kFailed;
        *slot = c.spec().slot;
        return rq36sim::kOk;
    });
}

ORS_EXPORT int32_t OX952_OpenMulti(int32_t card, int32_t /*reserved*/) {
    return withCard("OpenMulti", card, [](Card& c) {
        c.open(rq36sim::Clock::now());
        return rq36sim::kOk;
    });
}

ORS_EXPORT int32_t OX952_BAR11_BaseAdr(int32_t card, uintptr_t* bar1, uintptr_t* second) {
    return withCard("BAR11_BaseAdr", card, [&](Card& c) {
        if (!bar1 || !c.isOpen()) return rq36sim::kFailed;
        *bar1 = c.base();
        if (second) *second = rq36sim::kSecondBase + static_cast<std::uintptr_t>(card) * 0x100;
        return rq36sim::kOk;
    });
}

ORS_EXPORT int32_t OX952_MemWrite(uintptr_t bar1, int32_t offset, int32_t value) {
    const auto byte = static_cast<std::uint8_t>(value);
    CardWorld::instance().cardAt(bar1, offset, byte, true).write(offset, byte);
    return rq36sim::kOk;
}

ORS_EXPORT int32_t OX952_MemRead(uintptr_t bar1, int32_t offset) {
    return CardWorld::instance().cardAt(bar1, offset, 0, false).read(offset);
}

ORS_EXPORT int32_t OX952_Close(int32_t card) {
    return withCard("Close", card, [](Card& c) {
        c.close();
        return rq36sim::kOk;
    });
}

}  // extern "C"
