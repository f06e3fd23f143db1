#include <windows.h>
// After windows.h, which the common controls header needs.
#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <functional>
#include <stdexcept>
#include <vector>

#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Win32Backend.h"

namespace ui {

namespace {

// A call carried to the thread that owns a form's window: lParam points to the
// std::function, which lives on the sender's stack until SendMessage returns.
constexpr UINT kRunOnOwnerMessage = WM_APP + 0x51;
// A task posted to a form's window: lParam owns a heap copy of the std::function. Posted
// to the window rather than to its thread, so that a modal loop dispatches it too.
constexpr UINT kPostedTaskMessage = WM_APP + 0x52;

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

// Runs Call on the thread that owns Form's window: at once when that is the calling
// thread, otherwise through SendMessage, which returns when the owner has run it. A
// window that no longer exists takes no calls.
void RunOnOwner(HWND Form, const std::function<void()> &Call) {
  if (!Form || GetWindowThreadProcessId(Form, nullptr) == GetCurrentThreadId()) {
    Call();
    return;
  }
  SendMessageA(Form, kRunOnOwnerMessage, 0, reinterpret_cast<LPARAM>(&Call));
}

COLORREF ToColorRef(TColor Color) {
  if ((Color >> 24) == 0xFF) return GetSysColor(int(Color & 0xFF));
  return COLORREF(Color & 0x00FFFFFF);
}

HFONT CreateFontOf(const TFont &Font) {
  return CreateFontA(Font.Height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Font.Name.c_str());
}

// A GDI object owned for the lifetime of a peer.
template <typename Handle>
class TGdiObject {
 public:
  explicit TGdiObject(Handle Object = nullptr) : FObject(Object) {}
  ~TGdiObject() {
    if (FObject) DeleteObject(FObject);
  }
  TGdiObject(const TGdiObject &) = delete;
  TGdiObject &operator=(const TGdiObject &) = delete;
  Handle Get() const { return FObject; }

 private:
  Handle FObject;
};

// Shows what an error escaping a window procedure says, and lets the program run on:
// no exception may cross into the system's code.
void ReportEscapedError() {
  try {
    throw;
  } catch (const std::exception &E) {
    Application().ShowException(E);
  } catch (...) {
    Application().ShowException(std::runtime_error("Unexpected error"));
  }
}

class TWin32FormPeer;

// A control that its form paints itself, without a window of its own (the bevel).
class TGraphicPeer : public TControlPeer {
 public:
  virtual void Paint(HDC Dc) = 0;
};

// A control that is a child window of its form. The window's user data points back here,
// so that the form can pass on the notifications its children send it.
class TChildPeer : public TControlPeer {
 public:
  TChildPeer(TControl &Control, TWin32FormPeer &Form, const char *ClassName, DWORD Style);
  ~TChildPeer() override;

  void CaptionChanged(const std::string &Caption) override;
  void EnabledChanged(bool Enabled) override;

  HWND Handle() const { return FHwnd; }
  TControl &Control() const { return FControl; }
  static TChildPeer *FromHandle(HWND Hwnd) {
    return reinterpret_cast<TChildPeer *>(GetWindowLongPtrA(Hwnd, GWLP_USERDATA));
  }

  // Colours of a static control (WM_CTLCOLORSTATIC); nullptr leaves the system's.
  virtual HBRUSH ColorStatic(HDC /*Dc*/) { return nullptr; }
  // Paints an owner-drawn control (WM_DRAWITEM).
  virtual void DrawItem(const DRAWITEMSTRUCT & /*Item*/) {}
  // The control's own notification (WM_COMMAND from it).
  virtual void Command(WORD /*Code*/) {}

 protected:
  HWND FormHandle() const;
  TControl &FControl;
  TWin32FormPeer &FForm;
  HWND FHwnd = nullptr;
  TGdiObject<HFONT> FFont;
};

class TWin32FormPeer : public TControlPeer {
 public:
  TWin32FormPeer(TForm &Form, HICON Icon);
  ~TWin32FormPeer() override;

