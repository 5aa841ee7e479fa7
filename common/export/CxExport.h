// Export of contacts: formats, the common-record conversion, category
// filter, whole outputs and their safe writing to a file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/addr/CommAddr.h"
#include "common/export/CxExportContact.h"

enum class CxExportFormat { VCard4, VCard3, Csv };

// "vcard4", "vcard3", "csv" (letter case ignored); false for anything else.
bool CxParseExportFormat(const char* name, CxExportFormat& out);
// The usual file extension with its dot: ".vcf" or ".csv".
const char* CxExportExtension(CxExportFormat format);

// Counts of one export; every listed record is written or counted as skipped.
struct CxExportStats {
    size_t m_nWritten = 0;
    size_t m_nSkippedEmpty = 0;       // no value at all
    size_t m_nSkippedUnreadable = 0;  // the side could not read it whole
    size_t m_nSkippedCategory = 0;    // outside the chosen category
    size_t m_nSkippedUnticked = 0;    // not among the chosen rows
    size_t Skipped() const {
        return m_nSkippedEmpty + m_nSkippedUnreadable + m_nSkippedCategory + m_nSkippedUnticked;
    }
    // "Wrote 12 contacts, skipped 2 (1 empty, 1 outside the category)."
    std::string Summary() const;
};

struct CxExportOptions {
    CxExportFormat m_nFormat = CxExportFormat::VCard4;
    // The code page of classic and 4.1.x texts; 6.x and Outlook texts are in
    // the program's own code page.
    unsigned m_nCodePage = 1252;
    std::string m_sCategory;         // empty: every category
    std::vector<bool> m_Rows;        // empty: every row; else only rows set here
};

// A text of the code page as UTF-8 (bytes the page leaves undefined as
// U+FFFD); width bounds a text that may lack its terminator.
std::string CxTextToUtf8(const char* text, size_t width, unsigned codePage);

// The values of a common record. Categories: a Palm record holds one (its
// text may contain commas; "Unfiled" is none), other records a list
// separated by ',' or ';'.
void CxContactFromComm(const CommAddr& rec, unsigned codePage, bool palm, CxExportContact& out);

// Whether the contact is in the category (letter case ignored); "Unfiled"
// names the contacts without one.
bool CxInCategory(const CxExportContact& contact, const std::string& category);

// Collects the output of one export in memory: the file is written only
// when everything is there.
class CxExportWriter {
public:
    explicit CxExportWriter(CxExportFormat format);
    // Filters by the options (category) and empty contacts; true when written.
    bool Add(const CxExportContact& contact, const CxExportOptions& options, CxExportStats& stats);
    const std::string& GetText() const { return m_sOut; }

private:
    CxExportFormat m_nFormat;
    std::string m_sOut;
};

// The records of a common store (the Outlook list): rows by position;
// records the side could not read whole are skipped.
void CxExportStore(const CommAddrMgr& store, const CxExportOptions& options, CxExportWriter& writer,
                   CxExportStats& stats);

// Writes data to a temporary file beside path and moves it over path, so a
// failure never leaves a partial file. reason gets one line on failure.
bool CxWriteFileReplace(const char* path, const std::string& data, std::string& reason);
