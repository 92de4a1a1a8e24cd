// `vexaq4-cli photometry FILE --object X,Y --comparison X,Y [--sky X,Y] [--mask B] [--snap]`:
// loads FILE, measures the object, the comparison star and the sky as photometry clicks do,
// and prints the values the photometry dialog shows.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vexa::cli {

constexpr const char* kPhotometrySynopsis =
    "photometry FILE --object X,Y --comparison X,Y [--sky X,Y] [--mask 0|2|3|4|6|8] [--snap]";

int RunPhotometryCommand(const std::vector<std::string>& args, std::ostream& out,
                         std::ostream& err);

}  // namespace vexa::cli
