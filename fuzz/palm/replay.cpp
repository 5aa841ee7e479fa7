// Runs both fuzz targets on every file of the given folders: the kept inputs
// stay checked by the ordinary sanitizer build.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/palm/FuzzPalm.h"

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    // Scratch files and the log go to a folder of its own, removed at the end.
    std::error_code ec;
    const fs::path scratch = fs::temp_directory_path(ec) / ("vt_palm_replay_" + std::to_string(
                                 fs::file_time_type::clock::now().time_since_epoch().count()));
    fs::create_directories(scratch, ec);
    setenv("TMPDIR", scratch.c_str(), 1);
    setenv("VT_FUZZ_LOG_DIR", scratch.c_str(), 1);
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(argv[i], ec)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::vector<uint8_t> data(std::istreambuf_iterator<char>(in), {});
            FuzzPalmClassic(data.data(), data.size());
            FuzzPalmContacts41(data.data(), data.size());
            ++files;
        }
    }
    fs::remove_all(scratch, ec);
    printf("replayed %d inputs\n", files);
    return files > 0 ? 0 : 1;
}
