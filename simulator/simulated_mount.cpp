#include "simulator/simulated_mount.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "session/clock.h"
#include "simulator/mount_catalogue.h"
#include "simulator/sky_model.h"

namespace vexa {

namespace {

constexpr double kMsPerSecond = 1000.0;
constexpr double kArcsecPerDegree = 3600.0;
constexpr double kDegreesPerHour = 15.0;
constexpr double kHoursPerDay = 24.0;
constexpr double kPole = 90.0;
constexpr double kRightAngle = 90.0;
constexpr size_t kLongestCommand = 40;
constexpr size_t kServiceChunkBytes = 256;
constexpr uint8_t kAck = 0x06;
constexpr char kPolarAlignment = 'P';
// Control-box bytes: direction bits and the drive bit.
constexpr uint8_t kEastBit = 1, kNorthBit = 2, kSouthBit = 4, kWestBit = 8, kDriveBit = 16;
constexpr uint8_t kGarbageBase = 0x80;
constexpr uint8_t kGarbageStep = 37;
constexpr uint8_t kLowSevenBits = 0x7f;
constexpr int kLastHour = 23;
constexpr int kLastMinute = 59;
constexpr int kLastTenth = 9;
constexpr int kMinutesPerHour = 60;
constexpr int kSecondsPerMinute = 60;
constexpr int kTenthsPerMinute = 10;
constexpr uint8_t kDegreeSign = 0xdf;  // the LX200's own degree character

std::string Padded(std::string text) {
    text.resize(kMountTextChars, ' ');
    return text;
}

// A GoTo refused: '1', the reason as display text, '#'.
std::string Refusal(const char* reason) {
    std::string reply(1, '1');
    reply.append(Padded(reason));
    reply.push_back('#');
    return reply;
}

double WrapHours(double hours) {
    hours = std::fmod(hours, kHoursPerDay);
    return hours < 0 ? hours + kHoursPerDay : hours;
}

// Reads a whole number of up to maxDigits digits at text[at], moving at past it.
bool TakeNumber(std::string_view text, size_t& at, int maxDigits, int& value) {
    size_t end = at;
    while (end < text.size() && end - at < static_cast<size_t>(maxDigits) && text[end] >= '0' &&
           text[end] <= '9') {
        ++end;
    }
    if (end == at) return false;
    std::from_chars(text.data() + at, text.data() + end, value);
    at = end;
    return true;
}

bool TakeChar(std::string_view text, size_t& at, std::string_view allowed) {
    if (at >= text.size() || allowed.find(text[at]) == std::string_view::npos) return false;
    ++at;
    return true;
}

// "HH:MM.T", R.A. to a tenth of a minute.
std::string RaText(double raHours) {
    constexpr long kTenthsPerDay =
        static_cast<long>(kHoursPerDay) * kMinutesPerHour * kTenthsPerMinute;
    const long tenths = std::lround(raHours * kMinutesPerHour * kTenthsPerMinute) % kTenthsPerDay;
    char text[48];
    std::snprintf(text, sizeof text, "%02ld:%02ld.%ld",
                  tenths / (kMinutesPerHour * kTenthsPerMinute),
                  (tenths / kTenthsPerMinute) % kMinutesPerHour, tenths % kTenthsPerMinute);
    return text;
}

// "sDD*MM", Dec. to the minute.
std::string DecText(double decDegrees) {
    const long minutes = std::lround(std::fabs(decDegrees) * kMinutesPerHour);
    char text[48];
    std::snprintf(text, sizeof text, "%c%02ld*%02ld", decDegrees < 0 ? '-' : '+',
                  minutes / kMinutesPerHour, minutes % kMinutesPerHour);
    return text;
}

std::string PositionText(double raHours, double decDegrees) {
    std::string text = "RA ";
    text.append(RaText(raHours), 0, 5);
    text.append(" DEC ");
    text.append(DecText(decDegrees));
    return text;
}

}  // namespace

SimulatedMount::SimulatedMount(const MountConfig& config, SkyModel* sky)
    : config_(config),
      sky_(sky),
      raHours_(WrapHours(config.startRaHours)),
      decDegrees_(std::clamp(config.startDecDegrees, -kPole, kPole)) {
    if (sky_) focusSteps_ = sky_->FocusSteps();
}

SimulatedMount::~SimulatedMount() {
    CloseTerminal();
}

// ---- the pseudo-terminal ----

Status SimulatedMount::OpenTerminal() {
    CloseTerminal();
    int master = -1;
    int line = -1;
    if (openpty(&master, &line, nullptr, nullptr, nullptr) != 0) {
        const int error = errno;
        return Status(StatusCode::IoError, std::strerror(error), error);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(line, F_SETFD, FD_CLOEXEC);
    // Raw from the start, so nothing the mount sends is echoed or translated before a client
    // sets the line up.
    termios raw{};
    if (tcgetattr(line, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(line, TCSANOW, &raw);
    }
    masterFd_ = master;
    lineFd_ = line;
    return Status::Ok();
}

std::string SimulatedMount::DevicePath() const {
    return lineFd_ < 0 ? std::string() : "/proc/self/fd/" + std::to_string(lineFd_);
}

std::string SimulatedMount::SharedDevicePath() const {
    if (lineFd_ < 0) return {};
    return "/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(lineFd_);
}

void SimulatedMount::CloseTerminal() {
    if (masterFd_ >= 0) close(masterFd_);
    if (lineFd_ >= 0) close(lineFd_);
    masterFd_ = -1;
    lineFd_ = -1;
    unsent_.clear();
}

MountKind SimulatedMount::ActiveKind() const {
    if (config_.kind != MountKind::FollowLine) return config_.kind;
    return boxLine_ ? MountKind::ControlBox : MountKind::Lx200;
}

void SimulatedMount::FollowLineSpeed() {
    termios line{};
    if (config_.kind != MountKind::FollowLine || tcgetattr(masterFd_, &line) != 0) return;
    const bool boxLine = cfgetospeed(&line) == B300;
    if (boxLine == boxLine_) return;
    boxLine_ = boxLine;
    inCommand_ = false;
    north_ = south_ = east_ = west_ = false;
}

void SimulatedMount::Service() {
    if (masterFd_ < 0) return;
    const uint32_t now = TheClock().Milliseconds();
    Advance(now);
    FollowLineSpeed();
    uint8_t chunk[kServiceChunkBytes];
    while (true) {
        const ssize_t n = read(masterFd_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i) ActOnByte(chunk[i], now);
    }
    unsent_ += DueReplies(now);
    while (!unsent_.empty()) {
        const ssize_t n = write(masterFd_, unsent_.data(), unsent_.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the terminal is full: the rest waits for the next service
        unsent_.erase(0, static_cast<size_t>(n));
    }
}

void SimulatedMount::ServeFor(int timeoutMs) {
    if (masterFd_ < 0) return;
    pollfd wait{masterFd_, POLLIN, 0};
    poll(&wait, 1, std::max(timeoutMs, 0));
    Service();
}

std::string SimulatedMount::Receive(std::string_view bytes) {
    const uint32_t now = TheClock().Milliseconds();
    Advance(now);
    for (char c : bytes) ActOnByte(static_cast<uint8_t>(c), now);
    return DueReplies(now);
}

void SimulatedMount::SetFault(MountFault fault, uint32_t lateReplyMs, size_t shortReplyBytes) {
    fault_ = fault;
    lateReplyMs_ = lateReplyMs;
    shortReplyBytes_ = shortReplyBytes;
}

bool SimulatedMount::Moving() const {
    return north_ || south_ || east_ || west_ || slewing_;
}

// ---- motion ----

double SimulatedMount::RatePxPerS(bool raAxis) const {
    const double guide = raAxis ? config_.guideRaPxPerS : config_.guideDecPxPerS;
    if (ActiveKind() == MountKind::ControlBox) return guide;
    switch (rate_) {
        case Rate::Centre:
            return guide * config_.centreRateFactor;
        case Rate::Find:
            return guide * config_.findRateFactor;
        case Rate::Slew:
            return guide * config_.slewRateFactor;
        case Rate::Guide:
        default:
            return guide;
    }
}

double SimulatedMount::TakeUpBacklash(AxisBacklash& axis, double px, double backlashPx) {
    if (px == 0.0) return 0.0;
    const int sign = px > 0 ? 1 : -1;
    if (axis.lastSign != 0 && sign != axis.lastSign) axis.leftPx = backlashPx;
    axis.lastSign = sign;
    const double taken = std::min(std::fabs(px), axis.leftPx);
    axis.leftPx -= taken;
    return sign * (std::fabs(px) - taken);
}

// East moves the field to the right (+x), north up (-y), or down for a camera turned round;
// the pointing follows.
void SimulatedMount::MoveField(double dxPx, double dyPx) {
    const double frameDyPx = config_.northMovesFieldDown ? -dyPx : dyPx;
    fieldShiftXPx_ += dxPx;
    fieldShiftYPx_ += frameDyPx;
    if (sky_) sky_->ShiftField(dxPx, frameDyPx);
    raHours_ =
        WrapHours(raHours_ + dxPx * config_.arcsecPerPx / kArcsecPerDegree / kDegreesPerHour);
    decDegrees_ =
        std::clamp(decDegrees_ - dyPx * config_.arcsecPerPx / kArcsecPerDegree, -kPole, kPole);
}

void SimulatedMount::Advance(uint32_t nowMs) {
    if (!clockStarted_) {
        clockStarted_ = true;
        lastUpdateMs_ = nowMs;
        return;
    }
    const double seconds = static_cast<uint32_t>(nowMs - lastUpdateMs_) / kMsPerSecond;
    lastUpdateMs_ = nowMs;
    if (seconds <= 0.0) return;

    const int eastward = (east_ ? 1 : 0) - (west_ ? 1 : 0);
    const int northward = (north_ ? 1 : 0) - (south_ ? 1 : 0);
    if (eastward != 0 || northward != 0) {
        const double dx = eastward * RatePxPerS(true) * seconds;
        const double dy = -northward * RatePxPerS(false) * seconds;
        MoveField(TakeUpBacklash(raBacklash_, dx, config_.raBacklashPx),
                  TakeUpBacklash(decBacklash_, dy, config_.decBacklashPx));
    }

    if (slewing_) {
        const double step = config_.gotoDegreesPerS * seconds;
        double raDegrees = (targetRaHours_ - raHours_) * kDegreesPerHour;
        // The short way round.
        if (raDegrees > kHoursPerDay * kDegreesPerHour / 2)
            raDegrees -= kHoursPerDay * kDegreesPerHour;
        if (raDegrees < -kHoursPerDay * kDegreesPerHour / 2)
            raDegrees += kHoursPerDay * kDegreesPerHour;
        const double decDegrees = targetDecDegrees_ - decDegrees_;
        const double raMove = std::clamp(raDegrees, -step, step);
        const double decMove = std::clamp(decDegrees, -step, step);
        MoveField(raMove * kArcsecPerDegree / config_.arcsecPerPx,
                  -decMove * kArcsecPerDegree / config_.arcsecPerPx);
        if (std::fabs(raDegrees) <= step && std::fabs(decDegrees) <= step) {
            raHours_ = targetRaHours_;
            decDegrees_ = targetDecDegrees_;
            slewing_ = false;
        }
    }

    if (focusDirection_ != 0) {
        const double speed = focusFast_ ? config_.focusFastStepsPerS : config_.focusSlowStepsPerS;
        focusSteps_ += focusDirection_ * speed * seconds;
        if (sky_) sky_->SetFocusSteps(focusSteps_);
    }
}

// ---- the protocol ----

void SimulatedMount::Remember(std::string command) {
    commands_.push_back(std::move(command));
    if (commands_.size() > kRememberedCommands) commands_.pop_front();
}

void SimulatedMount::ActOnByte(uint8_t byte, uint32_t nowMs) {
    if (ActiveKind() == MountKind::ControlBox) {
        ActOnBoxByte(byte);
        return;
    }
    if (!inCommand_) {
        if (byte == ':') {
            inCommand_ = true;
            command_.clear();
        } else if (byte == kAck) {
            Reply(std::string(1, kPolarAlignment), nowMs);
        }
        return;
    }
    if (byte == '#') {
        inCommand_ = false;
        ActOnCommand(command_, nowMs);
    } else if (command_.size() < kLongestCommand) {
        command_ += static_cast<char>(byte);
    } else {
        inCommand_ = false;  // not a command of ours: wait for the next ':'
    }
}

void SimulatedMount::ActOnBoxByte(uint8_t byte) {
    std::string entry = "byte ";
    entry.append(std::to_string(byte));
    Remember(std::move(entry));
    if (byte & kDriveBit) {
        east_ = byte & kEastBit;
        north_ = byte & kNorthBit;
        south_ = byte & kSouthBit;
        west_ = byte & kWestBit;
    } else {
        east_ = north_ = south_ = west_ = false;
    }
}

void SimulatedMount::ActOnCommand(const std::string& command, uint32_t nowMs) {
    Remember(command);
    const std::string_view c = command;
    const std::string_view head = c.substr(0, 2);
    const std::string_view rest = c.size() > 2 ? c.substr(2) : std::string_view();
    if (head == "LM") {
        SelectObject(rest, static_cast<int>(MountCatalogue::Messier));
    } else if (head == "LC") {
        SelectObject(rest, static_cast<int>(MountCatalogue::Cngc));
    } else if (head == "LS") {
        SelectObject(rest, static_cast<int>(MountCatalogue::Star));
    } else if (c == "LI") {
        Reply(InfoText() + "#", nowMs);
    } else if (c == "MS") {
        StartGoto(nowMs);
    } else if (head == "Sr") {
        Reply(SetTargetRa(rest) ? "1" : "0", nowMs);
    } else if (head == "Sd") {
        Reply(SetTargetDec(rest) ? "1" : "0", nowMs);
    } else if (c == "Mn" || c == "Ms" || c == "Me" || c == "Mw") {
        bool& direction = c[1] == 'n' ? north_ : c[1] == 's' ? south_ : c[1] == 'e' ? east_ : west_;
        direction = true;
    } else if (c == "Qn" || c == "Qs" || c == "Qe" || c == "Qw") {
        bool& direction = c[1] == 'n' ? north_ : c[1] == 's' ? south_ : c[1] == 'e' ? east_ : west_;
        direction = false;
    } else if (c == "Q") {
        north_ = south_ = east_ = west_ = slewing_ = false;
    } else if (c == "RG") {
        rate_ = Rate::Guide;
    } else if (c == "RC") {
        rate_ = Rate::Centre;
    } else if (c == "RM") {
        rate_ = Rate::Find;
    } else if (c == "RS") {
        rate_ = Rate::Slew;
    } else if (c == "F+") {
        focusDirection_ = 1;
    } else if (c == "F-") {
        focusDirection_ = -1;
    } else if (c == "FQ") {
        focusDirection_ = 0;
    } else if (c == "FF") {
        focusFast_ = true;
    } else if (c == "FS") {
        focusFast_ = false;
    } else if (c == "GR") {
        Reply(RaText(raHours_) + "#", nowMs);
    } else if (c == "GD") {
        Reply(DecText(decDegrees_) + "#", nowMs);
    }
}

void SimulatedMount::SelectObject(std::string_view number, int catalogue) {
    while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
    int n = -1;
    size_t at = 0;
    const bool read = TakeNumber(number, at, 4, n) && at == number.size();
    const std::optional<MountObject> object =
        read ? FindMountObject(static_cast<MountCatalogue>(catalogue), n) : std::nullopt;
    targetKnown_ = object.has_value();
    if (object) {
        targetName_ = object->name;
        targetRaHours_ = object->raHours;
        targetDecDegrees_ = object->decDegrees;
    } else {
        targetName_ = std::string();  // selected, but not in the library
    }
}

bool SimulatedMount::SetTargetRa(std::string_view value) {
    if (!value.empty() && value.front() == ' ') {
        if (config_.refuseSpacedValues) return false;
        value.remove_prefix(1);
    }
    size_t at = 0;
    int hours = 0, minutes = 0, part = 0;
    if (!TakeNumber(value, at, 2, hours) || !TakeChar(value, at, ":") ||
        !TakeNumber(value, at, 2, minutes)) {
        return false;
    }
    double fraction = 0.0;
    if (TakeChar(value, at, ".")) {
        if (!TakeNumber(value, at, 1, part) || part > kLastTenth) return false;
        fraction = part / static_cast<double>(kTenthsPerMinute);
    } else if (TakeChar(value, at, ":")) {
        if (!TakeNumber(value, at, 2, part) || part > kLastMinute) return false;
        fraction = part / static_cast<double>(kSecondsPerMinute);
    }
    if (at != value.size() || hours > kLastHour || minutes > kLastMinute) return false;
    targetRaHours_ = hours + (minutes + fraction) / kMinutesPerHour;
    targetKnown_ = true;
    targetName_.reset();
    return true;
}

bool SimulatedMount::SetTargetDec(std::string_view value) {
    if (!value.empty() && value.front() == ' ') {
        if (config_.refuseSpacedValues) return false;
        value.remove_prefix(1);
    }
    size_t at = 0;
    bool south = false;
    if (TakeChar(value, at, "-")) {
        south = true;
    } else {
        (void)TakeChar(value, at, "+");
    }
    int degrees = 0, minutes = 0, seconds = 0;
    const std::string separators = std::string("*:") + static_cast<char>(kDegreeSign);
    if (!TakeNumber(value, at, 2, degrees) || !TakeChar(value, at, separators) ||
        !TakeNumber(value, at, 2, minutes)) {
        return false;
    }
    if (TakeChar(value, at, ":") && (!TakeNumber(value, at, 2, seconds) || seconds > kLastMinute)) {
        return false;
    }
    if (at != value.size() || minutes > kLastMinute) return false;
    const double dec =
        degrees + (minutes + seconds / static_cast<double>(kSecondsPerMinute)) / kMinutesPerHour;
    if (dec > kPole) return false;
    targetDecDegrees_ = south ? -dec : dec;
    targetKnown_ = true;
    targetName_.reset();
    return true;
}

void SimulatedMount::StartGoto(uint32_t nowMs) {
    if (!targetKnown_) {
        Reply(Refusal("Object out of range"), nowMs);
        return;
    }
    // Never rises: further south than the latitude lets the pole's opposite reach.
    if (targetDecDegrees_ < config_.latitudeDegrees - kRightAngle) {
        Reply(Refusal("Object Below Horizon"), nowMs);
        return;
    }
    north_ = south_ = east_ = west_ = false;
    slewing_ = true;
    Reply("0", nowMs);
}

std::string SimulatedMount::InfoText() const {
    if (!targetName_) {
        if (!targetKnown_) return Padded("No object selected");
        std::string text = "Co-ordinates ";
        text.append(PositionText(targetRaHours_, targetDecDegrees_));
        return Padded(text);
    }
    if (!targetKnown_) return Padded("Object out of range");
    std::string text = *targetName_;
    text.push_back(' ');
    text.append(PositionText(targetRaHours_, targetDecDegrees_));
    return Padded(text);
}

void SimulatedMount::Reply(std::string bytes, uint32_t nowMs) {
    switch (fault_) {
        case MountFault::NoReply:
            return;
        case MountFault::ShortReply:
            bytes.resize(bytes.size() > shortReplyBytes_ ? bytes.size() - shortReplyBytes_ : 0);
            break;
        case MountFault::Garbage:
            for (size_t i = 0; i < bytes.size(); ++i) {
                bytes[i] = static_cast<char>(kGarbageBase | ((i * kGarbageStep) & kLowSevenBits));
            }
            break;
        default:
            break;
    }
    if (bytes.empty()) return;
    const uint32_t due = fault_ == MountFault::LateReply ? nowMs + lateReplyMs_ : nowMs;
    replies_.push_back({std::move(bytes), due});
}

std::string SimulatedMount::DueReplies(uint32_t nowMs) {
    std::string due;
    while (!replies_.empty() && static_cast<int32_t>(nowMs - replies_.front().dueMs) >= 0) {
        due += replies_.front().bytes;
        replies_.pop_front();
    }
    return due;
}

}  // namespace vexa
