#pragma once
#include "Form.h"

class TSettingsHost;

// The engine's start-up work, done when the form is made (never shown): a modem set up (the
// wizard on first start), the command set loaded, the user's settings applied to the main
// window (Host), the port opened and ring watching armed or not.
class TfmInitQDX : public TForm {
public:
  TfmInitQDX(TComponent* owner, TSettingsHost* host);

  void FormCreate();
  void CheckModem();
  // Again after each use of the settings dialog (which closed the port first).
  void LoadSettings();

  TSettingsHost* Host;
};

extern TfmInitQDX* fmInitQDX;
