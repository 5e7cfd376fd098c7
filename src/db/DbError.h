#pragma once
#include <string>
#include "Exception.h"

class TComponent;

// The table engine's error; Component is the dataset or table that raised it (may be none).
class EDatabaseError : public Exception {
public:
  explicit EDatabaseError(std::string message, const TComponent* component = nullptr)
      : Exception(std::move(message)), Component(component) {}
  const TComponent* Component;
};

