// The window toolkit as plain data: a form, its controls and control arrays, and the rules of
// the toolkit that the wizard's handlers rely on.
//
// Nothing here knows a window handle type. A view (the Win32 renderer, or a test recorder)
// attaches a FormObserver, creates its own windows from the controls' design-time data when
// told onLoad, follows every later change through the callbacks, and feeds the user's input
// back through the Form's user* methods. The model never toggles a control because the view
// did: a click arrives as userClick(), and the model decides what it changes.
//
// Toolkit rules reproduced here:
//   - Setting a check box's Value or selecting an option button from code raises the control's
//     click handler, as a user's click does, only when the value really changes, and the handler
//     runs to its end before the setting returns.
//   - Option buttons of one array are mutually exclusive.
//   - Check boxes hold 0 (empty), 1 (ticked) or 2 (grayed).
//   - Moving the keyboard focus to a control that cannot take it (disabled, hidden, inside a
//     hidden or disabled container, or the window not shown) raises run-time error 5.
//   - Only one command button is the default button (the one Enter presses) at a time.
//
// For a view: controls() lists every control, containers before their contents; a control's
// container() is its parent window (nullptr: the form), positions are twips relative to it, and
// zOrder() orders siblings. Hand the rendered window's handle to setWindowHandle() (dialogs are
// owned by it). Feed input through userClick / userEditText / userClose / userEnter /
// userEscape / userFocus only, never by setting properties. Those calls run the handlers to
// their end; closing ends the process inside them (os().endProcess does not return). A
// RuntimeError escaping one of them is an error that no handler trapped: report it, go on.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tsy {

enum class ControlType { Window, Frame, Label, CommandButton, CheckBox, OptionButton, TextBox, Image };

// Colours are COLORREF values (0x00BBGGRR); values with the top bit set name a system colour
// (0x80000000 + the system colour index), as the toolkit stores them.
using Colour = std::uint32_t;
constexpr Colour rgb(int r, int g, int b) {
    return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}
namespace colour {
constexpr Colour WindowText = 0x80000008;   // text boxes' text
constexpr Colour ButtonText = 0x80000012;   // captions of labels, frames and buttons
constexpr Colour ButtonFace = 0x8000000F;   // background of the form and most controls
constexpr Colour WindowBack = 0x80000005;   // background of text boxes
constexpr Colour Red = 0x000000FF;
constexpr Colour Blue = 0x00FF0000;
}  // namespace colour

struct Font {
    std::string name = "MS Sans Serif";
    double size = 8.25;
    bool bold = false;
    bool italic = false;
};

enum class Alignment { Left, Right, Center };

// The properties whose changes are announced. Only these change after load.
enum class Property { Caption, Visible, Enabled, Value, Text, ForeColor, Left, Top, Width, Height, Default };
const char* propertyName(Property p);

class Form;
class Control;

// What a view implements. Every callback runs synchronously inside the model's statement that
// caused it, on the user-interface thread; a view must not call back into the model from a
// callback (it reads the control's current state instead).
class FormObserver {
public:
    virtual ~FormObserver() = default;
    // The form is being shown for the first time, before its load handler runs. Create one
    // window per control of form.controls() (parents come before their children) from the
    // design-time data; everything after this arrives as the callbacks below.
    virtual void onLoad(Form& /*form*/) {}
    // A property of a control, or of the window (form.window(): Caption, Width, Height), has a
    // new value; read it from the control.
    virtual void onPropertyChanged(const Control& /*control*/, Property /*property*/) {}
    // The window was made visible or hidden.
    virtual void onShow() {}
    virtual void onHide() {}
    // The control was brought to the front of its container's z-order.
    virtual void onZOrder(const Control& /*control*/) {}
    // The program moved the keyboard focus to the control.
    virtual void onFocus(const Control& /*control*/) {}
    // The form is being unloaded. The process ends right after this (os().endProcess); should
    // it not, the view destroys its windows and ends the message loop.
    virtual void onUnload() {}
};

class Control {
public:
    Control(Form& form, ControlType type, std::string name, int index, Control* container);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // ---- identity ----
    Form& form() const { return form_; }
    ControlType type() const { return type_; }
    const std::string& name() const { return name_; }
    int index() const { return index_; }          // -1 when not a member of a control array
    bool isArrayMember() const { return index_ >= 0; }
    std::string qualifiedName() const;            // "ckOpt(3)", "cmdNext"
    Control* container() const { return container_; }  // nullptr: placed on the form

    // ---- design-time data (set when the form is built; never announced) ----
    std::string toolTip;
    Font font;
    Colour backColour = colour::ButtonFace;
    bool transparent = false;   // label drawn without a background
    bool autoSize = false;      // label sizes itself to its caption
    Alignment alignment = Alignment::Left;
    bool isCancel = false;      // command button pressed by Esc

