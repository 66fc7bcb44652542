// What must hold for any bytes read as a bitmap file the way ktvImage reads
// one: the colour-table reader and the framework's bitmap loader never
// fail otherwise than by refusing; every file the loader takes, the reader
// takes too; and the picture written back at the file's depth with its
// colour table loads again at its size (with its very colours above 8 bits).
// Shared by the fuzzer and the test that replays its corpus.
#pragma once

#include <string>

namespace bmpcheck {

// Pictures beyond this many pixels are read but not written back.
constexpr long long kMaxRewrittenPixels = 1 << 20;

// Empty when all holds, else what did not.
std::string CheckBitmapFile(const std::string& bytes);

}  // namespace bmpcheck
