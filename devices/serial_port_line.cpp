#include "devices/serial_port_line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>

#include "telescope/serial_settings.h"

namespace vexa {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kDefaultBaudRate = 9600;
// Start, stop and parity bits around each data byte, rounded up.
constexpr int kBitsPerByteOnWire = 11;
// On top of the wire time: a USB adapter's own latency and a busy system.
constexpr int kWriteMarginMs = 1000;
constexpr int kMsPerSecond = 1000;
constexpr int kFewestDataBits = 5;
// How often a wait for written bytes to leave looks again, at most.
constexpr int kLongestSentCheckMs = 20;

struct BaudSetting {
    int baudRate;
    speed_t speed;
};
constexpr BaudSetting kBaudSettings[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

Status SystemFailure(int error, StatusCode code = StatusCode::IoError) {
    return Status(code, std::strerror(error), error);
}

// The errors a terminal gives once its device has gone (USB adapter unplugged, the other end
// of a pseudo-terminal closed).
bool IsGone(int error) {
    return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE;
}

Status IoFailure(int error) {
    return SystemFailure(error, IsGone(error) ? StatusCode::Disconnected : StatusCode::IoError);
}

Status NotOpen() {
    return Status(StatusCode::IoError, "the serial line is not open", EBADF);
}

Status Vanished() {
    return Status(StatusCode::Disconnected, "the serial device hung up", EIO);
}

int RemainingMs(SteadyClock::time_point deadline) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(
        left.count(), 0, std::numeric_limits<int>::max()));
}

// Waits until fd is ready for events or the deadline passes. Ok when ready, Timeout when the
// time ran out, Disconnected when the device hung up.
Status WaitFor(int fd, short events, SteadyClock::time_point deadline) {
    while (true) {
        pollfd wait{fd, events, 0};
        int ready = poll(&wait, 1, RemainingMs(deadline));
        if (ready < 0) {
            if (errno == EINTR) continue;
            return SystemFailure(errno);
        }
        if (ready == 0) return Status(StatusCode::Timeout, "no data within the time");
        if (wait.revents & POLLNVAL) return NotOpen();
        if (wait.revents & events) return Status::Ok();
        return Vanished();  // POLLHUP or POLLERR alone
    }
}

}  // namespace

SerialPortLine::~SerialPortLine() {
    Close();
}

Status SerialPortLine::Open(const std::string& devicePath) {
    Close();
    // Checked before opening: opening a named pipe or some other special file can block, and
    // a serial device is always a character device.
    struct stat info {};
    if (stat(devicePath.c_str(), &info) != 0) {
        int error = errno;
        if (error == ENOENT || error == ENOTDIR) return SystemFailure(error, StatusCode::NotFound);
        if (error == EACCES) return SystemFailure(error, StatusCode::PermissionDenied);
        return SystemFailure(error);
    }
    if (!S_ISCHR(info.st_mode)) {
        return Status(StatusCode::InvalidArgument, "not a serial line or terminal",
                      S_ISDIR(info.st_mode) ? EISDIR : ENOTTY);
    }

    // Non-blocking from the start: opening a modem line waits for carrier otherwise, and every
    // later read and write waits through poll with its own timeout.
    int fd = open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        if (error == EACCES || error == EPERM) {
            return SystemFailure(error, StatusCode::PermissionDenied);
        }
        if (error == ENOENT || error == ENXIO || error == ENODEV) {
            return SystemFailure(error, StatusCode::NotFound);
        }
        return SystemFailure(error);
    }

    termios line{};
    if (tcgetattr(fd, &line) != 0) {
        int error = errno;
        close(fd);
        if (error == ENOTTY || error == EINVAL) {
            return Status(StatusCode::InvalidArgument, "not a serial line or terminal", error);
        }
        return IoFailure(error);
    }
    cfmakeraw(&line);
    line.c_cflag |= CLOCAL | CREAD;
    line.c_cflag &= ~CRTSCTS;
    line.c_iflag &= ~(IXON | IXOFF | IXANY);
    // One byte satisfies a read, so that with O_NONBLOCK an empty line gives EAGAIN and a read
    // of 0 bytes can only mean the device hung up.
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
    cfsetispeed(&line, B9600);
    cfsetospeed(&line, B9600);
    if (tcsetattr(fd, TCSANOW, &line) != 0) {
        int error = errno;
        close(fd);
        return IoFailure(error);
    }
    fd_ = fd;
    baudRate_ = kDefaultBaudRate;
    return Status::Ok();
}

