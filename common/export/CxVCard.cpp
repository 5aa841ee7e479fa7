#include "common/export/CxVCard.h"

#include <cctype>
#include <cstdio>

namespace {

// TYPE parameter values of a phone kind (empty: no TYPE).
const char* TelTypes(CxTelKind kind, CxVCardVersion v) {
    const bool v3 = v == CxVCardVersion::V3;
    switch (kind) {
    case CxTelKind::Work: return "work,voice";
    case CxTelKind::Home: return "home,voice";
    case CxTelKind::Fax: return "fax";
    case CxTelKind::WorkFax: return "work,fax";
    case CxTelKind::HomeFax: return "home,fax";
    case CxTelKind::Main: return v3 ? "voice,pref" : "voice";
    case CxTelKind::Pager: return "pager";
    case CxTelKind::Mobile: return v3 ? "cell,voice" : "cell";
    case CxTelKind::Car: return v3 ? "car,voice" : "voice";
    case CxTelKind::Other:
    case CxTelKind::Callback:
    case CxTelKind::Radio:
    case CxTelKind::Assistant: return "voice";
    case CxTelKind::Unknown: break;
    }
    return "";
}

std::string FormatDate(const CxExportDate& d, CxVCardVersion v) {
    char buf[16];
    snprintf(buf, sizeof(buf), v == CxVCardVersion::V3 ? "%04d-%02d-%02d" : "%04d%02d%02d",
             d.m_nYear % 10000, d.m_nMonth % 100, d.m_nDay % 100);
    return buf;
}

// NAME:value, value escaped, when the text is not empty.
void TextLine(std::string& out, const char* name, const std::string& text) {
    if (!text.empty()) CxVCardAppendLine(out, std::string(name) + ':' + CxVCardEscape(text));
}

std::string Compound(std::initializer_list<const std::string*> parts) {
    std::string v;
    bool first = true;
    for (const std::string* p : parts) {
        if (!first) v += ';';
        first = false;
        v += CxVCardEscape(*p);
    }
    return v;
}

void AddressLine(std::string& out, const CxExportContact& c, int32_t firstId, const char* type) {
    const std::string* parts[5];
    bool any = false;
    for (int i = 0; i < 5; ++i) {
        parts[i] = &c.Text(firstId + i);
        any = any || !parts[i]->empty();
    }
    if (!any) return;
    static const std::string kNone;
    // PO box; extended; street; locality; region; postal code; country
    std::string line = "ADR";
    if (*type) line += std::string(";TYPE=") + type;
    line += ':' + Compound({&kNone, &kNone, parts[0], parts[1], parts[2], parts[3], parts[4]});
    CxVCardAppendLine(out, line);
}

}  // namespace

std::string CxVCardEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\': out += "\\\\"; break;
        case ',': out += "\\,"; break;
        case ';': out += "\\;"; break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\\n";
            break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    return out;
}

std::string CxVCardParam(const std::string& text) {
    std::string v;
    bool quote = false;
    for (char c : text) {
        if (c == '\r' || c == '\n') c = ' ';
        if (c == '"') c = '\'';
        if (c == ',' || c == ';' || c == ':') quote = true;
        v += c;
    }
    return quote ? '"' + v + '"' : v;
}

