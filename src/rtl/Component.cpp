#include "Component.h"
#include "Exception.h"
#include <algorithm>

namespace {
void Erase(std::vector<TComponent*>& list, TComponent* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}
}

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_) owner_->InsertComponent(this);
  // A component made while its owner loads is part of that load (its Loaded comes with the owner's).
  if (owner_ && owner_->Loading()) state_ |= csLoading;
}

TComponent::~TComponent() {
  state_ |= csDestroying;
  // Tell everyone who asked, then let go of the links both ways.
  auto notifies = freeNotifies_;
  freeNotifies_.clear();
  for (TComponent* c : notifies) {
    c->Notification(this, opRemove);
    Erase(c->freeNotifies_, this);
  }
  // Owned components go last first, as they were made.
  while (!components_.empty()) {
    TComponent* child = components_.back();
    components_.pop_back();
    child->owner_ = nullptr;
    delete child;
  }
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetDesigning(bool on) {
  if (on) state_ |= csDesigning; else state_ &= ~csDesigning;
}

void TComponent::BeginLoading() {
  state_ |= csLoading;
  for (TComponent* c : components_) c->BeginLoading();
}

void TComponent::EndLoading() {
  state_ &= ~csLoading;
  for (TComponent* c : components_) c->EndLoading();
  Loaded();
}

void TComponent::Assign(const TComponent& source) {
  throw Exception("Cannot assign a " + source.Name + " to a " + Name);
}

void TComponent::FreeNotification(TComponent* other) {
  if (!other || other == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end()) {
    freeNotifies_.push_back(other);
    other->freeNotifies_.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  if (!other) return;
  Erase(freeNotifies_, other);
  Erase(other->freeNotifies_, this);
}

void TComponent::InsertComponent(TComponent* child) {
  components_.push_back(child);
}

void TComponent::RemoveComponent(TComponent* child) {
  Erase(components_, child);
}
