#include "session/posted_work.h"

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace vexa {
namespace {

class PostedWorkTest : public ::testing::Test {
  protected:
    PostedWorkTest() { (void)RunPostedWork(); }  // nothing left over from other tests
    ~PostedWorkTest() override {
        SetPostedWorkWakeUp(nullptr);
        (void)RunPostedWork();
    }
};

TEST_F(PostedWorkTest, WorkFromOtherThreadsRunsOnTheDrainingThreadInOrder) {
    constexpr int kPieces = 200;
    std::vector<int> ran;
    std::vector<std::thread::id> ranOn;
    std::atomic<int> wakeUps{0};
    SetPostedWorkWakeUp([&wakeUps] { ++wakeUps; });
    std::thread poster([&] {
        for (int i = 0; i < kPieces; ++i) {
            PostToUiThread([&ran, &ranOn, i] {
                ran.push_back(i);
                ranOn.push_back(std::this_thread::get_id());
            });
        }
    });
    // Nothing runs before this thread drains the queue, however long the poster takes.
    size_t drained = 0;
    while (drained < kPieces) {
        (void)WaitForPostedWork(1000);
        drained += RunPostedWork();
    }
    poster.join();
    ASSERT_EQ(ran.size(), static_cast<size_t>(kPieces));
    for (int i = 0; i < kPieces; ++i) EXPECT_EQ(ran[static_cast<size_t>(i)], i);
    for (const std::thread::id& id : ranOn) EXPECT_EQ(id, std::this_thread::get_id());
    EXPECT_EQ(wakeUps, kPieces);
    EXPECT_EQ(drained, static_cast<size_t>(kPieces));
}

TEST_F(PostedWorkTest, WorkPostedByWorkWaitsForTheNextDrain) {
    std::vector<int> ran;
    PostToUiThread([&ran] {
        ran.push_back(1);
        PostToUiThread([&ran] { ran.push_back(3); });
    });
    PostToUiThread([&ran] { ran.push_back(2); });
    EXPECT_EQ(RunPostedWork(), 2u);
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    EXPECT_TRUE(WaitForPostedWork(0));
    EXPECT_EQ(RunPostedWork(), 1u);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(RunPostedWork(), 0u);
}

TEST_F(PostedWorkTest, TheIdleWaitEndsWhenWorkIsPostedOrItsTimeIsUp) {
    EXPECT_FALSE(WaitForPostedWork(10));
    std::thread poster([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        PostToUiThread([] {});
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(WaitForPostedWork(10000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    poster.join();
    EXPECT_EQ(RunPostedWork(), 1u);
}

}  // namespace
}  // namespace vexa
