// The command line from outside: the input is the argument list of vexaq4-cli (arguments
// separated by zero bytes; the commands that drive the camera or the mount are left out), run
// in a scratch folder that holds a TQ raw file, a FITS file and
// a dark frame. Every run ends with status 0, 1 or 2; a usage error (2) changes no file; a
// failure (1) says why on standard error; no run leaves a temporary file behind, and the
// window's user interface is back when the command returns.
#include <unistd.h>

#include <map>
#include <sstream>
#include <string_view>

#include "cli/cli_app.h"
#include "files/fits_file.h"
#include "files/tq_file.h"
#include "fuzz/fuzz_support.h"

namespace vexa::fuzz {
namespace {

namespace fs = std::filesystem;

// More arguments than any command takes sensibly; longer lists only slow the search down.
constexpr size_t kMostArguments = 24;

fs::path WorkFolder() {
    return ScratchFolder() / "work";
}

// The input files every run finds, written by the program.
const std::map<std::string, Bytes>& InputFiles() {
    static const auto* files = [] {
        ResetWorld();
        SessionState& s = Session();
        s.geometryMode = 1;
        ApplyGeometry();
        for (int i = 0; i < s.geometry.sampleCount; ++i)
            s.currentImage[static_cast<size_t>(i)] =
                static_cast<uint16_t>(1000 + (i % 650) + (i / 650) * 3 + (i % 97 == 0) * 30000);
        const fs::path scratch = ScratchFolder() / "inputs";
        fs::create_directories(scratch);
        (void)WriteTqFileTo(scratch / "in.tq", s.currentImage.data(), kHalfWidth, kHalfHeight);
        (void)WriteFitsFile((scratch / "in.fit").string(), s.currentImage, false);
        s.currentImage.fill(500);
        (void)WriteTqFileTo(scratch / "dark.tq", s.currentImage.data(), kHalfWidth, kHalfHeight);
        auto* map = new std::map<std::string, Bytes>();
        for (const char* name : {"in.tq", "in.fit", "dark.tq"})
            (*map)[name] = ReadFile(scratch / name);
        return map;
    }();
    return *files;
}

// Every file under a folder with its contents.
std::map<std::string, Bytes> Contents(const fs::path& folder) {
    std::map<std::string, Bytes> contents;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec))
            contents[fs::relative(it->path(), folder, ec).string()] = ReadFile(it->path());
        else
            contents[fs::relative(it->path(), folder, ec).string()] = Bytes{};
    }
    return contents;
}

bool NoTemporaries(const std::map<std::string, Bytes>& contents) {
    for (const auto& [name, bytes] : contents) {
        const std::string leaf = fs::path(name).filename().string();
        if (leaf.find(".vexa-") != std::string::npos && leaf.ends_with(".tmp")) return false;
    }
    return true;
}

// Every file that was there is unchanged, and the only new ones are what start-up makes in a
// root that lacks them: the settings folder with its default file, and the folders above it.
bool OnlySettingsAdded(const std::map<std::string, Bytes>& before,
                       const std::map<std::string, Bytes>& after) {
    for (const auto& [name, bytes] : before) {
        const auto it = after.find(name);
        if (it == after.end() || it->second != bytes) return false;
    }
    std::error_code ec;
    for (const auto& [name, bytes] : after) {
        if (before.contains(name) || fs::is_directory(WorkFolder() / name, ec)) continue;
        if (fs::path(name).filename() != "Vexa_Q4.ini") return false;
    }
    return true;
}

// The folder the process started in, where the fuzzer keeps its files.
const fs::path& StartFolder() {
    static const fs::path folder = fs::current_path();
    return folder;
}

void LeaveWorkFolder() {
    if (::chdir(StartFolder().c_str()) != 0) Fail("start folder entered again", __FILE__, __LINE__);
}

// A fresh work folder with the input files, and a fresh drive root; the process works in it.
void PrepareWorkFolder() {
    (void)StartFolder();
    std::error_code ec;
    fs::remove_all(WorkFolder(), ec);
    fs::create_directories(WorkFolder());
    for (const auto& [name, bytes] : InputFiles()) WriteFile(WorkFolder() / name, bytes);
    if (::chdir(WorkFolder().c_str()) != 0) Fail("work folder entered", __FILE__, __LINE__);
    // A run without --root must not reach the real home folder's root.
    ::setenv("VEXA_Q4_ROOT", DriveRootFolder().c_str(), 1);
}

