#include <gtest/gtest.h>

#include "framework/Exceptions.h"

namespace {
class TBase : public TObject {};
class TDerived : public TBase {};
}  // namespace

TEST(TObject, ClassNameIsTheMostDerivedClass) {
  TDerived d;
  TBase& b = d;
  EXPECT_EQ(b.ClassName(), "TDerived");
  EXPECT_TRUE(b.InheritsFrom("TBase"));
  EXPECT_TRUE(b.InheritsFrom("TObject"));
  EXPECT_FALSE(TBase().InheritsFrom("TDerived"));
}

TEST(Exception, AutomationErrorsCarryTheirCodeAndSource) {
  try {
    throw EOleException("failed", static_cast<win::HRESULT>(0x80004005), "KORU", "", 0);
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.Message, "failed");
    EXPECT_EQ(e.ErrorCode, static_cast<win::HRESULT>(0x80004005));
    EXPECT_EQ(dynamic_cast<const EOleException&>(e).Source, "KORU");
    EXPECT_EQ(e.ClassName(), "EOleException");
    EXPECT_TRUE(e.InheritsFrom("Exception"));
    EXPECT_TRUE(e.InheritsFrom("TObject"));
  }
}
