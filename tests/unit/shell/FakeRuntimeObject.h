#pragma once

#include "RefCounted.h"

// A runtime object made by a test, counted as the binding's own objects are.
template <class TInterface>
class TFake : public TInterface, public TRefCounted {
 public:
  int AddRef() const override { return TRefCounted::AddRef(); }
  int Release() const override { return TRefCounted::Release(); }
  void* Wrap() override { return nullptr; }
};
