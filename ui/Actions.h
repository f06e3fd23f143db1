#pragma once
#include <string>
#include <vector>

#include "ui/Events.h"
#include "ui/Properties.h"

namespace ui {

class TActionList;

// A named command with a caption, a hint and a handler. Owned by a form, like the
// controls, and listed by an action list. Publishes "Caption" and "Hint".
class TAction : public TPublishedComponent {
 public:
  explicit TAction(TComponent *AOwner);
  ~TAction() override;

  const std::string &Caption() const { return FCaption; }
  void SetCaption(const std::string &Value) { FCaption = Value; }
  const std::string &Hint() const { return FHint; }
  void SetHint(const std::string &Value) { FHint = Value; }

  TActionList *ActionList() const { return FActionList; }
  // Moves the action to the end of List (nullptr: into no list).
  void SetActionList(TActionList *List);

  TNotifyEvent OnExecute;
  // Runs OnExecute with the action as Sender; false when there is no handler.
  bool Execute();

 private:
  std::string FCaption;
  std::string FHint;
  TActionList *FActionList = nullptr;
};

// The actions of a form, in the order they were put into it. It lists them without
// owning them; an action leaves the list when it is freed.
class TActionList : public TPublishedComponent {
 public:
  explicit TActionList(TComponent *AOwner);
  ~TActionList() override;

  int ActionCount() const { return int(FActions.size()); }
  TAction *Actions(int Index) const { return FActions[std::size_t(Index)]; }

 private:
  friend class TAction;
  std::vector<TAction *> FActions;
};

}  // namespace ui
