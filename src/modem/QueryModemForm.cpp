#include "QueryModemForm.h"
#include "Memo.h"

TfmQueryModem* fmQueryModem = nullptr;

TfmQueryModem::TfmQueryModem(TComponent* owner) : TForm(owner, "TfmQueryModem") {
  SetCaption("Query Modem");
  SetBounds(Left(), Top(), 484, 326);
  Memo1 = new TMemo(this);
  Memo1->ScrollBars = ssBoth;
  Memo1->SetParent(this);
  Memo1->SetAlign(alClient);
}
