#include "ui/posted_work_wake_up.h"

#include <QMetaObject>
#include <atomic>
#include <mutex>

#include "session/posted_work.h"

namespace vexa {

// What the posting threads hold: the object whose thread drains the queue, cleared under the
// lock when it goes, so that no thread queues a call to an object being destroyed.
struct PostedWorkWakeUp::Shared {
    std::mutex mutex;
    QObject* target = nullptr;
    // One queued drain at a time, however many pieces are posted before it runs.
    std::atomic<bool> drainQueued{false};
};

PostedWorkWakeUp::PostedWorkWakeUp() : shared_(std::make_shared<Shared>()) {
    shared_->target = this;
    SetPostedWorkWakeUp([shared = shared_] {
        const std::lock_guard lock(shared->mutex);
        if (!shared->target || shared->drainQueued.exchange(true)) return;
        QMetaObject::invokeMethod(
            shared->target,
            [shared] {
                // Cleared first: what is posted while the queue drains queues another drain.
                shared->drainQueued = false;
                (void)RunPostedWork();
            },
            Qt::QueuedConnection);
    });
}

PostedWorkWakeUp::~PostedWorkWakeUp() {
    SetPostedWorkWakeUp(nullptr);
    const std::lock_guard lock(shared_->mutex);
    shared_->target = nullptr;
}

}  // namespace vexa
