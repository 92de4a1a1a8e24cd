// Runs the work that device threads post (session/posted_work.h) while the window waits in Qt's
// own event loop rather than in the message pump: every post wakes the loop, which drains the
// queue on the user-interface thread. Installed for as long as this object lives.
#pragma once

#include <QObject>
#include <memory>

namespace vexa {

class PostedWorkWakeUp : public QObject {
  public:
    PostedWorkWakeUp();
    ~PostedWorkWakeUp() override;
    PostedWorkWakeUp(const PostedWorkWakeUp&) = delete;
    PostedWorkWakeUp& operator=(const PostedWorkWakeUp&) = delete;

  private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace vexa
