#include "cli/camera_commands.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>

#include "camera/camera.h"
#include "camera/camera_backend.h"
#include "camera/camera_dialog_model.h"
#include "camera/camera_dialog_services.h"
#include "camera/capture_sequence.h"
#include "camera/focus_loop.h"
#include "cli/cli_app.h"
#include "cli/cli_args.h"
#include "cli/image_output.h"
#include "cli/text_ui_services.h"
#include "devices/usb_camera_transport.h"
#include "processing/brightest_star.h"
#include "session/long_operation.h"
#include "session/session_state.h"
#include "simulator/simulated_camera.h"
#include "simulator/simulator_sky.h"

namespace vexa::cli {

namespace {

constexpr long kDefaultFocusFrames = 10;
constexpr long kMostFocusFrames = 1000000;

// The exposure as the dialog's unit buttons and arrows would set it.
struct Exposure {
    char unit = 's';
    uint16_t value = 1;
};

// "--exposure VALUE UNIT" at args[i]; i moves past both.
std::optional<Exposure> ReadExposure(const std::vector<std::string>& args, size_t& i) {
    if (i + 2 >= args.size()) return std::nullopt;
    const std::string& unitText = args[i + 2];
    if (unitText.size() != 1 || std::string("htsm").find(unitText[0]) == std::string::npos) {
        return std::nullopt;
    }
    const auto value = ParseInteger(args[i + 1], 1, ExposureMaximum(unitText[0]));
    if (!value) return std::nullopt;
    i += 2;
    return Exposure{unitText[0], static_cast<uint16_t>(*value)};
}

// An optional value after a flag: the next argument unless it is another option.
std::optional<std::string> OptionalValue(const std::vector<std::string>& args, size_t& i) {
    if (i + 1 < args.size() && !args[i + 1].starts_with("-")) return args[++i];
    return std::nullopt;
}

// The camera for this command: simulated or USB, with the log when asked for.
std::unique_ptr<CameraBackend> OpenCamera(bool simulator, std::ostream& err) {
    const CameraGlobalOptions& options = CameraOptions();
    std::unique_ptr<CameraTransport> device;
    if (simulator) {
        // The sky the simulated mount of this process moves.
        device = std::make_unique<SimulatedCamera>(SimulatorSky());
    } else {
        device = std::make_unique<UsbCameraTransport>(options.camera);
    }
    auto backend = std::make_unique<CameraBackend>(std::move(device), options.usbLog);
    if (!backend->LogOk()) {
        err << kProgramName << ": cannot open the USB log " << options.usbLog << '\n';
        return nullptr;
    }
    return backend;
}

struct CaptureChoices {
    bool simulator = false;
    std::optional<PixelPoint> star;
    Exposure exposure;
    int count = 1;
    int pauseMinutes = 0;
    bool average = false;
    bool alternativeSlew = false;
    bool autosave = false;
    bool countdown = false;
    bool continuous = false;
    bool binned = false;
    bool dark = false;
    std::optional<std::string> darkFile;
    bool flat = false;
    std::optional<std::string> flatFile;
    bool autoProcessing = false;
    std::optional<std::string> outFile;
    std::optional<OutputFormat> outFormat;
};

// The dialog answered from the options, and a line for every finished frame.
class CaptureAnswers : public CameraDialogServices {
  public:
    CaptureAnswers(const CaptureChoices& choices, std::ostream& out)
        : choices_(choices), out_(out) {}

    bool RunCameraDialog(CameraDialogModel& model) override {
        model.ChooseUnit(choices_.exposure.unit);
        model.SetExposureValue(choices_.exposure.value);
        model.SetExposureCount(choices_.count);
        model.SetPauseMinutes(choices_.pauseMinutes);
        const std::pair<CameraOption, bool> wanted[] = {
            {CameraOption::AverageMultiple, choices_.average},
            {CameraOption::AlternativeSlew, choices_.alternativeSlew},
            {CameraOption::AutoSave, choices_.autosave},
            {CameraOption::DelayBeforeExposure, choices_.countdown},
            {CameraOption::Continuous, choices_.continuous},
            {CameraOption::BinImage, choices_.binned},
            {CameraOption::RemoveDark, choices_.dark},
            {CameraOption::ApplyFlat, choices_.flat},
            {CameraOption::AutoProcessing, choices_.autoProcessing},
        };
        for (const auto& [option, on] : wanted) {
            if (model.Checked(option) != on) model.Toggle(option);
        }
        return true;
    }
    void CaptureFrameFinished(const FinishedFrame& frame) override {
        out_ << "frame: " << frame.number << '\n';
        if (frame.saved) out_ << "saved: " << frame.savedHostPath << '\n';
        out_.flush();
    }

