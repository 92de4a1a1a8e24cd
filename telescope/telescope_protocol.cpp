#include "telescope/telescope_protocol.h"

#include <cstdio>
#include <cstdlib>

#include "session/session_state.h"

namespace vexa {

namespace {

struct PlanetEntry {
    const char* name;
    int starNumber;
};
// Number 903 is the Earth's place in the mount's list, so there is no GoTo for it.
constexpr PlanetEntry kPlanets[kPlanetCount] = {
    {"Mercury", 901}, {"Venus", 902},  {"Mars", 904},    {"Jupiter", 905},
    {"Saturn", 906},  {"Uranus", 907}, {"Neptune", 908}, {"Pluto", 909},
};

constexpr int kLargestFourDigits = 9999;
// Where the space stands in "#:Sr HH:MM.0" and "#:Sd sDD*MM".
constexpr size_t kValueSpaceIndex = 4;

std::string WithSpacing(std::string command, ValueSpacing spacing) {
    if (spacing == ValueSpacing::Unspaced) command.erase(kValueSpaceIndex, 1);
    return command;
}

}  // namespace

int PlanetStarNumber(Planet planet) {
    return kPlanets[static_cast<int>(planet)].starNumber;
}

const char* PlanetName(Planet planet) {
    return kPlanets[static_cast<int>(planet)].name;
}

std::string CatalogueGotoCommand(std::string_view prefix, int n) {
    if (n < 0) n = 0;
    if (n > kLargestFourDigits) n = kLargestFourDigits;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04d", n);
    return std::string(prefix) + digits + "#";
}

bool CoordinatesInRange(const Coordinates& c) {
    return c.raHours >= 0 && c.raHours <= kLastRaHour && c.raMinutes >= 0 &&
           c.raMinutes <= kLastMinute && c.decDegrees >= -kLastDecDegree &&
           c.decDegrees <= kLastDecDegree && c.decMinutes >= 0 && c.decMinutes <= kLastMinute;
}

std::string RaCommand(const Coordinates& c, ValueSpacing spacing) {
    char text[32];
    std::snprintf(text, sizeof text, "#:Sr %02d:%02d.0#", c.raHours, c.raMinutes);
    return WithSpacing(std::string(text).substr(0, kRaCommandBytes), spacing);
}

std::string DecCommand(const Coordinates& c, ValueSpacing spacing) {
    const char sign = (c.decDegrees < 0 || c.decSouth) ? '-' : '+';
    char text[32];
    std::snprintf(text, sizeof text, "#:Sd %c%02d*%02d#", sign, std::abs(c.decDegrees),
                  c.decMinutes);
    return WithSpacing(std::string(text).substr(0, kDecCommandBytes), spacing);
}

std::string WithDirectionLetter(std::string_view command, char letter) {
    std::string bytes(command);
    bytes[kDirectionLetterIndex] = letter;
    return bytes;
}

uint8_t ControlBoxBit(char letter) {
    switch (letter) {
        case 'e':
            return kBoxEast;
        case 'n':
            return kBoxNorth;
        case 's':
            return kBoxSouth;
        case 'w':
            return kBoxWest;
        default:
            return 0;
    }
}

char DirectionLetter(Direction direction) {
    // The setting holds the north, south, east and west letters in that order.
    return Session().settings.driveDirections[static_cast<size_t>(direction)];
}

}  // namespace vexa
