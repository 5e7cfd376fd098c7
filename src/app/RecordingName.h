#pragma once
#include <cstdint>
#include <string>
#include "DateUtils.h"

// The name of a call's WAV file: <Channel>_<YYYYMMDD>_<HHNNSS>, from the row's date (the short
// date format) and start time (the long time format); empty when either text does not read back.
std::string MakeRecordingName(int channel, const std::string& dateS, const std::string& timeS);
// The rule read backwards: the channel, date and time of a name it made; false for any other.
bool ParseRecordingName(const std::string& name, int& channel, TDateTime& date, TDateTime& time);
// ProgramDir\wav\<name>.wav
std::string RecordingPath(const std::string& name);
// ProgramDir\wav\Recorded.wav, the working file of the recording in progress.
std::string WorkingRecordingPath();
// Whole seconds (rounded) of audio bytes at a byte rate; 0 when the rate is 0.
int AudioSeconds(int64_t bytes, uint32_t bytesPerSecond);
// Minutes (at least two digits) ":" seconds (two digits): 0 -> 00:00, 7385 -> 123:05.
std::string DurationText(int seconds);
// Seconds of a duration text (the inverse of DurationText); -1 when it is not one.
int DurationSeconds(const std::string& text);
