#include "GuardedCall.h"

namespace {

TGuardedCallHandler GuardedCallHandler = nullptr;

}  // namespace

void SetGuardedCallHandler(TGuardedCallHandler Handler) {
  GuardedCallHandler = Handler;
}

void HandleGuardedCallException(TObject* Sender) noexcept {
  if (GuardedCallHandler) GuardedCallHandler(Sender);
}
