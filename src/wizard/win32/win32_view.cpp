#include "wizard/win32/win32_view.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/win32/wide_text.h"
#include "wizard/form_model.h"
#include "wizard/show.h"

namespace tsy {

namespace {

const wchar_t* const FormClassName = L"TsyWizardForm";
const wchar_t* const FrameClassName = L"TsyWizardFrame";

// Control ids start clear of IDOK and IDCANCEL: the dialog manager sends those two for Enter
// without a default button and for Esc, and they must not be mistaken for a control's click.
constexpr int FirstControlId = 1000;
// The program's icon in the resource script.
constexpr int ProgramIconId = 1;
constexpr int IconPixels = 32;  // the icon's natural size at 96 dpi
// Sent when the window moves to a monitor of another scale, or the scale changes (Windows 8.1).
constexpr UINT WmDpiChanged = 0x02E0;
// Posted to the form by its first showing: the tool tips and the windows of the hidden controls
// are made then.
constexpr UINT WmCreateDeferred = WM_APP + 1;

COLORREF toColorRef(Colour c) {
    // The toolkit stores system colours as 0x80000000 + the system colour index.
    if (c & 0x80000000u) return GetSysColor(static_cast<int>(c & 0xFFu));
    return static_cast<COLORREF>(c & 0x00FFFFFFu);
}

bool isContainer(const Control& c) { return c.type() == ControlType::Frame; }

class Win32View final : public FormObserver {
public:
    void install(HINSTANCE instance);
    int loop();

    void onLoad(Form& form) override;
    void onPropertyChanged(const Control& control, Property property) override;
    void onShow() override;
    void onHide() override;
    void onZOrder(const Control& control) override;
    void onFocus(const Control& control) override;
    void onUnload() override;
    void onDpiChanged(int dpi, const RECT& suggested);

    LRESULT formProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT frameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

private:
    // Set while the view applies a change of the model, so that the notifications the controls
    // send back (EN_CHANGE of SetWindowText, BN_CLICKED of a radio button taking the focus) are
    // not taken for the user's input.
    class Applying {
    public:
        explicit Applying(int& depth) : depth_(depth) { ++depth_; }
        ~Applying() { --depth_; }
        Applying(const Applying&) = delete;
        Applying& operator=(const Applying&) = delete;

    private:
        int& depth_;
    };

    void registerClasses();
    RECT firstPlace() const;
    HWND createFormWindow();
    HWND ensureWindow(const Control& c);
    void createControl(Control& c);
    void createDeferred();
    void addToolTip(HWND hwnd, const std::string& text);
    void place(const Control& c);
    void autoSize(const Control& c);
    bool underButton(const Control& c) const;
    void applyRadioTabStops(const Control& changed);
    HFONT fontFor(const Font& f);
    HBRUSH brushFor(COLORREF colour);
    int px(int twips) const { return MulDiv(twips, dpi_, 1440); }
    HWND hwndOf(const Control& c) const;
    Control* controlOf(HWND hwnd) const;
    Control* controlById(int id) const;
    int idOf(const Control& c) const;
    LRESULT colourFor(HDC dc, HWND child);
    void paintFrame(HWND hwnd, const Control& frame);
    void drawImage(const DRAWITEMSTRUCT& item);
    void handleCommand(WPARAM wp, LPARAM lp);
    void syncFocus();
    std::string faceFor(const std::string& name);

