// The INDI server that the INDI telescope type steers: host, port, mount device and how long a
// GoTo may take. Kept in a small text file of its own beside the settings file, so that the
// settings file keeps its layout; the command line names the same target as
// "HOST[:PORT][/DEVICE]".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexa {

constexpr uint16_t kIndiDefaultPort = 7624;
constexpr uint32_t kIndiDefaultGotoSeconds = 180;
constexpr uint32_t kIndiMostGotoSeconds = 3600;
constexpr const char* kIndiSettingsPath = "c:\\autosave\\Vexa_Q4_INDI.ini";

struct IndiServer {
    std::string host = "localhost";
    uint16_t port = kIndiDefaultPort;
    std::string device;  // empty: the first telescope the server offers
    uint32_t gotoSeconds = kIndiDefaultGotoSeconds;
    bool operator==(const IndiServer&) const = default;
};

// "HOST[:PORT][/DEVICE]" ("[::1]:7624", or "::1" on the default port, for an IPv6 address);
// the device is everything after the first '/'. Nothing, with problem saying why, for an
// empty host or a port out of range (1 to 65535).
std::optional<IndiServer> ParseIndiServer(std::string_view text, std::string& problem);
// The target as the command line writes it: "HOST:PORT", then "/DEVICE" when one is named.
std::string IndiServerText(const IndiServer& server);

// The file as lines "host=", "port=", "device=", "gotoSeconds=" (blank lines, '#' comments and
// keys it does not know are passed over). A missing file gives the defaults and is no failure.
// False when the file cannot be read, holds a line that is no setting or a value out of range;
// server is then left as it was.
bool LoadIndiSettings(IndiServer& server, const std::string& programPath = kIndiSettingsPath);
// Through the safe writer: a failed write leaves the previous file as it was.
bool SaveIndiSettings(const IndiServer& server, const std::string& programPath = kIndiSettingsPath);

}  // namespace vexa
