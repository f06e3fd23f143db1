#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/Actions.h"
#include "ui/Form.h"
#include "tests/support/HeadlessBackend.h"
#include "ui/ListView.h"

namespace {

using ui::TPropertyKind;

// The names of the narrow-text properties among "Caption", "Text", "Hint" that a component
// publishes, in that order.
std::vector<std::string> TextProperties(const TComponent &component) {
  std::vector<std::string> names;
  for (const char *name : {"Caption", "Text", "Hint"}) {
    const ui::TProperty *property = ui::FindProperty(component, name);
    if (property && property->Kind() == TPropertyKind::NarrowText) names.push_back(name);
  }
  return names;
}

TEST(Properties, EachClassPublishesItsOwnTextProperties) {
  ui::TForm form("TfrmTest");
  using Names = std::vector<std::string>;
  EXPECT_EQ(TextProperties(form), (Names{"Caption", "Hint"}));
  EXPECT_EQ(TextProperties(*new ui::TLabel(&form)), (Names{"Caption", "Hint"}));
  EXPECT_EQ(TextProperties(*new ui::TImageButton(&form)), (Names{"Caption", "Hint"}));
  EXPECT_EQ(TextProperties(*new ui::TAction(&form)), (Names{"Caption", "Hint"}));
  EXPECT_EQ(TextProperties(*new ui::TBevel(&form)), (Names{"Hint"}));
  EXPECT_EQ(TextProperties(*new ui::TProgressBar(&form)), (Names{"Hint"}));
  EXPECT_EQ(TextProperties(*new ui::TListView(&form)), (Names{"Hint"}));
  EXPECT_EQ(TextProperties(*new ui::TActionList(&form)), Names{});
  // A component of another folder publishes nothing.
  EXPECT_EQ(TextProperties(*new TComponent(&form)), Names{});
}

TEST(Properties, TextPropertiesReadAndWriteTheControl) {
  ui::TForm form("TfrmTest");
  auto *button = new ui::TImageButton(&form);
  button->SetCaption("Check");
  const ui::TProperty *caption = ui::FindProperty(*button, "Caption");
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->GetText(), "Check");
  caption->SetText("Close");
  EXPECT_EQ(button->Caption(), "Close");
  ui::FindProperty(*button, "Hint")->SetText("Ends the program");
  EXPECT_EQ(button->Hint(), "Ends the program");
  // Names are matched exactly.
  EXPECT_EQ(ui::FindProperty(*button, "caption"), nullptr);
}

TEST(Properties, ProgressPositionIsAnIntegerHeldWithinItsRange) {
  ui::TForm form("TfrmTest");
  auto *bar = new ui::TProgressBar(&form);
  const ui::TProperty *position = ui::FindProperty(*bar, "Position");
  ASSERT_NE(position, nullptr);
  EXPECT_EQ(position->Kind(), TPropertyKind::Integer);
  position->SetInteger(42);
  EXPECT_EQ(bar->Position(), 42);
  bar->SetPosition(250);
  EXPECT_EQ(position->GetInteger(), 100);
  bar->SetPosition(-3);
  EXPECT_EQ(bar->Position(), 0);
}

TEST(Actions, ListKeepsPutOrderAndLosesFreedActions) {
  ui::TForm form("TfrmTest");
  auto *list = new ui::TActionList(&form);
  std::vector<ui::TAction *> actions;
  for (const char *name : {"acClose", "acUpdate", "acInit"}) {
    actions.push_back(new ui::TAction(&form));
    actions.back()->SetName(name);
    actions.back()->SetActionList(list);
  }
  delete actions[1];
  ASSERT_EQ(list->ActionCount(), 2);
  EXPECT_EQ(list->Actions(0)->Name(), "acClose");
  EXPECT_EQ(list->Actions(1)->Name(), "acInit");
  // Freeing the list first leaves the actions without one.
  delete list;
  EXPECT_EQ(actions[0]->ActionList(), nullptr);
}

TEST(Actions, ExecuteRunsTheHandlerWithTheActionAsSender) {
  ui::TAction action(nullptr);
  EXPECT_FALSE(action.Execute());
  TObject *sender = nullptr;
  action.OnExecute = [&](TObject *Sender) { sender = Sender; };
  EXPECT_TRUE(action.Execute());
  EXPECT_EQ(sender, &action);
}

}  // namespace