    HINSTANCE instance_ = nullptr;
    Form* form_ = nullptr;
    HWND hwnd_ = nullptr;
    HWND toolTip_ = nullptr;
    HWND lastFocus_ = nullptr;
    HICON icon_ = nullptr;
    int dpi_ = 96;
    int applying_ = 0;
    bool placed_ = false;
    bool loading_ = false;  // making the first look's windows, in the form's order
    std::map<const Control*, HWND> windows_;
    std::map<HWND, Control*> controls_;
    std::map<int, Control*> ids_;
    // Every control in the stacking order its window has or will have among its siblings:
    // the form's order, with the ones brought to the front moved first.
    std::vector<const Control*> stacking_;
    bool deferred_ = true;  // the tool tips and the controls hidden at load are still to come
    std::map<std::tuple<int, std::string, double, bool, bool>, HFONT> fonts_;  // dpi first
    std::map<COLORREF, HBRUSH> brushes_;
    std::map<std::string, std::string> faces_;
};

Win32View theView;

LRESULT CALLBACK formWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return theView.formProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK frameWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return theView.frameProc(hwnd, msg, wp, lp);
}

int CALLBACK fontExists(const LOGFONTW*, const TEXTMETRICW*, DWORD type, LPARAM found) {
    if (type & TRUETYPE_FONTTYPE) *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// ------------------------------------------------------------------------------ set-up

// The window classes and the icon wait for the form's load: a silent run never needs them.
void Win32View::install(HINSTANCE instance) {
    instance_ = instance;
    setWizardObserver(this);
}

void Win32View::registerClasses() {
    WNDCLASSEXW form{};
    form.cbSize = sizeof(form);
    form.lpfnWndProc = formWndProc;
    // A dialog of our own class: the dialog manager keeps its state in these extra bytes and
    // gives the window the default button, Tab order and access keys of a dialog.
    form.cbWndExtra = DLGWINDOWEXTRA;
    form.hInstance = instance_;
    form.hCursor = LoadCursor(nullptr, IDC_ARROW);
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form.lpszClassName = FormClassName;
    // The window's large icon is the system's icon size: where that is the icon's natural size,
    // the one already loaded for the image box (each load makes the icon's bitmaps anew).
    const bool natural = icon_ && GetSystemMetrics(SM_CXICON) == IconPixels &&
                         GetSystemMetrics(SM_CYICON) == IconPixels;
    form.hIcon = natural ? icon_ : LoadIconW(instance_, MAKEINTRESOURCEW(ProgramIconId));
    form.hIconSm = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(ProgramIconId),
                                                 IMAGE_ICON, 16, 16, 0));
    RegisterClassExW(&form);

    WNDCLASSEXW frame{};
    frame.cbSize = sizeof(frame);
    frame.lpfnWndProc = frameWndProc;
    frame.hInstance = instance_;
    frame.hCursor = LoadCursor(nullptr, IDC_ARROW);
    frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frame.lpszClassName = FrameClassName;
    RegisterClassExW(&frame);
}

// The form lays itself out by the DPI (WM_DPICHANGED below); the dialog manager must not scale
// it a second time (Windows 10 1703 scales per-monitor dialogs itself). Absent before then.
void keepDialogScalingOurs(HWND hwnd) {
    using BehaviorFn = BOOL(WINAPI*)(HWND, int, int);
    const int disableAll = 1;  // DDC_DISABLE_ALL
    HMODULE user = GetModuleHandleW(L"user32.dll");
    auto set = user ? reinterpret_cast<BehaviorFn>(reinterpret_cast<void*>(
                          GetProcAddress(user, "SetDialogDpiChangeBehavior")))
                    : nullptr;
    if (set) set(hwnd, disableAll, disableAll);
}

