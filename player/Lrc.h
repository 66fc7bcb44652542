// Lyrics files in the LRC format: timed lines "[mm:ss.xx]text" (several
// time tags may share one text), identification tags "[ti:...]", "[ar:...]",
// "[al:...]", "[by:...]" and "[offset:+/-ms]", and free text lines, which
// make up the lyrics' comment. Anything else is ignored; no input makes the
// reader fail.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

namespace koru {

struct LyricsLine {
  win::LONG tag = 0;  // the moment the line starts, milliseconds into the track
  std::string text;   // code page 932
};

struct LrcDocument {
  std::vector<LyricsLine> lines;  // by time; lines of the same moment keep their file order
  std::string title;
  std::string artist;
  std::string album;
  std::string author;
  std::string comment;  // the free text lines, joined by "\r\n"
};

// Reads LRC text in code page 932, or UTF-8 when it starts with the UTF-8
// byte-order mark. Time tags that do not read as a time are ignored; times
// beyond the 32-bit millisecond range are held at its end.
LrcDocument ParseLrc(std::string_view text);

// The index of the line showing at `positionMs` (the last one started), or
// -1 before the first line.
int LineAt(const LrcDocument& lyrics, win::LONG positionMs);

}  // namespace koru
