#pragma once
#include "Component.h"
#include <string>

// Root of the system-information components.
class TKitSysComponent : public TComponent {
public:
  explicit TKitSysComponent(TComponent* owner) : TComponent(owner) {}
  std::string About;  // shown at design time only
};
