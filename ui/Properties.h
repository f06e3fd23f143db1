#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/Component.h"

namespace ui {

// The kinds of published property the toolkit knows. Only what the windows need exists:
// narrow text (system code page) for captions and hints, integers for positions.
enum class TPropertyKind { NarrowText, Integer };

// One published property of a component: its name, its kind and how to read and write it.
// Only the accessors of its kind are set; the language component relies on the kind to
// leave every non-text property alone.
class TProperty {
 public:
  TProperty(std::string Name, std::function<std::string()> Get, std::function<void(const std::string &)> Set);
  TProperty(std::string Name, std::function<int()> Get, std::function<void(int)> Set);

  const std::string &Name() const { return FName; }
  TPropertyKind Kind() const { return FKind; }

  std::string GetText() const { return FGetText(); }
  void SetText(const std::string &Value) const { FSetText(Value); }
  int GetInteger() const { return FGetInteger(); }
  void SetInteger(int Value) const { FSetInteger(Value); }

 private:
  std::string FName;
  TPropertyKind FKind;
  std::function<std::string()> FGetText;
  std::function<void(const std::string &)> FSetText;
  std::function<int()> FGetInteger;
  std::function<void(int)> FSetInteger;
};

// A component whose class publishes properties that can be found by name. Each class
// publishes its own in its constructor, after those of its base classes.
class TPublishedComponent : public TComponent {
 public:
  using TComponent::TComponent;

  // The property published under exactly this name, or nullptr.
  const TProperty *FindProperty(const std::string &Name) const;
  const std::vector<TProperty> &Properties() const { return FProperties; }

 protected:
  void PublishText(const std::string &Name, std::function<std::string()> Get,
                   std::function<void(const std::string &)> Set);
  void PublishInteger(const std::string &Name, std::function<int()> Get, std::function<void(int)> Set);

 private:
  std::vector<TProperty> FProperties;
};

// The property Name of any component: nullptr for components that publish nothing
// (non-visual components of other folders, such as the update engine).
const TProperty *FindProperty(const TComponent &Component, const std::string &Name);

}  // namespace ui
