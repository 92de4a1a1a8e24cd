// Maps the program's fixed drive-c names ("c:\autosave\Vexa_Q4.ini") onto a root folder of the
// host. Folder and file names under the root match without regard to case, as they did on the
// original platform, so "c:\AUTOSAVE" and "c:\autosave" are one folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vexa {

// The root folder chosen by --root, else $VEXA_Q4_ROOT, else ~/.local/share/vexa_q4.
std::filesystem::path ResolveDriveRoot(const std::optional<std::string>& rootOption);
void SetDriveRoot(const std::filesystem::path& root);
const std::filesystem::path& DriveRoot();

// The host path for a program path. "c:\..." (either case, either slash) lands under the
// root, each component matched case-insensitively against what exists there; components
// that do not exist yet keep the spelling given. Other paths are host paths already.
std::filesystem::path HostPath(const std::string& programPath);

}  // namespace vexa

namespace vexa {

// The program's fixed file names.
constexpr const char* kSettingsFolder = "c:\\autosave";
constexpr const char* kSettingsPath = "c:\\autosave\\Vexa_Q4.ini";
constexpr const char* kViewBitmapPath = "c:\\VEXAQ4.bmp";
constexpr const char* kFrameBitmapPath = "c:\\VEXAQ4f.bmp";

}  // namespace vexa
