#include "processing/brightest_star.h"

#include <algorithm>

namespace vexa {

bool FindBrightestStar(const Plane& plane, int32_t width, int32_t height, int32_t margin,
                       PixelPoint& found) {
    const int32_t edge = std::max(margin, 1);
    if (width <= 2 * edge || height <= 2 * edge) return false;
    int64_t best = -1;
    for (int32_t y = edge; y < height - edge; ++y) {
        for (int32_t x = edge; x < width - edge; ++x) {
            int64_t sum = 0;
            for (int32_t dy = -1; dy <= 1; ++dy) {
                const uint16_t* row = plane.data() + static_cast<size_t>(y + dy) * width + x;
                sum += row[-1] + row[0] + row[1];
            }
            if (sum > best) {
                best = sum;
                found = {x, y};
            }
        }
    }
    return true;
}

}  // namespace vexa
