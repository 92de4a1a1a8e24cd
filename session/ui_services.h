// What the core asks of the user interface: message boxes, the message pump, cursors, the
// view, and notices to open dialogs. The Qt window, the command line and the tests each
// provide one implementation; the core reaches the active one through Ui().
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "session/file_dialog_request.h"

namespace vexa {

class SettingsDialogModel;
class StretchPaletteDialogModel;
class StretchDialogModel;
class PowerDialogModel;
class NonLinearDialogModel;
class AutoDialogModel;
class UnsharpDialogModel;
class MedianDialogModel;
class MergeDialogModel;
class FitsDetailsDialogModel;
class PhotometryDialogModel;
class HistogramDialogModel;
class Plot3DDialogModel;
class RowDialogModel;
class LabelDialogModel;

enum class CursorKind { Arrow, Cross, Wait, UpArrow };

class UiServices {
  public:
    virtual ~UiServices() = default;

    // A modal message box with one OK button and no owner window; returns the box result.
    virtual int MessageBox(const std::string& caption, const std::string& text) = 0;

    // Remove and dispatch every pending window message. For each key press or mouse-button
    // press, onAbortInput runs before the message is dispatched. When nothing is pending, first
    // wait up to idleWaitMs for new input (dispatched as it comes), so that a long operation
    // built on passes of the pump sleeps between them instead of spinning.
    virtual void ProcessPendingEvents(const std::function<void()>& onAbortInput,
                                      uint32_t idleWaitMs) = 0;

    virtual void Beep() = 0;
    virtual void SetCursor(CursorKind kind) = 0;
    // Move the mouse pointer on screen by the given number of pixels.
    virtual void MovePointerBy(int dx, int dy) = 0;

    virtual void SetWindowTitle(const std::string& title) = 0;
    // Read the display bitmap file just written by the refresh and make it the view's bitmap.
    // False when the file cannot be read; the previous bitmap then stays.
    virtual bool LoadDisplayBitmap(const std::string& hostPath) = 0;
    // Recompute the scroll ranges from the display bitmap and client sizes, scroll to (0, 0).
    virtual void UpdateScrollBars() = 0;
    // Repaint the view, with or without erasing the background first.
    virtual void RepaintView(bool erase) = 0;

    // Close the main window (shut-down follows).
    virtual void RequestExit() = 0;

    // Modal dialogs: each renders and drives its core model; true when confirmed (OK).
    virtual bool RunSettingsDialog(SettingsDialogModel& model) = 0;
    virtual bool RunStretchPaletteDialog(StretchPaletteDialogModel& model) = 0;
    // "FITS DETAILS": the dialog shows and edits the model (the check boxes act through it at
    // once); true on Continue, false on Abort or close. The core then applies Continue.
    virtual bool RunFitsDetailsDialog(FitsDetailsDialogModel&) { return false; }

    // The system's file dialogs: the chosen file's full host path, or nothing on Cancel.
    virtual std::optional<std::string> OpenFileDialog(const FileDialogRequest&) {
        return std::nullopt;
    }
    virtual std::optional<std::string> SaveFileDialog(const FileDialogRequest&) {
        return std::nullopt;
    }
    // A confirmation such as "DELETE FILE DIALOG": true on OK.
    virtual bool RunConfirmDialog(const ConfirmDialogRequest&) { return false; }

    // The contrast-stretch dialogs ("Normal Stretch", "Power Law Stretch", "Non-Linear
    // Stretch") and "Auto-Processing Choices": modal; true on OK (Save).
    virtual bool RunStretchDialog(StretchDialogModel& /*model*/) { return false; }
    virtual bool RunPowerDialog(PowerDialogModel& /*model*/) { return false; }
    virtual bool RunNonLinearDialog(NonLinearDialogModel& /*model*/) { return false; }
    virtual bool RunAutoProcessingDialog(AutoDialogModel& /*model*/) { return false; }

    // The modeless "Filter Progress" window shown during long passes: a bar from 0 upwards
    // (the passes choose their own scale) under a title the pass may change.
    virtual void OpenProgressWindow() {}
    virtual void SetProgressTitle(const std::string& /*title*/) {}
    virtual void SetProgressPosition(int /*position*/) {}
    virtual void CloseProgressWindow() {}

