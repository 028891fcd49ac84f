// libVARNEL_OX952.so: the card driver library with emulated cards.  The
// cards, their modules and the faults come from the simulator's
// configuration, read again whenever a host counts the cards while none of
// them is open.
#include <algorithm>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "card.h"
#include "environment.h"
#include "panel.h"
#include "panel_channel.h"
#include "varnel_ox952.h"

namespace rq36sim {
namespace {

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kFailed = 1;
constexpr std::int32_t kDidOther = 0x402;
constexpr std::uintptr_t kSecondBase = 0xE000;

std::mutex& DriverLock() {
    static std::mutex lock;
    return lock;
}

class CardWorld {
public:
    static CardWorld& Instance() {
        static CardWorld world;
        return world;
    }

    void Refresh() {
        bool idle = true;
        for (const auto& c : cards_) idle = idle && !c->IsOpen();
        const bool rebuilt = env_.Reload(idle);
        accesses_ = 0;
        // A new search: what an earlier one skipped and left is forgotten.
        for (const auto& c : cards_) c->ClearSkipped();
        if (!rebuilt) return;
        cards_.clear();
        for (const CardSpec& spec : env_.Config().cards) cards_.push_back(std::make_unique<Card>(spec, env_));
    }

    const Faults& ActiveFaults() const { return env_.ActiveFaults(); }

    int Count() const { return ActiveFaults().noCard ? 0 : static_cast<int>(cards_.size()); }

    Card* CardAt(std::int32_t index) {
        if (index < 0 || index >= Count()) return nullptr;
        return cards_[static_cast<std::size_t>(index)].get();
    }

    // The open card a BAR1 base belongs to; throws for anything else.
    Card& CardAt(std::uintptr_t base, std::int32_t offset, std::uint8_t value, bool isWrite) {
        const char* fn = isWrite ? "OX952_MemWrite" : "OX952_MemRead";
        Card* found = nullptr;
        for (const auto& c : cards_)
            if (c->Base() == base) found = c.get();
        if (!found || !found->IsOpen())
            throw std::runtime_error(std::string(fn) + ": no open card at this BAR1 address");
        const Faults& f = ActiveFaults();
        const bool fail =
            f.memAccess == MemAccessFault::Always ||
            (f.memAccess == MemAccessFault::Jobs && Card::Classify(offset, value, isWrite) == AccessKind::JobData) ||
            (f.memAccess == MemAccessFault::After && accesses_ >= f.memAccessAfter);
        ++accesses_;
        if (fail) throw std::runtime_error(std::string(fn) + ": memory access failed");
        return *found;
    }

private:
    CardWorld() {
        Refresh();
        // The front panel reaches the modules on every card's channels.
        panel_ = std::make_unique<PanelServer>("OX952", [this](const std::string& request) {
            const std::lock_guard<std::mutex> guard(DriverLock());
            std::vector<std::string> ids;
            for (const CardSpec& spec : env_.Config().cards)
                for (const auto& channel : spec.channels)
                    for (const std::string& id : channel)
                        if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
            return PanelReply(env_.MakeLine(ids).Modules(), request, Clock::now());
        });
    }

    SimEnvironment env_;
    std::vector<std::unique_ptr<Card>> cards_;
    std::uint64_t accesses_ = 0;
    std::unique_ptr<PanelServer> panel_;  // last: ends first
};

// A driver call for one card: the fault switch first, then the card.  Only
// the two memory accesses report failure by throwing; any other call that
// fails inside (out of memory, say) returns 1.
template <typename F>
std::int32_t WithCard(const char* call, std::int32_t index, F&& f) noexcept {
    try {
        const std::lock_guard<std::mutex> guard(DriverLock());
        CardWorld& w = CardWorld::Instance();
        if (w.ActiveFaults().DriverCallFails(call, index)) return kFailed;
        Card* c = w.CardAt(index);
        return c ? f(*c) : kFailed;
    } catch (...) {
        return kFailed;
    }
}

}  // namespace
}  // namespace rq36sim

using rq36sim::Card;
using rq36sim::CardWorld;
using rq36sim::DriverLock;
using rq36sim::WithCard;

extern "C" {

ORS_EXPORT int32_t OX952_CardsInSystem(int32_t* count) {
    try {
        const std::lock_guard<std::mutex> guard(DriverLock());
        CardWorld& w = CardWorld::Instance();
        w.Refresh();
        if (!count || w.ActiveFaults().DriverCallFails("CardsInSystem", -1)) return rq36sim::kFailed;
        *count = w.Count();
        return rq36sim::kOk;
    } catch (...) {
        return rq36sim::kFailed;
    }
}

ORS_EXPORT int32_t OX952_Card_DID(int32_t card, int32_t* did) {
    return WithCard("Card_DID", card, [&](Card& c) {
        if (!did) return rq36sim::kFailed;
        const bool hide = CardWorld::Instance().ActiveFaults().noOrsgCard && c.Spec().did == rq36sim::kDidOrsg;
        *did = hide ? rq36sim::kDidOther : c.Spec().did;
        if (*did != rq36sim::kDidOrsg) c.MarkSkipped();
        return rq36sim::kOk;
    });
}

ORS_EXPORT int32_t OX952_Card_BUS(int32_t card, int32_t* bus) {
    return WithCard("Card_BUS", card, [&](Card& c) {
        if (!bus) return rq36sim::kFailed;
        *bus = c.Spec().bus;
        return rq36sim::kOk;
    });
}

ORS_EXPORT int32_t OX952_Card_SLOT(int32_t card, int32_t* slot) {
    return WithCard("Card_SLOT", card, [&](Card& c) {
        if (!slot) return rq36sim::kFailed;
        *slot = c.Spec().slot;
        return rq36sim::kOk;
    });
}

ORS_EXPORT int32_t OX952_OpenMulti(int32_t card, int32_t /*reserved*/) {
    return WithCard("OpenMulti", card, [](Card& c) {
        c.Open(rq36sim::Clock::now());
        return rq36sim::kOk;
    });
}

ORS_EXPORT int32_t OX952_BAR11_BaseAdr(int32_t card, uintptr_t* bar1, uintptr_t* second) {
    return WithCard("BAR11_BaseAdr", card, [&](Card& c) {
        if (!bar1 || !c.IsOpen()) return rq36sim::kFailed;
        *bar1 = c.Base();
        if (second) *second = rq36sim::kSecondBase + static_cast<std::uintptr_t>(card) * 0x100;
        return rq36sim::kOk;
    });
}

ORS_EXPORT int32_t OX952_MemWrite(uintptr_t bar1, int32_t offset, int32_t value) {
    const auto byte = static_cast<std::uint8_t>(value);
    const std::lock_guard<std::mutex> guard(DriverLock());
    CardWorld::Instance().CardAt(bar1, offset, byte, true).Write(offset, byte);
    return rq36sim::kOk;
}

ORS_EXPORT int32_t OX952_MemRead(uintptr_t bar1, int32_t offset) {
    const std::lock_guard<std::mutex> guard(DriverLock());
    return CardWorld::Instance().CardAt(bar1, offset, 0, false).Read(offset);
}

ORS_EXPORT int32_t OX952_Close(int32_t card) {
    return WithCard("Close", card, [](Card& c) {
        c.Close();
        return rq36sim::kOk;
    });
}

}  // extern "C"
