#include "common/export/CxExportContact.h"

#include "common/misc/CxPlatform.h"

const int32_t g_CxExtraTextIds[] = {
    FID_IM1,          FID_IM2,         FID_MANAGER_NAME,  FID_ASSISTANT_NAME, FID_SPOUSE_NAME,
    FID_CHILDREN_NAMES, FID_PROFESSION, FID_HOBBY,        FID_ACCOUNT,        FID_KEYWORD,
    FID_LANGUAGE,     FID_LOCATION,    FID_MHS_COMMON_NAME, FID_CUSTOMER_ID,  FID_GOVERNMENT_ID,
    FID_ORGANIZATION_ID,
};
const size_t g_CxExtraTextCount = sizeof(g_CxExtraTextIds) / sizeof(g_CxExtraTextIds[0]);

CxExportDate CxDateFromComm(double dt) {
    CxExportDate d;
    CxSystemTime st;
    if (!CommHasDate(dt) || !cxplat::VariantTimeToSystemTime(dt, st)) return d;
    d.m_nYear = st.wYear;
    d.m_nMonth = st.wMonth;
    d.m_nDay = st.wDay;
    return d;
}

const std::string& CxExportContact::Text(int32_t id) const {
    static const std::string kEmpty;
    return id > 0 && static_cast<size_t>(id) <= COMM_FIELD_COUNT ? m_sText[id] : kEmpty;
}

std::string CxExportContact::FormattedName() const {
    if (!Text(FID_DISPLAY_NAME).empty()) return Text(FID_DISPLAY_NAME);
    std::string name;
    for (int32_t id : {FID_FIRST_NAME, FID_MIDDLE_NAME, FID_LAST_NAME}) {
        if (Text(id).empty()) continue;
        if (!name.empty()) name += ' ';
        name += Text(id);
    }
    if (!name.empty()) return name;
    if (!Text(FID_COMPANY).empty()) return Text(FID_COMPANY);
    return m_Emails.empty() ? std::string() : m_Emails.front();
}

bool CxExportContact::IsEmpty() const {
    for (const std::string& t : m_sText)
        if (!t.empty()) return false;
    return m_Phones.empty() && m_Emails.empty() && m_Customs.empty() && m_Categories.empty() &&
           !m_Birthday.IsSet() && !m_Anniversary.IsSet();
}
