#include "framework/Classes.h"

#include <algorithm>

#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "framework/SysUtils.h"

// ---- TPersistent ------------------------------------------------------------

void TPersistent::Assign(TPersistent* Source) {
  if (!Source) AssignError(nullptr);
  Source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* Source) {
  const std::string sourceName = Source ? Source->ClassName() : "nil";
  throw EConvertError(Format(SAssignError, {sourceName, ClassName()}));
}

// ---- TComponent -------------------------------------------------------------

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Each one told drops its link to this component (RemoveFreeNotification).
  while (!freeNotifies_.empty()) {
    TComponent* other = freeNotifies_.back();
    other->Notification(this, opRemove);
    RemoveNotification(other);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount()) throw EListError(Format(SListIndexError, {Index}));
  return components_[static_cast<size_t>(Index)];
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  const auto& siblings = owner_->components_;
  return static_cast<int>(std::find(siblings.begin(), siblings.end(), this) - siblings.begin());
}

TComponent* TComponent::FindComponent(std::string_view AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* component : components_)
    if (SameText(component->name_, AName)) return component;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent->owner_ == this) return;
  ValidateRename(AComponent, "", AComponent->name_);
  // One owner at a time: two owners would both delete it.
  if (AComponent->owner_) AComponent->owner_->RemoveComponent(AComponent);
  Insert(AComponent);
  if (state_.Contains(csDesigning)) AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (AComponent->owner_ != this) return;
  Notification(AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent) {
  components_.push_back(AComponent);
  AComponent->owner_ = this;
}

void TComponent::Remove(TComponent* AComponent) {
  components_.erase(std::remove(components_.begin(), components_.end(), AComponent), components_.end());
  AComponent->owner_ = nullptr;
}

void TComponent::SetName(const std::string& NewName) {
  if (name_ == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName)) throw EComponentError(Format(SInvalidName, {NewName}));
  if (owner_) owner_->ValidateRename(this, name_, NewName);
  name_ = NewName;
}

void TComponent::ValidateRename(TComponent* AComponent, std::string_view CurName, std::string_view NewName) const {
  if (AComponent && !SameText(CurName, NewName) && FindComponent(NewName))
    throw EComponentError(Format(SDuplicateName, {NewName}));
}

void TComponent::Loaded() { state_.Exclude(csLoading); }

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent* component : components_) component->Destroying();
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  if (Value)
    state_.Include(csDesigning);
  else
    state_.Exclude(csDesigning);
  if (SetChildren)
    for (TComponent* component : components_) component->SetDesigning(Value);
}

void TComponent::Updating() { state_.Include(csUpdating); }
void TComponent::Updated() { state_.Exclude(csUpdating); }

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (!owner_ || AComponent->owner_ != owner_) {
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), AComponent) == freeNotifies_.end()) {
      freeNotifies_.push_back(AComponent);
      AComponent->FreeNotification(this);
    }
  }
  state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  RemoveNotification(AComponent);
  AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* AComponent) {
  freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), AComponent), freeNotifies_.end());
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // A component told may delete others of the list; walk what remains.
  for (size_t i = components_.size(); i > 0;) {
    --i;
    components_[i]->Notification(AComponent, Operation);
    i = std::min(i, components_.size());
  }
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* component = components_.back();
    // Those that asked to be told of others let their siblings know they go.
    if (component->state_.Contains(csFreeNotification))
      RemoveComponent(component);
    else
      Remove(component);
    delete component;
  }
}

// ---- TComponentLoader -------------------------------------------------------

void TComponentLoader::Begin(TComponent* component) {
  component->state_.Include(csLoading);
  component->state_.Include(csReading);
  loading_.push_back(component);
}

void TComponentLoader::Loaded() {
  std::vector<TComponent*> loading;
  loading.swap(loading_);
  for (TComponent* component : loading) component->state_.Exclude(csReading);
  for (TComponent* component : loading) component->Loaded();
}
