#include "FindBar.h"

#include <string>

std::string MatchCountText(int32_t matchCount) {
  if (matchCount <= 0) return "No matches";
  if (matchCount == 1) return "1 match";
  return std::to_string(matchCount) + " matches";
}

TFindBar::TFindBar(TComponent* AOwner)
    : TSearchBar(AOwner), FSelf(std::make_shared<TFindBar*>(this)) {
  SetFieldName("Find in page");
  OnChange = [this](TObject*) { Search(true); };
  OnStep = [this](TObject*, bool backwards) { Search(!backwards); };
  OnCancel = [this](TObject*) { Close(); };
}

void TFindBar::SetBrowserControl(TChromium* chromium) {
  FChromium = chromium;
  if (FChromium) FChromium->FreeNotification(this);
}

void TFindBar::Notification(TComponent* AComponent) {
  TSearchBar::Notification(AComponent);
  if (AComponent == FChromium) FChromium = nullptr;
}

TRef<ICefBrowserHost> TFindBar::Host() const {
  return FChromium ? FChromium->BrowserHost() : nullptr;
}

// Asked again while open it only takes the focus: searching again would move on a match.
bool TFindBar::Open() {
  if (!CanFindInPage() || !Host()) return false;
  const bool reopened = !Visible();
  SetVisible(true);
  FocusText();
  if (reopened && !Text().empty()) Search(true);
  return true;
}

void TFindBar::Close() {
  ++FSearch;  // an answer still on its way is no longer wanted
  StopFindingInPage(Host());
  SetStatus("");
  SetVisible(false);
  if (FChromium && FChromium->CanFocus()) FChromium->SetFocus();
}

// An empty field ends the search, so no old highlighting stays in the page.
void TFindBar::Search(bool forward) {
  const unsigned search = ++FSearch;
  if (Text().empty()) {
    StopFindingInPage(Host());
    SetStatus("");
    return;
  }
  const std::weak_ptr<TFindBar*> self = FSelf;
  const bool asked =
      FindInPage(Host(), Utf8ToUtf16(Text()), forward, [self, search](int32_t matchCount) {
        if (const std::shared_ptr<TFindBar*> bar = self.lock())
          (*bar)->ShowMatches(search, matchCount);
      });
  if (!asked) SetStatus("");
}

void TFindBar::ShowMatches(unsigned search, int32_t matchCount) {
  if (search == FSearch) SetStatus(MatchCountText(matchCount));
}
