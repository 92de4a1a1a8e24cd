// A USB vendor:product id as the user names a camera ("04b4:8613"), used to choose one camera
// when several are attached.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexa {

struct UsbId {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    bool operator==(const UsbId&) const = default;
};

// "VVVV:PPPP" with one to four hexadecimal digits on each side; nothing else is accepted.
std::optional<UsbId> ParseUsbId(std::string_view text);
// Four lower-case hexadecimal digits on each side, as lsusb shows them.
std::string FormatUsbId(UsbId id);

}  // namespace vexa
