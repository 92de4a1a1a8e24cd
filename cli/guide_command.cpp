#include "cli/guide_command.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>

#include "camera/camera.h"
#include "camera/camera_backend.h"
#include "camera/camera_guide_frames.h"
#include "camera/capture_sequence.h"
#include "cli/camera_commands.h"
#include "cli/cli_app.h"
#include "cli/cli_args.h"
#include "cli/option_table.h"
#include "cli/serial_lines.h"
#include "cli/text_ui_services.h"
#include "devices/usb_camera_transport.h"
#include "processing/star_centre.h"
#include "session/long_operation.h"
#include "session/settings_file.h"
#include "simulator/simulated_camera.h"
#include "simulator/simulated_mount.h"
#include "simulator/simulated_mount_link.h"
#include "simulator/simulated_pair.h"
#include "simulator/simulator_sky.h"
#include "telescope/control_box.h"
#include "telescope/guider.h"
#include "telescope/mount_link.h"
#include "telescope/telescope_dialog_services.h"

namespace vexa::cli {

namespace {

constexpr long kDefaultGuideFrames = 20;
constexpr long kMostGuideFrames = 1000000;
constexpr int kPickPasses = 3;

struct GuideRequest {
    bool simulator = false;
    bool train = false;
    bool starGiven = false;
    PixelPoint star;
    long frames = kDefaultGuideFrames;
};

constexpr const char* kHelpIntro =
    "Takes a frame, picks the guide star on it, trains the guider when asked, then\n"
    "guides for N frames. Prints for each frame the guide star's place in the guide\n"
    "window and its error (x: y: dx: dy:, pixels), and at the end the run's RMS errors\n"
    "(rmsX: rmsY: rmsTotal:). The telescope is the one the settings name, or the\n"
    "INDI server's mount with --indi.\n\n"
    "Options:\n";
constexpr int kHelpColumn = 21;

const OptionTable<GuideRequest>& GuideTable() {
    using G = GuideRequest;
    static const OptionTable<G> table = [] {
        OptionTable<G> t(
            "guide", kGuideSynopsis,
            {
                HelpText<G>(kHelpIntro, kHelpColumn),
                Flag<G>("--simulator", &G::simulator,
                        "the simulated camera and mount, in this process"),
                Valued<G>(
                    "--star", "X,Y", IntegersIn(2, 0, kFullWidth - 1),
                    "--star needs X,Y within the image",
                    [](G& r, const std::vector<long>& xy) {
                        r.star = {static_cast<int32_t>(xy[0]), static_cast<int32_t>(xy[1])};
                        r.starGiven = true;
                    },
                    "the guide star near image point X,Y (default the brightest star)"),
                Flag<G>("--train", &G::train, "train the guider first; prints training:"),
                Valued<G>(
                    "--frames", "N", IntegerIn(1, kMostGuideFrames),
                    "--frames needs a number from 1 to 1000000",
                    [](G& r, long frames) { r.frames = frames; }, "guide frames (default 20)"),
                HelpText<G>(CommandMountOptionsHelp()),
            });
        t.helpWords = HelpWords::Anywhere;
        t.otherOptions = [](G&, const std::vector<std::string>& args, size_t& i,
                            std::string& problem) {
            return TakeCommandMountOption(args, i, problem);
        };
        return t;
    }();
    return table;
}

// Prints each frame's figures as "Guiding Info" shows them.
class GuideLines : public TelescopeDialogServices {
  public:
    explicit GuideLines(std::ostream& out) : out_(out) {}
    void ShowGuidingInfo(const GuidingInfo& info) override {
        out_ << "x: " << info.x << " y: " << info.y << " dx: " << info.dx << " dy: " << info.dy
             << '\n';
        out_.flush();
    }

