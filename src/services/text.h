// Text helpers shared by every module. Comparisons ignore letter case (ASCII rules, as the
// system code page's upper-casing does for the names this program compares).
#pragma once

#include <string>

namespace tsy {

std::string toUpper(std::string s);
std::string toLower(std::string s);
bool iequals(const std::string& a, const std::string& b);
bool istartsWith(const std::string& s, const std::string& prefix);
bool iendsWith(const std::string& s, const std::string& suffix);
// 1-based position of needle in haystack ignoring case, 0 when absent (like InStr).
std::size_t ifind(const std::string& haystack, const std::string& needle);
bool contains(const std::string& s, char c);
std::string left(const std::string& s, std::size_t n);
std::string right(const std::string& s, std::size_t n);
std::string trimLeftSpaces(std::string s);
std::string trimRightSpaces(std::string s);
// The separator to join onto path: the other one than preferred when the path already uses it
// (a folder typed with forward slashes keeps them), otherwise preferred.
std::string separatorOf(const std::string& path, char preferred = '\\');
// "True" / "False", as a flag is written into a message.
std::string boolText(bool b);

}  // namespace tsy
