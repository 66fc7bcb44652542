#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "framework/Exceptions.h"
#include "framework/Format.h"
#include "platform/Text.h"
#include "platform/Types.h"

namespace {

std::string ConvertErrorOf(std::string_view fmt, std::initializer_list<TVarRec> args, bool cStyle = false) {
  try {
    cStyle ? FormatC(fmt, args) : Format(fmt, args);
  } catch (const EConvertError& e) {
    return e.Message;
  }
  return "no error";
}

}  // namespace

TEST(Format, WidthsPrecisionsAndJustification) {
  EXPECT_EQ(Format("%5d|%-5d|%.3d|%d", {42, 42, -5, 0}), "   42|42   |-005|0");
  EXPECT_EQ(Format("%x %X %.4x", {255, 255, 10}), "FF FF 000A");
  EXPECT_EQ(Format("%x %u", {-1, -1}), "FFFFFFFF 4294967295");
  EXPECT_EQ(Format("%d %x", {int64_t{-1}, int64_t{-1}}), "-1 FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format("%u", {4294967295u}), "4294967295");
  EXPECT_EQ(Format("[%6s][%-6s][%.2s]", {"abc", "abc", "abc"}), "[   abc][abc   ][ab]");
  EXPECT_EQ(Format("%s%s", {'x', std::string("y")}), "xy");
  EXPECT_EQ(Format("100%%", {}), "100%");
  EXPECT_EQ(Format("%D", {7}), "7");
}

TEST(Format, IndexesAndStars) {
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), "b a b");
  EXPECT_EQ(Format("%*d|%-*d", {4, 7, 3, 8}), "   7|8  ");
  EXPECT_EQ(Format("%*.*f", {8, 2, 3.14159}), "    3.14");
  EXPECT_EQ(Format("%0:s-%0:s", {"r"}), "r-r");
  EXPECT_EQ(Format("%1:-4s|", {"a", "b"}), "b   |");
}

TEST(Format, FloatingPointTypes) {
  EXPECT_EQ(Format("%f", {1234.5}), "1234.50");
  EXPECT_EQ(Format("%.2f", {2.675}), "2.68");
  EXPECT_EQ(Format("%.0f", {0.5}), "1");
  EXPECT_EQ(Format("%.1f", {-0.04}), "0.0");
  EXPECT_EQ(Format("%n", {1234567.891}), "1,234,567.89");
  EXPECT_EQ(Format("%.0n", {-999.5}), "-1,000");
  EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
  EXPECT_EQ(Format("%.3e", {-0.00012345}), "-1.23E-004");
  EXPECT_EQ(Format("%g|%g|%g", {0.5, 1e20, 100.0}), "0.5|1E20|100");
  EXPECT_EQ(Format("%m", {1234.5}), "\\1,235");
  EXPECT_EQ(Format("%m", {-5.0}), "-\\5");
  EXPECT_EQ(Format("%8.1f|", {-2.25}), "    -2.3|");
  EXPECT_EQ(Format("%f", {std::numeric_limits<double>::infinity()}), "INF");
}

TEST(Format, DoubleByteTextIsKeptWhole) {
  EXPECT_EQ(Format(SJ("表%d"), {1}), SJ("表") + "1");
  EXPECT_EQ(Format("%.3s", {SJ("表表")}), SJ("表"));
  const std::string two = SJ("表");
  const void* pointer = reinterpret_cast<const void*>(uintptr_t{0xABC});
  EXPECT_EQ(Format("%p", {pointer}), std::string(2 * sizeof(void*) - 3, '0') + "ABC");
  EXPECT_EQ(Format("%s", {two}), two);
}

TEST(Format, MismatchesAndMissingArgumentsRaise) {
  EXPECT_EQ(ConvertErrorOf("%d", {"x"}), "Format '%d' invalid or incompatible with argument");
  EXPECT_EQ(ConvertErrorOf("%s", {1.5}), "Format '%s' invalid or incompatible with argument");
  EXPECT_EQ(ConvertErrorOf("%f", {1}), "Format '%f' invalid or incompatible with argument");
  EXPECT_EQ(ConvertErrorOf("%q", {1}), "Format '%q' invalid or incompatible with argument");
  EXPECT_EQ(ConvertErrorOf("abc %", {}), "Format 'abc %' invalid or incompatible with argument");
  EXPECT_EQ(ConvertErrorOf("%d %d", {1}), "No argument for format '%d %d'");
  EXPECT_EQ(ConvertErrorOf("%2:d", {1}), "No argument for format '%2:d'");
  EXPECT_EQ(ConvertErrorOf("%*d", {"w", 1}), "Format '%*d' invalid or incompatible with argument");
  EXPECT_EQ(ConvertErrorOf("%99999999d", {1}), "Format '%99999999d' invalid or incompatible with argument");
}

