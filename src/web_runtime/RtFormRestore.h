#pragma once

#include <glib.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What the user typed into the fields of a view's frames, as the web-process extension reports
// it, kept in memory only. After the web process died and the page is reloaded, each frame that
// loads again at the same address gets its text back once; any other document in the main
// frame drops all of it, and a frame's next document drops that frame's.
class TFormRestore {
 public:
  // A frame's typed fields as they are now, (frame id, url, a(sus)); an empty list keeps nothing.
  void FieldsReported(GVariant* parameters);
  // The frame got another document, or went away.
  void ForgetFrame(uint64_t frameId);
  // The web process died unasked; the page at url is about to be reloaded.
  void ProcessCrashed(const std::string& url);
  // The main frame committed a document; only the reload of the crashed page keeps what waits.
  void MainFrameCommitted(const std::string& url, bool ownPage);
  // A frame finished loading: the parameters of its restore message (floating), or nullptr.
  GVariant* FrameLoaded(uint64_t frameId, const std::string& url);

 private:
  struct TVariantUnref {
    void operator()(GVariant* variant) const { g_variant_unref(variant); }
  };
  struct TFrameFields {
    uint64_t FrameId = 0;
    std::string Url;
    std::unique_ptr<GVariant, TVariantUnref> Fields;  // a(sus): name, occurrence, value
  };

  std::vector<TFrameFields> FTyped;    // frames of the living page
  std::vector<TFrameFields> FWaiting;  // frames of the crashed page, until they load again
  std::string FCrashedUrl;
  bool FReloadPending = false;
};
