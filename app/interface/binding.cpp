#include "interface/binding.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "connection_settings.h"
#include "install_layout.h"
#include "interface/binding_table.h"
#include "interface/interface_kinds.h"
#include "interface/platform/platform.h"

namespace rq36 {

static_assert(offsetof(ors_init_block, text) == ORS_INIT_TEXT_OFFSET, "the IP text lies at byte 64 of the block");

namespace detail {
InterfaceBinding& Binding() {
    static InterfaceBinding binding;
    return binding;
}
}  // namespace detail

namespace {

using detail::Binding;
using detail::InterfaceBinding;

bool KindValid(std::uint8_t kind) { return KindInfo(kind) != nullptr; }

std::string LibraryName(std::uint8_t kind) { return std::string("ORS") + KindInfo(kind)->letter; }

std::string& FolderOverride() {
    static std::string folder;
    return folder;
}

// Clears every entry point, keeping the module.
void ClearSlots(InterfaceBinding& b) {
    platform::LibraryModule module = b.module;
    b = InterfaceBinding{};
    b.module = module;
}

void Unload(InterfaceBinding& b) {
    platform::UnloadLibrary(b.module);
    // The entry points die with the library: clear them so that nothing can
    // call into unmapped code afterwards.
    b = InterfaceBinding{};
}

// The program's folder, then its private library folder (both by full
// path), then the system's search order, unless that order could reach the
// current directory.
platform::LibraryModule LoadKindLibrary(std::uint8_t kind) {
    const std::string file = LibraryFileName(kind);
    for (const std::string& folder : {InterfaceLibraryFolder(), PrivateLibraryFolder()}) {
        if (folder.empty()) continue;
        std::string path = folder;
        path += '/';
        path += file;
        if (platform::RegularFileExists(path)) {
            if (platform::LibraryModule module = platform::LoadLibraryFile(path)) return module;
        }
    }
    if (!platform::BareNameSearchIsSafe()) return nullptr;
    return platform::LoadLibraryFile(file);
}

template <typename Fn>
Fn Lookup(platform::LibraryModule module, const std::string& prefix, const char* operation) {
    return reinterpret_cast<Fn>(platform::FindSymbol(module, (prefix + operation).c_str()));
}

}  // namespace

QString LibraryDisplayName(std::uint8_t kind) {
    if (!KindValid(kind)) return {};
    return QString::fromStdString(LibraryName(kind)) + QStringLiteral(".DLL");
}

std::string LibraryFileName(std::uint8_t kind) {
    if (!KindValid(kind)) return {};
    return platform::SharedLibraryFileName(LibraryName(kind));
}

void SetInterfaceLibraryFolder(const std::string& folder) { FolderOverride() = folder; }

std::string InterfaceLibraryFolder() {
    if (!FolderOverride().empty()) return FolderOverride();
    return platform::ExecutableFolder();
}

std::string PrivateLibraryFolder() {
    const std::string executableFolder = platform::ExecutableFolder();
    if (executableFolder.empty()) return {};
    return executableFolder + "/" + install_layout::kPrivateLibraryFolder;
}

std::int32_t BindInterface(std::uint8_t kind, ors_handle_t* handle, const std::int32_t* initParams,
                           std::string_view initText) {
    // The block Init sees: the 16 words, and for kind 4 the address text at
    // the offset word 0 names.  Valid only during the Init call.
    ors_init_block block{};
    if (initParams != nullptr) std::memcpy(block.words, initParams, sizeof block.words);
    if (KindValid(kind) && KindInfo(kind)->Takes(kParamLan)) {
        block.words[0] = ORS_INIT_TEXT_OFFSET;
        const std::size_t length = std::min<std::size_t>(initText.size(), ORS_INIT_TEXT_MAX);
        // An empty view may carry no pointer at all, which memcpy must never see.
        if (length != 0) std::memcpy(block.text, initText.data(), length);
        block.text[length] = '\0';
    }

    InterfaceBinding& b = Binding();
    ClearSlots(b);
    if (!KindValid(kind) || handle == nullptr) return ORS_ERR_NOT_BOUND;

    // One library at a time: a library still loaded (one whose Init failed)
    // is released before the next one is loaded.
    Unload(b);

    platform::LibraryModule module = LoadKindLibrary(kind);
    if (module == nullptr) return ORS_ERR_LOAD_BASE + kind;

    const InterfaceKindInfo& info = *KindInfo(kind);
    const std::string prefix = LibraryName(kind) + "_";
    InterfaceBinding bound;
    bound.module = module;
    bound.version = Lookup<ors_version_fn>(module, prefix, "Version");
    void* init = platform::FindSymbol(module, (prefix + "Init").c_str());
    void* setConfig = platform::FindSymbol(module, (prefix + "SetConfig").c_str());
    void* getConfig = platform::FindSymbol(module, (prefix + "GetConfig").c_str());
    void* send = platform::FindSymbol(module, (prefix + "Send").c_str());
    bound.done = Lookup<ors_done_fn>(module, prefix, "Done");
    bound.error = Lookup<ors_error_fn>(module, prefix, "Error");

    if (!bound.version || !init || !setConfig || !getConfig || !send || !bound.done || !bound.error) {
        platform::UnloadLibrary(module);
        return ORS_ERR_BIND_BASE + kind;
    }
    switch (info.init) {
    case InitShape::Word: bound.initWord = reinterpret_cast<ors_init_word_fn>(init); break;
    case InitShape::Plain: bound.initPlain = reinterpret_cast<ors_init_plain_fn>(init); break;
    case InitShape::Block: bound.initBlock = reinterpret_cast<ors_init_block_fn>(init); break;
    }
    if (info.modbus) {
        bound.modbusSetConfig = reinterpret_cast<ors_modbus_setconfig_fn>(setConfig);
        bound.modbusGetConfig = reinterpret_cast<ors_modbus_getconfig_fn>(getConfig);
        bound.modbusSend = reinterpret_cast<ors_modbus_send_fn>(send);
    } else {
        bound.setConfig = reinterpret_cast<ors_setconfig_fn>(setConfig);
        bound.getConfig = reinterpret_cast<ors_getconfig_fn>(getConfig);
        bound.send = reinterpret_cast<ors_send_fn>(send);
    }
    b = bound;

    // The library stays loaded whatever Init returns.
    if (b.initWord) return b.initWord(handle, block.words[0]);
    if (b.initPlain) return b.initPlain(handle);
    return b.initBlock(handle, block.words);
}

std::int32_t ConfigureInterface(std::uint8_t kind, ors_handle_t handle, std::int32_t speed, std::int32_t timeoutMs,
                                std::int32_t repeatCount, std::int32_t parityCode) {
    const InterfaceBinding& b = Binding();
    if (KindValid(kind) && KindInfo(kind)->modbus) {
        if (!b.modbusSetConfig) return ORS_ERR_NOT_BOUND;
        return b.modbusSetConfig(handle, speed, static_cast<std::uint32_t>(timeoutMs),
                                 static_cast<std::uint32_t>(repeatCount), parityCode);
    }
    if (!KindValid(kind) || !b.setConfig) return ORS_ERR_NOT_BOUND;
    return b.setConfig(handle, speed, static_cast<std::uint32_t>(timeoutMs), static_cast<std::uint32_t>(repeatCount));
}

std::int32_t CloseInterface(std::uint8_t kind, ors_handle_t* handle) {
    InterfaceBinding& b = Binding();
    if (!KindValid(kind) || !b.done || handle == nullptr) return ORS_ERR_NOT_BOUND;
    const std::int32_t result = b.done(handle);
    Unload(b);
    return result;
}

bool InterfaceLoaded() { return Binding().module != nullptr; }

void CloseConnection(ConnectionSettings& settings) {
    ors_handle_t handle = settings.LibraryHandle;
    CloseInterface(settings.InterfaceKind, &handle);
    settings.LibraryHandle = handle;  // what Done left in it
    settings.Connected = false;
    settings.StatusText = QString::fromUtf8(kStatusNotInitialised);
}

}  // namespace rq36