    // The filter parameter dialogs ("Unsharp Mask Filter", "Median Filter"): modal; true on OK.
    virtual bool RunUnsharpDialog(UnsharpDialogModel& /*model*/) { return false; }
    virtual bool RunMedianDialog(MedianDialogModel& /*model*/) { return false; }
    // The modeless "MERGE IMAGES" dialog: opened by the merge command and left open while the
    // user marks stars and opens the second image; the model outlives it. Close may be called
    // from inside the dialog's own button handler.
    virtual void OpenMergeDialog(MergeDialogModel& /*model*/) {}
    virtual void CloseMergeDialog() {}

    // The modeless measuring dialogs: "PHOTOMETRY", "Histogram of Current Image", "3-D
    // Intensity Plot" and "INTENSITY PROFILE OF ONE ROW". Open shows the dialog for a model
    // that outlives it and returns false when it cannot be shown (the command then leaves its
    // mode again). Close removes the dialog without asking its model again; it may be called
    // from inside the dialog's own button handler.
    virtual bool OpenPhotometryDialog(PhotometryDialogModel& /*model*/) { return false; }
    virtual void ClosePhotometryDialog() {}
    virtual bool OpenHistogramDialog(HistogramDialogModel& /*model*/) { return false; }
    virtual void CloseHistogramDialog() {}
    virtual bool OpenPlot3DDialog(Plot3DDialogModel& /*model*/) { return false; }
    virtual void ClosePlot3DDialog() {}
    virtual bool OpenRowDialog(RowDialogModel& /*model*/) { return false; }
    virtual void CloseRowDialog() {}

    // "Label Current Image": modal; true on OK.
    virtual bool RunLabelDialog(LabelDialogModel& /*model*/) { return false; }
    // Put the view's bitmap with its colour table on the system clipboard; false when the
    // view holds no bitmap.
    virtual bool CopyViewToClipboard() { return false; }
    // Printing of a whole-image view bitmap file, and the printer set-up.
    enum class PrintStatus { Done, Cancelled, NoPrinter, UnreadableFile, Failed };
    virtual PrintStatus PrintBitmapFile(const std::string& /*hostPath*/) {
        return PrintStatus::NoPrinter;
    }
    virtual PrintStatus PrintSetup() { return PrintStatus::NoPrinter; }
    // Open the program's help pages at their contents; false when they cannot be opened.
    virtual bool ShowHelp() { return false; }
    // A message box owned by the main window with the stop icon; returns the box result.
    virtual int StopMessageBox(const std::string& caption, const std::string& text) {
        return MessageBox(caption, text);
    }
    // The modal about box "Help About Vexa_Q4_USB".
    virtual void RunAboutDialog() {}

    // Dialogs that show click results redraw from the session record.
    virtual void PhotometryChanged() {}
    virtual void RowPlotChanged() {}
    virtual void MergeMarksChanged() {}
};

// A user interface with no screen: every message box is answered OK unseen, every dialog is
// cancelled and every notice to the view is dropped. Front ends without a window start from
// it, and so do measurements that must time the core's work alone.
class QuietUi : public UiServices {
  public:
    int MessageBox(const std::string&, const std::string&) override { return 1; }
    // Nothing ever arrives: the pass sleeps out its idle wait.
    void ProcessPendingEvents(const std::function<void()>&, uint32_t idleWaitMs) override;
    void Beep() override {}
    void SetCursor(CursorKind) override {}
    void MovePointerBy(int, int) override {}
    void SetWindowTitle(const std::string&) override {}
    bool LoadDisplayBitmap(const std::string&) override { return true; }
    void UpdateScrollBars() override {}
    void RepaintView(bool) override {}
    void RequestExit() override {}
    bool RunSettingsDialog(SettingsDialogModel&) override { return false; }
    bool RunStretchPaletteDialog(StretchPaletteDialogModel&) override { return false; }
};

// The active user interface; set once at start-up (and by tests).
UiServices& Ui();
void SetUi(UiServices* ui);

}  // namespace vexa
