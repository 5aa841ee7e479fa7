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
template <size_t N>
Whole W(int32_t id, const char (&field)[N]) {
    return Whole{id, field, N};
}
// A classic or 4.1.x field: its whole stored text.
template <typename Record, size_t N>
Whole W(int32_t id, const Record& r, const char (&field)[N]) {
    const PmTextView v = PmWholeOf(r, field);
    return Whole{id, v.text, v.width};
}

void TakeWhole(const Whole* fields, size_t count, unsigned codePage, CxExportContact& out) {
    for (size_t i = 0; i < count; ++i)
        out.m_sText[fields[i].m_nId] = CxTextToUtf8(fields[i].m_pText, fields[i].m_nWidth, codePage);
}

// Phone slots in slot order: e-mail labels give e-mail addresses, the rest
// numbers with the kind of their label (pager included).
// whole and record: the whole stored texts of a classic or 4.1.x record.
template <size_t W>
void TakeSlots(const char (*phones)[W], const int32_t* labels, int count, unsigned codePage,
               CxExportContact& out, const PmWholeTexts* whole = nullptr,
               const void* record = nullptr) {
    for (int i = 0; i < count; ++i) {
        const PmTextView t = whole ? PmWholeOf(*whole, record, phones[i], W) : PmTextView{phones[i], W};
        std::string v = CxTextToUtf8(t.text, t.width, codePage);
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
            W(FID_FIRST_NAME, *a, a->szFirstName), W(FID_LAST_NAME, *a, a->szLastName),
            W(FID_COMPANY, *a, a->szCompany),      W(FID_TITLE, *a, a->szTitle),
            W(FID_WORK_STREET, *a, a->szAddress),  W(FID_WORK_CITY, *a, a->szCity),
            W(FID_WORK_STATE, *a, a->szState),     W(FID_WORK_POSTAL, *a, a->szZipCode),
            W(FID_WORK_COUNTRY, *a, a->szCountry), W(FID_NOTE, *a, a->szNote),
        };
        TakeWhole(f, sizeof f / sizeof f[0], cp, out);
    } else if (const PmAddrExRecord* e = rec.m_pAddrEx.get()) {
        const Whole f[] = {
            W(FID_FIRST_NAME, *e, e->szFirstName), W(FID_LAST_NAME, *e, e->szLastName),
            W(FID_COMPANY, *e, e->szCompany),      W(FID_TITLE, *e, e->szTitle),
            W(FID_NOTE, *e, e->szNote),            W(FID_IM1, *e, e->szIm1),
            W(FID_IM2, *e, e->szIm2),
        };
        TakeWhole(f, sizeof f / sizeof f[0], cp, out);
        for (int k = 0; k < 3; ++k) {
            const PmAddrExAddress& ad = e->addresses[k];
            const int32_t base = FID_WORK_STREET + 5 * k;
            const Whole g[] = {
                W(base, *e, ad.szStreet),      W(base + 1, *e, ad.szCity),
                W(base + 2, *e, ad.szState),   W(base + 3, *e, ad.szZipCode),
                W(base + 4, *e, ad.szCountry),
            };
            TakeWhole(g, sizeof g / sizeof g[0], cp, out);
        }
    } else if (const PmAddrEx2Record* x = rec.m_pAddrEx2.get()) {
        const Whole f[] = {
            W(FID_FIRST_NAME, x->m_szFirstName),   W(FID_LAST_NAME, x->m_szLastName),
            W(FID_MIDDLE_NAME, x->m_szMiddleName), W(FID_PREFIX, x->m_szPrefix),
            W(FID_SUFFIX, x->m_szSuffix),          W(FID_NICK_NAME, x->m_szNickName),
            W(FID_DISPLAY_NAME, x->m_szEnglishName), W(FID_NOTE, x->m_szNote),
            W(FID_COMPANY, x->m_szCompany),        W(FID_TITLE, x->m_szJobTitle),
            W(FID_WORK_STREET, x->m_szWorkStreet), W(FID_WORK_CITY, x->m_szWorkCity),
            W(FID_WORK_STATE, x->m_szWorkState),   W(FID_WORK_POSTAL, x->m_szWorkZip),
            W(FID_WORK_COUNTRY, x->m_szWorkCountry),
            W(FID_HOME_STREET, x->m_szHomeStreet), W(FID_HOME_CITY, x->m_szHomeCity),
            W(FID_HOME_STATE, x->m_szHomeState),   W(FID_HOME_POSTAL, x->m_szHomeZip),
            W(FID_HOME_COUNTRY, x->m_szHomeCountry),
            W(FID_OTHER_STREET, x->m_szOtherStreet),
            W(FID_OTHER_CITY, x->m_szOtherCity),   W(FID_OTHER_STATE, x->m_szOtherState),
            W(FID_OTHER_POSTAL, x->m_szOtherZip),
            W(FID_OTHER_COUNTRY, x->m_szOtherCountry),
            W(FID_IM1, x->m_szChat1),              W(FID_IM2, x->m_szChat2),
            W(FID_ASSISTANT_NAME, x->m_szAssistantName),
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
        TakeSlots(a->szPhone, a->nPhoneKind, 5, cp, out, &a->whole, a);
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
            const PmTextView v = PmWholeOf(*a, a->szCustom[i]);
            TakeCustom(i + 1, v.text, v.width, label, cp, out);
        }
        out.m_bPrivate = a->nPrivate != 0;
    } else if (const PmAddrExRecord* e = rec->m_pAddrEx.get()) {
        TakeSlots(e->szPhone, e->nPhoneKind, 7, cp, out, &e->whole, e);
        for (int i = 0; i < 9; ++i) {
            const PmTextView v = PmWholeOf(*e, e->szCustom[i]);
            TakeCustom(i + 1, v.text, v.width,
                       CxTextToUtf8(info.GetExStore()->GetCustomLabel(i), PM_ADDREX_LABEL_SIZE, cp),
                       cp, out);
        }
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
