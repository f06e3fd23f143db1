#include "ui/Form.h"

#include "ui/Application.h"

namespace ui {

TForm::TForm(std::string ClassName, TComponent *AOwner) : TControl(AOwner), FClassName(std::move(ClassName)) {
  PublishCaption();
}

TForm::~TForm() {
  while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
}

void TForm::SetClientSize(int Width, int Height) {
  FClientWidth = Width;
  FClientHeight = Height;
}

void TForm::EndLayout() {
  if (FLayoutEnded) return;
  FLayoutEnded = true;
  BuildPeer(nullptr);
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto *control = dynamic_cast<TControl *>(Components(i))) control->BuildPeer(Peer());
  for (int i = 0; i < ComponentCount(); ++i) Components(i)->WindowLoaded();
}

void TForm::Show() {
  if (Peer()) Peer()->Shown();
  RunHandler(OnShow, this);
}

void TForm::RunOnOwnThread(const std::function<void()> &Call) {
  if (Peer()) {
    Peer()->RunOnOwnerThread(Call);
  } else {
    Call();
  }
}

void TForm::PostToOwnThread(std::function<void()> Task) {
  if (Peer()) {
    Peer()->PostToOwnerThread(std::move(Task));
  } else {
    Task();
  }
}

void TForm::Close() {
  if (FClosed) return;
  if (OnCloseQuery) {
    bool canClose = true;
    OnCloseQuery(this, canClose);
    if (!canClose) return;
  }
  FClosed = true;
  if (Peer()) Peer()->Closed();
  if (Application().MainForm() == this) Application().Terminate();
}

}  // namespace ui
