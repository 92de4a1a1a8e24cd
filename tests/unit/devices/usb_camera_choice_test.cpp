#include "devices/usb_camera_choice.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

constexpr UsbId kCamera{0x1234, 0x5678};
constexpr UsbId kOtherCamera{0x1234, 0x5679};
constexpr UsbAddress kFirst{1, 4};
constexpr UsbAddress kSecond{1, 7};
constexpr UsbAddress kKeyboard{1, 2};

BulkInCandidate Bulk(UsbAddress usb, UsbId id = kCamera, int interfaceNumber = 1) {
    return {usb, id, interfaceNumber, 0x82};
}

TEST(UsbCameraChoiceTest, PairsTheInterfacesOfOneDeviceWhateverTheirListOrder) {
    const std::vector<BulkInCandidate> bulk{Bulk(kFirst)};
    const std::vector<HidNode> hid{
        {"/dev/hidraw0", kKeyboard}, {"/dev/hidraw1", kFirst}, {"/dev/hidraw2", std::nullopt}};
    CameraChoice choice;
    ASSERT_TRUE(ChooseCamera(bulk, hid, std::nullopt, choice).ok());
    EXPECT_EQ(choice.hid, 1u);
    EXPECT_EQ(choice.bulk, 0u);
    EXPECT_EQ(choice.camerasFound, 1);
    EXPECT_TRUE(choice.notice.empty());
}

TEST(UsbCameraChoiceTest, ABulkInterfaceWithoutHidOnItsDeviceIsNoCamera) {
    const std::vector<HidNode> hid{{"/dev/hidraw0", kKeyboard}};
    CameraChoice choice;
    const Status status = ChooseCamera({Bulk(kFirst)}, hid, std::nullopt, choice);
    EXPECT_EQ(status.code(), StatusCode::NotFound);
    EXPECT_NE(status.text().find("1234:5678 at bus 1 address 4"), std::string::npos);
    EXPECT_EQ(ChooseCamera({}, {}, std::nullopt, choice).code(), StatusCode::NotFound);
}

TEST(UsbCameraChoiceTest, OneDeviceWithSeveralInterfacesCountsOnceWithItsFirstOfEach) {
    const std::vector<BulkInCandidate> bulk{Bulk(kFirst, kCamera, 1), Bulk(kFirst, kCamera, 2)};
    const std::vector<HidNode> hid{{"/dev/hidraw3", kFirst}, {"/dev/hidraw4", kFirst}};
    CameraChoice choice;
    ASSERT_TRUE(ChooseCamera(bulk, hid, std::nullopt, choice).ok());
    EXPECT_EQ(choice.camerasFound, 1);
    EXPECT_EQ(choice.bulk, 0u);
    EXPECT_EQ(choice.hid, 0u);
    EXPECT_TRUE(choice.notice.empty());
}

struct TwoCamerasCase {
    const char* name;
    UsbId secondId;
    std::optional<UsbId> wanted;
    StatusCode code;
    size_t bulk;  // the camera taken
    bool noticeExpected;
};

TEST(UsbCameraChoiceTest, OfTwoCamerasTakesTheNamedOneElseTheLastAndSaysSo) {
    const TwoCamerasCase cases[] = {
        {"no name: the last", kOtherCamera, std::nullopt, StatusCode::Ok, 1, true},
        {"first named", kOtherCamera, kCamera, StatusCode::Ok, 0, false},
        {"second named", kOtherCamera, kOtherCamera, StatusCode::Ok, 1, false},
        {"both of the named id", kCamera, kCamera, StatusCode::Ok, 1, true},
        {"absent id named", kOtherCamera, UsbId{0xaaaa, 0xbbbb}, StatusCode::NotFound, 0, false},
    };
    for (const TwoCamerasCase& c : cases) {
        const std::vector<BulkInCandidate> bulk{Bulk(kFirst), Bulk(kSecond, c.secondId)};
        const std::vector<HidNode> hid{{"/dev/hidraw1", kSecond}, {"/dev/hidraw2", kFirst}};
        CameraChoice choice;
        const Status status = ChooseCamera(bulk, hid, c.wanted, choice);
        EXPECT_EQ(status.code(), c.code) << c.name;
        if (!status.ok()) {
            // The user learns which cameras are there to name one of them.
            EXPECT_NE(status.text().find("1234:5679 at bus 1 address 7"), std::string::npos);
            continue;
        }
        EXPECT_EQ(choice.bulk, c.bulk) << c.name;
        EXPECT_EQ(choice.hid, c.bulk == 0 ? 1u : 0u) << c.name;
        EXPECT_EQ(choice.camerasFound, 2) << c.name;
        EXPECT_EQ(!choice.notice.empty(), c.noticeExpected) << c.name;
        if (c.noticeExpected) {
            EXPECT_NE(choice.notice.find("using the last one, " + FormatUsbId(c.secondId) +
                                         " at bus 1 address 7"),
                      std::string::npos)
                << choice.notice;
        }
    }
}

}  // namespace
}  // namespace vexa
