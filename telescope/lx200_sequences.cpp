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

TelescopeState& Link() {
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
void ReadInfoAndGotoReply(LinkSteps& steps) {
    std::string info;
    const bool gotInfo = steps.Read(kInfoReplyBytes, info);
    Link().scopeInfo = info;
    if (!gotInfo) return;
    std::string reply;
    if (!steps.Read(1, reply)) return;
    Link().lastGotoReply = reply[0];
    if (reply[0] != kGotoAccepted) {
        std::string message;
        steps.Read(kRefusalReplyBytes, message);
        steps.FlushBoth();
    }
}

void ReadInfo(LinkSteps& steps) {
    Link().scopeInfo.clear();
    steps.Write(kGetInfo);
    SpinFor(kBeforeInfoReadMs);
    std::string info;
    const bool gotInfo = steps.Read(kInfoReplyBytes, info);
    Link().scopeInfo = info;
    char extra = 0;
    if (gotInfo && steps.ReadMaybe(extra) && extra != kGotoAccepted) {
        std::string message;
        steps.Read(kRefusalReplyBytes, message);
        steps.FlushBoth();
    }
}

std::string WithLetter(std::string_view command, char letter) {
    std::string bytes(command);
    bytes[kDirectionLetterIndex] = letter;
    return bytes;
}

}  // namespace

Status CatalogueGoto(std::string_view prefix, int n) {
    Link().scopeInfo.clear();
    Status first;
    {
        LinkSteps steps;
        steps.PortControl();
        steps.FlushBoth();
        steps.Write(CatalogueGotoCommand(prefix, n));
        AskInfoAndSlew(steps);
        ReadInfoAndGotoReply(steps);
        first = steps.Result();
    }
    // A mount that did not answer the slew is not asked again.
    if (!first.ok()) return first;
    LinkSteps steps;
    ReadInfo(steps);
    return steps.Result();
}

Status CoordinateGoto(const Coordinates& c) {
    Link().scopeInfo.clear();
    LinkSteps steps;
    steps.PortControl();
    steps.FlushBoth();
    steps.Write(RaCommand(c));
    steps.Write(DecCommand(c));
    // The R.A. command is complete once the Dec. command's '#' has gone, and the Dec. command
    // once the information request's has: each answer is read as soon as it is due, so the
    // reads that follow see the information and the slew reply and nothing else.
    std::string raReply;
    const bool gotRa = steps.Read(1, raReply);
    steps.Write(kGetInfo);
    std::string decReply;
    const bool gotDec = steps.Read(1, decReply);
    SpinFor(kAfterCommandMs);
    Ui().Beep();
    const bool accepted =
        gotRa && gotDec && raReply[0] == kValueAccepted && decReply[0] == kValueAccepted;
    if (!accepted) {
        std::string info;
        steps.Read(kInfoReplyBytes, info);
        Link().scopeInfo = info;
        if (!steps.Result().ok()) return steps.Result();
        return Status(StatusCode::InvalidArgument, "the telescope refused the co-ordinates");
    }
    steps.Write(kSlewToTarget);
    SpinFor(kAfterCommandMs);
    ReadInfoAndGotoReply(steps);
    return steps.Result();
}

Status ReadScopeInfo() {
    LinkSteps steps;
    ReadInfo(steps);
    return steps.Result();
}

Status StartMove(char directionLetter) {
    TelescopeState& t = Link();
    if (t.moving) return Status::Ok();
    LinkSteps steps;
    t.moveCommand = WithLetter(kMoveTemplate, directionLetter);
    steps.FlushBoth();
    steps.Write(t.slewRateCommand);
    steps.FlushBoth();
    steps.Write(t.moveCommand);
    t.moving = steps.ok();
    return steps.Result();
}

Status StopMove() {
    TelescopeState& t = Link();
    if (!t.moving) return Status::Ok();
    t.moving = false;
    LinkSteps steps;
    steps.FlushBoth();
    for (std::string_view stop : kStopAllDirections) steps.WriteStop(stop);
    return steps.Result();
}

Status StartFocus(bool focusIn) {
    TelescopeState& t = Link();
    if (t.focusing) return Status::Ok();
    LinkSteps steps;
    t.focusMoveCommand = std::string(focusIn ? kFocusIn : kFocusOut);
    steps.FlushBoth();
    steps.Write(t.focusSpeedCommand);
    steps.FlushBoth();
    steps.Write(t.focusMoveCommand);
    t.focusing = steps.ok();
    return steps.Result();
}

Status StopFocus() {
    TelescopeState& t = Link();
    if (!t.focusing) return Status::Ok();
    t.focusing = false;
    LinkSteps steps;
    steps.FlushBoth();
    steps.WriteStop(kFocusStop);
    return steps.Result();
}

}  // namespace vexa
