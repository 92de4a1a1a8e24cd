// The window's implementation of what the core asks of the user interface: message boxes,
// the message pump with its abort filter, cursors, the pointer, the view and the dialogs.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

#include "app/present_services.h"
#include "camera/camera_dialog_services.h"
#include "files/file_dialog_services.h"
#include "processing/measuring_dialog_services.h"
#include "processing/processing_dialog_services.h"
#include "session/ui_services.h"
#include "telescope/telescope_dialog_services.h"

class QWidget;
class QWindow;

namespace vexa {

class TVEXA_Q4Window;
class TProgressDialog;
class TMergeDialog;
class TPHDialog;
class THistDialog;
class TPlot3DDialog;
class TRowDialog;
class TGuideDialog;

class QtUiServices : public QObject,
                     public UiServices,
                     public FileDialogServices,
                     public ProcessingDialogServices,
                     public MeasuringDialogServices,
                     public PresentServices,
                     public CameraDialogServices,
                     public TelescopeDialogServices {
    Q_OBJECT
  public:
    // Replaces the modal message box, e.g. so that tests can record boxes instead of
    // waiting for a click; returns the box result.
    using MessageBoxHook = std::function<int(const std::string& caption, const std::string& text)>;

    QtUiServices();
    ~QtUiServices() override;

    // The view that the view services act on; the view registers itself while it exists.
    void AttachView(TVEXA_Q4Window* view);
    void DetachView(TVEXA_Q4Window* view);
    TVEXA_Q4Window* View() const { return view_; }

    void SetMessageBoxHook(MessageBoxHook hook) { messageBoxHook_ = std::move(hook); }

    int MessageBox(const std::string& caption, const std::string& text) override;
    void ProcessPendingEvents(const std::function<void()>& onAbortInput,
                              uint32_t idleWaitMs) override;
    void Beep() override;
    void SetCursor(CursorKind kind) override;
    void MovePointerBy(int dx, int dy) override;
    void SetWindowTitle(const std::string& title) override;
    bool LoadDisplayBitmap(const std::string& hostPath) override;
    void UpdateScrollBars() override;
    void RepaintView(bool erase) override;
    void RequestExit() override;
    bool RunSettingsDialog(SettingsDialogModel& model) override;
    bool RunStretchPaletteDialog(StretchPaletteDialogModel& model) override;

    // The File menu's dialogs (qt_file_dialog_services.cpp).
    bool RunFitsDetailsDialog(FitsDetailsDialogModel& model) override;
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
    bool RunConfirmDialog(const ConfirmDialogRequest& request) override;

    // The processing dialogs and the progress window (qt_processing_dialog_services.cpp).
    bool RunStretchDialog(StretchDialogModel& model) override;
    bool RunPowerDialog(PowerDialogModel& model) override;
    bool RunNonLinearDialog(NonLinearDialogModel& model) override;
    bool RunAutoProcessingDialog(AutoDialogModel& model) override;
    void OpenProgressWindow() override;
    void SetProgressTitle(const std::string& title) override;
    void SetProgressPosition(int position) override;
    void CloseProgressWindow() override;
    bool RunUnsharpDialog(UnsharpDialogModel& model) override;
    bool RunMedianDialog(MedianDialogModel& model) override;
    void OpenMergeDialog(MergeDialogModel& model) override;
    void CloseMergeDialog() override;
    void MergeMarksChanged() override;

    // Label, clipboard, printing, help and about (qt_present_services.cpp).
    bool RunLabelDialog(LabelDialogModel& model) override;
    bool CopyViewToClipboard() override;
    PrintStatus PrintBitmapFile(const std::string& hostPath) override;
    PrintStatus PrintSetup() override;
    bool ShowHelp() override;
    int StopMessageBox(const std::string& caption, const std::string& text) override;
    void RunAboutDialog() override;

    // The modeless measuring dialogs (qt_measure_dialog_services.cpp).
    bool OpenPhotometryDialog(PhotometryDialogModel& model) override;
    void ClosePhotometryDialog() override;
    bool OpenHistogramDialog(HistogramDialogModel& model) override;
    void CloseHistogramDialog() override;
    bool OpenPlot3DDialog(Plot3DDialogModel& model) override;
    void ClosePlot3DDialog() override;
    bool OpenRowDialog(RowDialogModel& model) override;
    void CloseRowDialog() override;
    void PhotometryChanged() override;
    void RowPlotChanged() override;
    void AnalysisImageChanged() override;

    // The camera control dialog (qt_camera_dialog_services.cpp).
    bool RunCameraDialog(CameraDialogModel& model) override;

    // The telescope dialogs (qt_telescope_dialog_services.cpp).
    void RunMoveTelescopeDialog(MoveTelescopeDialogModel& model) override;
    void RunControlBoxDialog(ControlBoxDialogModel& model) override;
    void OpenGuidingInfo() override;
    void ShowGuidingInfo(const GuidingInfo& info) override;
    void CloseGuidingInfo() override;
    // The open "Guiding Info" window, for tests; null while none is open.
    TGuideDialog* GuidingInfoDialog() const;
    // The figures of this guide run that "Guiding Info" last showed, kept after it closes.
    const GuidingInfo& ShownGuidingInfo() const { return shownGuidingInfo_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // True for a key press or a left or right button press seen for the first time: one
    // input reaches the filter once for its window and again for each widget that Qt hands
    // it on to, and must abort only once.
    bool IsNewAbortInput(QObject* watched, QEvent* event);
    QWidget* DialogParent() const;

    QPointer<TVEXA_Q4Window> view_;
    GuidingInfo shownGuidingInfo_;
    QPointer<TProgressDialog> progress_;
    QPointer<TMergeDialog> mergeDialog_;
    QPointer<TPHDialog> photometryDialog_;
    QPointer<THistDialog> histogramDialog_;
    QPointer<TPlot3DDialog> plot3DDialog_;
    QPointer<TRowDialog> rowDialog_;
    QPointer<TGuideDialog> guidingDialog_;
    MessageBoxHook messageBoxHook_;
    const std::function<void()>* abortCallback_ = nullptr;  // set while a pump runs
    bool waitCursorShown_ = false;

    // The last input counted as an abort, to recognise the same input handed on.
    QEvent::Type lastInputType_ = QEvent::None;
    quint64 lastInputTimestamp_ = 0;
    QPointer<QWindow> lastInputWindow_;
    QPointer<QWidget> lastInputWidget_;
};

}  // namespace vexa
