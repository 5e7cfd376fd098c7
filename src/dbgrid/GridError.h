#pragma once
#include "Exception.h"

// A data grid, its link or its selected-rows list used against its rules.
class EInvalidGridOperation : public Exception {
public:
  using Exception::Exception;
};
