#include <iostream>

#include "common/misc/CxPlatform.h"
#include "tools/vtexport/VtExport.h"

int main(int argc, char** argv) {
    cxplat::SetStdoutBinary();
    return VtExportRun(argc, argv, std::cout, std::cerr);
}
