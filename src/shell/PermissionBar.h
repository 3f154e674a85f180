#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "InfoBar.h"
#include "JvFormPlacement.h"
#include "PermissionStore.h"
#include "ceflib.h"

// "127.0.0.1 wants to show notifications", "… wants to use your camera and microphone", ...
// for kinds (CORVANE_PERMISSION_* bits) asked by origin.
std::string PermissionQuestionText(const std::string& origin, int32_t kinds);

// Whether a page of origin may ask for permissions at all: only the service's own may.
bool MayAskForPermissions(const std::string& origin);

// The main window's bar at the top that asks the user about what a page of the service wants
// (notifications, camera, microphone, clipboard reading, location), Allow or Block, one
// question at a time and at most one per origin and kinds however often the page asks. The
// answers are kept in the form storage and given without asking from then on; other origins
// are refused without asking. The folder of the last upload is kept there too.
class TPermissionBar : public TInfoBar {
 public:
  explicit TPermissionBar(TComponent* AOwner);

  void SetFormStorage(TJvFormStorage* storage);
  // Reads what is kept and takes the runtime's page requests; once the configuration is read
  // and before the first page loads, so that pages see the kept notification answers.
  void Start();

  // What the runtime's page request handler hears.
  void PermissionRequested(const std::string& origin, int32_t kinds,
                           const TRef<ICefPermissionCallback>& callback);
  void UploadFolderUsed(const std::string& folder);

 protected:
  ~TPermissionBar() override;
  void Notification(TComponent* AComponent) override;

 private:
  struct TQuestion {
    std::string Origin;
    int32_t Kinds;
    std::vector<TRef<ICefPermissionCallback>> Waiting;
  };
  class THandler;

  void ShowQuestion();
  void Answer(bool allow, bool keep);

  TJvFormStorage* FStorage = nullptr;
  std::unique_ptr<TPermissionStore> FStore;
  TRef<THandler> FHandler;
  // The front one is on the bar.
  std::deque<TQuestion> FQuestions;
};
