// Dark-frame subtraction and flat-field division: the arithmetic, the Merging menu's two
// commands (reference read into workImage) and the steps the capture sequence runs on each
// exposure (references kept in undoImage and flatReferenceImage).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "processing/filters.h"
#include "session/session_state.h"

namespace vexa {

constexpr int kFlatFirstColumn = 3;  // columns 0 to 2 are never divided
// The flat's reference window: rows 10 to 19, from column 5 over 500 (menu) or 600 (capture)
// columns.
constexpr int kFlatMeanFirstRow = 10;
constexpr int kFlatMeanRows = 10;
constexpr int kFlatMeanFirstColumn = 5;
constexpr int kMenuFlatMeanColumns = 500;
constexpr int kCaptureFlatMeanColumns = 600;
constexpr double kMenuFlatMeanScale = 0.0002;  // 1 / 5000 samples
constexpr double kCaptureFlatMeanSamples = 6000.0;
// Rows the flat field corrects: from 7 (11 on a labelled image) to the last row from the
// menu; from 2 to the last row but one in the capture path.
constexpr int kMenuFlatFirstRow = 7;
constexpr int kMenuFlatFirstRowLabelled = 11;
constexpr int kMenuFlatBarStart = 10;
constexpr int kCaptureFlatFirstRow = 2;

constexpr const char* kFlatProgressTitle = "FLAT FIELD PROGRESS";
constexpr const char* kDarkSubtractedLine = "Dark Frame Subtracted";
constexpr const char* kFlatAppliedLine = "Flat Field Applied";

// Results of the capture-path steps.
constexpr int kCaptureStepOk = 0;
constexpr int kCaptureFileNotOpened = 11;
constexpr int kCaptureFileWrongSize = 12;

// image = image - reference where the reference is below it, else 0, for count samples.
void SubtractSamples(uint16_t* image, const uint16_t* reference, size_t count);
// The same over the first sampleCount samples of the planes (the label band included).
void SubtractReference(Plane& image, const Plane& reference);

// One row of the flat-field division, columns 3 to width - 1, with v the image sample and f
// the flat sample as reals: r = v / f x mean (f not 0), v (f = 0, v not 0), mean (both 0);
// the sample becomes 65535 when r >= 65535, else trunc(r).
void DivideRowByFlat(uint16_t* imageRow, const uint16_t* flatRow, int width, double mean);
// The same for row `row` of the planes in the current geometry.
void DivideByFlatRow(Plane& image, const Plane& flat, double mean, int row);
// Sum of the flat's reference window (rows 10 to 19, `columns` columns from column 5).
int64_t FlatWindowSum(const uint16_t* flat, int width, int columns);
// Divide rows firstRow .. lastRow (inclusive) of image by the flat; beforeRow runs first for
// each row. A flat whose reference window averages 0 holds no level to normalise to: the image
// is then left as it is (as with a flat of zeros everywhere).
void DivideRowsByFlat(uint16_t* image, const uint16_t* flat, int width, double mean, int firstRow,
                      int lastRow, const RowCallback& beforeRow = {});

// "&Subtract Image (Dark Frame)" (menu 110) and "Apply &Flat Field" (menu 115): the choose
// dialog, the reference read into workImage (messages 11 and 16; a reference of the other
// geometry is refused with 16), the undo copy, the arithmetic with its history line, refresh.
void SubtractDarkFrame();
void ApplyFlatField();

// The capture path, on currentImage. When not yet loaded, the file is read whole into its
// plane (undoImage for the dark, flatReferenceImage for the flat): 11 when it cannot be opened
// or read, 12 when its size is not the current geometry's; the caller marks it loaded on 0.
// No undo copy, no progress window, no history line.
int CaptureDarkStep(bool loaded, const std::string& fileName);
int CaptureFlatStep(bool loaded, const std::string& fileName);

}  // namespace vexa
