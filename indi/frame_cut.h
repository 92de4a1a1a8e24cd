// The part of a readout an INDI client asked for. INDI gives the frame in sensor pixels
// whatever the binning; the camera reads the whole sensor, at full size or 2 x 2 binned, and
// the frame is cut out of that readout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vexa::indi {

struct FrameRequest {
    int x = 0;  // left column and top row in sensor pixels
    int y = 0;
    int width = 0;  // in sensor pixels
    int height = 0;
    int bin = 1;  // 1 or 2
    bool operator==(const FrameRequest&) const = default;
};

// Empty when the frame lies on the 1300 x 1030 sensor, holds at least one pixel at its binning
// and the binning is 1 or 2; else the driver's message saying what is wrong.
std::string FrameProblem(const FrameRequest& frame);

// The frame's size in image pixels: its sensor size divided by the binning, rounded down.
int CutWidth(const FrameRequest& frame);
int CutHeight(const FrameRequest& frame);
size_t CutBytes(const FrameRequest& frame);

// Copies the frame out of a readout at the frame's binning (rows of 1300 samples unbinned,
// 650 binned) into dest, CutBytes(frame) bytes of 16-bit samples in the host's byte order.
// The frame must be one FrameProblem accepts.
void CutFrame(const uint16_t* readout, const FrameRequest& frame, uint8_t* dest);

}  // namespace vexa::indi