void CxVCardAppendLine(std::string& out, const std::string& line) {
    constexpr size_t kLimit = 75;
    size_t pos = 0;
    size_t room = kLimit;
    while (line.size() - pos > room) {
        size_t cut = pos + room;
        // Back off to the start of a UTF-8 sequence.
        while (cut > pos && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        if (cut == pos) cut = pos + room;  // not UTF-8 at all: cut where it is
        out.append(line, pos, cut - pos);
        out += "\r\n ";
        pos = cut;
        room = kLimit - 1;  // the leading space counts
    }
    out.append(line, pos, std::string::npos);
    out += "\r\n";
}

std::string CxVCardExtraName(int32_t id) {
    CommFieldInfo info{};
    if (!GetFieldInfo(id, &info)) return "X-FIELD-" + std::to_string(id);
    std::string name = "X-";
    for (const char* p = info.m_szName; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        name += isalnum(c) ? static_cast<char>(toupper(c)) : '-';
    }
    return name;
}

void CxWriteVCard(const CxExportContact& c, CxVCardVersion v, std::string& out) {
    const bool v3 = v == CxVCardVersion::V3;
    out += "BEGIN:VCARD\r\n";
    out += v3 ? "VERSION:3.0\r\n" : "VERSION:4.0\r\n";
    CxVCardAppendLine(out, "N:" + Compound({&c.Text(FID_LAST_NAME), &c.Text(FID_FIRST_NAME),
                                             &c.Text(FID_MIDDLE_NAME), &c.Text(FID_PREFIX),
                                             &c.Text(FID_SUFFIX)}));
    CxVCardAppendLine(out, "FN:" + CxVCardEscape(c.FormattedName()));
    TextLine(out, "NICKNAME", c.Text(FID_NICK_NAME));
    if (!c.Text(FID_COMPANY).empty() || !c.Text(FID_DEPARTMENT).empty()) {
        std::string org = "ORG:" + CxVCardEscape(c.Text(FID_COMPANY));
        if (!c.Text(FID_DEPARTMENT).empty()) org += ';' + CxVCardEscape(c.Text(FID_DEPARTMENT));
        CxVCardAppendLine(out, org);
    }
    TextLine(out, "TITLE", c.Text(FID_TITLE));
    for (const CxExportPhone& p : c.m_Phones) {
        std::string line = "TEL";
        const char* types = TelTypes(p.m_nKind, v);
        if (*types) line += std::string(";TYPE=") + types;
        if (!v3 && p.m_nKind == CxTelKind::Main) line += ";PREF=1";
        CxVCardAppendLine(out, line + ':' + CxVCardEscape(p.m_sValue));
    }
    for (const std::string& e : c.m_Emails)
        CxVCardAppendLine(out, (v3 ? "EMAIL;TYPE=internet:" : "EMAIL:") + CxVCardEscape(e));
    AddressLine(out, c, FID_WORK_STREET, "work");
    AddressLine(out, c, FID_HOME_STREET, "home");
    AddressLine(out, c, FID_OTHER_STREET, "");
    TextLine(out, "URL;TYPE=work", c.Text(FID_WORK_HOME_PAGE));
    TextLine(out, "URL;TYPE=home", c.Text(FID_PERSONAL_HOME_PAGE));
    TextLine(out, "URL", c.Text(FID_FTP_SITE));
    if (c.m_Birthday.IsSet()) CxVCardAppendLine(out, "BDAY:" + FormatDate(c.m_Birthday, v));
    if (c.m_Anniversary.IsSet())
        CxVCardAppendLine(out, (v3 ? "X-ANNIVERSARY:" : "ANNIVERSARY:") + FormatDate(c.m_Anniversary, v));
    if (c.m_nGender == 1 || c.m_nGender == 2) {
        const bool female = c.m_nGender == 1;
        if (v3) {
            CxVCardAppendLine(out, female ? "X-GENDER:Female" : "X-GENDER:Male");
        } else {
            CxVCardAppendLine(out, female ? "GENDER:F" : "GENDER:M");
        }
    }
    TextLine(out, "NOTE", c.Text(FID_NOTE));
    if (!c.m_Categories.empty()) {
        std::string line = "CATEGORIES:";
        for (size_t i = 0; i < c.m_Categories.size(); ++i) {
            if (i) line += ',';
            line += CxVCardEscape(c.m_Categories[i]);
        }
        CxVCardAppendLine(out, line);
    }
    // 4.0 has no CLASS; the 3.0 property under an X- name keeps the flag.
    if (c.m_bPrivate) out += v3 ? "CLASS:PRIVATE\r\n" : "X-CLASS:PRIVATE\r\n";
    for (const CxExportCustom& cu : c.m_Customs) {
        std::string line = "X-PALM-CUSTOM" + std::to_string(cu.m_nIndex);
        if (!cu.m_sLabel.empty()) line += ";LABEL=" + CxVCardParam(cu.m_sLabel);
        CxVCardAppendLine(out, line + ':' + CxVCardEscape(cu.m_sValue));
    }
    for (size_t i = 0; i < g_CxExtraTextCount; ++i) {
        const int32_t id = g_CxExtraTextIds[i];
        TextLine(out, CxVCardExtraName(id).c_str(), c.Text(id));
    }
    out += "END:VCARD\r\n";
}
