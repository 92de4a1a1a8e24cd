#include "indi/frame_cut.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "session/session_state.h"

namespace vexa::indi {
namespace {

TEST(FrameCut, AcceptsFramesOnTheSensorAtBinningOneOrTwoOnly) {
    struct Case {
        FrameRequest frame;
        const char* problem;  // the start of the message; empty when accepted
    } cases[] = {
        {{0, 0, 1300, 1030, 1}, ""},
        {{0, 0, 1300, 1030, 2}, ""},
        {{0, 0, 1300, 1030, 3}, "The camera bins 1 x 1 or 2 x 2 only, not 3."},
        {{1, 0, 1300, 1030, 1}, "The frame 1300 x 1030 at 1, 0 does not lie on"},
        {{-2, 0, 100, 100, 1}, "The frame 100 x 100 at -2, 0 does not lie on"},
        {{10, 10, 1, 9, 2}, "The frame is smaller than one pixel at 2 x 2 binning."},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(FrameProblem(c.frame).starts_with(c.problem))
            << FrameProblem(c.frame) << " / " << c.problem;
        EXPECT_EQ(FrameProblem(c.frame).empty(), *c.problem == '\0') << c.problem;
    }
}

// Each readout sample tells the row and column it came from.
uint16_t At(int row, int column) {
    return static_cast<uint16_t>(row * 97 + column);
}

TEST(FrameCut, CutsTheFrameOutOfTheReadoutAtItsBinning) {
    struct Case {
        FrameRequest frame;
        int width, height;
        int firstRow, firstColumn;  // in the readout
    } cases[] = {
        {{0, 0, 1300, 1030, 2}, 650, 515, 0, 0},
        {{100, 50, 301, 201, 1}, 301, 201, 50, 100},
        {{101, 51, 301, 201, 2}, 150, 100, 25, 50},
        {{999, 729, 301, 301, 2}, 150, 150, 364, 499},
    };
    std::vector<uint16_t> readout(kFullWidth * kFullHeight);
    for (const Case& c : cases) {
        const int readoutWidth = kFullWidth / c.frame.bin;
        for (size_t i = 0; i < readout.size(); ++i) {
            readout[i] = At(static_cast<int>(i) / readoutWidth, static_cast<int>(i) % readoutWidth);
        }
        ASSERT_EQ(CutWidth(c.frame), c.width);
        ASSERT_EQ(CutHeight(c.frame), c.height);
        std::vector<uint8_t> bytes(CutBytes(c.frame));
        ASSERT_EQ(bytes.size(), static_cast<size_t>(c.width * c.height * 2));
        CutFrame(readout.data(), c.frame, bytes.data());
        std::vector<uint16_t> cut(bytes.size() / 2);
        std::memcpy(cut.data(), bytes.data(), bytes.size());
        for (const auto& [row, column] : {std::pair{0, 0}, {c.height - 1, c.width - 1}}) {
            EXPECT_EQ(cut[static_cast<size_t>(row * c.width + column)],
                      At(c.firstRow + row, c.firstColumn + column))
                << c.width << "x" << c.height << " at " << row << "," << column;
        }
    }
}

}  // namespace
}  // namespace vexa::indi
