#pragma once
#include "Form.h"

class TProgressBar;

// The progress window of the direct modem probe; the search sets caption and position.
class TProgressForm : public TForm {
public:
  explicit TProgressForm(TComponent* owner);
  void FormShow();
  TProgressBar* ProgressBar1;
};

extern TProgressForm* ProgressForm;
