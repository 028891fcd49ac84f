// The program-wide table of the bound interface library, shared by the
// binding layer and the request call.  Not part of the public interface.
#pragma once

#include "interface/platform/platform.h"
#include "ors_contract.h"

namespace rq36::detail {

// One slot per call shape: the Modbus library's SetConfig, GetConfig and
// Send lie in slots of their own, so a call with the wrong kind finds its
// slot empty instead of calling with the wrong arguments.
struct InterfaceBinding {
    platform::LibraryModule module = nullptr;
    ors_version_fn version = nullptr;
    ors_init_word_fn initWord = nullptr;
    ors_init_plain_fn initPlain = nullptr;
    ors_init_block_fn initBlock = nullptr;
    ors_setconfig_fn setConfig = nullptr;
    ors_modbus_setconfig_fn modbusSetConfig = nullptr;
    ors_getconfig_fn getConfig = nullptr;
    ors_modbus_getconfig_fn modbusGetConfig = nullptr;
    ors_send_fn send = nullptr;
    ors_modbus_send_fn modbusSend = nullptr;
    ors_done_fn done = nullptr;
    ors_error_fn error = nullptr;
};

InterfaceBinding& Binding();

}  // namespace rq36::detail
