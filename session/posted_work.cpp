#include "session/posted_work.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

namespace vexa {

namespace {

struct Queue {
    std::mutex mutex;
    std::condition_variable posted;
    std::deque<std::function<void()>> work;
    std::function<void()> wakeUp;
};

Queue& TheQueue() {
    static Queue queue;
    return queue;
}

}  // namespace

void PostToUiThread(std::function<void()> work) {
    Queue& q = TheQueue();
    std::function<void()> wakeUp;
    {
        const std::lock_guard lock(q.mutex);
        q.work.push_back(std::move(work));
        wakeUp = q.wakeUp;
    }
    q.posted.notify_all();
    if (wakeUp) wakeUp();
}

size_t RunPostedWork() {
    Queue& q = TheQueue();
    std::deque<std::function<void()>> due;
    {
        const std::lock_guard lock(q.mutex);
        due.swap(q.work);
    }
    for (std::function<void()>& work : due)
        if (work) work();
    return due.size();
}

bool WaitForPostedWork(uint32_t timeoutMs) {
    Queue& q = TheQueue();
    std::unique_lock lock(q.mutex);
    return q.posted.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&q] { return !q.work.empty(); });
}

void SetPostedWorkWakeUp(std::function<void()> wakeUp) {
    Queue& q = TheQueue();
    const std::lock_guard lock(q.mutex);
    q.wakeUp = std::move(wakeUp);
}

}  // namespace vexa
