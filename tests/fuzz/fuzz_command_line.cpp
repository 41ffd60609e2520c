// The two command lines, fuzzed where tables cannot reach. The input's first byte picks one:
//   even: the rest is the setup's own command line (">S PROGRAM DB"), as Main reads it.
//     Whatever it holds, the run ends one of three ways, the one a plain reading (words between
//     blanks, any letter case) names when it has no line break: the help box naming the first
//     wrong word and exit 1639, nothing else done; a silent run (S) that starts what its words
//     ask, msiexec.exe from the system folder, and ends with 0; or the wizard open, nothing run.
//   odd: a whole engine run assembling msiexec.exe command lines. The first line's characters
//     are switches (request, mode and installed state, the two exit codes, Yes/No answers), the
//     next lines the program folder, the database folder and up to four debug answers. With no
//     quote typed anywhere, the quotes split each command line where the engine meant (the
//     package path first); a run never succeeds after a failed package; a quoted folder is refused.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>

#include "engine/command_line.h"
#include "engine/engine.h"
#include "services/text.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"
#include "wizard/show.h"

using namespace tsy;

namespace {

test::FakeOs* f = nullptr;  // one for the process: one per input would cost a folder on disk each

void check(bool property, const char* what) {
    if (property) return;
    std::fprintf(stderr, "PROPERTY BROKEN: %s\n", what);
    for (const auto& c : f->calls) std::fprintf(stderr, "%s\n", c.str().substr(0, 300).c_str());
    std::abort();  // libFuzzer keeps the input
}

bool called(const std::string& name, const std::string& argument) {
    for (const auto& c : f->calls)
        for (const auto& a : c.args) if (c.name == name && a.find(argument) != std::string::npos) return true;
    return false;
}

void setupCommandLine(const std::string& text) {
    std::optional<int> code;
    f->cmdLine = text;
    try {
        code = Main("TSYPRO_3");
    } catch (const ProcessEnded& e) {
        code = e.exitCode;
    }
    std::set<std::string> words;
    std::optional<std::string> wrong;
    for (std::string rest = text; !rest.empty() && !wrong;) {
        const std::size_t blank = rest.find(' ');
        std::string word = toUpper(rest.substr(0, blank));
        rest = blank == std::string::npos ? "" : trimLeftSpaces(rest.substr(blank + 1));
        if (std::set<std::string>{"REPAIR", "REMOVE", "PROGRAM", "DB", "OL", "S", "DEBUG"}.count(word)) words.insert(word);
        else wrong = word;
    }
    const bool plain = text.find_first_of("\r\n") == std::string::npos, remove = words.count("REMOVE");
    const std::vector<std::string> boxes = f->messages();
    if (code == 1639) {
        check(!boxes.empty() && boxes.back().starts_with("Parameter:") && !wizardForm(), "help box, process ended");
        check(!called("productState", "") && !called("createProcess", "") && !called("shellExecute", ""), "nothing done");
        check(!plain || (wrong && iequals(boxes.back().substr(10, wrong->size() + 1), *wrong + "\r")), "the wrong word named");
    } else if (code) {
        check(*code == 0 && !wizardForm() && (!plain || (!wrong && words.count("S"))), "a silent run that succeeds");
        for (const auto& c : f->callsNamed("createProcess")) check(c.args[0] == f->sysDir + "\\msiexec.exe", "system folder");
        // Nothing is installed, so a removal has nothing to start; otherwise the words decide.
        check(!plain || called("createProcess", "tsy3p.msi") == !remove, "program package as asked");
        check(!plain || called("createProcess", "tsy3db.msi") == (words.count("DB") && !remove), "database as asked");
        check(!plain || remove || called("shellExecute", "tsyemail.dll") == words.count("OL"), "e-mail interface as asked");
    } else {
        check(wizardForm() && !called("createProcess", "") && (!plain || (!wrong && !words.count("S"))), "the wizard");
    }
}

void engineRun(const std::vector<std::string>& in) {
    auto byte = [&](std::size_t i) { return i < in[0].size() ? static_cast<unsigned char>(in[0][i]) : 0u; };
    auto bit = [&](std::size_t i, unsigned mask) { return (byte(i) & mask) != 0; };
    const std::uint32_t codes[] = {0, 3010, 1641, 1602, 1603, 1618};
    const std::uint32_t exits[] = {codes[byte(2) % 6], codes[byte(3) % 6]};
    configureEdition("TSYPRO_3");
    SystemState& s = sys();
    s.gbDebug = bit(1, 2);
    s.gbSilent = bit(1, 4);
    s.gsSystemDir = f->sysDir;
    s.gsInstallPath = in[1];
    s.gsDBPath = in[2];
    f->productStates[s.gsProdID] = bit(1, 8) ? 5 : -1;
    f->productStates[s.gsDBProdID] = bit(1, 16) ? 3 : -1;
    f->inputBoxAnswers.assign(in.begin() + 3, in.end());
    for (std::size_t i = 4; i < 8; ++i) f->msgBoxAnswers.push_back(bit(i, 1) ? mb::AnswerYes : mb::AnswerNo);
    f->onCreateProcess = [&](const std::string&, const std::string& cmd) {
        return ProcessResult{true, true, exits[cmd.find("tsy3db") != std::string::npos]};
    };
    bool p = bit(0, 2), d = bit(0, 4), e = bit(0, 8), rep = bit(0, 16), rem = bit(0, 32), ui = false, dbUi = false;
    InstallOutcome outcome = InstallOutcome::Succeeded;
    check(SYS_Install(p, d, e, rep, rem, ui, dbUi, &outcome) == (outcome == InstallOutcome::Succeeded), "result");

    bool typedQuote = false, failedExit = false;
    for (std::size_t i = 1; i < in.size(); ++i) typedQuote = typedQuote || in[i].find('"') != std::string::npos;
    for (const auto& c : f->callsNamed("createProcess")) {
        const std::string& cmd = c.args[1];
        check(cmd.starts_with("msiexec.exe ") && c.args[0] == f->sysDir + "\\msiexec.exe", "msiexec.exe from the system folder");
        failedExit = failedExit || !engine::msiSucceeded(exits[cmd.find("tsy3db") != std::string::npos]);
        if (typedQuote) continue;
        std::vector<std::string> spans;
        for (std::size_t open = cmd.find('"'); open != std::string::npos; open = cmd.find('"', cmd.find('"', open + 1) + 1))
            spans.push_back(cmd.substr(open + 1, cmd.find('"', open + 1) - open - 1));
        check(std::count(cmd.begin(), cmd.end(), '"') % 2 == 0 && !spans.empty(), "balanced quotes");
        check(spans[0] == f->folder + "\\tsy3p.msi" || spans[0] == f->folder + "\\tsy3db.msi", "the package path first");
        check(cmd.find(" TARGETDIR=\"") == std::string::npos || spans.size() == 2, "the target quoted");
        check(spans.size() == 1 || spans[1] == s.gsInstallPath || cmd.find("tsy3db") != std::string::npos, "the program folder");
    }
    check(!failedExit || outcome == InstallOutcome::Failed, "no success after a failed package");
    for (const auto& c : f->callsNamed("saveSetting")) check(c.args[3].find('"') == std::string::npos, "no quote saved");
    check(!called("msgBox", "cannot contain the quote") || (outcome == InstallOutcome::Failed && typedQuote), "refusal");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!f) {
        setOs(f = new test::FakeOs());
        for (const char* name : {"tsy3p.msi", "tsy3db.msi"}) f->addFile(f->folder + "\\" + name);
    }
    f->calls.clear();  // the fake and the state as a new process finds them
    f->msgBoxAnswers.clear();
    f->inputBoxAnswers.clear();
    f->settings.clear();
    f->productStates.clear();
    f->onCreateProcess = nullptr;
    f->exe = "Setup";
    resetWizard();
    resetSystemState();
    std::vector<std::string> in;
    std::istringstream text(std::string(reinterpret_cast<const char*>(data), size));
    for (std::string line; in.size() < 7 && std::getline(text, line);) in.push_back(line);
    in.resize(7);
    if (size > 0 && data[0] % 2 == 0) setupCommandLine(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    else engineRun(in);
    return 0;
}
