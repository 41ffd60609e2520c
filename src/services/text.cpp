#include "services/text.h"

#include <cctype>

namespace tsy {

std::string toUpper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string toLower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool iequals(const std::string& a, const std::string& b) { return toUpper(a) == toUpper(b); }

bool istartsWith(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && iequals(s.substr(0, prefix.size()), prefix);
}

bool iendsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && iequals(s.substr(s.size() - suffix.size()), suffix);
}

std::size_t ifind(const std::string& haystack, const std::string& needle) {
    std::size_t p = toUpper(haystack).find(toUpper(needle));
    return p == std::string::npos ? 0 : p + 1;
}

bool contains(const std::string& s, char c) { return s.find(c) != std::string::npos; }

std::string left(const std::string& s, std::size_t n) { return s.substr(0, n); }

std::string right(const std::string& s, std::size_t n) {
    return n >= s.size() ? s : s.substr(s.size() - n);
}

std::string trimLeftSpaces(std::string s) {
    std::size_t i = s.find_first_not_of(' ');
    return i == std::string::npos ? std::string() : s.substr(i);
}

std::string trimRightSpaces(std::string s) {
    std::size_t i = s.find_last_not_of(' ');
    return i == std::string::npos ? std::string() : s.substr(0, i + 1);
}

std::string separatorOf(const std::string& path, char preferred) {
    const char other = preferred == '/' ? '\\' : '/';
    return std::string(1, contains(path, other) ? other : preferred);
}

std::string boolText(bool b) { return b ? "True" : "False"; }

}  // namespace tsy
