#pragma once
#include "KitCustomComponent.h"
#include <vector>

class TKitBaseController;

// Something linked to a controller: told of the controller's changes, and unlinked (its
// Controller cleared) when the controller lets it go or is destroyed. Not owned by it.
class TKitControllerClient {
public:
  virtual ~TKitControllerClient();
  TKitBaseController* Controller() const { return controller_; }
  virtual void ControllerChanged() {}

private:
  friend class TKitBaseController;
  TKitBaseController* controller_ = nullptr;
};

// A component that passes its change notifications on to its linked clients, in list order.
class TKitBaseController : public TKitCustomComponent {
public:
  explicit TKitBaseController(TComponent* owner) : TKitCustomComponent(owner) {}
  ~TKitBaseController() override;

  void Change() override;
  void AddClient(TKitControllerClient* client);
  void RemoveClient(TKitControllerClient* client);
  const std::vector<TKitControllerClient*>& Clients() const { return clients_; }

private:
  std::vector<TKitControllerClient*> clients_;
};
