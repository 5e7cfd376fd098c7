#include "ProgressForm.h"
#include "ProgressBar.h"

TProgressForm* ProgressForm = nullptr;

TProgressForm::TProgressForm(TComponent* owner) : TForm(owner, "TProgressForm") {
  SetCaption("Finding Modems...");
  SetBorderStyle(bsSingle);
  SetBorderIcons(0);
  SetFormStyle(fsStayOnTop);
  Position = poMainFormCenter;
  SetClientSize(337, 53);
  ProgressBar1 = new TProgressBar(this);
  ProgressBar1->SetParent(this);
  ProgressBar1->SetBounds(16, 16, 305, 25);
  ProgressBar1->SetRange(0, 100);
  OnShow = [this](TComponent*) { FormShow(); };
}

void TProgressForm::FormShow() { ProgressBar1->SetPosition(0); }
