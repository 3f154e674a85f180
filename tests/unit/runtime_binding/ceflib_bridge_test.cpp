#include <thread>
#include <vector>

#include "binding_test_fixture.h"

namespace {

// An exposed object with one entry, that tells when it is destroyed.
class TProbeOwn : public TCefBaseOwn {
 public:
  explicit TProbeOwn(bool& destroyed)
      : TCefBaseOwn(sizeof(TCefStringVisitor)), FDestroyed(destroyed) {}
  ~TProbeOwn() override { FDestroyed = true; }
  TCefBase* Header() const { return Data<TCefBase>(); }

 private:
  bool& FDestroyed;
};

int32_t RuntimeRelease(void* structure) {
  auto* header = static_cast<TCefBase*>(structure);
  return header->release(header);
}

using BridgeTest = BindingTest;

TEST_F(BridgeTest, OwnObjectSharesOneCountWithTheRuntime) {
  bool destroyed = false;
  TRef<TProbeOwn> probe(new TProbeOwn(destroyed));
  TCefBase* header = probe->Header();
  EXPECT_EQ(header->size, sizeof(TCefStringVisitor));
  EXPECT_EQ(reinterpret_cast<TCefStringVisitor*>(header)->visit, nullptr);
  EXPECT_EQ(OwnerOf<TProbeOwn>(header), probe.get());
  EXPECT_EQ(header->get_refct(header), 1);

  void* first = RuntimePointerOf(probe);
  void* second = RuntimePointerOf(probe);
  EXPECT_EQ(first, header);
  EXPECT_EQ(second, header);
  EXPECT_EQ(header->get_refct(header), 3);

  probe.reset();  // the runtime still holds two references
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(RuntimeRelease(first), 1);
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(RuntimeRelease(second), 0);
  EXPECT_TRUE(destroyed);
}

TEST_F(BridgeTest, NewOwnObjectStartsAtZeroAndNullGoesToTheRuntimeAsNull) {
  bool destroyed = false;
  auto* probe = new TProbeOwn(destroyed);
  EXPECT_EQ(probe->RefCount(), 0);
  TRef<TProbeOwn> held(probe);
  EXPECT_EQ(probe->RefCount(), 1);
  EXPECT_EQ(RuntimePointerOf(TRef<ICefBase>()), nullptr);
}

TEST_F(BridgeTest, CountChangesAreAtomicAcrossThreads) {
  bool destroyed = false;
  TRef<TProbeOwn> probe(new TProbeOwn(destroyed));
  TCefBase* header = probe->Header();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([header] {
      for (int i = 0; i < 20000; ++i) {
        header->add_ref(header);
        header->release(header);
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(header->get_refct(header), 1);
  EXPECT_FALSE(destroyed);
}

TEST_F(BridgeTest, WrapperOwnsExactlyTheReferenceItCameWith) {
  EXPECT_EQ(TCefBaseRef::UnWrap(nullptr), nullptr);
  EXPECT_THAT(FakeRuntime::Calls(), ::testing::IsEmpty());

  TCefBase* object = FakeRuntime::NewObject("thing");
  TRef<ICefBase> wrapper = TCefBaseRef::UnWrap(object);
  EXPECT_EQ(FakeRuntime::RefCountOf(object), 1);

  void* forRuntime = RuntimePointerOf(wrapper);
  EXPECT_EQ(forRuntime, object);
  EXPECT_EQ(FakeRuntime::RefCountOf(object), 2);
  RuntimeRelease(forRuntime);

  wrapper.reset();
  EXPECT_EQ(FakeRuntime::RefCountOf(object), 0);
}

TEST_F(BridgeTest, EachUnWrapOwnsItsOwnReference) {
  TCefBase* object = FakeRuntime::NewObject("thing");
  object->add_ref(object);  // handed to the program a second time
  TRef<ICefBase> first = TCefBaseRef::UnWrap(object);
  TRef<ICefBase> second = TCefBaseRef::UnWrap(object);
  EXPECT_NE(first, second);
  first.reset();
  EXPECT_EQ(FakeRuntime::RefCountOf(object), 1);
  second.reset();
  EXPECT_EQ(FakeRuntime::RefCountOf(object), 0);
}

TEST_F(BridgeTest, AnEntryRoutineAnswersItsDefaultAndWritesNothing) {
  ::testing::internal::CaptureStderr();
  const int answer =
      CallGuarded(nullptr, 7, []() -> int { throw ECefException("handler failed"); });
  CallGuarded(nullptr, [] { throw 42; });
  EXPECT_EQ(answer, 7);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(CallGuarded(nullptr, 7, [] { return 3; }), 3);
}

}  // namespace
