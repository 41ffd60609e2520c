// The wizard driven as a user drives it: a start state, then keys and clicks, each answered by
// the panel the user sees; the engine replaced by a recorder of the requests it is handed.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/runtime_error.h"
#include "services/machine.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"
#include "wizard/fm_main.h"

// Its own namespace: other suites' fixtures define names of their own in tsy::test.
namespace tsy::wiztest {

using test::Call;
using test::FakeOs;
using test::OsScope;

inline const std::string kProgramFolder = "C:\\Program Files\\Tessary";
inline const std::string kDataFolder = "C:\\ProgramData\\Tessary Data";

inline std::string joined(const std::vector<std::string>& items, const char* sep = "; ") {
    std::string out;
    for (const std::string& s : items) out += (out.empty() ? "" : sep) + s;
    return out;
}

// The message boxes shown, each cut to the length of the beginning expected of it.
inline std::string said(const FakeOs& fake, const std::string& expected) {
    std::vector<std::string> texts = fake.messages(), want;
    for (std::size_t at = 0; !expected.empty() && at <= expected.size();) {
        const std::size_t end = std::min(expected.find(" // ", at), expected.size());
        want.push_back(expected.substr(at, end - at));
        at = end + 4;
    }
    for (std::size_t i = 0; i < texts.size() && i < want.size(); ++i)
        texts[i].resize(std::min(texts[i].size(), want[i].size()));
    return joined(texts, " // ");
}

class WizardTest : public ::testing::Test {
public:
    OsScope scope;
    FakeOs& fake = scope.fake;
    std::unique_ptr<FmMain> form;
    std::vector<std::string> requests;  // "program+db+email", with folders that were changed
    int engine = 1;  // 1 succeeds, 0 fails, 2 raises an error, 3 needs a restart, 4 cancelled, 5 busy, 6 restart begun

    // start: edition (pro, lite, rtf3), then ':' and U (update mode), P and D (installed).
    FmMain& open(const std::string& start) {
        const std::string flags = start.substr(std::min(start.size(), start.find(':')));
        const std::string ed = start.substr(0, start.find(':'));
        sys().gbUpdate = flags.find('U') != std::string::npos;
        configureEdition(ed == "lite" ? "TSYLT_3" : ed == "rtf3" ? "TSYPRO_RTF3" : "TSYPRO_3");
        sys().gbInstalled = flags.find('P') != std::string::npos;
        sys().gbDBInstalled = flags.find('D') != std::string::npos;
        sys().gsInstallPath = kProgramFolder;
        sys().gsDBPath = kDataFolder;
        for (const char* parent : {"C:\\Program Files", "C:\\ProgramData", "D:\\Apps"}) fake.addFolder(parent);
        for (const std::string& dir : {kProgramFolder, std::string("D:\\Apps\\New")}) fake.addFile(dir + "\\" + sys().gsExeName);
        form = std::make_unique<FmMain>();
        form->install = [this](InstallRequest& q) {
            std::string r;
            const std::pair<bool, const char*> all[] = {{q.bProgram, "program"}, {q.bDB, "db"}, {q.bEmail, "email"},
                                                        {q.bRepair, "repair"}, {q.bRemove, "remove"},
                                                        {q.bFullUI, "fullUI"}, {q.bDBFullUI, "dbFullUI"}};
            for (const auto& [on, name] : all) if (on) r += (r.empty() ? "" : "+") + std::string(name);
            if (sys().gsInstallPath != kProgramFolder) r += " prog=" + sys().gsInstallPath;
            if (sys().gsDBPath != kDataFolder) r += " db=" + sys().gsDBPath;
            requests.push_back(r + (form->visible() ? " while shown" : ""));
            if (engine == 2) throw RuntimeError(5, "Invalid procedure call or argument");
            using O = InstallOutcome;
            const O outcomes[] = {O::Failed, O::Succeeded, O::Failed, O::Restart, O::Cancelled, O::Busy, O::RestartBegun};
            return outcomes[engine];
        };
        form->Show();
        return *form;
    }

