// The inner passes of the spatial filters, kept apart from the commands so that their fast
// paths (vectorised, chosen at run time for the processor) stay in one place.
#pragma once

#include <cstdint>

#include "processing/filters.h"

namespace vexa {

constexpr int kGradientBins = 4096;

// The median filter's power: tenths x 0.1 as a single-precision real.
inline float MedianPower(int powerTenths) {
    return static_cast<float>(powerTenths * 0.1);
}

// trunc(range x MedianPower(powerTenths)) by integer arithmetic (tenths 1 to 10), as the
// vector passes compute it.
uint16_t MedianLimit(uint16_t range, int powerTenths);

void ConvolveRows(const uint16_t* source, uint16_t* target, int width, int height, int firstRow,
                  int radius, const FilterKernel& kernel, int divisor,
                  const RowCallback& beforeRow);
void UnsharpRows(const uint16_t* source, uint16_t* target, int width, int height, int firstRow,
                 int radius, int power, const RowCallback& beforeRow);
void MedianRows(const uint16_t* source, uint16_t* target, int width, int height, int firstRow,
                int radius, int powerTenths, const RowCallback& beforeRow);
// Each corner's offset in samples: (level - the lowest of the four levels) x 16.
GradientLevels GradientOffsets(const GradientLevels& levels);

void GradientRows(uint16_t* image, int width, int height, int firstRow, float widthReal,
                  float heightReal, int32_t passCount, const GradientLevels& levels);

// The same passes written plainly, one window at a time: the fast paths must give exactly
// their results (the tests compare the two on random images).
void ConvolveRowsPlain(const uint16_t* source, uint16_t* target, int width, int height,
                       int firstRow, int radius, const FilterKernel& kernel, int divisor);
void MedianRowsPlain(const uint16_t* source, uint16_t* target, int width, int height, int firstRow,
                     int radius, int powerTenths);
// The running box sum as described: the sum of the first 2r + 1 columns, then one column added
// and one removed per step along the row.
void UnsharpRowsPlain(const uint16_t* source, uint16_t* target, int width, int height, int firstRow,
                      int radius, int power, const RowCallback& beforeRow = {});
void GradientRowsPlain(uint16_t* image, int width, int height, int firstRow, float widthReal,
                       float heightReal, int32_t passCount, const GradientLevels& levels);

}  // namespace vexa
