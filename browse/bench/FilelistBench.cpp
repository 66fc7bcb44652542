// How fast the file list and the directory tree are beside ls:
//   filelist_bench [FILES]   (10000 files by default)
// builds a folder of FILES files of assorted sizes, then times the file
// list read and sorted by size and by name against `ls -l --sort=size` and
// `ls -l` on the same folder, and the tree's UpdateTree with 1000 expanded
// folders. Each time is the best of several runs; the ratios are list / ls.
// Everything happens under a temporary folder and platform prefix of its own.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "browse/Dirtree.h"
#include "browse/Filelist.h"
#include "platform/Paths.h"

namespace {

constexpr int kRuns = 5;
constexpr int kFolders = 10;
constexpr int kFoldersEach = 100;

double BestMilliseconds(const std::function<void()>& work) {
  double best = 1e300;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

// Files of sizes spread over six orders of magnitude; sparse, so quick to make.
void MakeFiles(const std::filesystem::path& folder, int count) {
  std::filesystem::create_directories(folder);
  unsigned seed = 12345;
  for (int i = 0; i < count; ++i) {
    seed = seed * 1103515245 + 12345;
    const std::filesystem::path file =
        folder / ("file" + std::to_string(seed % 100000) + "_" + std::to_string(i) + ".dat");
    std::ofstream(file).close();
    std::filesystem::resize_file(file, seed % 10000000);
  }
}

// 1000 folders that each hold a folder, under 10 folders.
void MakeFolders(const std::filesystem::path& folder) {
  for (int i = 0; i < kFolders; ++i)
    for (int j = 0; j < kFoldersEach; ++j)
      std::filesystem::create_directories(folder / ("d" + std::to_string(i)) / ("e" + std::to_string(j)) / "x");
}

double ListMilliseconds(const std::string& directory, ktvFileSortType sort) {
  return BestMilliseconds([&] {
    ktvFileList list(static_cast<TComponent*>(nullptr));
    list.SetDirectory(directory);
    list.SetSortType(sort);
  });
}

double LsMilliseconds(const std::string& arguments, const std::string& folder) {
  const std::string command = "ls -l " + arguments + " '" + folder + "' > /dev/null";
  return BestMilliseconds([&] {
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "filelist_bench: %s failed\n", command.c_str());
  });
}

double UpdateTreeMilliseconds(const std::string& directory) {
  ktvDirTree tree(static_cast<TComponent*>(nullptr));
  tree.MakeDirTree();
  tree.SetDirectory(directory);
  TTreeNode* top = tree.GetNode(directory);
  top->Expand(false);
  for (int i = 0; i < top->Count(); ++i) {
    TTreeNode* folder = top->Item(i);
    folder->Expand(false);
    for (int j = 0; j < folder->Count(); ++j) folder->Item(j)->Expand(false);
  }
  std::printf("tree: %zu nodes shown\n", tree.MakeDirList().size());
  return BestMilliseconds([&] { tree.UpdateTree(); });
}

// A new folder under the system's temporary folder, removed at the end.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string name = (std::filesystem::temp_directory_path() / "filelist-bench-XXXXXX").string();
    path_ = mkdtemp(name.data()) ? name : std::string();
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  bool Made() const { return !path_.empty(); }

 private:
  std::string path_;
};

}  // namespace

int main(int argc, char** argv) {
  const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
  TemporaryFolder work;
  if (!work.Made()) {
    std::perror("filelist_bench: temporary folder");
    return 1;
  }
  setenv("LOZG_PREFIX", (work / "prefix").c_str(), 1);
  const std::string fileFolder = work / "files";
  const std::string treeFolder = work / "tree";
  MakeFiles(fileFolder, files);
  MakeFolders(treeFolder);

  const std::string directory = win::detail::ToWindowsPath(fileFolder);
  const double bySize = ListMilliseconds(directory, fstSize);
  const double lsBySize = LsMilliseconds("--sort=size", fileFolder);
  const double byName = ListMilliseconds(directory, fstName);
  const double lsByName = LsMilliseconds("", fileFolder);
  std::printf("folder of %d files (best of %d runs)\n", files, kRuns);
  std::printf("list by size %8.1f ms   ls -l --sort=size %8.1f ms   ratio %.2f\n", bySize, lsBySize, bySize / lsBySize);
  std::printf("list by name %8.1f ms   ls -l             %8.1f ms   ratio %.2f\n", byName, lsByName, byName / lsByName);
  const double update = UpdateTreeMilliseconds(win::detail::ToWindowsPath(treeFolder));
  std::printf("UpdateTree with %d expanded folders %8.1f ms\n", kFolders * kFoldersEach, update);
  return 0;
}
