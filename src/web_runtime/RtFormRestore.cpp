#include "RtFormRestore.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "RtText.h"

namespace {

// The web process is not trusted with more of our memory than a person could type.
constexpr size_t kMostFrames = 16;
constexpr gsize kMostBytesPerFrame = 1024 * 1024;

}  // namespace

void TFormRestore::FieldsReported(GVariant* parameters) {
  guint64 frameId = 0;
  const char* url = nullptr;
  GVariant* fields = nullptr;
  g_variant_get(parameters, "(t&s@a(sus))", &frameId, &url, &fields);
  std::unique_ptr<GVariant, TVariantUnref> owned(fields);
  ForgetFrame(frameId);
  // Pages of the web only: other documents (about:blank, data:) may carry their parent's origin
  // under an address that does not tell it.
  if (g_variant_n_children(fields) == 0 || g_variant_get_size(fields) > kMostBytesPerFrame ||
      !IsWebAddress(url))
    return;
  if (FTyped.size() >= kMostFrames) FTyped.erase(FTyped.begin());
  FTyped.push_back(TFrameFields{frameId, url, std::move(owned)});
}

void TFormRestore::ForgetFrame(uint64_t frameId) {
  std::erase_if(FTyped, [&](const TFrameFields& frame) { return frame.FrameId == frameId; });
}

// What still waits from an earlier crash stays behind the newer text.
void TFormRestore::ProcessCrashed(const std::string& url) {
  FWaiting.insert(FWaiting.begin(), std::make_move_iterator(FTyped.begin()),
                  std::make_move_iterator(FTyped.end()));
  FTyped.clear();
  FCrashedUrl = url;
  FReloadPending = !FWaiting.empty();
}

void TFormRestore::MainFrameCommitted(const std::string& url, bool ownPage) {
  const bool crashReload = std::exchange(FReloadPending, false) && !ownPage && url == FCrashedUrl;
  if (!crashReload) FWaiting.clear();
  FTyped.clear();
}

// Same address, so same origin; the extension checks the frame's address again before it fills.
GVariant* TFormRestore::FrameLoaded(uint64_t frameId, const std::string& url) {
  auto found = std::find_if(FWaiting.begin(), FWaiting.end(),
                            [&](const TFrameFields& frame) { return frame.Url == url; });
  if (found == FWaiting.end()) return nullptr;
  GVariant* children[] = {g_variant_new_uint64(frameId), g_variant_new_string(url.c_str()),
                          found->Fields.get()};
  GVariant* restore = g_variant_new_tuple(children, G_N_ELEMENTS(children));
  FWaiting.erase(found);
  return restore;
}
