// The conversions between the native records of the three storage
// generations and the common contact record, in both directions.
#include "common/palm/PalmAddrInfo.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxText.h"
#include "common/palm/PalmDesktop.h"


namespace {

// A Palm text field receives a common value only when that value is not
// empty. srcWidth is the common field's size: a value that fills it and is
// the start of a longer Palm value is the cut the load made, so the Palm value
// stays whole. A classic or 4.1.x field (texts set) keeps a value too long
// for it whole beside it, so the file gets the whole value; elsewhere a value
// too long is cut, and the cut is logged so a user who enables the log can
// see what did not fit.
void PutText(char* dst, size_t width, const char* src, size_t srcWidth, const char* field,
             PmWholeTexts* texts = nullptr, const void* record = nullptr) {
    if (!src || !src[0] || width == 0) return;
    const size_t len = strnlen(src, srcWidth);
    const PmTextView now = texts ? PmWholeOf(*texts, record, dst, width) : PmTextView{dst, width};
    const size_t nowLen = strnlen(now.text, now.width);
    if (len + 1 == srcWidth && nowLen > len && memcmp(now.text, src, len) == 0) {
        CX_LOG(2, "Palm Desktop field %s kept whole; the common value is its cut: %s", field, src);
        return;
    }
    if (texts) {
        if (nowLen == len && memcmp(now.text, src, len) == 0) return;
        CxCopyText(dst, width, src);
        const size_t offset = PmFieldOffset(record, dst);
        if (len >= width) {
            texts->Set(offset, std::string(src, len));
            CX_LOG(2, "Text longer than Palm Desktop field %s (%d characters) is written whole: %s",
                   field, static_cast<int>(width - 1), src);
        } else {
            texts->Erase(offset);
        }
        return;
    }
    CxCopyText(dst, width, src);
    if (len >= width)
        CX_LOG(2, "Text cut to fit Palm Desktop field %s (%d characters): %s", field,
               static_cast<int>(width - 1), src);
}

template <size_t N, size_t M>
void PutText(char (&dst)[N], const char (&src)[M], const char* field) {
    PutText(dst, N, src, M, field);
}

// Into a field of a classic or 4.1.x record, which keeps whole texts.
template <typename Record, size_t N, size_t M>
void PutText(Record& r, char (&dst)[N], const char (&src)[M], const char* field) {
    PutText(dst, N, src, M, field, &r.whole, &r);
}

// Outlook carries no private flag: a record from there leaves Palm's as it is.
void PutPrivate(int32_t& dst, const CommAddr& rec, const char* first, const char* last) {
    if (rec.m_nSourceType != SOURCE_OUTLOOK) {
        dst = rec.m_nPrivate;
        return;
    }
    if (dst != rec.m_nPrivate)
        CX_LOG(2, "Palm Desktop private flag kept for a contact from Outlook: %s %s", first, last);
}

// Common text of a catalogue field ("" for an id without text).
const char* Common(const CommAddr& rec, int32_t id) {
    size_t size = 0;
    const char* text = GetTextSlot(rec, id, &size);
    return text ? text : "";
}

// A Palm text into a common field, cut to the common width. The Palm field
// may be full to its last byte.
void Take(CommAddr& rec, int32_t id, const char* src, size_t width) {
    if (!src || !src[0]) return;
    char buf[8192];
    const size_t n = strnlen(src, width < sizeof buf ? width : sizeof buf - 1);
    memcpy(buf, src, n);
    buf[n] = '\0';
    SetFieldText(rec, id, buf);
}

template <size_t N>
void Take(CommAddr& rec, int32_t id, const char (&src)[N]) {
    Take(rec, id, src, N);
}

// The whole stored text of a classic or 4.1.x field.
template <typename Record, size_t N>
void Take(CommAddr& rec, int32_t id, const Record& r, const char (&src)[N]) {
    const PmTextView v = PmWholeOf(r, src);
    Take(rec, id, v.text, v.width);
}

// The common field of a phone label code, Palm to common; 0 for none.
int32_t PhoneFieldToCommon(int32_t code) {
    switch (code) {
    case PM_PHONE_WORK: return FID_WORK_PHONE;
    case PM_PHONE_HOME: return FID_HOME_PHONE;
    case PM_PHONE_FAX: return FID_WORK_FAX;
    case PM_PHONE_OTHER: return FID_OTHER_PHONE;
    case PM_PHONE_EMAIL: return FID_EMAIL;
    case PM_PHONE_MAIN: return FID_PRIMARY_PHONE;
    case PM_PHONE_MOBILE: return FID_MOBILE_PHONE;
    default: return 0;
    }
}

// The phone slots of a native record.
struct PhoneSlots {
    int count = 0;
    char* text[7] = {};
    size_t width = 0;
    int32_t* label[7] = {};
    PmWholeTexts* whole = nullptr;  // classic and 4.1.x
    const void* record = nullptr;
};

// Classic and 4.1.x records keep their phones alike, whole texts beside.
template <typename Record>
void FileSlots(Record& rec, PhoneSlots& s) {
    constexpr int kCount = static_cast<int>(sizeof rec.szPhone / sizeof rec.szPhone[0]);
    static_assert(kCount <= 7, "PhoneSlots holds seven slots");
    s.count = kCount;
    s.width = sizeof rec.szPhone[0];
    for (int i = 0; i < kCount; ++i) {
        s.text[i] = rec.szPhone[i];
        s.label[i] = &rec.nPhoneKind[i];
    }
    s.whole = &rec.whole;
    s.record = &rec;
}

PhoneSlots SlotsOf(PmAddrInfoRecord& r) {
    PhoneSlots s;
    if (r.m_pAddr) {
        FileSlots(*r.m_pAddr, s);
    } else if (r.m_pAddrEx) {
        FileSlots(*r.m_pAddrEx, s);
    } else if (r.m_pAddrEx2) {
        s.count = PM_ADDREX2_PHONES;
        s.width = sizeof r.m_pAddrEx2->m_szPhone[0];
        for (int i = 0; i < PM_ADDREX2_PHONES; ++i) {
            s.text[i] = r.m_pAddrEx2->m_szPhone[i];
            s.label[i] = &r.m_pAddrEx2->m_nPhoneLabel[i];
        }
    }
    return s;
}

void PhonesToCommon(PmAddrInfoRecord& r, CommAddr& out) {
    PhoneSlots s = SlotsOf(r);
    for (int i = 0; i < s.count; ++i) {
        if (!s.text[i][0]) continue;
        const int32_t id = PhoneFieldToCommon(*s.label[i]);
        const PmTextView v =
            s.whole ? PmWholeOf(*s.whole, s.record, s.text[i], s.width) : PmTextView{s.text[i], s.width};
        if (id) Take(out, id, v.text, v.width);
    }
}

// Text up to its first comma (the first of several categories).
void FirstCategory(const char* text, char* out, size_t size) {
    CxCopyText(out, size, text);
    if (char* comma = strchr(out, ',')) *comma = '\0';
}

double PalmDayToDate(uint32_t day) {
    return static_cast<double>(day) - static_cast<double>(PM_DATE_OFFSET);
}

// A common date as a Palm day: truncated toward zero, plus the offset,
// wrapping at 32 bits. A value no integer can hold gives the offset alone.
int32_t DateToPalmDay(double date) {
    int64_t whole = 0;
    if (std::isfinite(date) && date > -9.0e18 && date < 9.0e18) whole = static_cast<int64_t>(date);
    const uint32_t day =
        static_cast<uint32_t>(static_cast<uint64_t>(whole) + static_cast<uint64_t>(PM_DATE_OFFSET));
    int32_t out;
    memcpy(&out, &day, sizeof out);
    return out;
}

double ReadStoredDouble(const uint8_t (&bytes)[8]) {
    double d;
    memcpy(&d, bytes, sizeof d);
    return d;
}

void WriteStoredDouble(uint8_t (&bytes)[8], double d) { memcpy(bytes, &d, sizeof d); }

}  // namespace

