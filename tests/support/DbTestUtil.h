#pragma once
#include <string>
#include <vector>
#include "TempDir.h"
#include "ZorudTable.h"

// The two tables of the program, defined as its first run does.
inline void DefineFolders(TZorudTable& t) {
  t.SetLoadMode(lmClear);
  t.FieldDefs.Clear();
  t.FieldDefs.Add("FolderId", ftString, 20);
  t.FieldDefs.Add("FolderName", ftString, 100);
}

inline void DefineRecordings(TZorudTable& t) {
  t.SetLoadMode(lmClear);
  t.FieldDefs.Clear();
  t.FieldDefs.Add("id", ftString, 10);
  t.FieldDefs.Add("Channel", ftInteger);
  t.FieldDefs.Add("FolderId", ftString, 20);
  t.FieldDefs.Add("DateS", ftString, 12);
  t.FieldDefs.Add("TimeS", ftString, 16);
  t.FieldDefs.Add("Duration", ftString, 10);
  t.FieldDefs.Add("Comment", ftString, 255);
}

// Appends and posts one row: names and values in pairs.
inline void AddRow(TZorudDataset& t, const std::vector<std::pair<std::string, std::string>>& values) {
  t.Append();
  for (const auto& [name, value] : values) t.FieldByName(name)->SetAsString(value);
  t.Post();
}

// The view from the first row: "a=b c=d" for two fields, the current row marked with "*".
inline std::string Rows(TZorudDataset& t, const std::string& key, const std::string& value) {
  std::string out;
  int keep = t.RecNo();
  t.DisableControls();
  for (int i = 0; i < t.RecordCount(); ++i) {
    t.SetActiveRow(i);
    if (!out.empty()) out += ' ';
    if (i + 1 == keep) out += '*';
    out += t.FieldByName(key)->AsString() + "=" + t.FieldByName(value)->AsString();
  }
  t.SetActiveRow(-1);
  t.EnableControls();
  return out;
}

// A Folders.d with rows k1=n1 .. kN=nN in folder dir, saved by the engine.
inline std::string MakeFolderFile(const TempDir& dir, int rows, const std::string& name = "Folders.d") {
  TZorudTable t;
  DefineFolders(t);
  t.Open();
  for (int i = 1; i <= rows; ++i) AddRow(t, {{"FolderId", "k" + std::to_string(i)}, {"FolderName", "n" + std::to_string(i)}});
  t.SaveToFile(dir / name);
  return dir / name;
}
