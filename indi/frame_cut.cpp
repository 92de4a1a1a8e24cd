#include "indi/frame_cut.h"

#include <cstring>

#include "session/session_state.h"

namespace vexa::indi {

std::string FrameProblem(const FrameRequest& f) {
    if (f.bin != 1 && f.bin != 2) {
        return "The camera bins 1 x 1 or 2 x 2 only, not " + std::to_string(f.bin) + ".";
    }
    const bool onSensor = f.x >= 0 && f.y >= 0 && f.width > 0 && f.height > 0 &&
                          f.x <= kFullWidth - f.width && f.y <= kFullHeight - f.height;
    if (!onSensor) {
        return "The frame " + std::to_string(f.width) + " x " + std::to_string(f.height) + " at " +
               std::to_string(f.x) + ", " + std::to_string(f.y) +
               " does not lie on the 1300 x 1030 sensor.";
    }
    if (CutWidth(f) == 0 || CutHeight(f) == 0) {
        return "The frame is smaller than one pixel at 2 x 2 binning.";
    }
    return {};
}

int CutWidth(const FrameRequest& f) {
    return f.width / f.bin;
}

int CutHeight(const FrameRequest& f) {
    return f.height / f.bin;
}

size_t CutBytes(const FrameRequest& f) {
    return static_cast<size_t>(CutWidth(f)) * static_cast<size_t>(CutHeight(f)) * sizeof(uint16_t);
}

void CutFrame(const uint16_t* readout, const FrameRequest& f, uint8_t* dest) {
    const size_t readoutWidth = static_cast<size_t>(kFullWidth / f.bin);
    const size_t rowBytes = static_cast<size_t>(CutWidth(f)) * sizeof(uint16_t);
    const uint16_t* source = readout + static_cast<size_t>(f.y / f.bin) * readoutWidth +
                             static_cast<size_t>(f.x / f.bin);
    for (int row = 0; row < CutHeight(f); ++row) {
        std::memcpy(dest, source, rowBytes);
        source += readoutWidth;
        dest += rowBytes;
    }
}

}  // namespace vexa::indi
