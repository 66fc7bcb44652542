// Formatting of values into text: the framework's Format, a printf-style
// FormatC for the system's C-style formats ("%.2d:%.2d", "%lX"), and the
// number formats of FormatFloat. The locale settings below are the ones
// the number formats read.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

// One argument of a format: an integer (32 or 64 bits), a floating-point
// number, a text, a character or a pointer. It only lives for the call it
// is passed to (texts are not copied).
struct TVarRec {
  enum TKind { vtInteger, vtInt64, vtExtended, vtString, vtChar, vtPointer };

  // 32-bit signed and narrower integers are vtInteger; unsigned 32-bit and
  // wider integers are vtInt64, so that their value is kept.
  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>)
  TVarRec(T value)
      : VType(sizeof(T) < 4 || (sizeof(T) == 4 && std::is_signed_v<T>) ? vtInteger : vtInt64),
        VInteger(static_cast<int64_t>(value)) {}
  template <std::floating_point T>
  TVarRec(T value) : VType(vtExtended), VExtended(static_cast<double>(value)) {}
  TVarRec(char value) : VType(vtChar), VChar(value) {}
  TVarRec(const char* value) : VType(vtString), VString(value ? value : "") {}
  TVarRec(const std::string& value) : VType(vtString), VString(value) {}
  TVarRec(std::string_view value) : VType(vtString), VString(value) {}
  TVarRec(const void* value) : VType(vtPointer), VPointer(value) {}
  TVarRec(std::nullptr_t) : VType(vtPointer) {}
  // A boolean is no number of a format; its text is the caller's choice.
  TVarRec(bool) = delete;

  // The text of a vtString or vtChar argument.
  std::string_view Text() const { return VType == vtChar ? std::string_view(&VChar, 1) : VString; }

  TKind VType;
  int64_t VInteger = 0;
  double VExtended = 0;
  std::string_view VString;
  const void* VPointer = nullptr;
  char VChar = 0;
};

// The framework's Format: "%" [index ":"] ["-"] [width] ["." precision] type,
// the type being d, u, x (upper-case digits), e, f, g, n, m, p or s, in either
// case; index, width and precision may be "*" (taken from the arguments).
// "%%" is a percent sign. A missing argument, an argument of the wrong kind
// or a malformed item raises EConvertError.
std::string Format(std::string_view Fmt, std::initializer_list<TVarRec> Args);

// C's printf formats: flags "-+ #0", width, precision, the length modifiers
// h, hh, l, ll, I64, z and the conversions d i u o x X c s f F e E g G p.
// The width of an integer conversion is the argument's own (32 bits unless
// it is a 64-bit value), as on the 32-bit platform where "%lX" of a
// negative result code gives eight digits. Mismatches raise EConvertError.
std::string FormatC(std::string_view Fmt, std::initializer_list<TVarRec> Args);

// A number as text with 15 significant digits, fixed-point unless the
// exponent is below -4 or above 14 ("1E20", "1.5E-7").
std::string FloatToStr(double Value);

// A number through a picture of up to three sections "positive;negative;zero":
// "0" a digit, "#" a digit where there is one, "." the decimal separator,
// "," anywhere in the integer part the thousands separators, "E+00"/"E-00"
// scientific form, quoted text literally. Rounds half away from zero.
std::string FormatFloat(std::string_view Format, double Value);

// Locale settings of the number formats (Japanese defaults: the currency
// sign is the yen sign of code page 932, written before the number, without
// decimals).
extern char DecimalSeparator;
extern char ThousandSeparator;
extern std::string CurrencyString;
extern int CurrencyFormat;    // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
extern int NegCurrFormat;     // 0 "($1)" to 15 "(1 $)"
extern int CurrencyDecimals;
