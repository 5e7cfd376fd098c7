#pragma once
#include <functional>
#include <string>
#include <vector>

// Whether COM<n> can be used: it opens (and is closed again at once), or another program holds
// it (access denied). 0 is never available.
bool IsPortAvailable(int n);

// "COM1".."COM50" for every available number; probe decides availability (tests pass their own).
std::vector<std::string> AvailablePorts(const std::function<bool(int)>& probe = IsPortAvailable);

// The port number of a list entry: the digits after "COM" ("COM12" gives 12); 0 (refused) for
// an empty, non-numeric or out-of-range text.
int SelectedComPort(const std::string& text);

// Shows the port selection dialog; returns false for Cancel. The application installs the
// dialog; with none installed every prompt is refused like Cancel.
using TPortPrompt = std::function<bool(int& comNumber)>;
void SetPortPrompt(TPortPrompt prompt);
bool PromptForPortNumber(int& comNumber);
