#pragma once
#include <string>

#include "ui/Controls.h"

namespace ui {

// A top-level window of fixed client size with a single fixed border, a system menu and
// a minimise box, centred on the screen when shown. Its title is its published
// "Caption". A window class derives from TForm, builds its components in its constructor
// (its layout) and then calls EndLayout.
class TForm : public TControl {
 public:
  // ClassName names the window's class, under which its language texts are kept.
  explicit TForm(std::string ClassName, TComponent *AOwner = nullptr);
  // Frees the owned components while the form is still whole, so that none of them
  // outlives the native window it sits in.
  ~TForm() override;

  const std::string &ClassName() const { return FClassName; }
  using TControl::Caption;
  using TControl::SetCaption;

  int ClientWidth() const { return FClientWidth; }
  int ClientHeight() const { return FClientHeight; }
  void SetClientSize(int Width, int Height);

  // Once the layout is built: the backend builds the native window and its controls,
  // then every owned component's WindowLoaded runs, in component order. Only the first
  // call does anything.
  void EndLayout();
  bool LayoutEnded() const { return FLayoutEnded; }

  TNotifyEvent OnShow;
  // Asked before the window closes (by Close, the close box or the system menu); a handler
  // that clears CanClose keeps the window open. Runs on the user-interface thread.
  TCloseQueryEvent OnCloseQuery;
  void Show();
  // Closes the window unless OnCloseQuery refuses; closing the application's main form
  // ends its message loop.
  void Close();
  bool Closed() const { return FClosed; }

  // The form's own thread, the user-interface thread, for work that other threads pass to
  // it so that the form's texts are only ever written there. RunOnOwnThread runs Call
  // there and returns when it has run (at once on that thread); PostToOwnThread queues
  // Task there, where it also runs while that thread is in a modal loop. Before the
  // layout has ended, both run at once.
  void RunOnOwnThread(const std::function<void()> &Call);
  void PostToOwnThread(std::function<void()> Task);

 private:
  std::string FClassName;
  int FClientWidth = 0;
  int FClientHeight = 0;
  bool FLayoutEnded = false;
  bool FClosed = false;
};

}  // namespace ui