void PmAddrInfo::RecordToContact(const PmAddrInfoRecord& in, CommAddr& out) {
    PmAddrInfoRecord& r = const_cast<PmAddrInfoRecord&>(in);  // slot walk only reads
    if (const PmAddrRecord* a = r.m_pAddr.get()) {
        Take(out, FID_FIRST_NAME, *a, a->szFirstName);
        Take(out, FID_LAST_NAME, *a, a->szLastName);
        Take(out, FID_COMPANY, *a, a->szCompany);
        Take(out, FID_TITLE, *a, a->szTitle);
        Take(out, FID_WORK_STREET, *a, a->szAddress);
        Take(out, FID_WORK_CITY, *a, a->szCity);
        Take(out, FID_WORK_STATE, *a, a->szState);
        Take(out, FID_WORK_POSTAL, *a, a->szZipCode);
        Take(out, FID_WORK_COUNTRY, *a, a->szCountry);
        Take(out, FID_NOTE, *a, a->szNote);
        for (int i = 0; i < 4; ++i) Take(out, FID_CUSTOM1 + i, *a, a->szCustom[i]);
        PhonesToCommon(r, out);
        Take(out, FID_CATEGORY, a->szCategory);
    } else if (const PmAddrExRecord* e = r.m_pAddrEx.get()) {
        Take(out, FID_FIRST_NAME, *e, e->szFirstName);
        Take(out, FID_LAST_NAME, *e, e->szLastName);
        Take(out, FID_COMPANY, *e, e->szCompany);
        Take(out, FID_TITLE, *e, e->szTitle);
        for (int k = 0; k < 3; ++k) {
            const PmAddrExAddress& ad = e->addresses[k];
            const int32_t base = FID_WORK_STREET + 5 * k;
            Take(out, base, *e, ad.szStreet);
            Take(out, base + 1, *e, ad.szCity);
            Take(out, base + 2, *e, ad.szState);
            Take(out, base + 3, *e, ad.szZipCode);
            Take(out, base + 4, *e, ad.szCountry);
        }
        Take(out, FID_NOTE, *e, e->szNote);
        for (int i = 0; i < 9; ++i) Take(out, FID_CUSTOM1 + i, *e, e->szCustom[i]);
        PhonesToCommon(r, out);
        Take(out, FID_CATEGORY, e->szCategory);
        // A stored 0.0 is no date.
        const double stored = ReadStoredDouble(e->birthday);
        out.m_dtBirthday = stored == 0.0 ? 0.0 : stored - static_cast<double>(PM_DATE_OFFSET);
    } else if (const PmAddrEx2Record* x = r.m_pAddrEx2.get()) {
        Take(out, FID_FIRST_NAME, x->m_szFirstName);
        Take(out, FID_LAST_NAME, x->m_szLastName);
        Take(out, FID_MIDDLE_NAME, x->m_szMiddleName);
        Take(out, FID_PREFIX, x->m_szPrefix);
        Take(out, FID_SUFFIX, x->m_szSuffix);
        Take(out, FID_NICK_NAME, x->m_szNickName);
        Take(out, FID_DISPLAY_NAME, x->m_szEnglishName);
        Take(out, FID_NOTE, x->m_szNote);
        Take(out, FID_COMPANY, x->m_szCompany);
        Take(out, FID_TITLE, x->m_szJobTitle);
        const char* const streets[3][5] = {
            {x->m_szWorkStreet, x->m_szWorkCity, x->m_szWorkState, x->m_szWorkZip,
             x->m_szWorkCountry},
            {x->m_szHomeStreet, x->m_szHomeCity, x->m_szHomeState, x->m_szHomeZip,
             x->m_szHomeCountry},
            {x->m_szOtherStreet, x->m_szOtherCity, x->m_szOtherState, x->m_szOtherZip,
             x->m_szOtherCountry}};
        const size_t widths[5] = {sizeof x->m_szWorkStreet, sizeof x->m_szWorkCity,
                                  sizeof x->m_szWorkState, sizeof x->m_szWorkZip,
                                  sizeof x->m_szWorkCountry};
        for (int k = 0; k < 3; ++k)
            for (int f = 0; f < 5; ++f) Take(out, FID_WORK_STREET + 5 * k + f, streets[k][f], widths[f]);
        Take(out, FID_IM1, x->m_szChat1);
        Take(out, FID_IM2, x->m_szChat2);
        Take(out, FID_ASSISTANT_NAME, x->m_szAssistantName);
        Take(out, FID_ASSISTANT_PHONE, x->m_szAssistantPhone);
        Take(out, FID_CATEGORY, x->m_szCategory);
        for (int i = 0; i < 9; ++i) Take(out, FID_CUSTOM1 + i, x->m_szCustom[i]);
        {
            const size_t n = strnlen(x->m_szCustom[9], sizeof x->m_szCustom[9]);
            char buf[sizeof x->m_szCustom[9] + 1];
            memcpy(buf, x->m_szCustom[9], n);
            buf[n] = '\0';
            CxCopyText(out.m_szCustom[9], buf);
        }
        PhonesToCommon(r, out);
        // A stored 0 (or NULL, read as 0) is no date.
        out.m_dtBirthday = x->m_nBirthday ? PalmDayToDate(static_cast<uint32_t>(x->m_nBirthday)) : 0.0;
        out.m_dtAnniversary =
            x->m_nAnniversary ? PalmDayToDate(static_cast<uint32_t>(x->m_nAnniversary)) : 0.0;
    }
}

