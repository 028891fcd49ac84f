#include "faults.h"

#include <functional>
#include <initializer_list>

#include "text_util.h"

namespace rq36sim {

namespace {

bool ParseFlag(std::string_view value, bool& out) {
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

// "key:value key:value ..." with integer values (decimal or 0x hex); every
// key must be one of `keys`.
bool ParseFields(std::string_view text, std::initializer_list<std::string_view> keys,
                 const std::function<void(std::string_view, std::int64_t)>& take, std::string& error) {
    for (std::string_view field : SplitList(text, ' ')) {
        field = Trim(field);
        if (field.empty()) continue;
        const auto colon = field.find(':');
        const std::string_view key = colon == std::string_view::npos ? field : field.substr(0, colon);
        const auto value = colon == std::string_view::npos ? std::nullopt : ParseInt(field.substr(colon + 1));
        bool known = false;
        for (std::string_view k : keys) known = known || k == key;
        if (!known || !value) {
            error = "bad field '" + std::string(field) + "'";
            return false;
        }
        take(key, *value);
    }
    return true;
}

bool InByteRange(std::int64_t v) { return v >= 0 && v <= 0xFF; }

constexpr std::string_view kDriverCalls[] = {"CardsInSystem", "Card_DID",      "Card_BUS", "Card_SLOT",
                                             "OpenMulti",     "BAR11_BaseAdr", "Close"};

}  // namespace

bool RequestFault::Strikes(const Message& m) const {
    if (command >= 0 && m[1] != command) return false;
    if (selector >= 0 && m[2] != selector) return false;
    if (address >= 0 && m[4] != address) return false;
    ++seen;
    if (seen < nth || (times >= 0 && struck >= times)) return false;
    ++struck;
    return true;
}

const RequestFault* Faults::FailingRequest(const Message& m) const {
    for (const RequestFault& f : failingRequests)
        if (f.Strikes(m)) return &f;
    return nullptr;
}

const ReadValueFault* Faults::ReadValue(std::uint8_t bank, std::uint8_t address) const {
    for (const ReadValueFault& f : readValues)
        if (f.bank == bank && f.address == address) return &f;
    return nullptr;
}

bool ApplyFault(Faults& f, std::string_view name, std::string_view value, std::string& error) {
    const auto flag = [&](bool& target) {
        if (ParseFlag(value, target)) return true;
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
            const auto n = ParseInt(call.substr(colon + 1));
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
        if (value == "always")
            f.memAccess = MemAccessFault::Always;
        else if (value == "jobs")
            f.memAccess = MemAccessFault::Jobs;
        else if (value == "off" || value == "none")
            f.memAccess = MemAccessFault::None;
        else if (value.substr(0, 6) == "after:") {
            const auto n = ParseInt(value.substr(6));
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
        if (value == "always" || value.empty() || value == "on")
            f.corruptReply = CorruptReplyFault::Always;
        else if (value == "first")
            f.corruptReply = CorruptReplyFault::First;
        else if (value == "off" || value == "none")
            f.corruptReply = CorruptReplyFault::None;
        else {
            error = "fault corrupt_reply: expected always, first or off";
            return false;
        }
        return true;
    }
    if (name == "modbus_count") {
        const auto n = ParseInt(value);
        if (!n || *n < -1 || *n > 65535) {
            error = "fault modbus_count: expected 0..65535 (or -1 = off)";
            return false;
        }
        f.modbusCount = static_cast<std::int32_t>(*n);
        return true;
    }
    if (name == "fail_request") {
        if (value == "off" || value == "none") {
            f.failingRequests.clear();
            return true;
        }
        RequestFault fault;
        bool ok = true;
        const bool parsed = ParseFields(
            value, {"cmd", "sel", "addr", "nth", "status", "times"},
            [&](std::string_view key, std::int64_t v) {
                if (key == "nth") {
                    ok = ok && v >= 1;
                    fault.nth = static_cast<std::uint64_t>(v);
                } else if (key == "times") {
                    ok = ok && v >= -1 && v <= 1'000'000;
                    fault.times = static_cast<int>(v);
                } else if (key == "status") {
                    ok = ok && v >= 1 && v <= 0xFF;
                    fault.status = static_cast<std::uint8_t>(v);
                } else {
                    ok = ok && InByteRange(v);
                    int& field = key == "cmd" ? fault.command : key == "sel" ? fault.selector : fault.address;
                    field = static_cast<int>(v);
                }
            },
            error);
        if (!parsed || !ok) {
            error =
                "fault fail_request: expected cmd:N sel:N addr:N (bytes), nth:N (1..), status:N (1..255), "
                "times:N (-1 = always) in '" +
                std::string(value) + "'";
            return false;
        }
        f.failingRequests.push_back(fault);
        return true;
    }
    if (name == "read_value") {
        if (value == "off" || value == "none") {
            f.readValues.clear();
            return true;
        }
        ReadValueFault fault;
        bool ok = true, hasAddress = false, hasValue = false;
        const bool parsed = ParseFields(
            value, {"bank", "addr", "value"},
            [&](std::string_view key, std::int64_t v) {
                ok = ok && InByteRange(v);
                if (key == "bank") {
                    fault.bank = static_cast<int>(v);
                } else if (key == "addr") {
                    fault.address = static_cast<int>(v);
                    hasAddress = true;
                } else {
                    fault.value = static_cast<std::uint8_t>(v);
                    hasValue = true;
                }
            },
            error);
        if (!parsed || !ok || !hasAddress || !hasValue) {
            error = "fault read_value: expected [bank:N] addr:N value:N (bytes) in '" + std::string(value) + "'";
            return false;
        }
        f.readValues.push_back(fault);
        return true;
    }
    error = "unknown fault '" + std::string(name) + "'";
    return false;
}

void ApplyFaultList(Faults& faults, std::string_view list, void (*warn)(const std::string&)) {
    for (std::string_view item : SplitList(list, ',')) {
        item = Trim(item);
        if (item.empty()) continue;
        std::string_view name = item, value;
        if (const auto eq = item.find('='); eq != std::string_view::npos) {
            name = Trim(item.substr(0, eq));
            value = Trim(item.substr(eq + 1));
        }
        std::string error;
        if (!ApplyFault(faults, name, value, error) && warn) warn(error);
    }
}

}  // namespace rq36sim
