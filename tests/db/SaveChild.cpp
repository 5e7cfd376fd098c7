// Child of the kill loop: rewrites the table given without end, flipping every row's comment
// between "A" and "B" texts before each save, until the test kills it.
#include <windows.h>
#include <string>
#include "ZorudTable.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  try {
    TZorudTable t;
    t.SetTableName(argv[1]);
    t.SaveOptions = savAutoBackup;
    t.Open();
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (!ready || !SetEvent(ready)) return 3;
    for (int round = 1;; ++round) {
      std::string text(100, round % 2 ? 'B' : 'A');
      for (t.First(); !t.Eof(); t.Next()) {
        t.Edit();
        t.FieldByName("Comment")->SetAsString(text);
        t.Post();
      }
      t.PostAndSave();
    }
  } catch (const std::exception& e) {
    OutputDebugStringA(e.what());
    return 1;
  }
}
