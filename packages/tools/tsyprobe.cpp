// Test and demo helper, run inside Wine: reports what Windows Installer knows about products.
//   tsyprobe state {code} ...   one line per code: "{code} <install state>" (5 = installed,
//                               -1 = unknown), as the setup itself would see it
//   tsyprobe name {code}        the product's name and version as registered
//   tsyprobe open FILE PARAMS DIR  a shell open request as the setup makes it (no owner, normal
//                               window); prints the shell's return value (32 or more = started)
#include <windows.h>
#include <msi.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

std::string productInfo(const char* code, const char* property) {
    std::string value(512, '\0');
    DWORD size = static_cast<DWORD>(value.size());
    if (MsiGetProductInfoA(code, property, value.data(), &size) != ERROR_SUCCESS) return "";
    value.resize(size);
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: tsyprobe state|name {product code} ...\n");
        return 2;
    }
    const std::string command = argv[1];
    if (command == "open") {
        if (argc != 5) return 2;
        INT_PTR rc = reinterpret_cast<INT_PTR>(
            ShellExecuteA(nullptr, "open", argv[2], argv[3], argv[4], SW_SHOWNORMAL));
        std::printf("%d\n", static_cast<int>(rc));
        return 0;
    }
    for (int i = 2; i < argc; ++i) {
        if (command == "state") {
            std::printf("%s %d\n", argv[i], static_cast<int>(MsiQueryProductStateA(argv[i])));
        } else if (command == "name") {
            std::printf("%s \"%s\" %s\n", argv[i],
                        productInfo(argv[i], INSTALLPROPERTY_INSTALLEDPRODUCTNAME).c_str(),
                        productInfo(argv[i], INSTALLPROPERTY_VERSIONSTRING).c_str());
        } else {
            std::fprintf(stderr, "unknown command %s\n", command.c_str());
            return 2;
        }
    }
    return 0;
}
