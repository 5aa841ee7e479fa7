#include "common/backup/BackupRunName.h"

#include <cmath>
#include <cstdio>

namespace {
constexpr double kMsPerDay = 86400000.0;
}

std::string BackupRunName(const CxSystemTime& t, int32_t sequence) {
    char buf[64];
    snprintf(buf, sizeof(buf), "%04u-%02u-%02u_%02u-%02u-%02u.%03u_%d", t.wYear, t.wMonth, t.wDay,
             t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, static_cast<int>(sequence));
    return buf;
}

bool ParseBackupRunName(const std::string& name, CxSystemTime& start, int32_t& sequence) {
    unsigned y, mo, d, h, mi, s, ms;
    int seq = 0, used = 0;
    if (sscanf(name.c_str(), "%4u-%2u-%2u_%2u-%2u-%2u.%3u_%9d%n", &y, &mo, &d, &h, &mi, &s, &ms,
               &seq, &used) != 8 ||
        static_cast<size_t>(used) != name.size() || seq < 1)
        return false;
    CxSystemTime t;
    t.wYear = static_cast<uint16_t>(y);
    t.wMonth = static_cast<uint16_t>(mo);
    t.wDay = static_cast<uint16_t>(d);
    t.wHour = static_cast<uint16_t>(h);
    t.wMinute = static_cast<uint16_t>(mi);
    t.wSecond = static_cast<uint16_t>(s);
    t.wMilliseconds = static_cast<uint16_t>(ms);
    double check = 0;
    // The exact spelling only (no "+1", no missing zeros) and a real date.
    if (BackupRunName(t, seq) != name || !BackupRunOleDate(t, check)) return false;
    CxSystemTime full;
    if (!BackupRunTimeFromOle(check, full) || full.wDay != t.wDay) return false;
    start = full;
    start.wMilliseconds = t.wMilliseconds;
    sequence = seq;
    return true;
}

bool BackupRunOleDate(const CxSystemTime& start, double& ole) {
    if (start.wMilliseconds > 999 || start.wYear < 1900) return false;
    double whole = 0;
    if (!cxplat::SystemTimeToVariantTime(start, whole)) return false;
    ole = whole + start.wMilliseconds / kMsPerDay;
    return true;
}

bool BackupRunTimeFromOle(double ole, CxSystemTime& start) {
    if (!(ole >= 1.0 && ole < 2958466.0)) return false;
    const long long total = std::llround(ole * kMsPerDay);
    const long long days = total / static_cast<long long>(kMsPerDay);
    long long ms = total % static_cast<long long>(kMsPerDay);
    CxSystemTime t;
    if (!cxplat::VariantTimeToSystemTime(static_cast<double>(days), t)) return false;
    t.wHour = static_cast<uint16_t>(ms / 3600000);
    ms %= 3600000;
    t.wMinute = static_cast<uint16_t>(ms / 60000);
    ms %= 60000;
    t.wSecond = static_cast<uint16_t>(ms / 1000);
    t.wMilliseconds = static_cast<uint16_t>(ms % 1000);
    start = t;
    return true;
}

std::string BackupRunTimeText(const CxSystemTime& t) {
    char buf[64];
    snprintf(buf, sizeof(buf), "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay,
             t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return buf;
}
