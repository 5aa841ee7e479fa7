// Palm Desktop contacts for export: the facade's listed records with what
// only the native record holds (phone kinds, e-mail slots, custom labels,
// private flag, 6.x profession, website and custom 11 to 14).
#pragma once

#include <cstddef>

#include "common/export/CxExport.h"
#include "common/export/CxExportContact.h"
#include "common/palm/PalmAddrInfo.h"

// The code page of the loaded generation's texts: the option for classic
// and 4.1.x files, the program's own for 6.x.
unsigned PmExportCodePage(const PmAddrInfo& info, unsigned option);

// The contact at a listed position; false past the end.
bool PmExportContact(PmAddrInfo& info, size_t index, unsigned codePage, CxExportContact& out);

// The whole stored texts of the native record over the (possibly cut)
// common values.
void PmExportWholeTexts(const PmAddrInfoRecord& rec, unsigned codePage, CxExportContact& out);

// Every listed record (or the chosen rows) of a loaded facade.
void PmExportAll(PmAddrInfo& info, const CxExportOptions& options, CxExportWriter& writer,
                 CxExportStats& stats);