    // ---- properties ----
    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& v);
    bool visible() const { return visible_; }
    void setVisible(bool v);
    bool enabled() const { return enabled_; }
    void setEnabled(bool v);
    // Check box: 0, 1 or 2. Option button: 1 selected, 0 not (see selected()).
    int value() const { return value_; }
    void setValue(int v);
    bool selected() const { return value_ != 0; }   // option button
    void select() { setValue(1); }
    const std::string& text() const { return text_; }
    void setText(const std::string& v);
    Colour foreColor() const { return foreColor_; }
    void setForeColor(Colour v);
    int left() const { return left_; }
    int top() const { return top_; }
    int width() const { return width_; }
    int height() const { return height_; }
    void setLeft(int v);
    void setTop(int v);
    void setWidth(int v);
    void setHeight(int v);
    bool isDefault() const { return default_; }
    void setDefault(bool v);

    // ---- methods ----
    void bringToFront();
    long zOrder() const { return zOrder_; }   // higher is further in front; 0 never brought
    // Throws RuntimeError(5) when the control cannot take the focus.
    void setFocus();
    bool canTakeFocus() const;
    bool hasFocus() const;

    // Design-time initialisation, without announcement or events.
    void initCaption(std::string v) { caption_ = std::move(v); }
    void initText(std::string v) { text_ = std::move(v); }
    void initValue(int v) { value_ = v; }
    void initVisible(bool v) { visible_ = v; }
    void initEnabled(bool v) { enabled_ = v; }
    void initForeColor(Colour v) { foreColor_ = v; }
    void initBounds(int l, int t, int w, int h) { left_ = l; top_ = t; width_ = w; height_ = h; }

private:
    friend class Form;
    void changed(Property p);

    Form& form_;
    ControlType type_;
    std::string name_;
    int index_;
    Control* container_;
    std::string caption_;
    std::string text_;
    bool visible_ = true;
    bool enabled_ = true;
    int value_ = 0;
    Colour foreColor_ = colour::ButtonText;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool default_ = false;
    long zOrder_ = 0;
};

// A control array: members exist only at their designed indices. Indexing a missing member is
// run-time error 340, as in the toolkit.
class ControlArray {
public:
    explicit ControlArray(std::string name) : name_(std::move(name)) {}
    Control& operator()(int index) const;
    bool has(int index) const { return members_.count(index) != 0; }
    std::vector<int> indices() const;
    const std::string& name() const { return name_; }
    void add(Control& c) { members_[c.index()] = &c; }

private:
    std::string name_;
    std::map<int, Control*> members_;
};

// The form: its window, its controls in creation (tab) order, the observer, and the routing of
// user input and of clicks to the handlers of the concrete form.
class Form {
public:
    Form();
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    Control& window() { return *window_; }
    const Control& window() const { return *window_; }
    const std::vector<Control*>& controls() const { return order_; }
    Control* find(const std::string& name, int index = -1) const;

    void setObserver(FormObserver* o) { observer_ = o; }
    FormObserver* observer() const { return observer_; }

    // The window handle of the rendered window, set by the view; the owner of dialogs.
    void setWindowHandle(std::uintptr_t h) { hWnd_ = h; }
    std::uintptr_t hWnd() const { return hWnd_; }

    bool isLoaded() const { return loaded_; }
    bool isUnloaded() const { return unloaded_; }
    // Loads the form on first use (onLoad to the observer, then the load handler) and makes
    // the window visible.
    void Show();
    void Hide();
    bool visible() const { return window_->visible(); }
    // Asks to close the form: raises the close request handler. The form's own rule ends the
    // process there; should the handler return instead, the form is unloaded.
    void Unload(int unloadMode = 1);

    // The control that last took the focus, while it can still hold it.
    Control* focused() const { return focus_ && focus_->canTakeFocus() ? focus_ : nullptr; }
    Control* defaultButton() const;
    Control* cancelButton() const;

    // ---- user input, fed by the view ----
    // A click on a control: a command button raises its handler; a check box goes from 0 to 1
    // and from 1 or 2 to 0; an option button is selected. The model sets the value and the
    // handler runs through the ordinary rule. Ignored when the control cannot be used.
    void userClick(Control& c);
    // The user edited a text box. The view already shows the text, so it is not announced.
    void userEditText(Control& c, const std::string& text);
    // The window's close box or system menu.
    void userClose();
    // Enter: presses the default button. Esc: presses the Cancel button.
    void userEnter();
    void userEscape();
    // The user moved the focus (Tab, mouse). Not announced.
    void userFocus(Control& c);

    // Unload modes of the close request.
    static constexpr int FormControlMenu = 0;
    static constexpr int FormCode = 1;

protected:
    Control& make(ControlType type, const std::string& name, int index, Control* container);
    // The concrete form's handlers.
    virtual void onFormLoad() = 0;
    virtual void onQueryUnload(int& cancel, int unloadMode) = 0;
    virtual void onClick(Control& c) = 0;

private:
    friend class Control;
    void announce(const Control& c, Property p);
    void raiseToFront(Control& c);
    void focusOn(Control& c);
    void clearOtherDefaults(const Control& keep);
    void clearOtherOptions(const Control& keep);
    bool usable(const Control& c) const;

    std::vector<std::unique_ptr<Control>> owned_;
    std::vector<Control*> order_;
    Control* window_ = nullptr;
    FormObserver* observer_ = nullptr;
    std::uintptr_t hWnd_ = 0;
    bool loaded_ = false;
    bool unloaded_ = false;
    bool unloading_ = false;
    Control* focus_ = nullptr;
    long zCounter_ = 0;
};

}  // namespace tsy
