// vCard 3.0 (RFC 2426) and 4.0 (RFC 6350) cards of export contacts.
#pragma once

#include <string>

#include "common/export/CxExportContact.h"

enum class CxVCardVersion { V3, V4 };

// A text value with \ , ; and line breaks (CR LF, CR or LF) escaped.
std::string CxVCardEscape(const std::string& text);
// A parameter value: line breaks become spaces, '"' becomes '\'' (neither
// may stand in a parameter), and the value is quoted when it holds , ; or :.
std::string CxVCardParam(const std::string& text);
// Appends one content line folded at 75 octets (never inside a UTF-8
// sequence), each physical line ended by CR LF.
void CxVCardAppendLine(std::string& out, const std::string& line);
// The name an extra text field is written under: "X-" and its catalogue
// name in capitals, other characters as '-' ("Spouse Name" -> X-SPOUSE-NAME).
std::string CxVCardExtraName(int32_t id);

// Appends one whole card, BEGIN to END.
void CxWriteVCard(const CxExportContact& contact, CxVCardVersion version, std::string& out);
