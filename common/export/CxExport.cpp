#include "common/export/CxExport.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/export/CxCsv.h"
#include "common/export/CxVCard.h"
#include "common/misc/CxPlatform.h"

namespace {

bool SameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (tolower(static_cast<unsigned char>(a[i])) != tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

bool IsListId(int32_t id) {
    return (id >= FID_HOME_PHONE && id <= FID_EMAIL3) || (id >= FID_CUSTOM1 && id <= FID_CUSTOM9) ||
           (id >= FID_CUSTOM_LABEL1 && id <= FID_CUSTOM_LABEL9) || id == FID_ASSISTANT_PHONE ||
           id == FID_CATEGORY || id == FID_ID;
}

struct PhoneField {
    int32_t m_nId;
    CxTelKind m_nKind;
};
const PhoneField kPhoneFields[] = {
    {FID_WORK_PHONE, CxTelKind::Work},        {FID_WORK_PHONE2, CxTelKind::Work},
    {FID_HOME_PHONE, CxTelKind::Home},        {FID_HOME_PHONE2, CxTelKind::Home},
    {FID_MOBILE_PHONE, CxTelKind::Mobile},    {FID_PRIMARY_PHONE, CxTelKind::Main},
    {FID_OTHER_PHONE, CxTelKind::Other},      {FID_WORK_FAX, CxTelKind::WorkFax},
    {FID_HOME_FAX, CxTelKind::HomeFax},       {FID_PAGER, CxTelKind::Pager},
    {FID_CAR_PHONE, CxTelKind::Car},          {FID_CALLBACK_PHONE, CxTelKind::Callback},
    {FID_RADIO_PHONE, CxTelKind::Radio},      {FID_ASSISTANT_PHONE, CxTelKind::Assistant},
};

std::string SlotText(const CommAddr& rec, int32_t id, unsigned codePage) {
    size_t size = 0;
    const char* text = GetTextSlot(rec, id, &size);
    return text ? CxTextToUtf8(text, size, codePage) : std::string();
}

}  // namespace

bool CxParseExportFormat(const char* name, CxExportFormat& out) {
    if (!name) return false;
    const std::string n = name;
    if (SameNoCase(n, "vcard4")) {
        out = CxExportFormat::VCard4;
    } else if (SameNoCase(n, "vcard3")) {
        out = CxExportFormat::VCard3;
    } else if (SameNoCase(n, "csv")) {
        out = CxExportFormat::Csv;
    } else {
        return false;
    }
    return true;
}

const char* CxExportExtension(CxExportFormat format) {
    return format == CxExportFormat::Csv ? ".csv" : ".vcf";
}

std::string CxExportStats::Summary() const {
    std::string s = "Wrote " + std::to_string(m_nWritten) +
                    (m_nWritten == 1 ? " contact" : " contacts") + ", skipped " +
                    std::to_string(Skipped());
    std::string why;
    auto reason = [&why](size_t n, const char* text) {
        if (!n) return;
        why += why.empty() ? " (" : ", ";
        why += std::to_string(n) + ' ' + text;
    };
    reason(m_nSkippedEmpty, "empty");
    reason(m_nSkippedUnreadable, "not read whole");
    reason(m_nSkippedCategory, "outside the category");
    reason(m_nSkippedUnticked, "not ticked");
    if (!why.empty()) why += ')';
    return s + why + '.';
}

std::string CxTextToUtf8(const char* text, size_t width, unsigned codePage) {
    if (!text) return std::string();
    const size_t len = strnlen(text, width);
    std::string out;
    if (!cxplat::CodePageToUtf8(codePage, text, len, out)) out.assign(text, len);
    return out;
}

void CxContactFromComm(const CommAddr& rec, unsigned codePage, bool palm, CxExportContact& out) {
    out = CxExportContact();
    for (int32_t id = 1; id <= static_cast<int32_t>(COMM_FIELD_COUNT); ++id) {
        if (IsListId(id)) continue;
        size_t size = 0;
        const char* text = GetTextSlot(rec, id, &size);
        if (text) out.m_sText[id] = CxTextToUtf8(text, size, codePage);
    }
    for (const PhoneField& p : kPhoneFields) {
        std::string v = SlotText(rec, p.m_nId, codePage);
        if (!v.empty()) out.m_Phones.push_back({p.m_nKind, std::move(v)});
    }
    for (int32_t id = FID_EMAIL; id <= FID_EMAIL3; ++id) {
        std::string v = SlotText(rec, id, codePage);
        if (!v.empty()) out.m_Emails.push_back(std::move(v));
    }
    for (size_t i = 0; i < COMM_CUSTOM_VALUES; ++i) {
        std::string v = CxTextToUtf8(rec.m_szCustom[i], sizeof rec.m_szCustom[i], codePage);
        if (v.empty()) continue;
        std::string label;
        if (i < COMM_CUSTOM_LABELS)
            label = CxTextToUtf8(rec.m_szCustomLabel[i], sizeof rec.m_szCustomLabel[i], codePage);
        out.m_Customs.push_back({static_cast<int>(i + 1), std::move(label), std::move(v)});
    }
    const std::string category = CxTextToUtf8(rec.m_szCategory, sizeof rec.m_szCategory, codePage);
    if (palm) {
        const std::string c = Trim(category);
        if (!c.empty() && !SameNoCase(c, "Unfiled")) out.m_Categories.push_back(c);
    } else {
        size_t start = 0;
        while (start <= category.size()) {
            size_t end = category.find_first_of(",;", start);
            if (end == std::string::npos) end = category.size();
            std::string c = Trim(category.substr(start, end - start));
            if (!c.empty()) out.m_Categories.push_back(std::move(c));
            start = end + 1;
        }
    }
    out.m_Birthday = CxDateFromComm(rec.m_dtBirthday);
    out.m_Anniversary = CxDateFromComm(rec.m_dtAnniversary);
    out.m_nGender = rec.m_nGender;
    out.m_bPrivate = rec.m_nPrivate != 0;
}

bool CxInCategory(const CxExportContact& contact, const std::string& category) {
    if (SameNoCase(category, "Unfiled")) return contact.m_Categories.empty();
    for (const std::string& c : contact.m_Categories)
        if (SameNoCase(c, category)) return true;
    return false;
}

CxExportWriter::CxExportWriter(CxExportFormat format) : m_nFormat(format) {
    if (format == CxExportFormat::Csv) CxCsvAppendHeader(m_sOut);
}

bool CxExportWriter::Add(const CxExportContact& contact, const CxExportOptions& options,
                         CxExportStats& stats) {
    if (!options.m_sCategory.empty() && !CxInCategory(contact, options.m_sCategory)) {
        ++stats.m_nSkippedCategory;
        return false;
    }
    if (contact.IsEmpty()) {
        ++stats.m_nSkippedEmpty;
        return false;
    }
    switch (m_nFormat) {
    case CxExportFormat::VCard4: CxWriteVCard(contact, CxVCardVersion::V4, m_sOut); break;
    case CxExportFormat::VCard3: CxWriteVCard(contact, CxVCardVersion::V3, m_sOut); break;
    case CxExportFormat::Csv: CxCsvAppendRow(contact, m_sOut); break;
    }
    ++stats.m_nWritten;
    return true;
}

void CxExportStore(const CommAddrMgr& store, const CxExportOptions& options, CxExportWriter& writer,
                   CxExportStats& stats) {
    const unsigned codePage = cxplat::AnsiCodePage();
    CxExportContact contact;
    for (uint32_t i = 0; i < store.GetCount(); ++i) {
        if (!options.m_Rows.empty() && (i >= options.m_Rows.size() || !options.m_Rows[i])) {
            ++stats.m_nSkippedUnticked;
            continue;
        }
        const CommAddr* rec = store.GetAt(i);
        if (!rec) continue;
        if (rec->m_nFlags & ADDR_FLAG_UNREADABLE) {
            ++stats.m_nSkippedUnreadable;
            continue;
        }
        CxContactFromComm(*rec, codePage, false, contact);
        writer.Add(contact, options, stats);
    }
}

bool CxWriteFileReplace(const char* path, const std::string& data, std::string& reason) {
    if (!path || !*path) {
        reason = "no output file named";
        return false;
    }
    const std::string temp = std::string(path) + ".vtexport-tmp";
    FILE* f = fopen(temp.c_str(), "wb");
    if (!f) {
        reason = "cannot create " + temp + ": " + strerror(errno);
        return false;
    }
    bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = cxplat::FlushToDisk(f) && ok;
    ok = fclose(f) == 0 && ok;
    if (!ok) {
        reason = "cannot write " + temp;
    } else if (!cxplat::MoveFileReplace(temp.c_str(), path)) {
        reason = std::string("cannot replace ") + path;
        ok = false;
    }
    if (!ok) cxplat::RemoveFile(temp.c_str());
    return ok;
}
