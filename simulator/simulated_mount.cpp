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
#include <ctime>

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
constexpr int kLongestPulseDigits = 5;
constexpr char kValueTaken = '1';
constexpr double kFullCircle = 360.0;
constexpr double kSecondsPerHour = 3600.0;
constexpr const char* kSlewBar = "|";  // :D# while slewing: a bar, then '#'
constexpr const char* kSyncText = "Coordinates     matched.";
constexpr const char* kSiteName = "Vexa simulated mount";
constexpr const char* kTwentyFourHours = "24#";
constexpr const char* kTrackingHertz = "60.1#";
constexpr const char* kUpdatingText = "Updating Planetary Data";
// Sidereal time: hours at the J2000 epoch and per day after it (UT).
constexpr double kJ2000UnixSeconds = 946728000.0;
constexpr double kSecondsPerDay = 86400.0;
constexpr double kSiderealHoursAtJ2000 = 18.697374558;
constexpr double kSiderealHoursPerDay = 24.06570982441908;

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

// "HH:MM:SS" (hours) or "sDD*MM:SS" (degrees, signed), rounded to the second.
std::string SexagesimalText(double value, bool signedDegrees) {
    const long seconds = std::lround(std::fabs(value) * kSecondsPerHour);
    const long whole = signedDegrees ? seconds / 3600 : (seconds / 3600) % 24;
    char text[48];
    if (signedDegrees) {
        std::snprintf(text, sizeof text, "%c%02ld*%02ld:%02ld", value < 0 ? '-' : '+', whole,
                      (seconds / 60) % 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", whole, (seconds / 60) % 60,
                      seconds % 60);
    }
    return text;
}

double UtcHours() {
    const double seconds = static_cast<double>(TheClock().CalendarNow());
    return std::fmod(seconds, kSecondsPerDay) / kSecondsPerHour;
}

double LocalSiderealHours(double eastLongitudeDegrees) {
    const double days =
        (static_cast<double>(TheClock().CalendarNow()) - kJ2000UnixSeconds) / kSecondsPerDay;
    return WrapHours(kSiderealHoursAtJ2000 + kSiderealHoursPerDay * days +
                     eastLongitudeDegrees / kDegreesPerHour);
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

bool SimulatedMount::InputWaiting(int timeoutMs) const {
    if (masterFd_ < 0) return false;
    pollfd wait{masterFd_, POLLIN, 0};
    return poll(&wait, 1, std::max(timeoutMs, 0)) > 0 && (wait.revents & POLLIN) != 0;
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
    const uint32_t fromMs = lastUpdateMs_;
    const double seconds = static_cast<uint32_t>(nowMs - lastUpdateMs_) / kMsPerSecond;
    lastUpdateMs_ = nowMs;
    if (seconds <= 0.0) return;

    // Timed pulses move at the guide rate for exactly their time, however seldom the mount is
    // serviced while they run.
    const double raPulseS = PulseSeconds(pulseRa_, fromMs, nowMs);
    const double decPulseS = PulseSeconds(pulseDec_, fromMs, nowMs);
    if (raPulseS != 0.0 || decPulseS != 0.0) {
        MoveField(
            TakeUpBacklash(raBacklash_, raPulseS * config_.guideRaPxPerS, config_.raBacklashPx),
            TakeUpBacklash(decBacklash_, -decPulseS * config_.guideDecPxPerS,
                           config_.decBacklashPx));
    }

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
        Reply(RaReply(raHours_), nowMs);
    } else if (c == "GD") {
        Reply(DecReply(decDegrees_), nowMs);
    } else {
        (void)ActOnClientCommand(c, nowMs);
    }
}

double SimulatedMount::PulseSeconds(TimedPulse& pulse, uint32_t fromMs, uint32_t toMs) {
    if (pulse.sign == 0) return 0.0;
    const auto span = static_cast<int64_t>(static_cast<uint32_t>(toMs - fromMs));
    const auto start = static_cast<int64_t>(static_cast<int32_t>(pulse.startMs - fromMs));
    const auto end = static_cast<int64_t>(static_cast<int32_t>(pulse.endMs - fromMs));
    const int64_t overlapMs =
        std::clamp<int64_t>(end, 0, span) - std::clamp<int64_t>(start, 0, span);
    const int sign = pulse.sign;
    if (end <= span) pulse = TimedPulse{};
    return sign * std::max<int64_t>(overlapMs, 0) / kMsPerSecond;
}

