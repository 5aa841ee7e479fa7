// export_fixture classic|41x N FILE.dat FILE.json: a Palm Desktop file of N
// varied contacts and what they hold, for the round-trip check.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "ExportFixture.h"

int main(int argc, char** argv) {
    if (argc != 5 || (strcmp(argv[1], "classic") != 0 && strcmp(argv[1], "41x") != 0)) {
        fprintf(stderr, "usage: export_fixture classic|41x N FILE.dat FILE.json\n");
        return 2;
    }
    using namespace export_fixture;
    const Format format = strcmp(argv[1], "classic") == 0 ? Format::Classic : Format::Contacts41;
    const auto contacts = Contacts(format, atoi(argv[2]));
    const auto bytes = FileBytes(format, contacts);
    std::ofstream dat(argv[3], std::ios::binary);
    dat.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::ofstream json(argv[4], std::ios::binary);
    json << ToJson(contacts);
    return dat && json ? 0 : 1;
}
