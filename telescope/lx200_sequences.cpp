#include "telescope/lx200_sequences.h"

#include <string>

#include "session/session_state.h"
#include "session/timed_waits.h"
#include "session/ui_services.h"
#include "telescope/telescope_link.h"

namespace vexa {

namespace {

constexpr uint32_t kAfterCommandMs = 1;
constexpr uint32_t kBeforeInfoReadMs = 2;

TelescopeState& Scope() {
    return Session().telescope;
}

// "#:LI#", a short wait, "#:MS#", another: the information request and the slew, with the
// beep between them that tells the observer the mount is about to move.
void AskInfoAndSlew(LinkSteps& steps) {
    steps.Write(kGetInfo);
    SpinFor(kAfterCommandMs);
    Ui().Beep();
    steps.Write(kSlewToTarget);
    SpinFor(kAfterCommandMs);
}

// The information text, then the GoTo reply; a reply other than '0' is followed by the mount's
// message, read away, and both queues are flushed.
void ReadInfoAndGotoReply(LinkSteps& steps, GotoAnswer& answer) {
    std::string info;
    const bool gotInfo = steps.Read(kInfoReplyBytes, info);
    Scope().scopeInfo = info;
    if (!gotInfo) return;
    std::string reply;
    if (!steps.Read(1, reply)) return;
    Scope().lastGotoReply = reply[0];
    answer.read = true;
    answer.reply = reply[0];
    if (reply[0] != kGotoAccepted) {
        steps.Read(kRefusalReplyBytes, answer.message);
        steps.FlushBoth();
    }
}

// How the mount answered one co-ordinate value; Unclear when no answer came or it was neither
// '1' nor '0'.
enum class ValueAnswer { Accepted, Refused, Unclear };

ValueAnswer ReadValueAnswer(LinkSteps& steps) {
    std::string answer;
    if (!steps.Read(1, answer)) return ValueAnswer::Unclear;
    if (answer[0] == kValueAccepted) return ValueAnswer::Accepted;
    return answer[0] == kValueRefused ? ValueAnswer::Refused : ValueAnswer::Unclear;
}

struct ValueAnswers {
    ValueAnswer ra = ValueAnswer::Accepted;
    ValueAnswer dec = ValueAnswer::Accepted;
    bool Accepted() const { return ra == ValueAnswer::Accepted && dec == ValueAnswer::Accepted; }
};

// Sends the chosen values, the last one closed by the information request. A command is
// complete once the next one's '#' has gone, and each answer is read as soon as it is due, so
// the reads that follow see the information and nothing else.
void SendValues(LinkSteps& steps, const Coordinates& c, ValueSpacing spacing, bool ra, bool dec,
                ValueAnswers& answers) {
    if (ra) steps.Write(RaCommand(c, spacing));
    if (dec) steps.Write(DecCommand(c, spacing));
    if (ra && dec) {
        answers.ra = ReadValueAnswer(steps);
        steps.Write(kGetInfo);
        answers.dec = ReadValueAnswer(steps);
        return;
    }
    steps.Write(kGetInfo);
    (ra ? answers.ra : answers.dec) = ReadValueAnswer(steps);
}

void ReadInfo(LinkSteps& steps) {
    Scope().scopeInfo.clear();
    steps.Write(kGetInfo);
    SpinFor(kBeforeInfoReadMs);
    std::string info;
    const bool gotInfo = steps.Read(kInfoReplyBytes, info);
    Scope().scopeInfo = info;
    char extra = 0;
    if (gotInfo && steps.ReadMaybe(extra) && extra != kGotoAccepted) {
        std::string message;
        steps.Read(kRefusalReplyBytes, message);
        steps.FlushBoth();
    }
}

}  // namespace

Status CatalogueGoto(SerialLine& line, std::string_view prefix, int n, GotoAnswer* answer) {
    Scope().scopeInfo.clear();
    GotoAnswer answered;
    Status first;
    {
        LinkSteps steps(line, kLx200BaudRate);
        steps.RaiseModemLines();
        steps.FlushBoth();
        steps.Write(CatalogueGotoCommand(prefix, n));
        AskInfoAndSlew(steps);
        ReadInfoAndGotoReply(steps, answered);
        first = steps.Result();
    }
    if (answer) *answer = answered;
    // A mount that did not answer the slew is not asked again.
    if (!first.ok()) return first;
    LinkSteps steps(line, kLx200BaudRate);
    ReadInfo(steps);
    return steps.Result();
}

Status CoordinateGoto(SerialLine& line, const Coordinates& c, GotoAnswer* answer) {
    Scope().scopeInfo.clear();
    if (answer) *answer = GotoAnswer();
    LinkSteps steps(line, kLx200BaudRate);
    steps.RaiseModemLines();
    steps.FlushBoth();
    ValueAnswers answers;
    SendValues(steps, c, ValueSpacing::Spaced, true, true, answers);
    const bool raAgain = answers.ra == ValueAnswer::Refused;
    const bool decAgain = answers.dec == ValueAnswer::Refused;
    if ((raAgain || decAgain) && answers.ra != ValueAnswer::Unclear &&
        answers.dec != ValueAnswer::Unclear) {
        // The information that closed the refused values comes first.
        std::string info;
        if (steps.Read(kInfoReplyBytes, info)) {
            SendValues(steps, c, ValueSpacing::Unspaced, raAgain, decAgain, answers);
        }
    }
    SpinFor(kAfterCommandMs);
    Ui().Beep();
    if (!answers.Accepted()) {
        std::string info;
        steps.Read(kInfoReplyBytes, info);
        Scope().scopeInfo = info;
        if (!steps.Result().ok()) return steps.Result();
        return Status(StatusCode::InvalidArgument, "the telescope refused the co-ordinates");
    }
    steps.Write(kSlewToTarget);
    SpinFor(kAfterCommandMs);
    GotoAnswer answered;
    ReadInfoAndGotoReply(steps, answered);
    if (answer) *answer = answered;
    return steps.Result();
}

Status ReadScopeInfo(SerialLine& line) {
    LinkSteps steps(line, kLx200BaudRate);
    ReadInfo(steps);
    return steps.Result();
}

Status StartMove(SerialLine& line, char directionLetter) {
    TelescopeState& t = Scope();
    if (t.moving) return Status::Ok();
    LinkSteps steps(line, kLx200BaudRate);
    t.moveCommand = WithDirectionLetter(kMoveTemplate, directionLetter);
    steps.FlushBoth();
    steps.Write(t.slewRateCommand);
    steps.FlushBoth();
    steps.Write(t.moveCommand);
    t.moving = steps.ok();
    return steps.Result();
}

Status StopMove(SerialLine& line) {
    TelescopeState& t = Scope();
    if (!t.moving) return Status::Ok();
    t.moving = false;
    LinkSteps steps(line, kLx200BaudRate);
    steps.FlushBoth();
    for (std::string_view stop : kStopAllDirections) steps.WriteStop(stop);
    return steps.Result();
}

Status StartFocus(SerialLine& line, bool focusIn) {
    TelescopeState& t = Scope();
    if (t.focusing) return Status::Ok();
    LinkSteps steps(line, kLx200BaudRate);
    t.focusMoveCommand = std::string(focusIn ? kFocusIn : kFocusOut);
    steps.FlushBoth();
    steps.Write(t.focusSpeedCommand);
    steps.FlushBoth();
    steps.Write(t.focusMoveCommand);
    t.focusing = steps.ok();
    return steps.Result();
}

Status StopFocus(SerialLine& line) {
    TelescopeState& t = Scope();
    if (!t.focusing) return Status::Ok();
    t.focusing = false;
    LinkSteps steps(line, kLx200BaudRate);
    steps.FlushBoth();
    steps.WriteStop(kFocusStop);
    return steps.Result();
}

}  // namespace vexa
