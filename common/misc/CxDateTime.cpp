#include "common/misc/CxDateTime.h"

#include <cstdio>

CxDateTime::CxDateTime() {
    cxplat::GetLocalTime(m_st);
    m_bValid = cxplat::SystemTimeToVariantTime(m_st, m_dtOle);
}

bool CxDateTime::SetOleDate(double date) {
    m_dtOle = date;
    m_st = CxSystemTime{};
    m_bValid = cxplat::VariantTimeToSystemTime(date, m_st);
    return m_bValid;
}

std::string CxDateTime::DateText() const {
    if (m_st.wYear < kFirstTextYear || m_st.wYear > kLastTextYear) return std::string();
    char buf[32];
    snprintf(buf, sizeof(buf), "%02d/%02d/%04d", m_st.wMonth, m_st.wDay, m_st.wYear);
    return buf;
}

std::string CxDateTime::TimeText() const {
    char buf[32];
    snprintf(buf, sizeof(buf), "%02d:%02d:%02d", m_st.wHour, m_st.wMinute, m_st.wSecond);
    return buf;
}

std::string CxDateTime::DateTimeText() const { return DateText() + " " + TimeText(); }