void PmAddrInfo::PlacePhone(const CommAddr& rec, int32_t code, PmAddrInfoRecord& out) {
    PhoneSlots s = SlotsOf(out);
    // A code that is not converted, or no number, changes nothing, not even
    // a free slot's label.
    if (s.count == 0 || code < 0 || code > 7 || code == PM_PHONE_PAGER) return;
    int32_t id = PhoneFieldToCommon(code);
    if (code == PM_PHONE_FAX && !Common(rec, FID_WORK_FAX)[0]) id = FID_HOME_FAX;
    const char* phone = Common(rec, id);
    if (!phone[0]) return;
    size_t phoneWidth = 0;
    GetTextSlot(rec, id, &phoneWidth);
    CommFieldInfo info{};
    GetFieldInfo(id, &info);
    auto place = [&](int slot) {
        PutText(s.text[slot], s.width, phone, phoneWidth, info.m_szName, s.whole, s.record);
    };
    // Of the slots with the code that hold text, the last: the one the load
    // took the common phone from, so an earlier one keeps its number.
    // Without such a slot, the first with the code.
    int labelled = -1;
    int filled = -1;
    for (int i = 0; i < s.count; ++i)
        if (*s.label[i] == code) {
            if (labelled < 0) labelled = i;
            if (s.text[i][0]) filled = i;
        }
    if (filled >= 0) labelled = filled;
    if (labelled >= 0) {
        place(labelled);
        return;
    }
    for (int i = 0; i < s.count; ++i)
        if (!s.text[i][0]) {
            *s.label[i] = code;
            place(i);
            return;
        }
    CX_LOG(2, "No free Palm Desktop phone slot for %s; phone dropped: %s", info.m_szName, phone);
}

