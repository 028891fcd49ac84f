// Serial devices on POSIX systems: termios for the line settings, poll for
// waiting, TIOCEXCL and flock for having the port alone.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

#include "rtu.h"
#include "serial_port.h"

namespace rq36::orsf {

namespace {

struct SpeedCode {
    std::int32_t speed;
    speed_t code;
};
constexpr std::array<SpeedCode, 9> kSpeeds = {{{600, B600},
                                               {1200, B1200},
                                               {2400, B2400},
                                               {4800, B4800},
                                               {9600, B9600},
                                               {19200, B19200},
                                               {38400, B38400},
                                               {57600, B57600},
                                               {115200, B115200}}};

// Linux's pseudo-terminal slaves (majors 136..143) carry no parity bit: the
// kernel drops PARENB.  Parity is then left out on them; PARODD and the stop
// bits stay set, so the far side can still tell which parity was meant.
bool IsPseudoTerminal(int fd) {
#ifdef __linux__
    struct stat st {};
    constexpr unsigned kPtySlaveMajorFirst = 136, kPtySlaveMajors = 8;
    return ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= kPtySlaveMajorFirst &&
           major(st.st_rdev) < kPtySlaveMajorFirst + kPtySlaveMajors;
#else
    (void)fd;
    return false;
#endif
}

// The wait from now until the deadline for ppoll; zero when it has passed.
timespec WaitUntil(Clock::time_point deadline) {
    timespec wait{0, 0};
    const auto left = deadline - Clock::now();
    if (left > Clock::duration::zero()) {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        wait.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        wait.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    }
    return wait;
}

PortFailure FailureOfOpen(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS: return PortFailure::Permission;
    case EBUSY: return PortFailure::Busy;
    default: return PortFailure::Missing;  // ENOENT, ENODEV, ENXIO, EIO: nothing usable there
    }
}

class PosixSerialPort final : public SerialPort {
public:
    explicit PosixSerialPort(int fd) : fd_(fd), pseudoTerminal_(IsPseudoTerminal(fd)) {}
    ~PosixSerialPort() override {
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);  // also releases the flock
    }
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    PortFailure Configure(std::int32_t speed, Parity parity) override {
        speed_t code = 0;
        for (const auto& s : kSpeeds)
            if (s.speed == speed) code = s.code;
        if (code == 0) return PortFailure::Settings;
        termios t{};
        if (::tcgetattr(fd_, &t) != 0) return PortFailure::Settings;
        ::cfmakeraw(&t);
        t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
        t.c_cflag |= CS8 | CLOCAL | CREAD;
        if (parity == Parity::None) t.c_cflag |= CSTOPB;
        if (parity != Parity::None && !pseudoTerminal_) t.c_cflag |= PARENB;
        if (parity == Parity::Odd) t.c_cflag |= PARODD;
        t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        if (::cfsetispeed(&t, code) != 0 || ::cfsetospeed(&t, code) != 0) return PortFailure::Settings;
        if (::tcsetattr(fd_, TCSANOW, &t) != 0) return PortFailure::Settings;
        characterTime_ = rtu::CharacterTime(speed);
        // tcsetattr succeeds when any one setting took; check them all.
        termios back{};
        if (::tcgetattr(fd_, &back) != 0 || ::cfgetospeed(&back) != code ||
            (back.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB)) != (t.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB)))
            return PortFailure::Settings;
        return PortFailure::None;
    }

    bool Write(std::span<const std::uint8_t> bytes, Clock::time_point deadline) override {
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
            if (n > 0) {
                bytes = bytes.subspan(static_cast<std::size_t>(n));
            } else if (n < 0 && errno == EAGAIN) {
                // The port's queue is full: wait for room, not past the deadline.
                pollfd p{fd_, POLLOUT, 0};
                const timespec wait = WaitUntil(deadline);
                const int r = ::ppoll(&p, 1, &wait, nullptr);
                if (r == 0) return GiveUpOutput();
                if (r < 0 && errno != EINTR) return false;
            } else if (!(n < 0 && errno == EINTR)) {
                return false;
            }
        }
        // tcdrain would wait without a limit: watch the output leave
        // instead, a few characters' time at a time.
        for (;;) {
            int queued = 0;
            if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) return false;
            if (queued <= 0 && TransmitterEmpty()) return true;
            const Clock::time_point now = Clock::now();
            if (now >= deadline) return GiveUpOutput();
            const auto step = std::clamp<Clock::duration>(
                characterTime_ * std::max(queued, 1), std::chrono::microseconds(100), std::chrono::milliseconds(20));
            const timespec pause = WaitUntil(std::min(now + step, deadline));
            ::ppoll(nullptr, 0, &pause, nullptr);
        }
    }

    ReadResult Read(std::vector<std::uint8_t>& into, Clock::time_point deadline) override {
        for (;;) {
            const timespec wait = WaitUntil(deadline);
            pollfd p{fd_, POLLIN, 0};
            const int r = ::ppoll(&p, 1, &wait, nullptr);
            if (r < 0) {
                if (errno == EINTR) continue;
                return ReadResult::Failed;
            }
            if (r == 0) return ReadResult::Timeout;
            if (p.revents & (POLLERR | POLLNVAL)) return ReadResult::Failed;
            std::array<std::uint8_t, 256> buffer;
            const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
            if (n > 0) {
                into.insert(into.end(), buffer.begin(), buffer.begin() + n);
                return ReadResult::Data;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            return ReadResult::Failed;  // end of file or an error: the device went away
        }
    }

    void DiscardInput() override { ::tcflush(fd_, TCIFLUSH); }

private:
    // The UART's own transmitter (its FIFO and shift register), where the
    // driver tells (the 8250 family); elsewhere the driver's queue is all
    // there is to watch.
    bool TransmitterEmpty() const {
#ifdef TIOCSERGETLSR
        unsigned int lsr = 0;
        if (::ioctl(fd_, TIOCSERGETLSR, &lsr) == 0) return (lsr & TIOCSER_TEMT) != 0;
#endif
        return true;
    }

    // A port that did not take or send the frame in time: what is still
    // queued is dropped, so the next frame does not go out behind it.
    bool GiveUpOutput() {
        ::tcflush(fd_, TCOFLUSH);
        return false;
    }

    int fd_;
    bool pseudoTerminal_;
    std::chrono::nanoseconds characterTime_{std::chrono::milliseconds(1)};
};

}  // namespace

std::unique_ptr<SerialPort> SerialPort::Open(const std::string& device, PortFailure& failure) {
    failure = PortFailure::None;
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        failure = FailureOfOpen(errno);
        return nullptr;
    }
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        ::close(fd);
        failure = PortFailure::NotSerial;
        return nullptr;
    }
    // Another program that locked the port (or has it open exclusively, which
    // the open above reports as EBUSY) keeps it; while this one holds it,
    // later openers are refused.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
        ::close(fd);
        failure = PortFailure::Busy;
        return nullptr;
    }
    return std::make_unique<PosixSerialPort>(fd);
}

std::string DeviceGroup(const std::string& device) {
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0) return {};
    std::array<char, 4096> buffer;
    group g{};
    group* found = nullptr;
    if (::getgrgid_r(st.st_gid, &g, buffer.data(), buffer.size(), &found) != 0 || !found) return {};
    return found->gr_name;
}

}  // namespace rq36::orsf
