#pragma once
#include "Form.h"

class TMemo;

// Shows the modem's raw answers to the compression and line-select queries.
class TfmQueryModem : public TForm {
public:
  explicit TfmQueryModem(TComponent* owner);
  TMemo* Memo1;
};

extern TfmQueryModem* fmQueryModem;
