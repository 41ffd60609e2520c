// The command-line reading of Main: the fuzzer's bytes are the command-line text. The packages
// lie beside the setup and every program the fake starts succeeds, so whatever the text, the
// run must end in exactly one of three ways: the help box and exit 1639 for a wrong parameter,
// a silent run that succeeds, or the wizard open.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/runtime_error.h"
#include "services/text.h"
#include "startup/startup.h"
#include "wizard/show.h"

namespace {

using namespace tsy;

bool isParameter(const std::string& token) {
    for (const char* name : {"REPAIR", "REMOVE", "PROGRAM", "DB", "OL", "S", "DEBUG"})
        if (iequals(token, name)) return true;
    return false;
}

// How a command line without line breaks reads: words between single spaces, the blanks
// after each word skipped. Returns the first word that names no parameter, if any.
struct Reading {
    bool wrong = false;
    std::string wrongToken;
    bool silent = false;
    bool remove = false;
};

Reading readPlain(std::string rest) {
    Reading r;
    while (!rest.empty()) {
        std::size_t blank = rest.find(' ');
        std::string token = blank == std::string::npos ? rest : rest.substr(0, blank);
        rest = blank == std::string::npos ? "" : rest.substr(blank + 1);
        rest.erase(0, rest.find_first_not_of(' ') == std::string::npos ? rest.size()
                                                                        : rest.find_first_not_of(' '));
        if (!isParameter(token)) {
            r.wrong = true;
            r.wrongToken = token;
            return r;
        }
        if (iequals(token, "S")) r.silent = true;
        if (iequals(token, "REMOVE")) r.remove = true;
    }
    return r;
}

bool called(const test::FakeOs& f, const char* name) { return !f.callsNamed(name).empty(); }

std::string trail(const test::FakeOs& f) {
    std::string s;
    for (const auto& c : f.calls) s += c.str().substr(0, 200) + "\n";
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    test::FakeOs& f = fuzz::fake();
    for (const char* name : {"tsy3p.msi", "tsy3db.msi", "tsy3p_update.msi", "tsy3db_update.msi"})
        f.addFile(f.folder + "\\" + name);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 2048) return 0;
    test::FakeOs& f = fuzz::fresh();
    f.cmdLine.assign(reinterpret_cast<const char*>(data), size);

    std::optional<int> returned;
    std::optional<int> ended;
    try {
        returned = Main("TSYPRO_3");
    } catch (const ProcessEnded& e) {
        ended = e.exitCode;
    }
    // Any other exception escaping Main is a crash of the real program: libFuzzer reports it.

    const bool lineBreaks = f.cmdLine.find('\r') != std::string::npos;
    const Reading expected = readPlain(f.cmdLine);
    const std::vector<std::string> boxes = f.messages();

    if (ended) {
        TSY_FUZZ_CHECK(*ended == 1639, trail(f));
        TSY_FUZZ_CHECK(!boxes.empty() && fuzz::startsWith(boxes.back(), "Parameter:"), trail(f));
        TSY_FUZZ_CHECK(boxes.back().find("\rSorry this is not a valid Parameter.\r\r"
                                         "Available Parameters\r") != std::string::npos,
                       trail(f));
        // Nothing else of start-up runs after a wrong parameter.
        TSY_FUZZ_CHECK(!called(f, "productState") && !called(f, "createProcess") &&
                           !called(f, "shellExecute") && !called(f, "saveSetting"),
                       trail(f));
        TSY_FUZZ_CHECK(wizardForm() == nullptr, trail(f));
        if (!lineBreaks) {
            TSY_FUZZ_CHECK(expected.wrong, trail(f));
            TSY_FUZZ_CHECK(fuzz::startsWith(boxes.back(), "Parameter:" + expected.wrongToken + "\r"),
                           trail(f));
        }
        return 0;
    }

    if (!lineBreaks) TSY_FUZZ_CHECK(!expected.wrong, trail(f));
    if (sys().gbSilent) {
        if (!lineBreaks) TSY_FUZZ_CHECK(expected.silent, trail(f));
        TSY_FUZZ_CHECK(returned.has_value() && wizardForm() == nullptr, trail(f));
        // Everything the fake starts succeeds and the packages are there.
        TSY_FUZZ_CHECK(*returned == 0, trail(f));
        for (const auto& c : f.callsNamed("createProcess")) {
            TSY_FUZZ_CHECK(fuzz::startsWith(c.args[1], "msiexec.exe "), trail(f));
            TSY_FUZZ_CHECK(c.args[0] == f.sysDir + "\\msiexec.exe", trail(f));
        }
        // A silent run always includes the program package.
        if (!lineBreaks && !expected.remove) {
            bool programRan = false;
            for (const auto& c : f.callsNamed("createProcess"))
                programRan = programRan || c.args[1].find("\\tsy3p_update.msi\"") != std::string::npos;
            TSY_FUZZ_CHECK(programRan, trail(f));
        }
    } else {
        if (!lineBreaks) TSY_FUZZ_CHECK(!expected.silent, trail(f));
        TSY_FUZZ_CHECK(!returned.has_value() && wizardForm() != nullptr, trail(f));
        TSY_FUZZ_CHECK(!called(f, "createProcess"), trail(f));
    }
    return 0;
}
