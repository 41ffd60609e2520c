// SYS_StrCheck, the folder-name check of the wizard, on any path. Accepted means the last
// folder name is there and holds none of the characters Windows forbids in a name; a rejected
// name is explained in exactly one message box, naming a character that is really in the name,
// unless the caller asked for quiet.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "services/text.h"
#include "startup/startup.h"
#include "wizard/fm_main.h"

using namespace tsy;

namespace {

bool forbidden(unsigned char c) {
    return std::string(":?*<>|/\\\"").find(static_cast<char>(c)) != std::string::npos ||
           (c >= 9 && c <= 13);
}

// The last folder name, read the plain way: after the last separator once one trailing
// separator is dropped, blanks after that separator skipped; "\" wins over "/". A text left
// without a separator is the name as it stands.
std::string lastName(const std::string& path) {
    char sep = contains(path, '\\') ? '\\' : contains(path, '/') ? '/' : 0;
    if (!sep) return path;
    std::string rest = path;
    if (rest.back() == sep) rest.pop_back();
    if (rest.size() < 2) return "";
    std::size_t cut = rest.rfind(sep);
    if (cut == std::string::npos) return rest;
    std::string name = rest.substr(cut + 1);
    name.erase(0, name.find_first_not_of(' ') == std::string::npos ? name.size()
                                                                    : name.find_first_not_of(' '));
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    test::FakeOs& f = fuzz::fresh();
    configureEdition("TSYPRO_3");
    fuzz::Reader in(data, size);
    const bool bQuiet = in.flag();
    const std::string path = in.rest();

    const bool ok = SYS_StrCheck(path, bQuiet);
    const std::string name = lastName(path);
    const auto boxes = f.messages();
    const std::string detail = "path [" + path + "] name [" + name + "] quiet " +
                               std::to_string(bQuiet) + " -> " + std::to_string(ok);

    bool bad = false;
    for (char c : name) bad = bad || forbidden(static_cast<unsigned char>(c));
    TSY_FUZZ_CHECK(ok == (!name.empty() && !bad), detail);
    if (ok || bQuiet || name.empty()) {
        TSY_FUZZ_CHECK(boxes.empty(), detail);
        return 0;
    }
    TSY_FUZZ_CHECK(boxes.size() == 1, detail);
    const std::string& box = boxes[0];
    const std::string head = "Sorry, certain characters like '  ";
    TSY_FUZZ_CHECK(fuzz::startsWith(box, head) && box.size() > head.size(), detail);
    const unsigned char shown = static_cast<unsigned char>(box[head.size()]);
    TSY_FUZZ_CHECK(forbidden(shown) && name.find(static_cast<char>(shown)) != std::string::npos,
                   detail);
    // The first forbidden character of the name is the one named.
    for (char c : name) {
        if (!forbidden(static_cast<unsigned char>(c))) continue;
        TSY_FUZZ_CHECK(static_cast<unsigned char>(c) == shown, detail);
        break;
    }
    return 0;
}
