#include "framework/Format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "framework/SysUtils.h"

char DecimalSeparator = '.';
char ThousandSeparator = ',';
std::string CurrencyString = "\\";
int CurrencyFormat = 0;
int NegCurrFormat = 1;
int CurrencyDecimals = 0;

namespace {

// Widths and precisions beyond this are taken for a malformed format rather
// than allocated.
constexpr int kMaxField = 1 << 16;
constexpr int kSignificantDigits = 15;
constexpr int kMaxDecimals = 18;
constexpr int kAnyDecimals = 9999;

size_t CharSizeAt(std::string_view s, size_t i) { return static_cast<size_t>(CharLength(s, static_cast<int>(i) + 1)); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The first `limit` bytes of s at most, never ending inside a double-byte character.
std::string_view Truncate(std::string_view s, int limit) {
  if (limit < 0 || static_cast<size_t>(limit) >= s.size()) return s;
  size_t length = 0;
  while (length < s.size() && length + CharSizeAt(s, length) <= static_cast<size_t>(limit)) length += CharSizeAt(s, length);
  return s.substr(0, length);
}

std::string Pad(std::string text, int width, bool left) {
  if (width > static_cast<int>(text.size())) {
    const size_t blanks = static_cast<size_t>(width) - text.size();
    if (left)
      text.append(blanks, ' ');
    else
      text.insert(0, blanks, ' ');
  }
  return text;
}

std::string Digits(uint64_t value, unsigned base, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), digits[value % base]);
    value /= base;
  } while (value != 0);
  return text;
}

std::string ZeroPadded(std::string digits, int precision) {
  if (precision > static_cast<int>(digits.size())) digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
  return digits;
}

std::string PointerText(const void* p) {
  return ZeroPadded(Digits(reinterpret_cast<uintptr_t>(p), 16, true), static_cast<int>(2 * sizeof(void*)));
}

// ---- Decimal digits of a number ---------------------------------------------

// |value| = 0.digits times ten to `exponent`; no trailing zeros, none at all for 0.
struct Decimal {
  bool negative = false;
  int exponent = 0;
  std::string digits;
  bool IsZero() const { return digits.empty(); }
};

// Keeps `keep` digits, rounding half away from zero.
void RoundDigits(Decimal& d, int keep) {
  if (keep < 0) {
    d.digits.clear();
    return;
  }
  if (static_cast<size_t>(keep) >= d.digits.size()) return;
  const bool up = d.digits[static_cast<size_t>(keep)] >= '5';
  d.digits.resize(static_cast<size_t>(keep));
  if (!up) return;
  int i = keep - 1;
  while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9') d.digits[static_cast<size_t>(i--)] = '0';
  if (i < 0) {
    d.digits.insert(d.digits.begin(), '1');
    ++d.exponent;
  } else {
    ++d.digits[static_cast<size_t>(i)];
  }
}

// The digits of a finite value: first to 18 digits, then to `precision`
// significant digits and at most `decimals` digits after the point, so
// that 2.675 (stored as 2.67499999...) still rounds as it is written.
Decimal ToDecimal(double value, int precision, int decimals) {
  Decimal d;
  d.negative = std::signbit(value);
  if (value != 0) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.17e", std::fabs(value));
    d.digits = std::string(1, buffer[0]) + std::string(buffer + 2, 17);
    d.exponent = std::atoi(std::strchr(buffer, 'e') + 1) + 1;
    RoundDigits(d, precision);
    if (decimals < kAnyDecimals) RoundDigits(d, d.exponent + decimals);
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.IsZero()) {
    d.negative = false;
    d.exponent = 0;
  }
  return d;
}

bool SpecialText(double value, std::string& text) {
  if (std::isnan(value))
    text = "NAN";
  else if (std::isinf(value))
    text = value < 0 ? "-INF" : "INF";
  else
    return false;
  return true;
}

std::string Grouped(const std::string& digits) {
  if (ThousandSeparator == '\0') return digits;
  std::string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ThousandSeparator;
    text += digits[i];
  }
  return text;
}

