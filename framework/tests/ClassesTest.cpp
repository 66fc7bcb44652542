#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Exceptions.h"

namespace {

std::vector<std::string> journal;

// A component, named after its label, that writes what happens to it into
// the journal.
class TProbe : public TComponent {
 public:
  TProbe(TComponent* owner, const std::string& label) : TComponent(owner) { SetName(label); }
  ~TProbe() override {
    journal.push_back("delete " + Name() + (ComponentState().Contains(csDestroying) ? " destroying" : ""));
  }
  void Loaded() override {
    journal.push_back("loaded " + Name() + (ComponentState().Contains(csReading) ? " reading" : ""));
    TComponent::Loaded();
  }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    journal.push_back(Name() + (operation == opInsert ? " told insert " : " told remove ") + component->Name());
    TComponent::Notification(component, operation);
  }
};

class ClassesTest : public ::testing::Test {
 protected:
  void SetUp() override { journal.clear(); }
};

class TColour : public TPersistent {};
class TPen : public TPersistent {
 public:
  void Assign(TPersistent* source) override {
    if (auto* pen = dynamic_cast<TPen*>(source)) {
      Width = pen->Width;
      return;
    }
    TPersistent::Assign(source);
  }
  int Width = 1;
};

enum TFlag { fA, fB, fC };

}  // namespace

TEST_F(ClassesTest, OwnerDeletesItsComponentsLastInsertedFirst) {
  auto* owner = new TProbe(nullptr, "owner");
  new TProbe(owner, "a");
  new TProbe(owner, "b");
  new TProbe(owner, "c");
  ASSERT_EQ(owner->ComponentCount(), 3);
  journal.clear();
  delete owner;
  // The owner's own part goes first; what it owns sees it going.
  EXPECT_EQ(journal, (std::vector<std::string>{"delete owner", "delete c destroying", "delete b destroying",
                                               "delete a destroying"}));
}

TEST_F(ClassesTest, AComponentDeletedOtherwiseLeavesItsOwner) {
  TProbe owner(nullptr, "owner");
  auto* a = new TProbe(&owner, "a");
  auto* b = new TProbe(&owner, "b");
  auto* c = new TProbe(&owner, "c");
  EXPECT_EQ(b->ComponentIndex(), 1);
  journal.clear();
  delete b;
  EXPECT_EQ(owner.ComponentCount(), 2);
  EXPECT_EQ(owner.Components(0), a);
  EXPECT_EQ(owner.Components(1), c);
  EXPECT_EQ(c->ComponentIndex(), 1);
  // The owner and, through it, every sibling hear of it.
  EXPECT_EQ(journal, (std::vector<std::string>{"delete b", "owner told remove b", "c told remove b", "a told remove b"}));
  try {
    owner.Components(2);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message, "List index out of bounds (2)");
  }
}

TEST_F(ClassesTest, InsertingTellsTheOwnerAndMovesFromAFormerOwner) {
  TProbe first(nullptr, "first");
  TProbe second(nullptr, "second");
  auto* item = new TProbe(&first, "item");
  item->SetName("Item");
  journal.clear();
  second.InsertComponent(item);
  EXPECT_EQ(item->Owner(), &second);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(second.ComponentCount(), 1);
  EXPECT_EQ(journal, (std::vector<std::string>{"first told remove Item", "Item told remove Item",
                                               "second told insert Item", "Item told insert Item"}));
  second.RemoveComponent(item);
  EXPECT_EQ(item->Owner(), nullptr);
  delete item;
  EXPECT_EQ(second.ComponentCount(), 0);
}

TEST_F(ClassesTest, FreeNotificationTellsOfAComponentOfAnotherOwner) {
  TComponent form(nullptr);
  auto* watcher = new TProbe(&form, "watcher");
  auto* watched = new TProbe(nullptr, "watched");
  watched->FreeNotification(watcher);
  journal.clear();
  delete watched;
  EXPECT_EQ(journal, (std::vector<std::string>{"delete watched", "watcher told remove watched"}));

  // Told both ways, and no more once removed.
  auto* other = new TProbe(nullptr, "other");
  other->FreeNotification(watcher);
  auto* silent = new TProbe(nullptr, "silent");
  silent->FreeNotification(watcher);
  silent->RemoveFreeNotification(watcher);
  journal.clear();
  delete watcher;
  EXPECT_EQ(journal, (std::vector<std::string>{"delete watcher", "other told remove watcher"}));
  journal.clear();
  delete silent;
  delete other;
  EXPECT_EQ(journal, (std::vector<std::string>{"delete silent", "delete other"}));
}

