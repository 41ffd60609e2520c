// Shared set-up for the wizard's tests: an edition configured as start-up leaves it, the form
// loaded with a recording engine, a recording observer, and readable digests of the button
// row and the banner strip.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime_error.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"
#include "wizard/fm_main.h"

namespace tsy::test {

inline const std::string kWizardProgramFolder = "C:\\Program Files\\Tessary";
inline const std::string kWizardDBFolder = "C:\\ProgramData\\Tessary Data";

// What reached the engine.
struct EngineRequest {
    bool program = false;
    bool db = false;
    bool email = false;
    bool repair = false;
    bool remove = false;
    bool fullUI = false;
    bool dbFullUI = false;
    bool operator==(const EngineRequest&) const = default;
};

inline std::ostream& operator<<(std::ostream& o, const EngineRequest& r) {
    return o << "{program=" << r.program << " db=" << r.db << " email=" << r.email
             << " repair=" << r.repair << " remove=" << r.remove << " fullUI=" << r.fullUI
             << " dbFullUI=" << r.dbFullUI << "}";
}

// Records every announcement as one line, in order.
class RecordingObserver : public FormObserver {
public:
    std::vector<std::string> events;
    void onLoad(Form& form) override {
        events.push_back("load");
        controlsAtLoad = form.controls().size();
    }
    void onPropertyChanged(const Control& c, Property p) override {
        events.push_back(c.qualifiedName() + "." + propertyName(p));
    }
    void onShow() override { events.push_back("show"); }
    void onHide() override { events.push_back("hide"); }
    void onZOrder(const Control& c) override { events.push_back("front " + c.qualifiedName()); }
    void onFocus(const Control& c) override { events.push_back("focus " + c.qualifiedName()); }
    void onUnload() override { events.push_back("unload"); }
    std::size_t controlsAtLoad = 0;
};

class WizardTest : public ::testing::Test {
public:
    OsScope scope;
    FakeOs& fake = scope.fake;
    std::unique_ptr<FmMain> form;
    RecordingObserver observer;
    std::vector<EngineRequest> engineCalls;
    bool engineResult = true;
    std::vector<std::string> engineSawFormVisible;

    // As start-up leaves the state before the wizard opens.
    void configure(const std::string& key, bool update, bool installed, bool dbInstalled) {
        sys().gbUpdate = update;
        configureEdition(key);
        sys().gbInstalled = installed;
        sys().gbDBInstalled = dbInstalled;
        sys().gsInstallPath = kWizardProgramFolder;
        sys().gsDBPath = kWizardDBFolder;
        // The parents exist; the folders themselves are created by the folder check.
        fake.addFolder("C:\\Program Files");
        fake.addFolder("C:\\ProgramData");
    }

    FmMain& open(const std::string& key = "TSYPRO_3", bool update = false, bool installed = false,
                 bool dbInstalled = false) {
        configure(key, update, installed, dbInstalled);
        return load();
    }

    FmMain& load() {
        form = std::make_unique<FmMain>();
        form->install = [this](bool& p, bool& d, bool& e, bool& rep, bool& rem, bool& f,
                               bool& df) {
            engineCalls.push_back({p, d, e, rep, rem, f, df});
            engineSawFormVisible.push_back(form->visible() ? "visible" : "hidden");
            return engineResult;
        };
        form->setObserver(&observer);
        form->Show();
        return *form;
    }

    // Runs a user action; returns the exit code when it ended the process, -1 otherwise.
    int ends(const std::function<void()>& action) {
        try {
            action();
        } catch (const ProcessEnded& e) {
            return e.exitCode;
        }
        return -1;
    }

    void click(Control& c) { form->userClick(c); }
    void next() { click(form->cmdNext); }
    void back() { click(form->cmdBack); }
    void finish() { click(form->cmdFinish); }

    // The one visible panel (-1 when none, -2 when several).
    int shownPanel() const {
        int shown = -1;
        for (int i : form->frWiz.indices()) {
            if (!form->frWiz(i).visible()) continue;
            if (shown != -1) return -2;
            shown = i;
        }
        return shown;
    }

    // "back:on next:on,shown finish:off,hidden cancel:on front:next default:next focus:cmdNext"
    std::string buttons() const {
        auto onOff = [](const Control& c) { return std::string(c.enabled() ? "on" : "off"); };
        auto shown = [](const Control& c) { return std::string(c.visible() ? "shown" : "hidden"); };
        const Control* def = form->defaultButton();
        const Control* foc = form->focused();
        return "back:" + onOff(form->cmdBack) + " next:" + onOff(form->cmdNext) + "," +
               shown(form->cmdNext) + " finish:" + onOff(form->cmdFinish) + "," +
               shown(form->cmdFinish) + " cancel:" + onOff(form->cmdCancel) + " front:" +
               (form->cmdNext.zOrder() > form->cmdFinish.zOrder() ? "next" : "finish") +
               " default:" +
               (def == &form->cmdNext ? "next" : def == &form->cmdFinish ? "finish" : "none") +
               " focus:" + (foc ? foc->qualifiedName() : "none");
    }

    // Which lines of the banner's bottom strip are shown: "notice", "maker", "error".
    std::string banner() const {
        std::string s;
        auto add = [&](const char* what) { s += (s.empty() ? "" : "+") + std::string(what); };
        if (form->frWSName.visible()) add("maker");
        if (form->lbWarning.visible()) add("notice");
        if (form->lbErr.visible()) add("error");
        return s.empty() ? "none" : s;
    }

    std::vector<std::string> launches() const {
        std::vector<std::string> out;
        for (const Call& c : fake.callsNamed("shellExecute")) out.push_back(c.args[1] + "|" + c.args[2]);
        return out;
    }
};

}  // namespace tsy::test
