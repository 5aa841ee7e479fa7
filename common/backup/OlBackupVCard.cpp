#include "common/backup/OlBackupVCard.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/export/CxExport.h"
#include "common/export/CxVCard.h"

namespace {

enum class Slot { Text, Phone, Email, Categories, Birthday, Anniversary };

struct PropertySlot {
    const char* name;  // Outlook ContactItem property
    Slot slot;
    int32_t id;        // Text: catalogue id; Phone: CxTelKind
};

constexpr double kOutlookNoDate = 949998.0;  // 4501-01-01

constexpr int32_t Tel(CxTelKind k) { return static_cast<int32_t>(k); }

const PropertySlot kSlots[] = {
    {"FirstName", Slot::Text, FID_FIRST_NAME},
    {"MiddleName", Slot::Text, FID_MIDDLE_NAME},
    {"LastName", Slot::Text, FID_LAST_NAME},
    {"Title", Slot::Text, FID_PREFIX},
    {"Suffix", Slot::Text, FID_SUFFIX},
    {"NickName", Slot::Text, FID_NICK_NAME},
    {"FullName", Slot::Text, FID_DISPLAY_NAME},
    {"CompanyName", Slot::Text, FID_COMPANY},
    {"Department", Slot::Text, FID_DEPARTMENT},
    {"JobTitle", Slot::Text, FID_TITLE},
    {"BusinessAddressStreet", Slot::Text, FID_WORK_STREET},
    {"BusinessAddressCity", Slot::Text, FID_WORK_CITY},
    {"BusinessAddressState", Slot::Text, FID_WORK_STATE},
    {"BusinessAddressPostalCode", Slot::Text, FID_WORK_POSTAL},
    {"BusinessAddressCountry", Slot::Text, FID_WORK_COUNTRY},
    {"HomeAddressStreet", Slot::Text, FID_HOME_STREET},
    {"HomeAddressCity", Slot::Text, FID_HOME_CITY},
    {"HomeAddressState", Slot::Text, FID_HOME_STATE},
    {"HomeAddressPostalCode", Slot::Text, FID_HOME_POSTAL},
    {"HomeAddressCountry", Slot::Text, FID_HOME_COUNTRY},
    {"OtherAddressStreet", Slot::Text, FID_OTHER_STREET},
    {"OtherAddressCity", Slot::Text, FID_OTHER_CITY},
    {"OtherAddressState", Slot::Text, FID_OTHER_STATE},
    {"OtherAddressPostalCode", Slot::Text, FID_OTHER_POSTAL},
    {"OtherAddressCountry", Slot::Text, FID_OTHER_COUNTRY},
    {"PersonalHomePage", Slot::Text, FID_PERSONAL_HOME_PAGE},
    {"BusinessHomePage", Slot::Text, FID_WORK_HOME_PAGE},
    {"FTPSite", Slot::Text, FID_FTP_SITE},
    {"Body", Slot::Text, FID_NOTE},
    {"IMAddress", Slot::Text, FID_IM1},
    {"ManagerName", Slot::Text, FID_MANAGER_NAME},
    {"AssistantName", Slot::Text, FID_ASSISTANT_NAME},
    {"Spouse", Slot::Text, FID_SPOUSE_NAME},
    {"Profession", Slot::Text, FID_PROFESSION},
    {"Hobby", Slot::Text, FID_HOBBY},
    {"Account", Slot::Text, FID_ACCOUNT},
    {"Language", Slot::Text, FID_LANGUAGE},
    {"CustomerID", Slot::Text, FID_CUSTOMER_ID},
    {"BusinessTelephoneNumber", Slot::Phone, Tel(CxTelKind::Work)},
    {"Business2TelephoneNumber", Slot::Phone, Tel(CxTelKind::Work)},
    {"HomeTelephoneNumber", Slot::Phone, Tel(CxTelKind::Home)},
    {"Home2TelephoneNumber", Slot::Phone, Tel(CxTelKind::Home)},
    {"MobileTelephoneNumber", Slot::Phone, Tel(CxTelKind::Mobile)},
    {"BusinessFaxNumber", Slot::Phone, Tel(CxTelKind::WorkFax)},
    {"HomeFaxNumber", Slot::Phone, Tel(CxTelKind::HomeFax)},
    {"OtherTelephoneNumber", Slot::Phone, Tel(CxTelKind::Other)},
    {"PrimaryTelephoneNumber", Slot::Phone, Tel(CxTelKind::Main)},
    {"CompanyMainTelephoneNumber", Slot::Phone, Tel(CxTelKind::Main)},
    {"PagerNumber", Slot::Phone, Tel(CxTelKind::Pager)},
    {"CarTelephoneNumber", Slot::Phone, Tel(CxTelKind::Car)},
    {"CallbackTelephoneNumber", Slot::Phone, Tel(CxTelKind::Callback)},
    {"RadioTelephoneNumber", Slot::Phone, Tel(CxTelKind::Radio)},
    {"AssistantTelephoneNumber", Slot::Phone, Tel(CxTelKind::Assistant)},
    {"Email1Address", Slot::Email, 0},
    {"Email2Address", Slot::Email, 0},
    {"Email3Address", Slot::Email, 0},
    {"Categories", Slot::Categories, 0},
    {"Birthday", Slot::Birthday, 0},
    {"Anniversary", Slot::Anniversary, 0},
};

CxExportDate DateOf(const std::string& text) {
    if (text.empty()) return CxExportDate{};
    errno = 0;
    char* end = nullptr;
    const double v = strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0') return CxExportDate{};
    // Outlook's "no date" is 1 January 4501, a real date to the calendar.
    if (v >= kOutlookNoDate && v < kOutlookNoDate + 1.0) return CxExportDate{};
    return CxDateFromComm(v);
}

std::string Trim(const std::string& s) {
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

}  // namespace

void OlBackupToExportContact(const OlBackupContact& contact, CxExportContact& out) {
    out = CxExportContact{};
    for (const auto& p : contact.properties) {
        if (p.value.empty()) continue;
        for (const auto& s : kSlots) {
            if (p.name != s.name) continue;
            switch (s.slot) {
                case Slot::Text: out.m_sText[s.id] = p.value; break;
                case Slot::Phone: out.m_Phones.push_back({static_cast<CxTelKind>(s.id), p.value}); break;
                case Slot::Email: out.m_Emails.push_back(p.value); break;
                case Slot::Birthday: out.m_Birthday = DateOf(p.value); break;
                case Slot::Anniversary: out.m_Anniversary = DateOf(p.value); break;
                case Slot::Categories: {
                    size_t start = 0;
                    while (start <= p.value.size()) {
                        const size_t sep = p.value.find_first_of(",;", start);
                        const std::string one = Trim(p.value.substr(start, sep - start));
                        if (!one.empty()) out.m_Categories.push_back(one);
                        if (sep == std::string::npos) break;
                        start = sep + 1;
                    }
                    break;
                }
            }
            break;
        }
    }
}

std::string OlBackupVCard(const OlBackupData& data) {
    std::string out;
    for (const auto& c : data.changed) {
        CxExportContact contact;
        OlBackupToExportContact(c, contact);
        std::string card;
        CxWriteVCard(contact, CxVCardVersion::V3, card);
        // The EntryID ties the card to its contact: just before END.
        const std::string end = "END:VCARD\r\n";
        if (card.size() >= end.size() && card.compare(card.size() - end.size(), end.size(), end) == 0) {
            card.resize(card.size() - end.size());
            CxVCardAppendLine(card, "UID:" + CxVCardEscape(c.entryId));
            card += end;
        }
        out += card;
    }
    return out;
}

bool OlBackupWriteVCard(const std::string& vtolPath, const std::string& vcfPath,
                        std::string& error) {
    OlBackupData data;
    if (!OlBackupFile::Read(vtolPath, data, error)) return false;
    std::string why;
    if (!CxWriteFileReplace(vcfPath.c_str(), OlBackupVCard(data), why)) {
        error = "Cannot write " + vcfPath + ": " + why + ".";
        return false;
    }
    return true;
}
