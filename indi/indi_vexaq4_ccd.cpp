// The driver program: libindidriver's main serves the one device, made here when the program
// starts.
#include <memory>

#include "indi/vexaq4_ccd.h"

namespace {
const std::unique_ptr<vexa::indi::VexaQ4Ccd> driver = std::make_unique<vexa::indi::VexaQ4Ccd>();
}  // namespace
