// The simulated camera and mount of a --simulator run are one pair on one sky. This is the
// mount's side of the pair: the one configuration that the window, vexaq4-cli guide and their
// tests all build it with, so that the window's guiding is the guiding the tests check.
#pragma once

#include "simulator/simulated_mount.h"

namespace vexa {

// A training pulse (19 ms for one second of training time) moves the field this many pixels
// on either axis, so that training measures the rates the settings start with.
constexpr double kSimulatedPairPixelsPerTrainingPulse = 2.0;

// The pair's mount: it follows the line (LX200, or the control box at 300 baud), guides at the
// rate above, has no backlash, and sits so that the program's corrections move the star back
// without swapped directions: east moves the field right and north moves it down the frame.
MountConfig SimulatedPairMountConfig();

}  // namespace vexa
