#include "ceflib_bridge.h"

#include <cstdlib>
#include <new>

#include "ceflib_errors.h"

namespace {

int32_t CEF_CALLBACK SharedAddRef(TCefBase* self) {
  return TCefBaseOwn::FromData(self)->AddRef();
}

int32_t CEF_CALLBACK SharedRelease(TCefBase* self) {
  return TCefBaseOwn::FromData(self)->Release();
}

int32_t CEF_CALLBACK SharedGetRefct(TCefBase* self) {
  return TCefBaseOwn::FromData(self)->RefCount();
}

constexpr size_t BackPointerSize = sizeof(TCefBaseOwn*);

// Adds one reference to a runtime structure for whoever receives it.
void* WithAddedReference(void* data) {
  auto* header = static_cast<TCefBase*>(data);
  if (header->add_ref) header->add_ref(header);
  return data;
}

}  // namespace

TCefBaseOwn::TCefBaseOwn(size_t size) {
  void* block = std::calloc(1, BackPointerSize + size);
  if (!block) throw std::bad_alloc();
  *static_cast<TCefBaseOwn**>(block) = this;
  FData = static_cast<char*>(block) + BackPointerSize;
  auto* header = static_cast<TCefBase*>(FData);
  header->size = size;
  header->add_ref = SharedAddRef;
  header->release = SharedRelease;
  header->get_refct = SharedGetRefct;
}

TCefBaseOwn::~TCefBaseOwn() {
  std::free(static_cast<char*>(FData) - BackPointerSize);
}

void* TCefBaseOwn::Wrap() {
  return WithAddedReference(FData);
}

TCefBaseOwn* TCefBaseOwn::FromData(const void* data) {
  return *reinterpret_cast<TCefBaseOwn* const*>(static_cast<const char*>(data) - BackPointerSize);
}

bool TCefBaseOwn::IsExposedData(const void* data) {
  return static_cast<const TCefBase*>(data)->add_ref == SharedAddRef;
}

TCefBaseRef::TCefBaseRef(void* data) : FData(data) {
  if (!data) throw ECefException("A runtime object wrapper needs a runtime object");
}

TCefBaseRef::~TCefBaseRef() {
  auto* header = static_cast<TCefBase*>(FData);
  if (header->release) header->release(header);
}

void* TCefBaseRef::Wrap() {
  return WithAddedReference(FData);
}

TRef<ICefBase> TCefBaseRef::UnWrap(void* data) {
  if (!data) return nullptr;
  return TRef<ICefBase>(new TCefBaseRef(data));
}
