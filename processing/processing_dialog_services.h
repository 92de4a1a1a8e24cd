// What the processing commands ask of the user interface: the contrast-stretch, filter and
// auto-processing dialogs and the modeless merge dialog. A front end implements it and
// installs it with SetProcessingDialogs; until one does, every dialog answers as cancelled.
#pragma once

namespace vexa {

class StretchDialogModel;
class PowerDialogModel;
class NonLinearDialogModel;
class AutoDialogModel;
class UnsharpDialogModel;
class MedianDialogModel;
class MergeDialogModel;

class ProcessingDialogServices {
  public:
    virtual ~ProcessingDialogServices() = default;

    // The contrast-stretch dialogs ("Normal Stretch", "Power Law Stretch", "Non-Linear
    // Stretch") and "Auto-Processing Choices": modal; true on OK (Save).
    virtual bool RunStretchDialog(StretchDialogModel&) { return false; }
    virtual bool RunPowerDialog(PowerDialogModel&) { return false; }
    virtual bool RunNonLinearDialog(NonLinearDialogModel&) { return false; }
    virtual bool RunAutoProcessingDialog(AutoDialogModel&) { return false; }
    // The filter parameter dialogs ("Unsharp Mask Filter", "Median Filter"): modal; true on OK.
    virtual bool RunUnsharpDialog(UnsharpDialogModel&) { return false; }
    virtual bool RunMedianDialog(MedianDialogModel&) { return false; }
    // The modeless "MERGE IMAGES" dialog: opened by the merge command and left open while the
    // user marks stars and opens the second image; the model outlives it. Close may be called
    // from inside the dialog's own button handler.
    virtual void OpenMergeDialog(MergeDialogModel&) {}
    virtual void CloseMergeDialog() {}
    // The merge dialog redraws its marks from the session record.
    virtual void MergeMarksChanged() {}
};

// The installed implementation (a front end's), else one that cancels everything.
ProcessingDialogServices& ProcessingDialogs();
void SetProcessingDialogs(ProcessingDialogServices* services);

}  // namespace vexa