TEST(FormatC, TheSystemsCStyleFormats) {
  EXPECT_EQ(FormatC("%.2d:%.2d", {5, 7}), "05:07");
  EXPECT_EQ(FormatC("%.3d", {-5}), "-005");
  EXPECT_EQ(FormatC("KORU Lozenge+ Ver.%d.%2d.%d", {6130 / 1000, (6130 % 1000) / 10, 6130 % 10}),
            "KORU Lozenge+ Ver.6.13.0");
  const win::HRESULT failure = static_cast<win::HRESULT>(0x80004005);
  EXPECT_EQ(FormatC("(%s) Error: %lX (%ld) @ %s/%d", {"e", failure, failure, "KORU_TLB", 7}),
            "(e) Error: 80004005 (-2147467259) @ KORU_TLB/7");
  EXPECT_EQ(FormatC("Error[%x]", {failure}), "Error[80004005]");
  EXPECT_EQ(FormatC("%04d|H%02d|%-4s|%4s", {7, 1, "ab", "ab"}), "0007|H01|ab  |  ab");
  EXPECT_EQ(FormatC("%+d %5.1f %c %%", {3, 2.25, 'z'}), "+3   2.2 z %");
  EXPECT_EQ(FormatC("%#x %llu", {255, uint64_t{1} << 40}), "0xff 1099511627776");
  EXPECT_EQ(FormatC("%.*s", {2, SJ("表表")}), SJ("表"));
  EXPECT_EQ(ConvertErrorOf("%d", {"x"}, true), "Format '%d' invalid or incompatible with argument");
  EXPECT_EQ(ConvertErrorOf("%s %s", {"x"}, true), "No argument for format '%s %s'");
}

TEST(FloatToStr, FifteenDigitsFixedOrScientific) {
  EXPECT_EQ(FloatToStr(1.5), "1.5");
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(-2.5), "-2.5");
  EXPECT_EQ(FloatToStr(100), "100");
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FloatToStr(0.0001), "0.0001");
  EXPECT_EQ(FloatToStr(1e-5), "1E-5");
  EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(1.5e20), "1.5E20");
  EXPECT_EQ(FloatToStr(std::nan("")), "NAN");
}

TEST(FormatFloat, ThousandsGrouping) {
  EXPECT_EQ(FormatFloat("#,##0", 0), "0");
  EXPECT_EQ(FormatFloat("#,##0", 999), "999");
  EXPECT_EQ(FormatFloat("#,##0", 1000), "1,000");
  EXPECT_EQ(FormatFloat("#,##0", -1234567), "-1,234,567");
  EXPECT_EQ(FormatFloat("#,##0", 1234.5), "1,235");
  EXPECT_EQ(FormatFloat("#,##0", -0.4), "0");
  EXPECT_EQ(FormatFloat("#,##0.0", 1234.56), "1,234.6");
  EXPECT_EQ(FormatFloat("#,##0 ", 5000), "5,000 ");
  EXPECT_EQ(FormatFloat("#,##0K", 5000 / 1024.0), "5K");
  EXPECT_EQ(FormatFloat("#,##0M", 4194304 / 1048576.0), "4M");
  EXPECT_EQ(FormatFloat("#,##0", 1e20), "100,000,000,000,000,000,000");
}

TEST(FormatFloat, DigitsDecimalsAndRounding) {
  EXPECT_EQ(FormatFloat("0", 2.5), "3");
  EXPECT_EQ(FormatFloat("0", -2.5), "-3");
  EXPECT_EQ(FormatFloat("0.00", 2.675), "2.68");
  EXPECT_EQ(FormatFloat("0.00", 0.125), "0.13");
  EXPECT_EQ(FormatFloat("0.00", 3), "3.00");
  EXPECT_EQ(FormatFloat("0.##", 3), "3");
  EXPECT_EQ(FormatFloat("0.0#", 3.14159), "3.14");
  EXPECT_EQ(FormatFloat("#.##", 0.5), ".5");
  EXPECT_EQ(FormatFloat("000", 7), "007");
  EXPECT_EQ(FormatFloat("0", 99.5), "100");
  EXPECT_EQ(FormatFloat("", 1.5), "1.5");
}

TEST(FormatFloat, SectionsLiteralsAndExponents) {
  EXPECT_EQ(FormatFloat("#,##0;(#,##0);zero", 1234), "1,234");
  EXPECT_EQ(FormatFloat("#,##0;(#,##0);zero", -1234), "(1,234)");
  EXPECT_EQ(FormatFloat("#,##0;(#,##0);zero", 0), "zero");
  EXPECT_EQ(FormatFloat("0;(0);zero", 0.2), "zero");
  EXPECT_EQ(FormatFloat("0;(0)", -0.2), "0");
  EXPECT_EQ(FormatFloat("'#'0\" ;\"", 5), "#5 ;");
  EXPECT_EQ(FormatFloat("0" + SJ("円"), 5), "5" + SJ("円"));
  EXPECT_EQ(FormatFloat("0.00E+00", 12345), "1.23E+04");
  EXPECT_EQ(FormatFloat("0.00E-00", 0.00012345), "1.23E-04");
  EXPECT_EQ(FormatFloat("0.0e+0", 5), "5.0e+0");
  EXPECT_EQ(FormatFloat("0.00E+00", 0), "0.00E+00");
}
