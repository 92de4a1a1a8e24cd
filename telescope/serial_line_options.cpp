#include "telescope/serial_line_options.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "telescope/serial_log.h"

namespace vexa {

namespace {

struct OptionName {
    const char* name;
    std::string SerialLineOptions::*field;
    const char* valueName;
};

constexpr OptionName kOptions[] = {
    {"--com1", &SerialLineOptions::com1Path, "a device path"},
    {"--com2", &SerialLineOptions::com2Path, "a device path"},
    {"--serial-log", &SerialLineOptions::serialLogPath, "a file"},
    {"--mount-link", &SerialLineOptions::mountLinkPath, "a path"},
};

constexpr const char* kIndiOption = "--indi";

// "--indi TARGET" or "--indi=TARGET": the value, or false for another argument.
bool TakeValue(const std::vector<std::string>& args, size_t& i, const std::string& name,
               std::string& value, bool& missing) {
    const std::string& arg = args[i];
    missing = false;
    if (arg == name) {
        if (i + 1 >= args.size()) {
            missing = true;
            return true;
        }
        value = args[++i];
        return true;
    }
    if (!arg.starts_with(name + "=")) return false;
    value = arg.substr(name.size() + 1);
    return true;
}

}  // namespace

bool TakeSerialLineOption(const std::vector<std::string>& args, size_t& i,
                          SerialLineOptions& options, std::string& error) {
    error.clear();
    std::string target;
    bool missing = false;
    if (TakeValue(args, i, kIndiOption, target, missing)) {
        std::string problem = missing ? "no server named" : "";
        if (!missing) options.indi = ParseIndiServer(target, problem);
        if (!problem.empty())
            error = std::string(kIndiOption) + " needs HOST[:PORT][/DEVICE]: " + problem;
        return true;
    }
    const std::string& arg = args[i];
    for (const OptionName& option : kOptions) {
        const std::string name = option.name;
        std::string value;
        if (arg == name) {
            if (i + 1 >= args.size()) {
                error = name + " needs " + option.valueName;
                return true;
            }
            value = args[++i];
        } else if (arg.starts_with(name + "=")) {
            value = arg.substr(name.size() + 1);
        } else {
            continue;
        }
        if (value.empty()) error = name + " needs " + option.valueName;
        options.*option.field = std::move(value);
        return true;
    }
    return false;
}

void ApplySerialPortOptions(const SerialLineOptions& options, SerialPortPaths& ports) {
    if (!options.com1Path.empty()) ports.Set('1', options.com1Path);
    if (!options.com2Path.empty()) ports.Set('2', options.com2Path);
}

Status CheckSerialLogPath(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (!file) {
        const int error = errno;
        return Status(StatusCode::IoError, path + ": " + std::strerror(error), error);
    }
    std::fclose(file);
    return Status::Ok();
}

SerialLineMaker WithSerialLog(SerialLineMaker lines, std::string path) {
    return [lines = std::move(lines), path = std::move(path)]() -> std::unique_ptr<SerialLine> {
        std::unique_ptr<SerialLine> line = lines ? lines() : nullptr;
        if (!line) return nullptr;
        return std::make_unique<SerialLog>(std::move(line), path);
    };
}

}  // namespace vexa