// Arguments from the input. Slashes become underscores, so that every name the run is given
// lies inside the work folder or the drive root.
std::vector<std::string> Arguments(const uint8_t* data, size_t size) {
    std::vector<std::string> args;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (!rest.empty() && args.size() <= kMostArguments) {
        const size_t cut = rest.find('\0');
        std::string arg(rest.substr(0, cut));
        for (char& c : arg)
            if (c == '/') c = '_';
        args.push_back(std::move(arg));
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    return args;
}

// Seeds for each command, so that the search starts inside every command.
const SeedRegistration seeds([](const fs::path& folder) {
    const std::vector<std::vector<std::string>> lists = {
        {"settings"},
        {"settings", "--set", "telescopeType=l", "--set", "fitsObject=M42"},
        {"info", "in.fit"},
        {"convert", "in.tq", "out.bmp", "--to", "bmp", "--false-colour", "--auto-contrast"},
        {"convert", "in.fit", "out.tif", "--to", "tiff"},
        {"process", "in.tq", "out.fit", "--to", "fits", "--invert", "--median", "1,5"},
        {"process", "in.tq", "out.tq", "--dark", "dark.tq", "--label", "M1", "--label-date"},
        {"process", "in.fit", "out.fit", "--merge", "in.tq", "--marks", "10,10,12,12"},
        {"centre", "in.tq", "100", "100", "--subpixel"},
        {"photometry", "in.tq", "--object", "97,0", "--comparison", "194,0", "--snap"},
        {"--root", "c:\\x", "convert", "in.tq", "c:\\OUT", "--to", "fits8"},
    };
    int n = 0;
    for (const auto& list : lists) {
        std::string joined;
        for (const std::string& arg : list) joined.append(arg).push_back('\0');
        joined.pop_back();
        WriteFile(folder / ("args_" + std::to_string(n++)),
                  {reinterpret_cast<const uint8_t*>(joined.data()), joined.size()});
    }
});

}  // namespace
}  // namespace vexa::fuzz

namespace vexa::fuzz {
namespace {

// The commands that drive the camera or the mount take exposures, hold moves and serve a
// mount in real time (simulate-mount until it is interrupted): a run of them is not a quick
// function of its arguments. Their bytes from outside are fuzzed where they enter, in the
// camera transfer and serial reply harnesses.
bool DrivesDevices(const std::vector<std::string>& args) {
    const std::optional<std::string> command = cli::CommandWord(args);
    for (const char* name : {"capture", "focus", "scope", "guide", "simulate-mount"})
        if (command == name) return true;
    return false;
}

}  // namespace
}  // namespace vexa::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vexa;
    using namespace vexa::fuzz;
    const std::vector<std::string> args = Arguments(data, size);
    if (args.size() > kMostArguments) return -1;  // not worth keeping in the corpus
    if (DrivesDevices(args)) return -1;
    (void)InputFiles();  // made once, before this input's world is set up
    test::FakeUi& ui = ResetWorld();
    PrepareWorkFolder();
    const auto before = Contents(WorkFolder());

    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::RunCli(args, out, err);
    VEXA_FUZZ_CHECK(&Ui() == &ui);
    VEXA_FUZZ_CHECK(status == cli::kExitSuccess || status == cli::kExitFailure ||
                    status == cli::kExitUsage);
    const auto after = Contents(WorkFolder());
    VEXA_FUZZ_CHECK(NoTemporaries(after));
    VEXA_FUZZ_CHECK(NoTemporaries(Contents(DriveRootFolder())));
    if (status == cli::kExitUsage) {
        VEXA_FUZZ_CHECK(OnlySettingsAdded(before, after));
        VEXA_FUZZ_CHECK(err.str().find("usage: vexaq4-cli") != std::string::npos);
    }
    if (status == cli::kExitFailure) VEXA_FUZZ_CHECK(!err.str().empty());
    LeaveWorkFolder();
    return 0;
}
