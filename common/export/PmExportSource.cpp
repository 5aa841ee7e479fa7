#include "common/export/PmExportSource.h"

#include <string>

#include "common/misc/CxPlatform.h"

namespace {

CxTelKind KindOfLabel(int32_t code) {
    switch (code) {
    case PM_PHONE_WORK: return CxTelKind::Work;
    case PM_PHONE_HOME: return CxTelKind::Home;
    case PM_PHONE_FAX: return CxTelKind::Fax;
    case PM_PHONE_OTHER: return CxTelKind::Other;
    case PM_PHONE_MAIN: return CxTelKind::Main;
    case PM_PHONE_PAGER: return CxTelKind::Pager;
    case PM_PHONE_MOBILE: return CxTelKind::Mobile;
    default: return CxTelKind::Unknown;
    }
}

// One native text field and the catalogue id it stands for.
struct Whole {
    int32_t m_nId;
    const char* m_pText;
    size_t m_nWidth;
};
#define PM_WHOLE(id, field) Whole{id, field, sizeof(field)}

void TakeWhole(const Whole* fields, size_t count, unsigned codePage, CxExportContact& out) {
    for (size_t i = 0; i < count; ++i)
        out.m_sText[fields[i].m_nId] = CxTextToUtf8(fields[i].m_pText, fields[i].m_nWidth, codePage);
}

// Phone slots in slot order: e-mail labels give e-mail addresses, the rest
// numbers with the kind of their label (pager included).
template <size_t W>
void TakeSlots(const char (*phones)[W], const int32_t* labels, int count, unsigned codePage,
               CxExportContact& out) {
    for (int i = 0; i < count; ++i) {
        std::string v = CxTextToUtf8(phones[i], sizeof phones[i], codePage);
        if (v.empty()) continue;
        if (labels[i] == PM_PHONE_EMAIL) {
            out.m_Emails.push_back(std::move(v));
        } else {
            out.m_Phones.push_back({KindOfLabel(labels[i]), std::move(v)});
        }
    }
}

void TakeCustom(int index, const char* text, size_t width, const std::string& label,
                unsigned codePage, CxExportContact& out) {
    std::string v = CxTextToUtf8(text, width, codePage);
    if (!v.empty()) out.m_Customs.push_back({index, label, std::move(v)});
}

}  // namespace

unsigned PmExportCodePage(const PmAddrInfo& info, unsigned option) {
    return info.GetLoadedGeneration() == PM_GEN_6X ? cxplat::AnsiCodePage() : option;
}

void PmExportWholeTexts(const PmAddrInfoRecord& rec, unsigned cp, CxExportContact& out) {
    if (const PmAddrRecord* a = rec.m_pAddr.get()) {
        const Whole f[] = {
            PM_WHOLE(FID_FIRST_NAME, a->szFirstName), PM_WHOLE(FID_LAST_NAME, a->szLastName),
            PM_WHOLE(FID_COMPANY, a->szCompany),      PM_WHOLE(FID_TITLE, a->szTitle),
            PM_WHOLE(FID_WORK_STREET, a->szAddress),  PM_WHOLE(FID_WORK_CITY, a->szCity),
            PM_WHOLE(FID_WORK_STATE, a->szState),     PM_WHOLE(FID_WORK_POSTAL, a->szZipCode),
            PM_WHOLE(FID_WORK_COUNTRY, a->szCountry), PM_WHOLE(FID_NOTE, a->szNote),
        };
        TakeWhole(f, sizeof f / sizeof f[0], cp, out);
    } else if (const PmAddrExRecord* e = rec.m_pAddrEx.get()) {
        const Whole f[] = {
            PM_WHOLE(FID_FIRST_NAME, e->szFirstName), PM_WHOLE(FID_LAST_NAME, e->szLastName),
            PM_WHOLE(FID_COMPANY, e->szCompany),      PM_WHOLE(FID_TITLE, e->szTitle),
            PM_WHOLE(FID_NOTE, e->szNote),            PM_WHOLE(FID_IM1, e->szIm1),
            PM_WHOLE(FID_IM2, e->szIm2),
        };
        TakeWhole(f, sizeof f / sizeof f[0], cp, out);
        for (int k = 0; k < 3; ++k) {
            const PmAddrExAddress& ad = e->addresses[k];
            const int32_t base = FID_WORK_STREET + 5 * k;
            const Whole g[] = {
                PM_WHOLE(base, ad.szStreet),      PM_WHOLE(base + 1, ad.szCity),
                PM_WHOLE(base + 2, ad.szState),   PM_WHOLE(base + 3, ad.szZipCode),
                PM_WHOLE(base + 4, ad.szCountry),
            };
            TakeWhole(g, sizeof g / sizeof g[0], cp, out);
        }
    } else if (const PmAddrEx2Record* x = rec.m_pAddrEx2.get()) {
        const Whole f[] = {
            PM_WHOLE(FID_FIRST_NAME, x->m_szFirstName),   PM_WHOLE(FID_LAST_NAME, x->m_szLastName),
            PM_WHOLE(FID_MIDDLE_NAME, x->m_szMiddleName), PM_WHOLE(FID_PREFIX, x->m_szPrefix),
            PM_WHOLE(FID_SUFFIX, x->m_szSuffix),          PM_WHOLE(FID_NICK_NAME, x->m_szNickName),
            PM_WHOLE(FID_DISPLAY_NAME, x->m_szEnglishName), PM_WHOLE(FID_NOTE, x->m_szNote),
            PM_WHOLE(FID_COMPANY, x->m_szCompany),        PM_WHOLE(FID_TITLE, x->m_szJobTitle),
            PM_WHOLE(FID_WORK_STREET, x->m_szWorkStreet), PM_WHOLE(FID_WORK_CITY, x->m_szWorkCity),
            PM_WHOLE(FID_WORK_STATE, x->m_szWorkState),   PM_WHOLE(FID_WORK_POSTAL, x->m_szWorkZip),
            PM_WHOLE(FID_WORK_COUNTRY, x->m_szWorkCountry),
            PM_WHOLE(FID_HOME_STREET, x->m_szHomeStreet), PM_WHOLE(FID_HOME_CITY, x->m_szHomeCity),
            PM_WHOLE(FID_HOME_STATE, x->m_szHomeState),   PM_WHOLE(FID_HOME_POSTAL, x->m_szHomeZip),
            PM_WHOLE(FID_HOME_COUNTRY, x->m_szHomeCountry),
            PM_WHOLE(FID_OTHER_STREET, x->m_szOtherStreet),
            PM_WHOLE(FID_OTHER_CITY, x->m_szOtherCity),   PM_WHOLE(FID_OTHER_STATE, x->m_szOtherState),
            PM_WHOLE(FID_OTHER_POSTAL, x->m_szOtherZip),
            PM_WHOLE(FID_OTHER_COUNTRY, x->m_szOtherCountry),
            PM_WHOLE(FID_IM1, x->m_szChat1),              PM_WHOLE(FID_IM2, x->m_szChat2),
            PM_WHOLE(FID_ASSISTANT_NAME, x->m_szAssistantName),
        };
        TakeWhole(f, sizeof f / sizeof f[0], cp, out);
    }
}