  private:
    std::ostream& out_;
};

std::string TwoDecimals(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// The first frame, on which the star is picked: one exposure without the dialog.
bool TakeFirstFrame(Camera& camera) {
    SessionState& s = Session();
    const bool savedContinuous = s.continuousCapture;
    s.continuousCapture = false;
    const CaptureOutcome outcome = RunCaptureSequence(camera, nullptr, CaptureDialog::Skipped);
    s.continuousCapture = savedContinuous;
    return outcome == CaptureOutcome::Finished;
}

// The pick click: three centre searches, each from the last result.
bool PickGuideStar(PixelPoint from) {
    SessionState& s = Session();
    s.measureBoxHalfSize = s.settings.guideStarMaskRadius;
    s.subPixelCentring = false;
    int32_t x = from.x;
    int32_t y = from.y;
    for (int pass = 0; pass < kPickPasses; ++pass) {
        if (FindStarCentre(x, y, s.currentImage, s.measureBoxHalfSize) != 0) return false;
        x = s.starCentreX;
        y = s.starCentreY;
    }
    s.guideStarX = x;
    s.guideStarY = y;
    s.guideStarPicked = 1;
    s.guideStarFound = true;
    return true;
}

// The guide star: the one asked for, else the brightest of the first frame, picked as a click
// would pick it.
bool PickStarOnFirstFrame(const GuideRequest& r, std::ostream& out, std::ostream& err) {
    SessionState& s = Session();
    PixelPoint start = r.star;
    if (!r.starGiven) {
        const int32_t margin = s.settings.guideStarMaskRadius + 1;
        if (!FindBrightestStar(s.currentImage, s.geometry.width, s.geometry.height, margin,
                               start)) {
            err << kProgramName << " guide: no star found in the first frame\n";
            return false;
        }
    }
    if (!PickGuideStar(start)) return false;
    out << "star: " << s.guideStarX << ',' << s.guideStarY << '\n';
    return true;
}

// Training on the camera's frames, its results printed. typeForRun, when set, is the
// telescope type of this run, and the settings file keeps userType.
bool TrainOnCamera(Camera& camera, MountLink& mount, std::optional<TelescopeType> typeForRun,
                   TelescopeType userType, std::ostream& out) {
    SessionState& s = Session();
    bool trained = false;
    {
        const LongOperation running(LongOperationKind::GuiderTraining);
        CaptureGuideFrames frames(&camera, GuideFrameKind::Training);
        GuideRun run(frames, mount.Pulses());
        trained = run.Train();
    }
    if (!trained) return false;
    if (typeForRun) {
        // Training saved its results with this run's type: the file keeps the user's.
        s.settings.telescopeType = userType;
        if (SaveSettings() != 0) return false;
        s.settings.telescopeType = *typeForRun;
    }
    const PersistentSettings& p = s.settings;
    out << "training: slewx = " << p.raPixelsPerSecond << ", slewy = " << p.decPixelsPerSecond
        << ", backlashx = " << p.raBacklash << ", backlashy = " << p.decBacklash << '\n';
    return true;
}

// Guiding on the camera's frames, a line for each and the run's RMS errors at the end.
int GuideOnCamera(Camera& camera, const GuideRequest& r, MountLink& mount, std::ostream& out) {
    GuideLines lines(out);
    TelescopeDialogServices& previous = TelescopeDialogs();
    SetTelescopeDialogs(&lines);
    bool guided = false;
    GuidingInfo info;
    {
        const LongOperation running(LongOperationKind::Guiding);
        CaptureGuideFrames frames(&camera, GuideFrameKind::Guiding);
        GuideRun run(frames, mount.Pulses());
        guided = run.Guide(static_cast<int>(r.frames));
        info = run.Info();
    }
    SetTelescopeDialogs(&previous);
    out << "rmsX: " << TwoDecimals(info.rmsXPx) << '\n'
        << "rmsY: " << TwoDecimals(info.rmsYPx) << '\n'
        << "rmsTotal: " << TwoDecimals(info.rmsTotalPx) << '\n';
    return guided && info.frames > 0 ? kExitSuccess : kExitFailure;
}

// typeForRun, when set, is the telescope type of this run (the simulated mount's).
int Guide(Camera& camera, const GuideRequest& r, std::optional<TelescopeType> typeForRun,
          MountLink& mount, std::ostream& out, std::ostream& err) {
    SessionState& s = Session();
    // The first frame finds the camera, which reloads the settings: the line is opened after.
    if (!TakeFirstFrame(camera)) return kExitFailure;
    const TelescopeType userType = s.settings.telescopeType;
    if (typeForRun) s.settings.telescopeType = *typeForRun;
    // The settings keep the user's own type whatever happens.
    struct TypeRestorer {
        TelescopeType type;
        ~TypeRestorer() { Session().settings.telescopeType = type; }
    } restorer{userType};
    if (mount.Type() == TelescopeType::None) {
        err << kProgramName << " guide: no telescope type is set (settings telescopeType)\n";
        return kExitFailure;
    }
    if (!mount.OpenForTelescopeType()) {
        err << kProgramName << " guide: " << mount.LastFailure().text() << '\n';
        return kExitFailure;
    }
    if (mount.Type() == TelescopeType::ControlBox) {
        (void)InitialiseControlBox(mount.Line());
    }

    if (!PickStarOnFirstFrame(r, out, err)) return kExitFailure;
    if (r.train && !TrainOnCamera(camera, mount, typeForRun, userType, out)) return kExitFailure;
    return GuideOnCamera(camera, r, mount, out);
}

}  // namespace

int RunGuideCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    GuideRequest request;
    if (const auto exit = ReadCommandLine(GuideTable(), args, request, out, err)) return *exit;
    if (CliSimulator()) request.simulator = true;
    if (!CliSerialOptions().mountLinkPath.empty() && !request.simulator) {
        return Usage(GuideTable(), err,
                     "--mount-link serves the simulated mount: it needs --simulator");
    }
    (void)LoadSettings();
    TextUiServices::CatchInterrupts();

    const CameraGlobalOptions& options = CameraOptions();
    std::unique_ptr<CameraTransport> device;
    if (request.simulator) {
        device = std::make_unique<SimulatedCamera>(SimulatorSky());
    } else {
        device = std::make_unique<UsbCameraTransport>(options.camera);
    }
    CameraBackend backend(std::move(device), options.usbLog);
    if (!backend.LogOk()) {
        err << kProgramName << ": cannot open the USB log " << options.usbLog << '\n';
        return kExitFailure;
    }
    Camera camera(backend.Device());

    if (!request.simulator) {
        return Guide(camera, request, std::nullopt, *MakeCliMountLink(), out, err);
    }
    SimulatedMount mount(SimulatedPairMountConfig(), &SimulatorSky());
    if (Status opened = mount.OpenTerminal(); !opened.ok()) {
        err << kProgramName << " guide: cannot start the simulated mount: " << opened.text()
            << '\n';
        return kExitFailure;
    }
    // With --mount-link another program (an INDI driver) reaches the mount too; with --indi the
    // guide pulses go out through that server rather than down this program's own line.
    Status served;
    const std::unique_ptr<SimulatedMountLink> link = ServeMountLink(mount, served);
    if (!served.ok()) {
        err << kProgramName << " guide: " << served.text() << '\n';
        return kExitFailure;
    }
    const std::optional<TelescopeType> typeForRun =
        CliSerialOptions().indi ? std::nullopt : std::optional(TelescopeType::Lx200);
    return Guide(camera, request, typeForRun, *MakeCliMountLink(&mount), out, err);
}

}  // namespace vexa::cli
