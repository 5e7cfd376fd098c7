#include "ScomPortSelect.h"
#include "ScomWin32Dispatcher.h"
#include <windows.h>

namespace {
TPortPrompt& Prompt() {
  static TPortPrompt prompt;  // empty until the application installs one
  return prompt;
}
}

bool IsPortAvailable(int n) {
  if (n <= 0) return false;
  std::string name = "\\\\.\\COM" + std::to_string(n);
  TScomWin32Dispatcher dispatcher(nullptr);
  if (dispatcher.OpenCom(name, 64, 64) >= 0) {
    dispatcher.CloseCom();
    return true;
  }
  return GetLastError() == ERROR_ACCESS_DENIED;  // held by another program: still a port
}

std::vector<std::string> AvailablePorts(const std::function<bool(int)>& probe) {
  std::vector<std::string> ports;
  for (int n = 1; n <= 50; ++n)
    if (probe(n)) ports.push_back("COM" + std::to_string(n));
  return ports;
}

int SelectedComPort(const std::string& text) {
  if (text.size() < 4 || text.compare(0, 3, "COM") != 0) return 0;
  int n = 0;
  for (size_t i = 3; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    n = n * 10 + (text[i] - '0');
    if (n > 65535) return 0;
  }
  return n;
}

void SetPortPrompt(TPortPrompt prompt) { Prompt() = std::move(prompt); }

bool PromptForPortNumber(int& comNumber) {
  TPortPrompt prompt = Prompt();
  return prompt && prompt(comNumber);
}
