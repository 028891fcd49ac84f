#include "module/command_set.h"

#include "cp1250.h"
#include "interface/module_request.h"

namespace rq36 {

ModuleCommand ReadRegisterCommand(std::uint8_t reg) { return {kCmdReadRegister, reg, {}}; }

ModuleCommand WriteRegisterCommand(std::uint8_t reg, std::uint32_t value) {
    return WriteRegisterCommand(reg, EncodeUInt32(value));
}

ModuleCommand WriteRegisterCommand(std::uint8_t reg, const std::array<std::uint8_t, 4>& bytes) {
    return {kCmdWriteRegister, reg, {0, bytes[0], bytes[1], bytes[2], bytes[3]}};
}

ModuleCommand ReadStatusRegisterCommand() { return {kCmdReadStatusRegister, 0, {}}; }

ModuleCommand ClearStatusRegisterCommand() { return {kCmdClearStatusRegister, 0, {}}; }

ModuleCommand ReadConfigByteCommand(std::uint8_t bank, std::uint8_t address) {
    return {kCmdReadConfigByte, bank, {0, address, address, 0, 0}};
}

ModuleCommand WriteConfigByteCommand(std::uint8_t bank, std::uint8_t address, std::uint8_t value) {
    return {kCmdWriteConfigByte, bank, {0, address, address, value, value}};
}

ModuleCommand ReadIdentityCommand(std::uint8_t part) { return {kCmdReadIdentity, part, {}}; }

QString CommandName(std::uint8_t command) {
    switch (command) {
    case kCmdReadRegister: return QStringLiteral("čtení registru");
    case kCmdWriteRegister: return QStringLiteral("zápis registru");
    case kCmdReadStatusRegister: return QStringLiteral("čtení status registru");
    case kCmdClearStatusRegister: return QStringLiteral("nulování status registru");
    case kCmdReadConfigByte: return QStringLiteral("čtení konfigurace");
    case kCmdWriteConfigByte: return QStringLiteral("zápis konfigurace");
    case kCmdReadIdentity: return QStringLiteral("identifikace");
    default: return QStringLiteral("neznámý příkaz");
    }
}

QString IdentityPart(std::uint8_t r0, std::uint8_t r1, std::uint8_t r2, std::uint8_t r3) {
    QString part;
    for (std::uint8_t byte : {r0, r1, r2, r3}) {
        if (byte < 0x20 || byte == 0x7F) {
            part += QLatin1Char('?');
            continue;
        }
        const char32_t cp = Cp1250ToUnicode(byte);
        part += QString::fromUcs4(&cp, 1);
    }
    return part;
}

ModuleCommand RestartCommand() { return WriteRegisterCommand(kRegRestart, kRestartValue); }

double DecodeScaledValue(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    const std::int32_t magnitude = (b2 & 0x7F) * 65536 + b1 * 256 + b0;
    double value = (b2 & 0x80) != 0 ? -static_cast<double>(magnitude) : static_cast<double>(magnitude);
    const int decimals = ScaledValueDecimals(b3);
    for (int i = 0; i < decimals; ++i) value /= 10.0;
    return magnitude == 0 ? 0.0 : value;
}

double DecodeScaledValue(const std::array<std::uint8_t, 4>& r) { return DecodeScaledValue(r[0], r[1], r[2], r[3]); }

int ScaledValueDecimals(std::uint8_t b3) { return b3 & 0x7F; }

std::uint32_t DecodeUInt32(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return std::uint32_t{b0} | std::uint32_t{b1} << 8 | std::uint32_t{b2} << 16 | std::uint32_t{b3} << 24;
}

std::uint32_t DecodeUInt32(const std::array<std::uint8_t, 4>& r) { return DecodeUInt32(r[0], r[1], r[2], r[3]); }

std::array<std::uint8_t, 4> EncodeUInt32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

ModuleReply BoundModuleLink::Send(const ModuleCommand& command) {
    ModuleReply reply;
    std::array<std::uint8_t, 5> d = command.data;
    reply.status = ORS_ERR_NOT_BOUND;  // stays so when nothing could be sent
    ModuleRequest(settings_.InterfaceKind, settings_.LibraryHandle, settings_.ModuleAddress, command.command,
                  command.d0, d[0], d[1], d[2], d[3], d[4], reply.status, response_);
    if (reply.status == 0) {
        reply.replyByte = d[0];
        reply.r = {d[1], d[2], d[3], d[4]};
    }
    return reply;
}

QString BoundModuleLink::StatusText(std::uint8_t status) { return StatusMessage(settings_.InterfaceKind, status); }

ModuleReply SendCommand(const ConnectionSettings& settings, const ModuleCommand& command, std::int32_t* response) {
    BoundModuleLink link(settings, response);
    return link.Send(command);
}

}  // namespace rq36
