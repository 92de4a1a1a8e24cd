// The slot through which the core reaches a front end's implementation of one role (the
// dialogs of a subsystem): the implementation installed last, or a fallback that answers every
// request as cancelled until one is installed.
#pragma once

namespace vexa {

template <class Role, class Fallback = Role>
class RoleSlot {
  public:
    Role& Active() { return installed_ ? *installed_ : FallbackRole(); }
    // nullptr brings the fallback back.
    void Install(Role* role) { installed_ = role; }

  private:
    static Role& FallbackRole() {
        static Fallback fallback;
        return fallback;
    }

    Role* installed_ = nullptr;
};

}  // namespace vexa
