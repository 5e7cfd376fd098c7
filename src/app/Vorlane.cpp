// The program's entry point. For now it opens the modem's COM port (the first argument, else
// COM1), sends "AT" and shows the modem's reply; the main window comes later.
#include "Application.h"
#include "Dialogs.h"
#include "Exception.h"
#include "KitStart.h"
#include "MessagePump.h"
#include "ProgramDir.h"
#include "ScomComPort.h"
#include "ScomSystem.h"
#include <cstdlib>
#include <string>

namespace {

int PortFromCommandLine() {
  if (__argc > 1) {
    int n = std::atoi(__argv[1]);
    if (n > 0) return n;
  }
  return 1;
}

std::string AskModem(int portNumber) {
  TScomComPort port(nullptr);
  port.SetComNumber(static_cast<WORD>(portNumber));
  port.SetBaud(115200);
  port.SetPromptForPort(false);
  port.SetAutoOpen(false);
  port.SetInSize(2048);
  port.SetOutSize(2048);
  std::string reply;
  port.SetOnTriggerAvail([&](TComponent*, WORD count) {
    for (WORD i = 0; i < count; ++i) reply += port.GetChar();
  });
  port.SetOpen(true);
  port.PutString("AT\r");
  bool answered = PumpUntil([&] {
    return reply.find("OK") != std::string::npos || reply.find("ERROR") != std::string::npos;
  }, 5000);
  port.SetOpen(false);
  if (!answered) return "COM" + std::to_string(portNumber) + ": no answer from the modem.";
  return "COM" + std::to_string(portNumber) + " answered:\r\n" + reply;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  KitStart();
  ScomStart();
  InitProgramDir();
  Application.Initialize();
  Application.SetTitle("Vorlane");
  try {
    ShowMessage(AskModem(PortFromCommandLine()));
  } catch (...) {
    Application.HandleException(std::current_exception());
  }
  ScomEnd();
  KitStop();
  return 0;
}
