// How the file routines turn the names they are given into host paths. The original program
// opened bare names in the current directory, which its file dialogs moved to the chosen
// file's folder; here the remembered fileDialogFolder plays that part, so the flows set it
// from the dialog's answer and pass the bare name on.
#pragma once

#include <filesystem>
#include <string>

namespace vexa {

// The host path of a name given to a loader or writer:
// - "c:\..." names go through HostPath (under the drive root, case-insensitive);
// - absolute host paths are used as they are;
// - any other name (a bare file name) lies in fileDialogFolder, or in the process's working
//   folder when fileDialogFolder is empty.
// forReading: when no file has the exact name, a file of the same folder whose name differs
// only in letter case is taken instead (names matched without regard to case, as the
// original platform did). Writers keep the exact name given.
std::filesystem::path ResolveUserPath(const std::string& name, bool forReading);

// The last component of a host path ("IMG12.FIT" of "/data/IMG12.FIT").
std::string BareName(const std::string& path);
// The folder part of a host path; empty for a bare name.
std::string FolderOf(const std::string& path);
// A user's file name with its last component spelt as the file found for reading is (the
// case-insensitive match of ResolveUserPath), so that the name shown or offered again is one
// that exists on a case-sensitive file system. The program's own "c:\..." names and names
// of no existing file are returned as given.
std::string NameAsOnDisk(const std::string& name);

}  // namespace vexa