// The digits before the point; empty below 1.
std::string IntegerDigits(const Decimal& d) {
  if (d.exponent <= 0) return {};
  std::string text = d.digits.substr(0, std::min(d.digits.size(), static_cast<size_t>(d.exponent)));
  text.append(static_cast<size_t>(d.exponent) - text.size(), '0');
  return text;
}

std::string FractionDigits(const Decimal& d, int count) {
  std::string text;
  for (int j = 0; j < count; ++j) {
    const int at = d.exponent + j;
    text += at >= 0 && static_cast<size_t>(at) < d.digits.size() ? d.digits[static_cast<size_t>(at)] : '0';
  }
  return text;
}

std::string FixedText(const Decimal& d, int decimals, bool grouping) {
  std::string integer = IntegerDigits(d);
  if (integer.empty()) integer = "0";
  std::string text = grouping ? Grouped(integer) : integer;
  if (decimals > 0) text += DecimalSeparator + FractionDigits(d, decimals);
  return text;
}

std::string ExponentDigits(int exponent, int minDigits, bool plus) {
  std::string text = exponent < 0 ? "-" : plus ? "+" : "";
  return text + ZeroPadded(std::to_string(std::abs(exponent)), minDigits);
}

// "d.dddE+ddd"; the general form keeps only the digits there are and no "+".
std::string ExponentText(const Decimal& d, int mantissaDigits, int expDigits, bool general) {
  std::string mantissa = d.IsZero() ? "0" : d.digits;
  if (!general && static_cast<int>(mantissa.size()) < mantissaDigits)
    mantissa.append(static_cast<size_t>(mantissaDigits) - mantissa.size(), '0');
  std::string text(1, mantissa[0]);
  if (mantissa.size() > 1) text += DecimalSeparator + mantissa.substr(1);
  return text + "E" + ExponentDigits(d.IsZero() ? 0 : d.exponent - 1, expDigits, !general);
}

std::string GeneralText(const Decimal& d, int precision, int expDigits) {
  if (d.IsZero()) return "0";
  if (d.exponent > precision || d.exponent < -3) return ExponentText(d, precision, expDigits, true);
  if (d.exponent <= 0) return std::string("0") + DecimalSeparator + std::string(static_cast<size_t>(-d.exponent), '0') + d.digits;
  std::string text = IntegerDigits(d);
  if (d.digits.size() > static_cast<size_t>(d.exponent)) text += DecimalSeparator + d.digits.substr(static_cast<size_t>(d.exponent));
  return text;
}

