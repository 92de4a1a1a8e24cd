#include "session/long_operation.h"

#include <utility>

namespace vexa {

namespace {
LongOperationKind running = LongOperationKind::None;
std::function<void()> listener;

void Changed() {
    if (listener) listener();
}
}  // namespace

LongOperation::LongOperation(LongOperationKind kind) : outer_(running) {
    running = kind;
    Changed();
}

LongOperation::~LongOperation() {
    running = outer_;
    Changed();
}

LongOperationKind RunningLongOperation() {
    return running;
}

void SetLongOperationListener(std::function<void()> newListener) {
    listener = std::move(newListener);
}

}  // namespace vexa
