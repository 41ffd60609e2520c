// The installation engine against the recording fake, one scenario a row, grouped by behaviour. In: the machine and
// the request in the command line's words ("S REPAIR PROGRAM DB"). Out: the exit code and the trail, in order:
//   run <msiexec.exe's parameters>     open <file> <parameters> @<folder>
//   save <key>=<value>                 box <text> [#<style>] [[<title>]]
//   ask <default answer>               move <from> -> <to>      (renames that succeeded)
//   wait <milliseconds>
// The Windows system folder (GetSystemDirectory) and the setup's own system folder differ, as
// for a 32-bit setup on 64-bit Windows; the trail writes them <win> and <sys>.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"
#include "support/product_codes.h"

namespace tsy::test {
namespace {

using Lines = std::vector<std::string>;

bool hasWord(const std::string& words, const std::string& w) { return (" " + words + " ").find(" " + w + " ") != words.npos; }

struct Scenario {
    const char* name = "";
    const char* key = "TSYPRO_3";
    bool update = false;
    const char* installed = "";  // packages Windows Installer reports, in the request's words
    const char *exe = "Update", *folder = "C:\\Kit";  // the setup's name and folder
    Lines files = {"C:\\Kit\\AccessDatabaseEngine2010_SP2.exe", "C:\\Kit\\tsy3p.msi", "C:\\Kit\\tsy3db.msi", "C:\\Kit\\tsy3l.msi", "C:\\Kit\\tsy3dbl.msi",
                   "C:\\Kit\\tsy3p_update.msi", "C:\\Kit\\tsy3db_update.msi"};
    const char* hidden = "";
    const char *installPath = "C:\\App", *dbPath = "D:\\Data\\Tessary Data";
    const char* ver = "";        // the saved version, and the templates a 3.0 installation left
    Lines templates = {};        //   below D:\Data\Tessary Data\Documents\Templates
    const char* locked = "";     // a template that cannot be moved
    const char* refused = "";    // a setting the store refuses (a run-time error in the engine)
    long winMajor = 6;
    bool systemFolder = true;    // whether Windows names its system folder; the setup's own:
    const char* systemDir = "C:\\windows\\syswow64";
    const char* failing = "";    // the packages (by the start of their names) whose msiexec.exe ends with `exit`, or is not started
    std::deque<std::uint32_t> exit = {};  // one code a run, the last one repeated
    bool started = true;
    long shell = 42;             // the shell's answer to an open request ("open with" retries get 2)
    std::deque<std::string> answers = {};  // input boxes in order; then the default text
    std::deque<int> boxes = {};            // message boxes in order; then OK, or Yes
    const char *request = "PROGRAM DB", *kinds = "";  // the kinds of trail lines compared; empty: all
    int exitCode = 0;
    Lines trail = {};
};

// The trail, keeping only the kinds named ("run save"; empty: everything).
Lines trail(const FakeOs& fake, const std::string& kinds) {
    Lines out;
    for (const Call& c : fake.calls) {
        const Lines& a = c.args;
        std::string line;
        if (c.name == "createProcess") {
            // msiexec.exe only ever from the Windows system folder, waited for without limit.
            EXPECT_EQ(a[0] + "|" + a[2] + "|" + a[3], fake.sysDir + "\\msiexec.exe|" + sys().gsSystemDir + "|4294967295");
            line = "run " + (a[1].starts_with("msiexec.exe ") ? a[1].substr(12) : a[1]);
        } else if (c.name == "shellExecute" || c.name == "shellExecuteWait") {
            // Nothing by a bare or relative name, which the shell would look for on the PATH and in App Paths.
            EXPECT_TRUE(a[1].size() > 2 && ((isalpha(a[1][0]) && a[1][1] == ':' && a[1][2] == '\\') || a[1].starts_with("\\\\")))
                << a[1];
            line = a[0] + " " + a[1] + " " + a[2] + " @" + a[3] + (c.name == "shellExecuteWait" ? " <" + a[5] + "ms" : "");
        } else if (c.name == "saveSetting") {
            EXPECT_EQ(a[0] + "\\" + a[1], sys().gsAppKey + "\\StartUp");
            line = "save " + a[2] + "=" + a[3];
        } else if (c.name == "msgBox" && !a[0].starts_with("gbInstalled")) {  // not start-up's debug display
            line = "box " + a[0] + (a[1] == "0" ? "" : " #" + a[1]) + (a[2].empty() ? "" : " [" + a[2] + "]");
        } else if (c.name == "inputBox") {
            line = "ask " + a[2];
        } else if (c.name == "sleep") {
            line = "wait " + a[0];
        } else if (c.name == "moveFile" && c.result == "true") {
            line = "move " + a[0] + " -> " + a[1];
        }
        if (line.empty() || (!kinds.empty() && !hasWord(kinds, line.substr(0, line.find(' '))))) continue;
        for (const auto& [path, name] : {std::pair<std::string, std::string>{fake.sysDir, "<win>"}, {sys().gsSystemDir, "<sys>"},
                                         {"D:\\Data\\Tessary Data\\Documents\\Templates", "<t>"},
                                         {"D:/Data/Tessary Data/Documents/Templates", "<t>"}})
            for (std::size_t at; !path.empty() && (at = line.find(path)) != std::string::npos;)
                line.replace(at, path.size(), name);
        out.push_back(line);
    }
    return out;
}

void play(const Scenario& s) {
    SCOPED_TRACE(s.name);
    OsScope scope;
    FakeOs& fake = scope.fake;
    sys().gbUpdate = s.update;
    configureEdition(s.key);
    sys().gsSystemDir = s.systemDir;
    sys().gsInstallPath = s.installPath;
    sys().gsDBPath = s.dbPath;
    sys().gbSilent = hasWord(s.request, "S");
    sys().gbDebug = hasWord(s.request, "DEBUG");
    fake.exe = s.exe;
    fake.folder = s.folder;
    for (const std::string& f : s.files) fake.addFile(f);
    for (const std::string& t : s.templates) fake.addFile("D:\\Data\\Tessary Data\\Documents\\Templates\\" + t);
    if (*s.hidden) fake.markHidden(s.hidden);
    fake.settings[FakeOs::settingKey(s.key, "StartUp", "Ver")] = s.ver;
    const bool pro = std::string(s.key).starts_with("TSYPRO");
    fake.productStates[kProgramCode[pro]] = hasWord(s.installed, "PROGRAM") ? 5 : -1;
    fake.productStates[kDatabaseCode[pro][s.update]] = hasWord(s.installed, "DB") ? 3 : -1;
    fake.winVersion.major = s.winMajor;
    fake.inputBoxAnswers = s.answers;
    fake.msgBoxAnswers = s.boxes;
    std::deque<std::uint32_t> exits = s.exit;
    fake.onCreateProcess = [&](auto&, const std::string& cmd) {
        const bool hit = *s.failing && cmd.find(std::string("\\") + s.failing) != std::string::npos;
        const std::uint32_t code = hit && !exits.empty() ? exits.front() : 0;
        if (hit && exits.size() > 1) exits.pop_front();
        return ProcessResult{!hit || s.started, true, code};
    };
    fake.onShellExecute = [&s](auto& file, auto& params) { return params == "1" ? 2 : s.shell; };
    fake.fault = [&fake, &s](const std::string& name) {
        const bool locked = name == "moveFile" && *s.locked && fake.calls.back().args[0].find(s.locked) != std::string::npos;
        const bool refused = name == "saveSetting" && fake.calls.back().args[2] == s.refused;
        return locked || refused || (name == "systemDirectory" && !s.systemFolder) ? FakeOs::FaultReturn : FakeOs::FaultNone;
    };
    InstallRequest r{hasWord(s.request, "PROGRAM"), hasWord(s.request, "DB"), hasWord(s.request, "OL"),
                     hasWord(s.request, "REPAIR"), hasWord(s.request, "REMOVE")};
    InstallOutcome outcome = InstallOutcome::Succeeded;
    const bool ok = SYS_Install(r, &outcome);
    EXPECT_EQ(ok, s.exitCode == 0 || s.exitCode == 3010 || s.exitCode == 1641);
    EXPECT_EQ(exitCodeFor(outcome), s.exitCode);
    EXPECT_EQ(trail(fake, s.kinds), s.trail);
}

const std::string kComm = R"(open <win>\regsvr32.exe /s <sys>\mscomm32.ocx @<sys>)", kSaved = "save EmailForm=13";
const std::string kEmail = R"(open <win>\regsvr32.exe /s <sys>\tsyemail.dll @<sys>)", kVer = "save Ver=3.3.0";
const std::string kDBPath = R"(save DBPath=D:\Data\Tessary Data\MainDB\)", kUpdateBefore = R"(open <sys>\vezEdeRu.exe -u @<sys>)";
const std::string kProgram = R"(run /I "C:\Kit\tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\App" /qb-)";
const std::string kDatabase = R"(run /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qb-)";

// Options, properties and interface levels over request, edition, mode and installed state; the update service
// around a repair or an update; regsvr32's own verdict in debug mode unless nobody is there to close it; the target
// folders ("MainDB" and "Tessary Data" stand for the folder around them; a trailing separator of either kind goes).
TEST(Engine, RequestsAndWhatTheyStart) {
    const Scenario rows[] = {
        {.name = "install everything", .request = "PROGRAM DB OL", .trail = {kProgram, kDBPath, kDatabase, kComm, kEmail, "save EmailForm=12", kVer}},
        {.name = "update both", .update = true, .installed = "PROGRAM DB",
         .trail = {kUpdateBefore, R"(run /famus "C:\Kit\tsy3p_update.msi" TARGETDIR="C:\App" /qf)",
                   R"(run /famu "C:\Kit\tsy3db_update.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qf)",
                   R"(open <sys>\vezEdeRu.exe -i @<sys>)", kComm, kSaved, kVer}},
        {.name = "repair both", .installed = "PROGRAM DB", .request = "REPAIR PROGRAM DB",
         .trail = {kUpdateBefore, R"(run /famus "C:\Kit\tsy3p.msi" TARGETDIR="C:\App" /qb /norestart)", kDBPath,
                   R"(run /famu "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /qb)", R"(open <sys>\vezEdeRu.exe -i @<sys>)", kComm,
                   kSaved, kVer}},
        {.name = "remove both with the e-mail interface", .installed = "PROGRAM DB", .request = "REMOVE PROGRAM DB OL",
         .trail = {kUpdateBefore, R"(open <win>\regsvr32.exe /s /u <sys>\tsyemail.dll @<sys> <60000ms)",
                   R"(run /x "C:\Kit\tsy3p.msi"REMOVE=ALL  TARGETDIR="C:\App" /qb /norestart)",
                   R"(run /x "C:\Kit\tsy3db.msi"REMOVE=ALL REINSTALLMODE=aums  TARGETDIR="D:\Data" /qb)"}},
        {.name = "database there: reinstalled, watched", .installed = "DB", .request = "PROGRAM DB", .kinds = "run",  // only the database there: it is reinstalled, watched
         .trail = {kProgram, R"(run /famu "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qf)"}},
        {.name = "remove: only what is installed", .installed = "DB", .request = "S REMOVE PROGRAM DB", .kinds = "run",  // nothing installed by a removal
         .trail = {R"(run /x "C:\Kit\tsy3db.msi"REMOVE=ALL REINSTALLMODE=aums  TARGETDIR="D:\Data" /qn)"}},
        {.name = "silent update", .update = true, .installed = "PROGRAM DB", .request = "S PROGRAM DB", .kinds = "run",
         .trail = {R"(run /famus "C:\Kit\tsy3p_update.msi" TARGETDIR="C:\App" /qn)",
                   R"(run /famu "C:\Kit\tsy3db_update.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qn)"}},
        {.name = "Lite silent install", .key = "TSYLITE_3", .request = "S PROGRAM DB OL", .kinds = "run save",
         .trail = {R"(run /I "C:\Kit\tsy3l.msi"ALLUSERS=2  TARGETDIR="C:\App" /qn)", kDBPath,
                   R"(run /I "C:\Kit\tsy3dbl.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qn)", "save EmailForm=2", kVer}},
        {.name = "repair: the missing database installed", .installed = "PROGRAM", .request = "REPAIR PROGRAM DB", .kinds = "run",
         .trail = {R"(run /famus "C:\Kit\tsy3p.msi" TARGETDIR="C:\App" /qb /norestart)",
                   R"(run /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qf)"}},
        {.name = "debug: options asked, regsvr32 shown", .request = "DEBUG PROGRAM DB OL", .kinds = "ask open",
         .trail = {"ask  /qb-", "ask  /qb-", R"(open <win>\regsvr32.exe <sys>\mscomm32.ocx @<sys>)",
                   R"(open <win>\regsvr32.exe <sys>\tsyemail.dll @<sys>)"}},
        {.name = "silent debug: regsvr32 silent", .request = "S DEBUG PROGRAM OL", .kinds = "ask open", .trail = {"ask  /qn", kComm, kEmail}},
        {.name = "debug update: options asked", .update = true, .installed = "PROGRAM DB", .request = "DEBUG PROGRAM DB", .kinds = "ask", .trail = {"ask /famus ",
                                                                                                             "ask /famu "}},
        {.name = "debug reinstall of the program", .installed = "PROGRAM DB", .request = "DEBUG PROGRAM", .kinds = "ask", .trail = {"ask /famus "}},
        {.name = "silent debug database: its level asked", .installed = "PROGRAM DB", .request = "S DEBUG DB", .kinds = "ask", .trail = {"ask /famu ", "ask  /qn"}},
        {.name = "silent debug removal: unregistration shown", .installed = "PROGRAM", .request = "S DEBUG REMOVE PROGRAM", .kinds = "open",
         .trail = {kUpdateBefore, R"(open <win>\regsvr32.exe /u <sys>\tsyemail.dll @<sys> <60000ms)"}},
        // Windows 8.1 and later tell this program (its manifest names them) their true version, 10.
        {.name = "Windows 5: no communications control", .winMajor = 5, .request = "PROGRAM", .kinds = "open", .trail = {}},
        {.name = "Windows 10: communications control", .winMajor = 10, .request = "PROGRAM", .kinds = "open", .trail = {kComm}},
        {.name = "no program folder: no TARGETDIR", .installPath = "", .request = "PROGRAM", .kinds = "run", .trail = {R"(run /I "C:\Kit\tsy3p.msi"ALLUSERS=2  /qb-)"}},
        {.name = "saved MainDB folder", .dbPath = R"(D:\Data\Tessary Data\MainDB\)", .request = "DB", .trail = {kDBPath, kDatabase}},
        {.name = "own database folder", .dbPath = R"(E:\Own\Contacts)", .request = "DB",
         .trail = {R"(save DBPath=E:\Own\Contacts\MainDB\)",
                   R"(run /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="E:\Own\Contacts" /qb-)"}},
        {.name = "slashes and Tessary Data in any case", .dbPath = "E:/Own/tessary data/", .request = "DB",
         .trail = {"save DBPath=E:/Own/tessary data/MainDB/",
                   R"(run /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="E:/Own" /qb-)"}},
        {.name = "slashes and MainDB in any case", .dbPath = "E:/Own/maindb", .request = "DB",
         .trail = {"save DBPath=E:/Own/MainDB/", R"(run /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="E:/Own" /qb-)"}},
    };
    for (const Scenario& s : rows) play(s);
}

// A debug repair offers both options and both interface levels, in this order; each answer shapes its command line,
// and the database command is shown before it runs. A blank interface level asks "Cancel install?": No goes on with
// the basic interface; Yes ends the run as cancelled, or as failed after a failed package; nothing runs after it.
TEST(Engine, DebugAnswers) {
    const Scenario rows[] = {
        {.name = "debug repair: blank answers, No goes on", .installed = "PROGRAM DB", .answers = {"", "  ", "", " /qn"}, .boxes = {mb::AnswerOk, mb::AnswerNo},
         .request = "DEBUG REPAIR PROGRAM DB", .kinds = "ask run",
         .trail = {"ask /famus ", "ask /famu ", "ask  /qb /norestart", R"(run /f "C:\Kit\tsy3p.msi" TARGETDIR="C:\App" /qb-)",
                   "ask  /qb", R"(run /f "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /qn)"}},
        {.name = "debug repair: typed answers", .installed = "PROGRAM DB", .answers = {"/fa", "/fomus", "/qr", "/passive"}, .request = "DEBUG REPAIR PROGRAM DB",
         .kinds = "run", .trail = {R"(run /fa "C:\Kit\tsy3p.msi" TARGETDIR="C:\App" /qr)",
                                   R"(run /fomus "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /passive)"}},
        {.name = "debug: blank level, No goes on", .answers = {"", " /qn"}, .boxes = {mb::AnswerOk, mb::AnswerNo}, .request = "DEBUG PROGRAM DB OL", .kinds = "run save",
         .trail = {kProgram, kDBPath, R"(run /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qn)", "save EmailForm=12",
                   kVer}},
        {.name = "debug: blank level, Yes cancels", .answers = {" /qb-", ""}, .request = "DEBUG PROGRAM DB OL", .kinds = "run save box", .exitCode = 1602,
         .trail = {kProgram, "box Cancel install? #52"}},
        // An error in a step: in debug mode Yes goes on with the next statement, No ends the run as failed.
        {.name = "debug: refused setting, Yes goes on", .refused = "DBPath", .request = "DEBUG PROGRAM DB", .kinds = "run box",
         .trail = {kProgram, "box errHdl_SYS_Install: Invalid procedure call or argument (5)\r\rResume Next? #4",
                   R"(box Command: msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qb-, <sys>)", kDatabase}},
        {.name = "debug: refused setting, No fails", .refused = "DBPath", .boxes = {mb::AnswerOk, mb::AnswerNo}, .request = "DEBUG PROGRAM DB", .kinds = "run box", .exitCode = 1603,
         .trail = {kProgram, "box errHdl_SYS_Install: Invalid procedure call or argument (5)\r\rResume Next? #4"}},
        {.name = "refused setting told outside debug", .key = "TSYLITE_3", .refused = "DBPath", .request = "DB", .kinds = "run box", .exitCode = 1603,
         .trail = {"box errHdl_SYS_Install: Invalid procedure call or argument (5)\r\r #16"}},
        {.name = "debug: failed program, then Yes cancels", .failing = "tsy3p", .exit = {1603}, .answers = {" /qb-", ""}, .request = "DEBUG PROGRAM DB OL", .kinds = "run save box",
         .exitCode = 1603, .trail = {kProgram,
                                     "box Windows Installer could not complete the installation of:\rC:\\Kit\\tsy3p.msi\r"
                                               "(error 1603) #16", "box Cancel install? #52"}},
    };
    for (const Scenario& s : rows) play(s);
}

// A restart Windows Installer asked for (3010) or began (1641) ends the run with that code, unless something failed.
// A package Windows Installer did not complete, or never got, fails the run, which goes on; "Ver" only over a program
// that went in; the database engine only after the program's installer ran. The packages lie beside the setup (in its
// Package folder if it is "TSY Setup"); a hidden one is none. A quote would end the quoted path early: refused. A silent
// run tries a busy Windows Installer (1618) again after waits of 10, 20 and 30 s, over the whole run; still busy, it
// ends 1618 unless something else failed. The wizard does not wait behind its hidden window: it says so at once.
TEST(Engine, Failures) {
    const std::string notDone = "box Windows Installer could not complete the installation of:\rC:\\Kit\\";
    auto missing = [](const std::string& path, const std::string& exe) {
        return "box SYS_Install: Unable to open installation package: \r" + path +
               "\r\rNOTE: The installation file must be in the same directory as this setup program (" + exe + ").\r #16";
    };
    auto refused = [](const std::string& path) {
        return "box SYS_Install: A folder or file name cannot contain the quote character (\"):\r" + path +
               "\r\rNothing was installed from this package. Please choose another folder and run the setup again.\r #16";
    };
    const std::string p = R"(run /I "C:\Kit\tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\App" /qn)", w10 = "wait 10000", w20 = "wait 20000",
                      d = R"(run /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qn)", w30 = "wait 30000";
    auto busy = [](const char* package) {
        return std::string("box Another installation is in progress, so Windows Installer could not install:\rC:\\Kit\\") +
               package + ".msi\rPlease wait until it has finished, then run this setup again. #16";
    };
    const Scenario rows[] = {
        {.name = "busy, then free", .failing = "tsy3p", .exit = {1618, 1618, 0}, .request = "S PROGRAM DB", .kinds = "run wait box",
         .trail = {p, w10, p, w20, p, d}},
        {.name = "busy throughout: the waits end, the next busy answer is final", .failing = "tsy3", .exit = {1618}, .request = "S PROGRAM DB",
         .kinds = "run wait box", .exitCode = 1618, .trail = {p, w10, p, w20, p, w30, p, busy("tsy3p"), d, busy("tsy3db")}},
        {.name = "busy, and the database failed", .failing = "tsy3", .exit = {1618, 1618, 1618, 1618, 1603}, .request = "S PROGRAM DB",
         .kinds = "run wait box", .exitCode = 1603, .trail = {p, w10, p, w20, p, w30, p, busy("tsy3p"), d, notDone + "tsy3db.msi\r(error 1603) #16"}},
        {.name = "the wizard tells at once", .failing = "tsy3p", .exit = {1618}, .kinds = "run wait box", .exitCode = 1618,
         .trail = {kProgram, busy("tsy3p"), kDatabase}},
        {.name = "a restart begun outranks one needed", .failing = "tsy3", .exit = {3010, 1641}, .request = "S PROGRAM DB", .kinds = "box save",
         .exitCode = 1641, .trail = {kDBPath, kSaved, kVer}},
        {.name = "a restart begun, and a failure", .failing = "tsy3", .exit = {1641, 1603}, .request = "S PROGRAM DB", .kinds = "wait", .exitCode = 1603},
        {.name = "program asks for a restart", .failing = "tsy3p", .exit = {3010}, .kinds = "box save", .exitCode = 3010, .trail = {kDBPath, kSaved, kVer}},
        {.name = "restart and a failed registration", .failing = "tsy3p", .exit = {3010}, .shell = 8, .request = "PROGRAM", .kinds = "save", .exitCode = 1603, .trail = {kSaved, kVer}},
        {.name = "program cancelled in its installer", .failing = "tsy3p", .exit = {1602}, .kinds = "box save", .exitCode = 1603,
         .trail = {notDone + "tsy3p.msi\r(error 1602) #16", kDBPath, kSaved}},
        {.name = "database failed", .failing = "tsy3db", .exit = {1603}, .kinds = "box save", .exitCode = 1603,
         .trail = {kDBPath, notDone + "tsy3db.msi\r(error 1603) #16", kSaved, kVer}},
        {.name = "Windows Installer not started", .key = "TSYPRO_WS", .failing = "tsy3p", .started = false, .kinds = "box save", .exitCode = 1603,
         .trail = {"box Windows Installer could not be started for:\rC:\\Kit\\tsy3p.msi #16", kDBPath, kSaved}},
        {.name = "hidden package is none", .exe = "Setup", .hidden = "C:\\Kit\\tsy3db.msi", .request = "PROGRAM DB OL", .exitCode = 1603,
         .trail = {kProgram, missing("C:\\Kit\\tsy3db.msi", "Setup")}},
        {.name = "TSY Setup: the Package folder", .exe = "TSY Setup", .exitCode = 1603, .trail = {missing("C:\\Kit\\Package\\tsy3p.msi", "TSY Setup")}},
        {.name = "tsy setup: any letter case", .exe = "tsy setup", .files = {"C:\\Kit\\PACKAGE\\tsy3p.msi"}, .request = "PROGRAM", .kinds = "run",
         .trail = {R"(run /I "C:\Kit\Package\tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\App" /qb-)"}},
        // A share path takes its own kind of separator.
        {.name = "kit on a share", .exe = "Setup", .folder = "//srv/kit", .files = {"//srv/kit/tsy3p.msi"}, .request = "PROGRAM", .kinds = "run",
         .trail = {R"(run /I "//srv/kit/tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\App" /qb-)"}},
        {.name = "quote in the program folder", .installPath = R"(C:\Apps" /x "C:\other.msi)", .exitCode = 1603, .trail = {refused(R"(C:\Apps" /x "C:\other.msi)")}},
        {.name = "quote in the database folder", .dbPath = R"(D:\Da"ta\Tessary Data)", .exitCode = 1603, .trail = {kProgram, refused(R"(D:\Da"ta\Tessary Data)")}},
    };
    for (const Scenario& s : rows) play(s);
}

// regsvr32 by its full path, its failures told by the shell's answer; without the Windows system folder msiexec.exe
// is not started at all and regsvr32 comes from the setup's own; with neither, no bare name goes to the shell. The
// database engine is offered in the editions that need it, on a removal too, and started from the kit only; its
// start's failures are told. The e-mail unregistration is waited for, a minute at most, before the removal.
TEST(Engine, ShellAnswers) {
    const std::string install = "box Microsoft ACE 2010 Database Engine (32-bit) must be installed on your system\r"
                                "Would you like to install this now?\r #36 [Install Database Engine]";
    const std::string remove = "box Would you like to also remove the Microsoft ACE 2010 Database Engine (32-bit)?\r"
                               "(NOTE: This is a necessary component of Microsoft Office 2010)\r #36 [Install Database Engine]";
    const std::string ace = R"(open C:\Kit\AccessDatabaseEngine2010_SP2.exe  @C:\Kit)",
        advice = "\rPlease try re-installing the program again\r #16";
    const Lines removal = {kUpdateBefore, R"(open <win>\regsvr32.exe /s /u <sys>\tsyemail.dll @<sys> <60000ms)", remove, ace};
    auto plus = [](Lines lines, const std::string& more) { return lines.push_back(more), lines; };
    const Scenario rows[] = {
        {.name = "file not found", .shell = 2, .request = "OL", .kinds = "open box save", .exitCode = 1603,
         .trail = {kEmail, "box File Not Found:<sys>\\tsyemail.dll\rPlease re-install Tessary Contact Management\r"}},
        {.name = "path not found", .shell = 3, .request = "OL", .kinds = "open box save", .exitCode = 1603, .trail = {kEmail, "box Path not found:<sys>"}},
        {.name = "no association: opened again", .shell = 31, .request = "OL", .kinds = "open box save", .exitCode = 1603,
         .trail = {kEmail, "open <sys> 1 @1", "box Windows does not have a program associated for: <sys>\\tsyemail.dll"}},
        {.name = "registration refused", .shell = 0, .request = "PROGRAM", .kinds = "open box save", .exitCode = 1603,
         .trail = {kComm, "box Sorry, Windows was not able to register a necessary component (0):\r<sys>\\mscomm32.ocx", kSaved,
                   kVer}},
        {.name = "no system folder: msiexec not started", .systemFolder = false, .request = "PROGRAM OL", .kinds = "box open", .exitCode = 1603,
         .trail = {"box Windows Installer could not be started for:\rC:\\Kit\\tsy3p.msi #16",
                   R"(open <sys>\regsvr32.exe /s <sys>\mscomm32.ocx @<sys>)",
                       R"(open <sys>\regsvr32.exe /s <sys>\tsyemail.dll @<sys>)"}},
        {.name = "no folder at all: rootless name refused", .systemDir = "", .request = "OL", .exitCode = 1603,
         .trail = {"box File Not Found:\\tsyemail.dll\rPlease re-install Tessary Contact Management\r"}},
        {.name = "no folder at all: removal", .installed = "PROGRAM", .systemFolder = false, .systemDir = "", .request = "REMOVE PROGRAM", .kinds = "open", .exitCode = 1603},
        {.name = "no folder: no unregistration", .installed = "PROGRAM", .systemDir = "", .request = "REMOVE PROGRAM", .kinds = "open"},  // no rootless unregistration
        {.name = "database engine installed", .key = "TSYPRO_WS", .winMajor = 5, .request = "PROGRAM", .kinds = "box open", .trail = {install, ace}},
        {.name = "database engine declined", .key = "TSYPRO_WS", .winMajor = 5, .boxes = {mb::AnswerNo}, .request = "PROGRAM", .kinds = "box open",
         .trail = {install}},
        {.name = "database engine removed too", .key = "TSYPRO_RTF3", .installed = "PROGRAM", .request = "REMOVE PROGRAM", .kinds = "box open", .trail = removal},
        {.name = "database engine missing from the kit", .key = "TSYPRO_WS", .files = {"C:\\Kit\\tsy3p.msi"}, .winMajor = 5, .request = "PROGRAM", .kinds = "box open", .exitCode = 1603,
         .trail = {install, "box File Not Found:AccessDatabaseEngine2010_SP2.exe\rTessary Contact Management will not run "
                                 "correctly without the ACE Database Engine\r" + advice}},
        {.name = "no association for the database engine", .key = "TSYPRO_WS", .installed = "PROGRAM", .shell = 31, .request = "REMOVE PROGRAM", .kinds = "box open",
         .exitCode = 1603,
         .trail = plus(plus(removal, "open C:\\Kit 1 @1"),
                       "box Windows does not have a program associated for: AccessDatabaseEngine2010_SP2.exe #16")},
        {.name = "database engine not removed", .key = "TSYPRO_RTF3", .installed = "PROGRAM", .shell = 5, .request = "REMOVE PROGRAM", .kinds = "box open",
         .exitCode = 1603,
         .trail = plus(removal, "box Windows was not able to uninstall the Microsoft ACE Database Engine (5):\r #16")},
    };
    for (const Scenario& s : rows) play(s);
}

// A 3.0 user's templates get the prefix after "DBPath" is saved and before the database package runs: every visible
// envelope, the label file and the three reports, each once (an open listing meets renamed files again). A name taken
// gives way to the next free "rev30_(n) " name, so nothing stays where the new templates would overwrite it; a file
// that cannot be moved ends its category, told only in debug mode. Only a database task, no repair or removal, over 3.0.
TEST(Engine, TemplatesOfA30Installation) {
    const std::string label = R"(Labels\Address Labels (8160).lbl)",
        labelMoved = R"(move <t>\)" + label + R"( -> <t>\Labels\rev30_Address Labels (8160).lbl)";
    const Lines report = {R"(Reports\Activity by Contact.rpt)"};
    Lines twins = {label, R"(Labels\rev30_Address Labels (8160).lbl)"};  // the last free name left: the ninth
    for (char n = '2'; n < '9'; ++n) twins.push_back(std::string(R"(Labels\rev30_()") + n + ") Address Labels (8160).lbl");
    const Lines reportMoved = {R"(move <t>\Reports\Activity by Contact.rpt -> <t>\Reports\rev30_Activity by Contact.rpt)"};
    const Scenario rows[] = {
        {.name = "templates renamed once each", .hidden = R"(D:\Data\Tessary Data\Documents\Templates\Envelopes\h.env)", .ver = "3.0.2",
         .templates = {R"(Envelopes\a.env)", R"(Envelopes\B.ENV)", R"(Envelopes\rev30_c.env)", R"(Envelopes\REV30_d.env)",
                       R"(Envelopes\h.env)", R"(Envelopes\notes.txt)", R"(Envelopes\Letter.envelope)", label, R"(Labels\Other.lbl)", report[0],
                       R"(Reports\Phone List by Company.rpt)", R"(Reports\Phone List by Contact.rpt)", R"(Reports\Custom.rpt)"},
         .request = "DB", .kinds = "save move run",
         .trail = {kDBPath, R"(move <t>\Envelopes\a.env -> <t>\Envelopes\rev30_a.env)",
                   R"(move <t>\Envelopes\B.ENV -> <t>\Envelopes\rev30_B.ENV)", labelMoved, reportMoved[0],
                   R"(move <t>\Reports\Phone List by Company.rpt -> <t>\Reports\rev30_Phone List by Company.rpt)",
                   R"(move <t>\Reports\Phone List by Contact.rpt -> <t>\Reports\rev30_Phone List by Contact.rpt)", kDatabase}},
        {.name = "taken names give way", .dbPath = "D:/Data/Tessary Data/MainDB/", .ver = "3.0",
         .templates = {R"(Envelopes\a.env)", R"(Envelopes\rev30_a.env)", R"(Envelopes\b.env)", label,
                       R"(Labels\rev30_Address Labels (8160).lbl)", R"(Reports\Phone List by Contact.rpt)"},
         .request = "DB", .kinds = "move",
         .trail = {"move <t>/Envelopes/a.env -> <t>/Envelopes/rev30_(2) a.env",
                   "move <t>/Envelopes/b.env -> <t>/Envelopes/rev30_b.env",
                   "move <t>/Labels/Address Labels (8160).lbl -> <t>/Labels/rev30_(2) Address Labels (8160).lbl",
                   "move <t>/Reports/Phone List by Contact.rpt -> <t>/Reports/rev30_Phone List by Contact.rpt"}},
        {.name = "locked file ends its category", .ver = "3.0", .templates = {label, report[0], R"(Reports\Phone List by Company.rpt)"}, .locked = "Activity",
         .request = "DB", .kinds = "move box", .trail = {labelMoved}},
        {.name = "the ninth free name", .ver = "3.0", .templates = twins, .request = "DB", .kinds = "move",
         .trail = {R"(move <t>\)" + label + R"( -> <t>\Labels\rev30_(9) Address Labels (8160).lbl)"}},
        {.name = "locked file told in debug", .ver = "3.0", .templates = {label, report[0], R"(Reports\Phone List by Company.rpt)"}, .locked = "Activity",
         .request = "DEBUG DB", .kinds = "move box",
         .trail = {labelMoved, "box Unable to rename file:Activity by Contact.rpt",
                   R"(box Command: msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qb-, <sys>)"}},
        {.name = "not on a repair", .ver = "3.0", .templates = report, .request = "REPAIR DB", .kinds = "move"},
        {.name = "not for the program alone", .ver = "3.0", .templates = report, .request = "PROGRAM", .kinds = "move"},
        {.name = "not on a removal", .installed = "PROGRAM DB", .ver = "3.0", .templates = report, .request = "REMOVE PROGRAM DB", .kinds = "move"},
        {.name = "not over 3.3", .ver = "3.3.0", .templates = report, .request = "DB", .kinds = "move"},
        {.name = "not without a saved version", .templates = report, .request = "DB", .kinds = "move"},
        {.name = "over 3.0", .ver = "3.0", .templates = report, .request = "DB", .kinds = "move", .trail = reportMoved},
    };
    for (const Scenario& s : rows) play(s);
}

}  // namespace
}  // namespace tsy::test
