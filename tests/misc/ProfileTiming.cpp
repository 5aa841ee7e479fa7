// Timing run of the settings file accessor on a large file (not a test: run
// it by hand). Makes a settings file of about 3 MB and reads, then writes,
// the thirty keys start-up and shutdown touch.
#include <chrono>
#include <cstdio>
#include <string>

#include "common/misc/CxIniUtil.h"
#include "support/TestSupport.h"

int main() {
    vt_test::TempDir dir;
    const std::string path = dir.File("big.ini");
    std::string text;
    for (int s = 0; s < 2000 && text.size() < 3u << 20; ++s) {
        text += "[Other" + std::to_string(s) + "]\r\n";
        for (int k = 0; k < 100; ++k)
            text += "Key" + std::to_string(k) + "=some stored value " + std::to_string(s * k) + "\r\n";
    }
    text += "[Vantoro_OL_PD]\r\n";
    for (int k = 0; k < 30; ++k) text += "Key" + std::to_string(k) + "=" + std::to_string(k) + "\r\n";
    vt_test::WriteText(path, text);
    CxIniUtil ini("", "unused.ini");
    ini.SetPath(path.c_str());

    using Clock = std::chrono::steady_clock;
    auto t0 = Clock::now();
    long sum = 0;
    for (int k = 0; k < 30; ++k) sum += ini.ReadInt("Vantoro_OL_PD", ("Key" + std::to_string(k)).c_str(), 0);
    auto t1 = Clock::now();
    for (int k = 0; k < 30; ++k) ini.WriteInt("Vantoro_OL_PD", ("Key" + std::to_string(k)).c_str(), k + 1);
    auto t2 = Clock::now();
    auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    printf("file %zu bytes; 30 reads %.1f ms (sum %ld); 30 writes %.1f ms\n", text.size(), ms(t1 - t0), sum,
           ms(t2 - t1));
    return sum == 435 ? 0 : 1;
}
