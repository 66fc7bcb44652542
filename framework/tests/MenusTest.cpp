#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Menus.h"
#include "platform/Menus.h"
#include "platform/Text.h"

namespace {

TMenuItem* NewItem(TComponent* owner, TMenuItem* parent, const std::string& caption, bool radio = false,
                   int group = 0) {
  auto* item = new TMenuItem(owner);
  item->SetCaption(caption);
  item->RadioItem = radio;
  item->GroupIndex = group;
  parent->Add(item);
  return item;
}

std::vector<std::string> Captions(const std::vector<win::test::MenuItemView>& items) {
  std::vector<std::string> captions;
  for (const auto& item : items) captions.push_back(item.caption);
  return captions;
}

class MenuItems : public ::testing::Test {
 protected:
  void SetUp() override {
    win::test::SetMenuErrorReporter([](const std::string& e) { ADD_FAILURE() << e; });
  }
  void TearDown() override {
    win::test::SetMenuErrorReporter({});
    win::test::ClearMenuChoices();
  }
  TComponent owner_{nullptr};
};

TEST_F(MenuItems, CheckingARadioItemUnchecksOnlyItsGroupUnderTheSameParent) {
  TMenu menu(&owner_);
  TMenuItem* root = menu.Items();
  TMenuItem* a = NewItem(&owner_, root, "a", true, 0);
  TMenuItem* b = NewItem(&owner_, root, "b", true, 0);
  TMenuItem* other = NewItem(&owner_, root, "other group", true, 2);
  TMenuItem* plain = NewItem(&owner_, root, "not radio", false, 0);
  TMenuItem* sub = NewItem(&owner_, root, "sub");
  TMenuItem* nested = NewItem(&owner_, sub, "nested", true, 0);
  other->SetChecked(true);
  plain->SetChecked(true);
  nested->SetChecked(true);

  a->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_TRUE(other->Checked());
  EXPECT_TRUE(plain->Checked());
  EXPECT_TRUE(nested->Checked());

  plain->SetChecked(false);  // a plain item touches nothing else
  EXPECT_TRUE(b->Checked());
  b->SetChecked(false);
  EXPECT_FALSE(a->Checked());
}

TEST_F(MenuItems, ItemListsKeepTheirOrderAndRefuseBadRequests) {
  TMenu menu(&owner_);
  TMenuItem* root = menu.Items();
  TMenuItem* first = NewItem(&owner_, root, "first");
  TMenuItem* second = NewItem(&owner_, root, "second");
  auto* inserted = new TMenuItem(&owner_);
  root->Insert(1, inserted);
  EXPECT_EQ(root->Count(), 3);
  EXPECT_EQ(root->IndexOf(inserted), 1);
  EXPECT_EQ(second->MenuIndex(), 2);
  EXPECT_EQ(inserted->Parent(), root);
  EXPECT_THROW(root->Add(first), EMenuError);  // already has a parent
  EXPECT_THROW(root->Items(3), EMenuError);
  EXPECT_THROW(root->Insert(5, new TMenuItem(&owner_)), EMenuError);

  second->SetMenuIndex(0);
  EXPECT_EQ(root->Items(0), second);
  root->Delete(0);  // out of the list, not freed
  EXPECT_EQ(second->Parent(), nullptr);
  EXPECT_EQ(root->IndexOf(second), -1);
  EXPECT_THROW(root->Remove(second), EMenuError);
  root->Add(second);
  EXPECT_NE(first->Command(), second->Command());
  EXPECT_EQ(menu.FindItem(second->Command()), second);

  delete first;  // leaves its parent
  EXPECT_EQ(root->Count(), 2);
  root->Clear();
  EXPECT_EQ(root->Count(), 0);
  EXPECT_EQ(owner_.ComponentCount(), 2);  // the menu and the item never inserted
}

TEST_F(MenuItems, OwnersAndParentsFreeTheItems) {
  int destroyed = 0;
  struct Counted : TMenuItem {
    Counted(TComponent* owner, int& count) : TMenuItem(owner), count_(count) {}
    ~Counted() override { ++count_; }
    int& count_;
  };
  auto* owner = new TComponent(nullptr);
  auto* popup = new TPopupMenu(owner);
  auto* sub = new Counted(owner, destroyed);
  popup->Items()->Add(sub);
  sub->Add(new Counted(owner, destroyed));
  sub->Add(new Counted(nullptr, destroyed));  // freed by its parent alone
  popup->Items()->Add(new Counted(owner, destroyed));
  delete owner;
  EXPECT_EQ(destroyed, 4);

  destroyed = 0;
  TPopupMenu alone(nullptr);
  auto* parent = new Counted(nullptr, destroyed);
  alone.Items()->Add(parent);
  parent->Add(new Counted(nullptr, destroyed));
  delete parent;
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(alone.Items()->Count(), 0);
}

TEST_F(MenuItems, AutomaticAcceleratorsAreShownWithoutChangingCaptions) {
  TPopupMenu popup(&owner_);
  TMenuItem* root = popup.Items();
  TMenuItem* open = NewItem(&owner_, root, "Open");
  NewItem(&owner_, root, "Options");
  NewItem(&owner_, root, "&Print");  // keeps its own; P is taken for the others
  NewItem(&owner_, root, "-");
  NewItem(&owner_, root, "123");
  NewItem(&owner_, root, SJ("終了"));
  NewItem(&owner_, root, "a&&b");
  TMenuItem* sub = NewItem(&owner_, root, "Sub");
  NewItem(&owner_, sub, "Open");  // siblings of its own

  std::vector<win::test::MenuItemView> shown;
  win::test::QueueMenuDismiss([&] { shown = win::test::ReadMenu(win::test::ShownMenu()); });
  popup.Popup(0, 0);
  EXPECT_EQ(Captions(shown),
            (std::vector<std::string>{"&Open", "Op&tions", "&Print", "", "&123", SJ("終了"), "&a&&b", "&Sub"}));
  EXPECT_EQ(Captions(shown[7].items), (std::vector<std::string>{"&Open"}));
  EXPECT_EQ(open->Caption(), "Open");

  popup.AutoHotkeys = maManual;
  win::test::QueueMenuDismiss([&] { shown = win::test::ReadMenu(win::test::ShownMenu()); });
  popup.Popup(0, 0);
  EXPECT_EQ(shown[0].caption, "Open");
  EXPECT_EQ(shown[2].caption, "&Print");
}

class PopupMenus : public MenuItems {
 protected:
  void SetUp() override {
    MenuItems::SetUp();
    popup_.AutoHotkeys = maManual;
    TMenuItem* root = popup_.Items();
    title_ = NewItem(&owner_, root, "Title", true, 0);
    lyrics_ = NewItem(&owner_, root, "Lyrics", true, 0);
    NewItem(&owner_, root, "-");
    position_ = NewItem(&owner_, root, "Position");
    free_ = NewItem(&owner_, position_, "Free", true, 2);
    above_ = NewItem(&owner_, position_, "Above", true, 2);
    hidden_ = NewItem(&owner_, root, "Hidden");
    hidden_->Visible = false;
    disabled_ = NewItem(&owner_, root, "Disabled");
    disabled_->Enabled = false;
    visible_ = NewItem(&owner_, root, "Hide player");
    for (TMenuItem* item : {title_, lyrics_, free_, above_, hidden_, disabled_, visible_})
      item->OnClick = [this](TObject* sender) { clicked_.push_back(static_cast<TMenuItem*>(sender)); };
  }
  TPopupMenu popup_{&owner_};
  TMenuItem *title_, *lyrics_, *position_, *free_, *above_, *hidden_, *disabled_, *visible_;
  std::vector<TMenuItem*> clicked_;
};

TEST_F(PopupMenus, AQueuedChoiceClicksTheItemBeforePopupReturns) {
  win::test::QueueMenuChoice({"Position", "Above"});
  popup_.Popup(100, 100);
  EXPECT_EQ(clicked_, (std::vector<TMenuItem*>{above_}));
  win::test::QueueMenuChoice(lyrics_->Command());
  popup_.Popup(100, 100);
  EXPECT_EQ(clicked_, (std::vector<TMenuItem*>{above_, lyrics_}));
  EXPECT_FALSE(lyrics_->Checked());  // marks are the handler's business without AutoCheck
  EXPECT_EQ(win::test::ShownMenu(), nullptr);
}

TEST_F(PopupMenus, TheShownMenuFollowsWhatOnPopupChanged) {
  popup_.OnPopup = [this](TObject* sender) {
    EXPECT_EQ(sender, &popup_);
    visible_->SetCaption("Show player");
    above_->SetChecked(true);
  };
  std::vector<win::test::MenuItemView> shown;
  win::test::QueueMenuDismiss([&] { shown = win::test::ReadMenu(win::test::ShownMenu()); });
  popup_.Popup(0, 0);
  EXPECT_EQ(Captions(shown), (std::vector<std::string>{"Title", "Lyrics", "", "Position", "Disabled", "Show player"}));
  EXPECT_TRUE(shown[0].radio);
  EXPECT_TRUE(shown[4].grayed);
  ASSERT_EQ(shown[3].items.size(), 2u);
  EXPECT_TRUE(shown[3].items[1].checked);
  EXPECT_FALSE(shown[3].items[0].checked);
  EXPECT_EQ(shown[3].submenu, position_->Handle());
  EXPECT_TRUE(clicked_.empty());  // dismissed: nothing is clicked

  popup_.Popup(0, 0);  // nothing queued: dismissed too
  EXPECT_TRUE(clicked_.empty());
}

TEST_F(PopupMenus, AutoCheckTogglesAndDisabledItemsDoNothing) {
  free_->AutoCheck = true;
  above_->SetChecked(true);
  win::test::QueueMenuChoice({"Position", "Free"});
  popup_.Popup(0, 0);
  EXPECT_TRUE(free_->Checked());
  EXPECT_FALSE(above_->Checked());
  disabled_->Click();
  EXPECT_TRUE(clicked_ == std::vector<TMenuItem*>{free_});
}

TEST_F(PopupMenus, AClickMayFreeThePopupMenu) {
  auto* popup = new TPopupMenu(nullptr);
  auto* exit = new TMenuItem(nullptr);
  exit->SetCaption("Exit");
  popup->Items()->Add(exit);
  bool clicked = false;
  exit->OnClick = [&](TObject*) {
    clicked = true;
    delete popup;
  };
  win::test::QueueMenuChoice({"Exit"});
  popup->Popup(0, 0);
  EXPECT_TRUE(clicked);
}

}  // namespace
