#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "ui/Backend.h"
#include "ui/Events.h"
#include "ui/Properties.h"

namespace ui {

// A colour as 0x00BBGGRR, or a system colour (high byte 0xFF, low byte its index).
using TColor = std::uint32_t;
inline constexpr TColor clBtnFace = 0xFF00000F;
inline constexpr TColor clWindowText = 0xFF000008;
inline constexpr TColor clSilver = 0x00C0C0C0;
inline constexpr TColor clNavy = 0x00800000;

struct TFont {
  std::string Name = "MS Sans Serif";
  int Height = -11;  // pixels; negative: the character height, as LOGFONT takes it
  TColor Color = clWindowText;
};

// A visible control, owned by the form it sits on. The layout settings (bounds, colour,
// font, tab order) are set while the form builds its layout and read by the backend when
// it builds the native control; texts and state changes are forwarded to it afterwards.
// Every control publishes "Hint".
class TControl : public TPublishedComponent {
 public:
  explicit TControl(TComponent *AOwner);

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetBounds(int Left, int Top, int Width, int Height);

  const std::string &Hint() const { return FHint; }
  void SetHint(const std::string &Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);

  // Position in the tab order, from 0; -1 for a control that takes no focus.
  int TabOrder() const { return FTabOrder; }
  void SetTabOrder(int Value) { FTabOrder = Value; }
  TColor Color() const { return FColor; }
  void SetColor(TColor Value) { FColor = Value; }
  const TFont &Font() const { return FFont; }
  void SetFont(const TFont &Value) { FFont = Value; }

  // The native counterpart, once the control's form has built it; nullptr before.
  TControlPeer *Peer() const { return FPeer.get(); }

 protected:
  // Held by every control, published only by those that show a caption.
  const std::string &Caption() const { return FCaption; }
  void SetCaption(const std::string &Value);
  void PublishCaption();

 private:
  friend class TForm;
  void BuildPeer(TControlPeer *Parent);

  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  std::string FCaption;
  std::string FHint;
  bool FEnabled = true;
  int FTabOrder = -1;
  TColor FColor = clBtnFace;
  TFont FFont;
  std::unique_ptr<TControlPeer> FPeer;
};

// A static line of text of fixed size. Publishes "Caption" and "Hint".
class TLabel : public TControl {
 public:
  explicit TLabel(TComponent *AOwner);
  using TControl::Caption;
  using TControl::SetCaption;

  bool VerticallyCentred() const { return FVerticallyCentred; }
  void SetVerticallyCentred(bool Value) { FVerticallyCentred = Value; }

 private:
  bool FVerticallyCentred = false;
};

// A progress bar from 0 to 100. Publishes "Hint" and the integer "Position".
class TProgressBar : public TControl {
 public:
  static constexpr int kMinPosition = 0;
  static constexpr int kMaxPosition = 100;

  explicit TProgressBar(TComponent *AOwner);
  int Position() const { return FPosition; }
  // Values outside kMinPosition..kMaxPosition are held at the nearer end, as the native bar does.
  void SetPosition(int Value);

 private:
  int FPosition = kMinPosition;
};

// A push button with a caption and an image that has a normal and a disabled state (ids
// of the program's image resources; 0 for none). Publishes "Caption" and "Hint".
class TImageButton : public TControl {
 public:
  explicit TImageButton(TComponent *AOwner);
  using TControl::Caption;
  using TControl::SetCaption;

  int ImageId() const { return FImageId; }
  int DisabledImageId() const { return FDisabledImageId; }
  void SetImages(int ImageId, int DisabledImageId);

  TNotifyEvent OnClick;
  // A click by the user (or a test): runs OnClick unless the button is disabled.
  void Click();

 private:
  int FImageId = 0;
  int FDisabledImageId = 0;
};

enum class TBevelShape { Box, TopLine };
enum class TBevelStyle { Lowered, Raised };

// A decorative line or frame. Publishes "Hint".
class TBevel : public TControl {
 public:
  explicit TBevel(TComponent *AOwner);
  TBevelShape Shape() const { return FShape; }
  void SetShape(TBevelShape Value) { FShape = Value; }
  TBevelStyle Style() const { return FStyle; }
  void SetStyle(TBevelStyle Value) { FStyle = Value; }

 private:
  TBevelShape FShape = TBevelShape::Box;
  TBevelStyle FStyle = TBevelStyle::Lowered;
};

}  // namespace ui
