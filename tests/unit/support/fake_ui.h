// A scriptable user interface for core tests: records every message box, cursor, title and
// pointer move, and plays back queued input events when the core pumps messages.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/present_services.h"
#include "camera/camera_dialog_services.h"
#include "files/file_dialog_services.h"
#include "processing/measuring_dialog_services.h"
#include "processing/processing_dialog_services.h"
#include "session/clock.h"
#include "session/session_state.h"
#include "session/ui_services.h"
#include "telescope/telescope_dialog_services.h"

namespace vexa::test {

struct ShownMessage {
    std::string caption;
    std::string text;
};

enum class FakeEvent { KeyPress, LeftPress, RightPress, Other };

class FakeUi : public UiServices,
               public FileDialogServices,
               public ProcessingDialogServices,
               public MeasuringDialogServices,
               public PresentServices,
               public CameraDialogServices,
               public TelescopeDialogServices {
  public:
    std::vector<ShownMessage> messages;
    std::vector<CursorKind> cursors;
    std::vector<std::pair<int, int>> pointerMoves;
    std::vector<std::string> titles;
    std::vector<std::string> loadedBitmaps;
    std::deque<FakeEvent> pendingEvents;
    std::vector<FakeEvent> dispatched;
    int beeps = 0;
    int scrollBarUpdates = 0;
    int repaints = 0;
    int photometryRedraws = 0;
    int rowPlotRedraws = 0;
    int analysisImageChanges = 0;
    int mergeRedraws = 0;
    bool bitmapLoadSucceeds = true;
    std::function<void()> onDispatch;  // runs for each dispatched event
    int exitRequests = 0;
    int progressOpened = 0;
    int progressClosed = 0;
    bool progressOpen = false;
    std::vector<std::string> progressTitles;
    std::vector<int> progressPositions;
    // What the modal dialogs do when the core opens them; unset means Cancel at once.
    std::function<bool(SettingsDialogModel&)> settingsDialog;
    std::function<bool(StretchPaletteDialogModel&)> stretchPaletteDialog;
    // The modeless measuring dialogs: the open dialog's model (null while closed), how often
    // each was opened and closed, and whether opening succeeds.
    bool measureDialogsOpen = true;
    PhotometryDialogModel* openPhotometryDialog = nullptr;
    HistogramDialogModel* openHistogramDialog = nullptr;
    Plot3DDialogModel* openPlot3DDialog = nullptr;
    RowDialogModel* openRowDialog = nullptr;
    int photometryDialogsOpened = 0, photometryDialogsClosed = 0;
    int histogramDialogsOpened = 0, histogramDialogsClosed = 0;
    int plot3DDialogsOpened = 0, plot3DDialogsClosed = 0;
    int rowDialogsOpened = 0, rowDialogsClosed = 0;
    std::function<bool(LabelDialogModel&)> labelDialog;
    // Clipboard, printing, help and about: what they answer and what they were asked.
    bool clipboardCopySucceeds = true;
    int clipboardCopies = 0;
    PrintStatus printStatus = PrintStatus::Done;
    PrintStatus printSetupStatus = PrintStatus::Done;
    std::vector<std::string> printedFiles;
    int printSetups = 0;
    bool helpOpens = true;
    int helpRequests = 0;
    int stopBoxes = 0;  // boxes with the stop icon (also recorded in messages)
    int aboutBoxes = 0;
    std::function<bool(StretchDialogModel&)> stretchDialog;
    std::function<bool(PowerDialogModel&)> powerDialog;
    std::function<bool(NonLinearDialogModel&)> nonLinearDialog;
    std::function<bool(AutoDialogModel&)> autoProcessingDialog;
    std::function<bool(UnsharpDialogModel&)> unsharpDialog;
    std::function<bool(MedianDialogModel&)> medianDialog;
    std::function<void(MergeDialogModel&)> mergeDialogOpened;  // runs when the dialog opens
    MergeDialogModel* openMergeDialog = nullptr;               // the open merge dialog's model
    int mergeDialogsOpened = 0;
    int mergeDialogsClosed = 0;
    std::function<bool(FitsDetailsDialogModel&)> fitsDetailsDialog;
    // File dialogs answer with a host path, or nothing for Cancel; every request is kept.
    std::function<std::optional<std::string>(const FileDialogRequest&)> openFileDialog;
    std::function<std::optional<std::string>(const FileDialogRequest&)> saveFileDialog;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;
    std::function<bool(const ConfirmDialogRequest&)> confirmDialog;
    std::vector<ConfirmDialogRequest> confirmRequests;
    // The telescope dialogs: what the user does in them before "Finished" (nothing if unset).
    std::function<void(MoveTelescopeDialogModel&)> moveTelescopeDialog;
    std::function<void(ControlBoxDialogModel&)> controlBoxDialog;
    int moveTelescopeDialogs = 0;
    // "Guiding Info": how often it opened and closed, and every set of figures it showed.
    int guidingInfoOpened = 0;
    int guidingInfoClosed = 0;
    std::vector<GuidingInfo> guidingInfos;
    int controlBoxDialogs = 0;

    int MessageBox(const std::string& caption, const std::string& text) override {
        messages.push_back({caption, text});
        return 1;
    }
    // The clock an idle pass moves on by its wait, as time passes while a real pump sleeps;
    // every idle wait asked for is kept.
    VirtualClock* idleClock = nullptr;
    std::vector<uint32_t> idleWaits;
    void ProcessPendingEvents(const std::function<void()>& onAbortInput,
                              uint32_t idleWaitMs) override {
        if (pendingEvents.empty()) {
            idleWaits.push_back(idleWaitMs);
            if (idleClock) idleClock->Advance(idleWaitMs);
        }
        while (!pendingEvents.empty()) {
            FakeEvent e = pendingEvents.front();
            pendingEvents.pop_front();
            if (e != FakeEvent::Other) onAbortInput();
            dispatched.push_back(e);
            if (onDispatch) onDispatch();
        }
    }
    void Beep() override { ++beeps; }
    void SetCursor(CursorKind kind) override { cursors.push_back(kind); }
    void MovePointerBy(int dx, int dy) override { pointerMoves.emplace_back(dx, dy); }
    void SetWindowTitle(const std::string& title) override { titles.push_back(title); }
    bool LoadDisplayBitmap(const std::string& hostPath) override {
        loadedBitmaps.push_back(hostPath);
        return bitmapLoadSucceeds;
    }
    void UpdateScrollBars() override { ++scrollBarUpdates; }
    void RepaintView(bool) override { ++repaints; }
    void RequestExit() override { ++exitRequests; }
    bool RunSettingsDialog(SettingsDialogModel& model) override {
        return settingsDialog ? settingsDialog(model) : false;
    }
    bool RunStretchPaletteDialog(StretchPaletteDialogModel& model) override {
        return stretchPaletteDialog ? stretchPaletteDialog(model) : false;
    }
    bool RunFitsDetailsDialog(FitsDetailsDialogModel& model) override {
        return fitsDetailsDialog ? fitsDetailsDialog(model) : false;
    }
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override {
        openRequests.push_back(request);
        return openFileDialog ? openFileDialog(request) : std::nullopt;
    }
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override {
        saveRequests.push_back(request);
        return saveFileDialog ? saveFileDialog(request) : std::nullopt;
    }
    bool RunConfirmDialog(const ConfirmDialogRequest& request) override {
        confirmRequests.push_back(request);
        return confirmDialog ? confirmDialog(request) : false;
    }
    bool RunStretchDialog(StretchDialogModel& model) override {
        return stretchDialog ? stretchDialog(model) : false;
    }
    bool RunPowerDialog(PowerDialogModel& model) override {
        return powerDialog ? powerDialog(model) : false;
    }
    bool RunNonLinearDialog(NonLinearDialogModel& model) override {
        return nonLinearDialog ? nonLinearDialog(model) : false;
    }
    bool RunAutoProcessingDialog(AutoDialogModel& model) override {
        return autoProcessingDialog ? autoProcessingDialog(model) : false;
    }
    void OpenProgressWindow() override {
        ++progressOpened;
        progressOpen = true;
    }
    std::function<void(const std::string&)> onProgressTitle;  // runs for each new title
    void SetProgressTitle(const std::string& title) override {
        progressTitles.push_back(title);
        if (onProgressTitle) onProgressTitle(title);
    }
    void SetProgressPosition(int position) override { progressPositions.push_back(position); }
    void CloseProgressWindow() override {
        ++progressClosed;
        progressOpen = false;
    }
    bool RunUnsharpDialog(UnsharpDialogModel& model) override {
        return unsharpDialog ? unsharpDialog(model) : false;
    }
    bool RunMedianDialog(MedianDialogModel& model) override {
        return medianDialog ? medianDialog(model) : false;
    }
    void OpenMergeDialog(MergeDialogModel& model) override {
        ++mergeDialogsOpened;
        openMergeDialog = &model;
        if (mergeDialogOpened) mergeDialogOpened(model);
    }
    void CloseMergeDialog() override {
        ++mergeDialogsClosed;
        openMergeDialog = nullptr;
    }
    bool RunLabelDialog(LabelDialogModel& model) override {
        return labelDialog ? labelDialog(model) : false;
    }
    bool CopyViewToClipboard() override {
        ++clipboardCopies;
        return clipboardCopySucceeds;
    }
    PrintStatus PrintBitmapFile(const std::string& hostPath) override {
        printedFiles.push_back(hostPath);
        return printStatus;
    }
    PrintStatus PrintSetup() override {
        ++printSetups;
        return printSetupStatus;
    }
    bool ShowHelp() override {
        ++helpRequests;
        return helpOpens;
    }
    int StopMessageBox(const std::string& caption, const std::string& text) override {
        ++stopBoxes;
        return MessageBox(caption, text);
    }
    void RunAboutDialog() override { ++aboutBoxes; }
    bool OpenPhotometryDialog(PhotometryDialogModel& model) override {
        ++photometryDialogsOpened;
        if (measureDialogsOpen) openPhotometryDialog = &model;
        return measureDialogsOpen;
    }
    void ClosePhotometryDialog() override {
        ++photometryDialogsClosed;
        openPhotometryDialog = nullptr;
    }
    bool OpenHistogramDialog(HistogramDialogModel& model) override {
        ++histogramDialogsOpened;
        if (measureDialogsOpen) openHistogramDialog = &model;
        return measureDialogsOpen;
    }
    void CloseHistogramDialog() override {
        ++histogramDialogsClosed;
        openHistogramDialog = nullptr;
    }
    bool OpenPlot3DDialog(Plot3DDialogModel& model) override {
        ++plot3DDialogsOpened;
        if (measureDialogsOpen) openPlot3DDialog = &model;
        return measureDialogsOpen;
    }
    void ClosePlot3DDialog() override {
        ++plot3DDialogsClosed;
        openPlot3DDialog = nullptr;
    }
    bool OpenRowDialog(RowDialogModel& model) override {
        ++rowDialogsOpened;
        if (measureDialogsOpen) openRowDialog = &model;
        return measureDialogsOpen;
    }
    void CloseRowDialog() override {
        ++rowDialogsClosed;
        openRowDialog = nullptr;
    }
    void PhotometryChanged() override { ++photometryRedraws; }
    void RowPlotChanged() override { ++rowPlotRedraws; }
    void AnalysisImageChanged() override { ++analysisImageChanges; }
    void MergeMarksChanged() override { ++mergeRedraws; }

    // The camera control dialog: what it does when shown (unset: Cancel at once), and every
    // frame the capture finished.
    std::function<bool(CameraDialogModel&)> cameraDialog;
    int cameraDialogsShown = 0;
    std::vector<FinishedFrame> finishedFrames;
    std::function<void(const FinishedFrame&)> onFrameFinished;
    bool RunCameraDialog(CameraDialogModel& model) override {
        ++cameraDialogsShown;
        return cameraDialog ? cameraDialog(model) : false;
    }
    void CaptureFrameFinished(const FinishedFrame& frame) override {
        finishedFrames.push_back(frame);
        if (onFrameFinished) onFrameFinished(frame);
    }
    void RunMoveTelescopeDialog(MoveTelescopeDialogModel& model) override {
        ++moveTelescopeDialogs;
        if (moveTelescopeDialog) moveTelescopeDialog(model);
    }
    void OpenGuidingInfo() override { ++guidingInfoOpened; }
    void ShowGuidingInfo(const GuidingInfo& info) override { guidingInfos.push_back(info); }
    void CloseGuidingInfo() override { ++guidingInfoClosed; }
    void RunControlBoxDialog(ControlBoxDialogModel& model) override {
        ++controlBoxDialogs;
        if (controlBoxDialog) controlBoxDialog(model);
    }

    const std::string& LastText() const {
        static const std::string none;
        return messages.empty() ? none : messages.back().text;
    }
};

// Installs a fresh FakeUi and VirtualClock and resets the session record to its start-up
// state, with a private drive root; restores the previous services afterwards.
class SessionFixture {
  public:
    SessionFixture();
    ~SessionFixture();
    FakeUi ui;
    VirtualClock clock;
    std::string root;  // host folder standing for drive c:
};

}  // namespace vexa::test