std::string CurrencyText(double value, int decimals) {
  static constexpr const char* kPositive[] = {"$1", "1$", "$ 1", "1 $"};
  static constexpr const char* kNegative[] = {"($1)", "-$1",  "$-1",  "$1-",  "(1$)", "-1$",  "1-$",   "1$-",
                                              "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
  const Decimal d = ToDecimal(value, kSignificantDigits, decimals);
  const std::string number = FixedText(d, decimals, true);
  const char* pattern = d.negative ? kNegative[std::clamp(NegCurrFormat, 0, 15)] : kPositive[std::clamp(CurrencyFormat, 0, 3)];
  std::string text;
  for (const char* p = pattern; *p; ++p) {
    if (*p == '$')
      text += CurrencyString;
    else if (*p == '1')
      text += number;
    else
      text += *p;
  }
  return text;
}

// ---- Arguments --------------------------------------------------------------

class Arguments {
 public:
  Arguments(std::string_view format, std::initializer_list<TVarRec> args) : format_(format), args_(args) {}

  [[noreturn]] void Invalid() const { throw EConvertError(Format(SInvalidFormat, {format_})); }

  const TVarRec& Next() {
    if (next_ >= args_.size()) throw EConvertError(Format(SArgumentMissing, {format_}));
    return args_.begin()[next_++];
  }

  void Seek(int index) {
    if (index < 0) Invalid();
    next_ = static_cast<size_t>(index);
  }

  int NextInt() {
    const TVarRec& arg = Next();
    if (!IsInteger(arg) || arg.VInteger < -kMaxField || arg.VInteger > kMaxField) Invalid();
    return static_cast<int>(arg.VInteger);
  }

  static bool IsInteger(const TVarRec& arg) { return arg.VType == TVarRec::vtInteger || arg.VType == TVarRec::vtInt64; }
  static bool IsText(const TVarRec& arg) { return arg.VType == TVarRec::vtString || arg.VType == TVarRec::vtChar; }

  // The argument's bits as an unsigned number of its own width.
  static uint64_t Unsigned(const TVarRec& arg) {
    return arg.VType == TVarRec::vtInteger ? static_cast<uint32_t>(arg.VInteger) : static_cast<uint64_t>(arg.VInteger);
  }

  const TVarRec& NextInteger() {
    const TVarRec& arg = Next();
    if (!IsInteger(arg)) Invalid();
    return arg;
  }
  double NextFloat() {
    const TVarRec& arg = Next();
    if (arg.VType != TVarRec::vtExtended) Invalid();
    return arg.VExtended;
  }
  std::string_view NextText() {
    const TVarRec& arg = Next();
    if (!IsText(arg)) Invalid();
    return arg.Text();
  }
  const void* NextPointer() {
    const TVarRec& arg = Next();
    if (arg.VType != TVarRec::vtPointer) Invalid();
    return arg.VPointer;
  }

 private:
  std::string_view format_;
  std::initializer_list<TVarRec> args_;
  size_t next_ = 0;
};

// Reads a number or "*" at `i`; false when there is neither.
bool ReadNumber(std::string_view fmt, size_t& i, Arguments& args, int& value) {
  if (i < fmt.size() && fmt[i] == '*') {
    ++i;
    value = args.NextInt();
    return true;
  }
  if (i >= fmt.size() || !IsDigit(fmt[i])) return false;
  value = 0;
  while (i < fmt.size() && IsDigit(fmt[i])) {
    value = value * 10 + (fmt[i++] - '0');
    if (value > kMaxField) args.Invalid();
  }
  return true;
}

// Appends the literal character at `i` (one or two bytes) and moves past it.
void CopyChar(std::string_view fmt, size_t& i, std::string& out) {
  const size_t n = CharSizeAt(fmt, i);
  out.append(fmt.substr(i, n));
  i += n;
}

// ---- The framework's items --------------------------------------------------

struct Item {
  bool left = false;
  int width = -1;
  int precision = -1;
  char type = 0;
};

Item ParseItem(std::string_view fmt, size_t& i, Arguments& args) {
  Item item;
  int value = 0;
  bool number = ReadNumber(fmt, i, args, value);
  if (number && i < fmt.size() && fmt[i] == ':') {
    ++i;
    args.Seek(value);
    number = false;
  }
  if (!number) {
    if (i < fmt.size() && fmt[i] == '-') {
      item.left = true;
      ++i;
    }
    number = ReadNumber(fmt, i, args, value);
  }
  if (number) {
    item.width = std::abs(value);
    if (value < 0) item.left = true;
  }
  if (i < fmt.size() && fmt[i] == '.') {
    ++i;
    if (!ReadNumber(fmt, i, args, item.precision)) item.precision = 0;
  }
  if (i >= fmt.size()) args.Invalid();
  item.type = AsciiUpper(fmt[i++]);
  return item;
}

std::string ItemText(const Item& item, Arguments& args) {
  switch (item.type) {
    case 'D': {
      const TVarRec& arg = args.NextInteger();
      const bool negative = arg.VInteger < 0;
      const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(arg.VInteger) : static_cast<uint64_t>(arg.VInteger);
      return (negative ? "-" : "") + ZeroPadded(Digits(magnitude, 10, true), item.precision);
    }
    case 'U':
      return ZeroPadded(Digits(Arguments::Unsigned(args.NextInteger()), 10, true), item.precision);
    case 'X':
      return ZeroPadded(Digits(Arguments::Unsigned(args.NextInteger()), 16, true), item.precision);
    case 'P':
      return PointerText(args.NextPointer());
    case 'S':
      return std::string(Truncate(args.NextText(), item.precision));
    case 'E':
    case 'F':
    case 'G':
    case 'N':
    case 'M': {
      const double value = args.NextFloat();
      std::string special;
      if (SpecialText(value, special)) return special;
      if (item.type == 'M') return CurrencyText(value, item.precision < 0 ? CurrencyDecimals : std::min(item.precision, kMaxDecimals));
      if (item.type == 'E' || item.type == 'G') {
        const int precision = item.precision < 0 ? kSignificantDigits : std::clamp(item.precision, 1, kMaxDecimals);
        const Decimal d = ToDecimal(value, std::min(precision, kSignificantDigits), kAnyDecimals);
        const std::string text =
            item.type == 'E' ? ExponentText(d, precision, 3, false) : GeneralText(d, precision, 0);
        return (d.negative ? "-" : "") + text;
      }
      const int decimals = item.precision < 0 ? 2 : std::min(item.precision, kMaxDecimals);
      const Decimal d = ToDecimal(value, kSignificantDigits, decimals);
      return (d.negative ? "-" : "") + FixedText(d, decimals, item.type == 'N');
    }
    default:
      args.Invalid();
  }
}

// ---- C's items --------------------------------------------------------------

struct CItem {
  std::string flags;
  int width = -1;
  int precision = -1;
  char conversion = 0;
  bool Left() const { return flags.find('-') != std::string::npos; }
};

CItem ParseCItem(std::string_view fmt, size_t& i, Arguments& args) {
  CItem item;
  while (i < fmt.size() && std::strchr("-+ #0", fmt[i]) && fmt[i] != '\0') item.flags += fmt[i++];
  int value = 0;
  if (ReadNumber(fmt, i, args, value)) {
    item.width = std::abs(value);
    if (value < 0) item.flags += '-';
  }
  if (i < fmt.size() && fmt[i] == '.') {
    ++i;
    if (!ReadNumber(fmt, i, args, item.precision)) item.precision = 0;
    if (item.precision < 0) item.precision = -1;  // a negative "*" precision is none, as in C
  }
  // Length modifiers: the argument carries its own width.
  for (std::string_view modifier : {"I64", "I32", "hh", "ll", "h", "l", "L", "q", "j", "z", "t"}) {
    if (fmt.substr(i, modifier.size()) == modifier) {
      i += modifier.size();
      break;
    }
  }
  if (i >= fmt.size()) args.Invalid();
  item.conversion = fmt[i++];
  return item;
}

std::string CSpec(const CItem& item, const char* length, char conversion) {
  std::string directive = "%" + item.flags;
  if (item.width >= 0) directive += std::to_string(item.width);
  if (item.precision >= 0) directive += "." + std::to_string(item.precision);
  return directive + length + conversion;
}

template <class T>
std::string Printf(const std::string& directive, T value) {
  const int length = std::snprintf(nullptr, 0, directive.c_str(), value);
  std::string text(static_cast<size_t>(std::max(length, 0)), '\0');
  std::snprintf(text.data(), text.size() + 1, directive.c_str(), value);
  return text;
}

std::string CItemText(const CItem& item, Arguments& args) {
  switch (item.conversion) {
    case 'd':
    case 'i':
      return Printf(CSpec(item, "ll", 'd'), static_cast<long long>(args.NextInteger().VInteger));
    case 'u':
    case 'o':
    case 'x':
    case 'X':
      return Printf(CSpec(item, "ll", item.conversion), static_cast<unsigned long long>(Arguments::Unsigned(args.NextInteger())));
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
      return Printf(CSpec(item, "", item.conversion), args.NextFloat());
    case 'c': {
      const TVarRec& arg = args.Next();
      if (arg.VType != TVarRec::vtChar && arg.VType != TVarRec::vtInteger) args.Invalid();
      const char c = arg.VType == TVarRec::vtChar ? arg.VChar : static_cast<char>(arg.VInteger);
      return Pad(std::string(1, c), item.width, item.Left());
    }
    case 's':
      return Pad(std::string(Truncate(args.NextText(), item.precision)), item.width, item.Left());
    case 'p':
      return Pad(PointerText(args.NextPointer()), item.width, item.Left());
    default:
      args.Invalid();
  }
}

// ---- Pictures of FormatFloat ------------------------------------------------

std::vector<std::string_view> Sections(std::string_view format) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  char quote = 0;
  for (size_t i = 0; i < format.size(); i += CharSizeAt(format, i)) {
    const char c = format[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';' && sections.size() < 2) {
      sections.push_back(format.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(format.substr(start));
  return sections;
}

// An exponent marker: "E+", "E-", "e+" or "e-".
bool IsExponentAt(std::string_view s, size_t i) {
  return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

struct Picture {
  std::string_view text;
  int intPlaceholders = 0;
  int intMinDigits = 0;  // placeholders from the first '0' to the point
  int fracMax = 0;
  int fracMin = 0;  // up to the last '0' after the point
  bool grouping = false;
  bool scientific = false;
};

Picture Analyse(std::string_view text) {
  Picture p;
  p.text = text;
  bool afterPoint = false;
  bool seenZero = false;
  char quote = 0;
  for (size_t i = 0; i < text.size(); i += CharSizeAt(text, i)) {
    const char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (CharSizeAt(text, i) == 2) continue;
    if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '0' || c == '#') {
      if (afterPoint) {
        ++p.fracMax;
        if (c == '0') p.fracMin = p.fracMax;
      } else {
        ++p.intPlaceholders;
        seenZero = seenZero || c == '0';
        if (seenZero) ++p.intMinDigits;
      }
    } else if (c == '.') {
      afterPoint = true;
    } else if (c == ',' && !afterPoint) {
      p.grouping = true;
    } else if (IsExponentAt(text, i)) {
      p.scientific = true;
      break;  // what follows is the exponent's
    }
  }
  return p;
}

class PictureWriter {
 public:
  PictureWriter(const Picture& p, const Decimal& d) : p_(p) {
    if (p.scientific) {
      std::string all = d.digits;
      const size_t wanted = static_cast<size_t>(p.intPlaceholders + p.fracMax);
      if (all.size() < wanted) all.append(wanted - all.size(), '0');
      integer_ = all.substr(0, static_cast<size_t>(p.intPlaceholders));
      integer_.erase(0, std::min(integer_.find_first_not_of('0'), integer_.size()));
      fraction_ = all.substr(static_cast<size_t>(p.intPlaceholders), static_cast<size_t>(p.fracMax));
      exponent_ = d.IsZero() ? 0 : d.exponent - p.intPlaceholders;
    } else {
      integer_ = IntegerDigits(d);
      fraction_ = FractionDigits(d, p.fracMax);
    }
    if (static_cast<int>(integer_.size()) < p.intMinDigits) integer_.insert(0, static_cast<size_t>(p.intMinDigits) - integer_.size(), '0');
    while (static_cast<int>(fraction_.size()) > p.fracMin && fraction_.back() == '0') fraction_.pop_back();
  }

  std::string Write(bool minus) {
    if (minus) out_ += '-';
    const std::string_view text = p_.text;
    char quote = 0;
    for (size_t i = 0; i < text.size();) {
      const char c = text[i];
      const size_t n = CharSizeAt(text, i);
      if (quote || n == 2) {
        if (c == quote)
          quote = 0;
        else
          out_.append(text.substr(i, n));
        i += n;
        continue;
      }
      if (c == '"' || c == '\'') {
        quote = c;
      } else if ((c == '0' || c == '#') && !exponentWritten_) {
        Placeholder();
      } else if (c == '.' && !afterPoint_) {
        IntegerStart();
        afterPoint_ = true;
        if (!fraction_.empty()) out_ += DecimalSeparator;
      } else if (c == ',') {
        // enables grouping, writes nothing itself
      } else if (p_.scientific && !exponentWritten_ && IsExponentAt(text, i)) {
        i = Exponent(i);
        continue;
      } else {
        out_ += c;
      }
      ++i;
    }
    return out_;
  }

 private:
  void Placeholder() {
    if (afterPoint_) {
      if (fracIndex_ < fraction_.size()) out_ += fraction_[fracIndex_];
      ++fracIndex_;
      return;
    }
    IntegerStart();
    const int fromRight = p_.intPlaceholders - 1 - intIndex_++;
    if (fromRight < static_cast<int>(integer_.size())) IntegerDigit(static_cast<size_t>(fromRight));
  }

  // Digits beyond the picture's placeholders come with the first one.
  void IntegerStart() {
    if (integerStarted_) return;
    integerStarted_ = true;
    for (int fromRight = static_cast<int>(integer_.size()) - 1; fromRight >= p_.intPlaceholders; --fromRight)
      IntegerDigit(static_cast<size_t>(fromRight));
  }

  void IntegerDigit(size_t fromRight) {
    out_ += integer_[integer_.size() - 1 - fromRight];
    if (p_.grouping && fromRight > 0 && fromRight % 3 == 0 && ThousandSeparator != '\0') out_ += ThousandSeparator;
  }

  // Writes "E+dd" for the marker at `i`; returns the position after its digits.
  size_t Exponent(size_t i) {
    const std::string_view text = p_.text;
    exponentWritten_ = true;
    int digits = 0;
    size_t j = i + 2;
    while (j < text.size() && text[j] == '0') ++digits, ++j;
    out_ += text[i];
    out_ += ExponentDigits(exponent_, std::min(digits, 4), text[i + 1] == '+');
    return j;
  }

  const Picture& p_;
  std::string integer_;
  std::string fraction_;
  int exponent_ = 0;
  std::string out_;
  bool integerStarted_ = false;
  bool afterPoint_ = false;
  bool exponentWritten_ = false;
  int intIndex_ = 0;
  size_t fracIndex_ = 0;
};

Decimal RoundForPicture(const Picture& p, double magnitude) {
  if (p.scientific)
    return ToDecimal(magnitude, std::clamp(p.intPlaceholders + p.fracMax, 1, kSignificantDigits), kAnyDecimals);
  return ToDecimal(magnitude, kSignificantDigits, p.fracMax);
}

// Copies the format's text, "%%" as "%", and each item (its text after the
// "%" read by `item`, which moves `i` past it).
template <class TextOfItem>
std::string Expand(std::string_view Fmt, std::initializer_list<TVarRec> Args, TextOfItem item) {
  Arguments args(Fmt, Args);
  std::string out;
  for (size_t i = 0; i < Fmt.size();) {
    if (Fmt[i] != '%') {
      CopyChar(Fmt, i, out);
    } else if (i + 1 < Fmt.size() && Fmt[i + 1] == '%') {
      out += '%';
      i += 2;
    } else {
      ++i;
      out += item(i, args);
    }
  }
  return out;
}

}  // namespace

std::string Format(std::string_view Fmt, std::initializer_list<TVarRec> Args) {
  return Expand(Fmt, Args, [&](size_t& i, Arguments& args) {
    const Item item = ParseItem(Fmt, i, args);
    return Pad(ItemText(item, args), item.width, item.left);
  });
}

std::string FormatC(std::string_view Fmt, std::initializer_list<TVarRec> Args) {
  return Expand(Fmt, Args, [&](size_t& i, Arguments& args) { return CItemText(ParseCItem(Fmt, i, args), args); });
}

std::string FloatToStr(double Value) {
  std::string special;
  if (SpecialText(Value, special)) return special;
  const Decimal d = ToDecimal(Value, kSignificantDigits, kAnyDecimals);
  return (d.negative ? "-" : "") + GeneralText(d, kSignificantDigits, 0);
}

std::string FormatFloat(std::string_view Format, double Value) {
  std::string special;
  if (SpecialText(Value, special)) return special;
  if (Format.empty()) return FloatToStr(Value);
  const std::vector<std::string_view> sections = Sections(Format);
  auto has = [&](size_t k) { return k < sections.size() && !sections[k].empty(); };

  size_t section = 0;
  bool minus = false;
  if (Value < 0) {
    if (has(1))
      section = 1;
    else
      minus = true;
  } else if (Value == 0 && has(2)) {
    section = 2;
  }
  Picture picture = Analyse(sections[section]);
  Decimal d = RoundForPicture(picture, std::fabs(Value));
  if (d.IsZero()) {
    // A value that rounds to nothing shows as zero, without a sign.
    minus = false;
    const size_t zeroSection = has(2) ? 2 : 0;
    if (section != zeroSection) {
      section = zeroSection;
      picture = Analyse(sections[section]);
      d = RoundForPicture(picture, 0);
    }
  }
  return PictureWriter(picture, d).Write(minus);
}
