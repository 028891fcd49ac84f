// A module behind a dialog or a transfer, without a library: configuration
// memory in every bank that answers the requests, registers answered by the
// test, one request that can fail and one address that can read back wrong.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include <QString>

#include "module/command_set.h"

namespace rq36::test {

class ScriptedModule : public ModuleLink {
public:
    ModuleReply Send(const ModuleCommand& c) override {
        sent.push_back(c);
        if (onSend) onSend(c);
        if (static_cast<int>(sent.size()) == failAt) return ModuleReply{failStatus, 0, {}};
        ModuleReply reply;
        reply.replyByte = 0x77;
        const std::uint8_t address = c.data[1];
        auto& bank = memory[c.d0];
        switch (c.command) {
        case kCmdWriteConfigByte: bank[address] = c.data[3]; break;
        case kCmdReadConfigByte:
            reply.r[2] = static_cast<std::uint8_t>(bank[address] ^ (address == corrupt ? 0x01 : 0x00));
            break;
        default:
            if (answer) reply = answer(c);
            break;
        }
        return reply;
    }
    QString StatusText(std::uint8_t status) override { return QString("text %1").arg(status); }

    // The commands sent with this command byte.
    std::vector<ModuleCommand> SentWith(std::uint8_t command) const {
        std::vector<ModuleCommand> out;
        for (const ModuleCommand& c : sent)
            if (c.command == command) out.push_back(c);
        return out;
    }

    std::array<std::array<std::uint8_t, 256>, 256> memory{};  // [bank][address]
    std::vector<ModuleCommand> sent;
    std::function<void(const ModuleCommand&)> onSend;
    std::function<ModuleReply(const ModuleCommand&)> answer;  // every other command
    int failAt = -1;                                          // 1-based request number that fails
    std::uint8_t failStatus = 4;
    int corrupt = -1;  // bank address whose read-back differs in bit 0
};

}  // namespace rq36::test
