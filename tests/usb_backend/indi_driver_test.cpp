// The INDI driver on the USB backend, under the scripted fake USB bus: indiserver and the
// driver run as children of this test and inherit umockdev's preload library and the fake
// bus; the test is their INDI client, speaking the protocol over TCP.
#include <arpa/inet.h>
#include <fitsio.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "camera/camera_protocol.h"
#include "tests/usb_backend/fake_usb_bus.h"

#ifdef VEXA_INDI_DRIVER

namespace vexa {
namespace {

using namespace std::chrono_literals;
using test::BulkMode;
using test::FakeDevice;
using test::FakeUsbBus;
using test::PatternByte;

constexpr const char* kDevice = "Vexa Q4 CCD";
const FakeDevice kCamera{{0x1234, 0x5678}, 1, 4, "Vexa", "TQ Camera", 1, true};

int FreePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(s, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(s);
    return ntohs(address.sin_port);
}

// A program started with its output in a file; ended (and waited for) on destruction.
class Child {
  public:
    Child(const std::vector<std::string>& args, const std::string& output) {
        pid_ = ::fork();
        if (pid_ != 0) return;
        std::FILE* out = std::fopen(output.c_str(), "w");
        if (out != nullptr) {
            ::dup2(::fileno(out), STDOUT_FILENO);
            ::dup2(::fileno(out), STDERR_FILENO);
        }
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ~Child() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGTERM);
            (void)Wait(5s);
            if (!exited_) {
                ::kill(pid_, SIGKILL);
                (void)Wait(5s);
            }
        }
    }
    // The exit status, or -1 when the program is still running after the time given.
    int Wait(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (std::chrono::steady_clock::now() < end) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

  private:
    pid_t pid_ = -1;
    bool exited_ = false;
};

std::vector<uint8_t> Base64Decode(const std::string& text) {
    std::vector<uint8_t> bytes;
    uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        const char* table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        const char* at = c != '\0' ? std::strchr(table, c) : nullptr;
        if (at == nullptr) continue;
        bits = (bits << 6) | static_cast<uint32_t>(at - table);
        if ((count += 6) >= 8) bytes.push_back(static_cast<uint8_t>(bits >> (count -= 8)));
    }
    return bytes;
}

// An INDI client on a raw connection: it asks for every property and for frames, then sends
// what a test gives and keeps everything the server sends.
class IndiClient {
  public:
    explicit IndiClient(int port) {
        for (int attempt = 0; attempt < 100 && socket_ < 0; ++attempt) {
            const int s = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<uint16_t>(port));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
                socket_ = s;
            } else {
                ::close(s);
                std::this_thread::sleep_for(100ms);
            }
        }
        Send("<getProperties version='1.7'/><enableBLOB>Also</enableBLOB>");
    }
    ~IndiClient() {
        if (socket_ >= 0) ::close(socket_);
    }
    bool Connected() const { return socket_ >= 0; }
    void Send(const std::string& xml) { (void)!::write(socket_, xml.data(), xml.size()); }
    void Set(const char* kind, const std::string& property, const std::string& element,
             const std::string& value) {
        Send(std::string("<new") + kind + "Vector device='" + kDevice + "' name='" + property +
             "'><one" + kind + " name='" + element + "'>" + value + "</one" + kind + "></new" +
             kind + "Vector>");
    }
    // Reads until what arrived after `from` holds the text, or the time is up.
    bool WaitFor(const std::string& text, std::chrono::milliseconds limit, size_t from = 0) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (received_.find(text, from) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            timeval wait{static_cast<time_t>(left.count() / 1000000), left.count() % 1000000};
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(socket_, &ready);
            if (::select(socket_ + 1, &ready, nullptr, nullptr, &wait) <= 0) continue;
            char chunk[65536];
            const ssize_t got = ::read(socket_, chunk, sizeof chunk);
            if (got <= 0) return false;
            received_.append(chunk, static_cast<size_t>(got));
        }
        return true;
    }
    const std::string& Received() const { return received_; }
    // The FITS file of the first frame sent after `from`.
    std::vector<uint8_t> Frame(size_t from) const {
        const size_t blob = received_.find("<oneBLOB", from);
        const size_t start = received_.find('>', blob) + 1;
        return Base64Decode(received_.substr(start, received_.find("</oneBLOB>", start) - start));
    }

  private:
    int socket_ = -1;
    std::string received_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The log's lines without their clock stamps.
