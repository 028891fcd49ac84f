#include "faults.h"

#include "text_util.h"

namespace rq36sim {

namespace {

bool parseFlag(std::string_view value, bool& out) {
    if (value.empty() || value == "1" || value == "on" || value == "yes" || value == "true") {
        out = true;
        return true;
    }
    if (value == "0" || value == "off" || value == "no" || value == "false") {
        out = false;
        return true;
    }
    return false;
}

constexpr std::string_view kDriverCalls[] = {"CardsInSystem", "Card_DID", "Card_BUS", "Card_SLOT",
                                             "OpenMulti", "BAR11_BaseAdr", "Close"};

}  // namespace

bool applyFault(Faults& f, std::string_view name, std::string_view value, std::string& error) {
    const auto flag = [&](bool& target) {
        if (parseFlag(value, target)) return true;
        error = "fault " + std::string(name) + ": expected on/off, got '" + std::string(value) + "'";
        return false;
    };
    if (name == "no_card") return flag(f.noCard);
    if (name == "no_orsg_card") return flag(f.noOrsgCard);
    if (name == "job_never_finishes") return flag(f.jobNeverFinishes);
    if (name == "write_mismatch") return flag(f.writeMismatch);
    if (name == "module_silent") return flag(f.moduleSilent);
    if (name == "no_device") return flag(f.noDevice);
    if (name == "driver_call") {
        // "OpenMulti" or "Close:1"; an optional "OX952_" prefix is accepted.
        std::string_view call = value;
        if (call.substr(0, 6) == "OX952_") call.remove_prefix(6);
        int card = -1;
        if (const auto colon = call.find(':'); colon != std::string_view::npos) {
            const auto n = parseInt(call.substr(colon + 1));
            if (!n || *n < 0) {
                error = "fault driver_call: bad card index in '" + std::string(value) + "'";
                return false;
            }
            card = static_cast<int>(*n);
            call = call.substr(0, colon);
        }
        if (call == "none" || call.empty()) {
            f.failingDriverCall.clear();
            return true;
        }
        for (auto known : kDriverCalls) {
            if (call == known) {
                f.failingDriverCall = std::string(call);
                f.failingDriverCard = card;
                return true;
            }
        }
        error = "fault driver_call: unknown function '" + std::string(value) + "'";
        return false;
    }
    if (name == "mem_access") {
        if (value == "always") f.memAccess = MemAccessFault::Always;
        else if (value == "jobs") f.memAccess = MemAccessFault::Jobs;
        else if (value == "off" || value == "none") f.memAccess = MemAccessFault::None;
        else if (value.substr(0, 6) == "after:") {
            const auto n = parseInt(value.substr(6));
            if (!n || *n < 0) {
                error = "fault mem_access: bad count in '" + std::string(value) + "'";
                return false;
            }
            f.memAccess = MemAccessFault::After;
            f.memAccessAfter = static_cast<std::uint64_t>(*n);
        } else {
            error = "fault mem_access: expected always, jobs, after:N or off";
            return false;
        }
        return true;
    }
    if (name == "corrupt_reply") {
        if (value == "always" || value.empty() || value == "on") f.corruptReply = CorruptReplyFault::Always;
        else if (value == "first") f.corruptReply = CorruptReplyFault::First;
        else if (value == "off" || value == "none") f.corruptReply = CorruptReplyFault::None;
        else {
            error = "fault corrupt_reply: expected always, first or off";
            return false;
        }
        return true;
    }
    if (name == "modbus_count") {
        const auto n = parseInt(value);
        if (!n || *n < -1 || *n > 65535) {
            error = "fault modbus_count: expected 0..65535 (or -1 = off)";
            return false;
        }
        f.modbusCount = static_cast<std::int32_t>(*n);
        return true;
    }
    error = "unknown fault '" + std::string(name) + "'";
    return false;
}

void applyFaultList(Faults& faults, std::string_view list, void (*warn)(const std::string&)) {
    for (std::string_view item : splitList(list, ',')) {
        item = trim(item);
        if (item.empty()) continue;
        std::string_view name = item, value;
        if (const auto eq = item.find('='); eq != std::string_view::npos) {
            name = trim(item.substr(0, eq));
            value = trim(item.substr(eq + 1));
        }
        std::string error;
        if (!applyFault(faults, name, value, error) && warn) warn(error);
    }
}

}  // namespace rq36sim
