#pragma once
#include "Form.h"
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

// An invisible modal form that shows the platform's format chooser for a record, with itself as
// the chooser's owner window. Its modal result: 1 chosen, 2 cancelled, 3 the chooser failed.
class TFormatSelector : public TForm {
public:
  TFormatSelector(TComponent* owner, ACMFORMATCHOOSEA& record);

protected:
  bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
  ACMFORMATCHOOSEA& record_;
};

// Runs a TFormatSelector owned by the application for the record; returns its modal result.
int RunFormatSelector(ACMFORMATCHOOSEA& record);
