#pragma once
#include <functional>
#include <string>
#include <vector>

enum TOperation { opInsert, opRemove };

class TComponent;
using TNotifyEvent = std::function<void(TComponent* sender)>;

// The component base: an owner frees what it owns; state flags tell a component whether it is
// being loaded (properties set, no side effects yet), designed or destroyed.
class TComponent {
public:
  enum State : unsigned { csLoading = 1, csDesigning = 2, csDestroying = 4 };

  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const std::vector<TComponent*>& Components() const { return components_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }

  unsigned ComponentState() const { return state_; }
  bool Loading() const { return state_ & csLoading; }
  bool Designing() const { return state_ & csDesigning; }
  bool Destroying() const { return state_ & csDestroying; }
  void SetDesigning(bool on);

  // Loading sequence: BeginLoading, set properties, EndLoading (clears the flag, then Loaded),
  // for this component and everything it owns.
  void BeginLoading();
  void EndLoading();
  virtual void Loaded() {}

  // Copies the settings of another component of the same kind; the base refuses.
  virtual void Assign(const TComponent& source);

  // Asks to be told (Notification with opRemove) when other is destroyed.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

  std::string Name;
  int Tag = 0;

protected:
  virtual void Notification(TComponent* component, TOperation operation) {}

private:
  void InsertComponent(TComponent* child);
  void RemoveComponent(TComponent* child);

  TComponent* owner_;
  unsigned state_ = 0;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
};
