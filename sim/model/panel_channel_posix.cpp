// POSIX side of the front panel's channel: Unix-domain stream sockets, a
// server thread waiting in poll() with a pipe to wake it for the end.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "panel_channel.h"

namespace rq36sim {

namespace {

constexpr std::size_t kMaxRequest = 4096;
constexpr std::size_t kMaxClients = 16;
constexpr std::size_t kMaxReply = 1 << 20;
constexpr time_t kSendLimitSeconds = 2;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    Fd& operator=(Fd&& o) noexcept {
        if (this != &o) {
            Reset();
            fd_ = o.fd_;
            o.fd_ = -1;
        }
        return *this;
    }
    int Get() const { return fd_; }
    void Reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

bool FillAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

Fd Connect(const std::string& path) {
    sockaddr_un addr;
    if (!FillAddress(path, addr)) return Fd();
    Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.Get() < 0) return Fd();
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) return Fd();
    return fd;
}

}  // namespace

std::string PanelDirectory() {
    if (const char* dir = std::getenv("RQ36_SIM_PANEL_DIR"); dir && *dir)
        return std::string(dir) == "off" ? std::string() : std::string(dir);
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run) return std::string(run) + "/rq36-sim";
    return "/tmp/rq36-sim-" + std::to_string(::getuid());
}

struct PanelServer::Impl {
    std::string path;
    PanelHandler handler;
    Fd listener;
    Fd wakeRead, wakeWrite;
    std::thread thread;

    struct Client {
        Fd fd;
        std::string pending;
    };

    void Run() {
        std::vector<Client> clients;
        for (;;) {
            std::vector<pollfd> fds;
            fds.push_back({wakeRead.Get(), POLLIN, 0});
            fds.push_back({listener.Get(), POLLIN, 0});
            for (const Client& c : clients) fds.push_back({c.fd.Get(), POLLIN, 0});
            if (::poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[0].revents) return;  // the end
            if ((fds[1].revents & POLLIN) && clients.size() < kMaxClients) {
                Fd c(::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
                if (c.Get() >= 0) {
                    // A panel that stops reading loses its channel; the world
                    // never waits on it for long.
                    const timeval limit{kSendLimitSeconds, 0};
                    ::setsockopt(c.Get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
                    clients.push_back({std::move(c), {}});
                }
            }
            for (std::size_t i = 2; i < fds.size(); ++i) {
                if (!fds[i].revents) continue;
                Client& c = clients[i - 2];
                if (!Serve(c)) c.fd.Reset();
            }
            std::erase_if(clients, [](const Client& c) { return c.fd.Get() < 0; });
        }
    }

    // Reads what came; answers every complete line.  False: close.
    bool Serve(Client& c) {
        char buf[1024];
        const ssize_t n = ::recv(c.fd.Get(), buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) return true;
        if (n <= 0) return false;
        c.pending.append(buf, static_cast<std::size_t>(n));
        for (auto nl = c.pending.find('\n'); nl != std::string::npos; nl = c.pending.find('\n')) {
            if (nl > kMaxRequest) break;
            const std::string request = c.pending.substr(0, nl);
            c.pending.erase(0, nl + 1);
            std::string reply;
            try {
                reply = handler(request);
            } catch (const std::exception& e) {
                reply = std::string("error ") + e.what() + "\n";
            }
            if (!WriteAll(c.fd.Get(), reply)) return false;
        }
        if (c.pending.size() > kMaxRequest) {  // a line without end, or too long
            WriteAll(c.fd.Get(), "error request line too long\n");
            return false;
        }
        return true;
    }
};

PanelServer::PanelServer(const std::string& world, PanelHandler handler) : impl_(std::make_unique<Impl>()) {
    const std::string dir = PanelDirectory();
    if (dir.empty()) return;
    const auto fail = [&](const std::string& what) {
        std::fprintf(stderr, "rq36-sim: front panel of %s not served: %s\n", world.c_str(), what.c_str());
    };
    std::error_code ec;
    if (std::filesystem::create_directories(dir, ec)) ::chmod(dir.c_str(), 0700);  // the user's own
    const std::string path = dir + "/" + world + "-" + std::to_string(::getpid()) + ".sock";
    sockaddr_un addr;
    if (!FillAddress(path, addr)) {
        fail(path + ": path too long for a socket");
        return;
    }
    ::unlink(path.c_str());  // a leftover of an earlier process with this number
    Fd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (listener.Get() < 0 || ::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener.Get(), 8) != 0) {
        fail(path + ": " + std::strerror(errno));
        return;
    }
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0) {
        ::unlink(path.c_str());
        fail(std::strerror(errno));
        return;
    }
    impl_->path = path;
    impl_->handler = std::move(handler);
    impl_->listener = std::move(listener);
    impl_->wakeRead = Fd(wake[0]);
    impl_->wakeWrite = Fd(wake[1]);
    impl_->thread = std::thread([impl = impl_.get()] { impl->Run(); });
}

PanelServer::~PanelServer() {
    if (!impl_->thread.joinable()) return;
    const char end = 'x';
    while (::write(impl_->wakeWrite.Get(), &end, 1) < 0 && errno == EINTR) {}
    impl_->thread.join();
    ::unlink(impl_->path.c_str());
}

const std::string& PanelServer::Path() const { return impl_->path; }

std::vector<PanelEndpoint> FindPanelWorlds() {
    std::vector<PanelEndpoint> found;
    const std::string dir = PanelDirectory();
    std::error_code ec;
    if (dir.empty() || !std::filesystem::is_directory(dir, ec)) return found;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        const auto dash = name.rfind('-');
        if (dash == std::string::npos || name.size() < 5 || name.compare(name.size() - 5, 5, ".sock") != 0) continue;
        PanelEndpoint e;
        e.world = name.substr(0, dash);
        e.pid = std::strtol(name.c_str() + dash + 1, nullptr, 10);
        e.path = entry.path().string();
        if (Connect(e.path).Get() < 0) {
            if (errno == ECONNREFUSED) ::unlink(e.path.c_str());  // its process has ended
            continue;
        }
        found.push_back(e);
    }
    return found;
}

bool PanelRequest(const std::string& path, const std::string& request, std::string& reply, std::string& error,
                  int timeoutMs) {
    reply.clear();
    Fd fd = Connect(path);
    if (fd.Get() < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    if (!WriteAll(fd.Get(), request + "\n")) {
        error = path + ": sending failed";
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        // The reply ends with its "ok" or "error" line.
        const auto last = reply.rfind('\n', reply.size() >= 2 ? reply.size() - 2 : 0);
        const std::string tail = reply.empty() || reply.back() != '\n'
                                     ? std::string()
                                     : reply.substr(last == std::string::npos ? 0 : last + 1);
        if (tail == "ok\n" || tail.rfind("error", 0) == 0) return true;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        pollfd p{fd.Get(), POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) {
            error = path + ": no reply";
            return false;
        }
        char buf[4096];
        const ssize_t n = ::recv(fd.Get(), buf, sizeof buf, 0);
        if (n <= 0 || reply.size() > kMaxReply) {
            error = path + ": the channel closed before the reply ended";
            return false;
        }
        reply.append(buf, static_cast<std::size_t>(n));
    }
}

}  // namespace rq36sim