int systemDpi(HWND hwnd) {
    // GetDpiForWindow exists from Windows 10 1607; before that the screen's LOGPIXELSX is the
    // DPI that every window of the process is drawn at.
    using DpiFn = UINT(WINAPI*)(HWND);
    HMODULE user = GetModuleHandleW(L"user32.dll");
    auto forWindow = user ? reinterpret_cast<DpiFn>(reinterpret_cast<void*>(
                                GetProcAddress(user, "GetDpiForWindow")))
                          : nullptr;
    if (forWindow && hwnd) {
        UINT dpi = forWindow(hwnd);
        if (dpi) return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// Where the form first appears: the model's size at the DPI, centred on the screen's work area.
RECT Win32View::firstPlace() const {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int w = px(form_->window().width()), h = px(form_->window().height());
    const int x = std::max<int>(0, work.left + ((work.right - work.left) - w) / 2);
    const int y = std::max<int>(0, work.top + ((work.bottom - work.top) - h) / 2);
    return RECT{x, y, x + w, y + h};
}

// A window of our dialog class, which DefDlgProc makes a dialog on its first message. Made at
// once where it first appears, as the model stands now: a dialog template gives the size only
// in dialog units, and every later move of a top-level window is a round trip to the display.
HWND Win32View::createFormWindow() {
    const RECT r = firstPlace();
    return CreateWindowExW(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, FormClassName,
                           toWide(form_->window().caption()).c_str(),
                           WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                           r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                           instance_, nullptr);
}

// Visual styles and the tool tips: the common controls are not a static import, and their
// classes are registered here, when the wizard is built, not at start-up, where a silent run
// (which shows no wizard) paid for them too. Loaded after WinMain has cut the DLL search down
// to the system folder.
void initCommonControls() {
    HMODULE comctl = LoadLibraryW(L"comctl32.dll");
    if (!comctl) return;
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    auto init = reinterpret_cast<InitFn>(
        reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")));
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                 ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    if (init) init(&classes);
}

void Win32View::onLoad(Form& form) {
    Applying guard(applying_);
    form_ = &form;
    if (!icon_) {  // once a process, even if the form is loaded again
        initCommonControls();
        icon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(ProgramIconId),
                                              IMAGE_ICON, IconPixels, IconPixels, 0));
        registerClasses();
    }
    dpi_ = systemDpi(nullptr);  // the screen's, until the window can tell its own
    hwnd_ = createFormWindow();
    if (!hwnd_) return;
    keepDialogScalingOurs(hwnd_);
    dpi_ = systemDpi(hwnd_);
    controls_[hwnd_] = &form.window();
    windows_[&form.window()] = hwnd_;
    // Only what the first look shows gets its window before the form appears: the controls of
    // the other panels (most of the 55) and the tool tips come right after it, before any input
    // is read (a posted message is taken before the keyboard's and the mouse's), each in the
    // place among its siblings it would have had; a change that needs one of them earlier
    // (shown, brought to the front, focused, made the default) makes its window at once.
    int id = FirstControlId;
    loading_ = true;
    for (Control* c : form.controls()) {
        if (c->type() == ControlType::Window) continue;
        ids_[id++] = c;
        stacking_.push_back(c);
        const bool inShownContainer = !c->container() || hwndOf(*c->container());
        if (c->visible() && inShownContainer && !underButton(*c)) createControl(*c);
    }
    loading_ = false;
    // The owner of the folder browser and of message boxes.
    form.setWindowHandle(reinterpret_cast<std::uintptr_t>(hwnd_));
}

std::string Win32View::faceFor(const std::string& name) {
    // The form asks for MS Sans Serif, a bitmap font that only scales in steps; where its
    // TrueType successor is installed it draws the same captions sharply at any DPI.
    auto it = faces_.find(name);
    if (it != faces_.end()) return it->second;
    std::string face = name;
    if (name == "MS Sans Serif") {
        bool found = false;
        LOGFONTW lf{};
        lf.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(lf.lfFaceName, L"Microsoft Sans Serif", LF_FACESIZE);
        HDC dc = GetDC(nullptr);
        EnumFontFamiliesExW(dc, &lf, fontExists, reinterpret_cast<LPARAM>(&found), 0);
        ReleaseDC(nullptr, dc);
        if (found) face = "Microsoft Sans Serif";
    }
    faces_[name] = face;
    return face;
}

HFONT Win32View::fontFor(const Font& f) {
    auto key = std::make_tuple(dpi_, f.name, f.size, f.bold, f.italic);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(f.size * dpi_ / 72.0));
    lf.lfWeight = f.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = f.italic ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, toWide(faceFor(f.name)).c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    fonts_[key] = font;
    return font;
}

