// The player's play-list file, a text file in code page 932:
//
//   #KORU play list
//   # lines starting with '#' are comments, blank lines are skipped
//   Songs\01 Morning.trk
//   Z:\music\song.trk<TAB>Title<TAB>Artist<TAB>Text3<TAB>Lyrics<TAB>1<TAB>2<TAB>3<TAB>1<TAB>0<TAB>4<TAB>5<TAB>180000
//
// A line holding only a file name adds that file as the player adds any
// file (its description is read from it). A full line has thirteen fields
// separated by tabs: the file name, the title, the artist, the third text,
// the lyrics file name, then value 1, value 2, value 3, the kind, the drive
// and track value, value 4, value 5 and the length in milliseconds. File
// names may be relative to the play list's folder. Inside a field '%', tab,
// carriage return and line feed are written as "%25", "%09", "%0D", "%0A".
// Saving writes full lines with full paths, so a saved list loads back as
// it was.
#pragma once

#include <string>
#include <vector>

#include "player/Track.h"

namespace koru {

// Reads the play list at the full Windows path `path`. False, with the
// platform's last error (ERROR_BAD_FORMAT for a malformed line) and
// `tracks` untouched, when the file cannot be read or a line is wrong.
bool LoadPlayListFile(const std::string& path, std::vector<Track>& tracks);

// Writes the tracks to `path`, replacing the file as a whole; false with the
// platform's last error.
bool SavePlayListFile(const std::string& path, const std::vector<Track>& tracks);

}  // namespace koru
