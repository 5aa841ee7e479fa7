// palmdump [--json] [--log FOLDER] FILE
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "tools/palmdump/PalmDump.h"
#include "tools/palmdump/ToolLog.h"

int main(int argc, char** argv) {
    bool json = false;
    const char* path = nullptr;
    const char* logFolder = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--json") == 0) {
            json = true;
        } else if (strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
            logFolder = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1]) {
            path = nullptr;
            break;
        } else if (!path) {
            path = argv[i];
        } else {
            path = nullptr;
            break;
        }
    }
    if (!path) {
        fprintf(stderr, "usage: palmdump [--json] [--log FOLDER] FILE\n");
        return 2;
    }
    PmToolLog log(logFolder, "palmdump");
    std::string reason;
    const bool ok = PalmDump(path, json, std::cout, reason);
    if (!ok) {
        const std::string error = log.FirstError();
        if (!error.empty()) reason += ": " + error;
    }
    if (!ok) {
        std::cout.flush();
        fprintf(stderr, "palmdump: %s: %s\n", path, reason.c_str());
        return 1;
    }
    return 0;
}
