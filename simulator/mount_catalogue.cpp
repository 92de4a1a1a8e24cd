#include "simulator/mount_catalogue.h"

#include <iterator>

namespace vexa {

namespace {

struct Entry {
    MountCatalogue catalogue;
    int number;
    const char* name;
    double raHours;
    double decDegrees;
};

// J2000 positions, to the minute. The planets stand at one fixed place each: the simulator
// has no ephemeris, and a GoTo needs only somewhere to go.
constexpr Entry kEntries[] = {
    {MountCatalogue::Messier, 1, "M1", 5.575, 22.017},
    {MountCatalogue::Messier, 13, "M13", 16.695, 36.467},
    {MountCatalogue::Messier, 27, "M27", 19.993, 22.717},
    {MountCatalogue::Messier, 31, "M31", 0.712, 41.267},
    {MountCatalogue::Messier, 42, "M42", 5.588, -5.383},
    {MountCatalogue::Messier, 45, "M45", 3.783, 24.117},
    {MountCatalogue::Messier, 51, "M51", 13.498, 47.2},
    {MountCatalogue::Messier, 57, "M57", 18.893, 33.033},
    {MountCatalogue::Messier, 81, "M81", 9.926, 69.067},
    {MountCatalogue::Messier, 101, "M101", 14.054, 54.35},
    {MountCatalogue::Messier, 104, "M104", 12.666, -11.617},
    {MountCatalogue::Messier, 110, "M110", 0.673, 41.683},
    {MountCatalogue::Cngc, 224, "CNGC224", 0.712, 41.267},
    {MountCatalogue::Cngc, 869, "CNGC869", 2.317, 57.133},
    {MountCatalogue::Cngc, 4565, "CNGC4565", 12.6, 25.983},
    {MountCatalogue::Cngc, 6543, "CNGC6543", 17.976, 66.633},
    {MountCatalogue::Cngc, 7000, "CNGC7000", 20.98, 44.333},
    {MountCatalogue::Cngc, 7293, "CNGC7293", 22.494, -20.833},
    {MountCatalogue::Cngc, 7815, "CNGC7815", 0.05, 20.633},
    {MountCatalogue::Star, 901, "Mercury", 2.5, 14.0},
    {MountCatalogue::Star, 902, "Venus", 4.0, 20.5},
    {MountCatalogue::Star, 904, "Mars", 8.2, 21.0},
    {MountCatalogue::Star, 905, "Jupiter", 4.6, 21.9},
    {MountCatalogue::Star, 906, "Saturn", 23.3, -5.8},
    {MountCatalogue::Star, 907, "Uranus", 3.5, 18.8},
    {MountCatalogue::Star, 908, "Neptune", 23.9, -2.0},
    {MountCatalogue::Star, 909, "Pluto", 20.2, -23.0},
};

}  // namespace

std::optional<MountObject> FindMountObject(MountCatalogue catalogue, int number) {
    for (const Entry& e : kEntries) {
        if (e.catalogue == catalogue && e.number == number) {
            return MountObject{e.name, e.raHours, e.decDegrees};
        }
    }
    return std::nullopt;
}

}  // namespace vexa
