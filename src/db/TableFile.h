#pragma once
#include <string>

// The whole of a table file, for loading; raises "Error opening file %s" when it cannot be read.
std::string ReadTableFile(const std::string& fileName);

// "Recordings.d" -> "Recordings.~d".
std::string BackupFileName(const std::string& fileName);
