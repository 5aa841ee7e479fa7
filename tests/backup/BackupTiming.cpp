// Hand-run timing of what backups add to a run of 5,000 contacts a side:
// the Palm Desktop copy, the journal, the Outlook values file and its
// cards. Not a test; prints milliseconds.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BackupTestUtil.h"
#include "common/backup/BackupStore.h"
#include "common/backup/OlBackupFile.h"
#include "common/backup/OlBackupVCard.h"
#include "common/backup/RunJournal.h"
#include "support/TestSupport.h"

int main(int argc, char** argv) {
    const int contacts = argc > 1 ? std::atoi(argv[1]) : 5000;
    const size_t palmBytes = static_cast<size_t>(contacts) * 400;  // about a 4.1.x record each
    vt_test::TempDir dir;
    vt_test::WriteText(dir.File("address.dat"), backup_test::BinaryContent(palmBytes, 5));
    BackupStore store(dir.File("backups"));
    BackupRun run;
    std::string error, copy;
    if (!store.BeginRun(backup_test::Time(2026, 12, 11, 1, 0, 0, 0), run, error)) return 1;

    uint64_t t0 = cxplat::TickMs();
    BackupFileState state;
    if (!store.BackupPalmFile(run, dir.File("address.dat"), copy, state, error)) return 1;
    uint64_t t1 = cxplat::TickMs();
    printf("Palm copy of %zu bytes: %llu ms\n", palmBytes, (unsigned long long)(t1 - t0));

    RunJournal journal;
    if (!journal.Open(store.JournalPath(run), run.start, "Two-way", error)) return 1;
    journal.BackupMade(JournalSide::Palm, "address.dat", state);
    t0 = cxplat::TickMs();
    for (int i = 0; i < contacts; ++i) {
        const JournalContact c{"Contact " + std::to_string(i), std::to_string(100000 + i)};
        for (const char* f : {"Work phone", "E-mail", "Note"})
            journal.FieldChanged(JournalSide::Outlook, c, f, "old value of the field",
                                 "new value of the field");
    }
    if (!journal.Close(error)) return 1;
    t1 = cxplat::TickMs();
    printf("Journal, %d contacts x 3 fields: %llu ms\n", contacts, (unsigned long long)(t1 - t0));

    t0 = cxplat::TickMs();
    if (!store.EnsureBackupFolder(run, error)) return 1;
    OlBackupFile ol;
    if (!ol.Create(store.OutlookBackupPath(run), error)) return 1;
    for (int i = 0; i < contacts; ++i) {
        OlBackupContact c{"00000000" + std::to_string(7000000 + i), {}};
        for (const char* p : {"FirstName", "LastName", "CompanyName", "BusinessTelephoneNumber",
                              "HomeTelephoneNumber", "Email1Address", "BusinessAddressStreet",
                              "BusinessAddressCity", "Body", "Categories"})
            c.properties.push_back({p, std::string(p) + " value\r\nsecond line"});
        if (!ol.AddChanged(c, error)) return 1;
    }
    if (!ol.Close(error)) return 1;
    t1 = cxplat::TickMs();
    printf("Outlook values, %d contacts x 10 properties: %llu ms\n", contacts,
           (unsigned long long)(t1 - t0));
    t0 = cxplat::TickMs();
    if (!OlBackupWriteVCard(store.OutlookBackupPath(run), store.OutlookVCardPath(run), error))
        return 1;
    t1 = cxplat::TickMs();
    printf("vCard 3.0 of them: %llu ms\n", (unsigned long long)(t1 - t0));
    return 0;
}
