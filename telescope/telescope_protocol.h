// The bytes the program sends to a mount: the LX200 commands it uses, the catalogue and
// co-ordinate GoTo texts, the ranges the dialogs accept, and the control box's one-byte codes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexa {

// ---- line settings ----
constexpr int kLx200BaudRate = 9600;
constexpr int kControlBoxBaudRate = 300;

// ---- LX200 commands (each sent as the five bytes shown) ----
constexpr std::string_view kSlewRateSlew = "#:RS#";
constexpr std::string_view kSlewRateFind = "#:RM#";
constexpr std::string_view kSlewRateCentre = "#:RC#";
constexpr std::string_view kSlewRateGuide = "#:RG#";
constexpr std::string_view kFocusFast = "#:FF#";
constexpr std::string_view kFocusSlow = "#:FS#";
constexpr std::string_view kFocusIn = "#:F+#";
constexpr std::string_view kFocusOut = "#:F-#";
constexpr std::string_view kFocusStop = "#:FQ#";
constexpr std::string_view kGetInfo = "#:LI#";
constexpr std::string_view kSlewToTarget = "#:MS#";
// The move and stop commands; the letter at kDirectionLetterIndex names the direction.
constexpr std::string_view kMoveTemplate = "#:Mw#";
constexpr std::string_view kStopTemplate = "#:Qw#";
constexpr size_t kDirectionLetterIndex = 3;
// A move or stop command with the given direction letter in its direction place.
std::string WithDirectionLetter(std::string_view command, char letter);
// Stops for every direction, in the order a manual move's release sends them.
constexpr std::string_view kStopAllDirections[] = {"#:Qn#", "#:Qs#", "#:Qe#", "#:Qw#"};

// The letter in the fourth place of a slew-rate or focus-speed command.
constexpr char kSlewLetter = 'S';
constexpr char kFindLetter = 'M';
constexpr char kCentreLetter = 'C';
constexpr char kFastLetter = 'F';

// ---- replies ----
constexpr size_t kInfoReplyBytes = 33;     // 32 characters of display text and '#'
constexpr size_t kRefusalReplyBytes = 33;  // what follows a GoTo reply other than '0'
constexpr char kGotoAccepted = '0';
constexpr char kValueAccepted = '1';  // the one-byte answers to a co-ordinate
constexpr char kValueRefused = '0';

// ---- catalogue GoTo ----
constexpr std::string_view kMessierPrefix = "#:LM ";
constexpr std::string_view kCngcPrefix = "#:LC ";
constexpr std::string_view kStarPrefix = "#:LS ";
constexpr int kFirstCatalogueNumber = 1;
constexpr int kLastMessier = 110;
constexpr int kLastCngc = 7815;
constexpr size_t kCatalogueCommandBytes = 10;  // prefix, four digits, '#'

enum class Planet { Mercury, Venus, Mars, Jupiter, Saturn, Uranus, Neptune, Pluto };
constexpr int kPlanetCount = 8;
// The mount's star number for a planet: 901 Mercury, 902 Venus, 904 Mars, ... 909 Pluto.
int PlanetStarNumber(Planet planet);
const char* PlanetName(Planet planet);

// prefix + n as four digits with leading zeros + "#"; n must lie within 0..9999.
std::string CatalogueGotoCommand(std::string_view prefix, int n);

// ---- co-ordinate GoTo ----
constexpr int kLastRaHour = 23;
constexpr int kLastMinute = 59;
constexpr int kLastDecDegree = 89;
constexpr size_t kRaCommandBytes = 12;
constexpr size_t kDecCommandBytes = 11;

struct Coordinates {
    int raHours = 0;
    int raMinutes = 0;
    int decDegrees = 0;
    int decMinutes = 0;
    // South of the equator. Follows decDegrees, except that it also carries the sign of a
    // declination between 0 and -1 degree, whose degrees read 0.
    bool decSouth = false;
};

// Hours 0-23, minutes 0-59, degrees -89 to 89, minutes 0-59.
bool CoordinatesInRange(const Coordinates& c);
// Whether a value follows its command after a space, as the program sends it first, or
// directly, the form some mounts insist on (they answer '0' to the spaced one).
enum class ValueSpacing { Spaced, Unspaced };
// "#:Sr HH:MM.0" (the first 12 bytes of the command, without its closing '#'); unspaced
// "#:SrHH:MM.0".
std::string RaCommand(const Coordinates& c, ValueSpacing spacing = ValueSpacing::Spaced);
// "#:Sd sDD*MM" (the first 11 bytes, without the closing '#'); unspaced "#:SdsDD*MM".
std::string DecCommand(const Coordinates& c, ValueSpacing spacing = ValueSpacing::Spaced);

// ---- the control box ----
constexpr uint8_t kBoxEast = 1;
constexpr uint8_t kBoxNorth = 2;
constexpr uint8_t kBoxSouth = 4;
constexpr uint8_t kBoxWest = 8;
constexpr uint8_t kBoxDrive = 16;
constexpr uint8_t kBoxStop = 0;
constexpr uint8_t kBoxCarriageReturn = 13;
// The direction bit for a direction letter ('e', 'n', 's', 'w'); 0 for any other letter.
uint8_t ControlBoxBit(char letter);

// ---- the direction letters of the drive-direction setting ----
enum class Direction { North, South, East, West };
// The configured letter for a direction: the setting's north, south, east or west letter.
char DirectionLetter(Direction direction);

}  // namespace vexa
