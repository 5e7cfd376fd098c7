#include "FoundModems.h"
#include "Exception.h"

TModemParams& TFoundModems::Entry(int index) {
  if (index < 0 || index >= Size)
    throw Exception("Modem table index out of bounds (" + std::to_string(index) + ")");
  return FoundModems[index];
}

void TFoundModems::SetDefaultCommands(int index) {
  ::SetDefaultCommands(Entry(index));
}

void TFoundModems::Choose(int listPosition) {
  ModemParams = Entry(listPosition + 1);
}
