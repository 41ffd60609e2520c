// Shared by the stand-in programs: one line per call, appended to a log in the machine's common
// application-data folder (C:\ProgramData\Morvane Software on Windows 6.x and Wine), so that a
// test can see what the setup started, with which arguments and in which order.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace standin {

inline std::string logFolder() {
    char path[MAX_PATH] = {};
    std::string folder;
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path))) {
        folder = path;
    } else {
        DWORD n = GetTempPathA(MAX_PATH, path);
        folder = std::string(path, n < MAX_PATH ? n : 0);
    }
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    folder += "Morvane Software";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

inline std::string timeStamp() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char text[32];
    wsprintfA(text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour,
              t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

// Appends "time<TAB>text\r\n" to logFolder()\fileName. The file is opened for appending each
// time: two stand-ins started close together must not lose each other's lines.
inline void appendLine(const char* fileName, const std::string& text) {
    std::string path = logFolder() + "\\" + fileName;
    std::string line = timeStamp() + "\t" + text + "\r\n";
    for (int attempt = 0; attempt < 50; ++attempt) {
        HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(h);
            return;
        }
        Sleep(20);
    }
}

// The command line after the program's own name, as the caller passed it.
inline std::string arguments() {
    const char* p = GetCommandLineA();
    bool quoted = false;
    while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
        if (*p == '"') quoted = !quoted;
        ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

}  // namespace standin
