#pragma once

#include <atomic>
#include <utility>

// Intrusive, atomic reference counting for objects shared with the browser runtime.
// A new object starts with a count of 0; the first TRef that holds it makes it 1.
class TRefCounted {
 public:
  TRefCounted() = default;
  TRefCounted(const TRefCounted&) = delete;
  TRefCounted& operator=(const TRefCounted&) = delete;

  int AddRef() const { return FRefCount.fetch_add(1, std::memory_order_relaxed) + 1; }
  int Release() const {
    const int remaining = FRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (remaining == 0) delete this;
    return remaining;
  }
  int RefCount() const { return FRefCount.load(std::memory_order_acquire); }

 protected:
  virtual ~TRefCounted() = default;

 private:
  mutable std::atomic<int> FRefCount{0};
};

// Smart pointer to any type with AddRef()/Release(); holds one counted reference.
template <class T>
class TRef {
 public:
  TRef() = default;
  TRef(std::nullptr_t) {}
  TRef(T* object) : FObject(object) {
    if (FObject) FObject->AddRef();
  }
  TRef(const TRef& other) : TRef(other.FObject) {}
  TRef(TRef&& other) noexcept : FObject(std::exchange(other.FObject, nullptr)) {}
  template <class U>
  TRef(const TRef<U>& other) : TRef(other.get()) {}
  ~TRef() { reset(); }

  TRef& operator=(TRef other) noexcept {
    std::swap(FObject, other.FObject);
    return *this;
  }

  // Takes over a reference the caller already owns, without counting it again.
  static TRef Adopt(T* object) {
    TRef ref;
    ref.FObject = object;
    return ref;
  }
  // Gives up the reference without releasing it.
  T* Detach() { return std::exchange(FObject, nullptr); }

  void reset() {
    if (T* object = std::exchange(FObject, nullptr)) object->Release();
  }
  T* get() const { return FObject; }
  T* operator->() const { return FObject; }
  T& operator*() const { return *FObject; }
  explicit operator bool() const { return FObject != nullptr; }

  friend bool operator==(const TRef& a, const TRef& b) { return a.FObject == b.FObject; }
  friend bool operator==(const TRef& a, std::nullptr_t) { return a.FObject == nullptr; }

 private:
  T* FObject = nullptr;
};

template <class T, class... Args>
TRef<T> MakeRef(Args&&... args) {
  return TRef<T>(new T(std::forward<Args>(args)...));
}
