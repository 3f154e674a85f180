#pragma once

#include <atomic>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "cef_capi.h"

// Base of every runtime object the client can hold. One count serves all the structures an
// object exposes (a browser exposes its browser and its host structure). A new object holds
// one reference, its creator's.
class TRtCounted {
 public:
  TRtCounted() = default;
  TRtCounted(const TRtCounted&) = delete;
  TRtCounted& operator=(const TRtCounted&) = delete;

  int32_t AddRef() { return FRefs.fetch_add(1, std::memory_order_relaxed) + 1; }
  int32_t Release() {
    const int32_t left = FRefs.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }
  int32_t Refs() const { return FRefs.load(std::memory_order_acquire); }

 protected:
  virtual ~TRtCounted() = default;

 private:
  std::atomic<int32_t> FRefs{1};
};

// A C structure as the client sees it, followed by the object that answers it. The structure
// comes first, so the client's pointer leads back to the face.
template <class TStruct>
struct TFace {
  TStruct Struct;
  TRtCounted* Owner;
};

namespace rtface {

template <class TStruct>
TFace<TStruct>* FaceOf(void* structure) {
  static_assert(std::is_standard_layout_v<TFace<TStruct>>);
  return reinterpret_cast<TFace<TStruct>*>(structure);
}

template <class TStruct>
int32_t CEF_CALLBACK AddRef(TCefBase* base) {
  return FaceOf<TStruct>(base)->Owner->AddRef();
}

template <class TStruct>
int32_t CEF_CALLBACK Release(TCefBase* base) {
  return FaceOf<TStruct>(base)->Owner->Release();
}

template <class TStruct>
int32_t CEF_CALLBACK GetRefct(TCefBase* base) {
  return FaceOf<TStruct>(base)->Owner->Refs();
}

}  // namespace rtface

// Zeroes the face and fills its header; the caller then sets the entries it implements.
template <class TStruct>
void InitFace(TFace<TStruct>& face, TRtCounted* owner) {
  face.Struct = TStruct{};
  face.Owner = owner;
  face.Struct.base.size = sizeof(TStruct);
  face.Struct.base.add_ref = rtface::AddRef<TStruct>;
  face.Struct.base.release = rtface::Release<TStruct>;
  face.Struct.base.get_refct = rtface::GetRefct<TStruct>;
}

// The object behind a structure pointer the client passed in.
template <class TOwner, class TStruct>
TOwner& OwnerOf(TStruct* structure) {
  return *static_cast<TOwner*>(rtface::FaceOf<TStruct>(structure)->Owner);
}

// The structure with one more reference, for a receiver that will release it.
template <class TStruct>
TStruct* Share(TFace<TStruct>& face) {
  face.Owner->AddRef();
  return &face.Struct;
}

// Releases the reference that came with any runtime object pointer, opaque types included:
// every one of them starts with its header.
inline void ReleaseObject(void* object) {
  auto* base = static_cast<TCefBase*>(object);
  if (base && base->release) base->release(base);
}

// A reference to an object the client made (client, handler, visitor, task). Adopts the
// reference that came with the pointer and releases it once.
template <class T>
class TClientRef {
 public:
  TClientRef() = default;
  explicit TClientRef(T* adopted) : FObject(adopted) {}
  TClientRef(TClientRef&& other) noexcept : FObject(std::exchange(other.FObject, nullptr)) {}
  TClientRef& operator=(TClientRef&& other) noexcept {
    if (this != &other) {
      reset();
      FObject = std::exchange(other.FObject, nullptr);
    }
    return *this;
  }
  TClientRef(const TClientRef&) = delete;
  TClientRef& operator=(const TClientRef&) = delete;
  ~TClientRef() { reset(); }

  void reset() {
    T* object = std::exchange(FObject, nullptr);
    if (object && object->base.release) object->base.release(&object->base);
  }
  T* get() const { return FObject; }
  T* operator->() const { return FObject; }
  explicit operator bool() const { return FObject != nullptr; }
  // The pointer with one more reference, for a receiver that will release it.
  T* Share() const {
    if (FObject && FObject->base.add_ref) FObject->base.add_ref(&FObject->base);
    return FObject;
  }

 private:
  T* FObject = nullptr;
};
