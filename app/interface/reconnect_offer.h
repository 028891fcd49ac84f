// A restart makes the module take up the communication settings written to
// its configuration memory.  When they differ from the connection's, the
// program can no longer reach it as it is connected: this works out the
// connection that reaches it, and the question put to the user.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include <QString>

#include "connection_settings.h"
#include "module/config_transfer.h"
#include "module/snapshot.h"

namespace rq36 {

// After a run of configuration bytes was read from the module or written to
// it in full: when the run holds the communication settings, the record
// notes what the module's memory now holds.
void NoteModuleHeld(ConnectionSettings& settings, std::span<const ConfigByteSlot> run, const ConfigImageBytes& image);
// After a restore from a file has written the connected module and checked
// it: its memory holds the communication settings of the file's bank 0 (when
// the file has all four of them).
void NoteModuleHeld(ConnectionSettings& settings, const Snapshot& restored);

// The connection that reaches the restarted module.
struct ReconnectOffer {
    std::uint8_t kind = 0;  // the protocol decides: Modbus RTU is kind 5, Vextbus-2 on a port kind 0
    std::uint8_t address = 1;
    std::int32_t speed = 9600;
    std::uint8_t parity = 0;
    QString question;  // what the user is asked
};

// The offer after a restart, when the record knows what the module holds
// and it differs from the connection (address, speed, protocol, and the
// parity of a Modbus RTU line); none otherwise.
std::optional<ReconnectOffer> OfferAfterRestart(const ConnectionSettings& settings);

// The record made to describe the offered connection (kind, address, speed,
// parity); the port and every other parameter stay.  Nothing is connected.
void ApplyReconnectOffer(ConnectionSettings& settings, const ReconnectOffer& offer);

}  // namespace rq36
