#include "ui/Actions.h"

#include <algorithm>

namespace ui {

TAction::TAction(TComponent *AOwner) : TPublishedComponent(AOwner) {
  PublishText(
      "Caption", [this] { return Caption(); }, [this](const std::string &Value) { SetCaption(Value); });
  PublishText(
      "Hint", [this] { return Hint(); }, [this](const std::string &Value) { SetHint(Value); });
}

TAction::~TAction() { SetActionList(nullptr); }

void TAction::SetActionList(TActionList *List) {
  if (FActionList) {
    auto &actions = FActionList->FActions;
    actions.erase(std::remove(actions.begin(), actions.end(), this), actions.end());
  }
  FActionList = List;
  if (FActionList) FActionList->FActions.push_back(this);
}

bool TAction::Execute() {
  if (!OnExecute) return false;
  RunHandler(OnExecute, this);
  return true;
}

TActionList::TActionList(TComponent *AOwner) : TPublishedComponent(AOwner) {}

TActionList::~TActionList() {
  // The actions may outlive the list (the form frees its components last created first).
  while (!FActions.empty()) FActions.back()->SetActionList(nullptr);
}

}  // namespace ui
