// The images the benchmarks work on, and putting one into the session as a Full image.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "session/session_state.h"

namespace vexa::bench {

// Gaussian sky noise of the given level and spread over a whole Full plane, held to 16 bits.
inline std::vector<uint16_t> NoisySky(uint32_t seed, double level, double spread) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(level, spread);
    std::vector<uint16_t> samples(kFullSampleCount);
    for (uint16_t& v : samples) v = static_cast<uint16_t>(std::clamp(noise(random), 0.0, 65535.0));
    return samples;
}

// The session in the Full geometry with the samples in currentImage.
inline void LoadFullImage(const std::vector<uint16_t>& samples) {
    SessionState& s = Session();
    s.geometryMode = 0;
    ApplyGeometry();
    std::copy(samples.begin(), samples.end(), s.currentImage.begin());
}

}  // namespace vexa::bench
