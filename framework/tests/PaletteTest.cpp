// Registering component classes on palette pages and creating them from there.
#include "framework/Palette.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class TPaletteSample : public TComponent {
 public:
  using TComponent::TComponent;
};

class TOtherSample : public TComponent {
 public:
  using TComponent::TComponent;
};

TEST(Palette, PagesKeepTheirClassesOnceEach) {
  RegisterComponents("Samples", {ComponentClassOf<TPaletteSample>()});
  RegisterComponents("More", {ComponentClassOf<TOtherSample>()});
  RegisterComponents("Samples", {ComponentClassOf<TOtherSample>(), ComponentClassOf<TPaletteSample>()});
  EXPECT_EQ(PalettePages(), (std::vector<std::string>{"Samples", "More"}));
  const auto classes = PaletteClasses("Samples");
  ASSERT_EQ(classes.size(), 2u);
  EXPECT_EQ(classes[0].ClassName, "TPaletteSample");
  EXPECT_EQ(classes[1].ClassName, "TOtherSample");
  EXPECT_TRUE(PaletteClasses("None").empty());
}

TEST(Palette, ClassesCreateComponentsWithTheirOwner) {
  RegisterComponents("Samples", {ComponentClassOf<TPaletteSample>()});
  TComponent owner(nullptr);
  TComponent* created = PaletteClasses("Samples")[0].Create(&owner);
  EXPECT_EQ(created->ClassName(), "TPaletteSample");
  EXPECT_EQ(created->Owner(), &owner);
}

}  // namespace