HBRUSH Win32View::brushFor(COLORREF colour) {
    auto it = brushes_.find(colour);
    if (it != brushes_.end()) return it->second;
    HBRUSH b = CreateSolidBrush(colour);
    brushes_[colour] = b;
    return b;
}

HWND Win32View::ensureWindow(const Control& c) {
    if (HWND h = hwndOf(c)) return h;
    Control* control = controlById(idOf(c));
    if (!hwnd_ || !control) return nullptr;
    if (c.container() && !ensureWindow(*c.container())) return nullptr;
    createControl(*control);
    return hwndOf(c);
}

// Whether nothing of a control can be seen: its whole rectangle lies under a shown push button
// stacked above it (the wizard's Finish under Next). Such a control waits for the windows made
// after the first show.
bool Win32View::underButton(const Control& c) const {
    for (const Control* o : stacking_) {
        if (o == &c) return false;
        if (o->container() == c.container() && o->type() == ControlType::CommandButton &&
            o->visible() && hwndOf(*o) && o->left() <= c.left() && o->top() <= c.top() &&
            o->left() + o->width() >= c.left() + c.width() &&
            o->top() + o->height() >= c.top() + c.height())
            return true;
    }
    return false;
}

void Win32View::createDeferred() {
    if (!deferred_ || !form_ || !hwnd_) return;
    deferred_ = false;
    Applying guard(applying_);
    toolTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                               nullptr, instance_, nullptr);
    // The controls made so far get their tips now; the ones made below, as they are made.
    for (const Control* c : form_->controls())
        if (HWND h = hwndOf(*c); h && !c->toolTip.empty()) addToolTip(h, c->toolTip);
    for (const Control* c : form_->controls()) ensureWindow(*c);
}

