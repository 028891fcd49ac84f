// Linked into every Qt Test program.  Qt's test runner ends its watchdog
// thread (and Qt's thread pool its threads) just before the program exits;
// a finishing thread frees its own thread data last, which can come after
// the leak check of a sanitized build and show as a leak of Qt's.  At exit
// this waits, briefly and boundedly, until the program's other threads are
// gone, so that the check sees what the program really left behind.
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

namespace {

// The threads of this process, where the system lists them; 1 elsewhere.
int ThreadCount() {
    std::error_code error;
    int count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/task", error), end; !error && it != end;
         it.increment(error))
        ++count;
    return error || count == 0 ? 1 : count;
}

struct WaitForOtherThreads {
    ~WaitForOtherThreads() {
        using namespace std::chrono_literals;
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (ThreadCount() > 1 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(2ms);
    }
} waitForOtherThreads;

}  // namespace
