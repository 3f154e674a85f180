#pragma once

#include <cstdint>

#include "RtObject.h"
#include "cef_capi.h"

class TBrowser;

// One frame as the client holds it: its browser and its frame id. Id 0 follows whatever
// document the main frame shows. Every hand-out is a new object, as the client expects.
class TFrame final : public TRtCounted {
 public:
  // A frame structure with one reference for the receiver.
  static TCefFrame* New(TBrowser* browser, uint64_t frameId);

  TBrowser& Browser() const { return *FBrowser; }
  uint64_t Id() const { return FId; }
  bool IsMain() const { return FId == 0; }

 private:
  TFrame(TBrowser* browser, uint64_t frameId);
  ~TFrame() override;

  TFace<TCefFrame> FFace;
  TBrowser* FBrowser;  // counted
  uint64_t FId;
};
