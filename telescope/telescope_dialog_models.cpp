#include "telescope/telescope_dialog_models.h"

#include <cctype>
#include <charconv>

#include "session/session_state.h"
#include "session/ui_services.h"
#include "telescope/control_box.h"
#include "telescope/lx200_sequences.h"

namespace vexa {

namespace {

constexpr size_t kMostDigits = 6;
constexpr char kFirstShownByte = 0x20;
constexpr char kLastShownByte = 0x7e;
constexpr char kUnshownByte = '?';

bool InRange(int value, int low, int high) {
    return value >= low && value <= high;
}

std::string Trimmed(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

std::string TitleWith(const char* title, const std::string& notice) {
    return notice.empty() ? std::string(title) : std::string(title) + " - " + notice;
}

}  // namespace

std::string LinkNotice(const Status& status) {
    switch (status.code()) {
        case StatusCode::Ok:
            return {};
        case StatusCode::InvalidArgument:
            return kRefusedNotice;
        case StatusCode::Timeout:
        case StatusCode::ShortTransfer:
            return kNoReplyNotice;
        case StatusCode::Disconnected:
            return kLineLostNotice;
        case StatusCode::NotFound:
            return kNotConnectedNotice;
        default:
            return "The telescope line failed: " + status.text();
    }
}

char ArrowLetter(MoveArrow arrow) {
    switch (arrow) {
        case MoveArrow::Left:
            return DirectionLetter(Direction::West);
        case MoveArrow::Right:
            return DirectionLetter(Direction::East);
        case MoveArrow::Up:
            return DirectionLetter(Direction::North);
        case MoveArrow::Down:
        default:
            return DirectionLetter(Direction::South);
    }
}

bool ParseDialogNumber(const std::string& text, int& value) {
    const std::string number = Trimmed(text);
    value = 0;
    if (number.empty()) return false;
    const size_t digits = number.size() - ((number[0] == '-' || number[0] == '+') ? 1 : 0);
    if (digits == 0 || digits > kMostDigits) return false;
    const char* first = number.data() + (number[0] == '+' ? 1 : 0);
    const char* last = number.data() + number.size();
    auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last;
}

// ---- the LX200 dialog ----

void MoveTelescopeDialogModel::Report(const Status& status) {
    lastStatus_ = status;
    notice_ = LinkNotice(status);
}

bool MoveTelescopeDialogModel::GotoObject() {
    gotoAnswer_ = GotoAnswer();
    int messier = 0;
    int cngc = 0;
    const bool messierRead = ParseDialogNumber(messierText, messier);
    const bool cngcRead = ParseDialogNumber(cngcText, cngc);
    if (messierRead && InRange(messier, kFirstCatalogueNumber, kLastMessier)) {
        Report(mount_.CatalogueGoto(kMessierPrefix, messier, &gotoAnswer_));
    } else if (cngcRead && InRange(cngc, kFirstCatalogueNumber, kLastCngc)) {
        Report(mount_.CatalogueGoto(kCngcPrefix, cngc, &gotoAnswer_));
    } else {
        Ui().MessageBox(kControlTelescopeCaption, kObjectOutOfRangeText);
        return false;
    }
    return true;
}

void MoveTelescopeDialogModel::GotoPlanet(Planet planet) {
    Report(mount_.CatalogueGoto(kStarPrefix, PlanetStarNumber(planet), &gotoAnswer_));
}

bool MoveTelescopeDialogModel::GotoCoordinates() {
    gotoAnswer_ = GotoAnswer();
    Coordinates c;
    const bool read = ParseDialogNumber(raHoursText, c.raHours) &&
                      ParseDialogNumber(raMinutesText, c.raMinutes) &&
                      ParseDialogNumber(decDegreesText, c.decDegrees) &&
                      ParseDialogNumber(decMinutesText, c.decMinutes);
    // "-0" degrees: a declination just south of the equator keeps its sign.
    c.decSouth = Trimmed(decDegreesText).starts_with('-');
    if (!read || !CoordinatesInRange(c)) {
        Ui().MessageBox(kControlTelescopeCaption, kInvalidCoordinatesText);
        return false;
    }
    Report(mount_.CoordinateGoto(c, &gotoAnswer_));
    return true;
}

void MoveTelescopeDialogModel::ChooseSlewRate(SlewRate rate) {
    static constexpr std::string_view kCommands[] = {kSlewRateSlew, kSlewRateFind, kSlewRateCentre,
                                                     kSlewRateGuide};
    Session().telescope.slewRateCommand = std::string(kCommands[static_cast<int>(rate)]);
}

void MoveTelescopeDialogModel::ChooseFocusSpeed(bool fast) {
    Session().telescope.focusSpeedCommand = std::string(fast ? kFocusFast : kFocusSlow);
}

void MoveTelescopeDialogModel::PressMoveArrow(MoveArrow arrow) {
    if (Session().telescope.moving) return;
    Report(mount_.StartMove(ArrowLetter(arrow)));
}

void MoveTelescopeDialogModel::ReleaseMoveArrow() {
    if (!Session().telescope.moving) return;
    Report(mount_.StopMove());
}

void MoveTelescopeDialogModel::PressFocusArrow(bool up) {
    if (Session().telescope.focusing) return;
    Report(mount_.StartFocus(up));
}

void MoveTelescopeDialogModel::ReleaseFocusArrow() {
    if (!Session().telescope.focusing) return;
    Report(mount_.StopFocus());
}

void MoveTelescopeDialogModel::Help() {
    Ui().MessageBox(kControlTelescopeCaption, kMoveTelescopeHelpText);
}

void MoveTelescopeDialogModel::Finish() {
    ReleaseMoveArrow();
    ReleaseFocusArrow();
}

SlewRate MoveTelescopeDialogModel::ShownSlewRate() const {
    const std::string& command = Session().telescope.slewRateCommand;
    const char letter = command.size() > kDirectionLetterIndex ? command[kDirectionLetterIndex] : 0;
    switch (letter) {
        case kSlewLetter:
            return SlewRate::Slew;
        case kFindLetter:
            return SlewRate::Find;
        case kCentreLetter:
            return SlewRate::Centre;
        default:
            return SlewRate::Guide;
    }
}

bool MoveTelescopeDialogModel::ShownFocusFast() const {
    const std::string& command = Session().telescope.focusSpeedCommand;
    return command.size() > kDirectionLetterIndex && command[kDirectionLetterIndex] == kFastLetter;
}

std::string MoveTelescopeDialogModel::InfoText() const {
    std::string text = Session().telescope.scopeInfo;
    for (char& c : text) {
        if (c < kFirstShownByte || c > kLastShownByte) c = kUnshownByte;
    }
    return text;
}

std::string MoveTelescopeDialogModel::Title() const {
    return TitleWith(kMoveTelescopeTitle, notice_);
}

// ---- the control box dialog ----

void ControlBoxDialogModel::PressArrow(MoveArrow arrow) {
    if (Session().telescope.moving) return;
    notice_ = LinkNotice(StartControlBoxMove(line_, ArrowLetter(arrow)));
}

void ControlBoxDialogModel::ReleaseArrow() {
    if (!Session().telescope.moving) return;
    notice_ = LinkNotice(StopControlBoxMove(line_));
}

void ControlBoxDialogModel::Finish() {
    ReleaseArrow();
}

std::string ControlBoxDialogModel::Title() const {
    return TitleWith(kControlBoxTitle, notice_);
}

}  // namespace vexa
