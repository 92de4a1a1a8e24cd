#include "devices/usb_status.h"

#include <libusb.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace vexa {
namespace {

const std::string kNode = "/dev/hidraw3";

TEST(UsbStatusTest, MapsSystemErrorsToWhatTheCallerCanActOn) {
    const std::pair<int, StatusCode> cases[] = {
        {EACCES, StatusCode::PermissionDenied},
        {EPERM, StatusCode::PermissionDenied},
        {ENOENT, StatusCode::NotFound},
        {ENODEV, StatusCode::Disconnected},
        {ESHUTDOWN, StatusCode::Disconnected},
        {ETIMEDOUT, StatusCode::Timeout},
        {EIO, StatusCode::IoError},
        {EBUSY, StatusCode::IoError},
    };
    for (const auto& [error, code] : cases) {
        const Status status = StatusFromErrno(error, "open", kNode);
        EXPECT_EQ(status.code(), code) << error;
        EXPECT_EQ(status.systemError(), error);
        EXPECT_NE(status.text().find(kNode), std::string::npos) << status.text();
    }
}

TEST(UsbStatusTest, MapsLibusbErrorsToWhatTheCallerCanActOn) {
    const std::pair<int, StatusCode> cases[] = {
        {LIBUSB_ERROR_ACCESS, StatusCode::PermissionDenied},
        {LIBUSB_ERROR_NOT_FOUND, StatusCode::NotFound},
        {LIBUSB_ERROR_NO_DEVICE, StatusCode::Disconnected},
        {LIBUSB_ERROR_TIMEOUT, StatusCode::Timeout},
        {LIBUSB_ERROR_BUSY, StatusCode::IoError},
        {LIBUSB_ERROR_OVERFLOW, StatusCode::IoError},
        {LIBUSB_ERROR_PIPE, StatusCode::IoError},
    };
    for (const auto& [error, code] : cases) {
        const Status status = StatusFromLibusb(error, "open", "/dev/bus/usb/001/004");
        EXPECT_EQ(status.code(), code) << error;
        EXPECT_EQ(status.systemError(), error);
    }
}

TEST(UsbStatusTest, PermissionDeniedSaysHowToInstallTheUdevRuleThatExists) {
    const Status status = PermissionDeniedOn(kNode, EACCES);
    for (const char* part : {"/dev/hidraw3", kUdevRulePath, "/etc/udev/rules.d/",
                             "udevadm control --reload", "replug"}) {
        EXPECT_NE(status.text().find(part), std::string::npos) << part;
    }
    std::ifstream rule(std::string(VEXA_SOURCE_DIR) + "/" + kUdevRulePath);
    ASSERT_TRUE(rule) << kUdevRulePath;
    std::stringstream content;
    content << rule.rdbuf();
    EXPECT_NE(content.str().find("SUBSYSTEMS==\"usb\""), std::string::npos);
    EXPECT_NE(content.str().find("KERNEL==\"hidraw*\""), std::string::npos);
    EXPECT_NE(content.str().find("TAG+=\"uaccess\""), std::string::npos);
}

}  // namespace
}  // namespace vexa
