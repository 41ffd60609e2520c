#include "wizard/form_model.h"

#include "platform/runtime_error.h"

namespace tsy {

const char* propertyName(Property p) {
    switch (p) {
        case Property::Caption: return "Caption";
        case Property::Visible: return "Visible";
        case Property::Enabled: return "Enabled";
        case Property::Value: return "Value";
        case Property::Text: return "Text";
        case Property::ForeColor: return "ForeColor";
        case Property::Left: return "Left";
        case Property::Top: return "Top";
        case Property::Width: return "Width";
        case Property::Height: return "Height";
        case Property::Default: return "Default";
    }
    return "?";
}

// ------------------------------------------------------------------------------- Control

Control::Control(Form& form, ControlType type, std::string name, int index, Control* container)
    : form_(form), type_(type), name_(std::move(name)), index_(index), container_(container) {
    if (type == ControlType::TextBox) {
        foreColor_ = colour::WindowText;
        backColour = colour::WindowBack;
    }
}

std::string Control::qualifiedName() const {
    return index_ < 0 ? name_ : name_ + "(" + std::to_string(index_) + ")";
}

void Control::changed(Property p) { form_.announce(*this, p); }

void Control::setCaption(const std::string& v) {
    if (caption_ == v) return;
    caption_ = v;
    changed(Property::Caption);
}

void Control::setVisible(bool v) {
    if (type_ == ControlType::Window) {
        if (v) form_.Show(); else form_.Hide();
        return;
    }
    if (visible_ == v) return;
    visible_ = v;
    changed(Property::Visible);
}

void Control::setEnabled(bool v) {
    if (enabled_ == v) return;
    enabled_ = v;
    changed(Property::Enabled);
}

void Control::setValue(int v) {
    if (type_ == ControlType::CheckBox) {
        // The toolkit refuses anything but its three states.
        if (v < 0 || v > 2) throw RuntimeError(380, "Invalid property value");
    } else if (type_ == ControlType::OptionButton) {
        v = v ? 1 : 0;
    } else {
        throw RuntimeError(438, "Object doesn't support this property or method");
    }
    if (value_ == v) return;
    value_ = v;
    if (type_ == ControlType::OptionButton && v) form_.clearOtherOptions(*this);
    changed(Property::Value);
    // Clearing an option button is a side effect of selecting another: only the selection
    // raises the click.
    if (type_ == ControlType::CheckBox || v) form_.onClick(*this);
}

void Control::setText(const std::string& v) {
    if (text_ == v) return;
    text_ = v;
    changed(Property::Text);
}

void Control::setForeColor(Colour v) {
    if (foreColor_ == v) return;
    foreColor_ = v;
    changed(Property::ForeColor);
}

void Control::setLeft(int v) {
    if (left_ == v) return;
    left_ = v;
    changed(Property::Left);
}

void Control::setTop(int v) {
    if (top_ == v) return;
    top_ = v;
    changed(Property::Top);
}

void Control::setWidth(int v) {
    if (width_ == v) return;
    width_ = v;
    changed(Property::Width);
}

void Control::setHeight(int v) {
    if (height_ == v) return;
    height_ = v;
    changed(Property::Height);
}

void Control::setDefault(bool v) {
    if (type_ != ControlType::CommandButton)
        throw RuntimeError(438, "Object doesn't support this property or method");
    if (v) form_.clearOtherDefaults(*this);
    if (default_ == v) return;
    default_ = v;
    changed(Property::Default);
}

void Control::bringToFront() { form_.raiseToFront(*this); }

bool Control::canTakeFocus() const {
    switch (type_) {
        case ControlType::Label:
        case ControlType::Frame:
        case ControlType::Image:
        case ControlType::Window:
            return false;
        default:
            break;
    }
    if (!form_.visible()) return false;
    for (const Control* c = this; c; c = c->container_)
        if (!c->visible_ || !c->enabled_) return false;
    return true;
}

void Control::setFocus() {
    if (!canTakeFocus()) throw RuntimeError(5, "Invalid procedure call or argument");
    form_.focusOn(*this);
}

bool Control::hasFocus() const { return form_.focused() == this; }

// --------------------------------------------------------------------------- ControlArray

Control& ControlArray::operator()(int index) const {
    auto it = members_.find(index);
    if (it == members_.end())
        throw RuntimeError(340, "Control array element '" + std::to_string(index) + "' doesn't exist");
    return *it->second;
}

std::vector<int> ControlArray::indices() const {
    std::vector<int> out;
    for (const auto& [i, c] : members_) out.push_back(i);
    return out;
}

// ---------------------------------------------------------------------------------- Form

Form::Form() {
    window_ = &make(ControlType::Window, "fmMain", -1, nullptr);
    window_->initVisible(false);
    window_->font = Font{"Arial", 8.25, false, false};
}

Form::~Form() = default;

Control& Form::make(ControlType type, const std::string& name, int index, Control* container) {
    owned_.push_back(std::make_unique<Control>(*this, type, name, index, container));
    Control& c = *owned_.back();
    order_.push_back(&c);
    return c;
}

Control* Form::find(const std::string& name, int index) const {
    for (Control* c : order_)
        if (c->name() == name && c->index() == index) return c;
    return nullptr;
}

void Form::announce(const Control& c, Property p) {
    // A control that is hidden or disabled loses the focus, as on the platform.
    if ((p == Property::Visible || p == Property::Enabled) && focus_ && !focus_->canTakeFocus())
        focus_ = nullptr;
    if (observer_) observer_->onPropertyChanged(c, p);
}

void Form::raiseToFront(Control& c) {
    c.zOrder_ = ++zCounter_;
    if (observer_) observer_->onZOrder(c);
}

void Form::focusOn(Control& c) {
    focus_ = &c;
    if (observer_) observer_->onFocus(c);
}

void Form::clearOtherDefaults(const Control& keep) {
    for (Control* c : order_) {
        if (c != &keep && c->default_) {
            c->default_ = false;
            announce(*c, Property::Default);
        }
    }
}

void Form::clearOtherOptions(const Control& keep) {
    for (Control* c : order_) {
        if (c != &keep && c->type_ == ControlType::OptionButton && c->name_ == keep.name_ &&
            c->value_) {
            c->value_ = 0;
            announce(*c, Property::Value);
        }
    }
}

Control* Form::defaultButton() const {
    for (Control* c : order_)
        if (c->default_) return c;
    return nullptr;
}

Control* Form::cancelButton() const {
    for (Control* c : order_)
        if (c->isCancel) return c;
    return nullptr;
}

void Form::Show() {
    if (unloaded_) return;
    if (!loaded_) {
        loaded_ = true;
        if (observer_) observer_->onLoad(*this);
        onFormLoad();
        if (unloaded_) return;
    }
    if (window_->visible_) return;
    window_->visible_ = true;
    if (observer_) observer_->onShow();
}

void Form::Hide() {
    if (!window_->visible_) return;
    window_->visible_ = false;
    focus_ = nullptr;
    if (observer_) observer_->onHide();
}

void Form::Unload(int unloadMode) {
    if (unloaded_ || unloading_) return;
    unloading_ = true;
    if (observer_) observer_->onUnload();
    int cancel = 0;
    onQueryUnload(cancel, unloadMode);
    // The close request of this program never refuses; reaching here means the process did not
    // end, so the form goes away all the same.
    window_->visible_ = false;
    unloaded_ = true;
    unloading_ = false;
}

bool Form::usable(const Control& c) const {
    if (unloaded_ || !window_->visible_) return false;
    for (const Control* p = &c; p; p = p->container_)
        if (!p->visible_ || !p->enabled_) return false;
    return true;
}

void Form::userClick(Control& c) {
    if (&c.form() != this || !usable(c)) return;
    switch (c.type()) {
        case ControlType::CommandButton:
            onClick(c);
            break;
        case ControlType::CheckBox:
            c.setValue(c.value() == 0 ? 1 : 0);
            break;
        case ControlType::OptionButton:
            c.setValue(1);
            break;
        default:
            break;
    }
}

void Form::userEditText(Control& c, const std::string& text) {
    if (&c.form() != this || c.type() != ControlType::TextBox || !usable(c)) return;
    c.text_ = text;
}

void Form::userClose() {
    if (unloaded_) return;
    Unload(FormControlMenu);
}

void Form::userEnter() {
    if (Control* b = defaultButton()) userClick(*b);
}

void Form::userEscape() {
    if (Control* b = cancelButton()) userClick(*b);
}

void Form::userFocus(Control& c) {
    if (&c.form() == this && c.canTakeFocus()) focus_ = &c;
}

}  // namespace tsy
