#include "player/Mpris.h"

#include <sdbus-c++/sdbus-c++.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/Paths.h"
#include "platform/Text.h"

namespace koru::mpris {

namespace {

constexpr char kFileScheme[] = "file://";

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~' || c == '/';
}

std::string PercentEncoded(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (Unreserved(c)) {
      out += static_cast<char>(c);
    } else {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", c);
      out += escape;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// False for a broken escape.
bool PercentDecoded(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int high = HexDigit(text[i + 1]);
    const int low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

}  // namespace

int64_t ToMicroseconds(win::LONG ms) { return static_cast<int64_t>(ms) * 1000; }

win::LONG ToMilliseconds(int64_t us) {
  return static_cast<win::LONG>(std::clamp<int64_t>(us / 1000, INT32_MIN, INT32_MAX));
}

double ToMprisVolume(win::LONG volume) { return volume / 1000.0; }

win::LONG FromMprisVolume(double volume) {
  if (!std::isfinite(volume)) return 0;
  return static_cast<win::LONG>(std::lround(std::clamp(volume, 0.0, 1.0) * 1000));
}

win::LONG FromMprisRate(double rate) {
  if (!std::isfinite(rate)) return 100;
  return static_cast<win::LONG>(std::lround(std::clamp(rate, 0.01, 100.0) * 100));
}

std::string PlaybackStatusName(PlayStatus status) {
  switch (status) {
    case kStatusPlaying:
    case kStatusRecording:
    case kStatusSeeking:
      return "Playing";
    case kStatusPaused:
      return "Paused";
    default:
      return "Stopped";
  }
}

PlayStatus ParsePlaybackStatus(const std::string& name) {
  if (name == "Playing") return kStatusPlaying;
  if (name == "Paused") return kStatusPaused;
  return kStatusStopped;
}

std::string FileUrl(const std::string& windowsPath) {
  if (windowsPath.empty()) return {};
  return kFileScheme + PercentEncoded(win::detail::ToHostPath(windowsPath));
}

std::string WindowsPathOfUrl(const std::string& url) {
  if (url.rfind(kFileScheme, 0) != 0) return {};
  std::string rest = url.substr(sizeof kFileScheme - 1);
  // A host part other than this machine's is another machine's file.
  if (rest.rfind("localhost/", 0) == 0) rest = rest.substr(sizeof "localhost" - 1);
  if (rest.empty() || rest[0] != '/') return {};
  std::string host;
  if (!PercentDecoded(rest, host) || host.find('\0') != std::string::npos) return {};
  return win::detail::ToWindowsPath(host);
}

int64_t NumberOf(const sdbus::Variant& value, int64_t fallback) {
  const std::string type = value.peekValueType();
  if (type == "x") return value.get<int64_t>();
  if (type == "t") return static_cast<int64_t>(std::min<uint64_t>(value.get<uint64_t>(), INT64_MAX));
  if (type == "i") return value.get<int32_t>();
  if (type == "u") return value.get<uint32_t>();
  if (type == "d") {
    const double d = value.get<double>();
    return std::isfinite(d) ? static_cast<int64_t>(std::clamp(d, -9.0e18, 9.0e18)) : fallback;
  }
  return fallback;
}

std::unique_ptr<sdbus::IConnection> ConnectSessionBus(std::string& why) {
  try {
    return sdbus::createSessionBusConnection();
  } catch (const sdbus::Error& e) {
    why = "no session bus (" + e.getMessage() + ")";
    return nullptr;
  }
}

}  // namespace koru::mpris
