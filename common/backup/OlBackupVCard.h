// The kept Outlook values as vCard 3.0 cards, an extra beside the
// program's own file for people and other programs. Restore reads only
// the program's own file: the cards carry the values vCard has room for.
#pragma once

#include <string>

#include "common/backup/OlBackupFile.h"
#include "common/export/CxExportContact.h"

// One contact's kept values as an export contact; properties vCard has no
// place for are left out. Dates are read as OLE date numbers.
void OlBackupToExportContact(const OlBackupContact& contact, CxExportContact& out);
// Every kept contact, one card each, with its EntryID as UID.
std::string OlBackupVCard(const OlBackupData& data);
// Reads the program's own file and writes its cards to vcfPath, whole or
// not at all.
bool OlBackupWriteVCard(const std::string& vtolPath, const std::string& vcfPath,
                        std::string& error);
