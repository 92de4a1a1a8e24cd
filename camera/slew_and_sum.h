// Slew-and-sum: several exposures added into one with the telescope's drift taken out, either
// by following a star with the centre finder (the sum follows the star) or by matching
// intensity profiles of a fixed region (the sum stays at the first frame's position). Each
// runs once per exposure on the new frame in currentImage; workImage holds the running sum.
#pragma once

#include <cstdint>

namespace vexa {

constexpr int kSlewSummed = 0;
constexpr int kSlewStarLost = 1;        // the sum so far is put back into currentImage
constexpr int kSlewNoSuitableStar = 2;  // no star to follow in the first frame

// The reference of the standard method (star position and peak) and the profiles of the
// alternative method are forgotten: the next frame starts a new sum.
void ClearDriftReference();

// The standard method. The first frame (no reference yet) starts the sum (divided by the
// number of exposures when averaging) and takes the star the centre finder last found (or
// was pointed at: a pick) as its reference, or, when the finder has found none yet, the
// brightest star of this frame; the reference is centred three times with the guide-star
// box. A first frame in which the finder cannot work gives kSlewNoSuitableStar. A later frame's
// star, centred once from the reference position, must keep its peak within 0.3 to 3 times the
// reference (else kSlewStarLost, as when the finder cannot work); the frame is then added onto the
// sum shifted by the star's movement, and becomes the new sum.
int StandardSlewAndSum();

// The alternative method: the background is the most populated 256-wide histogram bin b; the
// first frame needs a sample of at least 400 b in the 100 x 100 region at columns 200 to 299
// and rows o + 100 to o + 199 for o = 0, 10 or 20 (else kSlewNoSuitableStar). Row and column
// profiles of that region above 256 b + 1024, compared at shifts of -10 to +10 over their
// middle 80 entries, give each later frame's drift; a frame whose column comparisons at -1, 0
// and +1 add up to less than 5000 holds no star to match (kSlewStarLost). Each frame is added
// into the sum shifted back by the running drift, and the sum goes to currentImage.
int AlternativeSlewAndSum();

// ---- the alternative method's parts ----
constexpr int kProfileFirstColumn = 200;
constexpr int kProfileFirstRow = 100;
constexpr int kProfileMaxShift = 10;
constexpr int kProfileComparedEntries = 80;
constexpr int64_t kProfileStarThreshold = 5000;
// The most populated bin of a 256-bin histogram of count samples (the lowest bin on ties).
int BackgroundBin(const uint16_t* samples, int count);
// The shift of -10 to +10 at which `current` best matches `reference` (entries 10 to 89 of
// reference against current shifted), with the score of every shift.
int BestProfileShift(const int64_t* reference, const int64_t* current, int64_t* scores);

}  // namespace vexa