std::vector<std::string> LogOperations(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(path));
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(line.find(' ')));
    return lines;
}

class IndiDriverOnUsbTest : public ::testing::Test {
  protected:
    IndiDriverOnUsbTest() : dir_(std::filesystem::temp_directory_path() / "vexa-indi-XXXXXX") {
        std::string pattern = dir_.string();
        dir_ = ::mkdtemp(pattern.data());
        camera = bus.Add(kCamera);
    }
    ~IndiDriverOnUsbTest() override { std::filesystem::remove_all(dir_); }

    std::string Path(const char* name) const { return (dir_ / name).string(); }
    // indiserver with the driver, the USB log named by the environment.
    std::unique_ptr<Child> StartServer(int port) {
        ::setenv("INDICONFIG", Path("config.xml").c_str(), 1);
        ::setenv("VEXA_USB_LOG", Path("driver.log").c_str(), 1);
        return std::make_unique<Child>(
            std::vector<std::string>{"indiserver", "-r", "0", "-p", std::to_string(port), "-u",
                                     Path("indi.sock"), VEXA_INDI_DRIVER},
            Path("server.out"));
    }
    void ConnectTo(IndiClient& client) {
        ASSERT_TRUE(client.Connected()) << ReadFile(Path("server.out"));
        ASSERT_TRUE(client.WaitFor("name=\"CONNECTION\"", 10s));
        client.Set("Switch", "CONNECTION", "CONNECT", "On");
        ASSERT_TRUE(client.WaitFor("name=\"CCD_INFO\"", 10s)) << client.Received();
    }

    FakeUsbBus bus;
    int camera = 0;
    std::filesystem::path dir_;
};

TEST_F(IndiDriverOnUsbTest, TheDriversFrameIsTheCapturesBytesOnTheWire) {
    Child cli({VEXA_CLI, "--root", Path("root"), "--usb-log", Path("cli.log"), "capture",
               "--exposure", "50", "h"},
              Path("cli.out"));
    ASSERT_EQ(cli.Wait(30s), 0) << ReadFile(Path("cli.out"));
    const std::vector<uint8_t> captureCommands = bus.TakeHidOutput(camera);

    const int port = FreePort();
    const auto server = StartServer(port);
    IndiClient client(port);
    ASSERT_NO_FATAL_FAILURE(ConnectTo(client));
    const size_t from = client.Received().size();
    client.Set("Number", "CCD_EXPOSURE", "CCD_EXPOSURE_VALUE", "0.5");
    ASSERT_TRUE(client.WaitFor("</setBLOBVector>", 30s, from)) << client.Received().substr(from);

    EXPECT_EQ(bus.TakeHidOutput(camera), captureCommands);
    EXPECT_EQ(bus.BulkRequestLengths(camera),
              (std::vector<int>(2, static_cast<int>(kFullFrameTransferBytes))));
    EXPECT_EQ(LogOperations(Path("driver.log")), LogOperations(Path("cli.log")));

    std::vector<uint8_t> file = client.Frame(from);
    void* memory = file.data();
    size_t size = file.size();
    fitsfile* fits = nullptr;
    int status = 0;
    ASSERT_EQ(fits_open_memfile(&fits, "frame.fits", READONLY, &memory, &size, 0, nullptr, &status),
              0);
    long axes[2] = {0, 0};
    fits_get_img_size(fits, 2, axes, &status);
    ASSERT_EQ(axes[0], kFullFrameTransfer.areaSamples);
    ASSERT_EQ(axes[1], kFullFrameTransfer.areaLines);
    std::vector<uint16_t> samples(static_cast<size_t>(axes[0] * axes[1]));
    fits_read_img(fits, TUSHORT, 1, static_cast<LONGLONG>(samples.size()), nullptr, samples.data(),
                  nullptr, &status);
    fits_close_file(fits, &status);
    ASSERT_EQ(status, 0);
    size_t differing = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        const size_t row = i / static_cast<size_t>(axes[0]);
        const size_t column = i % static_cast<size_t>(axes[0]);
        const size_t at = kFullFrameTransfer.AreaOffsetBytes() +
                          row * kFullFrameTransfer.LineBytes() + column * 2;
        differing += samples[i] != (PatternByte(at) | PatternByte(at + 1) << 8);
    }
    EXPECT_EQ(differing, 0u) << "of " << samples.size() << " samples";
}

