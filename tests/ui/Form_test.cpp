#include "ui/Form.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "sys/MessageQueue.h"
#include "sys/Thread.h"
#include "ui/Application.h"
#include "tests/support/HeadlessBackend.h"
#include "ui/ListView.h"

namespace {

using Change = ui::THeadlessBackend::TChange;
using Values = std::vector<std::string>;

// A non-visual component that notes when its window has loaded.
struct LoadWatcher : TComponent {
  LoadWatcher(TComponent *owner, std::string name, std::vector<std::string> *loaded)
      : TComponent(owner), loaded(loaded) {
    SetName(std::move(name));
  }
  void WindowLoaded() override { loaded->push_back(Name()); }
  std::vector<std::string> *loaded;
};

class FormTest : public ::testing::Test {
 protected:
  ui::THeadlessBackend &backend = ui::UseHeadlessBackend();
};

TEST_F(FormTest, EndLayoutBuildsPeersThenRunsWindowLoadedOnceInComponentOrder) {
  std::vector<std::string> loaded;
  ui::TForm form("TfrmTest");
  auto *label = new ui::TLabel(&form);
  label->SetName("lblOper");
  new LoadWatcher(&form, "first", &loaded);
  new LoadWatcher(&form, "second", &loaded);
  // Settings made while the layout is built reach the backend through the built control.
  label->SetCaption("built in");
  EXPECT_EQ(label->Peer(), nullptr);
  EXPECT_TRUE(backend.Changes().empty());

  form.EndLayout();
  ASSERT_NE(form.Peer(), nullptr);
  ASSERT_NE(label->Peer(), nullptr);
  EXPECT_EQ(loaded, (Values{"first", "second"}));
  form.EndLayout();
  EXPECT_EQ(loaded, (Values{"first", "second"}));
}

TEST_F(FormTest, BackendRecordsEveryWriteOfTextsAndState) {
  ui::TForm form("TfrmTest");
  form.SetName("frmTest");
  auto *bar = new ui::TProgressBar(&form);
  bar->SetName("PBar");
  auto *button = new ui::TImageButton(&form);
  button->SetName("btnUpdate");
  auto *list = new ui::TListView(&form);
  list->SetName("lvFiles");
  list->AddColumn("Name", 100);
  form.EndLayout();

  form.SetCaption("Title");
  bar->SetPosition(25);
  bar->SetPosition(25);
  bar->SetPosition(140);
  button->SetCaption("Go");
  button->SetCaption("Go");
  button->SetHint("Starts");
  button->SetEnabled(false);
  list->SetColumnCaption(0, "File");
  EXPECT_EQ(backend.ChangesOf("PBar", "Position"), (Values{"25", "25", "100"}));
  EXPECT_EQ(backend.ChangesOf("btnUpdate", "Caption"), (Values{"Go", "Go"}));
  const std::vector<Change> expected{
      {"frmTest", "Caption", "Title"}, {"PBar", "Position", "25"},     {"PBar", "Position", "25"},
      {"PBar", "Position", "100"},     {"btnUpdate", "Caption", "Go"}, {"btnUpdate", "Caption", "Go"},
      {"btnUpdate", "Hint", "Starts"}, {"btnUpdate", "Enabled", "0"},  {"lvFiles", "Columns[0].Caption", "File"}};
  EXPECT_EQ(backend.Changes(), expected);
}

TEST_F(FormTest, ButtonClickRunsItsHandlerOnlyWhileEnabled) {
  ui::TForm form("TfrmTest");
  auto *button = new ui::TImageButton(&form);
  int clicks = 0;
  TObject *sender = nullptr;
  button->OnClick = [&](TObject *Sender) {
    ++clicks;
    sender = Sender;
  };
  button->Click();
  button->SetEnabled(false);
  button->Click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(sender, button);
}

TEST_F(FormTest, ErrorEscapingAHandlerIsShownAndTheProgramCarriesOn) {
  ui::Application().SetTitle("Updater");
  ui::TForm form("TfrmTest");
  auto *button = new ui::TImageButton(&form);
  button->OnClick = [](TObject *) { throw std::runtime_error("Unable to write to x"); };
  backend.ScriptAnswer(ui::TModalResult::OK);
  button->Click();
  const auto boxes = backend.MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "Unable to write to x");
  EXPECT_EQ(boxes[0].Caption, "Updater");
  EXPECT_EQ(boxes[0].Icon, ui::TMsgIcon::Error);
  EXPECT_EQ(boxes[0].Buttons, ui::TMsgButtons::OK);
}

TEST_F(FormTest, ClosingTheMainFormEndsTheMessageLoopAfterEarlierTasks) {
  ui::TForm form("TfrmTest");
  form.SetName("frmTest");
  form.EndLayout();
  std::vector<std::string> ran;
  form.OnShow = [&](TObject *) {
    sys::PostTask(sys::CurrentThreadId(), [&] { ran.push_back("task"); });
    sys::PostTask(sys::CurrentThreadId(), [&] { form.Close(); });
  };
  EXPECT_EQ(ui::Application().Run(form), 0);
  EXPECT_EQ(ran, Values{"task"});
  EXPECT_TRUE(form.Closed());
  EXPECT_EQ(ui::Application().MainForm(), nullptr);
  EXPECT_EQ(backend.ChangesOf("frmTest", "Shown").size(), 1u);
  EXPECT_EQ(backend.ChangesOf("frmTest", "Closed").size(), 1u);
}

TEST_F(FormTest, AnotherThreadCanEndTheLoop) {
  ui::TForm form("TfrmTest");
  form.EndLayout();
  std::optional<sys::Thread> worker;
  form.OnShow = [&](TObject *) { worker.emplace(sys::Thread::Start([] { ui::Application().Terminate(); })); };
  EXPECT_EQ(ui::Application().Run(form), 0);
  ASSERT_TRUE(worker && worker->Valid());
  worker->Join();
}

TEST_F(FormTest, FreeingTheFormFreesItsComponentsFirst) {
  // A component freed with its form still finds the form whole (its class name intact).
  struct ClassNameReader : TComponent {
    ClassNameReader(ui::TForm *form, std::string *seen) : TComponent(form), form(form), seen(seen) {}
    ~ClassNameReader() override { *seen = form->ClassName(); }
    ui::TForm *form;
    std::string *seen;
  };
  std::string seen;
  auto *form = new ui::TForm("TfrmTest");
  new ClassNameReader(form, &seen);
  delete form;
  EXPECT_EQ(seen, "TfrmTest");
}

// A program that forgot to install its backend stops at its first window instead of
// running on without one.
TEST(BackendDeathTest, AWindowWithoutABackendEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::unique_ptr<ui::TBackend> installed = ui::InstallBackend(nullptr);
  EXPECT_DEATH(ui::TForm("TfrmTest").EndLayout(), "no window backend is installed");
  ui::InstallBackend(std::move(installed));
}

}  // namespace
