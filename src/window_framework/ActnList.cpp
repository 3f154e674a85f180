#include "ActnList.h"

#include <gtk/gtk.h>

#include <algorithm>

#include "Application.h"
#include "Forms.h"

namespace {

gboolean OnFormKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* list = static_cast<TActionList*>(data);
  bool handled = false;
  CallGuarded(list, [&] {
    const TShortCut shortCut{gdk_keyval_to_lower(event->keyval),
                             (event->state & GDK_CONTROL_MASK) != 0};
    handled = list->ExecuteShortCut(shortCut);
  });
  return handled;
}

}  // namespace

void TAction::SetActionList(TActionList* list) {
  if (FActionList) std::erase(FActionList->FActions, this);
  FActionList = list;
  if (list) list->FActions.push_back(this);
}

TAction::~TAction() {
  SetActionList(nullptr);
}

bool TAction::Execute() {
  if (!OnExecute) return false;
  CallGuarded(this, [this] { OnExecute(this); });
  return true;
}

bool TActionList::ExecuteShortCut(TShortCut shortCut) {
  if (shortCut.Key == 0) return false;
  for (TAction* action : FActions)
    if (action->ShortCut() == shortCut) return action->Execute();
  return false;
}

TForm* TActionList::OwnerForm() const {
  return dynamic_cast<TForm*>(Owner());
}

void TActionList::Loaded() {
  TComponent::Loaded();
  // Runs before the window's own key handling, so a shortcut wins over the focused control's
  // use of the key.
  if (TForm* form = OwnerForm())
    g_signal_connect(form->Handle(), "key-press-event", G_CALLBACK(OnFormKeyPress), this);
}

TActionList::~TActionList() {
  for (TAction* action : FActions) action->FActionList = nullptr;
  TForm* form = OwnerForm();
  if (form && form->HandleAllocated()) g_signal_handlers_disconnect_by_data(form->Handle(), this);
}
