#include "core/Component.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Recorded : TComponent {
  Recorded(TComponent *owner, std::string name, std::vector<std::string> *freed) : TComponent(owner), freed(freed) {
    SetName(std::move(name));
  }
  ~Recorded() override { freed->push_back(Name()); }
  std::vector<std::string> *freed;
};

TEST(Component, OwnerListsItsComponentsInCreationOrderAndFreesThemLastFirst) {
  std::vector<std::string> freed;
  auto *window = new Recorded(nullptr, "window", &freed);
  auto *first = new Recorded(window, "first", &freed);
  new Recorded(window, "second", &freed);
  new Recorded(first, "nested", &freed);
  ASSERT_EQ(window->ComponentCount(), 2);
  EXPECT_EQ(window->Components(0)->Name(), "first");
  EXPECT_EQ(window->Components(1)->Name(), "second");
  EXPECT_EQ(first->Owner(), window);
  delete window;
  EXPECT_EQ(freed, (std::vector<std::string>{"window", "second", "first", "nested"}));
}

TEST(Component, FreeingAComponentRemovesItFromItsOwner) {
  std::vector<std::string> freed;
  Recorded window(nullptr, "window", &freed);
  auto *first = new Recorded(&window, "first", &freed);
  new Recorded(&window, "second", &freed);
  delete first;
  ASSERT_EQ(window.ComponentCount(), 1);
  EXPECT_EQ(window.Components(0)->Name(), "second");
}

}  // namespace
