// Text is UTF-8 inside the program and UTF-16 at the Windows boundary. Every adapter calls the
// wide form of a function and converts here, at the call: under a double-byte ANSI code page
// (932, 936, 949, 950) the second byte of a character may be '\' or '|', and a name outside the
// code page would come back as '?'. Nothing then depends on the system's code page.
#pragma once

#include <windows.h>

#include <string>

namespace tsy {

// Bytes that are not UTF-8 become U+FFFD rather than vanishing.
inline std::wstring toWide(const std::string& s) {
    if (s.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

// n < 0: up to the terminating nul.
inline std::string toUtf8(const wchar_t* w, int n = -1) {
    if (!w) return std::string();
    if (n < 0) n = static_cast<int>(wcslen(w));
    if (n == 0) return std::string();
    int bytes = WideCharToMultiByte(CP_UTF8, 0, w, n, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string s(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, n, &s[0], bytes, nullptr, nullptr);
    return s;
}

inline std::string toUtf8(const std::wstring& w) {
    return toUtf8(w.data(), static_cast<int>(w.size()));
}

}  // namespace tsy
