// The settings file "c:\autosave\Vexa_Q4.ini": a headerless 1,183-byte binary record holding
// every persistent setting and the observer's FITS text cards.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "app/host_paths.h"

namespace vexa {

constexpr int kSettingsFileBytes = 1183;

// 0 on success; 2 when the file cannot be opened or is short; otherwise the result of the
// rewrite that repairs an invalid value. Creates the folder and a default file when the
// folder is missing.
int16_t LoadSettings(const std::string& programPath = kSettingsPath);
// 0 on success; 3 when the file cannot be created or written. The old file stays intact
// until the new one is complete.
int16_t SaveSettings(const std::string& programPath = kSettingsPath);

// The calendar time as UT: the host's local time plus hoursToUT hours.
std::tm UtTimeOf(std::time_t t);

// "Set Program Defa&ults" (121).
void CmdSetProgramDefaults();

}  // namespace vexa
