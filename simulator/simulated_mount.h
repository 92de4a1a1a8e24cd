// A simulated mount on a pseudo-terminal, so that the program's real serial backend is used end
// to end. It speaks the LX200 commands the program sends, and those an LX200 client such as
// INDI's LX200 drivers uses (pointing in low or high precision, site, time and date, slew
// progress, sync, timed pulse guiding), or the control box's one-byte codes; it keeps a pointing
// position, slews to GoTo targets from a small built-in library, moves at the selected rate while a
// move runs, and moves the simulated camera's sky: every motion shifts the star field, reversals
// first take up a backlash, and the focuser changes the star width.
//
// No thread: the mount acts whenever Service() runs. In the program's own process the line to
// it is wrapped in SimulatedMountLine, which services the mount around every operation of the
// line; a stand-alone mount (vexaq4-cli simulate-mount) calls ServeFor() in a loop. Time is
// the program clock (TheClock()), so a virtual clock drives it in tests: a motion lasts from the
// Service() that saw its start command to the one that saw its stop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "session/status.h"

namespace vexa {

class SkyModel;

// FollowLine: the control box while the client runs the line at 300 baud, else LX200.
enum class MountKind { FollowLine, Lx200, ControlBox };

// Ways the mount can misbehave, for tests of the program's reading.
enum class MountFault {
    None,
    NoReply,     // it never answers
    LateReply,   // every answer leaves lateReplyMs after its command
    ShortReply,  // every answer loses its last shortReplyBytes bytes
    Garbage,     // every answer byte is replaced by another, the length kept
};

struct MountConfig {
    MountKind kind = MountKind::FollowLine;
    // Field motion at the guide rate (and while the control box drives), per axis.
    double guideRaPxPerS = 5.0;
    double guideDecPxPerS = 5.0;
    // The other rates as multiples of the guide rate.
    double centreRateFactor = 8.0;
    double findRateFactor = 64.0;
    double slewRateFactor = 512.0;
    // Motion lost when an axis reverses, in pixels of field motion.
    double raBacklashPx = 0.0;
    double decBacklashPx = 0.0;
    // How the camera sits on the mount: normally north moves the field up the frame (-y); a
    // camera turned the other way round sees it move down.
    bool northMovesFieldDown = false;
    // Sky per image pixel, which turns field motion into pointing and back.
    double arcsecPerPx = 2.0;
    double gotoDegreesPerS = 4.0;
    double focusFastStepsPerS = 50.0;
    double focusSlowStepsPerS = 5.0;
    // Objects that never rise at this latitude are refused as below the horizon.
    double latitudeDegrees = 52.0;
    double startRaHours = 0.0;
    double startDecDegrees = 0.0;
    // A classic-LX200 habit: refuse a :Sr or :Sd value that has a space before it.
    bool refuseSpacedValues = false;
    // East longitude of the site (for the local sidereal time and :Gg#).
    double longitudeDegrees = 0.0;
};

// The mount's display text: 32 characters.
constexpr size_t kMountTextChars = 32;

class SimulatedMount {
  public:
    // sky, when given, must outlive the mount; the mount moves its field and focuser.
    explicit SimulatedMount(const MountConfig& config = MountConfig(), SkyModel* sky = nullptr);
    ~SimulatedMount();
    SimulatedMount(const SimulatedMount&) = delete;
    SimulatedMount& operator=(const SimulatedMount&) = delete;

    // ---- the pseudo-terminal ----
    // Makes the terminal pair; the mount keeps both ends open, so the line stays usable when a
    // client closes and opens it again.
    Status OpenTerminal();
    bool TerminalOpen() const { return masterFd_ >= 0; }
    // A path to the terminal's line end that works in this process: /proc/self/fd/N (this
    // works where the pts folder does not show the terminal).
    std::string DevicePath() const;
    // The same for other processes: /proc/PID/fd/N.
    std::string SharedDevicePath() const;
    // The device vanishes: both ends close, a client's next operation fails.
    void CloseTerminal();
    // Read and act on what the client sent, advance every motion to now, and send the answers
    // that are due.
    void Service();
    // Wait up to timeoutMs (host time) for the client to send something, then Service().
    void ServeFor(int timeoutMs);
    // Wait up to timeoutMs (host time) for the client to send something, without acting on it;
    // true when something waits. Safe on another thread than the one that services the mount,
    // as long as the terminal stays open meanwhile.
    bool InputWaiting(int timeoutMs) const;

