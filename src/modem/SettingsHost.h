#pragma once
#include <string>

// What the start-up settings load applies to the main window (beside TModemHost).
class TSettingsHost {
public:
  virtual ~TSettingsHost() = default;
  virtual void SetVolume(int position) = 0;  // TrackBar2
  // The call list's font (dbGrid1), then the folder tree's (Tree).
  virtual void SetListFont(const std::string& name, int size, unsigned color) = 0;
  virtual int SplitterWidth() const = 0;  // Panel4's width
  virtual void SetSplitterWidth(int width) = 0;
  // Grid columns 1..3 and the header sections 0..2 of hdRecordings.
  virtual void SetColumnWidths(int date, int time, int duration) = 0;
  virtual void EnableRecordControls(bool enabled) = 0;  // RecSb1, Record1, TrayRecord
  virtual void DisableNavigation() = 0;                 // PrevSb1, NextSb1, Previous1, Next1
  // With rows in the call table: goes to row 1 and makes its Id the recording name; true.
  // False when the table has none.
  virtual bool FirstCall() = 0;
  virtual void EnableDelete() = 0;  // Delete1, Delete2, DeleteSb
  // Comment1, Delete1, Delete2, DeleteSb, Memo1, Copytofolder1, CopyToFolder2, Play1, TrayPlay,
  // Pause1, Stop1, TrayStop, Previous1, Next1, Playsb1, PauseSb1, StopSb1, PrevSb1, NextSb1.
  virtual void DisableCallControls() = 0;
};
