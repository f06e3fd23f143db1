#include "ui/Dialogs.h"

#include <gtest/gtest.h>

#include "sys/Thread.h"
#include "ui/Form.h"
#include "tests/support/HeadlessBackend.h"

namespace {

constexpr int kGenerous = 10000;

using ui::TModalResult;
using ui::TMsgButtons;
using ui::TMsgIcon;

TEST(MessageBox, AnswersComeFromTheScriptInOrderAndEveryBoxIsRecorded) {
  ui::THeadlessBackend &backend = ui::UseHeadlessBackend();
  ui::TForm form("TfrmTest");
  form.SetName("frmTest");
  backend.ScriptAnswer(TModalResult::Cancel);
  backend.ScriptAnswer(TModalResult::OK);
  backend.ScriptAnswer(TModalResult::Cancel);
  EXPECT_EQ(ui::ShowMessageBox(&form, "Download 1.3?", "Update", TMsgButtons::OKCancel, TMsgIcon::Information),
            TModalResult::Cancel);
  EXPECT_EQ(ui::ShowMessageBox(&form, "Download 1.3?", "Update", TMsgButtons::OKCancel, TMsgIcon::Information),
            TModalResult::OK);
  // A box with only an OK button answers OK however it is closed.
  EXPECT_EQ(ui::ShowMessageBox(nullptr, "Done", "Update", TMsgButtons::OK, TMsgIcon::Information), TModalResult::OK);
  const auto boxes = backend.MessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].Owner, "frmTest");
  EXPECT_EQ(boxes[0].Text, "Download 1.3?");
  EXPECT_EQ(boxes[0].Caption, "Update");
  EXPECT_EQ(boxes[0].Buttons, TMsgButtons::OKCancel);
  EXPECT_EQ(boxes[1].Answer, TModalResult::OK);
  EXPECT_EQ(boxes[2].Owner, "");
  EXPECT_EQ(boxes[2].Buttons, TMsgButtons::OK);
}

TEST(MessageBox, UnansweredBoxStaysOpenUntilAnAnswerIsScripted) {
  ui::THeadlessBackend &backend = ui::UseHeadlessBackend();
  TModalResult answer = TModalResult::Cancel;
  sys::Thread worker = sys::Thread::Start(
      [&] { answer = ui::ShowMessageBox(nullptr, "Done", "Update", TMsgButtons::OKCancel, TMsgIcon::Information); });
  ASSERT_TRUE(backend.WaitForOpenMessageBoxes(1, kGenerous));
  EXPECT_TRUE(backend.MessageBoxes().empty());
  backend.ScriptAnswer(TModalResult::OK);
  ASSERT_TRUE(backend.WaitForMessageBoxes(1, kGenerous));
  worker.Join();
  EXPECT_EQ(answer, TModalResult::OK);
}

}  // namespace
