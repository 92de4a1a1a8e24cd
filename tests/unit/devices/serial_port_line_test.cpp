#include "devices/serial_port_line.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace vexa {
namespace {

constexpr int kSafetyMs = 5000;  // only bounds a broken test, never measured

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// A pseudo-terminal: the line under test opens the terminal end by path, the test plays the
// device on the master end.
class PtyTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(openpty(&master_, &terminal_, nullptr, nullptr, nullptr), 0);
        // Through /proc, which works also where the pts folder is not visible.
        terminalPath_ = "/proc/self/fd/" + std::to_string(terminal_);
        ASSERT_TRUE(line_.Open(terminalPath_).ok());
    }
    void TearDown() override {
        line_.Close();
        CloseMaster();
        if (terminal_ >= 0) close(terminal_);
    }
    void CloseMaster() {
        if (master_ >= 0) close(master_);
        master_ = -1;
    }
    void DeviceSends(const std::string& text) {
        ASSERT_EQ(write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    std::string DeviceReceives(size_t count) {
        std::string text;
        while (text.size() < count) {
            pollfd wait{master_, POLLIN, 0};
            if (poll(&wait, 1, kSafetyMs) <= 0) break;
            char chunk[512];
            ssize_t n = read(master_, chunk, std::min(sizeof chunk, count - text.size()));
            if (n <= 0) break;
            text.append(chunk, static_cast<size_t>(n));
        }
        return text;
    }
    // Until what the device sent is waiting on the line's side.
    void AwaitInputOnLine() {
        pollfd wait{terminal_, POLLIN, 0};
        ASSERT_EQ(poll(&wait, 1, kSafetyMs), 1);
    }
    termios LineTermios() {
        termios t{};
        EXPECT_EQ(tcgetattr(master_, &t), 0);  // the master reports the terminal's settings
        return t;
    }

    int master_ = -1;
    int terminal_ = -1;
    std::string terminalPath_;
    SerialPortLine line_;
};

std::string AllByteValues() {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    return all;
}

TEST_F(PtyTest, EveryByteValuePassesUnchangedBothWays) {
    const std::string all = AllByteValues();
    ASSERT_TRUE(line_.Write(Bytes(all)).ok());
    EXPECT_EQ(DeviceReceives(all.size()), all);

    DeviceSends(all);
    std::vector<uint8_t> buffer(all.size());
    size_t got = 0;
    ASSERT_TRUE(line_.Read(buffer, got, kSafetyMs).ok());
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), all);
    EXPECT_EQ(got, all.size());
}

TEST_F(PtyTest, OpensRawWithoutEchoTranslationOrFlowControl) {
    termios t = LineTermios();
    EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
}

TEST_F(PtyTest, SettingsReachTheLine) {
    // A pseudo-terminal always carries 8 data bits without parity, so only the rate and the
    // stop bits can be seen from the other end.
    struct Case {
        const char* text;
        speed_t speed;
        bool twoStopBits;
    };
    for (const Case& c :
         {Case{"COM1:300,n,8,1", B300, false}, Case{"COM1:9600,n,8,1", B9600, false},
          Case{"COM2:19200,e,7,2", B19200, true}}) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(line_.ApplySettings(c.text).ok());
        termios t = LineTermios();
        EXPECT_EQ(cfgetospeed(&t), c.speed);
        EXPECT_EQ(cfgetispeed(&t), c.speed);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStopBits);
    }
}

TEST_F(PtyTest, BadSettingsAreRefusedAndLeaveTheLineAsItWas) {
    ASSERT_TRUE(line_.ApplySettings("COM1:300,n,8,1").ok());
    for (const char* text :
         {"", "COM1", "COM1:9600,x,8,1", "COM1:12345,n,8,1", "COM1:9600,n,9,1"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(line_.ApplySettings(text).code(), StatusCode::InvalidArgument);
    }
    termios t = LineTermios();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B300));
}

TEST_F(PtyTest, ReadThatRunsOutOfTimeKeepsWhatArrived) {
    DeviceSends("ab");
    AwaitInputOnLine();
    uint8_t buffer[5] = {};
    size_t got = 0;
    Status status = line_.Read(buffer, got, 50);
    EXPECT_EQ(status.code(), StatusCode::Timeout);
    ASSERT_EQ(got, 2u);
    EXPECT_EQ(std::string(buffer, buffer + 2), "ab");
}

TEST_F(PtyTest, ReadWaitsForBytesThatArriveInPieces) {
    DeviceSends("ab");
    std::thread late([this] {
        usleep(20000);  // most likely after the read has taken "ab" and started waiting
        DeviceSends("cd");
    });
    uint8_t buffer[4] = {};
    size_t got = 0;
    Status status = line_.Read(buffer, got, kSafetyMs);
    late.join();
    EXPECT_TRUE(status.ok()) << status.text();
    EXPECT_EQ(std::string(buffer, buffer + got), "abcd");
}

