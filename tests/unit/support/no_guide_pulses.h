// A mount that takes every guide pulse and does nothing, for guide runs whose pulses do not
// matter to the test.
#pragma once

#include "telescope/guide_pulses.h"

namespace vexa::test {

class NoGuidePulses : public GuidePulses {
  public:
    Status Pulse(char, uint32_t) override { return Status::Ok(); }
};

}  // namespace vexa::test
