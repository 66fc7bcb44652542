// The GIF conversion tool: decodes a GIF with ktvGIF and writes the final
// picture, or every rendered frame, as 24-bit bitmap files. Delays and
// waits for user input are not kept. File names are host paths.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>

#include "framework/Bitmaps.h"
#include "framework/Exceptions.h"
#include "framework/Streams.h"
#include "images/Gif.h"
#include "platform/Text.h"

namespace {

constexpr int kExitFailed = 1;  // a file could not be read, decoded or written
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: gif2bmp INPUT.gif OUTPUT.bmp\n"
    "       gif2bmp --frames INPUT.gif PREFIX\n"
    "\n"
    "The first form writes the picture the GIF ends with; --frames writes the\n"
    "picture after each image or text block as PREFIX-000.bmp, PREFIX-001.bmp, ...\n";

struct ToolError {
  std::string message;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ToolError{"cannot read " + path};
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw ToolError{"cannot read " + path};
  return bytes;
}

void WriteBitmap(TBitmap& bitmap, const std::string& path) {
  TMemoryStream data;
  bitmap.SaveToStream(&data);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data.Memory()), static_cast<std::streamsize>(data.Size()));
  if (!out.flush()) throw ToolError{"cannot write " + path};
}

std::string FrameName(const std::string& prefix, int index) {
  char number[16];
  std::snprintf(number, sizeof number, "-%03d.bmp", index);
  return prefix + number;
}

void Convert(const std::string& input, const std::string& output, bool frames) {
  TStringStream stream(ReadFile(input));
  ktvGIF gif(nullptr);
  gif.UseDelay = false;
  TBitmap bitmap;
  int frame = 0;
  if (frames) gif.OnRendered = [&](TObject*, const TRect&) { WriteBitmap(bitmap, FrameName(output, frame++)); };
  try {
    gif.LoadFromStream(&stream, &bitmap);
  } catch (const EInvalidGraphic& e) {
    throw ToolError{input + ": " + win::AnsiToUtf8(e.Message)};
  } catch (const EOutOfResources&) {
    throw ToolError{input + ": the picture is too large"};
  }
  if (!frames) WriteBitmap(bitmap, output);
}

}  // namespace

int main(int argc, char** argv) {
  const bool frames = argc > 1 && std::string_view(argv[1]) == "--frames";
  if (argc != (frames ? 4 : 3)) {
    std::cerr << kUsage;
    return kExitUsage;
  }
  try {
    Convert(argv[frames ? 2 : 1], argv[frames ? 3 : 2], frames);
  } catch (const ToolError& e) {
    std::cerr << "gif2bmp: " << e.message << "\n";
    return kExitFailed;
  }
  return 0;
}
