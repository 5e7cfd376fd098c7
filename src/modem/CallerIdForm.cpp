#include "CallerIdForm.h"
#include "Image.h"
#include "Label.h"
#include "Screen.h"
#include "Timer.h"

TfmCallerID* fmCallerID = nullptr;

TfmCallerID::TfmCallerID(TComponent* owner) : TForm(owner, "TfmCallerID") {
  SetBorderStyle(bsToolWindow);
  SetFormStyle(fsStayOnTop);
  SetColor(clBtnFace);
  SetClientSize(152, 64);

  Image1 = new TImage(this);
  Image1->SetParent(this);
  Image1->SetBounds(8, 11, 28, 26);
  Image1->Proportional = true;
  Image1->Transparent = true;
  Image1->SetIcon(CopyIcon(LoadIcon(nullptr, IDI_INFORMATION)));

  Label1 = new TLabel(this);
  Label1->SetParent(this);
  Label1->SetBounds(40, 16, 97, 17);
  Label1->Transparent = true;
  Label1->SetCaption("INCOMING CALL");

  Label2 = new TLabel(this);
  Label2->SetParent(this);
  Label2->SetBounds(40, 32, 105, 17);
  Label2->Transparent = true;

  tmShow = new TTimer(this);
  tmShow->SetEnabled(false);
  tmShow->SetInterval(50);
  tmShow->OnTimer = [this](TComponent*) { tmShowTimer(); };

  OnCreate = [this](TComponent*) { FormCreate(); };
  OnShow = [this](TComponent*) { FormShow(); };

  // The window was made by TForm's constructor, before a CreateParams of this class could take
  // part. It never takes the keyboard from the window the user works in, and its own colour is
  // see-through: only the picture and the text float on the screen.
  UpdateStyle(WS_EX_NOACTIVATE | WS_EX_LAYERED, 0, true);
  SetLayeredWindowAttributes(Handle(), ColorToRGB(Color()), 0, LWA_COLORKEY);
}

bool TfmCallerID::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_WINDOWPOSCHANGING) {
    reinterpret_cast<WINDOWPOS*>(lParam)->flags |= SWP_NOACTIVATE;
  } else if (msg == WM_MOUSEACTIVATE) {
    result = MA_NOACTIVATE;
    return true;
  }
  return TForm::WndProc(msg, wParam, lParam, result);
}

void TfmCallerID::FormCreate() { ShowTicks = 0; }

void TfmCallerID::FormShow() {
  slideFrom_ = Screen.Height() - 40;
  SetTop(slideFrom_);
  SetLeft(Screen.Width() - 200);
  tmShow->SetEnabled(true);
  ShowTicks = 0;
}

void TfmCallerID::tmShowTimer() {
  ++ShowTicks;
  if (ShowTicks < 21) SetTop(slideFrom_ - 4 * ShowTicks);
  if (ShowTicks == 200) {
    ShowTicks = 0;
    tmShow->SetEnabled(false);
    Hide();
  }
}

void TfmCallerID::ShowCaller(const std::string& number) {
  Label2->SetCaption(number);
  Show();
}

void TfmCallerID::HideCaller() {
  tmShow->SetEnabled(false);
  ShowTicks = 0;
  Hide();
}
