#include <gtest/gtest.h>

#include "player/Lrc.h"

namespace koru {
namespace {

TEST(KoruLrc, ReadsTimedLines) {
  const LrcDocument doc = ParseLrc("[00:01.50]one\n[00:03.00]two\n");
  ASSERT_EQ(doc.lines.size(), 2u);
  EXPECT_EQ(doc.lines[0].tag, 1500);
}

}  // namespace
}  // namespace koru
