// Long operations (a capture, the focus loop, guider training, guiding) pump window messages
// while they work, so a menu command chosen meanwhile would run nested inside them: an Open
// could replace the image while a readout lands in it. Each long operation marks itself for
// its lifetime with a LongOperation; the command dispatch refuses what must not run inside it.
#pragma once

#include <functional>

namespace vexa {

enum class LongOperationKind { None, Capture, FocusLoop, GuiderTraining, Guiding, BusyWait };

class LongOperation {
  public:
    explicit LongOperation(LongOperationKind kind);
    ~LongOperation();
    LongOperation(const LongOperation&) = delete;
    LongOperation& operator=(const LongOperation&) = delete;

  private:
    LongOperationKind outer_;
};

// The innermost long operation running now; None when there is none.
LongOperationKind RunningLongOperation();
inline bool LongOperationRunning() {
    return RunningLongOperation() != LongOperationKind::None;
}

// Told each time a long operation starts or ends, after RunningLongOperation has changed, so
// that a window can show at once which commands may run now. One listener at a time; an empty
// function removes it.
void SetLongOperationListener(std::function<void()> listener);

}  // namespace vexa
