#include "telescope/serial_port_names.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

class SerialPortNamesTest : public testing::Test {
  protected:
    void TearDown() override { ResetSerialPortPaths(); }
};

TEST_F(SerialPortNamesTest, PortsStandForTheFirstTwoUsbAdaptersByDefault) {
    EXPECT_EQ(SerialPortPath('1'), "/dev/ttyUSB0");
    EXPECT_EQ(SerialPortPath('2'), "/dev/ttyUSB1");
}

TEST_F(SerialPortNamesTest, OverrideChangesOnlyItsOwnPortUntilReset) {
    EXPECT_TRUE(SetSerialPortPath('2', "/tmp/mount"));
    EXPECT_EQ(SerialPortPath('1'), "/dev/ttyUSB0");
    EXPECT_EQ(SerialPortPath('2'), "/tmp/mount");
    EXPECT_TRUE(SetSerialPortPath('1', "/dev/ttyS0"));
    EXPECT_EQ(SerialPortPath('1'), "/dev/ttyS0");
    ResetSerialPortPaths();
    EXPECT_EQ(SerialPortPath('1'), "/dev/ttyUSB0");
    EXPECT_EQ(SerialPortPath('2'), "/dev/ttyUSB1");
}

TEST_F(SerialPortNamesTest, OtherDigitsHaveNoDeviceAndCannotBeSet) {
    for (char digit : {'0', '3', '9', 'a', '\0'}) {
        SCOPED_TRACE(static_cast<int>(digit));
        EXPECT_EQ(SerialPortPath(digit), "");
        EXPECT_FALSE(SetSerialPortPath(digit, "/dev/ttyS0"));
    }
    EXPECT_EQ(SerialPortPath('1'), "/dev/ttyUSB0");
}

TEST_F(SerialPortNamesTest, SettingsTextNamesThePortAndRate) {
    EXPECT_EQ(SerialPortName('2'), "COM2");
    EXPECT_EQ(SerialSettingsText('1', 9600), "COM1:9600,n,8,1");
    EXPECT_EQ(SerialSettingsText('2', 300), "COM2:300,n,8,1");
}

}  // namespace
}  // namespace vexa
