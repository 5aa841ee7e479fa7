// One contact as the export writers see it: every text in UTF-8, phones and
// e-mail addresses as lists with their kinds, categories split, custom
// fields with their labels. Built from a common record (and, for Palm
// Desktop, from what only the native record holds).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/addr/CommAddr.h"

// Kinds of telephone numbers; Palm phone labels map onto the first ones.
enum class CxTelKind : int32_t {
    Work,
    Home,
    Fax,  // a Palm fax: neither work nor home is known
    WorkFax,
    HomeFax,
    Other,
    Main,
    Pager,
    Mobile,
    Car,
    Callback,
    Radio,
    Assistant,
    Unknown,  // a Palm label code outside the known ones
};

struct CxExportPhone {
    CxTelKind m_nKind = CxTelKind::Unknown;
    std::string m_sValue;
};

struct CxExportCustom {
    int m_nIndex = 0;      // 1-based
    std::string m_sLabel;  // may be empty
    std::string m_sValue;
};

// A calendar date; year 0 means none.
struct CxExportDate {
    int m_nYear = 0;
    int m_nMonth = 0;
    int m_nDay = 0;
    bool IsSet() const { return m_nYear != 0; }
};

// A common date as a calendar date; none when !CommHasDate.
CxExportDate CxDateFromComm(double dt);

struct CxExportContact {
    // Texts by catalogue id (1..90); phones, e-mail, custom values and
    // category live in the lists below instead.
    std::string m_sText[COMM_FIELD_COUNT + 1];
    std::vector<CxExportPhone> m_Phones;
    std::vector<std::string> m_Emails;
    std::vector<CxExportCustom> m_Customs;
    std::vector<std::string> m_Categories;
    CxExportDate m_Birthday;
    CxExportDate m_Anniversary;
    int32_t m_nGender = 0;  // 1 female, 2 male (Outlook's values)
    bool m_bPrivate = false;

    const std::string& Text(int32_t id) const;
    // The formatted name: display name, else "First Middle Last", else
    // company, else the first e-mail address.
    std::string FormattedName() const;
    // Nothing at all to write.
    bool IsEmpty() const;
};

// The text fields with no standard vCard property and no list of their own
// (assistant, spouse, IDs...): written as X- properties and CSV columns.
extern const int32_t g_CxExtraTextIds[];
extern const size_t g_CxExtraTextCount;
