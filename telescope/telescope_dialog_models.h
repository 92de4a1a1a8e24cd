// The rules of the two telescope dialogs, which the front ends render and drive: the LX200
// dialog "Vexa_Q4_USB Move Telescope" (catalogue, planet and co-ordinate GoTo, slew rates,
// arrows, focuser, the scope's information) and the control box's "Move Telescope" (arrows
// only). After every action the dialog redisplays the radio buttons from the stored commands
// and the information text; what went wrong on the line shows in the title.
#pragma once

#include <memory>
#include <string>

#include "session/status.h"
#include "telescope/lx200_sequences.h"
#include "telescope/mount_operations.h"
#include "telescope/serial_line.h"
#include "telescope/telescope_protocol.h"

namespace vexa {

constexpr const char* kMoveTelescopeTitle = "Vexa_Q4_USB Move Telescope";
constexpr const char* kControlBoxTitle = "Move Telescope";
constexpr const char* kControlTelescopeCaption = "Vexa_R4 - Control Telescope";
constexpr const char* kObjectOutOfRangeText = "Object out of range - try again";
constexpr const char* kInvalidCoordinatesText =
    "Invalid Co-ordinates set.\n\nRange is R.A. 0hr 00min, to 23hr 59mins\n        Dec  "
    "-89deg 00min, to +89deg 59mins";
constexpr const char* kMoveTelescopeHelpText =
    "Enter a Messier or CNGC number and press the GoTo Object button.\n\nIf you enter both "
    "numbers the Messier will be favoured. To use CGNC numbers ensure the Messier number is 0";

// What the title adds for a line that misbehaved.
constexpr const char* kRefusedNotice = "The telescope refused the co-ordinates";
constexpr const char* kNoReplyNotice = "No reply from the telescope";
constexpr const char* kLineLostNotice = "The connection to the telescope was lost";
constexpr const char* kNotConnectedNotice = "The telescope is not connected";

enum class SlewRate { Slew, Find, Centre, Guide };
enum class MoveArrow { Left, Right, Up, Down };

// The notice for a sequence's result; empty for Ok.
std::string LinkNotice(const Status& status);
// The letter of the drive-direction setting an arrow moves by: left west, right east, up
// north, down south.
char ArrowLetter(MoveArrow arrow);
// A number as typed into a dialog edit, blanks around it allowed. False for anything else, an
// empty edit included (the value is then out of every range: an empty field is never taken
// for 0, which would send the mount to R.A. 0h, Dec. 0 degrees).
bool ParseDialogNumber(const std::string& text, int& value);

class MoveTelescopeDialogModel {
  public:
    // The dialog drives the LX200 mount on line, which must outlive it.
    explicit MoveTelescopeDialogModel(SerialLine& line)
        : lx200_(std::make_unique<Lx200Operations>(line)), mount_(*lx200_) {}
    // The dialog drives mount (an LX200 line's sequences or an INDI mount's properties), which
    // must outlive it.
    explicit MoveTelescopeDialogModel(MountOperations& mount) : mount_(mount) {}

    // The edits, as typed.
    std::string messierText;
    std::string cngcText;
    std::string raHoursText;
    std::string raMinutesText;
    std::string decDegreesText;
    std::string decMinutesText;

    // "GoTo Object": Messier 1 to 110 first, else CNGC 1 to 7815, else the range message
    // (false: nothing was sent).
    bool GotoObject();
    void GotoPlanet(Planet planet);
    // "Go To ": the co-ordinate GoTo, or the range message (false: nothing was sent).
    bool GotoCoordinates();
    void ChooseSlewRate(SlewRate rate);
    void ChooseFocusSpeed(bool fast);
    void PressMoveArrow(MoveArrow arrow);
    void ReleaseMoveArrow();
    // Up runs the focuser in ("#:F+#"), down out ("#:F-#").
    void PressFocusArrow(bool up);
    void ReleaseFocusArrow();
    void Help();
    // "Finished": a move or focus run still on is stopped first.
    void Finish();

    // The radio buttons as the stored commands give them.
    SlewRate ShownSlewRate() const;
    bool ShownFocusFast() const;
    // "Info from Scope": the information text with bytes that cannot be shown as '?'.
    std::string InfoText() const;
    std::string Title() const;
    const std::string& Notice() const { return notice_; }
    // How the mount answered the last action, with its reason when it failed.
    const Status& LastStatus() const { return lastStatus_; }
    // The mount's answer to the slew of the last GoTo; not read when none was asked for.
    const GotoAnswer& LastGotoAnswer() const { return gotoAnswer_; }

  private:
    void Report(const Status& status);

    std::unique_ptr<Lx200Operations> lx200_;
    MountOperations& mount_;
    std::string notice_;
    Status lastStatus_;
    GotoAnswer gotoAnswer_;
};

class ControlBoxDialogModel {
  public:
    explicit ControlBoxDialogModel(SerialLine& line) : line_(line) {}

    void PressArrow(MoveArrow arrow);
    void ReleaseArrow();
    // "Finished": a move still on is stopped first.
    void Finish();
    // Show how a step taken for the dialog (the box's initialisation) went on the line.
    void Report(const Status& status) { notice_ = LinkNotice(status); }
    std::string Title() const;
    const std::string& Notice() const { return notice_; }

  private:
    SerialLine& line_;
    std::string notice_;
};

}  // namespace vexa
