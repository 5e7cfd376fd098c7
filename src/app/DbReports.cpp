#include "DbReports.h"
#include "Application.h"
#include "DbHooks.h"
#include "EventLog.h"

void InstallDbReports() {
  SetDbEventSink([](const std::string& line) { AddEvent(line); });
  SetDbReporter([](const std::string& text, bool warning) {
    if (warning)
      Application.MessageBox(text, Application.Title(), MB_OK | MB_ICONWARNING);
    else
      AddEvent(text);
  });
}
