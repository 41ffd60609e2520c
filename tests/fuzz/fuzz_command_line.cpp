// The setup's command line, fuzzed where tables cannot reach. Without a line break it ends as a plain reading (words
// between blanks, any letter case) says: the help box naming the first wrong word, exit 1639; a silent run (S)
// starting what its words ask, exit 0; or the wizard open, nothing started.
#include <cstdio>
#include <cstdlib>
#include <set>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    test::OsScope scope;  // a fresh fake and installer state for each input
    f = &scope.fake;
    f->exe = "Setup";
    for (const char* name : {"tsy3p.msi", "tsy3db.msi"}) f->addFile(f->folder + "\\" + name);
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::optional<int> code;
    try {
        f->cmdLine = text;
        code = Main("TSYPRO_3");
    } catch (const ProcessEnded& e) {
        code = e.exitCode;
    }
    std::set<std::string> words;
    std::optional<std::string> wrong;
    for (std::size_t at = 0; at < text.size() && !wrong;) {
        std::size_t blank = std::min(text.find(' ', at), text.size());
        std::string word = text.substr(at, blank - at);
        for (char& c : word) c = c >= 'a' && c <= 'z' ? char(c - 32) : c;
        if (std::set<std::string>{"REPAIR", "REMOVE", "PROGRAM", "DB", "OL", "S", "DEBUG"}.count(word)) words.insert(word);
        else wrong = word;
        for (at = blank + 1; at < text.size() && text[at] == ' ';) ++at;
    }
    if (text.find_first_of("\r\n") != std::string::npos) check(code == 1639 || code == 0 || wizardForm(), "an end");
    else {
        const std::string box = f->messages().empty() ? "" : f->messages().back(), named = wrong ? *wrong : "";
        std::string shown = box.substr(0, 11 + named.size());
        for (char& c : shown) c = c >= 'a' && c <= 'z' ? char(c - 32) : c;
        check(code == 1639 ? wrong && shown == "PARAMETER:" + named + "\r"
                           : !wrong && (code == 0) == (words.count("S") > 0) && !code == (wizardForm() != nullptr), "the ending");
        const bool silent = code == 0, remove = words.count("REMOVE");  // nothing is installed: nothing to remove
        check(silent || started("createProcess", "") == 0, "only a silent run starts anything");
        check(started("createProcess", "tsy3p.msi") == (silent && !remove), "the program package as asked");
        check(started("createProcess", "tsy3db.msi") == (silent && !remove && words.count("DB")), "the database as asked");
        check(started("shellExecute", "tsyemail.dll") + started("shellExecuteWait", "tsyemail.dll") ==
                  (silent && (remove || words.count("OL"))), "e-mail interface");
    }
    resetWizard();
    return 0;
}
