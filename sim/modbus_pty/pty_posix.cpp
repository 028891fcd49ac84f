// Pseudo-terminals on POSIX systems.
#include <fcntl.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "pty.h"

namespace rq36sim {

namespace {

std::atomic<bool> stopRequested{false};

void OnStopSignal(int) { stopRequested = true; }

struct SpeedCode {
    speed_t code;
    std::int32_t speed;
};
constexpr std::array<SpeedCode, 9> kSpeeds = {{{B600, 600},
                                               {B1200, 1200},
                                               {B2400, 2400},
                                               {B4800, 4800},
                                               {B9600, 9600},
                                               {B19200, 19200},
                                               {B38400, 38400},
                                               {B57600, 57600},
                                               {B115200, 115200}}};

class PosixPseudoTerminal final : public PseudoTerminal {
public:
    PosixPseudoTerminal(int master, int slave, std::string path)
        : master_(master), slave_(slave), path_(std::move(path)) {}
    ~PosixPseudoTerminal() override {
        ::close(slave_);
        ::close(master_);
    }
    PosixPseudoTerminal(const PosixPseudoTerminal&) = delete;
    PosixPseudoTerminal& operator=(const PosixPseudoTerminal&) = delete;

    const std::string& DevicePath() const override { return path_; }

    std::optional<LineParams> Settings() const override {
        // The simulator keeps a descriptor of the slave side open, so it sees
        // the settings the program made there.
        termios t{};
        if (::tcgetattr(slave_, &t) != 0 || (t.c_cflag & CSIZE) != CS8) return std::nullopt;
        LineParams line;
        line.protocol = Protocol::ModbusRtu;
        line.speed = 0;
        for (const auto& s : kSpeeds)
            if (s.code == ::cfgetospeed(&t)) line.speed = s.speed;
        // The kernel keeps no parity bit on a pseudo-terminal; what the
        // program meant shows in the odd flag and the stop bits that Modbus
        // RTU ties to the parity (two without parity, one with it).
        if (t.c_cflag & PARODD)
            line.parity = kParityOdd;
        else if ((t.c_cflag & PARENB) || !(t.c_cflag & CSTOPB))
            line.parity = kParityEven;
        else
            line.parity = kParityNone;
        return line;
    }

    ReadResult Read(std::vector<std::uint8_t>& into, std::optional<Clock::time_point> deadline) override {
        timespec wait{0, 0};
        if (deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(*deadline - Clock::now()).count();
            if (left > 0) {
                wait.tv_sec = static_cast<time_t>(left / 1'000'000'000);
                wait.tv_nsec = static_cast<long>(left % 1'000'000'000);
            }
        }
        pollfd p{master_, POLLIN, 0};
        const int r = ::ppoll(&p, 1, deadline ? &wait : nullptr, nullptr);
        if (r < 0) return errno == EINTR ? ReadResult::Interrupted : ReadResult::Failed;
        if (r == 0) return ReadResult::Timeout;
        std::array<std::uint8_t, 512> buffer;
        const ssize_t n = ::read(master_, buffer.data(), buffer.size());
        if (n > 0) {
            into.insert(into.end(), buffer.begin(), buffer.begin() + n);
            return ReadResult::Data;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return ReadResult::Interrupted;
        return ReadResult::Failed;
    }

    bool Write(std::span<const std::uint8_t> bytes) override {
        while (!bytes.empty()) {
            const ssize_t n = ::write(master_, bytes.data(), bytes.size());
            if (n > 0)
                bytes = bytes.subspan(static_cast<std::size_t>(n));
            else if (n < 0 && errno == EAGAIN) {
                pollfd p{master_, POLLOUT, 0};
                ::poll(&p, 1, 100);
            } else if (!(n < 0 && errno == EINTR)) {
                return false;
            }
        }
        return true;
    }

    bool HoldProgramOutput(bool held) override { return ::tcflow(slave_, held ? TCOOFF : TCOON) == 0; }

private:
    int master_;
    int slave_;
    std::string path_;
};

}  // namespace

std::unique_ptr<PseudoTerminal> PseudoTerminal::Create(std::string& error) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        error = std::string("no pseudo-terminal: ") + std::strerror(errno);
        if (master >= 0) ::close(master);
        return nullptr;
    }
    const char* name = ::ptsname(master);
    const std::string path = name ? name : "";
    // Held open for the simulator's whole life: the pseudo-terminal then
    // survives the program closing its side, and the settings stay readable.
    const int slave = path.empty() ? -1 : ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    if (slave < 0 || ::tcgetattr(slave, &t) != 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        if (slave >= 0) ::close(slave);
        ::close(master);
        return nullptr;
    }
    // Raw from the start: no echo, no line editing, 9600 Bd (even parity:
    // one stop bit) until the program sets its own.
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARODD);
    ::cfsetispeed(&t, B9600);
    ::cfsetospeed(&t, B9600);
    ::tcsetattr(slave, TCSANOW, &t);
    const int flags = ::fcntl(master, F_GETFL);
    ::fcntl(master, F_SETFL, flags | O_NONBLOCK);
    return std::make_unique<PosixPseudoTerminal>(master, slave, path);
}

void InstallStopSignals() {
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no restart: a waiting poll returns at once
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
}

bool StopRequested() { return stopRequested; }

bool StopWithParent() {
#ifdef __linux__
    return ::prctl(PR_SET_PDEATHSIG, SIGTERM) == 0 && ::getppid() != 1;
#else
    return false;
#endif
}

}  // namespace rq36sim
