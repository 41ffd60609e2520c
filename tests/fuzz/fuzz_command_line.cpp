// The msiexec.exe command lines, two ways. First the assembly routines alone with any option,
// package path, properties, target and interface level, and the debug answers that edit them.
// Then whole engine runs with fuzzed folders, flags, installed states, debug answers and exit
// codes: a command line that runs must quote its package path and target so that Windows
// splits it where the engine meant, and a run must never report success when a package step
// failed or was refused.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/command_line.h"
#include "engine/engine.h"
#include "fuzz_support.h"
#include "platform/runtime_error.h"
#include "services/text.h"
#include "startup/startup.h"

using namespace tsy;

namespace {

std::size_t quotes(const std::string& s) {
    std::size_t n = 0;
    for (char c : s) n += c == '"';
    return n;
}

bool blank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

// The quoted spans of a command line, as Windows' argument splitting sees them (no escapes:
// none of our texts ends in a backslash before a quote... when they do, this is what breaks).
std::vector<std::string> quotedSpans(const std::string& cmd) {
    std::vector<std::string> spans;
    std::size_t at = 0;
    while (true) {
        std::size_t open = cmd.find('"', at);
        if (open == std::string::npos) break;
        std::size_t close = cmd.find('"', open + 1);
        if (close == std::string::npos) break;
        spans.push_back(cmd.substr(open + 1, close - open - 1));
        at = close + 1;
    }
    return spans;
}

void assembly(fuzz::Reader& in) {
    test::FakeOs& f = fuzz::fake();
    const bool database = in.flag();

    const std::string optionAnswer = in.text(32);
    f.inputBoxAnswers = {optionAnswer};
    const std::string option = engine::editOption(engine::kProgramReinstallOption, database);
    const std::string od = "option answer [" + optionAnswer + "] -> [" + option + "]";
    TSY_FUZZ_CHECK(!option.empty() && option.back() == ' ', od);
    if (blank(optionAnswer))
        TSY_FUZZ_CHECK(option == engine::kDebugDefaultOption, od);
    else
        TSY_FUZZ_CHECK(option == optionAnswer || option == optionAnswer + " ", od);

    const std::string uiAnswer = in.text(32);
    const bool cancel = in.flag();
    f.inputBoxAnswers = {uiAnswer};
    f.msgBoxAnswers = {cancel ? mb::AnswerYes : mb::AnswerNo};
    const std::size_t boxesBefore = f.messages().size();
    const std::optional<std::string> sUI = engine::editInterfaceLevel(" /qb-", database);
    const std::string ud = "ui answer [" + uiAnswer + "]";
    if (blank(uiAnswer)) {
        TSY_FUZZ_CHECK(f.messages().size() == boxesBefore + 1 &&
                           f.messages().back() == "Cancel install?",
                       ud);
        TSY_FUZZ_CHECK(cancel ? !sUI : sUI == std::string(" /qb-"), ud);
    } else {
        TSY_FUZZ_CHECK(f.messages().size() == boxesBefore, ud);
        TSY_FUZZ_CHECK(sUI && (*sUI == uiAnswer || *sUI == " " + uiAnswer) && (*sUI)[0] == ' ', ud);
    }

    const std::string path = in.text(80);
    const std::string props = in.text(40);
    const std::string target = in.text(80);
    const std::string ui = sUI.value_or(" /qn");
    const std::string withTarget = engine::withTarget(props, target);
    const std::string cmd = engine::msiCommandLine(option, path, withTarget, ui);
    const std::string cd = "cmd [" + cmd + "]";
    TSY_FUZZ_CHECK(fuzz::startsWith(cmd, "msiexec.exe " + option + "\"" + path + "\""), cd);
    TSY_FUZZ_CHECK(fuzz::endsWith(cmd, ui), cd);
    TSY_FUZZ_CHECK(cmd == "msiexec.exe " + engine::msiParameters(option, path, withTarget, ui), cd);
    if (target.empty())
        TSY_FUZZ_CHECK(withTarget.find("TARGETDIR=") == std::string::npos ||
                           props.find("TARGETDIR=") != std::string::npos,
                       cd);
    // Texts without quotes of their own: the path and target come back out of the quotes whole.
    if (quotes(option) + quotes(path) + quotes(props) + quotes(target) + quotes(ui) == 0) {
        const auto spans = quotedSpans(cmd);
        TSY_FUZZ_CHECK(quotes(cmd) == (target.empty() ? 2u : 4u), cd);
        TSY_FUZZ_CHECK(spans.size() >= 1 && spans[0] == path, cd);
        if (!target.empty()) TSY_FUZZ_CHECK(spans.size() == 2 && spans[1] == target, cd);
    }
}

const char* const kPackages[] = {"tsy3p.msi", "tsy3db.msi"};

void engineRun(fuzz::Reader& in) {
    test::FakeOs& f = fuzz::fake();
    const std::uint8_t flags = in.byte();
    const std::uint8_t more = in.byte();
    bool bProgram = flags & 1, bDB = flags & 2, bEmail = flags & 4, bRepair = flags & 8,
         bRemove = flags & 16;
    bool bFullUI = flags & 32, bDBFullUI = flags & 64;

    configureEdition("TSYPRO_3");
    SystemState& s = sys();
    s.gbDebug = more & 1;
    s.gbSilent = more & 2;
    s.gsSystemDir = f.sysDir;
    s.gsInstallPath = in.text(120);
    s.gsDBPath = in.text(120);
    f.productStates[s.gsProdID] = (more & 4) ? 5 : -1;
    f.productStates[s.gsDBProdID] = (more & 8) ? 3 : -1;

    std::vector<std::string> answers;
    for (int i = 0; i < 4; ++i) answers.push_back(in.text(24));
    f.inputBoxAnswers.assign(answers.begin(), answers.end());
    for (int i = 0; i < 4; ++i) f.msgBoxAnswers.push_back(in.flag() ? mb::AnswerYes : mb::AnswerNo);
    std::vector<std::uint32_t> exits;
    for (int i = 0; i < 2; ++i) {
        static const std::uint32_t codes[] = {0, 3010, 1641, 1602, 1603, 1618};
        exits.push_back(codes[in.byte() % 6]);
    }
    std::size_t started = 0;
    f.onCreateProcess = [&](const std::string&, const std::string&) {
        ProcessResult r{true, true, exits[started % exits.size()]};
        ++started;
        return r;
    };

    InstallOutcome outcome = InstallOutcome::Succeeded;
    const bool ok = SYS_Install(bProgram, bDB, bEmail, bRepair, bRemove, bFullUI, bDBFullUI,
                                &outcome);

    std::string detail = "install [" + s.gsInstallPath + "] db [" + s.gsDBPath + "]\n";
    for (const auto& c : f.calls) detail += c.str().substr(0, 300) + "\n";
    TSY_FUZZ_CHECK(ok == (outcome == InstallOutcome::Succeeded), detail);

    bool answeredQuote = false;
    for (const std::string& a : answers) answeredQuote = answeredQuote || quotes(a) > 0;
    const auto runs = f.callsNamed("createProcess");
    bool failedExit = false;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const std::string& cmd = runs[i].args[1];
        TSY_FUZZ_CHECK(fuzz::startsWith(cmd, "msiexec.exe "), detail);
        TSY_FUZZ_CHECK(runs[i].args[0] == f.sysDir + "\\msiexec.exe", detail);
        if (!engine::msiSucceeded(exits[i % exits.size()])) failedExit = true;
        if (answeredQuote) continue;
        // The engine refuses paths with a quote; the debug answers had none either.
        TSY_FUZZ_CHECK(quotes(cmd) % 2 == 0, detail);
        const auto spans = quotedSpans(cmd);
        TSY_FUZZ_CHECK(!spans.empty(), detail);
        bool known = false;
        for (const char* p : kPackages) known = known || spans[0] == f.folder + "\\" + p;
        TSY_FUZZ_CHECK(known, detail);
        std::size_t target = cmd.find(" TARGETDIR=\"");
        if (target != std::string::npos) TSY_FUZZ_CHECK(spans.size() >= 2, detail);
    }
    // Failure is never reported as success.
    if (failedExit) TSY_FUZZ_CHECK(outcome == InstallOutcome::Failed, detail);
    const bool quotedFolder = quotes(s.gsInstallPath) + quotes(s.gsDBPath) > 0;
    for (const auto& c : f.callsNamed("saveSetting"))
        TSY_FUZZ_CHECK(c.args[2] != "DBPath" || quotes(c.args[3]) == 0, detail);
    bool refused = false;
    for (const std::string& m : f.messages())
        refused = refused ||
                  fuzz::startsWith(m, "SYS_Install: A folder or file name cannot contain the quote");
    if (refused) TSY_FUZZ_CHECK(outcome == InstallOutcome::Failed && quotedFolder, detail);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    test::FakeOs& f = fuzz::fake();
    for (const char* name : kPackages) f.addFile(f.folder + "\\" + name);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    fuzz::fresh();
    configureEdition("TSYPRO_3");
    fuzz::Reader in(data, size);
    if (in.flag())
        engineRun(in);
    else
        assembly(in);
    return 0;
}
