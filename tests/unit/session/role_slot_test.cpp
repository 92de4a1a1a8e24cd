#include "session/role_slot.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

struct Role {
    virtual ~Role() = default;
    virtual int Answer() { return 0; }
};
struct Installed : Role {
    int Answer() override { return 1; }
};
struct Cancelling : Role {
    int Answer() override { return -1; }
};

TEST(RoleSlotTest, TheInstalledRoleAnswersAndTheFallbackStandsInWithoutOne) {
    RoleSlot<Role, Cancelling> slot;
    Role& fallback = slot.Active();
    EXPECT_EQ(fallback.Answer(), -1);
    Installed installed;
    slot.Install(&installed);
    EXPECT_EQ(&slot.Active(), &installed);
    slot.Install(nullptr);
    // The same fallback every time: what it was told before is still there.
    EXPECT_EQ(&slot.Active(), &fallback);
    EXPECT_EQ(RoleSlot<Role>().Active().Answer(), 0);
}

}  // namespace
}  // namespace vexa
