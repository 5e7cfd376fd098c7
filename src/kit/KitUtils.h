#pragma once
#include <cstdint>
#include <string>

// True when the text is empty or holds only blanks (character 32; tabs and the like count as text).
bool IsBlank(const std::string& text);
// The text with a trailing backslash (a blank text gets one too).
std::string SlashAdd(const std::string& text);
// The text without its trailing backslash, if it has one.
std::string SlashRemove(const std::string& text);

// The kit's string encoding: a running 16-bit key fed back with each encoded byte.
std::string EncryptText(const std::string& text, uint16_t key);
std::string DecryptText(const std::string& text, uint16_t key);
// A printable form: "<length>:" then four characters '0'..'o' per three bytes.
std::string PackText(const std::string& text);
std::string UnpackText(const std::string& text);
