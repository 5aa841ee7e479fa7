// Writes the small known files of the tests as fuzzing seeds.
#include <cstdio>
#include <string>

#include "palm/PalmFixture.h"
#include "support/TestSupport.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    std::string dir = argv[1];
    if (dir.back() != '/') dir += '/';
    using namespace palm_fixture;
    vt_test::WriteBytes(dir + "seed-classic.dat", BuildClassic(ClassicSample("C:\\Palm\\U\\address\\address.dat")));
    vt_test::WriteBytes(dir + "seed-contacts41.dat", BuildEx(ExSample("C:\\Palm\\U\\address\\address.dat")));
    ClassicLayout empty = ClassicSample("a");
    empty.rows.clear();
    empty.categories.clear();
    vt_test::WriteBytes(dir + "seed-classic-empty.dat", BuildClassic(empty));
    ExLayout exEmpty = ExSample("a");
    exEmpty.rows.clear();
    vt_test::WriteBytes(dir + "seed-contacts41-empty.dat", BuildEx(exEmpty));
    return 0;
}
