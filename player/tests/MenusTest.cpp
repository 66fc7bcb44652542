// The player's menus: the fixed menus, items added under them and under
// each other, and their removal.
#include <gtest/gtest.h>

#include "player/Menus.h"

namespace koru {
namespace {

win::HWND Window(uint32_t id) { return win::HandleFromId<win::HWND>(id); }

TEST(KoruMenus, FixedMenusTakeItemsAndStay) {
  PlayerMenus menus;
  for (win::LONG fixed : {kMenuPlugins, kMenuPlayList, kMenuTools, kMenuPopup}) {
    ASSERT_NE(menus.Find(fixed), nullptr);
    win::LONG id = 0;
    EXPECT_EQ(menus.Add(Window(5), fixed, "item", &id), win::S_OK);
    EXPECT_FALSE(PlayerMenus::IsFixed(id));
    EXPECT_EQ(menus.Delete(fixed), win::E_INVALIDARG);
    ASSERT_EQ(menus.Children(fixed).size(), 1u);
  }
  win::LONG id = 0;
  EXPECT_EQ(menus.Add(Window(5), 0x1234, "orphan", &id), win::E_INVALIDARG);
  EXPECT_EQ(menus.Add(Window(5), kMenuPlugins, "no id", nullptr), win::E_POINTER);
}

TEST(KoruMenus, ItemsAreUniqueAndDeletedWithWhatLiesUnderThem) {
  PlayerMenus menus;
  win::LONG a = 0, b = 0, c = 0, d = 0;
  ASSERT_EQ(menus.Add(Window(5), kMenuPlugins, "a", &a), win::S_OK);
  ASSERT_EQ(menus.Add(Window(5), a, "b", &b), win::S_OK);
  ASSERT_EQ(menus.Add(Window(6), b, "c", &c), win::S_OK);
  ASSERT_EQ(menus.Add(Window(6), kMenuPlugins, "d", &d), win::S_OK);
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_EQ(menus.SetCaption(b, "b2"), win::S_OK);
  EXPECT_EQ(menus.Find(b)->caption, "b2");

  std::vector<MenuItem> removed;
  ASSERT_EQ(menus.Delete(a, &removed), win::S_OK);
  EXPECT_EQ(removed.size(), 3u);
  EXPECT_EQ(menus.Find(c), nullptr);
  EXPECT_EQ(menus.Delete(a), win::E_INVALIDARG);
  EXPECT_EQ(menus.SetCaption(a, "gone"), win::E_INVALIDARG);
  ASSERT_EQ(menus.Children(kMenuPlugins).size(), 1u);
  EXPECT_EQ(menus.Children(kMenuPlugins)[0].id, d);
}

TEST(KoruMenus, ItemsOfAWindowGoWithIt) {
  PlayerMenus menus;
  win::LONG a = 0, b = 0, c = 0;
  menus.Add(Window(5), kMenuTools, "a", &a);
  menus.Add(Window(6), a, "under a, other window", &b);
  menus.Add(Window(6), kMenuTools, "c", &c);
  const std::vector<MenuItem> removed = menus.RemoveOwnedBy(Window(5));
  EXPECT_EQ(removed.size(), 2u);
  EXPECT_EQ(menus.Find(b), nullptr);
  EXPECT_NE(menus.Find(c), nullptr);
}

}  // namespace
}  // namespace koru
