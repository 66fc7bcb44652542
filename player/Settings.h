// The player's settings file: its executable's path with ".ini", a profile
// file of the platform. Section "KORU" holds the design ("Design", absolute
// or relative to the player's folder) and the player's state between runs;
// section "Tool" the tools (name=value, shared with plug-ins, which change
// it and then tell the player); section "Lyrics" the size of the lyrics
// display. A save writes its keys in one replacement of the file (a save cut
// short leaves the old settings whole), and entries that others wrote in
// the same sections survive.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/Types.h"

namespace koru {

struct PlayerSettings {
  std::string design;
  win::LONG left = 100;
  win::LONG top = 100;
  win::LONG volume = 800;
  bool repeat = false;
  bool random = false;
  bool remainTime = false;
  win::LONG displayMode = 0;
  win::LONG rate = 100;
  win::LONG recLevel = 100;
  win::LONG adjustVolLevel = 100;
  win::LONG adjustSpeanaLevel = 100;
  win::LONG lyricsWidth = 246;
  win::LONG lyricsHeight = 38;
};

using ToolList = std::vector<std::pair<std::string, std::string>>;

class SettingsFile {
 public:
  explicit SettingsFile(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }

  // Missing keys keep their defaults.
  PlayerSettings Load() const;
  // False with the platform's last error when a key could not be written.
  bool Save(const PlayerSettings& settings) const;
  bool SaveDesign(const std::string& design) const;
  // The "Tool" section in file order.
  ToolList Tools() const;

 private:
  std::string path_;
};

}  // namespace koru
