// The directory tree and the file list, linked, for people and scripts:
//   filebrowser [DIR] --png FILE
//       draws a form with the tree and the list opened at DIR (the current
//       folder by default) and writes it to FILE as a PNG picture;
//   filebrowser --list DIR [--sort name|ext|size|time|attr] [--desc] [--size auto|b|k|m|g]
//       prints the list's rows as the list holds them, one a line: the
//       name, size, date and attributes, separated by tabs.
// DIR is a folder of this machine, or a path of the platform's drives (C:\...).
#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "browse/Dirtree.h"
#include "browse/Filelist.h"
#include "framework/Forms.h"
#include "platform/Desktop.h"
#include "platform/Messages.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace {

constexpr char kUsage[] =
    "usage: filebrowser [DIR] --png FILE\n"
    "       filebrowser --list DIR [--sort name|ext|size|time|attr] [--desc] [--size auto|b|k|m|g]\n";

struct Options {
  std::string directory;
  std::string png;
  bool list = false;
  ktvFileSortType sort = fstNone;
  bool descending = false;
  ktvAutoFileSize size = afszAuto;
};

const std::map<std::string, ktvFileSortType> kSorts = {
    {"name", fstName}, {"ext", fstExt}, {"size", fstSize}, {"time", fstTime}, {"attr", fstAttribute}};
const std::map<std::string, ktvAutoFileSize> kSizes = {
    {"auto", afszAuto}, {"b", afszByte}, {"k", afszKByte}, {"m", afszMByte}, {"g", afszGByte}};

// The value of an option that takes one, or an error.
std::optional<std::string> ValueOf(int& index, int argc, char** argv) {
  if (index + 1 >= argc) {
    std::fprintf(stderr, "filebrowser: %s needs a value\n", argv[index]);
    return std::nullopt;
  }
  return std::string(argv[++index]);
}

template <class Kind>
bool Choose(const std::map<std::string, Kind>& kinds, const std::string& option, const std::string& value,
            Kind& kind) {
  const auto found = kinds.find(value);
  if (found == kinds.end()) {
    std::fprintf(stderr, "filebrowser: unknown %s: %s\n", option.c_str(), value.c_str());
    return false;
  }
  kind = found->second;
  return true;
}

std::optional<Options> Parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::optional<std::string> value;
    if (arg == "--png" || arg == "--list" || arg == "--sort" || arg == "--size") {
      value = ValueOf(i, argc, argv);
      if (!value) return std::nullopt;
    }
    if (arg == "--png") {
      options.png = *value;
    } else if (arg == "--list") {
      options.list = true;
      options.directory = *value;
    } else if (arg == "--sort") {
      if (!Choose(kSorts, arg, *value, options.sort)) return std::nullopt;
    } else if (arg == "--size") {
      if (!Choose(kSizes, arg, *value, options.size)) return std::nullopt;
    } else if (arg == "--desc") {
      options.descending = true;
    } else if (arg.rfind("--", 0) == 0 || !options.directory.empty()) {
      std::fprintf(stderr, "filebrowser: unexpected argument %s\n", arg.c_str());
      return std::nullopt;
    } else {
      options.directory = arg;
    }
  }
  if (options.list == !options.png.empty()) return std::nullopt;
  if (options.directory.empty()) options.directory = ".";
  return options;
}

// A path of the platform's drives as it is; a host folder under its drive.
std::string WindowsPath(const std::string& directory) {
  const bool drivePath = directory.size() >= 2 && directory[1] == ':';
  return drivePath ? win::Utf8ToAnsi(directory) : win::detail::ToWindowsPath(directory);
}

bool IsFolder(const std::string& path) {
  const win::DWORD attributes = win::GetFileAttributesA(path.c_str());
  return attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_DIRECTORY);
}

int PrintList(const Options& options, const std::string& directory) {
  ktvFileList list(static_cast<TComponent*>(nullptr));
  list.SetAutoFileSize(options.size);
  list.SetDirectory(directory);
  list.SetSortDirection(options.descending);
  if (options.sort != fstNone) list.SetSortType(options.sort);
  for (int i = 0; i < list.Items()->Count(); ++i) {
    const TListItem* item = list.Items()->Item(i);
    std::string line = win::AnsiToUtf8(item->Caption());
    for (const std::string& text : item->SubItems()) line += "\t" + win::AnsiToUtf8(text);
    std::printf("%s\n", line.c_str());
  }
  return 0;
}

void HandlePendingMessages() {
  win::MSG msg;
  while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
    win::TranslateMessage(&msg);
    win::DispatchMessageA(&msg);
  }
  win::test::PaintPending();
}

// The selected folder in the middle of the tree, with its neighbours round it.
void CentreSelection(ktvDirTree* tree) {
  const std::vector<TTreeNode*> rows = tree->Rows();
  const auto selected = std::find(rows.begin(), rows.end(), tree->Selected());
  if (selected == rows.end()) return;
  tree->SetTopIndex(static_cast<int>(selected - rows.begin()) - tree->VisibleRowCount() / 2);
}

int DrawPng(const Options& options, const std::string& directory) {
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.SetBounds(0, 0, 640, 400);
  form.SetColor(clBtnFace);
  auto* tree = new ktvDirTree(&form);
  tree->SetParent(&form);
  tree->SetBounds(4, 4, 200, 392);
  auto* list = new ktvFileList(&form);
  list->SetParent(&form);
  list->SetBounds(208, 4, 428, 392);
  list->SetSortType(options.sort == fstNone ? fstName : options.sort);
  list->SetSortDirection(options.descending);
  list->SetAutoFileSize(options.size);
  form.Show();
  tree->SetFileList(list);
  tree->SetDirectory(directory);
  // Where the tree has no node for the folder, the list shows it alone.
  list->SetDirectory(directory);
  CentreSelection(tree);
  list->SetFocus();
  if (list->Items()->Count() > 0) list->SetSelected(list->Items()->Item(0));
  HandlePendingMessages();
  if (!win::test::SaveWindowPng(form.Handle(), options.png)) {
    std::fprintf(stderr, "filebrowser: cannot write %s\n", options.png.c_str());
    return 1;
  }
  std::printf("%s\n", options.png.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = Parse(argc, argv);
  if (!options) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string directory = WindowsPath(options->directory);
  if (directory.empty() || !IsFolder(directory)) {
    std::fprintf(stderr, "filebrowser: no such folder: %s\n", options->directory.c_str());
    return 1;
  }
  return options->list ? PrintList(*options, directory) : DrawPng(*options, directory);
}