  void CaptionChanged(const std::string &Caption) override {
    RunOnOwner(FHwnd, [&] { SetWindowTextA(FHwnd, Caption.c_str()); });
  }
  void Shown() override;
  void Closed() override {
    RunOnOwner(FHwnd, [&] { ShowWindow(FHwnd, SW_HIDE); });
  }
  void RunOnOwnerThread(const std::function<void()> &Call) override { RunOnOwner(FHwnd, Call); }
  void PostToOwnerThread(std::function<void()> Task) override {
    auto *owned = new std::function<void()>(std::move(Task));
    // A window that is gone takes no task: it is dropped, as its form is.
    if (!FHwnd || !PostMessageA(FHwnd, kPostedTaskMessage, 0, reinterpret_cast<LPARAM>(owned))) delete owned;
  }

  HWND Handle() const { return FHwnd; }
  void AddGraphic(TGraphicPeer *Graphic) { FGraphics.push_back(Graphic); }
  void RemoveGraphic(TGraphicPeer *Graphic) {
    FGraphics.erase(std::remove(FGraphics.begin(), FGraphics.end(), Graphic), FGraphics.end());
  }
  // Puts a child that takes the focus into the tab order: the system tabs through
  // children in their z-order, so the children that take the focus are kept in z-order
  // by their tab order.
  void AddTabStop(HWND Child, int TabOrder);
  // Moves the focus from Child to the next (or previous) control in the tab order.
  void Tab(HWND Child, bool Backwards) {
    if (HWND next = GetNextDlgTabItem(FHwnd, Child, Backwards)) SetFocus(next);
  }

  static void RegisterClassOf(const TForm &Form, HICON Icon);

 private:
  static LRESULT CALLBACK WindowProc(HWND Hwnd, UINT Msg, WPARAM WParam, LPARAM LParam);
  LRESULT Handle(UINT Msg, WPARAM WParam, LPARAM LParam);
  void Paint();

