// What the engine starts for each request, edition, run mode and installed state: the
// msiexec.exe command lines, the update service, the registrations and the settings, and what
// a tester's debug answers make of them.
#include "engine_fixture.h"

namespace tsy::test {
namespace {

const std::string kComm = R"(open <win>\regsvr32.exe /s <sys>\mscomm32.ocx @<sys>)";
const std::string kDBPath = R"(save DBPath=D:\Data\Tessary Data\MainDB\)";

struct RequestRow {
    const char* key;
    bool update;
    const char* installed;  // packages Windows Installer reports, in the request's words
    const char* request;
    const char* kinds;      // the kinds of trail lines compared; empty: all
    Lines trail;
};

const RequestRow kRequests[] = {
    {"TSYPRO_3", false, "", "PROGRAM DB OL", "",
     {R"(run msiexec.exe /I "C:\Kit\tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\App" /qb-)", kDBPath,
      R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qb-)", kComm,
      R"(open <win>\regsvr32.exe /s <sys>\tsyemail.dll @<sys>)", "save EmailForm=12", "save Ver=3.3.0"}},
    {"TSYPRO_3", true, "PROGRAM DB", "PROGRAM DB", "",
     {R"(open <sys>\vezEdeRu.exe -u @<sys>)", R"(run msiexec.exe /famus "C:\Kit\tsy3p_update.msi" TARGETDIR="C:\App" /qf)",
      R"(run msiexec.exe /famu "C:\Kit\tsy3db_update.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qf)",
      R"(open <sys>\vezEdeRu.exe -i @<sys>)", kComm, "save EmailForm=13", "save Ver=3.3.0"}},
    {"TSYPRO_3", false, "PROGRAM DB", "REPAIR PROGRAM DB", "",
     {R"(open <sys>\vezEdeRu.exe -u @<sys>)", R"(run msiexec.exe /famus "C:\Kit\tsy3p.msi" TARGETDIR="C:\App" /qb /norestart)",
      kDBPath, R"(run msiexec.exe /famu "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /qb)",
      R"(open <sys>\vezEdeRu.exe -i @<sys>)", kComm, "save EmailForm=13", "save Ver=3.3.0"}},
    {"TSYPRO_3", false, "PROGRAM DB", "REMOVE PROGRAM DB OL", "",
     {R"(open <sys>\vezEdeRu.exe -u @<sys>)", R"(open <win>\regsvr32.exe /s /u <sys>\tsyemail.dll @<sys>)",
      R"(run msiexec.exe /x "C:\Kit\tsy3p.msi"REMOVE=ALL  TARGETDIR="C:\App" /qb /norestart)",
      R"(run msiexec.exe /x "C:\Kit\tsy3db.msi"REMOVE=ALL REINSTALLMODE=aums  TARGETDIR="D:\Data" /qb)"}},
    // Removing what is not there must not install it.
    {"TSYPRO_3", false, "DB", "S REMOVE PROGRAM DB", "run",
     {R"(run msiexec.exe /x "C:\Kit\tsy3db.msi"REMOVE=ALL REINSTALLMODE=aums  TARGETDIR="D:\Data" /qn)"}},
    {"TSYPRO_3", true, "PROGRAM DB", "S PROGRAM DB", "run",
     {R"(run msiexec.exe /famus "C:\Kit\tsy3p_update.msi" TARGETDIR="C:\App" /qn)",
      R"(run msiexec.exe /famu "C:\Kit\tsy3db_update.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qn)"}},
    {"TSYLITE_3", false, "", "S PROGRAM DB OL", "run save",
     {R"(run msiexec.exe /I "C:\Kit\tsy3l.msi"ALLUSERS=2  TARGETDIR="C:\App" /qn)", kDBPath,
      R"(run msiexec.exe /I "C:\Kit\tsy3dbl.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qn)", "save EmailForm=2", "save Ver=3.3.0"}},
    {"TSYPRO_3", false, "PROGRAM", "REPAIR PROGRAM DB", "run",
     {R"(run msiexec.exe /famus "C:\Kit\tsy3p.msi" TARGETDIR="C:\App" /qb /norestart)",
      R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qf)"}},
    {"TSYPRO_3", false, "PROGRAM", "PROGRAM DB", "run",
     {R"(run msiexec.exe /famus "C:\Kit\tsy3p.msi" TARGETDIR="C:\App" /qf)",
      R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qb-)"}},
    // Debug mode: what is offered for editing (the defaults kept), and regsvr32's own verdict
    // shown unless nobody is there to close it.
    {"TSYPRO_3", false, "", "DEBUG PROGRAM DB OL", "ask open",
     {"ask  /qb-", "ask  /qb-", R"(open <win>\regsvr32.exe <sys>\mscomm32.ocx @<sys>)",
      R"(open <win>\regsvr32.exe <sys>\tsyemail.dll @<sys>)"}},
    {"TSYPRO_3", false, "", "S DEBUG PROGRAM OL", "ask open",
     {"ask  /qn", kComm, R"(open <win>\regsvr32.exe /s <sys>\tsyemail.dll @<sys>)"}},
    {"TSYPRO_3", true, "PROGRAM DB", "DEBUG PROGRAM DB", "ask", {"ask /famus ", "ask /famu "}},
    {"TSYPRO_3", false, "PROGRAM DB", "DEBUG PROGRAM", "ask", {"ask /famus "}},
    {"TSYPRO_3", false, "PROGRAM DB", "S DEBUG DB", "ask", {"ask /famu ", "ask  /qn"}},
    {"TSYPRO_3", false, "PROGRAM", "S DEBUG REMOVE PROGRAM", "open",
     {R"(open <sys>\vezEdeRu.exe -u @<sys>)", R"(open <win>\regsvr32.exe /u <sys>\tsyemail.dll @<sys>)"}},
};

TEST_F(EngineTest, RequestsAndWhatTheyStart) {
    for (const RequestRow& r : kRequests) {
        SCOPED_TRACE(std::string(r.key) + (r.update ? " update, " : ", ") + r.installed + " installed: " + r.request);
        reset(r.key, r.update);
        installed(r.installed);
        EXPECT_EQ(run(r.request), InstallOutcome::Succeeded);
        EXPECT_EQ(trail(r.kinds), r.trail);
    }
}

// The target folders as chosen or saved: none at all, a "MainDB" or "Tessary Data" folder that
// stands for the folder around it, a trailing separator of either kind.
TEST_F(EngineTest, TargetFolders) {
    const std::tuple<const char*, const char*, Lines> rows[] = {
        {"", R"(D:\Data\Tessary Data\MainDB\)",
         {R"(run msiexec.exe /I "C:\Kit\tsy3p.msi"ALLUSERS=2  /qb-)", kDBPath,
          R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qb-)", "save EmailForm=13", "save Ver=3.3.0"}},
        {"C:\\App", R"(E:\Own\Contacts)",
         {R"(save DBPath=E:\Own\Contacts\MainDB\)", R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="E:\Own\Contacts" /qb-)"}},
        {"C:\\App", "E:/Own/tessary data/",
         {"save DBPath=E:/Own/tessary data/MainDB/", R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="E:/Own" /qb-)"}},
        {"C:\\App", "E:/Own/maindb",
         {"save DBPath=E:/Own/MainDB/", R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="E:/Own" /qb-)"}},
    };
    for (const auto& [program, database, expected] : rows) {
        reset();
        sys().gsInstallPath = program;
        sys().gsDBPath = database;
        run(*program ? "DB" : "PROGRAM DB");
        EXPECT_EQ(trail("run save"), expected) << database;
    }
}

// A debug repair offers both options and both interface levels, in this order; each answer
// shapes its command line, and the database command is shown before it runs.
TEST_F(EngineTest, DebugAnswersShapeTheCommandLines) {
    const std::pair<std::deque<std::string>, Lines> rows[] = {
        {{},
         {R"(run msiexec.exe /famus "C:\Kit\tsy3p.msi" TARGETDIR="C:\App" /qb /norestart)",
          R"(box Command: msiexec.exe /famu "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /qb, <sys>)",
          R"(run msiexec.exe /famu "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /qb)"}},
        {{"", "  ", " /qb", " /qn"},
         {R"(run msiexec.exe /f "C:\Kit\tsy3p.msi" TARGETDIR="C:\App" /qb)",
          R"(box Command: msiexec.exe /f "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /qn, <sys>)",
          R"(run msiexec.exe /f "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /qn)"}},
        {{"/fa", "/fomus", "/qr", "/passive"},
         {R"(run msiexec.exe /fa "C:\Kit\tsy3p.msi" TARGETDIR="C:\App" /qr)",
          R"(box Command: msiexec.exe /fomus "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /passive, <sys>)",
          R"(run msiexec.exe /fomus "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /passive)"}},
    };
    for (const auto& [answers, expected] : rows) {
        reset();
        installed("PROGRAM DB");
        fake->inputBoxAnswers = answers;
        EXPECT_EQ(run("DEBUG REPAIR PROGRAM DB"), InstallOutcome::Succeeded);
        EXPECT_EQ(trail("ask"), (Lines{"ask /famus ", "ask /famu ", "ask  /qb /norestart", "ask  /qb"}));
        EXPECT_EQ(trail("run box"), expected);
    }
}

// A blank interface level asks "Cancel install?": No goes on with the basic interface, Yes ends
// the run as cancelled, or as failed when a package has failed already. Nothing runs after it.
TEST_F(EngineTest, CancelAtADebugPrompt) {
    const std::string program = R"(run msiexec.exe /I "C:\Kit\tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\App" /qb-)";
    const std::tuple<std::deque<std::string>, int, std::uint32_t, int, Lines> rows[] = {
        {{"", " /qn"}, mb::AnswerNo, 0, 0, {program, R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qn)"}},
        {{" /qb-", ""}, mb::AnswerYes, 0, 1602, {program}},
        {{" /qb-", ""}, mb::AnswerYes, 1603, 1603, {program}},
    };
    for (const auto& [answers, cancel, programExit, exitCode, runs] : rows) {
        reset();
        fake->inputBoxAnswers = answers;
        fake->msgBoxAnswers = {mb::AnswerOk, cancel};  // start-up's display of the installed state, then Cancel
        if (programExit) fake->msgBoxAnswers.push_front(mb::AnswerOk);  // the failure's report
        fake->onCreateProcess = [&](const std::string&, const std::string& cmd) {
            return ProcessResult{true, true, cmd.find("tsy3p") != std::string::npos ? programExit : 0};
        };
        EXPECT_EQ(exitCodeFor(run("DEBUG PROGRAM DB OL")), exitCode);
        EXPECT_EQ(trail("run"), runs);
        EXPECT_EQ(trail("box save").back(), exitCode ? "box Cancel install? #52" : "save Ver=3.3.0");
    }
}

}  // namespace
}  // namespace tsy::test
