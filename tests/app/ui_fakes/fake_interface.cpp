// A COM-port interface library (the ORSA shape) whose behaviour the test
// chooses through the environment, and which writes every call it receives
// into a log file, so that a test can see what the program did to it even
// after the library was unloaded.
//
//   RQ36_UI_FAKE_LOG       file the calls are appended to (one per line)
//   RQ36_UI_FAKE_MODE      "" | init-fail | setconfig-fail | send-fail-0/1/2
//   RQ36_UI_FAKE_IDENTITY  the twelve identity characters (name 8, version 4)
//   RQ36_UI_FAKE_WATCH     a file whose content Done writes into the log
//
// Built once as is and once without its Version export (FAKE_OMIT_VERSION).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ors_contract.h"

namespace {

int g_handleObject = 0;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

void Log(const std::string& line) {
    const std::string path = Env("RQ36_UI_FAKE_LOG");
    if (path.empty()) return;
    if (FILE* f = std::fopen(path.c_str(), "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

std::string FileContent(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return "<missing>";
    std::string content;
    char buffer[512];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) content.append(buffer, n);
    std::fclose(f);
    for (char& c : content) {
        if (c == '\n' || c == '\r') c = '|';
    }
    return content;
}

}  // namespace

extern "C" {

#ifndef FAKE_OMIT_VERSION
ORS_EXPORT int32_t ORSA_Version(int32_t* version) {
    if (version != nullptr) *version = 100;
    return 0;
}
#endif

ORS_EXPORT int32_t ORSA_Init(ors_handle_t* handle, int32_t port) {
    Log("Init " + std::to_string(port));
    if (Env("RQ36_UI_FAKE_MODE") == "init-fail") return 3;
    *handle = reinterpret_cast<ors_handle_t>(&g_handleObject);
    return 0;
}

ORS_EXPORT int32_t ORSA_SetConfig(ors_handle_t handle, int32_t speed, uint32_t timeoutMs, uint32_t retries) {
    Log("SetConfig " + std::to_string(speed) + " " + std::to_string(timeoutMs) + " " + std::to_string(retries) +
        (handle == reinterpret_cast<ors_handle_t>(&g_handleObject) ? "" : " bad-handle"));
    if (Env("RQ36_UI_FAKE_MODE") == "setconfig-fail") return 4;
    return 0;
}

ORS_EXPORT int32_t ORSA_GetConfig(ors_handle_t, int32_t* speed, uint32_t* timeoutMs, uint32_t* retries) {
    *speed = 9600;
    *timeoutMs = 500;
    *retries = 2;
    return 0;
}

ORS_EXPORT int32_t ORSA_Send(ors_handle_t, const int32_t* request, int32_t* response, int32_t* replyByte,
                             int32_t* status) {
    Log("Send " + std::to_string(request[0]) + " " + std::to_string(request[1]) + " " + std::to_string(request[2]));
    const std::string mode = Env("RQ36_UI_FAKE_MODE");
    if (mode.rfind("send-fail-", 0) == 0 && std::to_string(request[2]) == mode.substr(10)) {
        *replyByte = 0;
        *status = 7;
        return 0;
    }
    std::string identity = Env("RQ36_UI_FAKE_IDENTITY");
    if (identity.empty()) identity = "RQ-36   1.00";
    identity.resize(12, ' ');
    const int part = request[2];
    for (int i = 0; i < 4; ++i) {
        response[i] = (part >= 0 && part < 3) ? static_cast<unsigned char>(identity[part * 4 + i]) : 0;
    }
    *replyByte = 0x5A;
    *status = 0;
    return 0;
}

ORS_EXPORT int32_t ORSA_Done(ors_handle_t* handle) {
    const std::string watch = Env("RQ36_UI_FAKE_WATCH");
    Log(watch.empty() ? std::string("Done") : "Done " + FileContent(watch));
    *handle = 0;
    return 0;
}

ORS_EXPORT int32_t ORSA_Error(uint32_t code, int32_t* text) {
    const std::string message = "fake chyba " + std::to_string(code);
    for (std::size_t i = 0; i < message.size(); ++i) text[i] = static_cast<unsigned char>(message[i]);
    text[message.size()] = 0;
    text[message.size() + 1] = 0;
    return 0;
}

}  // extern "C"
