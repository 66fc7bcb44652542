#include "framework/Palette.h"

#include <algorithm>
#include <mutex>

namespace {

struct PalettePage {
  std::string name;
  std::vector<TComponentClass> classes;
};

struct Palette {
  std::mutex lock;
  std::vector<PalettePage> pages;

  PalettePage* Find(std::string_view name) {
    auto it = std::find_if(pages.begin(), pages.end(), [&](const PalettePage& page) { return page.name == name; });
    return it == pages.end() ? nullptr : &*it;
  }
};

Palette& ThePalette() {
  static auto* palette = new Palette;
  return *palette;
}

}  // namespace

void RegisterComponents(std::string_view Page, std::initializer_list<TComponentClass> Classes) {
  Palette& palette = ThePalette();
  std::lock_guard guard(palette.lock);
  PalettePage* page = palette.Find(Page);
  if (!page) page = &palette.pages.emplace_back(PalettePage{std::string(Page), {}});
  for (const TComponentClass& added : Classes) {
    const bool known = std::any_of(page->classes.begin(), page->classes.end(),
                                   [&](const TComponentClass& c) { return c.ClassName == added.ClassName; });
    if (!known) page->classes.push_back(added);
  }
}

std::vector<std::string> PalettePages() {
  Palette& palette = ThePalette();
  std::lock_guard guard(palette.lock);
  std::vector<std::string> names;
  for (const PalettePage& page : palette.pages) names.push_back(page.name);
  return names;
}

std::vector<TComponentClass> PaletteClasses(std::string_view Page) {
  Palette& palette = ThePalette();
  std::lock_guard guard(palette.lock);
  const PalettePage* page = palette.Find(Page);
  return page ? page->classes : std::vector<TComponentClass>{};
}
