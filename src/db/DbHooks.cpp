#include "DbHooks.h"
#include "Exception.h"

namespace {
TDbEventSink g_sink;
TDbReporter g_reporter;
}  // namespace

void SetDbEventSink(TDbEventSink sink) { g_sink = std::move(sink); }
void SetDbReporter(TDbReporter reporter) { g_reporter = std::move(reporter); }

void DbEventLine(const std::string& line) {
  if (g_sink) g_sink(line);
}

void DbReportWarning(const std::string& text) {
  if (g_reporter) g_reporter(text, true);
}

void DbReportException(const std::exception_ptr& error) {
  if (g_reporter) g_reporter(ExceptionText(error), false);
}
