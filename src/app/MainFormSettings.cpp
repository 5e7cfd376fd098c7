// The main window as the start-up settings load sees it: the list font, the splitter and column
// widths, the first call, the player controls off.
#include "MainFormU.h"
#include "Action.h"
#include "Font.h"
#include "ListView.h"
#include "ToolBar.h"
#include "TreeView.h"

void TfmQdx::SetListFont(const std::string& name, int size, unsigned color) {
  TFont font;
  font.Name = name;
  font.Size = size;
  font.Color = color;
  dbGrid1->SetFont(font);
  Tree->SetFont(font);
}

int TfmQdx::SplitterWidth() const { return Tree->Width(); }

void TfmQdx::SetSplitterWidth(int width) { Tree->SetWidth(width); }

void TfmQdx::DisableNavigation() {
  PrevSb1->SetEnabled(false);
  NextSb1->SetEnabled(false);
}

bool TfmQdx::FirstCall() {
  if (!CallsTbl.Active() || CallsTbl.IsEmpty()) return false;
  CallsTbl.First();
  RecordingName = CallsTbl.FieldByName("id")->AsString();
  return true;
}

void TfmQdx::DisableCallControls() {
  Playsb1->SetEnabled(false);
  PauseSb1->SetEnabled(false);
  PrevSb1->SetEnabled(false);
  NextSb1->SetEnabled(false);
  if (!recorder_.UnderWay()) acStop->SetEnabled(false);
}