  private:
    const CaptureChoices& choices_;
    std::ostream& out_;
};

void PrintCaptureHelp(std::ostream& out) {
    out << UsageLine(kCaptureSynopsis) << "\n\n"
        << "Runs the capture sequence of \"TQ4 Camera Interface\" with the camera control dialog\n"
        << "answered by the options, and prints frame: N for every finished frame, followed by\n"
        << "saved: PATH when it was autosaved. Ctrl+C stops as a key press does.\n\n"
        << "Options:\n"
        << "  --simulator          the simulated camera (default: the USB camera)\n"
        << "  --star X,Y           the star whose drift a summed capture follows, near image\n"
        << "                       point X,Y (default: the brightest star of the first frame)\n"
        << "  --exposure VALUE UNIT  UNIT h (hundredths), t (tenths), s (seconds) or m\n"
        << "                       (minutes); VALUE 1 to 500, 100, 300 or 90 (default 1 s)\n"
        << "  --count N            exposures, 1 to 99 (default 1); several are summed with\n"
        << "                       the drift taken out unless --continuous\n"
        << "  --delay-minutes M    pause between exposures, 0 to 20\n"
        << "  --average            average the summed exposures\n"
        << "  --alternative-slew   measure the drift from intensity profiles\n"
        << "  --autosave           save each image as the next c:\\AUTOSAVE\\IMGn.FIT\n"
        << "  --countdown          a 10-second countdown before the first exposure\n"
        << "  --continuous         repeat until Ctrl+C (or N frames with --count N)\n"
        << "  --binned             2 x 2 binned 650 x 515 images\n"
        << "  --dark [FILE]        subtract the dark frame (FILE, or the one chosen before)\n"
        << "  --flat [FILE]        divide by the flat field (FILE, or the one chosen before)\n"
        << "  --auto-processing    apply the stored auto-processing choices\n"
        << "  --out FILE --to FORMAT  write the last image to FILE as tq, fits, fits8, tiff\n"
        << "                       or bmp\n";
}

void PrintFocusHelp(std::ostream& out) {
    out << UsageLine(kFocusSynopsis) << "\n\n"
        << "Runs focus mode on the 128 x 128 focus window for N frames and prints, for each,\n"
        << "peak: VALUE (the focus peak, 14-bit scale) and hfd: PIXELS (the half-flux diameter\n"
        << "of the brightest star in the window, or none). Ctrl+C stops.\n\n"
        << "Options:\n"
        << "  --simulator            the simulated camera (default: the USB camera)\n"
        << "  --exposure VALUE UNIT  UNIT h, t or s, VALUE 1 to 99 (default 1 s)\n"
        << "  --frames N             number of frames (default 10)\n";
}

}  // namespace

CameraGlobalOptions& CameraOptions() {
    static CameraGlobalOptions options;
    return options;
}

int RunCaptureCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto usage = [&err](const std::string& problem) {
        return UsageError(err, "capture", kCaptureSynopsis, problem);
    };
    CaptureChoices c;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            PrintCaptureHelp(out);
            return kExitSuccess;
        } else if (arg == "--simulator") {
            c.simulator = true;
        } else if (Named(arg, "--star")) {
            const auto text = OptionValue(args, i, "--star");
            const auto xy = text ? ParseIntegerList(*text, 2, 0, kFullWidth - 1) : std::nullopt;
            if (!xy) return usage("--star needs X,Y within the image");
            c.star = PixelPoint{static_cast<int32_t>((*xy)[0]), static_cast<int32_t>((*xy)[1])};
        } else if (arg == "--exposure") {
            const auto exposure = ReadExposure(args, i);
            if (!exposure) return usage("--exposure needs VALUE UNIT within the unit's range");
            c.exposure = *exposure;
        } else if (Named(arg, "--count")) {
            const auto text = OptionValue(args, i, "--count");
            const auto n = text ? ParseInteger(*text, 1, kMostExposures) : std::nullopt;
            if (!n) return usage("--count needs a number from 1 to 99");
            c.count = static_cast<int>(*n);
        } else if (Named(arg, "--delay-minutes")) {
            const auto text = OptionValue(args, i, "--delay-minutes");
            const auto n = text ? ParseInteger(*text, 0, kLongestPauseMinutes) : std::nullopt;
            if (!n) return usage("--delay-minutes needs a number from 0 to 20");
            c.pauseMinutes = static_cast<int>(*n);
        } else if (arg == "--average") {
            c.average = true;
        } else if (arg == "--alternative-slew") {
            c.alternativeSlew = true;
        } else if (arg == "--autosave") {
            c.autosave = true;
        } else if (arg == "--countdown") {
            c.countdown = true;
        } else if (arg == "--continuous") {
            c.continuous = true;
        } else if (arg == "--binned") {
            c.binned = true;
        } else if (arg == "--dark") {
            c.dark = true;
            c.darkFile = OptionalValue(args, i);
        } else if (arg == "--flat") {
            c.flat = true;
            c.flatFile = OptionalValue(args, i);
        } else if (arg == "--auto-processing") {
            c.autoProcessing = true;
        } else if (Named(arg, "--out")) {
            c.outFile = OptionValue(args, i, "--out");
            if (!c.outFile || c.outFile->empty()) return usage("--out needs a file");
        } else if (Named(arg, "--to")) {
            const auto text = OptionValue(args, i, "--to");
            c.outFormat = text ? ParseOutputFormat(*text) : std::nullopt;
            if (!c.outFormat) return usage("--to needs tq, fits, fits8, tiff or bmp");
        } else {
            return usage("unknown option '" + arg + "'");
        }
    }
    if (c.outFile.has_value() != c.outFormat.has_value()) {
        return usage("--out and --to go together");
    }
    const int32_t width = c.binned ? kHalfWidth : kFullWidth;
    const int32_t height = c.binned ? kHalfHeight : kFullHeight;
    if (c.star && (c.star->x >= width || c.star->y >= height)) {
        return usage("--star needs X,Y within the image");
    }

    SessionState& s = Session();
    // Reference names are taken as full paths, so they do not depend on the file dialogs'
    // folder.
    if (c.darkFile) s.darkFrameFileName = std::filesystem::absolute(*c.darkFile).string();
    if (c.flatFile) s.flatFieldFileName = std::filesystem::absolute(*c.flatFile).string();
    if (c.star) {
        // As a pick: the centre finder starts from here on the first frame of the sum.
        s.starCentreX = c.star->x;
        s.starCentreY = c.star->y;
    }
    const std::unique_ptr<CameraBackend> backend = OpenCamera(c.simulator, err);
    if (!backend) return kExitFailure;
    Camera camera(backend->Device());
    TextUiServices::CatchInterrupts();
    CaptureAnswers answers(c, out);
    SetCameraDialogs(&answers);
    CaptureOutcome outcome;
    CaptureFaults faults;
    {
        const LongOperation running(LongOperationKind::Capture);
        outcome = RunCaptureSequence(camera, &faults);
    }
    SetCameraDialogs(nullptr);
    if (outcome == CaptureOutcome::NoCamera || outcome == CaptureOutcome::TransferFailed) {
        return kExitFailure;
    }
    // The image is written also after a reported fault: it is what the capture ended with.
    const bool written = !c.outFile || WriteImageAs(*c.outFile, *c.outFormat);
    return written && !faults.Any() ? kExitSuccess : kExitFailure;
}

int RunFocusCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto usage = [&err](const std::string& problem) {
        return UsageError(err, "focus", kFocusSynopsis, problem);
    };
    bool simulator = false;
    Exposure exposure;
    long frames = kDefaultFocusFrames;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            PrintFocusHelp(out);
            return kExitSuccess;
        } else if (arg == "--simulator") {
            simulator = true;
        } else if (arg == "--exposure") {
            const auto chosen = ReadExposure(args, i);
            if (!chosen || chosen->unit == 'm' || chosen->value >= kFocusValueLimit) {
                return usage("--exposure needs VALUE UNIT with UNIT h, t or s and VALUE 1 to 99");
            }
            exposure = *chosen;
        } else if (Named(arg, "--frames")) {
            const auto text = OptionValue(args, i, "--frames");
            const auto n = text ? ParseInteger(*text, 1, kMostFocusFrames) : std::nullopt;
            if (!n) return usage("--frames needs a number from 1 to 1000000");
            frames = *n;
        } else {
            return usage("unknown option '" + arg + "'");
        }
    }

    const std::unique_ptr<CameraBackend> backend = OpenCamera(simulator, err);
    if (!backend) return kExitFailure;
    Camera camera(backend->Device());
    TextUiServices::CatchInterrupts();
    if (!FindCameraIfNeeded(camera)) return kExitFailure;
    CameraDialogModel model(&camera);
    model.ChooseUnit(exposure.unit);
    model.SetExposureValue(exposure.value);
    const CameraState& state = Session().camera;
    model.SetFocusFrameListener([&] {
        out << "peak: " << state.focusPeak << '\n';
        if (state.focusHfdFound) {
            char text[32];
            std::snprintf(text, sizeof text, "%.1f", state.focusHfdPx);
            out << "hfd: " << text << '\n';
        } else {
            out << "hfd: none\n";
        }
        out.flush();
        if (state.focusFrames >= frames) model.StopFocus();
    });
    model.StartFocus();
    // A focus frame whose transfer failed ended the loop (and was reported).
    return camera.Present() ? kExitSuccess : kExitFailure;
}

}  // namespace vexa::cli
