// The picture viewing tool: shows a picture file through ktvImage, in a
// window of a given size with a given alignment, zoom rule and colour, and
// writes what the window shows to a PNG file; --save writes the picture
// back through SaveToFile, keeping a bitmap file's depth and colour table.
// GIF files come through the picture registry with ktvGIF (their final
// picture). File names are host paths.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/Forms.h"
#include "framework/Picture.h"
#include "images/Gif.h"
#include "images/Image.h"
#include "platform/Desktop.h"
#include "platform/Messages.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace {

constexpr int kExitFailed = 1;  // a file could not be read or written
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: imageview INPUT [--size WxH] [--align RULE] [--zoom RULE|FACTOR]\n"
    "                 [--color #RRGGBB|none] [--save OUTPUT.bmp] [OUTPUT.png]\n"
    "\n"
    "INPUT   a bitmap file (.bmp, .dib, ...) or a GIF file (.gif)\n"
    "--size  the window's size; the picture's own size by default\n"
    "--align none, left, right, centerw, top, topleft, topright, topcenter, bottom,\n"
    "        bottomleft, bottomright, bottomcenter, centerh, centerleft,\n"
    "        centerright, center or tile (none by default)\n"
    "--zoom  none, small (fit, never shrink), large (fit, never enlarge), always,\n"
    "        or a fixed factor such as 0.5 (none by default)\n"
    "--color what is around the picture; the button face by default\n"
    "--save  the picture as a bitmap file in the input's depth and colour table\n"
    "OUTPUT.png  what the window shows\n";

struct UsageError {
  std::string message;
};
struct ToolError {
  std::string message;
};

struct Options {
  std::string input;
  std::optional<std::string> png;
  std::optional<std::string> save;
  int width = 0;  // 0: the picture's
  int height = 0;
  ktvAutoAlign align = aaNone;
  ktvAutoZoom zoom = azNone;
  double factor = 1.0;
  TColor color = clBtnFace;
};

const std::map<std::string, ktvAutoAlign>& AlignNames() {
  static const std::map<std::string, ktvAutoAlign> names = {
      {"none", aaNone},           {"left", aaLeft},
      {"right", aaRight},         {"centerw", aaCenterW},
      {"top", aaTop},             {"topleft", aaTopLeft},
      {"topright", aaTopRight},   {"topcenter", aaTopCenter},
      {"bottom", aaBottom},       {"bottomleft", aaBottomLeft},
      {"bottomright", aaBottomRight}, {"bottomcenter", aaBottomCenter},
      {"centerh", aaCenterH},     {"centerleft", aaCenterLeft},
      {"centerright", aaCenterRight}, {"center", aaCenter},
      {"tile", aaTile}};
  return names;
}

const std::map<std::string, ktvAutoZoom>& ZoomNames() {
  static const std::map<std::string, ktvAutoZoom> names = {
      {"none", azNone}, {"small", azSmall}, {"large", azLarge}, {"always", azAlways}};
  return names;
}

void ParseSize(const std::string& text, Options& options) {
  int width = 0, height = 0;
  char x = 0, rest = 0;
  if (std::sscanf(text.c_str(), "%d%c%d%c", &width, &x, &height, &rest) != 3 || x != 'x' || width <= 0 ||
      height <= 0 || width > 8192 || height > 8192)
    throw UsageError{"a size is WIDTHxHEIGHT, each 1 to 8192: " + text};
  options.width = width;
  options.height = height;
}

void ParseZoom(const std::string& text, Options& options) {
  if (auto it = ZoomNames().find(text); it != ZoomNames().end()) {
    options.zoom = it->second;
    return;
  }
  char* end = nullptr;
  const double factor = std::strtod(text.c_str(), &end);
  if (text.empty() || *end || !(factor > 0) || factor > 100) throw UsageError{"no such zoom: " + text};
  options.zoom = azNone;
  options.factor = factor;
}

TColor ParseColor(const std::string& text) {
  if (text == "none") return clNone;
  unsigned rgb = 0;
  char rest = 0;
  if (text.size() != 7 || std::sscanf(text.c_str(), "#%6x%c", &rgb, &rest) != 1)
    throw UsageError{"a colour is #RRGGBB or none: " + text};
  return win::RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
}

