#include "telescope/serial_settings.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

TEST(SerialSettings, ReadsEveryField) {
    struct Case {
        const char* text;
        const char* portName;
        int baudRate;
        char parity;
        int dataBits;
        int stopBits;
    };
    for (const Case& c : {
             Case{"COM1:9600,n,8,1", "COM1", 9600, 'n', 8, 1},
             Case{"COM2:300,n,8,1", "COM2", 300, 'n', 8, 1},
             Case{"COM1:1200,E,7,2", "COM1", 1200, 'e', 7, 2},
             Case{"COM1:4800,o,5,1", "COM1", 4800, 'o', 5, 1},
             Case{"COM1: 19200 , m , 6 , 2 ", "COM1", 19200, 'm', 6, 2},
             Case{"2400,s,8,1", "", 2400, 's', 8, 1},
         }) {
        SCOPED_TRACE(c.text);
        SerialSettings s;
        ASSERT_TRUE(ParseSerialSettings(c.text, s).ok());
        EXPECT_EQ(s.portName, c.portName);
        EXPECT_EQ(s.baudRate, c.baudRate);
        EXPECT_EQ(s.parity, c.parity);
        EXPECT_EQ(s.dataBits, c.dataBits);
        EXPECT_EQ(s.stopBits, c.stopBits);
    }
}

TEST(SerialSettings, RefusesBadTextAndKeepsThePreviousSettings) {
    for (const char* text :
         {"", "COM1:", "COM1:9600", "COM1:9600,n,8", "COM1:9600,n,8,1,1", "COM1:,n,8,1",
          "COM1:0,n,8,1", "COM1:-300,n,8,1", "COM1:96x0,n,8,1", "COM1:99999999999,n,8,1",
          "COM1:9600,x,8,1", "COM1:9600,no,8,1", "COM1:9600,,8,1", "COM1:9600,n,4,1",
          "COM1:9600,n,9,1", "COM1:9600,n,8,0", "COM1:9600,n,8,3", "COM1:9600,n,8,1.5"}) {
        SCOPED_TRACE(text);
        SerialSettings s;
        s.baudRate = 300;
        Status status = ParseSerialSettings(text, s);
        EXPECT_EQ(status.code(), StatusCode::InvalidArgument);
        EXPECT_FALSE(status.text().empty());
        EXPECT_EQ(s.baudRate, 300);
    }
}

}  // namespace
}  // namespace vexa
