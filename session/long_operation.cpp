#include "session/long_operation.h"

namespace vexa {

namespace {
LongOperationKind running = LongOperationKind::None;
}  // namespace

LongOperation::LongOperation(LongOperationKind kind) : outer_(running) {
    running = kind;
}

LongOperation::~LongOperation() {
    running = outer_;
}

LongOperationKind RunningLongOperation() {
    return running;
}

}  // namespace vexa
