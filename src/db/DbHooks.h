#pragma once
#include <exception>
#include <functional>
#include <string>

// Where the table engine's lines and reports go; the program sets them (the events monitor,
// the application's message boxes), tests set their own. Unset hooks drop what they get.
using TDbEventSink = std::function<void(const std::string& line)>;
using TDbReporter = std::function<void(const std::string& text, bool warning)>;

void SetDbEventSink(TDbEventSink sink);
void SetDbReporter(TDbReporter reporter);

void DbEventLine(const std::string& line);
void DbReportWarning(const std::string& text);
void DbReportException(const std::exception_ptr& error);
