// What the engine starts for each request, edition, run mode and installed state: the
// msiexec.exe command lines, the update service, the registrations and the settings, and what
// a tester's debug answers make of them.
#include "engine_fixture.h"

namespace tsy::test {
namespace {

struct RequestRow {
    const char* what;
    const char* key;
    bool update;
    const char* installed;  // packages Windows Installer reports, in the request's words
    const char* request;
    const char* kinds;      // the kinds of trail lines compared; empty: all
    Lines trail;
};

const RequestRow kRequests[] = {
    {"first installation", "TSYPRO_3", false, "", "PROGRAM DB OL", "",
     {R"(run msiexec.exe /I "C:\Kit\tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\App" /qb-)",
      R"(save DBPath=D:\Data\Tessary Data\MainDB\)",
      R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qb-)",
      R"(open <win>\regsvr32.exe /s <sys>\mscomm32.ocx @<sys>)",
      R"(open <win>\regsvr32.exe /s <sys>\tsyemail.dll @<sys>)", "save EmailForm=12",
      "save Ver=3.3.0"}},
    {"update", "TSYPRO_3", true, "PROGRAM DB", "PROGRAM DB", "",
     {R"(open <sys>\vezEdeRu.exe -u @<sys>)",
      R"(run msiexec.exe /famus "C:\Kit\tsy3p_update.msi" TARGETDIR="C:\App" /qf)",
      R"(run msiexec.exe /famu "C:\Kit\tsy3db_update.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qf)",
      R"(open <sys>\vezEdeRu.exe -i @<sys>)",
      R"(open <win>\regsvr32.exe /s <sys>\mscomm32.ocx @<sys>)", "save EmailForm=13",
      "save Ver=3.3.0"}},
    {"repair", "TSYPRO_3", false, "PROGRAM DB", "REPAIR PROGRAM DB", "run save open",
     {R"(open <sys>\vezEdeRu.exe -u @<sys>)",
      R"(run msiexec.exe /famus "C:\Kit\tsy3p.msi" TARGETDIR="C:\App" /qb /norestart)",
      R"(save DBPath=D:\Data\Tessary Data\MainDB\)",
      R"(run msiexec.exe /famu "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /qb)",
      R"(open <sys>\vezEdeRu.exe -i @<sys>)",
      R"(open <win>\regsvr32.exe /s <sys>\mscomm32.ocx @<sys>)", "save EmailForm=13",
      "save Ver=3.3.0"}},
    {"removal", "TSYPRO_3", false, "PROGRAM DB", "REMOVE PROGRAM DB OL", "",
     {R"(open <sys>\vezEdeRu.exe -u @<sys>)",
      R"(open <win>\regsvr32.exe /s /u <sys>\tsyemail.dll @<sys>)",
      R"(run msiexec.exe /x "C:\Kit\tsy3p.msi"REMOVE=ALL  TARGETDIR="C:\App" /qb /norestart)",
      R"(run msiexec.exe /x "C:\Kit\tsy3db.msi"REMOVE=ALL REINSTALLMODE=aums  TARGETDIR="D:\Data" /qb)"}},
    {"silent update", "TSYPRO_3", true, "PROGRAM DB", "S PROGRAM DB", "run",
     {R"(run msiexec.exe /famus "C:\Kit\tsy3p_update.msi" TARGETDIR="C:\App" /qn)",
      R"(run msiexec.exe /famu "C:\Kit\tsy3db_update.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qn)"}},
    {"silent first installation of Lite", "TSYLITE_3", false, "", "S PROGRAM DB OL", "run save",
     {R"(run msiexec.exe /I "C:\Kit\tsy3l.msi"ALLUSERS=2  TARGETDIR="C:\App" /qn)",
      R"(save DBPath=D:\Data\Tessary Data\MainDB\)",
      R"(run msiexec.exe /I "C:\Kit\tsy3dbl.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qn)",
      "save EmailForm=2", "save Ver=3.3.0"}},
    {"repair, database not installed", "TSYPRO_3", false, "PROGRAM", "REPAIR PROGRAM DB", "run",
     {R"(run msiexec.exe /famus "C:\Kit\tsy3p.msi" TARGETDIR="C:\App" /qb /norestart)",
      R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qf)"}},
    {"removal, only the database installed", "TSYPRO_3", false, "DB", "S REMOVE PROGRAM DB", "",
     {R"(open <sys>\vezEdeRu.exe -u @<sys>)",
      R"(open <win>\regsvr32.exe /s /u <sys>\tsyemail.dll @<sys>)",
      R"(run msiexec.exe /x "C:\Kit\tsy3db.msi"REMOVE=ALL REINSTALLMODE=aums  TARGETDIR="D:\Data" /qn)"}},
    {"program installed, database new", "TSYPRO_3", false, "PROGRAM", "PROGRAM DB", "run",
     {R"(run msiexec.exe /famus "C:\Kit\tsy3p.msi" TARGETDIR="C:\App" /qf)",
      R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qb-)"}},
    {"database and e-mail interface only", "TSYPRO_3", false, "DB", "DB OL", "run save",
     {R"(save DBPath=D:\Data\Tessary Data\MainDB\)",
      R"(run msiexec.exe /famu "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qf)",
      "save EmailForm=12"}},
    // Debug mode: what is offered for editing (the defaults kept), and regsvr32's own verdict
    // shown unless nobody is there to close it.
    {"debug first installation", "TSYPRO_3", false, "", "DEBUG PROGRAM DB OL", "ask open",
     {"ask  /qb-", "ask  /qb-", R"(open <win>\regsvr32.exe <sys>\mscomm32.ocx @<sys>)",
      R"(open <win>\regsvr32.exe <sys>\tsyemail.dll @<sys>)"}},
    {"debug silent first installation", "TSYPRO_3", false, "", "S DEBUG PROGRAM OL", "ask open",
     {"ask  /qn", R"(open <win>\regsvr32.exe /s <sys>\mscomm32.ocx @<sys>)",
      R"(open <win>\regsvr32.exe /s <sys>\tsyemail.dll @<sys>)"}},
    {"debug update", "TSYPRO_3", true, "PROGRAM DB", "DEBUG PROGRAM DB", "ask", {"ask /famus ", "ask /famu "}},
    {"debug, program only", "TSYPRO_3", false, "PROGRAM DB", "DEBUG PROGRAM", "ask", {"ask /famus "}},
    {"debug silent, database only", "TSYPRO_3", false, "PROGRAM DB", "S DEBUG DB", "ask",
     {"ask /famu ", "ask  /qn"}},
    {"debug silent removal", "TSYPRO_3", false, "PROGRAM", "S DEBUG REMOVE PROGRAM", "ask open",
     {R"(open <sys>\vezEdeRu.exe -u @<sys>)", R"(open <win>\regsvr32.exe /u <sys>\tsyemail.dll @<sys>)",
      "ask  /qn"}},
};