bool PmAddrInfo::GetNativeCategoryId(PmAddrInfoRecord& out, const char* text, int32_t& id) {
    int32_t found = id;
    bool ok = false;
    if (out.m_pAddr) ok = m_pClassic->GetCategoryId(text, found, true);
    else if (out.m_pAddrEx) ok = m_pEx->GetCategoryId(text, found, true);
    else if (out.m_pAddrEx2) ok = m_pEx2->GetCategoryId(text, found, true);
    else return false;
    // A failed lookup leaves the record in its category (Unfiled, 0, when
    // new) rather than in one no list holds.
    if (ok) {
        id = found;
        return true;
    }
    CX_LOG(2, "Palm Desktop category could not be found or created: %s; the record keeps category ID %d",
           text, static_cast<int>(id));
    return false;
}

void PmAddrInfo::ContactToRecord(const CommAddr& rec, PmAddrInfoRecord& out) {
    for (int32_t code = 0; code <= 7; ++code) PlacePhone(rec, code, out);
    char category[sizeof rec.m_szCategory];
    FirstCategory(rec.m_szCategory, category, sizeof category);
    if (PmAddrRecord* a = out.m_pAddr.get()) {
        PutText(*a, a->szFirstName, rec.m_szFirstName, "First Name");
        PutText(*a, a->szLastName, rec.m_szLastName, "Last Name");
        PutText(*a, a->szCompany, rec.m_szCompany, "Company");
        PutText(*a, a->szTitle, rec.m_szTitle, "Title");
        PutText(*a, a->szNote, rec.m_szNote, "Note");
        static const char* const customs[4] = {"Custom 1", "Custom 2", "Custom 3", "Custom 4"};
        for (int i = 0; i < 4; ++i) PutText(*a, a->szCustom[i], rec.m_szCustom[i], customs[i]);
        PutText(*a, a->szAddress, rec.m_WorkAddr.m_szStreet, "Address");
        PutText(*a, a->szZipCode, rec.m_WorkAddr.m_szPostal, "Zip Code");
        PutText(*a, a->szCity, rec.m_WorkAddr.m_szCity, "City");
        PutText(*a, a->szState, rec.m_WorkAddr.m_szState, "State");
        PutText(*a, a->szCountry, rec.m_WorkAddr.m_szCountry, "Country");
        PutText(a->szCategory, category, "Category");
        PutPrivate(a->nPrivate, rec, a->szFirstName, a->szLastName);
        GetNativeCategoryId(out, a->szCategory, a->nCategoryId);
        // The text as a load gives it ("Unfiled" for an empty one).
        m_pClassic->GetCategoryText(a->nCategoryId, a->szCategory, sizeof a->szCategory);
    } else if (PmAddrExRecord* e = out.m_pAddrEx.get()) {
        PutText(*e, e->szFirstName, rec.m_szFirstName, "First Name");
        PutText(*e, e->szLastName, rec.m_szLastName, "Last Name");
        PutText(*e, e->szCompany, rec.m_szCompany, "Company");
        PutText(*e, e->szTitle, rec.m_szTitle, "Title");
        const CommPostalAddr* from[3] = {&rec.m_WorkAddr, &rec.m_HomeAddr, &rec.m_OtherAddr};
        for (int k = 0; k < 3; ++k) {
            PmAddrExAddress& ad = e->addresses[k];
            ad.nKind = k;
            PutText(*e, ad.szStreet, from[k]->m_szStreet, "Street");
            PutText(*e, ad.szCity, from[k]->m_szCity, "City");
            PutText(*e, ad.szState, from[k]->m_szState, "State");
            PutText(*e, ad.szZipCode, from[k]->m_szPostal, "Zip Code");
            PutText(*e, ad.szCountry, from[k]->m_szCountry, "Country");
        }
        PutText(*e, e->szNote, rec.m_szNote, "Note");
        static const char* const customs[9] = {"Custom 1", "Custom 2", "Custom 3",
                                               "Custom 4", "Custom 5", "Custom 6",
                                               "Custom 7", "Custom 8", "Custom 9"};
        for (int i = 0; i < 9; ++i) PutText(*e, e->szCustom[i], rec.m_szCustom[i], customs[i]);
        PutText(e->szCategory, category, "Category");
        PutPrivate(e->nPrivate, rec, e->szFirstName, e->szLastName);
        // No date keeps the stored one; a new record keeps 0.0.
        if (CommHasDate(rec.m_dtBirthday))
            WriteStoredDouble(e->birthday, rec.m_dtBirthday + static_cast<double>(PM_DATE_OFFSET));
        PutText(*e, e->szIm1, rec.m_szIM1, "IM 1");
        PutText(*e, e->szIm2, rec.m_szIM2, "IM 2");
        GetNativeCategoryId(out, e->szCategory, e->nCategoryId);
        m_pEx->GetCategoryText(e->nCategoryId, e->szCategory, sizeof e->szCategory);
    } else if (PmAddrEx2Record* x = out.m_pAddrEx2.get()) {
        PutText(x->m_szFirstName, rec.m_szFirstName, "First Name");
        PutText(x->m_szLastName, rec.m_szLastName, "Last Name");
        PutText(x->m_szMiddleName, rec.m_szMiddleName, "Middle Name");
        PutText(x->m_szNickName, rec.m_szNickName, "NickName");
        PutText(x->m_szSuffix, rec.m_szSuffix, "Suffix");
        PutText(x->m_szPrefix, rec.m_szPrefix, "Prefix");
        PutText(x->m_szEnglishName, rec.m_szDisplayName, "English Name");
        PutText(x->m_szCompany, rec.m_szCompany, "Company");
        PutText(x->m_szJobTitle, rec.m_szTitle, "Job Title");
        PutText(x->m_szWorkStreet, rec.m_WorkAddr.m_szStreet, "Work Street");
        PutText(x->m_szWorkCity, rec.m_WorkAddr.m_szCity, "Work City");
        PutText(x->m_szWorkState, rec.m_WorkAddr.m_szState, "Work State");
        PutText(x->m_szWorkZip, rec.m_WorkAddr.m_szPostal, "Work Zip");
        PutText(x->m_szWorkCountry, rec.m_WorkAddr.m_szCountry, "Work Country");
        PutText(x->m_szHomeStreet, rec.m_HomeAddr.m_szStreet, "Home Street");
        PutText(x->m_szHomeCity, rec.m_HomeAddr.m_szCity, "Home City");
        PutText(x->m_szHomeState, rec.m_HomeAddr.m_szState, "Home State");
        PutText(x->m_szHomeZip, rec.m_HomeAddr.m_szPostal, "Home Zip");
        PutText(x->m_szHomeCountry, rec.m_HomeAddr.m_szCountry, "Home Country");
        PutText(x->m_szOtherStreet, rec.m_OtherAddr.m_szStreet, "Other Street");
        PutText(x->m_szOtherCity, rec.m_OtherAddr.m_szCity, "Other City");
        PutText(x->m_szOtherState, rec.m_OtherAddr.m_szState, "Other State");
        PutText(x->m_szOtherZip, rec.m_OtherAddr.m_szPostal, "Other Zip");
        PutText(x->m_szOtherCountry, rec.m_OtherAddr.m_szCountry, "Other Country");
        PutText(x->m_szNote, rec.m_szNote, "Note");
        static const char* const customs[10] = {"Custom 1", "Custom 2", "Custom 3", "Custom 4",
                                                "Custom 5", "Custom 6", "Custom 7", "Custom 8",
                                                "Custom 9", "Custom 10"};
        for (int i = 0; i < 10; ++i) PutText(x->m_szCustom[i], rec.m_szCustom[i], customs[i]);
        PutText(x->m_szCategory, category, "Category");
        PutText(x->m_szChat1, rec.m_szIM1, "Chat1");
        PutText(x->m_szChat2, rec.m_szIM2, "Chat2");
        PutText(x->m_szAssistantName, rec.m_szAssistantName, "Assistant Name");
        PutText(x->m_szAssistantPhone, rec.m_szAssistantPhone, "Assistant Phone");
        // No date keeps the stored one; a new record keeps 0.
        if (CommHasDate(rec.m_dtBirthday)) x->m_nBirthday = DateToPalmDay(rec.m_dtBirthday);
        if (CommHasDate(rec.m_dtAnniversary))
            x->m_nAnniversary = DateToPalmDay(rec.m_dtAnniversary);
        m_pEx2->FillCategoryText(x);
        GetNativeCategoryId(out, x->m_szCategory, x->m_nCategoryID);
    }
}
