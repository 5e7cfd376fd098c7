#pragma once
#include "ModemParams.h"

// The modem search's table: entry k (1..16) is the k-th modem found; entry 0 is never used.
struct TFoundModems {
  static constexpr int Size = 17;
  TModemParams FoundModems[Size];
  int FoundCount = 0;
  bool ProbedDirectly = false;  // the table came from the probe of COM1..COM8

  // The default command set into entry index; an index outside 0..16 raises Exception.
  void SetDefaultCommands(int index);
  // The entry at the wizard's list position (0-based) replaces the whole of ModemParams.
  void Choose(int listPosition);

private:
  TModemParams& Entry(int index);
};
