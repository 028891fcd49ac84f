// The few operating-system services the program needs outside Qt: loading a
// shared library by file name, looking up an export, unloading, and the folder
// of the running executable.  One implementation file per platform.
#pragma once

#include <string>

namespace rq36::platform {

// The file name of a shared library on this platform: "ORSA" gives
// "libORSA.so" on Linux and "ORSA.DLL" on Windows.
std::string SharedLibraryFileName(const std::string& stem);

// An opaque module handle; null = none.
using LibraryModule = void*;

// Loads a library.  A path with a folder part is loaded from exactly there;
// a bare file name goes through the system's search order.  All symbols are
// resolved at once and kept private to the library.  Null on failure.
LibraryModule LoadLibraryFile(const std::string& path);

// Address of an exported symbol, or null.
void* FindSymbol(LibraryModule module, const char* name);

// Drops one reference to the library; null is ignored.
void UnloadLibrary(LibraryModule module);

// True when the library at this path is loaded in the process; never loads it.
bool LibraryIsLoaded(const std::string& path);

// True when a bare-name load cannot pick up a library from the current
// directory.  ldLibraryPath is the system's extra search list (":"-separated);
// an empty entry or a relative folder in it makes the current directory part
// of the search, and then the bare-name load must not be tried.
bool BareNameSearchIsSafe(const char* ldLibraryPath);
// The same for this process's environment.
bool BareNameSearchIsSafe();

// The folder that holds the running executable, without a trailing separator;
// empty if it cannot be found.
std::string ExecutableFolder();

// True when a regular file exists at path.
bool RegularFileExists(const std::string& path);

}  // namespace rq36::platform
