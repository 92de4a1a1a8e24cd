// Runs the USB backend tests in a process that has umockdev's preload library, which the fake
// devices need: when started without it, the program starts itself again with it.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace {

constexpr const char* kPreloadLibrary = "libumockdev-preload.so.0";
constexpr const char* kRestartedMark = "VEXA_USB_TESTS_RESTARTED";

bool PreloadLibraryLoaded() {
    return ::dlopen(kPreloadLibrary, RTLD_LAZY | RTLD_NOLOAD) != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (!PreloadLibraryLoaded()) {
        if (std::getenv(kRestartedMark) != nullptr) {
            std::fprintf(stderr, "%s could not be preloaded; is umockdev installed?\n",
                         kPreloadLibrary);
            return 1;
        }
        std::string preload = kPreloadLibrary;
        if (const char* earlier = std::getenv("LD_PRELOAD"); earlier && *earlier) {
            preload += std::string(":") + earlier;
        }
        ::setenv("LD_PRELOAD", preload.c_str(), 1);
        ::setenv(kRestartedMark, "1", 1);
        ::execv("/proc/self/exe", argv);
        std::perror("cannot start again under umockdev");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
