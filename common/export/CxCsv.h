// CSV with the English column names of Outlook's contact export, in its
// order (RFC 4180: every field quoted, CR LF between records). Values that
// have no Outlook column go into "Notes" as "Label: value" lines.
#pragma once

#include <string>

#include "common/export/CxExportContact.h"

// The UTF-8 byte-order mark and the header line.
void CxCsvAppendHeader(std::string& out);
// One record line.
void CxCsvAppendRow(const CxExportContact& contact, std::string& out);
// A quoted field: '"' doubled, line breaks as CR LF.
std::string CxCsvQuote(const std::string& text);
// The number of columns and the name of one (null past the end).
size_t CxCsvColumnCount();
const char* CxCsvColumnName(size_t index);