  TForm &FForm;
  HWND FHwnd = nullptr;
  std::vector<TGraphicPeer *> FGraphics;
  std::vector<std::pair<int, HWND>> FTabStops;
};

// ---------------------------------------------------------------------------- children

TChildPeer::TChildPeer(TControl &Control, TWin32FormPeer &Form, const char *ClassName, DWORD Style)
    : FControl(Control), FForm(Form), FFont(CreateFontOf(Control.Font())) {
  DWORD style = WS_CHILD | WS_VISIBLE | Style;
  if (!Control.Enabled()) style |= WS_DISABLED;
  FHwnd = CreateWindowExA(0, ClassName, "", style, Control.Left(), Control.Top(), Control.Width(), Control.Height(),
                          Form.Handle(), nullptr, Instance(), nullptr);
  if (!FHwnd) return;
  SetWindowLongPtrA(FHwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SendMessageA(FHwnd, WM_SETFONT, WPARAM(FFont.Get()), FALSE);
}

TChildPeer::~TChildPeer() {
  if (!FHwnd) return;
  RunOnOwner(FormHandle(), [this] {
    SetWindowLongPtrA(FHwnd, GWLP_USERDATA, 0);
    DestroyWindow(FHwnd);
  });
}

HWND TChildPeer::FormHandle() const { return FForm.Handle(); }

void TChildPeer::CaptionChanged(const std::string &Caption) {
  RunOnOwner(FormHandle(), [&] { SetWindowTextA(FHwnd, Caption.c_str()); });
}

void TChildPeer::EnabledChanged(bool Enabled) {
  RunOnOwner(FormHandle(), [&] { EnableWindow(FHwnd, Enabled); });
}

// A static line of text on its own background colour, in its font's colour.
class TLabelPeer : public TChildPeer {
 public:
  TLabelPeer(TLabel &Label, TWin32FormPeer &Form)
      : TChildPeer(Label, Form, "STATIC",
                   SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS | (Label.VerticallyCentred() ? SS_CENTERIMAGE : 0)),
        FBrush(CreateSolidBrush(ToColorRef(Label.Color()))) {}

  HBRUSH ColorStatic(HDC Dc) override {
    SetTextColor(Dc, ToColorRef(FControl.Font().Color));
    SetBkColor(Dc, ToColorRef(FControl.Color()));
    return FBrush.Get();
  }

 private:
  TGdiObject<HBRUSH> FBrush;
};

class TProgressBarPeer : public TChildPeer {
 public:
  TProgressBarPeer(TProgressBar &Bar, TWin32FormPeer &Form) : TChildPeer(Bar, Form, PROGRESS_CLASSA, 0) {
    SendMessageA(FHwnd, PBM_SETRANGE32, TProgressBar::kMinPosition, TProgressBar::kMaxPosition);
    SendMessageA(FHwnd, PBM_SETPOS, WPARAM(Bar.Position()), 0);
  }
  void PositionChanged(int Position) override {
    RunOnOwner(FormHandle(), [&] { SendMessageA(FHwnd, PBM_SETPOS, WPARAM(Position), 0); });
  }
};

// A push button that draws its image (the disabled one while disabled) left of its
// caption. Tab and Shift+Tab move the focus, since the program's message loop is not a
// dialog's.
class TImageButtonPeer : public TChildPeer {
 public:
  TImageButtonPeer(TImageButton &Button, TWin32FormPeer &Form)
      : TChildPeer(Button, Form, "BUTTON", WS_TABSTOP | BS_OWNERDRAW | BS_PUSHBUTTON),
        FButton(Button),
        FImage(LoadImageOf(Button.ImageId())),
        FDisabledImage(LoadImageOf(Button.DisabledImageId())) {
    if (!FHwnd) return;
    SetWindowSubclass(FHwnd, &TImageButtonPeer::KeyProc, 0, reinterpret_cast<DWORD_PTR>(this));
    Form.AddTabStop(FHwnd, Button.TabOrder());
  }
  ~TImageButtonPeer() override {
    if (FHwnd) RunOnOwner(FormHandle(), [this] { RemoveWindowSubclass(FHwnd, &TImageButtonPeer::KeyProc, 0); });
  }
  void CaptionChanged(const std::string &Caption) override {
    // An owner-drawn button is repainted by hand once its text has changed.
    RunOnOwner(FormHandle(), [&] {
      SetWindowTextA(FHwnd, Caption.c_str());
      InvalidateRect(FHwnd, nullptr, TRUE);
    });
  }
  void Command(WORD Code) override {
    if (Code == BN_CLICKED) FButton.Click();
  }
  void DrawItem(const DRAWITEMSTRUCT &Item) override;

 private:
  static HBITMAP LoadImageOf(int Id) {
    if (Id == 0) return nullptr;
    // Grey picture background becomes the button face colour.
    return HBITMAP(LoadImageA(Instance(), MAKEINTRESOURCEA(Id), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
  }
  static LRESULT CALLBACK KeyProc(HWND Hwnd, UINT Msg, WPARAM WParam, LPARAM LParam, UINT_PTR, DWORD_PTR Data) {
    if (Msg == WM_GETDLGCODE) return DLGC_WANTTAB | DefSubclassProc(Hwnd, Msg, WParam, LParam);
    if (Msg == WM_KEYDOWN && WParam == VK_TAB) {
      auto *self = reinterpret_cast<TImageButtonPeer *>(Data);
      self->FForm.Tab(Hwnd, GetKeyState(VK_SHIFT) < 0);
      return 0;
    }
    return DefSubclassProc(Hwnd, Msg, WParam, LParam);
  }

  TImageButton &FButton;
  TGdiObject<HBITMAP> FImage;
  TGdiObject<HBITMAP> FDisabledImage;
};

void TImageButtonPeer::DrawItem(const DRAWITEMSTRUCT &Item) {
  const bool disabled = Item.itemState & ODS_DISABLED;
  const bool pushed = Item.itemState & ODS_SELECTED;
  HDC dc = Item.hDC;
  RECT frame = Item.rcItem;
  DrawFrameControl(dc, &frame, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

  char text[256] = "";
  GetWindowTextA(FHwnd, text, int(sizeof text));
  HGDIOBJ oldFont = SelectObject(dc, FFont.Get());
  SIZE textSize{};
  GetTextExtentPoint32A(dc, text, lstrlenA(text), &textSize);

  HBITMAP image = disabled && FDisabledImage.Get() ? FDisabledImage.Get() : FImage.Get();
  BITMAP bitmap{};
  if (image) GetObjectA(image, sizeof bitmap, &bitmap);
  const int gap = image && textSize.cx > 0 ? 4 : 0;
  const int offset = pushed ? 1 : 0;
  const int width = bitmap.bmWidth + gap + textSize.cx;
  int left = (frame.left + frame.right - width) / 2 + offset;
  const int middle = (frame.top + frame.bottom) / 2 + offset;

  if (image) {
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ oldBitmap = SelectObject(memory, image);
    BitBlt(dc, left, middle - bitmap.bmHeight / 2, bitmap.bmWidth, bitmap.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteDC(memory);
    left += bitmap.bmWidth + gap;
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  RECT textRect{left, frame.top + offset, left + textSize.cx + 1, frame.bottom + offset};
  DrawTextA(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
  SelectObject(dc, oldFont);

  if (Item.itemState & ODS_FOCUS) {
    RECT focus = frame;
    InflateRect(&focus, -4, -4);
    DrawFocusRect(dc, &focus);
  }
}

// A line or frame painted by the form: a top line is two rows, the light one above the
// dark one when raised and the other way round when lowered.
class TBevelPeer : public TGraphicPeer {
 public:
  TBevelPeer(TBevel &Bevel, TWin32FormPeer &Form) : FBevel(Bevel), FForm(Form) { Form.AddGraphic(this); }
  ~TBevelPeer() override { FForm.RemoveGraphic(this); }

  void Paint(HDC Dc) override {
    const bool raised = FBevel.Style() == TBevelStyle::Raised;
    const COLORREF first = GetSysColor(raised ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW);
    const COLORREF second = GetSysColor(raised ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
    const int left = FBevel.Left(), top = FBevel.Top(), right = FBevel.Left() + FBevel.Width();
    if (FBevel.Shape() == TBevelShape::TopLine) {
      FillRow(Dc, left, right, top, first);
      FillRow(Dc, left, right, top + 1, second);
      return;
    }
    RECT box{left, top, right, top + FBevel.Height()};
    DrawEdge(Dc, &box, raised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
  }

 private:
  static void FillRow(HDC Dc, int Left, int Right, int Top, COLORREF Color) {
    RECT row{Left, Top, Right, Top + 1};
    SetBkColor(Dc, Color);
    ExtTextOutA(Dc, 0, 0, ETO_OPAQUE, &row, nullptr, 0, nullptr);
  }

  TBevel &FBevel;
  TWin32FormPeer &FForm;
};

// ---------------------------------------------------------------------------- the form

void TWin32FormPeer::RegisterClassOf(const TForm &Form, HICON Icon) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExA(Instance(), Form.ClassName().c_str(), &existing)) return;
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &TWin32FormPeer::WindowProc;
  windowClass.hInstance = Instance();
  windowClass.hIcon = Icon;
  windowClass.hIconSm = Icon;
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = Form.ClassName().c_str();
  RegisterClassExA(&windowClass);
}

TWin32FormPeer::TWin32FormPeer(TForm &Form, HICON Icon) : FForm(Form) {
  RegisterClassOf(Form, Icon);
  constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT bounds{0, 0, Form.ClientWidth(), Form.ClientHeight()};
  AdjustWindowRectEx(&bounds, style, FALSE, WS_EX_CONTROLPARENT);
  FHwnd = CreateWindowExA(WS_EX_CONTROLPARENT, Form.ClassName().c_str(), Form.Caption().c_str(), style, CW_USEDEFAULT,
                          CW_USEDEFAULT, bounds.right - bounds.left, bounds.bottom - bounds.top, nullptr, nullptr,
                          Instance(), this);
}

TWin32FormPeer::~TWin32FormPeer() {
  if (!FHwnd) return;
  RunOnOwner(FHwnd, [this] {
    SetWindowLongPtrA(FHwnd, GWLP_USERDATA, 0);
    DestroyWindow(FHwnd);
  });
}

void TWin32FormPeer::Shown() {
  RunOnOwner(FHwnd, [this] {
    RECT window{};
    GetWindowRect(FHwnd, &window);
    const int width = window.right - window.left, height = window.bottom - window.top;
    SetWindowPos(FHwnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(FHwnd, SW_SHOW);
    UpdateWindow(FHwnd);
    if (!FTabStops.empty()) SetFocus(FTabStops.front().second);
  });
}

void TWin32FormPeer::AddTabStop(HWND Child, int TabOrder) {
  FTabStops.emplace_back(TabOrder, Child);
  std::stable_sort(FTabStops.begin(), FTabStops.end(), [](const auto &A, const auto &B) { return A.first < B.first; });
  HWND after = HWND_TOP;
  for (const auto &stop : FTabStops) {
    SetWindowPos(stop.second, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = stop.second;
  }
}

LRESULT CALLBACK TWin32FormPeer::WindowProc(HWND Hwnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_NCCREATE) {
    auto *peer = static_cast<TWin32FormPeer *>(reinterpret_cast<CREATESTRUCTA *>(LParam)->lpCreateParams);
    peer->FHwnd = Hwnd;
    SetWindowLongPtrA(Hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(peer));
  }
  auto *peer = reinterpret_cast<TWin32FormPeer *>(GetWindowLongPtrA(Hwnd, GWLP_USERDATA));
  if (!peer) return DefWindowProcA(Hwnd, Msg, WParam, LParam);
  try {
    return peer->Handle(Msg, WParam, LParam);
  } catch (...) {
    ReportEscapedError();
    return 0;
  }
}

LRESULT TWin32FormPeer::Handle(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case kRunOnOwnerMessage:
      (*reinterpret_cast<const std::function<void()> *>(LParam))();
      return 0;
    case kPostedTaskMessage: {
      std::unique_ptr<std::function<void()>> task(reinterpret_cast<std::function<void()> *>(LParam));
      (*task)();
      return 0;
    }
    case WM_CLOSE:
      // The form decides; the window itself lives until its peer is freed.
      FForm.Close();
      return 0;
    case WM_COMMAND:
      if (LParam)
        if (TChildPeer *child = TChildPeer::FromHandle(HWND(LParam))) child->Command(HIWORD(WParam));
      return 0;
    case WM_DRAWITEM: {
      const auto &item = *reinterpret_cast<const DRAWITEMSTRUCT *>(LParam);
      if (TChildPeer *child = TChildPeer::FromHandle(item.hwndItem)) child->DrawItem(item);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
      if (TChildPeer *child = TChildPeer::FromHandle(HWND(LParam)))
        if (HBRUSH brush = child->ColorStatic(HDC(WParam))) return LRESULT(brush);
      break;
    case WM_PAINT:
      Paint();
      return 0;
    default:
      break;
  }
  return DefWindowProcA(FHwnd, Msg, WParam, LParam);
}

void TWin32FormPeer::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(FHwnd, &paint);
  for (TGraphicPeer *graphic : FGraphics) graphic->Paint(dc);
  EndPaint(FHwnd, &paint);
}

// ---------------------------------------------------------------------------- backend

class TWin32Backend : public TBackend {
 public:
  explicit TWin32Backend(int IconId) : FIcon(LoadIconA(Instance(), MAKEINTRESOURCEA(IconId))) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
  }

  std::unique_ptr<TControlPeer> CreatePeer(TControl &Control, TControlPeer *Parent) override {
    if (auto *form = dynamic_cast<TForm *>(&Control)) return std::make_unique<TWin32FormPeer>(*form, FIcon);
    auto *parent = dynamic_cast<TWin32FormPeer *>(Parent);
    if (!parent) return nullptr;
    if (auto *label = dynamic_cast<TLabel *>(&Control)) return std::make_unique<TLabelPeer>(*label, *parent);
    if (auto *bar = dynamic_cast<TProgressBar *>(&Control)) return std::make_unique<TProgressBarPeer>(*bar, *parent);
    if (auto *button = dynamic_cast<TImageButton *>(&Control))
      return std::make_unique<TImageButtonPeer>(*button, *parent);
    if (auto *bevel = dynamic_cast<TBevel *>(&Control)) return std::make_unique<TBevelPeer>(*bevel, *parent);
    return nullptr;
  }

  TModalResult ShowMessageBox(TForm *Owner, const std::string &Text, const std::string &Caption, TMsgButtons Buttons,
                              TMsgIcon Icon) override {
    auto *form = Owner ? dynamic_cast<TWin32FormPeer *>(Owner->Peer()) : nullptr;
    HWND owner = form ? form->Handle() : nullptr;
    UINT flags = Buttons == TMsgButtons::OKCancel ? MB_OKCANCEL : MB_OK;
    switch (Icon) {
      case TMsgIcon::Information:
        flags |= MB_ICONINFORMATION;
        break;
      case TMsgIcon::Warning:
        flags |= MB_ICONWARNING;
        break;
      case TMsgIcon::Error:
        flags |= MB_ICONERROR;
        break;
      case TMsgIcon::Question:
        flags |= MB_ICONQUESTION;
        break;
      case TMsgIcon::None:
        break;
    }
    int answer = IDCANCEL;
    RunOnOwner(owner, [&] { answer = MessageBoxA(owner, Text.c_str(), Caption.c_str(), flags); });
    return answer == IDOK ? TModalResult::OK : TModalResult::Cancel;
  }

 private:
  HICON FIcon;
};

}  // namespace

std::unique_ptr<TBackend> CreateWin32Backend(int IconId) { return std::make_unique<TWin32Backend>(IconId); }

}  // namespace ui
