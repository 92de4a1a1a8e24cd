#include "fuzz/fuzz_support.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <system_error>

#include "app/display_refresh.h"
#include "app/ui_roles.h"
#include "session/host_paths.h"
#include "session/safe_file_writer.h"
#include "tests/unit/support/reset_session.h"

namespace vexa::fuzz {

namespace fs = std::filesystem;

namespace {

std::vector<SeedWriter>& SeedWriters() {
    static auto* writers = new std::vector<SeedWriter>();
    return *writers;
}

}  // namespace

void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
    std::fflush(stderr);
    std::abort();
}

const fs::path& ScratchFolder() {
    static const fs::path folder = [] {
        std::error_code ec;
        const fs::path base = fs::is_directory("/dev/shm", ec) ? "/dev/shm" : "/tmp";
        std::string pattern = (base / "vexa_fuzz_XXXXXX").string();
        const char* made = ::mkdtemp(pattern.data());
        if (!made) Fail("scratch folder could be made", __FILE__, __LINE__);
        return fs::path(made);
    }();
    return folder;
}

fs::path DriveRootFolder() {
    return ScratchFolder() / "c";
}

test::FakeUi& ResetWorld() {
    static std::unique_ptr<test::FakeUi> ui;
    static auto* clock = new VirtualClock();
    static const bool installed = [] {
        // The scratch folder goes when the process ends, whichever way it ends normally.
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(ScratchFolder(), ec);
        });
        IgnoreFileSizeSignal();
        return true;
    }();
    (void)installed;
    test::ResetSession();
    // The new one is installed before the old one goes.
    auto fresh = std::make_unique<test::FakeUi>();
    InstallUiRoles(fresh.get());
    ui = std::move(fresh);
    SetClock(clock);
    InstallHeadlessDisplayRefresh();
    std::error_code ec;
    fs::remove_all(DriveRootFolder(), ec);
    fs::create_directories(DriveRootFolder(), ec);
    SetDriveRoot(DriveRootFolder());
    return *ui;
}

void WriteFile(const fs::path& path, std::span<const uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) Fail("scratch file could be written", __FILE__, __LINE__);
}

Bytes ReadFile(const fs::path& path) {
    Bytes bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    // In large pieces: this runs for every input, on files of megabytes.
    constexpr size_t kPieceBytes = 1 << 20;
    size_t got = 0;
    do {
        bytes.resize(got + kPieceBytes);
        got += std::fread(bytes.data() + got, 1, kPieceBytes, file);
    } while (got == bytes.size());
    std::fclose(file);
    bytes.resize(got);
    return bytes;
}

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

SeedRegistration::SeedRegistration(SeedWriter writer) {
    SeedWriters().push_back(std::move(writer));
}

}  // namespace vexa::fuzz

// libFuzzer calls this once before the first input.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* folder = std::getenv("VEXA_FUZZ_WRITE_SEEDS");
    if (folder && *folder) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        for (const auto& writer : vexa::fuzz::SeedWriters()) writer(folder);
        std::exit(0);
    }
    return 0;
}
