#pragma once
#include "ScomStringResource.h"
#include <windows.h>

class TScomBaseDispatcher;

// The link's process-wide state: the two string tables, the dispatcher list and its lock, the
// clock divisor. ScomStart makes it (call it once the program runs, before any port is used);
// ScomEnd frees it (after the last port is gone). Nothing of it is made by static initialisers.
void ScomStart();
void ScomEnd();
bool ScomStarted();

// The tables (null before ScomStart).
const TScomStringResource* ScomOwnStrings();
const TScomStringResource* ScomErrorStrings();

// The dispatcher list. Slots of freed dispatchers hold null; an index is a dispatcher's Handle.
class TScomDispatcherList {
public:
  static int Add(TScomBaseDispatcher* dispatcher);
  static void Remove(int handle);
  // Only under a TScomDispatcherList::Lock.
  static TScomBaseDispatcher* At(int handle);

  class Lock {
  public:
    Lock();
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
  };
};

// The high-resolution counter divisor (counts per millisecond), 0 when the counter is unusable.
unsigned long long ScomClockDivisor();
