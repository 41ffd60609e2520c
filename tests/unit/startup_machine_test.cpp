// What start-up learns of the machine and the build: the edition, the installed packages, and the
// program and database folders with their fallbacks and saved values (by the Windows version).
#include <algorithm>
#include <sstream>

#include "support/product_codes.h"
#include "wizard_fixture.h"

namespace tsy::wiztest {
namespace {

// The build key decides the edition, its program and the product codes asked about (the database's by mode).
// Installed means installed locally (3) or by default (5); a query that fails keeps the answer the flag had.
TEST(StartUpDetect, EditionAndInstallStateByPackage) {
    struct Row { const char* key; bool pro, alt; const char* exe; long program, db, dbUpdate; bool update, available; const char* flags; };
    for (const Row& r : {Row{"TSYPRO_3", true, false, "tsy3.exe", 5, 3, 2, false, true, "11"},
                         Row{"tsypro_ws", true, true, "TSY3_WS.exe", 3, 5, 1, false, true, "11"},
                         Row{"TsyPro_Rtf3", true, true, "TSY3_RTF.exe", 2, 5, 2, false, true, "01"},
                         Row{"TSYPRO_3", true, false, "tsy3.exe", -1, 4, 5, false, true, "00"},
                         Row{"TSYPRO_3", true, false, "tsy3.exe", 5, 5, 2, true, true, "10"},
                         Row{"TSYLT_3", false, false, "tsy3.exe", 1, 2, 3, true, true, "01"},
                         Row{"TSYPR", false, false, "tsy3.exe", 5, 3, 2, false, true, "11"},
                         Row{"TSYPRO_3", true, false, "tsy3.exe", 5, 5, 5, false, false, "10"}}) {
        SCOPED_TRACE(::testing::Message() << r.key << ", states " << r.program << " " << r.db << " " << r.dbUpdate << (r.update ? ", update" : ""));
        OsScope os;
        const std::string code[] = {test::kProgramCode[r.pro], test::kDatabaseCode[r.pro][0], test::kDatabaseCode[r.pro][1]};
        sys().gbUpdate = r.update;
        configureEdition(r.key);
        EXPECT_EQ(std::string(sys().gbPro ? "pro " : "lite ") + (sys().gbAltBuild ? "alt " : "") + sys().gsExeName,
                  std::string(r.pro ? "pro " : "lite ") + (r.alt ? "alt " : "") + r.exe);
        os.fake.productStates = {{code[0], r.program}, {code[1], r.db}, {code[2], r.dbUpdate}};
        os.fake.installerAvailable = r.available;
        // Debug mode shows what was found, or which code could not be asked about.
        for (bool debug : {false, true}) {
            sys().gbDebug = debug;
            sys().gbInstalled = !r.available;  // a failed query keeps this
            os.fake.calls.clear();
            SYS_IsInstalled();
            EXPECT_EQ(std::string() + "01"[sys().gbInstalled] + "01"[sys().gbDBInstalled], r.flags) << "debug " << debug;
            const std::string& db = code[r.update ? 2 : 1], query = "errHdl_SYS_IsInstalled: ProductID: ";
            const std::string told = !debug ? "" : !r.available ? query + code[0] + "\r // " + query + db + "\r"
                : std::string("gbInstalled =") + (r.flags[0] == '1' ? "True" : "False") + "  gsProdID = " + code[0] + "\rgbDBInstalled = " +
                      (r.flags[1] == '1' ? "True" : "False") + "  gsDBProdID = " + db + "\r";
            EXPECT_EQ(said(os.fake, told), told);
        }
    }
}

// machine: "s<csidl>=" special folder, "p<csidl>=" folder path, "AppPath=", "DBPath=" saved,
// "dir=" an existing folder; ';' between them, '|' for a NUL.
struct Machine { const char *name, *key; long major; const char* machine; const char* folders; };
void PrintTo(const Machine& m, std::ostream* os) { *os << m.name; }

class StartUpFolders : public ::testing::TestWithParam<Machine> {};

TEST_P(StartUpFolders, DiscoveredSavedOrFallen) {
    const Machine& m = GetParam();
    OsScope os;
    configureEdition(m.key);
    std::istringstream in(m.machine);
    for (std::string item; std::getline(in, item, ';');) {
        const std::string name = item.substr(0, item.find('='));
        std::string value = item.substr(item.find('=') + 1);
        std::replace(value.begin(), value.end(), '|', '\0');  // what the system left in the buffer
        if (name[0] == 's') os.fake.specialFolders[std::stoi(name.substr(1))] = value;
        else if (name[0] == 'p') os.fake.folderPaths[std::stoi(name.substr(1))] = value;
        else if (name == "dir") os.fake.addFolder(value);
        else os.fake.settings[FakeOs::settingKey(m.key, "StartUp", name)] = value;
    }
    discoverFolders(m.major);
    const SystemState& s = sys();
    EXPECT_EQ(s.gsProgramFiles + " | " + s.gsSystemDir + " | " + s.gsInstallPath + " | " + s.gsDBPath, m.folders);
    EXPECT_EQ(said(os.fake, ""), "");
}

const Machine kMachines[] = {
    {"Windows 10: the 32-bit folders, answers ending at a NUL", "TSYPRO_3", 10, "s42=C:\\PF86|x;s41=C:\\S86;s38=C:\\PF;p35=C:\\PD\\|x",
     "C:\\PF86 | C:\\S86 | C:\\PF86\\Tessary Contact Management | C:\\PD\\Tessary Data"},
    {"Windows 5: no 32-bit folders asked", "TSYPRO_3", 5, "s42=C:\\PF86;s41=C:\\S86;s38=C:\\PF;s35=C:\\All Users\\",
     "C:\\PF | C:\\windows\\system32 | C:\\PF\\Tessary Contact Management | C:\\All Users\\Tessary Data"},
    {"nothing answers: the fallbacks", "TSYPRO_3", 6, "",
     "C:\\Program Files (x86) | C:\\windows\\system32 | C:\\Program Files (x86)\\Tessary Contact Management | "
     "C:\\ProgramData\\Tessary Data"},
    {"Lite: its own folder; the documents folder for data", "TSYLT_3", 6, "s38=D:\\Apps;p46=C:\\Docs\\",
     "D:\\Apps | C:\\windows\\system32 | D:\\Apps\\Tessary Contact Management Lite | C:\\Docs\\Tessary Data"},
    {"a 3.0 installation's folder kept", "TSYPRO_3", 6, "s42=C:\\PF86;dir=C:\\PF86\\tessary contact management 3.0",
     "C:\\PF86 | C:\\windows\\system32 | C:\\PF86\\Tessary Contact Management 3.0 | C:\\ProgramData\\Tessary Data"},
    {"saved folders", "TSYPRO_3", 6, "s42=C:\\PF86;AppPath=D:\\TSY\\;DBPath=D:\\Shared\\TD\\MainDB\\",
     "C:\\PF86 | C:\\windows\\system32 | D:\\TSY\\ | D:\\Shared\\TD"},
    {"a saved database folder inside the programs folder ignored", "TSYPRO_3", 6, "s42=C:\\PF86;p35=C:\\PD;DBPath=c:\\pf86\\TD\\MainDB\\",
     "C:\\PF86 | C:\\windows\\system32 | C:\\PF86\\Tessary Contact Management | C:\\PD\\Tessary Data"},
};

INSTANTIATE_TEST_SUITE_P(Machines, StartUpFolders, ::testing::ValuesIn(kMachines));

}  // namespace
}  // namespace tsy::wiztest
