// Dialogs: the message box, our own input box, the shell's folder browser and the pointer.
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_os.h"

namespace tsy {

namespace {

std::wstring titleOr(const std::string& title) {
    return toWide(title.empty() ? std::string(kAppTitle) : title);
}

// ---- the input box: an in-memory dialog template, texts set once it exists ----

enum : WORD { IdPrompt = 100, IdText = 101 };
enum : WORD { ClassButton = 0x0080, ClassEdit = 0x0081, ClassStatic = 0x0082 };

class DialogTemplate {
public:
    DialogTemplate(DWORD style, short cx, short cy) {
        dword(style);
        dword(0);           // extended style
        words_.push_back(0);  // item count, patched by add()
        for (short v : {short(0), short(0), cx, cy}) words_.push_back(static_cast<WORD>(v));
        words_.push_back(0);  // no menu
        words_.push_back(0);  // standard dialog class
        words_.push_back(0);  // title set at WM_INITDIALOG
        words_.push_back(8);  // DS_SETFONT: point size and face
        for (const wchar_t* p = L"MS Shell Dlg"; *p; ++p) words_.push_back(*p);
        words_.push_back(0);
    }
    void add(WORD cls, WORD id, DWORD style, short x, short y, short cx, short cy,
             const wchar_t* text) {
        if (words_.size() % 2) words_.push_back(0);  // items start on a DWORD boundary
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0);
        for (short v : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(v));
        words_.push_back(id);
        words_.push_back(0xFFFF);
        words_.push_back(cls);
        for (; *text; ++text) words_.push_back(*text);
        words_.push_back(0);
        words_.push_back(0);  // no creation data
        ++words_[4];
    }
    LPCDLGTEMPLATEW get() const { return reinterpret_cast<LPCDLGTEMPLATEW>(words_.data()); }

private:
    void dword(DWORD v) {
        words_.push_back(LOWORD(v));
        words_.push_back(HIWORD(v));
    }
    std::vector<WORD> words_;
};

struct InputBoxData {
    std::wstring prompt;
    std::wstring title;
    std::wstring text;
    std::string answer;
};

RECT rectIn(HWND dlg, HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The prompt gets the height its text needs at its width, measured as the static control draws
// it (the msiexec option prompts have ten lines, the last one the question); the text field
// moves down and the box grows by the same amount.
void fitPrompt(HWND dlg, const std::wstring& text) {
    HWND prompt = GetDlgItem(dlg, IdPrompt);
    RECT r = rectIn(dlg, prompt);
    RECT need{0, 0, r.right - r.left, 0};
    HDC dc = GetDC(prompt);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(prompt, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font);
    DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    SelectObject(dc, old);
    ReleaseDC(prompt, dc);
    const int grow = need.bottom - (r.bottom - r.top);
    if (grow <= 0) return;
    SetWindowPos(prompt, nullptr, 0, 0, r.right - r.left, need.bottom, SWP_NOMOVE | SWP_NOZORDER);
    HWND edit = GetDlgItem(dlg, IdText);
    RECT e = rectIn(dlg, edit);
    SetWindowPos(edit, nullptr, e.left, e.top + grow, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT w{};
    GetWindowRect(dlg, &w);
    // Kept inside the work area of its own monitor, which may lie above or left of the primary
    // one (negative coordinates).
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    const LONG top = GetMonitorInfoW(MonitorFromWindow(dlg, MONITOR_DEFAULTTONEAREST), &monitor)
                         ? monitor.rcWork.top
                         : 0;
    SetWindowPos(dlg, nullptr, w.left, std::max(top, w.top - grow / 2), w.right - w.left,
                 w.bottom - w.top + grow, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CALLBACK disableEnabled(HWND w, LPARAM list) {
    if (!EnableWindow(w, FALSE)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    return TRUE;
}

INT_PTR CALLBACK inputBoxProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto* d = reinterpret_cast<InputBoxData*>(lp);
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        SetWindowTextW(dlg, d->title.c_str());
        SetDlgItemTextW(dlg, IdPrompt, d->prompt.c_str());
        fitPrompt(dlg, d->prompt);
        SetDlgItemTextW(dlg, IdText, d->text.c_str());
        HWND edit = GetDlgItem(dlg, IdText);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SetFocus(edit);
        return FALSE;  // focus set by us
    }
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        auto* d = reinterpret_cast<InputBoxData*>(GetWindowLongPtrW(dlg, DWLP_USER));
        if (LOWORD(wp) == IDOK && d) {
            HWND edit = GetDlgItem(dlg, IdText);
            int len = GetWindowTextLengthW(edit);
            std::wstring text(static_cast<std::size_t>(len) + 1, L'\0');
            int got = GetWindowTextW(edit, &text[0], len + 1);
            d->answer = toUtf8(text.data(), got > 0 ? got : 0);
        }
        EndDialog(dlg, LOWORD(wp));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

// The box is modal to the whole program, as the form language's own message box is. With an
// active window that window is its owner and is disabled while it is up; without one (the wizard
// not yet activated, or another program in front) every window of this thread is, so that no
// click or key reaches the wizard behind the box and runs the same step a second time.
int Win32Os::msgBox(const std::string& text, int style, const std::string& title) {
    HWND owner = GetActiveWindow();
    UINT flags = static_cast<UINT>(style);
    if (!owner) flags |= MB_TASKMODAL;
    return MessageBoxW(owner, toWide(text).c_str(), titleOr(title).c_str(), flags);
}

std::string Win32Os::inputBox(const std::string& prompt, const std::string& title,
                              const std::string& defaultText) {
    DialogTemplate t(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                     252, 96);
    t.add(ClassStatic, IdPrompt, SS_LEFT, 7, 7, 180, 60, L"");
    t.add(ClassButton, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 192, 7, 53, 14, L"OK");
    t.add(ClassButton, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 192, 25, 53, 14, L"Cancel");
    t.add(ClassEdit, IdText, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 74, 238, 13, L"");
    InputBoxData d{toWide(prompt), titleOr(title), toWide(defaultText), std::string()};
    // Modal to the whole program like the message box: an active window is the owner and is
    // disabled by the dialog; without one, this thread's windows are disabled here, as a
    // task-modal message box does, so that no click reaches the wizard behind the box.
    HWND owner = GetActiveWindow();
    std::vector<HWND> disabled;
    if (!owner)
        EnumThreadWindows(GetCurrentThreadId(), disableEnabled,
                          reinterpret_cast<LPARAM>(&disabled));
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, inputBoxProc,
                            reinterpret_cast<LPARAM>(&d));
    for (auto w = disabled.rbegin(); w != disabled.rend(); ++w) EnableWindow(*w, TRUE);
    return d.answer;
}

std::string Win32Os::browseForFolder(std::uintptr_t owner, const std::string& title,
                                     unsigned flags, int rootCsidl) {
    LPITEMIDLIST root = nullptr;
    if (rootCsidl >= 0 && FAILED(SHGetSpecialFolderLocation(nullptr, rootCsidl, &root)))
        root = nullptr;
    const std::wstring heading = toWide(title);
    BROWSEINFOW bi{};
    bi.hwndOwner = reinterpret_cast<HWND>(owner);
    bi.pidlRoot = root;
    bi.lpszTitle = heading.c_str();
    bi.ulFlags = flags;
    LPITEMIDLIST chosen = SHBrowseForFolderW(&bi);
    std::string path;
    if (chosen) {
        wchar_t buf[MAX_PATH + 1] = {};
        if (SHGetPathFromIDListW(chosen, buf)) path = toUtf8(buf);
        CoTaskMemFree(chosen);
    }
    if (root) CoTaskMemFree(root);
    return path;
}

void Win32Os::setDefaultMousePointer() { SetCursor(LoadCursor(nullptr, IDC_ARROW)); }

}  // namespace tsy
