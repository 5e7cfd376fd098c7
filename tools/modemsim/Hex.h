#pragma once
#include <string>
#include <vector>

std::string ToHex(const std::string& bytes);
bool FromHex(const std::string& hex, std::string& bytes);
bool ParseLong(const std::string& text, long& value);
bool ParseDouble(const std::string& text, double& value);
std::vector<std::string> SplitWords(const std::string& line);
std::string Lower(std::string text);
std::string Upper(std::string text);
// "\r", "\n", "\s" (blank) and "\xNN" escapes of control-line and scenario texts.
std::string Unescape(const std::string& text);
