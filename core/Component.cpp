#include "core/Component.h"

#include <algorithm>

TComponent::TComponent(TComponent *AOwner) : FOwner(AOwner) {
  if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
  // Each owned component removes itself from FComponents as it goes.
  while (!FComponents.empty()) delete FComponents.back();
  if (FOwner) {
    auto &siblings = FOwner->FComponents;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}
