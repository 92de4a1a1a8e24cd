// The simulated mount's small object library: a few Messier and CNGC objects and the planets
// by the star numbers the mount uses for them (901 Mercury ... 909 Pluto), each with a fixed
// position. Numbers it does not hold are out of range, as on a mount whose library lacks them.
#pragma once

#include <optional>
#include <string>

namespace vexa {

enum class MountCatalogue { Messier, Cngc, Star };

struct MountObject {
    std::string name;  // "M31", "CNGC7815", "Jupiter"
    double raHours = 0.0;
    double decDegrees = 0.0;
};

std::optional<MountObject> FindMountObject(MountCatalogue catalogue, int number);

}  // namespace vexa
