#pragma once
#include <cstdint>
#include <string>
#include "DateUtils.h"

class TCallLog;
class TdeWaveFormat;

// A WAV file whose writer never finished: sets its RIFF and data sizes from the file's length
// (the data rounded down to whole blocks, a torn last block cut off). False, changing nothing,
// when the file holds no fmt and data chunk or its format does not validate (channels, rate,
// block alignment, byte rate, sizes); the format and the audio bytes otherwise.
bool RepairWavHeader(const std::string& fileName, TdeWaveFormat& format, int64_t& dataBytes);

// The file's last-write time, local.
bool FileLastWrite(const std::string& fileName, TDateTime& when);

// A wav\Recorded.wav left by a crash: with audio it becomes the file of the newest row whose file
// is missing and whose end fits the file's time, else a row of its own in "General"; one whose
// header does not validate is kept as wav\Recorded.bad; only one without audio is deleted.
// True when no working file is left in the way of a new recording.
bool RecoverWorkingFile(TCallLog& log);

// Files of the name rule in wav\ that no row names (the program ended, or the table could not be
// saved, after a call's file got its name): each becomes a row in "General", its times from its
// name, its duration from its header. Returns how many were filed.
int FileUnlistedRecordings(TCallLog& log);
