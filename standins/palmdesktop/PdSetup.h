// Sets up a stand-in Palm Desktop installation for tests and the demo: the
// libraries and palm.exe of a generation, the user list, the registry value
// that names the folder, and each user's contacts; on request a stand-in
// Outlook contacts file whose contacts mostly match the Palm ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/addr/CommAddr.h"

namespace pdsetup {

// Generated contact 'index' of the series of 'seed' (the same every time).
CommAddr MakeContact(uint32_t seed, int index);
std::vector<CommAddr> MakeContacts(uint32_t seed, int count);

// Outlook's side of a demo: about half equal to Palm contacts, a quarter of
// the same people with a compared field changed, the rest on Outlook only.
std::vector<CommAddr> MakeOutlookContacts(const std::vector<CommAddr>& palm, uint32_t seed,
                                          int count);

// An empty 6.x contacts database (tables Main, Category, Information) made
// through the program's own database backend.
bool CreateAddressMdb(const std::string& path, std::string& error);

// Runs one statement on a database of its own connection.
bool ExecSql(const std::string& path, const std::string& sql, std::string& error);

// A contacts file of the generation (1 classic, 2 4.1.x: address.dat; 3
// 6.x: Address.mdb) holding the contacts, written through PmAddrInfo.
bool WriteAddressData(int generation, const std::string& path,
                      const std::vector<CommAddr>& contacts, std::string& error);

// The stand-in Outlook contacts file (UTF-8 text, one [Contact] per record).
bool WriteOutlookFile(const std::string& path, const std::vector<CommAddr>& contacts,
                      std::string& error);

struct Options {
    std::string folder;        // installation folder (created)
    int generation = 414;      // 410, 414 or 620
    int users = 1;
    int contacts = 100;
    uint32_t seed = 1;
    std::string outlookFile;   // empty: none
    int outlookContacts = -1;  // -1: as many as Palm contacts
    bool setOutlookDataFile = true;
    std::string sourceFolder;  // where the built stand-ins are (default: beside the program)
};

// Storage generation code (1, 2, 3) of a palm.exe version tag; 0 for others.
int GenerationOfTag(int tag);

// "id\tname\tdirectory" of user i (0-based).
uint32_t UserId(int i);
std::string UserName(int i);
std::string UserDirectory(int i);

#ifdef _WIN32
// The whole installation. False with a message in error.
bool Install(const Options& options, std::string& error);
#endif

}  // namespace pdsetup
