// pdsetup: a whole stand-in Palm Desktop installation in one step, for the
// tests and the demo (see docs/standins.md).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "standins/palmdesktop/PdSetup.h"

namespace {

void Usage() {
    fprintf(stderr,
            "usage: pdsetup --folder DIR --generation 410|414|620 [--users N] [--contacts N]\n"
            "               [--seed N] [--outlook-file PATH [--outlook-contacts M]\n"
            "               [--no-outlook-registry]]\n");
}

bool Number(const char* text, long lo, long hi, long& out) {
    char* end = nullptr;
    out = strtol(text, &end, 10);
    return end != text && *end == '\0' && out >= lo && out <= hi;
}

}  // namespace

int main(int argc, char** argv) {
    pdsetup::Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        long n = 0;
        if (a == "--no-outlook-registry") {
            o.setOutlookDataFile = false;
        } else if (!hasValue) {
            Usage();
            return 2;
        } else if (a == "--folder") {
            o.folder = argv[++i];
        } else if (a == "--generation" && Number(argv[i + 1], 0, 1000, n)) {
            o.generation = static_cast<int>(n);
            ++i;
        } else if (a == "--users" && Number(argv[i + 1], 1, 100, n)) {
            o.users = static_cast<int>(n);
            ++i;
        } else if (a == "--contacts" && Number(argv[i + 1], 0, 100000, n)) {
            o.contacts = static_cast<int>(n);
            ++i;
        } else if (a == "--seed" && Number(argv[i + 1], 0, 2147483647L, n)) {
            o.seed = static_cast<uint32_t>(n);
            ++i;
        } else if (a == "--outlook-file") {
            o.outlookFile = argv[++i];
        } else if (a == "--outlook-contacts" && Number(argv[i + 1], 0, 100000, n)) {
            o.outlookContacts = static_cast<int>(n);
            ++i;
        } else {
            Usage();
            return 2;
        }
    }
    if (o.folder.empty() || !pdsetup::GenerationOfTag(o.generation)) {
        Usage();
        return 2;
    }
    std::string error;
    if (!pdsetup::Install(o, error)) {
        fprintf(stderr, "pdsetup: %s\n", error.c_str());
        return 1;
    }
    printf("pdsetup: Palm Desktop %d with %d user(s) of %d contact(s) in %s\n", o.generation,
           o.users, o.contacts, o.folder.c_str());
    return 0;
}