TEST_F(ClassesTest, NamesAreIdentifiersUniqueAmongTheOwnersComponents) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  auto* b = new TComponent(&owner);
  a->SetName("BtnPlay");
  EXPECT_EQ(owner.FindComponent("btnplay"), a);
  EXPECT_EQ(owner.FindComponent(""), nullptr);
  try {
    b->SetName("BTNPLAY");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message, "A component named BTNPLAY already exists");
  }
  EXPECT_EQ(b->Name(), "");
  try {
    b->SetName("1Btn");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message, "'1Btn' is not a valid component name");
  }
  a->SetName("BTNPLAY");  // its own name in other letters
  EXPECT_EQ(a->Name(), "BTNPLAY");
  new TComponent(&owner);  // any number of components without a name
  EXPECT_EQ(owner.ComponentCount(), 3);

  // A component of that name cannot join, and stays where it was.
  TComponent elsewhere(nullptr);
  auto* twin = new TComponent(&elsewhere);
  twin->SetName("BtnPlay");
  EXPECT_THROW(owner.InsertComponent(twin), EComponentError);
  EXPECT_EQ(twin->Owner(), &elsewhere);
}

TEST_F(ClassesTest, LoaderEndsReadingThenCallsLoadedInOrder) {
  TProbe form(nullptr, "form");
  TComponentLoader loader;
  loader.Add(&form);
  auto* label = loader.Add(new TProbe(&form, "label"));
  EXPECT_TRUE(label->ComponentState().Contains(csLoading));
  EXPECT_TRUE(label->ComponentState().Contains(csReading));
  journal.clear();
  loader.Loaded();
  EXPECT_EQ(journal, (std::vector<std::string>{"loaded form", "loaded label"}));
  EXPECT_FALSE(form.ComponentState().Contains(csLoading));
  EXPECT_FALSE(label->ComponentState().Contains(csLoading));
  EXPECT_TRUE(form.ComponentState().Empty());
}

TEST_F(ClassesTest, DesigningReachesOwnedAndNewComponents) {
  TComponent form(nullptr);
  auto* before = new TComponent(&form);
  form.SetDesigning(true);
  EXPECT_TRUE(before->ComponentState().Contains(csDesigning));
  auto* after = new TComponent(&form);
  EXPECT_TRUE(after->ComponentState().Contains(csDesigning));
  form.SetDesigning(false);
  EXPECT_FALSE(after->ComponentState().Contains(csDesigning));
  form.SetDesigning(true, false);
  EXPECT_FALSE(after->ComponentState().Contains(csDesigning));
}

TEST_F(ClassesTest, AssignBetweenClassesThatCannotTakeEachOther) {
  TPen a;
  TPen b;
  b.Width = 3;
  a.Assign(&b);
  EXPECT_EQ(a.Width, 3);
  TColour colour;
  try {
    a.Assign(&colour);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "Cannot assign a TColour to a TPen");
  }
  try {
    colour.Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "Cannot assign a nil to a TColour");
  }
}

TEST(TSet, IncludeExcludeAndOperators) {
  TSet<TFlag> set{fA, fC};
  EXPECT_TRUE(set.Contains(fA));
  EXPECT_FALSE(set.Contains(fB));
  set.Include(fB);
  set.Exclude(fA);
  EXPECT_EQ(set, (TSet<TFlag>{fB, fC}));
  EXPECT_EQ(set + TSet<TFlag>{fA}, (TSet<TFlag>{fA, fB, fC}));
  EXPECT_EQ(set - TSet<TFlag>{fC}, TSet<TFlag>{fB});
  EXPECT_EQ((set * TSet<TFlag>{fA, fC}), TSet<TFlag>{fC});
  EXPECT_TRUE((set * TSet<TFlag>{fA}).Empty());
}
