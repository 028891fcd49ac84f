// Loading and binding the interface library of the chosen kind, its line
// parameters, and shutting it down.  One library at a time, program-wide.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <QString>

#include "ors_contract.h"

namespace rq36 {

// "ORSA.DLL" .. "ORSG.DLL": the name the texts use; empty outside 0..6.
QString LibraryDisplayName(std::uint8_t kind);
// The file on this platform: "libORSA.so" .. "libORSG.so"; empty outside 0..6.
std::string LibraryFileName(std::uint8_t kind);

// The folder searched first for interface libraries (default: the folder of
// the program's executable).  After it comes the program's private library
// folder of an installed program, then the system's search order, never the
// current directory.
void SetInterfaceLibraryFolder(const std::string& folder);
std::string InterfaceLibraryFolder();
// The private library folder, found relative to the executable's folder
// (for /usr/bin/W_RQ36: /usr/lib/<triplet>/w-rq36); empty if the
// executable's folder is unknown.
std::string PrivateLibraryFolder();

// Loads the kind's library, binds its seven functions and calls its Init.
// initParams: the 16 InitParams words; initText: for kind 4 the IP address
// (Windows-1250 bytes), laid out behind the words as ors_init_block says.
// 0, the library's Init result, 10 (kind outside 0..6), 100 + kind (file
// not loadable) or 110 + kind (a function missing; library unloaded).
std::int32_t BindInterface(std::uint8_t kind, ors_handle_t* handle, const std::int32_t* initParams,
                           std::string_view initText = {});

// SetConfig of the bound library; the parity code reaches kind 5 only.
std::int32_t ConfigureInterface(std::uint8_t kind, ors_handle_t handle, std::int32_t speed, std::int32_t timeoutMs,
                                std::int32_t repeatCount, std::int32_t parityCode);

// Done of the bound library, then unloads it; Done's result, or 10.
std::int32_t CloseInterface(std::uint8_t kind, ors_handle_t* handle);

// True while a library is loaded.
bool InterfaceLoaded();

struct ConnectionSettings;
// Closes the record's connection: Done of its library, unload; the record
// keeps what Done left in the handle, is no longer connected and its status
// text is that of a connection never made.
void CloseConnection(ConnectionSettings& settings);

}  // namespace rq36
