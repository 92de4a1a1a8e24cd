// The menu's command dispatch and enablers. A command whose operation is not in this build
// yet stays greyed and does nothing; the parts that carry out the others are called here.
#include "app/command_dispatch.h"

#include "app/click_dispatch.h"
#include "app/session_state.h"
#include "app/settings_file.h"
#include "app/ui_services.h"
#include "app/view_commands.h"
#include "processing/undo_history.h"
#include "resources/command_table.h"

namespace vexa {

namespace {
constexpr char kNoTelescope = 'n';
}  // namespace

CommandStatus CommandRuleStatus(int32_t id) {
    const SessionState& s = Session();
    CommandStatus status{true, false};
    switch (id) {
        case cmd::kCopy:
            status.enabled = s.displayBitmapExists;
            break;
        case cmd::kStartAutoGuiding:
        case cmd::kTrainAutoGuiding:
        case cmd::kTelescopeControl:
            status.enabled = s.settings.telescopeType != kNoTelescope;
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
    switch (id) {
        case cmd::kSetProgramDefaults:
        case cmd::kPickGuideStar:
        case cmd::kFocusFrameCentre:
        case cmd::kDefaultFocusFrameCentre:
        case cmd::kExit:
        case cmd::kUndo:
        case cmd::kProcessingHistory:
        case cmd::kFitToWindow:
        case cmd::kCentreImage:
        case cmd::kFalseColour:
        case cmd::kAutoContrast:
        case cmd::kMaxPaletteStretch:
        case cmd::kMirrorImage:
            return true;
        default:
            return false;
    }
}

CommandStatus QueryCommand(int32_t id) {
    CommandStatus status = CommandRuleStatus(id);
    if (!CommandImplemented(id)) status.enabled = false;
    return status;
}

bool ExecuteCommand(int32_t id) {
    // A greyed item cannot be chosen, whether from the menu or by its accelerator.
    if (!QueryCommand(id).enabled) return false;
    switch (id) {
        case cmd::kSetProgramDefaults:
            CmdSetProgramDefaults();
            break;
        case cmd::kPickGuideStar:
            CmdPickGuideStar();
            break;
        case cmd::kFocusFrameCentre:
            CmdFocusFrameCentre();
            break;
        case cmd::kDefaultFocusFrameCentre:
            CmdDefaultFocusFrameCentre();
            break;
        case cmd::kExit:
            Ui().RequestExit();
            break;
        case cmd::kUndo:
            UndoLastFilter();
            break;
        case cmd::kProcessingHistory:
            ShowHistory();
            break;
        case cmd::kFitToWindow:
            CmdFitToWindow();
            break;
        case cmd::kCentreImage:
            CmdCentreImage();
            break;
        case cmd::kFalseColour:
            CmdFalseColour();
            break;
        case cmd::kAutoContrast:
            CmdAutoContrast();
            break;
        case cmd::kMaxPaletteStretch:
            CmdMaxPaletteStretch();
            break;
        case cmd::kMirrorImage:
            CmdMirrorImage();
            break;
        default:
            return false;
    }
    return true;
}

}  // namespace vexa
