#include "platform/Text.h"

#include <iconv.h>

#include <cerrno>

namespace win {

namespace {

// One iconv conversion, restarted after every sequence it cannot convert
// (which is replaced), so that the result is always complete.
std::string Convert(const char* to, const char* from, std::string_view input, std::string_view replacement,
                    size_t unitSize) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(input);
  std::string out;
  out.reserve(input.size() * 2 + 8);
  char buffer[1024];
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  while (inLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
    out.append(buffer, dst - buffer);
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // Invalid or incomplete input: replace one source unit and go on.
      out.append(replacement);
      size_t skip = std::min(unitSize, inLeft);
      in += skip;
      inLeft -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";
constexpr char16_t kWideReplacement = 0xFFFD;

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) { return Convert("UTF-8", "CP932", ansi, kUtf8Replacement, 1); }

std::string Utf8ToAnsi(std::string_view utf8) { return Convert("CP932//TRANSLIT", "UTF-8", utf8, "?", 1); }

std::u16string AnsiToWide(std::string_view ansi) {
  std::string replacement(reinterpret_cast<const char*>(&kWideReplacement), 2);
  std::string bytes = Convert("UTF-16LE", "CP932", ansi, replacement, 1);
  std::u16string wide(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < wide.size(); ++i)
    wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return wide;
}

std::string WideToAnsi(std::u16string_view wide) {
  std::string bytes(wide.size() * 2, '\0');
  for (size_t i = 0; i < wide.size(); ++i) {
    bytes[2 * i] = static_cast<char>(wide[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(wide[i] >> 8);
  }
  return Convert("CP932//TRANSLIT", "UTF-16LE", bytes, "?", 2);
}

BOOL IsDBCSLeadByte(BYTE b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

}  // namespace win
