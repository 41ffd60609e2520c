// The two command lines, fuzzed where tables cannot reach; the input's first byte picks one. Even: the rest is the
// setup's command line. Without a line break it ends as a plain reading (words between blanks, any case) says: the
// help box naming the first wrong word, exit 1639; a silent run (S) starting what its words ask, exit 0; or the
// wizard open, nothing started. Odd: an engine run; the first line's bytes are switches (request, mode, installed
// state, two exit codes, Yes/No answers), the next lines the program and database folders and four debug answers.
// msiexec.exe comes from the system folder; with no quote typed, the quotes split its command line where the engine
// meant; a failed package is never a success; a quote in a folder is refused.
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>

#include "engine/engine.h"
#include "services/text.h"
#include "startup/startup.h"
#include "support/fake_os.h"
#include "wizard/show.h"

using namespace tsy;

namespace {

test::FakeOs* f = nullptr;

void check(bool property, const char* what) {
    if (property) return;
    std::fprintf(stderr, "PROPERTY BROKEN: %s\n", what);
    for (const auto& c : f->calls) std::fprintf(stderr, "%s\n", c.str().substr(0, 300).c_str());
    std::abort();  // libFuzzer keeps the input
}

// How many calls of this name hold this text in one of their arguments.
long started(const std::string& name, const std::string& text) {
    const auto calls = f->callsNamed(name);
    return std::count_if(calls.begin(), calls.end(), [&](auto& c) {
        return std::any_of(c.args.begin(), c.args.end(), [&](auto& a) { return a.find(text) != a.npos; });
    });
}

void setupCommandLine(const std::string& text) {
    std::optional<int> code;
    try {
        f->cmdLine = text;
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
    if (text.find_first_of("\r\n") != std::string::npos) return check(code == 1639 || code == 0 || wizardForm(), "an end");
    const std::string box = f->messages().empty() ? "" : f->messages().back();
    check(code == 1639 ? wrong && iequals(box.substr(0, 11 + wrong->size()), "Parameter:" + *wrong + "\r")
                       : !wrong && (code == 0) == (words.count("S") > 0) && !code == (wizardForm() != nullptr), "the ending");
    const bool silent = code == 0, remove = words.count("REMOVE");  // nothing is installed: nothing to remove
    check(silent || started("createProcess", "") == 0, "only a silent run starts anything");
    check(started("createProcess", "tsy3p.msi") == (silent && !remove), "the program package as asked");
    check(started("createProcess", "tsy3db.msi") == (silent && !remove && words.count("DB")), "the database as asked");
    check(started("shellExecute", "tsyemail.dll") == (silent && (remove || words.count("OL"))), "e-mail interface");
}

void engineRun(const std::vector<std::string>& in) {
    auto byte = [&](std::size_t i) { return i < in[0].size() ? static_cast<unsigned char>(in[0][i]) : 0u; };
    auto bit = [&](std::size_t i, unsigned mask) { return (byte(i) & mask) != 0; };
    const std::uint32_t codes[] = {0, 3010, 1641, 1602, 1603, 1618}, exits[] = {codes[byte(2) % 6], codes[byte(3) % 6]};
    configureEdition("TSYPRO_3");
    SystemState& s = sys();
    s.gbDebug = bit(1, 2);
    s.gbSilent = bit(1, 4);
    s.gsSystemDir = f->sysDir;
    s.gsInstallPath = in[1];
    s.gsDBPath = in[2];
    f->productStates = {{s.gsProdID, bit(1, 8) ? 5 : -1}, {s.gsDBProdID, bit(1, 16) ? 3 : -1}};
    f->inputBoxAnswers.assign(in.begin() + 3, in.end());
    for (std::size_t i = 4; i < 8; ++i) f->msgBoxAnswers.push_back(bit(i, 1) ? mb::AnswerYes : mb::AnswerNo);
    f->onCreateProcess = [&](auto&, auto& cmd) { return ProcessResult{true, true, exits[cmd.find("tsy3db") != cmd.npos]}; };
    InstallRequest r{bit(0, 2), bit(0, 4), bit(0, 8), bit(0, 16), bit(0, 32)};
    const bool ok = SYS_Install(r);

    const bool typedQuote = std::any_of(in.begin() + 1, in.end(), [](auto& t) { return t.find('"') != t.npos; });
    for (const auto& c : f->callsNamed("createProcess")) {
        const std::string& cmd = c.args[1];
        check(c.args[0] == f->sysDir + "\\msiexec.exe", "msiexec.exe from the system folder");
        const std::uint32_t exit = exits[cmd.find("tsy3db") != cmd.npos];
        check(!ok || exit == 0 || exit == 3010 || exit == 1641, "no success after a failed package");
        std::vector<std::string> spans;
        for (std::size_t open = cmd.find('"'), close; open != cmd.npos && (close = cmd.find('"', open + 1)) != cmd.npos;
             open = cmd.find('"', close + 1))
            spans.push_back(cmd.substr(open + 1, close - open - 1));
        check(typedQuote || (std::count(cmd.begin(), cmd.end(), '"') == 2 * static_cast<long>(spans.size()) &&
                             spans.size() == (cmd.find(" TARGETDIR=\"") == cmd.npos ? 1u : 2u)), "quoted spans");
        check(typedQuote || spans[0] == f->folder + "\\tsy3p.msi" || spans[0] == f->folder + "\\tsy3db.msi", "package first");
        check(typedQuote || spans.size() == 1 || spans[1] == s.gsInstallPath || cmd.find("tsy3db") != cmd.npos, "target");
    }
    for (const std::string& m : f->messages())
        check(!m.starts_with("SYS_Install: A folder or file name cannot") || (!ok && typedQuote), "quote refused");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    test::OsScope scope;  // a fresh fake and installer state for each input
    f = &scope.fake;
    f->exe = "Setup";
    for (const char* name : {"tsy3p.msi", "tsy3db.msi"}) f->addFile(f->folder + "\\" + name);
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> in;
    std::istringstream lines(input);
    for (std::string line; in.size() < 7 && std::getline(lines, line);) in.push_back(line);
    in.resize(7);
    if (size > 0 && data[0] % 2 == 0) setupCommandLine(input.substr(1));
    else engineRun(in);
    resetWizard();
    return 0;
}