TEST_F(IndiDriverOnUsbTest, AnUnplugMidReadoutGivesAnAlertAndAMessageAndNoFrame) {
    const int port = FreePort();
    const auto server = StartServer(port);
    IndiClient client(port);
    ASSERT_NO_FATAL_FAILURE(ConnectTo(client));
    bus.SetBulk(camera, BulkMode::Vanish, 100000);
    const size_t from = client.Received().size();
    client.Set("Number", "CCD_EXPOSURE", "CCD_EXPOSURE_VALUE", "0.2");
    ASSERT_TRUE(client.WaitFor("name=\"CCD_EXPOSURE\" state=\"Alert\"", 20s, from))
        << client.Received().substr(from);
    EXPECT_TRUE(client.WaitFor("trying to read BlockIO data from USB", 2s, from));
    EXPECT_TRUE(client.WaitFor("The readout failed", 2s, from));
    EXPECT_FALSE(client.WaitFor("<oneBLOB", 1s, from)) << "no frame";
}

TEST_F(IndiDriverOnUsbTest, TheUsbCameraPropertyChoosesTheCameraByItsId) {
    const int port = FreePort();
    const auto server = StartServer(port);
    IndiClient client(port);
    ASSERT_TRUE(client.WaitFor("name=\"USB_CAMERA\"", 10s));
    size_t from = client.Received().size();
    client.Set("Text", "USB_CAMERA", "VID_PID", "camera");
    EXPECT_TRUE(client.WaitFor("name=\"USB_CAMERA\" state=\"Alert\"", 10s, from));
    from = client.Received().size();
    client.Set("Text", "USB_CAMERA", "VID_PID", "1234:9999");
    client.Set("Switch", "CONNECTION", "CONNECT", "On");
    EXPECT_TRUE(client.WaitFor("Sorry, No camera found on USB", 10s, from));
    EXPECT_TRUE(client.WaitFor("name=\"CONNECTION\" state=\"Alert\"", 10s, from));
    from = client.Received().size();
    client.Set("Text", "USB_CAMERA", "VID_PID", "1234:5678");
    client.Set("Switch", "CONNECTION", "CONNECT", "On");
    EXPECT_TRUE(client.WaitFor("name=\"CCD_INFO\"", 10s, from)) << client.Received().substr(from);
}

// libindi runs a due timer before it reads its input: a frame read out while the abort was
// arriving must still wait for it.
TEST_F(IndiDriverOnUsbTest, AnAbortThatArrivesDuringTheReadoutStopsTheFrame) {
    const int port = FreePort();
    const auto server = StartServer(port);
    IndiClient client(port);
    ASSERT_NO_FATAL_FAILURE(ConnectTo(client));
    bus.SetBulk(camera, BulkMode::Hold);
    const size_t from = client.Received().size();
    client.Set("Number", "CCD_EXPOSURE", "CCD_EXPOSURE_VALUE", "0.2");
    for (int i = 0; i < 1000 && !bus.BulkHeld(camera); ++i) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(bus.BulkHeld(camera)) << "the readout did not start";
    client.Set("Switch", "CCD_ABORT_EXPOSURE", "ABORT", "On");
    std::this_thread::sleep_for(300ms);  // the abort waits at the driver's input
    bus.ReleaseBulk(camera);
    EXPECT_TRUE(client.WaitFor("name=\"CCD_EXPOSURE\" state=\"Idle\"", 10s, from))
        << client.Received().substr(from);
    EXPECT_FALSE(client.WaitFor("<oneBLOB", 1s, from)) << "no frame";
}

}  // namespace
}  // namespace vexa

#endif  // VEXA_INDI_DRIVER
