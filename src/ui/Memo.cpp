#include "Memo.h"

TMemo::TMemo(TComponent* owner) : TControl(owner) {
  defaultColor_ = clWindow;
  SetBounds(0, 0, 185, 89);
}

void TMemo::CreateParams(TCreateParams& params) {
  params.className = "EDIT";
  params.style |= WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN |
                  (readOnly_ ? ES_READONLY : 0);
  if (ScrollBars == ssVertical || ScrollBars == ssBoth) params.style |= WS_VSCROLL;
  if (ScrollBars == ssHorizontal || ScrollBars == ssBoth) params.style |= WS_HSCROLL;
  if (!WordWrap || ScrollBars == ssHorizontal || ScrollBars == ssBoth)
    params.style |= ES_AUTOHSCROLL;
  params.exStyle |= WS_EX_CLIENTEDGE;
}

void TMemo::HandleCreated() {
  Perform(EM_SETLIMITTEXT, 0);  // 0: as much as the platform allows
}

void TMemo::SetReadOnly(bool on) {
  readOnly_ = on;
  Perform(EM_SETREADONLY, on);
}

void TMemo::Add(const std::string& line) {
  if (!HandleAllocated()) {
    if (!caption_.empty() && caption_.back() != '\n') caption_ += "\r\n";
    caption_ += line + "\r\n";
    return;
  }
  int length = GetWindowTextLengthA(Handle());
  int lastLine = static_cast<int>(Perform(EM_GETLINECOUNT)) - 1;
  LRESULT lastStart = Perform(EM_LINEINDEX, lastLine);
  bool lastEmpty = Perform(EM_LINELENGTH, lastStart) == 0;
  std::string text = (lastEmpty ? "" : "\r\n") + line + "\r\n";
  Perform(EM_SETSEL, length, length);
  Perform(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

std::vector<std::string> TMemo::Lines() const {
  std::vector<std::string> lines;
  std::string text = Caption();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t stop = end > start && text[end - 1] == '\r' ? end - 1 : end;
    lines.push_back(text.substr(start, stop - start));
    start = end + 1;
  }
  return lines;
}

void TMemo::SetLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  SetCaption(text);
}

void TMemo::Command(WORD code) {
  if (code == EN_CHANGE && OnChange) OnChange(this);
}
