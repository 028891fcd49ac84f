// POSIX implementation of the platform layer (dlopen family, /proc).
#include "interface/platform/platform.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <vector>

namespace rq36::platform {

std::string SharedLibraryFileName(const std::string& stem) { return "lib" + stem + ".so"; }

LibraryModule LoadLibraryFile(const std::string& path) {
    if (path.empty()) return nullptr;
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindSymbol(LibraryModule module, const char* name) {
    if (module == nullptr || name == nullptr) return nullptr;
    return dlsym(module, name);
}

void UnloadLibrary(LibraryModule module) {
    if (module != nullptr) dlclose(module);
}

bool LibraryIsLoaded(const std::string& path) {
    if (path.empty()) return false;
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (module == nullptr) return false;
    dlclose(module);  // the probe took a reference of its own
    return true;
}

bool BareNameSearchIsSafe(const char* ldLibraryPath) {
    if (ldLibraryPath == nullptr) return true;
    // The loader splits the list at ':' and ';'.  An empty entry stands for
    // the current directory, and a relative one is resolved against it.
    std::string_view list(ldLibraryPath);
    std::size_t start = 0;
    while (true) {
        std::size_t end = list.find_first_of(":;", start);
        std::string_view entry = list.substr(start, end == std::string_view::npos ? end : end - start);
        if (entry.empty() || entry.front() != '/') return false;
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return true;
}

bool BareNameSearchIsSafe() { return BareNameSearchIsSafe(std::getenv("LD_LIBRARY_PATH")); }

std::string ExecutableFolder() {
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return {};
    std::string path(buffer.data(), static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool RegularFileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace rq36::platform
