#include "telescope/serial_log.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "session/clock.h"
#include "tests/unit/support/fake_serial_line.h"

namespace vexa {
namespace {

using namespace std::string_literals;
using test::FakeSerialLine;
using test::SerialOp;

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

class SerialLogTest : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vexa_serial_log_XXXXXX";
        folder_ = mkdtemp(pattern);
        logPath_ = folder_ / "serial.log";
        SetClock(&clock_);
    }
    void TearDown() override {
        SetClock(nullptr);
        std::filesystem::remove_all(folder_);
    }
    // A logged fake line, already open.
    SerialLog& Logged() {
        auto fake = std::make_unique<FakeSerialLine>();
        fake_ = fake.get();
        log_ = std::make_unique<SerialLog>(std::move(fake), logPath_);
        EXPECT_TRUE(log_->logStatus().ok());
        EXPECT_TRUE(log_->Open("/dev/ttyUSB0").ok());
        return *log_;
    }
    std::string LogText() {
        std::ifstream in(logPath_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    Status ReadInto(SerialLog& log, size_t count, std::string& text) {
        std::vector<uint8_t> buffer(count);
        size_t got = 0;
        Status status = log.Read(buffer, got, 100);
        text.assign(buffer.begin(), buffer.begin() + got);
        return status;
    }

    std::filesystem::path folder_;
    std::filesystem::path logPath_;
    VirtualClock clock_;
    FakeSerialLine* fake_ = nullptr;
    std::unique_ptr<SerialLog> log_;
};

TEST_F(SerialLogTest, EachOperationIsForwardedAndLoggedWithTheClock) {
    SerialLog& log = Logged();
    fake_->SetResult(SerialOp::Control, Status(StatusCode::Unsupported));
    fake_->QueueReply("0");
    std::string reply;
    clock_.SetMilliseconds(1000);
    EXPECT_TRUE(log.ApplySettings("COM1:9600,n,8,1").ok());
    clock_.Advance(5);
    EXPECT_EQ(log.RaiseModemLines().code(), StatusCode::Unsupported);
    EXPECT_TRUE(log.Flush(SerialQueue::Transmit).ok());
    EXPECT_TRUE(log.Flush(SerialQueue::Receive).ok());
    clock_.Advance(4294966000u);  // the millisecond clock is 32 bits and prints unsigned
    EXPECT_TRUE(log.Write(Bytes("#:MS#")).ok());
    EXPECT_TRUE(ReadInto(log, 1, reply).ok());
    log.Close();

    EXPECT_EQ(LogText(),
              "1000 settings \"COM1:9600,n,8,1\"\n"
              "1005 control\n"
              "1005 flush 0\n"
              "1005 flush 1\n"
              "4294967005 out \"#:MS#\"\n"
              "4294967005 in \"0\"\n");
    using namespace test;
    EXPECT_EQ(fake_->events(), (std::vector<SerialEvent>{
                                   Opened("/dev/ttyUSB0"), Set("COM1:9600,n,8,1"), Controlled(),
                                   Flushed(SerialQueue::Transmit), Flushed(SerialQueue::Receive),
                                   Wrote("#:MS#"), ReadOf(1, "0"), Closed()}));
    EXPECT_FALSE(log.IsOpen());
}

TEST_F(SerialLogTest, EscapesBytesOutsidePrintableAsciiQuotesAndBackslashes) {
    SerialLog& log = Logged();
    struct Case {
        std::string bytes;
        std::string logged;
    };
    std::string expected;
    for (const Case& c : {
             Case{" ~AZaz09#:", R"(" ~AZaz09#:")"},
             Case{"\r\0\x11\x1f"s, R"("\x0d\x00\x11\x1f")"},
             Case{"\x7f\x80\xab\xff", R"("\x7f\x80\xab\xff")"},
             Case{"say \"hi\"", R"("say \x22hi\x22")"},
             Case{"a\\b", R"("a\x5cb")"},
             Case{"", R"("")"},
         }) {
        ASSERT_TRUE(log.Write(Bytes(c.bytes)).ok());
        expected += "0 out " + c.logged + "\n";
    }
    EXPECT_EQ(LogText(), expected);
}

TEST_F(SerialLogTest, ReadLogsWhatArrivedThenHowManyBytesWereMissing) {
    SerialLog& log = Logged();
    fake_->QueueReply("ab");
    fake_->QueueReply("\x06#");
    std::string text;
    EXPECT_EQ(ReadInto(log, 5, text).code(), StatusCode::Timeout);
    EXPECT_EQ(text, "ab");
    EXPECT_EQ(ReadInto(log, 2, text).code(), StatusCode::Ok);
    EXPECT_EQ(ReadInto(log, 33, text).code(), StatusCode::Timeout);
    EXPECT_EQ(LogText(),
              "0 in \"ab\"\n"
              "0 timeout 3\n"
              "0 in \"\\x06#\"\n"
              "0 timeout 33\n");
}

TEST_F(SerialLogTest, AReadForBytesThatMayNotComeLogsOnlyWhatCame) {
    SerialLog& log = Logged();
    uint8_t buffer[2] = {};
    size_t got = 0;
    EXPECT_TRUE(log.ReadWhatArrives(buffer, got, 100).ok());
    EXPECT_EQ(got, 0u);
    fake_->QueueReply("2");
    EXPECT_TRUE(log.ReadWhatArrives(buffer, got, 100).ok());
    EXPECT_EQ(got, 1u);
    EXPECT_EQ(LogText(), "0 in \"2\"\n");
}

TEST_F(SerialLogTest, ReadFailingForOtherReasonsLogsNoTimeout) {
    SerialLog& log = Logged();
    fake_->SetResult(SerialOp::Read, Status(StatusCode::Disconnected, "gone"));
    std::string text;
    EXPECT_EQ(ReadInto(log, 4, text).code(), StatusCode::Disconnected);
    EXPECT_EQ(LogText(), "");
}

TEST_F(SerialLogTest, AppendsToAnExistingLog) {
    std::ofstream(logPath_) << "7 out \"earlier run\"\n";
    SerialLog& log = Logged();
    EXPECT_TRUE(log.RaiseModemLines().ok());
    EXPECT_EQ(LogText(), "7 out \"earlier run\"\n0 control\n");
}

TEST_F(SerialLogTest, LogThatCannotBeOpenedLeavesTheLineWorking) {
    struct Case {
        std::filesystem::path path;
        StatusCode code;
    };
    for (const Case& c : {Case{folder_ / "missing" / "serial.log", StatusCode::NotFound},
                          Case{folder_, StatusCode::IoError}}) {
        auto fake = std::make_unique<FakeSerialLine>();
        FakeSerialLine* line = fake.get();
        line->QueueReply("1");
        SerialLog log(std::move(fake), c.path);
        EXPECT_EQ(log.logStatus().code(), c.code);
        EXPECT_FALSE(log.logStatus().text().empty());
        ASSERT_TRUE(log.Open("/dev/ttyUSB1").ok());
        EXPECT_TRUE(log.Write(Bytes("#:LI#")).ok());
        std::string text;
        EXPECT_TRUE(ReadInto(log, 1, text).ok());
        EXPECT_EQ(text, "1");
        EXPECT_EQ(line->Writes(), std::vector<std::string>{"#:LI#"});
    }
}

}  // namespace
}  // namespace vexa
