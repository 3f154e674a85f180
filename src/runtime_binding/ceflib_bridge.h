#pragma once

#include <cstddef>

#include "RefCounted.h"
#include "cef_capi.h"

// Root of every interface bridged to the runtime. Program references are counted with
// AddRef/Release (TRef); Wrap hands out the runtime structure with one runtime reference
// added for the receiver.
class ICefBase {
 public:
  virtual int AddRef() const = 0;
  virtual int Release() const = 0;
  virtual void* Wrap() = 0;

 protected:
  virtual ~ICefBase() = default;
};

// A program object exposed to the runtime as a C structure. The block in memory is
// [back-pointer to this object][structure]; the structure's header shares this object's
// reference count, so the program's and the runtime's references keep it alive together.
// A new object has count 0 until its first reference is taken.
class TCefBaseOwn : public virtual ICefBase, private TRefCounted {
 public:
  int AddRef() const override { return TRefCounted::AddRef(); }
  int Release() const override { return TRefCounted::Release(); }
  int RefCount() const { return TRefCounted::RefCount(); }
  void* Wrap() override;

  // The object that exposed data (a structure made by CreateData).
  static TCefBaseOwn* FromData(const void* data);
  // Whether data is a structure made by CreateData (its header leads back to a program object).
  static bool IsExposedData(const void* data);

 protected:
  // CreateData: a zero-filled structure of size bytes whose header leads back here.
  explicit TCefBaseOwn(size_t size);
  ~TCefBaseOwn() override;

  template <class TStruct>
  TStruct* Data() const {
    return static_cast<TStruct*>(FData);
  }

  void* FData;
};

// The object of class TOwner behind a structure exposed by it; used by entry routines.
template <class TOwner>
TOwner* OwnerOf(const void* data) {
  return static_cast<TOwner*>(TCefBaseOwn::FromData(data));
}

// A program-side wrapper of a runtime object. It owns exactly one runtime reference, taken
// over from the pointer it was made from, and releases it when its last program reference
// goes.
class TCefBaseRef : public virtual ICefBase, private TRefCounted {
 public:
  int AddRef() const override { return TRefCounted::AddRef(); }
  int Release() const override { return TRefCounted::Release(); }
  void* Wrap() override;

  // Null gives null and constructs nothing.
  static TRef<ICefBase> UnWrap(void* data);

 protected:
  explicit TCefBaseRef(void* data);
  ~TCefBaseRef() override;

  void* FData;
};

// Base of the concrete wrappers: TSelf wraps TStruct and implements TInterface.
template <class TSelf, class TInterface, class TStruct>
class TCefBaseRefOf : public TCefBaseRef, public TInterface {
 public:
  explicit TCefBaseRefOf(TStruct* data) : TCefBaseRef(data) {}

  static TRef<TInterface> UnWrap(TStruct* data) {
    if (!data) return nullptr;
    return TRef<TInterface>(new TSelf(data));
  }

 protected:
  TStruct* Data() const { return static_cast<TStruct*>(FData); }
};

// The wrapper class of each runtime structure, named beside the wrapper with CEF_WRAPS; any
// such structure then comes back from the runtime wrapped through FromRuntime.
template <class TStruct>
struct TWrapperOf;

#define CEF_WRAPS(TWrapper, TInterface, TStruct) \
  class TWrapper;                                \
  template <>                                    \
  struct TWrapperOf<TStruct> {                   \
    using Wrapper = TWrapper;                    \
    using Interface = TInterface;                \
  }

// Null gives null.
template <class TStruct, class TOf = TWrapperOf<TStruct>>
TRef<typename TOf::Interface> FromRuntime(TStruct* data) {
  return TOf::Wrapper::UnWrap(data);
}

// The runtime pointer to pass for i: null for none, otherwise with one reference added for
// the runtime.
template <class TStruct = void, class T>
TStruct* RuntimePointerOf(const TRef<T>& i) {
  return i ? static_cast<TStruct*>(i->Wrap()) : nullptr;
}
