#include "ui/Properties.h"

namespace ui {

TProperty::TProperty(std::string Name, std::function<std::string()> Get, std::function<void(const std::string &)> Set)
    : FName(std::move(Name)), FKind(TPropertyKind::NarrowText), FGetText(std::move(Get)), FSetText(std::move(Set)) {}

TProperty::TProperty(std::string Name, std::function<int()> Get, std::function<void(int)> Set)
    : FName(std::move(Name)), FKind(TPropertyKind::Integer), FGetInteger(std::move(Get)), FSetInteger(std::move(Set)) {}

const TProperty *TPublishedComponent::FindProperty(const std::string &Name) const {
  for (const TProperty &property : FProperties)
    if (property.Name() == Name) return &property;
  return nullptr;
}

void TPublishedComponent::PublishText(const std::string &Name, std::function<std::string()> Get,
                                      std::function<void(const std::string &)> Set) {
  FProperties.emplace_back(Name, std::move(Get), std::move(Set));
}

void TPublishedComponent::PublishInteger(const std::string &Name, std::function<int()> Get,
                                         std::function<void(int)> Set) {
  FProperties.emplace_back(Name, std::move(Get), std::move(Set));
}

const TProperty *FindProperty(const TComponent &Component, const std::string &Name) {
  auto *published = dynamic_cast<const TPublishedComponent *>(&Component);
  return published ? published->FindProperty(Name) : nullptr;
}

}  // namespace ui
