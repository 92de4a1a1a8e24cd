#include "session/long_operation.h"

#include <gtest/gtest.h>

#include <vector>

namespace vexa {
namespace {

// The listener hears every start and end, nested ones included, with the running kind
// already changed; once removed it hears nothing.
TEST(LongOperationTest, ListenerHearsEveryStartAndEndAfterTheChange) {
    std::vector<LongOperationKind> heard;
    SetLongOperationListener([&heard] { heard.push_back(RunningLongOperation()); });
    {
        const LongOperation guiding(LongOperationKind::Guiding);
        const LongOperation capture(LongOperationKind::Capture);
    }
    SetLongOperationListener(nullptr);
    { const LongOperation focus(LongOperationKind::FocusLoop); }
    EXPECT_EQ(heard, (std::vector{LongOperationKind::Guiding, LongOperationKind::Capture,
                                  LongOperationKind::Guiding, LongOperationKind::None}));
    EXPECT_FALSE(LongOperationRunning());
}

}  // namespace
}  // namespace vexa