    // ---- the protocol without a terminal ----
    // Acts on bytes as if they came down the line; returns the answer bytes that are due.
    std::string Receive(std::string_view bytes);

    // ---- misbehaviour ----
    void SetFault(MountFault fault, uint32_t lateReplyMs = 3000, size_t shortReplyBytes = 10);

    // ---- what the mount did ----
    double RaHours() const { return raHours_; }
    double DecDegrees() const { return decDegrees_; }
    bool Slewing() const { return slewing_; }
    bool Moving() const;
    double FocusSteps() const { return focusSteps_; }
    // :U# toggles it: positions then read "HH:MM:SS" and "sDD*MM:SS" instead of "HH:MM.T" and
    // "sDD*MM".
    bool HighPrecision() const { return highPrecision_; }
    // Field motion applied so far (pixels), backlash taken out.
    double FieldShiftXPx() const { return fieldShiftXPx_; }
    double FieldShiftYPx() const { return fieldShiftYPx_; }
    // Every LX200 command it acted on (without ':' and '#'), or every control-box byte as
    // "byte N", oldest first, up to kRememberedCommands.
    static constexpr size_t kRememberedCommands = 512;
    const std::deque<std::string>& Commands() const { return commands_; }
    const MountConfig& Config() const { return config_; }

  private:
    enum class Rate { Guide, Centre, Find, Slew };
    // A timed guide pulse (":Mgn0500#") on one axis: +1 or -1 at the guide rate until endMs.
    struct TimedPulse {
        int sign = 0;
        uint32_t startMs = 0;
        uint32_t endMs = 0;
    };
    struct PendingReply {
        std::string bytes;
        uint32_t dueMs = 0;
    };
    struct AxisBacklash {
        int lastSign = 0;
        double leftPx = 0.0;
    };

    MountKind ActiveKind() const;
    void FollowLineSpeed();
    void Advance(uint32_t nowMs);
    void MoveField(double dxPx, double dyPx);
    double TakeUpBacklash(AxisBacklash& axis, double px, double backlashPx);
    void ActOnByte(uint8_t byte, uint32_t nowMs);
    void ActOnCommand(const std::string& command, uint32_t nowMs);
    void ActOnBoxByte(uint8_t byte);
    void SelectObject(std::string_view number, int catalogue);
    bool SetTargetRa(std::string_view value);
    bool SetTargetDec(std::string_view value);
    void StartGoto(uint32_t nowMs);
    bool ActOnClientCommand(std::string_view c, uint32_t nowMs);
    void StartTimedPulse(std::string_view value, uint32_t nowMs);
    double PulseSeconds(TimedPulse& pulse, uint32_t fromMs, uint32_t toMs);
    std::string RaReply(double raHours) const;
    std::string DecReply(double decDegrees) const;
    void Reply(std::string bytes, uint32_t nowMs);
    std::string DueReplies(uint32_t nowMs);
    std::string InfoText() const;
    double RatePxPerS(bool raAxis) const;
    void Remember(std::string command);

    MountConfig config_;
    SkyModel* sky_;
    int masterFd_ = -1;
    int lineFd_ = -1;
    std::string unsent_;  // answers the terminal has not taken yet

    bool boxLine_ = false;  // the client runs the line at the control box's speed
    // LX200 input: a command runs from ':' to '#'.
    bool inCommand_ = false;
    std::string command_;

    // Pointing and motion.
    double raHours_;
    double decDegrees_;
    uint32_t lastUpdateMs_ = 0;
    bool clockStarted_ = false;
    Rate rate_ = Rate::Slew;
    bool north_ = false, south_ = false, east_ = false, west_ = false;
    bool boxDriving_ = false;
    bool slewing_ = false;
    double targetRaHours_ = 0.0;
    double targetDecDegrees_ = 0.0;
    // The object a GoTo goes to: a library object, co-ordinates, or nothing known.
    std::optional<std::string> targetName_;
    bool targetKnown_ = false;
    AxisBacklash raBacklash_;
    AxisBacklash decBacklash_;
    double fieldShiftXPx_ = 0.0;
    double fieldShiftYPx_ = 0.0;
    TimedPulse pulseRa_;
    TimedPulse pulseDec_;
    bool highPrecision_ = false;
    int focusDirection_ = 0;
    bool focusFast_ = false;
    double focusSteps_ = 0.0;

    MountFault fault_ = MountFault::None;
    uint32_t lateReplyMs_ = 0;
    size_t shortReplyBytes_ = 0;
    std::deque<PendingReply> replies_;
    std::deque<std::string> commands_;
};

}  // namespace vexa
