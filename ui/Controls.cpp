#include "ui/Controls.h"

#include <algorithm>

namespace ui {

TControl::TControl(TComponent *AOwner) : TPublishedComponent(AOwner) {
  PublishText(
      "Hint", [this] { return Hint(); }, [this](const std::string &Value) { SetHint(Value); });
}

void TControl::SetBounds(int Left, int Top, int Width, int Height) {
  FLeft = Left;
  FTop = Top;
  FWidth = Width;
  FHeight = Height;
}

void TControl::SetHint(const std::string &Value) {
  FHint = Value;
  if (FPeer) FPeer->HintChanged(FHint);
}

void TControl::SetEnabled(bool Value) {
  FEnabled = Value;
  if (FPeer) FPeer->EnabledChanged(FEnabled);
}

void TControl::SetCaption(const std::string &Value) {
  FCaption = Value;
  if (FPeer) FPeer->CaptionChanged(FCaption);
}

void TControl::PublishCaption() {
  PublishText(
      "Caption", [this] { return Caption(); }, [this](const std::string &Value) { SetCaption(Value); });
}

void TControl::BuildPeer(TControlPeer *Parent) {
  if (!FPeer) FPeer = Backend().CreatePeer(*this, Parent);
}

TLabel::TLabel(TComponent *AOwner) : TControl(AOwner) { PublishCaption(); }

TProgressBar::TProgressBar(TComponent *AOwner) : TControl(AOwner) {
  PublishInteger(
      "Position", [this] { return Position(); }, [this](int Value) { SetPosition(Value); });
}

void TProgressBar::SetPosition(int Value) {
  FPosition = std::clamp(Value, kMinPosition, kMaxPosition);
  if (Peer()) Peer()->PositionChanged(FPosition);
}

TImageButton::TImageButton(TComponent *AOwner) : TControl(AOwner) { PublishCaption(); }

void TImageButton::SetImages(int ImageId, int DisabledImageId) {
  FImageId = ImageId;
  FDisabledImageId = DisabledImageId;
}

void TImageButton::Click() {
  if (Enabled()) RunHandler(OnClick, this);
}

TBevel::TBevel(TComponent *AOwner) : TControl(AOwner) {}

}  // namespace ui
