#include "session/indi_settings.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <system_error>

#include "session/host_paths.h"
#include "session/safe_file_writer.h"

namespace vexa {

namespace {

constexpr uint32_t kLastPort = 65535;
constexpr size_t kLongestLine = 1024;

bool ReadWhole(std::string_view text, uint32_t low, uint32_t high, uint32_t& value) {
    uint32_t read = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
    if (error != std::errc() || end != text.data() + text.size() || read < low || read > high)
        return false;
    value = read;
    return true;
}

}  // namespace

std::optional<IndiServer> ParseIndiServer(std::string_view text, std::string& problem) {
    problem.clear();
    IndiServer server;
    const size_t slash = text.find('/');
    if (slash != std::string_view::npos) {
        server.device = std::string(text.substr(slash + 1));
        text = text.substr(0, slash);
    }
    std::string_view port;
    if (text.starts_with('[')) {
        const size_t close = text.find(']');
        if (close == std::string_view::npos) {
            problem = "an IPv6 address needs its closing ']'";
            return std::nullopt;
        }
        server.host = std::string(text.substr(1, close - 1));
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) {
            problem = "only :PORT may follow the address";
            return std::nullopt;
        }
        if (!rest.empty()) port = rest.substr(1);
        if (rest == ":") port = ":";  // an empty port is refused below
    } else if (text.find(':') != text.rfind(':')) {
        // More than one colon and no brackets: an IPv6 address on the default port ("::1").
        server.host = std::string(text);
    } else {
        const size_t colon = text.rfind(':');
        server.host = std::string(text.substr(0, colon));
        if (colon != std::string_view::npos) port = text.substr(colon + 1);
        if (colon != std::string_view::npos && port.empty()) port = ":";
    }
    if (server.host.empty()) {
        problem = "no server named";
        return std::nullopt;
    }
    if (!port.empty()) {
        uint32_t value = 0;
        if (!ReadWhole(port, 1, kLastPort, value)) {
            problem = "the port must be a number from 1 to 65535";
            return std::nullopt;
        }
        server.port = static_cast<uint16_t>(value);
    }
    return server;
}

std::string IndiServerText(const IndiServer& server) {
    const bool v6 = server.host.find(':') != std::string::npos;
    std::ostringstream text;
    text << (v6 ? "[" : "") << server.host << (v6 ? "]" : "") << ':' << server.port;
    if (!server.device.empty()) text << '/' << server.device;
    return text.str();
}

bool LoadIndiSettings(IndiServer& server, const std::string& programPath) {
    const std::filesystem::path path = HostPath(programPath);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        if (ec) return false;
        server = IndiServer();
        return true;
    }
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    IndiServer read;
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > kLongestLine) return false;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.starts_with('#')) continue;
        // A line that is no setting: not this file, or a damaged one.
        const size_t equals = line.find('=');
        if (equals == std::string::npos) return false;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        uint32_t number = 0;
        if (key == "host") {
            if (value.empty()) return false;
            read.host = value;
        } else if (key == "port") {
            if (!ReadWhole(value, 1, kLastPort, number)) return false;
            read.port = static_cast<uint16_t>(number);
        } else if (key == "device") {
            read.device = value;
        } else if (key == "gotoSeconds") {
            if (!ReadWhole(value, 1, kIndiMostGotoSeconds, number)) return false;
            read.gotoSeconds = number;
        }
    }
    if (in.bad()) return false;
    server = read;
    return true;
}

bool SaveIndiSettings(const IndiServer& server, const std::string& programPath) {
    std::ostringstream text;
    text << "host=" << server.host << '\n'
         << "port=" << server.port << '\n'
         << "device=" << server.device << '\n'
         << "gotoSeconds=" << server.gotoSeconds << '\n';
    const std::string bytes = text.str();
    SafeFileWriter writer(HostPath(programPath));
    return writer.Open() && writer.Write(bytes.data(), bytes.size()) && writer.Commit();
}

}  // namespace vexa
