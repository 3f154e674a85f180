#pragma once

#include <memory>

#include "SearchBar.h"
#include "cefvcl.h"

// "3 matches", "1 match", "No matches".
std::string MatchCountText(int32_t matchCount);

// The main window's bar that finds text in the page: typing searches from the start, Enter and
// Shift+Enter go to the next and previous match, the number of matches shows beside the field,
// and Escape ends the search and gives the keyboard back to the page.
class TFindBar : public TSearchBar {
 public:
  explicit TFindBar(TComponent* AOwner);

  // Finds in the page of this control, until either of the two goes.
  void SetBrowserControl(TChromium* chromium);

  // Shows the bar with the focus in its field; a bar that was hidden searches again for the
  // text it still holds.
  // False, and nothing shown, when the runtime cannot find text.
  bool Open();
  // Ends the search, hides the bar and focuses the page.
  void Close();

 protected:
  ~TFindBar() override = default;
  void Notification(TComponent* AComponent) override;

 private:
  TRef<ICefBrowserHost> Host() const;
  void Search(bool forward);
  void ShowMatches(unsigned search, int32_t matchCount);

  TChromium* FChromium = nullptr;
  // Numbers the searches, so only the answer to the latest one is shown.
  unsigned FSearch = 0;
  // Answers that arrive after the bar went find nothing to update.
  std::shared_ptr<TFindBar*> FSelf;
};
