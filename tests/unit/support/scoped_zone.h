// Running a test in a chosen time zone.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

namespace vexa::test {

// The process time zone for one test, restored afterwards.
class ScopedZone {
  public:
    explicit ScopedZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old, hadOld_ = true;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedZone() {
        if (hadOld_) {
            setenv("TZ", saved_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    std::string saved_;
    bool hadOld_ = false;
};

}  // namespace vexa::test
