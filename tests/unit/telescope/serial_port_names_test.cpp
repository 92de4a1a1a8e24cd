#include "telescope/serial_port_names.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

TEST(SerialPortNamesTest, PortsStandForTheFirstTwoUsbAdaptersByDefault) {
    const SerialPortPaths ports;
    EXPECT_EQ(ports.Path('1'), "/dev/ttyUSB0");
    EXPECT_EQ(ports.Path('2'), "/dev/ttyUSB1");
}

TEST(SerialPortNamesTest, OverrideChangesOnlyItsOwnPortUntilReset) {
    SerialPortPaths ports;
    EXPECT_TRUE(ports.Set('2', "/tmp/mount"));
    EXPECT_EQ(ports.Path('1'), "/dev/ttyUSB0");
    EXPECT_EQ(ports.Path('2'), "/tmp/mount");
    EXPECT_TRUE(ports.Set('1', "/dev/ttyS0"));
    EXPECT_EQ(ports.Path('1'), "/dev/ttyS0");
    ports = SerialPortPaths();
    EXPECT_EQ(ports.Path('1'), "/dev/ttyUSB0");
    EXPECT_EQ(ports.Path('2'), "/dev/ttyUSB1");
}

TEST(SerialPortNamesTest, OtherDigitsHaveNoDeviceAndCannotBeSet) {
    SerialPortPaths ports;
    for (char digit : {'0', '3', '9', 'a', '\0'}) {
        SCOPED_TRACE(static_cast<int>(digit));
        EXPECT_EQ(ports.Path(digit), "");
        EXPECT_FALSE(ports.Set(digit, "/dev/ttyS0"));
    }
    EXPECT_EQ(ports.Path('1'), "/dev/ttyUSB0");
}

TEST(SerialPortNamesTest, SettingsTextNamesThePortAndRate) {
    EXPECT_EQ(SerialPortName('2'), "COM2");
    EXPECT_EQ(SerialSettingsText('1', 9600), "COM1:9600,n,8,1");
    EXPECT_EQ(SerialSettingsText('2', 300), "COM2:300,n,8,1");
}

}  // namespace
}  // namespace vexa