Status SerialPortLine::ApplySettings(const std::string& text) {
    SerialSettings settings;
    if (Status parsed = ParseSerialSettings(text, settings); !parsed.ok()) return parsed;
    auto baud = std::find_if(std::begin(kBaudSettings), std::end(kBaudSettings),
                             [&](const BaudSetting& b) { return b.baudRate == settings.baudRate; });
    if (baud == std::end(kBaudSettings)) {
        return Status(StatusCode::InvalidArgument,
                      "baud rate " + std::to_string(settings.baudRate) + " not supported");
    }
    if (fd_ < 0) return NotOpen();

    termios line{};
    if (tcgetattr(fd_, &line) != 0) return IoFailure(errno);
    cfsetispeed(&line, baud->speed);
    cfsetospeed(&line, baud->speed);
    static constexpr tcflag_t kDataBits[] = {CS5, CS6, CS7, CS8};
    line.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    line.c_cflag |= kDataBits[settings.dataBits - kFewestDataBits];
    switch (settings.parity) {
        case 'e':
            line.c_cflag |= PARENB;
            break;
        case 'o':
            line.c_cflag |= PARENB | PARODD;
            break;
        case 'm':
            line.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case 's':
            line.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
    }
    if (settings.stopBits == 2) line.c_cflag |= CSTOPB;
    if (tcsetattr(fd_, TCSANOW, &line) != 0) return IoFailure(errno);
    baudRate_ = settings.baudRate;
    return Status::Ok();
}

int SerialPortLine::WireMs(size_t bytes) const {
    const long long ms =
        static_cast<long long>(bytes) * kBitsPerByteOnWire * kMsPerSecond / baudRate_;
    return static_cast<int>(std::min<long long>(ms, std::numeric_limits<int>::max() / 2));
}

Status SerialPortLine::Write(std::span<const uint8_t> bytes) {
    if (fd_ < 0) return NotOpen();
    auto deadline =
        SteadyClock::now() + std::chrono::milliseconds(WireMs(bytes.size()) + kWriteMarginMs);
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = write(fd_, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return IoFailure(errno);
        if (Status ready = WaitFor(fd_, POLLOUT, deadline); !ready.ok()) {
            if (ready.code() != StatusCode::Timeout) return ready;
            return Status(StatusCode::Timeout, "wrote " + std::to_string(sent) + " of " +
                                                   std::to_string(bytes.size()) + " bytes");
        }
    }
    return Status::Ok();
}

Status SerialPortLine::Read(std::span<uint8_t> buffer, size_t& got, int timeoutMs) {
    got = 0;
    if (fd_ < 0) return NotOpen();
    auto deadline = SteadyClock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    while (got < buffer.size()) {
        ssize_t n = read(fd_, buffer.data() + got, buffer.size() - got);
        if (n > 0) {
            got += static_cast<size_t>(n);
            continue;
        }
        if (n == 0) return Vanished();
        if (errno == EINTR) continue;
        if (errno != EAGAIN) return IoFailure(errno);
        if (Status ready = WaitFor(fd_, POLLIN, deadline); !ready.ok()) {
            if (ready.code() != StatusCode::Timeout) return ready;
            return Status(StatusCode::Timeout, "read " + std::to_string(got) + " of " +
                                                   std::to_string(buffer.size()) + " bytes");
        }
    }
    return Status::Ok();
}

Status SerialPortLine::Flush(SerialQueue queue) {
    if (fd_ < 0) return NotOpen();
    if (queue == SerialQueue::Transmit) return WaitUntilSent();
    if (tcflush(fd_, TCIFLUSH) != 0) return IoFailure(errno);
    return Status::Ok();
}

Status SerialPortLine::WaitUntilSent() {
    // The driver's queue first, watched with a time limit, so that a line that stopped taking
    // bytes gives Timeout instead of hanging the program; then tcdrain for the last few bytes
    // in the device's own buffer.
    int queued = 0;
    if (ioctl(fd_, TIOCOUTQ, &queued) != 0) queued = 0;
    auto deadline = SteadyClock::now() +
                    std::chrono::milliseconds(WireMs(static_cast<size_t>(queued)) + kWriteMarginMs);
    while (queued > 0) {
        const int leftMs = RemainingMs(deadline);
        if (leftMs == 0) {
            return Status(StatusCode::Timeout,
                          std::to_string(queued) + " bytes written are still waiting to leave");
        }
        poll(nullptr, 0,
             std::clamp(WireMs(static_cast<size_t>(queued)), 1,
                        std::min(leftMs, kLongestSentCheckMs)));
        if (ioctl(fd_, TIOCOUTQ, &queued) != 0) break;
    }
    while (tcdrain(fd_) != 0) {
        if (errno != EINTR) return IoFailure(errno);
    }
    return Status::Ok();
}

Status SerialPortLine::RaiseModemLines() {
    if (fd_ < 0) return NotOpen();
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (ioctl(fd_, TIOCMBIS, &lines) != 0) {
        int error = errno;
        if (error == ENOTTY || error == EINVAL) {
            return Status(StatusCode::Unsupported, "the line has no modem-control lines", error);
        }
        return IoFailure(error);
    }
    return Status::Ok();
}

void SerialPortLine::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    baudRate_ = 0;
}

}  // namespace vexa