bool PmExportContact(PmAddrInfo& info, size_t index, unsigned cp, CxExportContact& out) {
    const PmAddrInfoRecord* rec = info.GetRecordAt(index);
    const CommAddr* common = info.GetStore()->GetAt(static_cast<uint32_t>(index));
    if (!rec || !common) return false;
    CxContactFromComm(*common, cp, true, out);
    PmExportWholeTexts(*rec, cp, out);

    // Phones, e-mail and custom values come from the native slots, which
    // keep kinds, repeats and labels the common record cannot.
    std::vector<CxExportPhone> assistant;
    for (CxExportPhone& p : out.m_Phones)
        if (p.m_nKind == CxTelKind::Assistant) assistant.push_back(std::move(p));
    out.m_Phones = std::move(assistant);
    out.m_Emails.clear();
    out.m_Customs.clear();

    if (const PmAddrRecord* a = rec->m_pAddr.get()) {
        TakeSlots(a->szPhone, a->nPhoneKind, 5, cp, out);
        // The classic file keeps its four labels as lines of one text.
        const std::string labels = CxTextToUtf8(info.GetClassicStore()->GetCustomLabels(),
                                                PM_ADDR_LABEL_SIZE, cp);
        size_t start = 0;
        for (int i = 0; i < 4; ++i) {
            std::string label;
            if (start < labels.size()) {
                size_t nl = labels.find('\n', start);
                if (nl == std::string::npos) nl = labels.size();
                label = labels.substr(start, nl - start);
                if (!label.empty() && label.back() == '\r') label.pop_back();
                start = nl + 1;
            }
            TakeCustom(i + 1, a->szCustom[i], sizeof a->szCustom[i], label, cp, out);
        }
        out.m_bPrivate = a->nPrivate != 0;
    } else if (const PmAddrExRecord* e = rec->m_pAddrEx.get()) {
        TakeSlots(e->szPhone, e->nPhoneKind, 7, cp, out);
        for (int i = 0; i < 9; ++i)
            TakeCustom(i + 1, e->szCustom[i], sizeof e->szCustom[i],
                       CxTextToUtf8(info.GetExStore()->GetCustomLabel(i), PM_ADDREX_LABEL_SIZE, cp),
                       cp, out);
        out.m_bPrivate = e->nPrivate != 0;
    } else if (const PmAddrEx2Record* x = rec->m_pAddrEx2.get()) {
        TakeSlots(x->m_szPhone, x->m_nPhoneLabel, PM_ADDREX2_PHONES, cp, out);
        for (int i = 0; i < 14; ++i)
            TakeCustom(i + 1, x->m_szCustom[i], sizeof x->m_szCustom[i], std::string(), cp, out);
        out.m_sText[FID_PROFESSION] = CxTextToUtf8(x->m_szProfession, sizeof x->m_szProfession, cp);
        out.m_sText[FID_WORK_HOME_PAGE] = CxTextToUtf8(x->m_szWebsite, sizeof x->m_szWebsite, cp);
        out.m_bPrivate = x->m_bPrivate != 0;
    }
    return true;
}

void PmExportAll(PmAddrInfo& info, const CxExportOptions& options, CxExportWriter& writer,
                 CxExportStats& stats) {
    const unsigned cp = PmExportCodePage(info, options.m_nCodePage);
    CxExportContact contact;
    for (size_t i = 0; i < info.GetRecordCount(); ++i) {
        if (!options.m_Rows.empty() && (i >= options.m_Rows.size() || !options.m_Rows[i])) {
            ++stats.m_nSkippedUnticked;
            continue;
        }
        if (PmExportContact(info, i, cp, contact)) writer.Add(contact, options, stats);
    }
}
