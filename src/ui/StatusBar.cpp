#include "StatusBar.h"
#include <commctrl.h>

TStatusBar::TStatusBar(TComponent* owner) : TControl(owner) {
  SetBounds(0, 0, 150, 19);
  SetAlign(alBottom);
}

void TStatusBar::CreateParams(TCreateParams& params) {
  InitCommonControlsOnce();
  params.className = STATUSCLASSNAMEA;
  params.style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
}

void TStatusBar::HandleCreated() { ApplyParts(); }

void TStatusBar::Resized() {
  TControl::Resized();
  ApplyParts();
}

void TStatusBar::ApplyParts() {
  if (!HandleAllocated() || panels_.empty()) return;
  std::vector<int> edges;
  int right = 0;
  for (const TPanel& p : panels_) edges.push_back(right += p.width);
  edges.back() = -1;
  Perform(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (size_t i = 0; i < panels_.size(); ++i)
    Perform(SB_SETTEXTA, i, reinterpret_cast<LPARAM>(panels_[i].text.c_str()));
}

int TStatusBar::AddPanel(int width) {
  panels_.push_back({width, ""});
  ApplyParts();
  return PanelCount() - 1;
}

void TStatusBar::SetPanelWidth(int index, int width) {
  panels_.at(index).width = width;
  ApplyParts();
}

std::string TStatusBar::PanelText(int index) const {
  if (!HandleAllocated()) return panels_.at(index).text;
  int n = LOWORD(SendMessageA(Handle(), SB_GETTEXTLENGTHA, index, 0));
  std::string text(n + 1, '\0');
  SendMessageA(Handle(), SB_GETTEXTA, index, reinterpret_cast<LPARAM>(&text[0]));
  text.resize(n);
  return text;
}

void TStatusBar::SetPanelText(int index, const std::string& text) {
  panels_.at(index).text = text;
  Perform(SB_SETTEXTA, index, reinterpret_cast<LPARAM>(text.c_str()));
}
