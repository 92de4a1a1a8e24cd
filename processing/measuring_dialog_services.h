// What the measuring commands ask of the user interface: the modeless "PHOTOMETRY",
// "Histogram of Current Image", "3-D Intensity Plot" and "INTENSITY PROFILE OF ONE ROW"
// dialogs. A front end implements it and installs it with SetMeasuringDialogs; until one
// does, no dialog can be shown.
#pragma once

namespace vexa {

class PhotometryDialogModel;
class HistogramDialogModel;
class Plot3DDialogModel;
class RowDialogModel;

class MeasuringDialogServices {
  public:
    virtual ~MeasuringDialogServices() = default;

    // Open shows the dialog for a model that outlives it and returns false when it cannot be
    // shown (the command then leaves its mode again). Close removes the dialog without asking
    // its model again; it may be called from inside the dialog's own button handler.
    virtual bool OpenPhotometryDialog(PhotometryDialogModel&) { return false; }
    virtual void ClosePhotometryDialog() {}
    virtual bool OpenHistogramDialog(HistogramDialogModel&) { return false; }
    virtual void CloseHistogramDialog() {}
    virtual bool OpenPlot3DDialog(Plot3DDialogModel&) { return false; }
    virtual void ClosePlot3DDialog() {}
    virtual bool OpenRowDialog(RowDialogModel&) { return false; }
    virtual void CloseRowDialog() {}
    // Dialogs that show click results redraw from the session record.
    virtual void PhotometryChanged() {}
    virtual void RowPlotChanged() {}
    // The image changed: the open histogram, 3-D plot and row profile redraw from their
    // models, which have taken the new image.
    virtual void AnalysisImageChanged() {}
};

// The installed implementation (a front end's), else one that cancels everything.
MeasuringDialogServices& MeasuringDialogs();
void SetMeasuringDialogs(MeasuringDialogServices* services);

}  // namespace vexa
