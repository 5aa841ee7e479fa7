// A date held as an OLE Automation date and as calendar fields.
#pragma once

#include <string>

#include "common/misc/CxPlatform.h"

class CxDateTime {
public:
    CxDateTime();  // the current local time

    // Converts by the VariantTimeToSystemTime rules (to whole seconds).
    bool SetOleDate(double date);
    double GetOleDate() const { return m_dtOle; }
    const CxSystemTime& GetSystemTime() const { return m_st; }
    bool IsValid() const { return m_bValid; }

    // "%02d/%02d/%04d" month, day, year; empty outside 1931..2030.
    std::string DateText() const;
    // "%02d:%02d:%02d"
    std::string TimeText() const;
    // DateText and TimeText joined with one space.
    std::string DateTimeText() const;

    static constexpr int kFirstTextYear = 1931;
    static constexpr int kLastTextYear = 2030;

private:
    double m_dtOle = 0.0;
    CxSystemTime m_st;
    bool m_bValid = false;
};
