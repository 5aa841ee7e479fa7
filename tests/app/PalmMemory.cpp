// Memory the Palm side holds per contact (not a test: run it by hand). Loads
// a generated 50,000-contact classic and 4.1.x file through the facade and
// reports the bytes it keeps per contact, counted at operator new.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "AllocCount.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxText.h"
#include "common/palm/PalmAddrInfo.h"
#include "support/TestSupport.h"

namespace {

constexpr int kContacts = 50000;

// Typical values: a name, a company, two phones, an address and a note.
template <typename Rec>
void Fill(Rec& rec, int i, char* street, size_t streetSize, char* city, size_t citySize) {
    auto put = [i](char* field, size_t width, const char* stem) {
        char buf[64];
        snprintf(buf, sizeof(buf), "%s %d", stem, i);
        CxCopyText(field, width, buf);
    };
    put(rec.szLastName, sizeof(rec.szLastName), "Lastname");
    put(rec.szFirstName, sizeof(rec.szFirstName), "First");
    put(rec.szCompany, sizeof(rec.szCompany), "Company Incorporated");
    put(rec.szPhone[0], sizeof(rec.szPhone[0]), "+1 555 0100");
    put(rec.szPhone[1], sizeof(rec.szPhone[1]), "person@example.com");
    put(street, streetSize, "Main Street");
    put(city, citySize, "Springfield");
    put(rec.szNote, sizeof(rec.szNote), "A note of moderate length about this contact");
}

bool MakeClassic(const std::string& path) {
    vt_test::WriteText(path, "");
    PmAddrUtil util;
    util.SetCustomLabels("Birthday\nSpouse\nWeb\nPager\n");
    auto rec = std::make_unique<PmAddrRecord>();
    for (int i = 0; i < kContacts; ++i) {
        *rec = PmAddrRecord{};
        rec->nRecordId = 1000 + i;
        Fill(*rec, i, rec->szAddress, sizeof(rec->szAddress), rec->szCity, sizeof(rec->szCity));
        util.GetRecords()->AddCopy(*rec);
    }
    return util.SaveAs(path.c_str());
}

bool Make41(const std::string& path) {
    vt_test::WriteText(path, "");
    PmAddrExUtil util;
    util.SetCustomLabel(0, "Label 1");
    for (int i = 0; i < kContacts; ++i) {
        auto rec = std::make_unique<PmAddrExRecord>();
        rec->nRecordId = 2000 + i;
        rec->nColumn1 = 4096 + i;
        Fill(*rec, i, rec->addresses[0].szStreet, sizeof(rec->addresses[0].szStreet),
             rec->addresses[0].szCity, sizeof(rec->addresses[0].szCity));
        util.GetRecords()->AddCopy(*rec);
    }
    return util.SaveAs(path.c_str());
}

void Measure(const char* name, const std::string& path, int generation) {
    const int64_t before = LiveNewBytes();
    auto info = std::make_unique<PmAddrInfo>(generation == PM_GEN_CLASSIC ? 40100u : 40102u);
    if (!info->LoadFile(path.c_str()) || !info->GetStore()) {
        printf("%-8s load failed\n", name);
        return;
    }
    const int64_t held = LiveNewBytes() - before;
    const size_t n = info->GetStore()->GetCount();
    const long file = vt_test::ReadBytes(path).size();
    printf("%-8s %8zu contacts  %8.0f bytes/contact held  (%6.0f in the file, %zu of a common record)\n",
           name, n, static_cast<double>(held) / static_cast<double>(n),
           static_cast<double>(file) / kContacts, sizeof(CommAddr));
}

}  // namespace

int main() {
    vt_test::TempDir dir;
    CxDebugUtil::Instance().SetFolder(dir.Path().c_str());
    const std::string classic = dir.File("address.dat"), x41 = dir.File("contacts41.dat");
    if (!MakeClassic(classic) || !Make41(x41)) {
        printf("the files could not be made\n");
        return 1;
    }
    Measure("classic", classic, PM_GEN_CLASSIC);
    Measure("4.1.x", x41, PM_GEN_41X);
    return 0;
}
