#pragma once
#include "Form.h"
#include "ModemHost.h"

class TImage;
class TLabel;
class TTimer;

// The pop-up that slides up at the bottom right of the screen when a caller number arrives,
// and hides itself 10 s later.
class TfmCallerID : public TForm, public TCallerIdView {
public:
  explicit TfmCallerID(TComponent* owner);

  void FormCreate();
  void FormShow();
  void tmShowTimer();

  // The call handler's view: the number at once; a hidden pop-up is shown and slides anew.
  void ShowCaller(const std::string& number) override;
  void HideCaller() override;

  TImage* Image1;
  TLabel* Label1;
  TLabel* Label2;
  TTimer* tmShow;
  int32_t ShowTicks = 0;
  int slideFrom_ = 0;  // the top where the slide began: a window manager's late move cannot bend it

protected:
  bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

extern TfmCallerID* fmCallerID;
