// boxdemo RESULTS [quick|crash] [com N]: the watcher's test program. It shows the kinds of boxes the
// real program shows (platform message boxes through the ui layer, modal forms with a list and
// OK/Cancel, an input box) and writes one line per box to RESULTS: what closed it. Unless
// "quick", it then writes to COMn, shows a main window and records how that was closed; "crash"
// ends in an access violation after the first box.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "Application.h"
#include "Button.h"
#include "Dialogs.h"
#include "Form.h"
#include "Label.h"
#include "ListBox.h"

namespace {
std::FILE* results = nullptr;

void Record(const std::string& line) {
  if (std::fprintf(results, "%s\n", line.c_str()) < 0 || std::fflush(results) != 0) {
    std::fprintf(stderr, "boxdemo: cannot write the results\n");
    ExitProcess(3);
  }
}

class TPickForm : public TForm {
public:
  explicit TPickForm(TComponent* owner) : TForm(owner, "TPickForm") {
    SetBorderStyle(bsDialog);
    SetCaption("Pick a modem");
    Position = poScreenCenter;
    SetClientSize(300, 170);
    auto* label = new TLabel(this);
    label->SetParent(this);
    label->SetBounds(8, 8, 200, 13);
    label->SetCaption("Modems");
    List = new TListBox(this);
    List->SetParent(this);
    List->SetBounds(8, 26, 284, 100);
    for (const char* item : {"COM1: Standard Modem", "COM3: VSIM 56K Voice", "COM4: Other Modem"})
      List->AddItem(item);
    List->SetItemIndex(0);
    List->OnClick = [](TComponent*) { Record("list click"); };
    auto* ok = new TButton(this);
    ok->SetParent(this);
    ok->SetBounds(136, 136, 75, 25);
    ok->SetCaption("&OK");
    ok->SetDefault(true);
    ok->ModalResult = mrOk;
    auto* cancel = new TButton(this);
    cancel->SetParent(this);
    cancel->SetBounds(217, 136, 75, 25);
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);
    cancel->ModalResult = mrCancel;
  }
  TListBox* List;
};

// Its OK does nothing the first time, as a form that refuses an answer: the watcher answers again.
class TStubbornForm : public TForm {
public:
  explicit TStubbornForm(TComponent* owner) : TForm(owner, "TStubbornForm") {
    SetBorderStyle(bsDialog);
    SetCaption("Stubborn");
    SetClientSize(200, 60);
    auto* ok = new TButton(this);
    ok->SetParent(this);
    ok->SetBounds(60, 20, 75, 25);
    ok->SetCaption("OK");
    ok->OnClick = [this](TComponent*) {
      if (++Clicks == 2) ModalResult = mrOk;
    };
  }
  int Clicks = 0;
};

class TDemoMain : public TForm {
public:
  explicit TDemoMain(TComponent* owner) : TForm(owner, "TDemoMain") {
    SetCaption("Box demo");
    SetClientSize(320, 120);
    OnClose = [](TComponent*, TCloseAction&) { Record("main closed"); };
  }
};

std::string PickResult(TPickForm* form) {
  int result = form->ShowModal();
  int index = form->List->ItemIndex();
  return "pick " + std::to_string(result) + " " + std::to_string(index) + " " +
         (index >= 0 ? form->List->Item(index) : std::string("-"));
}

void PauseWithMessages(DWORD ms) {
  ULONGLONG end = GetTickCount64() + ms;
  while (GetTickCount64() < end) {
    Application.ProcessMessages();
    Sleep(20);
  }
}

// The port stays open until the end, so that the peer reads the text before the close.
HANDLE port = INVALID_HANDLE_VALUE;

bool WritePort(int com) {
  std::string name = "\\\\.\\COM" + std::to_string(com);
  port = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) return false;
  const char text[] = "boxdemo done\r\n";
  DWORD written = 0;
  return WriteFile(port, text, sizeof text - 1, &written, nullptr) && written == sizeof text - 1;
}
}

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: boxdemo RESULTS [quick|crash] [com N]\n");
    return 2;
  }
  results = std::fopen(argv[1], "a");
  if (!results) {
    std::fprintf(stderr, "boxdemo: cannot open %s\n", argv[1]);
    return 2;
  }
  bool quick = false, crash = false;
  int com = 0;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "quick") == 0) quick = true;
    else if (std::strcmp(argv[i], "crash") == 0) crash = true;
    else if (std::strcmp(argv[i], "com") == 0 && i + 1 < argc) com = std::atoi(argv[++i]);
  }
  Application.Initialize();
  Application.SetTitle("Box demo");
  Record("started");
  Record("message " + std::to_string(Application.MessageBox("Hello from the demo", "Box demo", MB_OK)));
  if (crash) {
    Record("crashing");
    RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  }
  if (quick) {
    Record("done");
    return 0;
  }
  TDemoMain* mainForm = nullptr;
  Application.CreateForm(mainForm);
  TPickForm* pick = nullptr;
  Application.CreateForm(pick);
  Record(PickResult(pick));
  // Hidden for some polls of the watcher, so that its log shows the hide between the showings.
  PauseWithMessages(1000);
  Record(PickResult(pick));
  Record("question " + std::to_string(MessageDlg("Keep the unknown question?", mtConfirmation, mbYesNo)));
  std::string folder;
  bool ok = InputQuery("New folder", "Name of the folder", folder);
  Record("input " + std::to_string(ok) + " " + folder);
  TStubbornForm* stubborn = nullptr;
  Application.CreateForm(stubborn);
  stubborn->ShowModal();
  Record("stubborn " + std::to_string(stubborn->Clicks));
  if (com) Record(WritePort(com) ? "com ok" : "com failed");
  Application.Run();
  Record("ended");
  Application.DestroyForms();
  if (port != INVALID_HANDLE_VALUE) CloseHandle(port);
  std::fclose(results);
  return 0;
}
