// Windows implementation of the platform layer (LoadLibraryEx family).
#include "interface/platform/platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <vector>

namespace rq36::platform {
namespace {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Utf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

bool HasFolderPart(const std::string& path) { return path.find_first_of("/\\") != std::string::npos; }

}  // namespace

std::string SharedLibraryFileName(const std::string& stem) { return stem + ".DLL"; }

LibraryModule LoadLibraryFile(const std::string& path) {
    if (path.empty()) return nullptr;
    const std::wstring wide = Wide(path);
    if (wide.empty()) return nullptr;
    // A full path loads exactly that file (its dependencies from its own
    // folder); a bare name searches the application's folder and the system
    // folders only, never the current directory.
    const DWORD flags = HasFolderPart(path) ? LOAD_WITH_ALTERED_SEARCH_PATH : LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
    return reinterpret_cast<LibraryModule>(LoadLibraryExW(wide.c_str(), nullptr, flags));
}

void* FindSymbol(LibraryModule module, const char* name) {
    if (module == nullptr || name == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void UnloadLibrary(LibraryModule module) {
    if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}

bool LibraryIsLoaded(const std::string& path) {
    if (path.empty()) return false;
    HMODULE module = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, Wide(path).c_str(), &module) != 0;
}

// Bare-name loads use the default safe directories, which never include the
// current directory.
bool BareNameSearchIsSafe(const char*) { return true; }
bool BareNameSearchIsSafe() { return true; }

std::string ExecutableFolder() {
    std::vector<wchar_t> buffer(32768);
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) return {};
    std::wstring path(buffer.data(), length);
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    return Utf8(path.substr(0, slash));
}

bool RegularFileExists(const std::string& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace rq36::platform
