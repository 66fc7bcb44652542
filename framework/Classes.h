// The persistent and component base classes: assignment between objects,
// and the owner rule with names, state and notifications.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Object.h"
#include "framework/Sets.h"

class TComponent;

using TNotifyEvent = std::function<void(TObject* Sender)>;

// An object whose settings can be copied from another object.
class TPersistent : public TObject {
 public:
  // Copies Source's settings; a class that cannot take them raises
  // EConvertError "Cannot assign a <source class> to a <this class>".
  virtual void Assign(TPersistent* Source);

 protected:
  // Copies this object's settings into Dest; the default cannot.
  virtual void AssignTo(TPersistent* Dest);
  [[noreturn]] void AssignError(TPersistent* Source);
};

enum TComponentStateItem {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
};
using TComponentState = TSet<TComponentStateItem>;

enum TOperation { opInsert, opRemove };

// The state of the modifier keys and mouse buttons with a key or mouse event.
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

// A component and its owner rule: the owner deletes the components it owns,
// the last inserted first; a component deleted otherwise leaves its owner's
// list. Owned components have unique names (ignoring case) or none.
// csDestroying is set when the base part's destruction begins, and on owned
// components before they are deleted; a destructor that must see it for its
// own component calls Destroying() first.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int Index) const;  // EListError for a bad index
  int ComponentIndex() const;              // -1 without an owner
  // The owned component of that name (ignoring case), or null.
  TComponent* FindComponent(std::string_view AName) const;
  // Takes AComponent into this owner's list (out of its former owner's).
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);

  const std::string& Name() const { return name_; }
  // EComponentError when the name is no identifier or the owner holds it.
  virtual void SetName(const std::string& NewName);
  int Tag = 0;

  TComponentState ComponentState() const { return state_; }
  // Called once the design-time properties have been set; ends csLoading.
  virtual void Loaded();
  // Marks this component and everything it owns as being destroyed.
  void Destroying();
  void SetDesigning(bool Value, bool SetChildren = true);
  virtual void Updating();
  virtual void Updated();

  // AComponent is told (Notification with opRemove) when this component is
  // destroyed, and this one when AComponent is. Components of one owner are
  // told through the owner anyway.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

 protected:
  // A component was inserted into or removed from this one's owner, or a
  // component this one asked to be told about is going. Passed on to every
  // owned component. At opInsert from a constructor the new component is not
  // yet complete: compare it, do not call it.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  void ValidateRename(TComponent* AComponent, std::string_view CurName, std::string_view NewName) const;

 private:
  friend class TComponentLoader;

  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  void RemoveNotification(TComponent* AComponent);
  void DestroyComponents();

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  std::string name_;
  TComponentState state_;
};

// Loading of design-time properties, as a form's builder does it: every
// component it adds is in csLoading and csReading while the builder sets its
// properties; Loaded() ends the reading of all and calls their Loaded(), in
// the order they were added.
class TComponentLoader {
 public:
  template <class T>
  T* Add(T* component) {
    Begin(component);
    return component;
  }
  void Loaded();

 private:
  void Begin(TComponent* component);
  std::vector<TComponent*> loading_;
};
