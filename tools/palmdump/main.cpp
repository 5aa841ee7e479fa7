// palmdump [--json] [--log FOLDER] FILE
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "common/misc/CxDebugUtil.h"
#include "tools/palmdump/PalmDump.h"

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
    // Errors are always logged: without a log folder they go to a private
    // temporary one, which gives the reason of a failure and is removed.
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path own;
    std::string folder;
    if (logFolder) {
        folder = logFolder;
        CxDebugUtil::Instance().SetEnabled(true);
        CxDebugUtil::Instance().SetLevel(2);
    } else {
        own = fs::temp_directory_path(ec) /
              ("palmdump-" + std::to_string(fs::file_time_type::clock::now().time_since_epoch().count()));
        fs::create_directories(own, ec);
        folder = own.string();
    }
    if (folder.back() != '/' && folder.back() != '\\') folder += '/';
    CxDebugUtil::Instance().SetFolder(folder.c_str());

    std::string reason;
    const bool ok = PalmDump(path, json, std::cout, reason);
    if (!ok) {
        // The first error the loader logged says what is wrong.
        std::ifstream log(CxDebugUtil::Instance().GetLogPath());
        for (std::string line; std::getline(log, line);) {
            const size_t at = line.find("[!!!] - ");
            if (at == std::string::npos) continue;
            std::string message = line.substr(at + 8);
            while (!message.empty() && (message.back() == '\r' || message.back() == '\n')) message.pop_back();
            if (message.rfind("Record ID Position:", 0) == 0 || message.rfind("Unknown", 0) == 0) continue;
            reason += ": " + message;
            break;
        }
    }
    if (!own.empty()) fs::remove_all(own, ec);
    if (!ok) {
        std::cout.flush();
        fprintf(stderr, "palmdump: %s: %s\n", path, reason.c_str());
        return 1;
    }
    return 0;
}