Options ParseArguments(const std::vector<std::string>& args) {
  Options options;
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      files.push_back(arg);
      continue;
    }
    if (i + 1 == args.size()) throw UsageError{arg + " needs a value"};
    const std::string& value = args[++i];
    if (arg == "--size") {
      ParseSize(value, options);
    } else if (arg == "--align") {
      const auto it = AlignNames().find(value);
      if (it == AlignNames().end()) throw UsageError{"no such alignment: " + value};
      options.align = it->second;
    } else if (arg == "--zoom") {
      ParseZoom(value, options);
    } else if (arg == "--color") {
      options.color = ParseColor(value);
    } else if (arg == "--save") {
      options.save = value;
    } else {
      throw UsageError{"no such option: " + arg};
    }
  }
  if (files.empty() || files.size() > 2) throw UsageError{"give one input file and at most one PNG file"};
  options.input = files[0];
  if (files.size() == 2) options.png = files[1];
  if (!options.png && !options.save) throw UsageError{"give a PNG file, --save, or both"};
  return options;
}

// The final picture of a GIF file, as a bitmap.
class TGIFPicture : public TBitmap {
 public:
  TGraphic* NewGraphic() const override { return new TGIFPicture; }
  void LoadFromStream(TStream* Stream) override {
    ktvGIF gif(nullptr);
    gif.UseDelay = false;
    gif.LoadFromStream(Stream, this);
  }
};

std::string WindowsName(const std::string& host) {
  return win::detail::ToWindowsPath(std::filesystem::absolute(host).string());
}

void HandlePendingMessages() {
  win::MSG msg;
  while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
    win::TranslateMessage(&msg);
    win::DispatchMessageA(&msg);
  }
  win::test::PaintPending();
}

// A borderless window at the top-left corner of the screen holding the
// image control over all of it.
class TViewForm : public TForm {
 public:
  explicit TViewForm(const Options& options) : TForm(nullptr), Image(new ktvImage(this)) {
    SetBorderStyle(bsNone);
    Image->SetAlign(alClient);
    Image->SetParent(this);
    Image->SetAutoAlign(options.align);
    Image->SetZoom(options.factor);
    Image->SetAutoZoom(options.zoom);
    Image->SetColor(options.color);
  }
  ktvImage* Image;
};

void Show(TViewForm& form, const Options& options) {
  const int width = options.width ? options.width : form.Image->Picture()->Width();
  const int height = options.height ? options.height : form.Image->Picture()->Height();
  form.SetBounds(0, 0, std::max(width, 1), std::max(height, 1));
  form.Show();
  HandlePendingMessages();
  if (!win::test::SaveWindowPng(form.Handle(), *options.png)) throw ToolError{"cannot write " + *options.png};
  const TRect drawn = form.Image->DrawnRect();
  std::printf("%s: %dx%d, the picture at (%d, %d) %dx%d, zoom %g\n", options.png->c_str(), form.Width(),
              form.Height(), drawn.left, drawn.top, drawn.right - drawn.left, drawn.bottom - drawn.top,
              form.Image->Zoom());
}

void Save(ktvImage& image, const std::string& path) {
  if (!image.SaveToFile(WindowsName(path))) throw ToolError{"cannot write " + path};
  const int depth = image.BitDepth();
  if (depth == 0) {
    std::printf("%s: the picture's own format\n", path.c_str());
  } else if (const TBitmapPalette* palette = image.Palette(); palette && depth <= 8) {
    std::printf("%s: %d bits, %d colours\n", path.c_str(), depth, std::min(int{palette->palNumEntries}, 1 << depth));
  } else {
    std::printf("%s: %d bits\n", path.c_str(), depth);
  }
}

void Run(const Options& options) {
  TPicture::RegisterFileFormat("gif", "GIF", [] { return new TGIFPicture; });
  TViewForm form(options);
  if (!form.Image->LoadFromFile(WindowsName(options.input)))
    throw ToolError{"cannot load " + options.input + " (missing, unreadable, or not a bitmap or GIF file)"};
  if (options.png) Show(form, options);
  if (options.save) Save(*form.Image, *options.save);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    Run(ParseArguments(std::vector<std::string>(argv + 1, argv + argc)));
  } catch (const UsageError& e) {
    std::cerr << "imageview: " << e.message << "\n\n" << kUsage;
    return kExitUsage;
  } catch (const ToolError& e) {
    std::cerr << "imageview: " << e.message << "\n";
    return kExitFailed;
  } catch (const Exception& e) {
    std::cerr << "imageview: " << win::AnsiToUtf8(e.Message) << "\n";
    return kExitFailed;
  }
  return 0;
}
