#include "Classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using TLog = std::vector<std::string>;

class TProbe : public TComponent {
 public:
  TProbe(TComponent* AOwner, std::string name, TLog& log) : TComponent(AOwner), FLog(log) {
    SetName(std::move(name));
  }

 protected:
  ~TProbe() override { FLog.push_back(Name()); }
  void BeforeDestruction() override { FLog.push_back("before " + Name()); }

 private:
  TLog& FLog;
};

}  // namespace

TEST(ComponentTest, OwnedComponentsAreDestroyedWithTheOwnerInReverseCreationOrder) {
  TLog log;
  auto* owner = new TProbe(nullptr, "owner", log);
  new TProbe(owner, "a", log);
  auto* b = new TProbe(owner, "b", log);
  new TProbe(b, "d", log);
  new TProbe(owner, "c", log);
  ASSERT_EQ(owner->ComponentCount(), 3);
  EXPECT_EQ(owner->Components(1), b);
  EXPECT_EQ(b->Owner(), owner);

  owner->Free();

  // Each component sees its own BeforeDestruction while it and its components are whole.
  EXPECT_EQ(log, (TLog{"before owner", "before c", "c", "before b", "before d", "d", "b",
                       "before a", "a", "owner"}));
}

TEST(ComponentTest, AComponentFreedEarlyLeavesItsOwner) {
  TLog log;
  auto* owner = new TProbe(nullptr, "owner", log);
  new TProbe(owner, "a", log);
  auto* b = new TProbe(owner, "b", log);
  b->Free();
  EXPECT_EQ(owner->ComponentCount(), 1);
  log.clear();
  owner->Free();
  EXPECT_EQ(log, (TLog{"before owner", "before a", "a", "owner"}));
}

TEST(ComponentTest, MethodEventCallsTheBoundObject) {
  struct TTarget {
    void Handle(TObject* sender, int& value) {
      Sender = sender;
      value = 7;
    }
    TObject* Sender = nullptr;
  } target;
  std::function<void(TObject*, int&)> event = MethodEvent(&target, &TTarget::Handle);
  TObject sender;
  int value = 0;
  event(&sender, value);
  EXPECT_EQ(target.Sender, &sender);
  EXPECT_EQ(value, 7);
}

namespace {

class TWatcher : public TComponent {
 public:
  using TComponent::TComponent;
  TComponent* Watched = nullptr;

 protected:
  void Notification(TComponent* AComponent) override {
    if (AComponent == Watched) Watched = nullptr;
  }
};

}  // namespace

TEST(ComponentTest, FreeNotificationTellsTheLinkedComponentWhicheverGoesFirst) {
  TLog log;
  auto* owner = new TProbe(nullptr, "owner", log);
  auto* watcher = new TWatcher(owner);
  auto* watched = new TProbe(nullptr, "Watched", log);
  watcher->Watched = watched;
  watcher->FreeNotification(watched);
  EXPECT_EQ(owner->FindComponent("nothing"), nullptr);
  watched->Free();
  EXPECT_EQ(watcher->Watched, nullptr);

  // The other way round: the watcher goes first, and the survivor must not call it later.
  auto* survivor = new TProbe(nullptr, "survivor", log);
  watcher->Watched = survivor;
  watcher->FreeNotification(survivor);
  watcher->Free();
  survivor->Free();
  owner->Free();
}
