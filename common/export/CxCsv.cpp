#include "common/export/CxCsv.h"

#include <cstdio>
#include <vector>

namespace {

enum class Col { None, Text, Phone, Email, EmailType, Birthday, Anniversary, Categories, Gender,
                 Notes, Private, Sensitivity };

struct Column {
    const char* m_szName;
    Col m_nKind;
    int32_t m_nId;  // Text: catalogue id; Email: 0..2
};

const Column kColumns[] = {
    {"Title", Col::Text, FID_PREFIX},
    {"First Name", Col::Text, FID_FIRST_NAME},
    {"Middle Name", Col::Text, FID_MIDDLE_NAME},
    {"Last Name", Col::Text, FID_LAST_NAME},
    {"Suffix", Col::Text, FID_SUFFIX},
    {"Company", Col::Text, FID_COMPANY},
    {"Department", Col::Text, FID_DEPARTMENT},
    {"Job Title", Col::Text, FID_TITLE},
    {"Business Street", Col::Text, FID_WORK_STREET},
    {"Business Street 2", Col::None, 0},
    {"Business Street 3", Col::None, 0},
    {"Business City", Col::Text, FID_WORK_CITY},
    {"Business State", Col::Text, FID_WORK_STATE},
    {"Business Postal Code", Col::Text, FID_WORK_POSTAL},
    {"Business Country/Region", Col::Text, FID_WORK_COUNTRY},
    {"Home Street", Col::Text, FID_HOME_STREET},
    {"Home Street 2", Col::None, 0},
    {"Home Street 3", Col::None, 0},
    {"Home City", Col::Text, FID_HOME_CITY},
    {"Home State", Col::Text, FID_HOME_STATE},
    {"Home Postal Code", Col::Text, FID_HOME_POSTAL},
    {"Home Country/Region", Col::Text, FID_HOME_COUNTRY},
    {"Other Street", Col::Text, FID_OTHER_STREET},
    {"Other Street 2", Col::None, 0},
    {"Other Street 3", Col::None, 0},
    {"Other City", Col::Text, FID_OTHER_CITY},
    {"Other State", Col::Text, FID_OTHER_STATE},
    {"Other Postal Code", Col::Text, FID_OTHER_POSTAL},
    {"Other Country/Region", Col::Text, FID_OTHER_COUNTRY},
    {"Assistant's Phone", Col::Phone, 0},
    {"Business Fax", Col::Phone, 0},
    {"Business Phone", Col::Phone, 0},
    {"Business Phone 2", Col::Phone, 0},
    {"Callback", Col::Phone, 0},
    {"Car Phone", Col::Phone, 0},
    {"Company Main Phone", Col::Phone, 0},
    {"Home Fax", Col::Phone, 0},
    {"Home Phone", Col::Phone, 0},
    {"Home Phone 2", Col::Phone, 0},
    {"ISDN", Col::Phone, 0},
    {"Mobile Phone", Col::Phone, 0},
    {"Other Fax", Col::Phone, 0},
    {"Other Phone", Col::Phone, 0},
    {"Pager", Col::Phone, 0},
    {"Primary Phone", Col::Phone, 0},
    {"Radio Phone", Col::Phone, 0},
    {"TTY/TDD Phone", Col::Phone, 0},
    {"Telex", Col::Phone, 0},
    {"Account", Col::Text, FID_ACCOUNT},
    {"Anniversary", Col::Anniversary, 0},
    {"Assistant's Name", Col::Text, FID_ASSISTANT_NAME},
    {"Billing Information", Col::None, 0},
    {"Birthday", Col::Birthday, 0},
    {"Business Address PO Box", Col::None, 0},
    {"Categories", Col::Categories, 0},
    {"Children", Col::Text, FID_CHILDREN_NAMES},
    {"Directory Server", Col::None, 0},
    {"E-mail Address", Col::Email, 0},
    {"E-mail Type", Col::EmailType, 0},
    {"E-mail Display Name", Col::None, 0},
    {"E-mail 2 Address", Col::Email, 1},
    {"E-mail 2 Type", Col::EmailType, 1},
    {"E-mail 2 Display Name", Col::None, 0},
    {"E-mail 3 Address", Col::Email, 2},
    {"E-mail 3 Type", Col::EmailType, 2},
    {"E-mail 3 Display Name", Col::None, 0},
    {"Gender", Col::Gender, 0},
    {"Government ID Number", Col::Text, FID_GOVERNMENT_ID},
    {"Hobby", Col::Text, FID_HOBBY},
    {"Home Address PO Box", Col::None, 0},
    {"Initials", Col::None, 0},
    {"Internet Free Busy", Col::None, 0},
    {"Keywords", Col::Text, FID_KEYWORD},
    {"Language", Col::Text, FID_LANGUAGE},
    {"Location", Col::Text, FID_LOCATION},
    {"Manager's Name", Col::Text, FID_MANAGER_NAME},
    {"Mileage", Col::None, 0},
    {"Notes", Col::Notes, 0},
    {"Office Location", Col::None, 0},
    {"Organizational ID Number", Col::Text, FID_ORGANIZATION_ID},
    {"Other Address PO Box", Col::None, 0},
    {"Priority", Col::None, 0},
    {"Private", Col::Private, 0},
    {"Profession", Col::Text, FID_PROFESSION},
    {"Referred By", Col::None, 0},
    {"Sensitivity", Col::Sensitivity, 0},
    {"Spouse", Col::Text, FID_SPOUSE_NAME},
    {"User 1", Col::None, 0},
    {"User 2", Col::None, 0},
    {"User 3", Col::None, 0},
    {"User 4", Col::None, 0},
    {"Web Page", Col::Text, FID_WORK_HOME_PAGE},
};
constexpr size_t kColumnCount = sizeof(kColumns) / sizeof(kColumns[0]);

// The phone columns a kind may fill, in order of preference.
std::vector<const char*> PhoneColumns(CxTelKind kind) {
    switch (kind) {
    case CxTelKind::Work: return {"Business Phone", "Business Phone 2"};
    case CxTelKind::Home: return {"Home Phone", "Home Phone 2"};
    case CxTelKind::Fax: return {"Business Fax", "Home Fax", "Other Fax"};
    case CxTelKind::WorkFax: return {"Business Fax"};
    case CxTelKind::HomeFax: return {"Home Fax"};
    case CxTelKind::Main: return {"Primary Phone"};
    case CxTelKind::Pager: return {"Pager"};
    case CxTelKind::Mobile: return {"Mobile Phone"};
    case CxTelKind::Car: return {"Car Phone"};
    case CxTelKind::Callback: return {"Callback"};
    case CxTelKind::Radio: return {"Radio Phone"};
    case CxTelKind::Assistant: return {"Assistant's Phone"};
    case CxTelKind::Other:
    case CxTelKind::Unknown: break;
    }
    return {"Other Phone"};
}

size_t ColumnIndex(const char* name) {
    for (size_t i = 0; i < kColumnCount; ++i)
        if (std::string(kColumns[i].m_szName) == name) return i;
    return kColumnCount;
}

std::string FormatDate(const CxExportDate& d) {
    if (!d.IsSet()) return std::string();
    char buf[24];
    snprintf(buf, sizeof(buf), "%d/%d/%04d", d.m_nMonth % 100, d.m_nDay % 100, d.m_nYear % 10000);
    return buf;
}

// "Label: value" on a line of its own (line breaks in the value as spaces).
void NoteLine(std::string& notes, const std::string& label, const std::string& value) {
    if (value.empty()) return;
    if (!notes.empty()) notes += "\r\n";
    notes += label + ": ";
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') continue;
        notes += (c == '\r' || c == '\n') ? ' ' : c;
    }
}

