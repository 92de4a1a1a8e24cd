// The telescope type setting: no telescope, an LX200 mount, a mount driven through the control
// box, or a mount on an INDI server. The settings file, the settings listing of the command line
// and the settings dialog's radio buttons keep it as its letter.
#pragma once

#include <optional>

namespace vexa {

enum class TelescopeType { None, Lx200, ControlBox, Indi };

// 'n' None, 'l' LX200, 'b' control box, 'i' INDI (a letter that files written before the INDI
// type never hold, so they all still load).
constexpr char TelescopeTypeLetter(TelescopeType type) {
    switch (type) {
        case TelescopeType::Lx200:
            return 'l';
        case TelescopeType::ControlBox:
            return 'b';
        case TelescopeType::Indi:
            return 'i';
        case TelescopeType::None:
        default:
            return 'n';
    }
}

// The type a letter stands for; none for any other letter.
constexpr std::optional<TelescopeType> TelescopeTypeFromLetter(char letter) {
    for (TelescopeType type : {TelescopeType::None, TelescopeType::Lx200, TelescopeType::ControlBox,
                               TelescopeType::Indi})
        if (TelescopeTypeLetter(type) == letter) return type;
    return std::nullopt;
}

}  // namespace vexa
