// The program's two clocks: the 32-bit millisecond clock that timed waits spin on (it wraps
// after about 49 days) and the calendar clock that stamps files. Tests and the simulator use
// VirtualClock, so long waits pass in no real time.
#pragma once

#include <cstdint>
#include <ctime>

namespace vexa {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual uint32_t Milliseconds() = 0;
    virtual std::time_t CalendarNow() = 0;
    // Let the given time pass without doing anything else: waits that must not dispatch
    // messages (an exposure of tenths of a second, a focus frame) pace their passes with it
    // instead of spinning the processor. The host clock sleeps; a virtual clock moves on.
    virtual void Pause(uint32_t ms) = 0;
};

// The host's clocks.
class SystemClock : public Clock {
  public:
    uint32_t Milliseconds() override;
    std::time_t CalendarNow() override;
    void Pause(uint32_t ms) override;
};

// A clock that moves only when told to; every reading may advance it by a fixed step, so
// that a spin-wait on it ends.
class VirtualClock : public Clock {
  public:
    uint32_t Milliseconds() override {
        uint32_t now = ms_;
        ms_ += stepPerReadingMs_;
        return now;
    }
    std::time_t CalendarNow() override { return calendar_ + static_cast<std::time_t>(ms_ / 1000); }
    void Pause(uint32_t ms) override { ms_ += ms; }
    void Advance(uint32_t ms) { ms_ += ms; }
    void SetMilliseconds(uint32_t ms) { ms_ = ms; }
    void SetCalendar(std::time_t t) { calendar_ = t; }
    void SetStepPerReading(uint32_t ms) { stepPerReadingMs_ = ms; }

  private:
    uint32_t ms_ = 0;
    uint32_t stepPerReadingMs_ = 0;
    std::time_t calendar_ = 0;
};

Clock& TheClock();
void SetClock(Clock* clock);

}  // namespace vexa