TEST_F(EngineTest, RequestsAndWhatTheyStart) {
    for (const RequestRow& r : kRequests) {
        SCOPED_TRACE(r.what);
        reset(r.key, r.update);
        installed(r.installed);
        EXPECT_EQ(run(r.request), InstallOutcome::Succeeded);
        EXPECT_EQ(trail(r.kinds), r.trail);
    }
}

TEST_F(EngineTest, EmptyInstallFolderLeavesOutTargetDir) {
    sys().gsInstallPath.clear();
    run("PROGRAM");
    EXPECT_EQ(trail("run"), Lines{R"(run msiexec.exe /I "C:\Kit\tsy3p.msi"ALLUSERS=2  /qb-)"});
}

// The database folder as chosen or saved: "MainDB" and "Tessary Data" stand for the folder
// around them, and a trailing separator of either kind is dropped.
TEST_F(EngineTest, DatabaseTargetAndSavedFolder) {
    const std::pair<const char*, Lines> rows[] = {
        {R"(D:\Data\Tessary Data\MainDB\)",
         {R"(save DBPath=D:\Data\Tessary Data\MainDB\)",
          R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qb-)"}},
        {R"(E:\Own\Contacts)",
         {R"(save DBPath=E:\Own\Contacts\MainDB\)",
          R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="E:\Own\Contacts" /qb-)"}},
        {"E:/Own/tessary data/",
         {"save DBPath=E:/Own/tessary data/MainDB/",
          R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="E:/Own" /qb-)"}},
        {"E:/Own/maindb",
         {"save DBPath=E:/Own/MainDB/",
          R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="E:/Own" /qb-)"}},
    };
    for (const auto& [dbPath, expected] : rows) {
        SCOPED_TRACE(dbPath);
        reset();
        sys().gsDBPath = dbPath;
        run("DB");
        EXPECT_EQ(trail("run save"), expected);
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
        fake.inputBoxAnswers = answers;
        EXPECT_EQ(run("DEBUG REPAIR PROGRAM DB"), InstallOutcome::Succeeded);
        EXPECT_EQ(trail("ask"), (Lines{"ask /famus ", "ask /famu ", "ask  /qb /norestart", "ask  /qb"}));
        EXPECT_EQ(trail("run box"), expected);
    }
}

// A blank interface level asks "Cancel install?": No goes on with the basic interface, Yes ends
// the run as cancelled, or as failed when a package step has failed already.
TEST_F(EngineTest, CancelAtADebugPrompt) {
    const std::string program = R"(run msiexec.exe /I "C:\Kit\tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\App" /qb-)";
    struct Row {
        std::deque<std::string> answers;
        int cancel;
        std::uint32_t programExit;
        int exitCode;
        Lines runs;
    } rows[] = {
        {{"", " /qn"}, mb::AnswerNo, 0, 0, {program, R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qn)"}},
        {{" /qb-", ""}, mb::AnswerYes, 0, 1602, {program}},
        {{" /qb-", ""}, mb::AnswerYes, 1603, 1603, {program}},
    };
    for (const Row& r : rows) {
        reset();
        fake.inputBoxAnswers = r.answers;
        fake.msgBoxAnswers = {mb::AnswerOk, mb::AnswerOk, r.cancel};
        if (r.programExit == 0) fake.msgBoxAnswers.pop_front();
        fake.onCreateProcess = [&](const std::string&, const std::string& cmd) {
            return ProcessResult{true, true, cmd.find("tsy3p") != std::string::npos ? r.programExit : 0};
        };
        EXPECT_EQ(exitCodeFor(run("DEBUG PROGRAM DB OL")), r.exitCode);
        EXPECT_EQ(trail("run"), r.runs);
        EXPECT_EQ(trail("box").back(), r.exitCode ? "box Cancel install? #52" : R"(box Command: )"
                  R"(msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qn, <sys>)");
        EXPECT_TRUE(!r.exitCode || trail("open save").empty());
    }
}

}  // namespace
}  // namespace tsy::test