void SimulatedMount::StartTimedPulse(std::string_view value, uint32_t nowMs) {
    if (value.empty()) return;
    int ms = 0;
    size_t at = 1;
    if (!TakeNumber(value, at, kLongestPulseDigits, ms) || at != value.size()) return;
    const char direction = value[0];
    const bool raAxis = direction == 'e' || direction == 'w';
    if (!raAxis && direction != 'n' && direction != 's') return;
    TimedPulse& pulse = raAxis ? pulseRa_ : pulseDec_;
    pulse.sign = direction == 'e' || direction == 'n' ? 1 : -1;
    pulse.startMs = nowMs;
    pulse.endMs = nowMs + static_cast<uint32_t>(ms);
}

std::string SimulatedMount::RaReply(double raHours) const {
    if (!highPrecision_) return RaText(raHours) + "#";
    return SexagesimalText(WrapHours(raHours), false) + "#";
}

std::string SimulatedMount::DecReply(double decDegrees) const {
    if (!highPrecision_) return DecText(decDegrees) + "#";
    return SexagesimalText(decDegrees, true) + "#";
}

// The commands an LX200 client such as INDI's drivers sends besides the program's own: what it
// asks about the mount, site and time, slew progress, sync, timed pulses, and the settings it
// makes (each answered '1', or for the date the two lines of display text that follow).
bool SimulatedMount::ActOnClientCommand(std::string_view c, uint32_t nowMs) {
    const std::string_view head = c.substr(0, 2);
    const std::string_view rest = c.size() > 2 ? c.substr(2) : std::string_view();
    if (c == "U") {
        highPrecision_ = !highPrecision_;
    } else if (c == "D") {
        Reply(slewing_ ? std::string(kSlewBar) + "#" : "#", nowMs);
    } else if (c == "CM") {
        // Sync: the mount now takes itself to point at the target; nothing moves.
        if (targetKnown_) {
            raHours_ = targetRaHours_;
            decDegrees_ = targetDecDegrees_;
        }
        Reply(Padded(kSyncText) + "#", nowMs);
    } else if (head == "Mg") {
        StartTimedPulse(rest, nowMs);
    } else if (c == "Gc") {
        Reply(kTwentyFourHours, nowMs);
    } else if (c == "GM" || c == "GN" || c == "GO" || c == "GP") {
        Reply(std::string(kSiteName) + "#", nowMs);
    } else if (c == "GT") {
        Reply(kTrackingHertz, nowMs);
    } else if (c == "Gt") {
        Reply(DecText(config_.latitudeDegrees) + "#", nowMs);
    } else if (c == "Gg") {
        // LX200 longitudes grow westward, 0 to 360 degrees.
        const double west = std::fmod(kFullCircle - config_.longitudeDegrees, kFullCircle);
        const long minutes = std::lround(west * kMinutesPerHour);
        char text[32];
        std::snprintf(text, sizeof text, "%03ld*%02ld#", minutes / kMinutesPerHour % 360,
                      minutes % kMinutesPerHour);
        Reply(text, nowMs);
    } else if (c == "GG") {
        Reply("+00#", nowMs);
    } else if (c == "GL" || c == "Ga" || c == "GS") {
        Reply(SexagesimalText(c == "GS" ? LocalSiderealHours(config_.longitudeDegrees) : UtcHours(),
                              false) +
                  "#",
              nowMs);
    } else if (c == "GC") {
        const std::time_t now = TheClock().CalendarNow();
        std::tm utc{};
        gmtime_r(&now, &utc);
        char text[32];
        std::snprintf(text, sizeof text, "%02d/%02d/%02d#", utc.tm_mon + 1, utc.tm_mday,
                      utc.tm_year % 100);
        Reply(text, nowMs);
    } else if (c == "Gr") {
        Reply(RaReply(targetRaHours_), nowMs);
    } else if (c == "Gd") {
        Reply(DecReply(targetDecDegrees_), nowMs);
    } else if (head == "SC") {
        std::string reply(1, kValueTaken);
        reply.append(Padded(kUpdatingText)).append("#").append(Padded({})).append("#");
        Reply(std::move(reply), nowMs);
    } else if (head == "SG" || head == "SL" || head == "Sg" || head == "St" || head == "SM" ||
               head == "SN" || head == "SO" || head == "SP" || head == "ST" || head == "Sw") {
        Reply("1", nowMs);
    } else {
        return false;
    }
    return true;
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
