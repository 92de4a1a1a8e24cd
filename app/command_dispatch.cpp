// The menu's command dispatch and enablers. A command whose operation is not in this build
// yet stays greyed and does nothing; the parts that carry out the others are called here.
#include "app/command_dispatch.h"

#include <optional>
#include "app/click_dispatch.h"
#include "app/label.h"
#include "app/present_commands.h"
#include "app/view_commands.h"
#include "camera/capture_sequence.h"
#include "session/long_operation.h"
#include "session/message_catalogue.h"
#include "session/session_state.h"
#include "session/settings_file.h"
#include "session/ui_services.h"

#include "files/file_commands.h"
#include "processing/analysis_displays.h"
#include "processing/auto_processing.h"
#include "processing/calibration.h"
#include "processing/filter_commands.h"
#include "processing/merge.h"
#include "processing/photometry.h"
#include "processing/stretch_commands.h"
#include "processing/undo_history.h"
#include "resources/command_table.h"
#include "telescope/guider.h"
#include "telescope/mount_link.h"
#include "telescope/telescope_command.h"

namespace vexa {

namespace {

void CmdExit() {
    Ui().RequestExit();
}

// The commands that use a device, given the front end's.
void RunCameraInterface(const FrontEndDevices& devices) {
    if (devices.camera == nullptr) {
        ShowMessage(MessageCode::CallerText, kNoCameraText);
        return;
    }
    CmdCameraInterface(*devices.camera);
}
void RunTelescopeControl(const FrontEndDevices& devices) {
    if (devices.mount) {
        CmdTelescopeControl(*devices.mount);
    } else {
        (void)ConnectTelescope(nullptr);  // a front end with no mount link: no connection
    }
}
void RunStartAutoGuiding(const FrontEndDevices& devices) {
    CmdStartAutoGuiding(devices.camera, devices.mount);
}
void RunTrainAutoGuiding(const FrontEndDevices& devices) {
    CmdTrainAutoGuiding(devices.camera, devices.mount);
}

struct CommandHandler {
    int32_t id;
    void (*run)() = nullptr;
    void (*runWithDevices)(const FrontEndDevices&) = nullptr;
};

// Every command this build carries out, by id.
constexpr CommandHandler kHandlers[] = {
    {cmd::kOpen, CmdOpen},
    {cmd::kSave, CmdSave},
    {cmd::kSaveTiff, CmdSaveTiff},
    {cmd::kSaveFits, CmdSaveFits},
    {cmd::kQuickSave, CmdQuickSave},
    {cmd::kLoadNextAutosaved, CmdLoadNextAutosaved},
    {cmd::kDeleteFile, CmdDeleteFile},
    {cmd::kEditAutosaveFitsText, CmdEditAutosaveFitsText},
    {cmd::kSelectDarkFrame, CmdSelectDarkFrame},
    {cmd::kSelectFlatField, CmdSelectFlatField},
    {cmd::kSetProgramDefaults, CmdSetProgramDefaults},
    {cmd::kCameraInterface, nullptr, RunCameraInterface},
    {cmd::kPickGuideStar, CmdPickGuideStar},
    {cmd::kFocusFrameCentre, CmdFocusFrameCentre},
    {cmd::kDefaultFocusFrameCentre, CmdDefaultFocusFrameCentre},
    {cmd::kExit, CmdExit},
    {cmd::kUndo, UndoLastFilter},
    {cmd::kFitToWindow, CmdFitToWindow},
    {cmd::kCentreImage, CmdCentreImage},
    {cmd::kFalseColour, CmdFalseColour},
    {cmd::kAutoContrast, CmdAutoContrast},
    {cmd::kMaxPaletteStretch, CmdMaxPaletteStretch},
    {cmd::kMirrorImage, CmdMirrorImage},
    {cmd::kProcessingHistory, ShowHistory},
    {cmd::kFitsDetails, CmdShowFitsDetails},
    {cmd::kSetAutoProcessing, CmdSetAutoProcessing},
    {cmd::kNormalStretch, NormalStretch},
    {cmd::kPowerLawStretch, PowerLawStretch},
    {cmd::kSineLawStretch, SineStretch},
    {cmd::kRemoveBackground, RemoveBackground},
    {cmd::kNonLinearStretch, NonLinearStretch},
    {cmd::kLogStretch, LogStretch},
    {cmd::kAntilogStretch, AntilogStretch},
    {cmd::kInvert, InvertStretch},
    {cmd::kLabel, CmdLabel},
    {cmd::kCopy, CmdCopy},
    {cmd::kPrint, CmdPrint},
    {cmd::kPrintSetup, CmdPrintSetup},
    {cmd::kHelp, CmdHelp},
    {cmd::kAbout, CmdAbout},
    {cmd::kPhotometry, CmdPhotometry},
    {cmd::kHistogram, CmdHistogram},
    {cmd::kIntensityPlot3D, CmdIntensityPlot3D},
    {cmd::kRowPlot, CmdRowPlot},
    {cmd::kUnsharp, CmdUnsharpMask},
    {cmd::kHighPassLow, CmdHighPassLowPower},
    {cmd::kHighPassHigh, CmdHighPassHighPower},
    {cmd::kSmootherSharper, CmdSmootherSharper},
    {cmd::kMedian, CmdMedianFilter},
    {cmd::kGaussian, CmdGaussianSmoother},
    {cmd::kLowPass, CmdLowPassSmoother},
    {cmd::kBasRelief, CmdBasRelief},
    {cmd::kGradient, CmdGradientFilter},
    {cmd::kSubtractDark, SubtractDarkFrame},
    {cmd::kFlatField, ApplyFlatField},
    {cmd::kMerge, StartMerge},
    {cmd::kTelescopeControl, nullptr, RunTelescopeControl},
    {cmd::kStartAutoGuiding, nullptr, RunStartAutoGuiding},
    {cmd::kTrainAutoGuiding, nullptr, RunTrainAutoGuiding},
};

const CommandHandler* HandlerOf(int32_t id) {
    for (const CommandHandler& h : kHandlers) {
        if (h.id == id) return &h;
    }
    return nullptr;
}
}  // namespace

CommandStatus CommandRuleStatus(int32_t id, const MountLink* mount) {
    const SessionState& s = Session();
    CommandStatus status{true, false};
    switch (id) {
        case cmd::kCopy:
            status.enabled = s.displayBitmapExists;
            break;
        case cmd::kStartAutoGuiding:
        case cmd::kTrainAutoGuiding:
        case cmd::kTelescopeControl:
            status.enabled = TelescopeTypeOf(mount) != TelescopeType::None;
            break;
        case cmd::kFitToWindow:
            status.checked = s.fitToWindow;
            break;
        case cmd::kCentreImage:
            status.checked = s.centreImage;
            break;
        case cmd::kFalseColour:
            status.checked = s.falseColour;
            break;
        case cmd::kAutoContrast:
            status.checked = s.autoContrast;
            break;
        default:
            break;
    }
    return status;
}

bool CommandImplemented(int32_t id) {
    return HandlerOf(id) != nullptr;
}

bool CommandRunsDuring(int32_t id, LongOperationKind running) {
    switch (id) {
        // The view, the history, the clipboard and the help change no image and start
        // nothing long: they may run while a long operation pumps messages.
        case cmd::kFitToWindow:
        case cmd::kCentreImage:
        case cmd::kFalseColour:
        case cmd::kAutoContrast:
        case cmd::kMaxPaletteStretch:
        case cmd::kProcessingHistory:
        case cmd::kCopy:
        case cmd::kHelp:
        case cmd::kAbout:
            return true;
        // Exit is never greyed: the window's close stops the running operation first.
        case cmd::kExit:
            return true;
        // Guiding takes its frames through the capture command.
        case cmd::kCameraInterface:
            return running == LongOperationKind::None || running == LongOperationKind::Guiding;
        default:
            return running == LongOperationKind::None;
    }
}

CommandStatus QueryCommand(int32_t id, const MountLink* mount) {
    CommandStatus status = CommandRuleStatus(id, mount);
    if (!CommandImplemented(id) || !CommandRunsDuring(id, RunningLongOperation())) {
        status.enabled = false;
    }
    return status;
}

bool ExecuteCommand(int32_t id, const FrontEndDevices& devices) {
    if (!CommandRunsDuring(id, RunningLongOperation())) {
        // Chosen by its accelerator while a long operation runs: refused, not nested.
        Ui().Beep();
        return false;
    }
    // A greyed item cannot be chosen, whether from the menu or by its accelerator.
    if (!QueryCommand(id, devices.mount).enabled) return false;
    const CommandHandler& handler = *HandlerOf(id);
    if (handler.runWithDevices != nullptr) {
        handler.runWithDevices(devices);
    } else {
        handler.run();
    }
    return true;
}

void CmdOpen() {
    const std::optional<std::string> bare = RunOpenDialog();
    if (!bare) return;
    if (Session().mergingMode) PrepareMergeSecondImage();
    OpenChosenImage(*bare);
}

}  // namespace vexa