TEST_F(PtyTest, FlushOfReceiveQueueDiscardsWaitingInput) {
    DeviceSends("stale");
    AwaitInputOnLine();
    ASSERT_TRUE(line_.Flush(SerialQueue::Receive).ok());
    ASSERT_TRUE(line_.Flush(SerialQueue::Transmit).ok());
    DeviceSends("fresh");
    uint8_t buffer[5] = {};
    size_t got = 0;
    ASSERT_TRUE(line_.Read(buffer, got, kSafetyMs).ok());
    EXPECT_EQ(std::string(buffer, buffer + got), "fresh");
}

TEST_F(PtyTest, BytesBeforeATransmitFlushAllReachADeviceThatReadsSlowly) {
    // A backlog the device has not read yet keeps the later bytes queued on the way to it.
    for (size_t backlog : {size_t{0}, size_t{4096}, size_t{6000}}) {
        SCOPED_TRACE(backlog);
        const std::string sent = std::string(backlog, 'x') + "#:RS#";
        ASSERT_TRUE(line_.Write(Bytes(sent)).ok());
        ASSERT_TRUE(line_.Flush(SerialQueue::Transmit).ok());
        ASSERT_TRUE(line_.Flush(SerialQueue::Receive).ok());
        ASSERT_TRUE(line_.Write(Bytes("#:Me#")).ok());
        const std::string received = DeviceReceives(sent.size() + 5);
        EXPECT_EQ(received.size(), sent.size() + 5);  // kept short: the bytes run to thousands
        EXPECT_TRUE(received == sent + "#:Me#");
    }
}

TEST_F(PtyTest, RaisingModemLinesOnAPseudoTerminalIsUnsupported) {
    EXPECT_EQ(line_.RaiseModemLines().code(), StatusCode::Unsupported);
    EXPECT_TRUE(line_.IsOpen());
}

TEST_F(PtyTest, ClosedOtherEndGivesDisconnectedRatherThanWaiting) {
    CloseMaster();
    uint8_t buffer[4];
    size_t got = 0;
    EXPECT_EQ(line_.Read(buffer, got, kSafetyMs).code(), StatusCode::Disconnected);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(line_.Write(Bytes("#:Qn#")).code(), StatusCode::Disconnected);
}

TEST_F(PtyTest, WriteIntoLineThatTakesNothingEndsWithTimeout) {
    // The device end never reads, so the terminal's buffers fill and the write cannot finish.
    ASSERT_TRUE(line_.ApplySettings("COM1:4000000,n,8,1").ok());
    std::string flood(1 << 18, 'x');
    EXPECT_EQ(line_.Write(Bytes(flood)).code(), StatusCode::Timeout);
}

TEST_F(PtyTest, OpensThroughSymbolicLink) {
    char pattern[] = "/tmp/vexa_serial_XXXXXX";
    std::filesystem::path folder = mkdtemp(pattern);
    std::filesystem::create_symlink(terminalPath_, folder / "mount");
    SerialPortLine other;
    Status status = other.Open(folder / "mount");
    EXPECT_TRUE(status.ok()) << status.text();
    std::filesystem::remove_all(folder);
}

TEST(SerialPortLine, RefusesWhatIsNotATerminalWithoutWaiting) {
    char pattern[] = "/tmp/vexa_serial_XXXXXX";
    std::filesystem::path folder = mkdtemp(pattern);
    std::ofstream(folder / "file") << "data";
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
    struct Case {
        std::string path;
        StatusCode code;
    };
    for (const Case& c :
         {Case{folder / "file", StatusCode::InvalidArgument},
          Case{folder, StatusCode::InvalidArgument}, Case{folder / "missing", StatusCode::NotFound},
          Case{folder / "file" / "below", StatusCode::NotFound},
          Case{folder / "pipe", StatusCode::InvalidArgument},
          Case{"/dev/null", StatusCode::InvalidArgument}, Case{"", StatusCode::NotFound}}) {
        SCOPED_TRACE(c.path);
        SerialPortLine line;
        EXPECT_EQ(line.Open(c.path).code(), c.code);
        EXPECT_FALSE(line.IsOpen());
    }
    std::filesystem::remove_all(folder);
}

TEST(SerialPortLine, OperationsOnClosedLineFailWithoutTouchingAnything) {
    SerialPortLine line;
    uint8_t buffer[1];
    size_t got = 7;
    EXPECT_FALSE(line.ApplySettings("COM1:9600,n,8,1").ok());
    EXPECT_FALSE(line.Write(Bytes("x")).ok());
    EXPECT_FALSE(line.Read(buffer, got, 0).ok());
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(line.Flush(SerialQueue::Receive).ok());
    EXPECT_FALSE(line.RaiseModemLines().ok());
    line.Close();
}

}  // namespace
}  // namespace vexa