    // What the user sees: the one panel shown ("-" none, "+" several), "!" or "?" when the
    // error line reads "Path entered is invalid..." or "ERROR: Please enter...", "n" when the
    // notice is shown beside it, then the folder rows shown in red.
    std::string seen() const {
        std::string panel = "-";
        for (int i : form->frWiz.indices())
            if (form->frWiz(i).visible()) panel = panel == "-" ? std::to_string(i) : "+";
        if (form->lbErr.visible())
            panel += (form->lbErr.caption()[0] == 'E' ? "?" : "!") + std::string(form->lbWarning.visible() ? "n" : "");
        for (int row : {1, 2})
            if (form->txPath(row).foreColor() == colour::Red) panel += std::to_string(row);
        return panel;
    }

    // Keys and clicks, separated by spaces; returns what was seen before and after each, and
    // "x<code>" when the process ended.
    std::string walk(const std::string& keys) {
        static const char* const menu[] = {"single", "network", "custom", "repair", "configure", "remove"};
        std::string path = seen();
        std::istringstream in(keys);
        for (std::string k; in >> k;) {
            FmMain& f = *form;
            try {
                const int n = k.back() - '0';
                const auto is = [&k](const char* prefix) { return k.rfind(prefix, 0) == 0; };
                const auto* m = std::find(std::begin(menu), std::end(menu), k);
                if (m != std::end(menu)) f.userClick(f.cmdOpt(static_cast<int>(m - menu)));
                else if (k == "next") f.userClick(f.cmdNext);
                else if (k == "back") f.userClick(f.cmdBack);
                else if (k == "finish") f.userClick(f.cmdFinish);
                else if (k == "enter") f.userEnter();
                else if (k == "esc") f.userEscape();
                else if (k == "close") f.userClose();
                else if (k == "space") { if (f.focused()) f.userClick(*f.focused()); }
                else if (is("installed")) sys().gbInstalled = true, sys().gbDBInstalled = k == "installed";  // "installedP"
                else if (is("tx")) f.userEditText(f.txPath(k[2] - '0'), k.substr(4));
                else if (is("ck")) f.userClick(f.ckOpt(n));
                else if (is("in")) f.userClick(f.ckInstall(n));
                else if (is("opt")) f.userClick(f.optInstall(n));
                else if (is("gray")) f.ckOpt(n).setValue(2);
                else if (is("!")) {  // the next call of that name raises an error
                    fake.fault = [name = k.substr(1), calls = 0](const std::string& c) mutable {
                        return c == name && calls++ == 0 ? FakeOs::FaultThrow : FakeOs::FaultNone;
                    };
                } else ADD_FAILURE() << "no such key: " << k;
            } catch (const ProcessEnded& e) {
                return path + " x" + std::to_string(e.exitCode);
            }
            path += " " + seen();
            const std::string p = path.substr(path.rfind(' ') + 1);
            // The banner's strip: the maker's name on the completion panel, else the notice.
            EXPECT_EQ(f.frWSName.visible(), p[0] == '5') << k;
            if (!f.lbErr.visible()) { EXPECT_EQ(f.lbWarning.visible(), p[0] != '5') << k; }
            // Back leads nowhere from a menu or the completion panel; there is no way out of the last.
            EXPECT_EQ(f.cmdBack.enabled(), std::string("056").find(p[0]) == std::string::npos) << k;
            EXPECT_EQ(f.cmdCancel.enabled(), p[0] != '5') << k;
            // Next and Finish share one place: never both shown.
            EXPECT_FALSE(f.cmdNext.visible() && f.cmdFinish.visible()) << k;
        }
        return path;
    }
};

// One walk through the wizard and everything it leaves behind.
struct Flow {
    const char* start;         // see WizardTest::open
    const char* keys;          // see WizardTest::walk
    const char* path;          // what was seen; x<code>: the process ended
    const char* request;       // what the engine was handed, "; " between runs
    const char* said = "";     // the message boxes, each by its beginning, " // " between them
    std::string launch = "";   // the file opened at the end
    const char* done = "";     // the end of the completion text
    int engine = 1;
};

inline void PrintTo(const Flow& f, std::ostream* os) { *os << f.start << ": " << f.keys; }

class WizardFlow : public WizardTest, public ::testing::WithParamInterface<Flow> {};

}  // namespace tsy::wiztest