std::string CatalogueName(int32_t id) {
    CommFieldInfo info{};
    return GetFieldInfo(id, &info) ? std::string(info.m_szName) : std::string();
}

}  // namespace

size_t CxCsvColumnCount() { return kColumnCount; }

const char* CxCsvColumnName(size_t index) {
    return index < kColumnCount ? kColumns[index].m_szName : nullptr;
}

std::string CxCsvQuote(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            out += "\"\"";
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out + '"';
}

void CxCsvAppendHeader(std::string& out) {
    out += "\xEF\xBB\xBF";
    for (size_t i = 0; i < kColumnCount; ++i) {
        if (i) out += ',';
        out += CxCsvQuote(kColumns[i].m_szName);
    }
    out += "\r\n";
}

void CxCsvAppendRow(const CxExportContact& c, std::string& out) {
    std::vector<std::string> cells(kColumnCount);
    std::string extra;  // the "Label: value" lines for "Notes"

    for (const CxExportPhone& p : c.m_Phones) {
        const std::vector<const char*> names = PhoneColumns(p.m_nKind);
        bool placed = false;
        for (const char* name : names) {
            const size_t at = ColumnIndex(name);
            if (at < kColumnCount && cells[at].empty()) {
                cells[at] = p.m_sValue;
                placed = true;
                break;
            }
        }
        if (!placed) NoteLine(extra, names.front(), p.m_sValue);
    }
    for (size_t i = 3; i < c.m_Emails.size(); ++i) NoteLine(extra, "E-mail", c.m_Emails[i]);
    for (int32_t id : {FID_NICK_NAME, FID_DISPLAY_NAME, FID_IM1, FID_IM2, FID_MHS_COMMON_NAME,
                       FID_CUSTOMER_ID, FID_PERSONAL_HOME_PAGE, FID_FTP_SITE})
        NoteLine(extra, CatalogueName(id), c.Text(id));
    for (const CxExportCustom& cu : c.m_Customs)
        NoteLine(extra, cu.m_sLabel.empty() ? "Custom " + std::to_string(cu.m_nIndex) : cu.m_sLabel,
                 cu.m_sValue);

    for (size_t i = 0; i < kColumnCount; ++i) {
        const Column& col = kColumns[i];
        std::string& cell = cells[i];
        switch (col.m_nKind) {
        case Col::Text: cell = c.Text(col.m_nId); break;
        case Col::Email:
            if (static_cast<size_t>(col.m_nId) < c.m_Emails.size()) cell = c.m_Emails[col.m_nId];
            break;
        case Col::EmailType:
            if (static_cast<size_t>(col.m_nId) < c.m_Emails.size()) cell = "SMTP";
            break;
        case Col::Birthday: cell = FormatDate(c.m_Birthday); break;
        case Col::Anniversary: cell = FormatDate(c.m_Anniversary); break;
        case Col::Categories:
            for (size_t k = 0; k < c.m_Categories.size(); ++k) {
                if (k) cell += ';';
                cell += c.m_Categories[k];
            }
            break;
        case Col::Gender:
            cell = c.m_nGender == 1 ? "Female" : c.m_nGender == 2 ? "Male" : "Unspecified";
            break;
        case Col::Notes:
            cell = c.Text(FID_NOTE);
            if (!extra.empty()) cell += cell.empty() ? extra : "\r\n\r\n" + extra;
            break;
        case Col::Private: cell = c.m_bPrivate ? "True" : "False"; break;
        case Col::Sensitivity: cell = c.m_bPrivate ? "Private" : "Normal"; break;
        case Col::Phone:
        case Col::None: break;
        }
        if (i) out += ',';
        out += CxCsvQuote(cell);
    }
    out += "\r\n";
}
