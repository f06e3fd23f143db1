#pragma once
#include <string>
#include <vector>

// The root of the object model. Notifications carry the raising object as Sender.
class TObject {
 public:
  virtual ~TObject() = default;
};

// A component has a name and an owner. The owner keeps its components in creation order
// and frees them when it is freed, last created first. A window is the owner of its
// controls and of its non-visual components (the update engine, the language component).
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent *AOwner);
  ~TComponent() override;
  TComponent(const TComponent &) = delete;
  TComponent &operator=(const TComponent &) = delete;

  TComponent *Owner() const { return FOwner; }
  const std::string &Name() const { return FName; }
  void SetName(const std::string &Name) { FName = Name; }

  // The components this one owns directly, in creation order.
  int ComponentCount() const { return int(FComponents.size()); }
  TComponent *Components(int Index) const { return FComponents[std::size_t(Index)]; }

  // Run once the owning window has been built from its layout and every component's
  // settings are set; the window calls it on each component it owns, in order.
  virtual void WindowLoaded() {}

 private:
  TComponent *FOwner;
  std::string FName;
  std::vector<TComponent *> FComponents;
};