void Win32View::createControl(Control& c) {
    HWND parent = c.container() ? hwndOf(*c.container()) : hwnd_;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    const wchar_t* cls = L"STATIC";
    std::string text = c.caption();
    switch (c.type()) {
        case ControlType::Frame:
            cls = FrameClassName;
            style |= WS_CLIPCHILDREN;
            exStyle |= WS_EX_CONTROLPARENT;  // Tab and access keys reach the controls inside
            break;
        case ControlType::Label:
            if (c.autoSize) style |= SS_LEFTNOWORDWRAP;
            else if (c.alignment == Alignment::Center) style |= SS_CENTER;
            else if (c.alignment == Alignment::Right) style |= SS_RIGHT;
            else style |= SS_LEFT;
            break;
        case ControlType::Image:
            style |= SS_OWNERDRAW;
            break;
        case ControlType::CommandButton:
            cls = L"BUTTON";
            style |= BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP | WS_GROUP;
            break;
        case ControlType::CheckBox:
            // Not an automatic box: the model decides the value, the view only shows it.
            cls = L"BUTTON";
            style |= BS_3STATE | BS_MULTILINE | WS_TABSTOP | WS_GROUP;
            break;
        case ControlType::OptionButton: {
            cls = L"BUTTON";
            style |= BS_RADIOBUTTON | BS_MULTILINE;
            // One group per array; Tab reaches its selected member, the arrows move within it.
            const Control* prev = nullptr;
            for (Control* o : form_->controls())
                if (o == &c) break;
                else prev = o;
            if (!prev || prev->name() != c.name()) style |= WS_GROUP;
            if (c.selected()) style |= WS_TABSTOP;
            break;
        }
        case ControlType::TextBox:
            cls = L"EDIT";
            style |= ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP;
            exStyle |= WS_EX_CLIENTEDGE;
            text = c.text();
            break;
        case ControlType::Window:
            return;
    }
    // Made in its final place and state, not moved, enabled and shown one call after the other:
    // shown at once only while the form is still hidden (nothing is drawn before its font is set).
    if (!c.enabled()) style |= WS_DISABLED;
    const bool showNow = c.visible() && !IsWindowVisible(hwnd_);
    if (showNow) style |= WS_VISIBLE;
    const int id = idOf(c);
    HWND h = CreateWindowExW(exStyle, cls, toWide(text).c_str(), style, px(c.left()), px(c.top()),
                             px(c.width()), px(c.height()), parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    if (!h) return;
    // Below the nearest sibling that comes before it in the stacking order and has a window;
    // the first of them goes on top. Made in the form's order (the first look, while the form
    // loads), each simply goes last, where the system puts a new child: nothing to ask or move.
    if (!loading_) {
        HWND above = HWND_TOP;
        for (const Control* o : stacking_) {
            if (o == &c) break;
            if (o->container() == c.container())
                if (HWND w = hwndOf(*o)) above = w;
        }
        if (above == HWND_TOP || GetWindow(above, GW_HWNDNEXT) != h)
            SetWindowPos(h, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    windows_[&c] = h;
    controls_[h] = &c;
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(fontFor(c.font)), FALSE);
    if (c.type() == ControlType::CheckBox || c.type() == ControlType::OptionButton)
        SendMessageW(h, BM_SETCHECK, static_cast<WPARAM>(c.value()), 0);
    if (c.type() == ControlType::Label && c.autoSize) autoSize(c);
    if (!c.toolTip.empty()) addToolTip(h, c.toolTip);
    if (c.visible() && !showNow) ShowWindow(h, SW_SHOWNA);
}

void Win32View::addToolTip(HWND hwnd, const std::string& text) {
    if (!toolTip_) return;
    TTTOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = hwnd_;
    info.uId = reinterpret_cast<UINT_PTR>(hwnd);
    std::wstring wideText = toWide(text);
    std::vector<wchar_t> buffer(wideText.begin(), wideText.end());
    buffer.push_back(L'\0');
    info.lpszText = buffer.data();
    SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void Win32View::place(const Control& c) {
    HWND h = hwndOf(c);
    if (!h) return;
    // Inside a frame, positions count from the frame's outer corner, which is the frame
    // window's own origin (it has no border of its own: it draws one).
    MoveWindow(h, px(c.left()), px(c.top()), px(c.width()), px(c.height()), TRUE);
    if (c.type() == ControlType::Label && c.autoSize) autoSize(c);
}

void Win32View::autoSize(const Control& c) {
    // Before the first show the load handler may still change the caption: each label is
    // measured once, when the form first appears (onShow).
    if (!placed_) return;
    HWND h = hwndOf(c);
    // Measured on a memory DC: the text's size needs only the font, while the label's own DC
    // would have the window manager work out the label's visible region first.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, fontFor(c.font));
    RECT r{0, 0, 0, 0};
    std::wstring text = toWide(c.caption());
    DrawTextW(dc, text.empty() ? L" " : text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    DeleteDC(dc);
    // The label takes the size of its text and keeps the edge its alignment names (the
    // centre for a centred one), so that the text stays where the designer put it whatever
    // the font's real width.
    const int w = r.right - r.left;
    int x = px(c.left());
    if (c.alignment == Alignment::Right) x += px(c.width()) - w;
    else if (c.alignment == Alignment::Center) x += (px(c.width()) - w) / 2;
    SetWindowPos(h, nullptr, x, px(c.top()), w, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32View::applyRadioTabStops(const Control& changed) {
    for (Control* o : form_->controls()) {
        if (o->type() != ControlType::OptionButton || o->name() != changed.name()) continue;
        HWND h = hwndOf(*o);
        if (!h) continue;  // made later, with the tab stop its selection gives it
        LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
        style = o->selected() ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
        SetWindowLongPtrW(h, GWL_STYLE, style);
    }
}

HWND Win32View::hwndOf(const Control& c) const {
    auto it = windows_.find(&c);
    return it == windows_.end() ? nullptr : it->second;
}

Control* Win32View::controlOf(HWND hwnd) const {
    auto it = controls_.find(hwnd);
    return it == controls_.end() ? nullptr : it->second;
}

int Win32View::idOf(const Control& c) const {
    for (const auto& [id, control] : ids_)
        if (control == &c) return id;
    return 0;
}

Control* Win32View::controlById(int id) const {
    auto it = ids_.find(id);
    return it == ids_.end() ? nullptr : it->second;
}

// ------------------------------------------------------------------- model -> windows

void Win32View::onPropertyChanged(const Control& c, Property p) {
    Applying guard(applying_);
    // A control still without its window takes its state from the model when it gets one;
    // only becoming visible or the default button needs the window now.
    const bool needsWindow = (p == Property::Visible && c.visible()) ||
                             (p == Property::Default && c.isDefault());
    HWND h = needsWindow ? ensureWindow(c) : hwndOf(c);
    if (!h) return;
    if (c.type() == ControlType::Window) {
        if (p == Property::Caption) SetWindowTextW(h, toWide(c.caption()).c_str());
        // Before its first appearance the window takes its size together with its place, in
        // one move (onShow): every move of a top-level window is a round trip to the display.
        if ((p == Property::Width || p == Property::Height) && placed_)
            SetWindowPos(h, nullptr, 0, 0, px(c.width()), px(c.height()),
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    switch (p) {
        case Property::Caption:
            SetWindowTextW(h, toWide(c.caption()).c_str());
            if (c.type() == ControlType::Label && c.autoSize) autoSize(c);
            if (isContainer(c)) InvalidateRect(h, nullptr, TRUE);
            break;
        case Property::Text:
            if (c.type() == ControlType::TextBox) SetWindowTextW(h, toWide(c.text()).c_str());
            break;
        case Property::Visible:
            ShowWindow(h, c.visible() ? SW_SHOWNA : SW_HIDE);
            break;
        case Property::Enabled:
            EnableWindow(h, c.enabled());
            break;
        case Property::Value:
            SendMessageW(h, BM_SETCHECK, static_cast<WPARAM>(c.value()), 0);
            if (c.type() == ControlType::OptionButton) applyRadioTabStops(c);
            break;
        case Property::ForeColor:
            InvalidateRect(h, nullptr, TRUE);
            break;
        case Property::Left:
        case Property::Top:
        case Property::Width:
        case Property::Height:
            place(c);
            break;
        case Property::Default:
            if (c.isDefault()) {
                SendMessageW(hwnd_, DM_SETDEFID, static_cast<WPARAM>(GetDlgCtrlID(h)), 0);
            } else {
                if (LOWORD(SendMessageW(hwnd_, DM_GETDEFID, 0, 0)) == GetDlgCtrlID(h))
                    SendMessageW(hwnd_, DM_SETDEFID, 0, 0);
                SendMessageW(h, BM_SETSTYLE, BS_PUSHBUTTON | BS_MULTILINE, TRUE);
            }
            break;
    }
}

void Win32View::onShow() {
    if (!hwnd_) return;
    if (!placed_) {
        // First appearance. What the load handler uncovered (the button above it hidden or
        // moved) appears too, and the auto-sized labels take their final captions' size.
        placed_ = true;
        Applying guard(applying_);
        for (const Control* c : form_->controls()) {
            bool seen = c->type() != ControlType::Window && !hwndOf(*c);
            for (const Control* p = c; seen && p; p = p->container()) seen = p->visible();
            if (seen && !underButton(*c)) ensureWindow(*c);
        }
        for (const auto& [control, h] : windows_)
            if (control->type() == ControlType::Label && control->autoSize) autoSize(*control);
        // The window was made in this place unless the size or the DPI changed since.
        const RECT want = firstPlace();
        RECT now{};
        if (!GetWindowRect(hwnd_, &now) || !EqualRect(&now, &want))
            SetWindowPos(hwnd_, nullptr, want.left, want.top, want.right - want.left,
                         want.bottom - want.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    UpdateWindow(hwnd_);
    if (deferred_) PostMessageW(hwnd_, WmCreateDeferred, 0, 0);
}

void Win32View::onHide() {
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void Win32View::onZOrder(const Control& c) {
    auto it = std::find(stacking_.begin(), stacking_.end(), &c);
    if (it != stacking_.end()) std::rotate(stacking_.begin(), it, it + 1);
    if (HWND h = hwndOf(c))
        SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32View::onFocus(const Control& c) {
    Applying guard(applying_);
    HWND h = ensureWindow(c);
    if (!h || !hwnd_) return;
    // Through the dialog manager, which also lends a focused push button the default frame.
    SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(h), TRUE);
    lastFocus_ = GetFocus();
}

void Win32View::onUnload() {
    // The process normally ends right after this; if it does not, the loop ends with the window.
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
    PostQuitMessage(0);
}

// Dragged to a monitor of another scale: fonts for the new DPI, every control placed again by
// it, and the window in the rectangle the system suggests (it keeps the window under the
// pointer and on that monitor).
void Win32View::onDpiChanged(int dpi, const RECT& suggested) {
    Applying guard(applying_);
    dpi_ = dpi > 0 ? dpi : 96;
    for (const auto& [control, h] : windows_) {
        if (control->type() == ControlType::Window) continue;
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(fontFor(control->font)), FALSE);
        place(*control);
    }
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// ------------------------------------------------------------------- windows -> model

void Win32View::handleCommand(WPARAM wp, LPARAM lp) {
    if (!form_ || applying_) return;
    const int id = LOWORD(wp);
    const int code = HIWORD(wp);
    // While a message box or the folder browser is up the window is disabled. A key can still
    // reach the control that had the focus before the box took it (a text box passes Enter on
    // to the default button): it must not run a step again underneath the box.
    const bool takesInput = IsWindowEnabled(hwnd_) != FALSE;
    if (id == IDOK && !lp) {
        if (takesInput) form_->userEnter();
        return;
    }
    if (id == IDCANCEL && !controlById(id)) {
        if (takesInput) form_->userEscape();
        return;
    }
    Control* c = controlById(id);
    if (!c) return;
    switch (c->type()) {
        case ControlType::CommandButton:
        case ControlType::CheckBox:
        case ControlType::OptionButton:
            if (code == BN_CLICKED && takesInput) form_->userClick(*c);
            break;
        case ControlType::TextBox:
            if (code == EN_CHANGE) {
                HWND h = reinterpret_cast<HWND>(lp);
                int length = GetWindowTextLengthW(h);
                std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
                int got = GetWindowTextW(h, text.data(), length + 1);
                form_->userEditText(*c, toUtf8(text.data(), got > 0 ? got : 0));
            }
            break;
        default:
            break;
    }
}

void Win32View::syncFocus() {
    if (!form_ || !hwnd_) return;
    HWND f = GetFocus();
    if (f == lastFocus_) return;
    lastFocus_ = f;
    if (Control* c = controlOf(f); c && c->type() != ControlType::Window) form_->userFocus(*c);
}

LRESULT Win32View::colourFor(HDC dc, HWND child) {
    Control* c = controlOf(child);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    if (!c) {
        SetBkColor(dc, face);
        return reinterpret_cast<LRESULT>(brushFor(face));
    }
    COLORREF back = c->transparent ? face : toColorRef(c->backColour);
    if (c->type() == ControlType::TextBox && !c->enabled()) back = face;
    if (c->type() == ControlType::TextBox && !c->enabled())
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    else
        SetTextColor(dc, toColorRef(c->foreColor()));
    SetBkColor(dc, back);
    SetBkMode(dc, OPAQUE);
    return reinterpret_cast<LRESULT>(brushFor(back));
}

void Win32View::paintFrame(HWND hwnd, const Control& frame) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    FillRect(dc, &r, brushFor(face));
    HGDIOBJ old = SelectObject(dc, fontFor(frame.font));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    const std::wstring caption = toWide(frame.caption());
    // A caption-less frame inside another frame only groups (the maker's name strip); every
    // other frame draws its etched edge, the caption breaking the top line.
    const bool border = !caption.empty() || !frame.container();
    RECT edge = r;
    if (!caption.empty()) edge.top += tm.tmHeight / 2;
    if (border) DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
    if (!caption.empty()) {
        RECT text{MulDiv(8, dpi_, 96), 0, r.right, tm.tmHeight};
        DrawTextW(dc, caption.c_str(), -1, &text, DT_SINGLELINE | DT_CALCRECT);
        SetBkColor(dc, face);
        SetBkMode(dc, OPAQUE);
        SetTextColor(dc, toColorRef(frame.foreColor()));
        DrawTextW(dc, caption.c_str(), -1, &text, DT_SINGLELINE);
    }
    SelectObject(dc, old);
    EndPaint(hwnd, &ps);
}

void Win32View::drawImage(const DRAWITEMSTRUCT& item) {
    const RECT& r = item.rcItem;
    FillRect(item.hDC, &r, brushFor(GetSysColor(COLOR_BTNFACE)));
    if (!icon_) return;
    // The icon's pixels scaled by a whole factor (crisp at every DPI), as large as the image
    // box allows, centred in it.
    const int natural = MulDiv(IconPixels, dpi_, 96);
    const int room = std::min(r.right - r.left, r.bottom - r.top);
    const int factor = std::max(1, room / std::max(1, natural));
    const int size = natural * factor;
    const int x = r.left + ((r.right - r.left) - size) / 2;
    const int y = r.top + ((r.bottom - r.top) - size) / 2;
    DrawIconEx(item.hDC, x, y, icon_, size, size, 0, nullptr, DI_NORMAL);
}

LRESULT Win32View::formProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            handleCommand(wp, lp);
            return 0;
        case WM_CLOSE:
            // The close box and the system menu: the form's close request ends the process.
            // The same message also comes from outside (taskkill without /f, a log-off, a
            // deployment tool) while a message box of the engine is up or the wizard is hidden
            // during a run: ending then would cut the run short and report a failure as a
            // cancel, so it is acted on only while the user could have clicked the close box.
            if (form_ && !applying_ && acceptsUserClose(hwnd)) form_->userClose();
            return 0;
        case WmDpiChanged:
            if (lp) onDpiChanged(LOWORD(wp), *reinterpret_cast<const RECT*>(lp));
            return 0;
        case WmCreateDeferred:
            createDeferred();
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
            return colourFor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        case WM_CTLCOLORDLG:
            return reinterpret_cast<LRESULT>(brushFor(GetSysColor(COLOR_BTNFACE)));
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            Control* c = item ? controlOf(item->hwndItem) : nullptr;
            if (c && c->type() == ControlType::Image) {
                drawImage(*item);
                return TRUE;
            }
            break;
        }
        default:
            break;
    }
    return DefDlgProcW(hwnd, msg, wp, lp);
}

LRESULT Win32View::frameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT:
            if (Control* c = controlOf(hwnd)) {
                paintFrame(hwnd, *c);
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT fills the whole frame
        // A frame is only a container: what its controls report goes to the form.
        case WM_COMMAND:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_DRAWITEM:
        case WM_NOTIFY:
            if (hwnd_) return SendMessageW(hwnd_, msg, wp, lp);
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

int Win32View::loop() {
    MSG msg{};
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) return 1;
        if (hwnd_ && IsWindow(hwnd_) && IsDialogMessageW(hwnd_, &msg)) {
            syncFocus();
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        syncFocus();
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace

void installWin32View(HINSTANCE instance) { theView.install(instance); }

int runWizardLoop() { return theView.loop(); }

bool acceptsUserClose(HWND window) {
    return IsWindowEnabled(window) && IsWindowVisible(window);
}

}  // namespace tsy
