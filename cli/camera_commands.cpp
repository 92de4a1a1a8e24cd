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
#include "cli/option_table.h"
#include "cli/serial_lines.h"
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

// "--exposure VALUE UNIT" as the dialog's unit buttons and arrows would set it.
std::optional<Exposure> ParseExposure(const OptionValues& values) {
    if (values.size() != 2) return std::nullopt;
    const std::string& unitText = values[1];
    if (unitText.size() != 1 || std::string("htsm").find(unitText[0]) == std::string::npos) {
        return std::nullopt;
    }
    const auto value = ParseInteger(values[0], 1, ExposureMaximum(unitText[0]));
    if (!value) return std::nullopt;
    return Exposure{unitText[0], static_cast<uint16_t>(*value)};
}

// An optional file after a flag: the next argument unless it is another option.
bool IsNoOption(const std::string& word) {
    return !word.starts_with("-");
}

// The camera for this command: simulated or USB, with the log when asked for.
std::unique_ptr<CameraBackend> OpenCamera(bool simulator, std::ostream& err) {
    const CameraGlobalOptions& options = CameraOptions();
    std::unique_ptr<CameraTransport> device;
    if (simulator || CliSimulator()) {
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

constexpr const char* kCaptureHelpIntro =
    "Runs the capture sequence of \"TQ4 Camera Interface\" with the camera control dialog\n"
    "answered by the options, and prints frame: N for every finished frame, followed by\n"
    "saved: PATH when it was autosaved. Ctrl+C stops as a key press does.\n\n"
    "Options:\n";
constexpr int kCaptureHelpColumn = 23;

// --dark [FILE] and --flat [FILE]: the reference, with the file to read it from when given.
OptionRow<CaptureChoices> ReferenceOption(const char* name, bool CaptureChoices::*use,
                                          std::optional<std::string> CaptureChoices::*file,
                                          const char* help) {
    auto row = Option<CaptureChoices>(name, "[FILE]", ValueForm::OptionalWord, help,
                                      [use, file](CaptureChoices& c, const OptionValues& values) {
                                          c.*use = true;
                                          c.*file = values.empty() ? std::nullopt
                                                                   : std::optional(values[0]);
                                          return std::string();
                                      });
    row.takesWord = IsNoOption;
    return row;
}

std::vector<OptionRow<CaptureChoices>> CaptureRows() {
    using C = CaptureChoices;
    return {
        HelpText<C>(kCaptureHelpIntro, kCaptureHelpColumn),
        Flag<C>("--simulator", &C::simulator, "the simulated camera (default: the USB camera)"),
        Valued<C>(
            "--star", "X,Y", IntegersIn(2, 0, kFullWidth - 1), "--star needs X,Y within the image",
            [](C& c, const std::vector<long>& xy) {
                c.star = PixelPoint{static_cast<int32_t>(xy[0]), static_cast<int32_t>(xy[1])};
            },
            "the star whose drift a summed capture follows, near image\n"
            "point X,Y (default: the brightest star of the first frame)"),
        Option<C>("--exposure", "VALUE UNIT", ValueForm::TwoValues,
                  "UNIT h (hundredths), t (tenths), s (seconds) or m\n"
                  "(minutes); VALUE 1 to 500, 100, 300 or 90 (default 1 s)",
                  [](C& c, const OptionValues& values) -> std::string {
                      const auto exposure = ParseExposure(values);
                      if (!exposure) return "--exposure needs VALUE UNIT within the unit's range";
                      c.exposure = *exposure;
                      return {};
                  }),
        Valued<C>(
            "--count", "N", IntegerIn(1, kMostExposures), "--count needs a number from 1 to 99",
            [](C& c, long n) { c.count = static_cast<int>(n); },
            "exposures, 1 to 99 (default 1); several are summed with\n"
            "the drift taken out unless --continuous"),
        Valued<C>(
            "--delay-minutes", "M", IntegerIn(0, kLongestPauseMinutes),
            "--delay-minutes needs a number from 0 to 20",
            [](C& c, long n) { c.pauseMinutes = static_cast<int>(n); },
            "pause between exposures, 0 to 20"),
        Flag<C>("--average", &C::average, "average the summed exposures"),
        Flag<C>("--alternative-slew", &C::alternativeSlew,
                "measure the drift from intensity profiles"),
        Flag<C>("--autosave", &C::autosave, "save each image as the next c:\\AUTOSAVE\\IMGn.FIT"),
        Flag<C>("--countdown", &C::countdown, "a 10-second countdown before the first exposure"),
        Flag<C>("--continuous", &C::continuous, "repeat until Ctrl+C (or N frames with --count N)"),
        Flag<C>("--binned", &C::binned, "2 x 2 binned 650 x 515 images"),
        ReferenceOption("--dark", &C::dark, &C::darkFile,
                        "subtract the dark frame (FILE, or the one chosen before)"),
        ReferenceOption("--flat", &C::flat, &C::flatFile,
                        "divide by the flat field (FILE, or the one chosen before)"),
        Flag<C>("--auto-processing", &C::autoProcessing,
                "apply the stored auto-processing choices"),
        Valued<C>(
            "--out", "FILE", NonEmpty, "--out needs a file",
            [](C& c, const std::string& file) { c.outFile = file; },
            "write the last image to FILE as tq, fits, fits8, tiff\n"
            "or bmp"),
        Valued<C>("--to", "FORMAT", ParseOutputFormat, "--to needs tq, fits, fits8, tiff or bmp",
                  [](C& c, OutputFormat format) { c.outFormat = format; }, {})
            .Listed(HelpPlace::After),
    };
}

const OptionTable<CaptureChoices>& CaptureTable() {
    static const OptionTable<CaptureChoices> table("capture", kCaptureSynopsis, CaptureRows());
    return table;
}

constexpr const char* kFocusHelpIntro =
    "Runs focus mode on the 128 x 128 focus window for N frames and prints, for each,\n"
    "peak: VALUE (the focus peak, 14-bit scale) and hfd: PIXELS (the half-flux diameter\n"
    "of the brightest star in the window, or none). Ctrl+C stops.\n\n"
    "Options:\n";
constexpr int kFocusHelpColumn = 25;

struct FocusChoices {
    bool simulator = false;
    Exposure exposure;
    long frames = kDefaultFocusFrames;
};

const OptionTable<FocusChoices>& FocusTable() {
    using F = FocusChoices;
    static const OptionTable<F> table(
        "focus", kFocusSynopsis,
        {
            HelpText<F>(kFocusHelpIntro, kFocusHelpColumn),
            Flag<F>("--simulator", &F::simulator, "the simulated camera (default: the USB camera)"),
            Option<F>("--exposure", "VALUE UNIT", ValueForm::TwoValues,
                      "UNIT h, t or s, VALUE 1 to 99 (default 1 s)",
                      [](F& f, const OptionValues& values) -> std::string {
                          const auto chosen = ParseExposure(values);
                          if (!chosen || chosen->unit == 'm' || chosen->value >= kFocusValueLimit)
                              return "--exposure needs VALUE UNIT with UNIT h, t or s and VALUE "
                                     "1 to 99";
                          f.exposure = *chosen;
                          return {};
                      }),
            Valued<F>(
                "--frames", "N", IntegerIn(1, kMostFocusFrames),
                "--frames needs a number from 1 to 1000000", [](F& f, long n) { f.frames = n; },
                "number of frames (default 10)"),
        });
    return table;
}

}  // namespace

CameraGlobalOptions& CameraOptions() {
    static CameraGlobalOptions options;
    return options;
}

int RunCaptureCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto usage = [&err](const std::string& problem) { return Usage(CaptureTable(), err, problem); };
    CaptureChoices c;
    if (const auto exit = ReadCommandLine(CaptureTable(), args, c, out, err)) return *exit;
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
    FocusChoices choices;
    if (const auto exit = ReadCommandLine(FocusTable(), args, choices, out, err)) return *exit;
    const bool simulator = choices.simulator;
    const Exposure exposure = choices.exposure;
    const long frames = choices.frames;

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
