// Edition configuration: everything that follows from the build's application key and the run
// mode, and the character constants that messages and command lines are built from.
#include <string>

#include "services/text.h"
#include "startup/startup.h"
#include "state/state.h"

namespace tsy {

namespace {

struct ProductCodes {
    bool pro;
    bool update;
    const char* prodID;
    const char* dbProdID;
};

// The program package keeps its code across modes; only the database package has a separate
// update package, so an update never mistakes a full database installation for its own.
constexpr ProductCodes productCodeTable[] = {
    {true, false, "{9F8C9A12-6868-44D8-B9CE-12E403B3BD63}", "{D20CF633-A2EE-42F9-84DB-D1FA05CF8C42}"},
    {true, true, "{9F8C9A12-6868-44D8-B9CE-12E403B3BD63}", "{91204651-EA8A-40F3-B15C-93B864B7FF1B}"},
    {false, false, "{F21ECEDC-A01B-4D4E-AC34-6BD01367491B}", "{8D89597B-2429-4F22-828F-02E7AFFAA018}"},
    {false, true, "{F21ECEDC-A01B-4D4E-AC34-6BD01367491B}", "{641B5205-6FCC-45AB-A6D8-683206A61500}"},
};

}  // namespace

void configureEdition(const std::string& appKey) {
    SystemState& s = sys();

    s.gsVersion = "3.3.0";
    s.gsAppKey = appKey;
    s.gbAltBuild = iequals(appKey, "TSYPRO_WS") || iequals(appKey, "TSYPRO_RTF3");
    s.gbPro = iequals(left(appKey, 6), "TSYPRO");
    if (iequals(appKey, "TSYPRO_RTF3"))
        s.gsExeName = "TSY3_RTF.exe";
    else if (iequals(appKey, "TSYPRO_WS"))
        s.gsExeName = "TSY3_WS.exe";
    else
        s.gsExeName = "tsy3.exe";

    // gbUpdate is settled before this runs: the database code depends on it.
    for (const ProductCodes& row : productCodeTable) {
        if (row.pro == s.gbPro && row.update == s.gbUpdate) {
            s.gsProdID = row.prodID;
            s.gsDBProdID = row.dbProdID;
        }
    }

    s.gsTab = "\t";
    s.gsSpace = " ";
    s.gsQuote = "\"";
    s.gsCR = "\r";
    s.gsCRLF = "\r\n";
}

}  // namespace tsy
