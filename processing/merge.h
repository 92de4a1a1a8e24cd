// Merging two images on a marked star: "Merge two Images &together" with its modeless
// "MERGE IMAGES" dialog. workImage keeps the first image once the second has been opened;
// the merge adds or averages the second, shifted so that the two marks coincide.
#pragma once

#include <cstdint>
#include <string>

#include "session/session_state.h"

namespace vexa {

constexpr const char* kMergeDialogTitle = "MERGE IMAGES";
constexpr const char* kMergeColumnHeader = "x         y";
constexpr const char* kMergeOriginalRadio = "Original  Image";
constexpr const char* kMergeSecondRadio = "Merge Image";
constexpr const char* kMergeAverageBox = "Average";
constexpr const char* kMergeSuperimposeBox = "Superimpose";
constexpr const char* kMergeHelpCaption = "Vexa_Q4_USB - Control Merging";
constexpr const char* kMergeHelpText =
    "Mark the position in the displayed image by pressing the left Mouse button. Then load the "
    "image to be merged by using the File/Open Menu Option. Mark the position to be matched "
    "on, and press the MERGE button.\n\nCheck the Average box if you want an average rather "
    "than addition.\n\nIf you want to set x and y shift to zero select superimpose.";

// Merge the second image into the first, in place in `first`: for rows labelRows .. height - 1
// and every column, where labelRows < y + dy < height and 0 < x + dx < width, with f the second
// image's sample at (y + dy, x + dx) and g the first image's at (y, x): (f + g) >> 1 when
// averaging, else f + g limited to 65535. Every other sample keeps the first image's value.
void MergePlanes(const uint16_t* second, uint16_t* first, int width, int height, int labelRows,
                 int64_t dx, int64_t dy, bool average);

// The dialog's state and buttons. Every redraw shows the four marks, both check boxes and the
// radio button of the current phase; the radio buttons and edits are display-only.
class MergeDialogModel {
  public:
    explicit MergeDialogModel(SessionState& session = Session());

    std::string Title() const { return kMergeDialogTitle; }
    // Radio 101 while the first image is marked, radio 102 once the second is loaded.
    bool OriginalImageChecked() const { return !session_.mergeSecondPoint; }
    bool MergeImageChecked() const { return session_.mergeSecondPoint; }
    std::string X1Text() const { return std::to_string(session_.mergeX1); }
    std::string Y1Text() const { return std::to_string(session_.mergeY1); }
    std::string X2Text() const { return std::to_string(session_.mergeX2); }
    std::string Y2Text() const { return std::to_string(session_.mergeY2); }
    bool AverageChecked() const { return session_.mergeAverage; }
    bool SuperimposeChecked() const { return session_.mergeSuperimpose; }

    void ToggleAverage();
    void ToggleSuperimpose();
    // "Merge": ignored (false) until the second image has been opened; otherwise the merge
    // runs and the dialog closes.
    bool Merge();
    // "Cancel" (also the dialog's close box): leave merging with both images unchanged.
    void Cancel();

    std::string HelpCaption() const { return kMergeHelpCaption; }
    std::string HelpText() const { return kMergeHelpText; }
    void ShowHelp() const;

  private:
    SessionState& session_;
};

// The one merge dialog model of the session (the dialog is modeless and outlives commands).
MergeDialogModel& TheMergeDialog();

// "Merge two Images &together" (menu 111): refuses with 35 while photometry or the row plot
// runs, 30 with fit-to-window or centring on, 31 when already merging; otherwise resets the
// marks and flags, enters merging mode and opens the dialog.
void StartMerge();

// "&Open..." while merging, before the file is loaded: the clicks from now on mark the second
// image, and currentImage (the first image) is kept in workImage.
void PrepareMergeSecondImage();

// The "Merge" button: false (nothing done) before the second image was opened. A second image
// of the other geometry cannot be laid over the first: message 30, and the dialog stays open.
bool MergeImages();
// The "Cancel" button.
void CancelMerge();

}  // namespace vexa
