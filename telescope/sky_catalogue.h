// The positions the program itself knows for the catalogue GoTo of a mount that has no object
// library of its own (a mount on an INDI server takes co-ordinates only): the 110 Messier
// objects, and the NGC numbers of those that have one (the CNGC numbers of the telescope
// dialog), each at its J2000 position.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vexa {

struct SkyPosition {
    double raHours = 0.0;
    double decDegrees = 0.0;
};

struct CatalogueObject {
    std::string name;  // "M42", "NGC1976"
    SkyPosition j2000;
};

// Messier 1 to 110; nothing for any other number.
std::optional<CatalogueObject> MessierObject(int number);
// An NGC number that a Messier object carries; nothing for the others.
std::optional<CatalogueObject> NgcObject(int number);

}  // namespace vexa
