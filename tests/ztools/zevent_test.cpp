// Events: reference counting and forwarding through ZEventListener, including listeners that
// change the list while an event is being forwarded.
#include "ztools/base/zevent.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "ztools/base/zerror.h"

using namespace ZTools;

namespace {

struct CountedEvent : ZEvent {
  CountedEvent(uint32_t id, int* destroyed) : ZEvent(id), destroyed(destroyed) {}
  ~CountedEvent() override { ++*destroyed; }
  int* destroyed;
};

struct Recorder : IEventListener {
  explicit Recorder(std::vector<int>* log, int name, int32_t answer = 0) : log(log), name(name), answer(answer) {}
  int32_t OnEvent(ZEvent* event) override {
    log->push_back(name);
    if (keep)
      kept = ZEventRef<ZEvent>::Share(event);
    if (onEvent)
      onEvent();
    return answer;
  }
  std::vector<int>* log;
  int name;
  int32_t answer;
  bool keep = false;
  ZEventRef<ZEvent> kept;
  std::function<void()> onEvent;
};

}  // namespace

TEST(ZEventTest, LastReleaseFreesTheEvent) {
  int destroyed = 0;
  auto* event = new CountedEvent(0x204000, &destroyed);
  EXPECT_EQ(event->References(), 1);
  event->AddRef();
  EXPECT_EQ(event->Release(), 1);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(event->Release(), 0);
  EXPECT_EQ(destroyed, 1);

  {
    auto ref = MakeEvent<CountedEvent>(0x201000u, &destroyed);
    auto copy = ref;
    EXPECT_EQ(ref->References(), 2);
    EXPECT_EQ(ref->Id(), 0x201000u);
    EXPECT_EQ(ref->Describe(), "Event 0x201000");
  }
  EXPECT_EQ(destroyed, 2);
}

TEST(ZEventTest, ListenerThatKeepsTheEventOutlivesTheCreator) {
  int destroyed = 0;
  std::vector<int> log;
  Recorder keeper(&log, 1);
  keeper.keep = true;
  ZEventListener hub;
  hub.AddListener(&keeper);
  {
    auto event = MakeEvent<CountedEvent>(1u, &destroyed);
    EXPECT_EQ(hub.OnEvent(event.get()), 0);
  }
  EXPECT_EQ(destroyed, 0);
  keeper.kept = {};
  EXPECT_EQ(destroyed, 1);
}

TEST(ZEventTest, ForwardingReachesEveryListenerAndAnswersTheFirstError) {
  std::vector<int> log;
  Recorder a(&log, 1), b(&log, 2, kZErrUnknownProperty), c(&log, 3, kZErrSyntax);
  ZEventListener hub;
  EXPECT_TRUE(hub.AddListener(&a));
  EXPECT_TRUE(hub.AddListener(&b));
  EXPECT_TRUE(hub.AddListener(&c));
  EXPECT_FALSE(hub.AddListener(&a));
  EXPECT_FALSE(hub.AddListener(nullptr));
  auto event = MakeEvent<ZEvent>(0x100003u);
  EXPECT_EQ(hub.ForwardEvent(event.get()), kZErrUnknownProperty);
  EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(hub.ForwardEvent(nullptr), kZErrNullPointer);
}

TEST(ZEventTest, ListenersMayChangeTheListWhileAnEventIsForwarded) {
  std::vector<int> log;
  Recorder a(&log, 1), b(&log, 2), c(&log, 3), late(&log, 4);
  ZEventListener hub;
  hub.AddListener(&a);
  hub.AddListener(&b);
  hub.AddListener(&c);
  a.onEvent = [&] {
    hub.RemoveListener(&a);
    hub.RemoveListener(&b);
  };  // itself and the next one
  c.onEvent = [&] {
    hub.AddListener(&late);
  };
  auto event = MakeEvent<ZEvent>(2u);
  hub.OnEvent(event.get());
  EXPECT_EQ(log, (std::vector<int>{1, 3}));  // one added meanwhile waits for the next event
  EXPECT_EQ(hub.ListenerCount(), 2u);
  EXPECT_FALSE(hub.HasListener(&a));
  log.clear();
  c.onEvent = nullptr;
  hub.OnEvent(event.get());
  EXPECT_EQ(log, (std::vector<int>{3, 4}));
}
