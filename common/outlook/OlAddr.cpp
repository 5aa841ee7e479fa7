#ifdef _WIN32

#include "common/outlook/OlAddr.h"

#include <cstring>
#include <map>
#include <new>
#include <string>
#include <type_traits>

#include "common/misc/CxDateTime.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxText.h"
#include "common/outlook/OlAddrDetail.h"

using namespace ol_detail;

static_assert(std::is_trivially_copyable<OlContactBuf>::value, "the buffer is copied as bytes");

const OlPropInfo g_OlPropInfo[OL_PROP_COUNT] = {
    {L"Account", OL_PROP_TEXT, offsetof(OlContactBuf, m_szAccount), sizeof(OlContactBuf::m_szAccount), false},
    {L"Anniversary", OL_PROP_DATE, offsetof(OlContactBuf, m_dtAnniversary), sizeof(OlContactBuf::m_dtAnniversary), false},
    {L"AssistantName", OL_PROP_TEXT, offsetof(OlContactBuf, m_szAssistantName), sizeof(OlContactBuf::m_szAssistantName), false},
    {L"AssistantTelephoneNumber", OL_PROP_TEXT, offsetof(OlContactBuf, m_szAssistantTelephoneNumber), sizeof(OlContactBuf::m_szAssistantTelephoneNumber), false},
    {L"Birthday", OL_PROP_DATE, offsetof(OlContactBuf, m_dtBirthday), sizeof(OlContactBuf::m_dtBirthday), false},
    {L"Business2TelephoneNumber", OL_PROP_TEXT, offsetof(OlContactBuf, m_szBusiness2TelephoneNumber), sizeof(OlContactBuf::m_szBusiness2TelephoneNumber), false},
    {L"BusinessAddressCity", OL_PROP_TEXT, offsetof(OlContactBuf, m_szBusinessAddressCity), sizeof(OlContactBuf::m_szBusinessAddressCity), false},
    {L"BusinessAddressCountry", OL_PROP_TEXT, offsetof(OlContactBuf, m_szBusinessAddressCountry), sizeof(OlContactBuf::m_szBusinessAddressCountry), false},
    {L"BusinessAddressPostalCode", OL_PROP_TEXT, offsetof(OlContactBuf, m_szBusinessAddressPostalCode), sizeof(OlContactBuf::m_szBusinessAddressPostalCode), false},
    {L"BusinessAddressPostOfficeBox", OL_PROP_TEXT, offsetof(OlContactBuf, m_szBusinessAddressPostOfficeBox), sizeof(OlContactBuf::m_szBusinessAddressPostOfficeBox), false},
    {L"BusinessAddressState", OL_PROP_TEXT, offsetof(OlContactBuf, m_szBusinessAddressState), sizeof(OlContactBuf::m_szBusinessAddressState), false},
    {L"BusinessAddressStreet", OL_PROP_TEXT, offsetof(OlContactBuf, m_szBusinessAddressStreet), sizeof(OlContactBuf::m_szBusinessAddressStreet), false},
    {L"BusinessFaxNumber", OL_PROP_TEXT, offsetof(OlContactBuf, m_szBusinessFaxNumber), sizeof(OlContactBuf::m_szBusinessFaxNumber), false},
    {L"BusinessHomePage", OL_PROP_TEXT, offsetof(OlContactBuf, m_szBusinessHomePage), sizeof(OlContactBuf::m_szBusinessHomePage), false},
    {L"BusinessTelephoneNumber", OL_PROP_TEXT, offsetof(OlContactBuf, m_szBusinessTelephoneNumber), sizeof(OlContactBuf::m_szBusinessTelephoneNumber), false},
    {L"CallbackTelephoneNumber", OL_PROP_TEXT, offsetof(OlContactBuf, m_szCallbackTelephoneNumber), sizeof(OlContactBuf::m_szCallbackTelephoneNumber), false},
    {L"CarTelephoneNumber", OL_PROP_TEXT, offsetof(OlContactBuf, m_szCarTelephoneNumber), sizeof(OlContactBuf::m_szCarTelephoneNumber), false},
    {L"CompanyMainTelephoneNumber", OL_PROP_TEXT, offsetof(OlContactBuf, m_szCompanyMainTelephoneNumber), sizeof(OlContactBuf::m_szCompanyMainTelephoneNumber), false},
    {L"CompanyName", OL_PROP_TEXT, offsetof(OlContactBuf, m_szCompanyName), sizeof(OlContactBuf::m_szCompanyName), false},
    {L"ComputerNetworkName", OL_PROP_TEXT, offsetof(OlContactBuf, m_szComputerNetworkName), sizeof(OlContactBuf::m_szComputerNetworkName), false},
    {L"CustomerID", OL_PROP_TEXT, offsetof(OlContactBuf, m_szCustomerID), sizeof(OlContactBuf::m_szCustomerID), false},
    {L"Department", OL_PROP_TEXT, offsetof(OlContactBuf, m_szDepartment), sizeof(OlContactBuf::m_szDepartment), false},
    {L"Email1Address", OL_PROP_TEXT, offsetof(OlContactBuf, m_szEmail1Address), sizeof(OlContactBuf::m_szEmail1Address), false},
    {L"Email1AddressType", OL_PROP_TEXT, offsetof(OlContactBuf, m_szEmail1AddressType), sizeof(OlContactBuf::m_szEmail1AddressType), false},
    {L"Email1DisplayName", OL_PROP_TEXT, offsetof(OlContactBuf, m_szEmail1DisplayName), sizeof(OlContactBuf::m_szEmail1DisplayName), false},
    {L"Email2Address", OL_PROP_TEXT, offsetof(OlContactBuf, m_szEmail2Address), sizeof(OlContactBuf::m_szEmail2Address), false},
    {L"Email2AddressType", OL_PROP_TEXT, offsetof(OlContactBuf, m_szEmail2AddressType), sizeof(OlContactBuf::m_szEmail2AddressType), false},
    {L"Email2DisplayName", OL_PROP_TEXT, offsetof(OlContactBuf, m_szEmail2DisplayName), sizeof(OlContactBuf::m_szEmail2DisplayName), false},
    {L"Email3Address", OL_PROP_TEXT, offsetof(OlContactBuf, m_szEmail3Address), sizeof(OlContactBuf::m_szEmail3Address), false},
    {L"Email3AddressType", OL_PROP_TEXT, offsetof(OlContactBuf, m_szEmail3AddressType), sizeof(OlContactBuf::m_szEmail3AddressType), false},
    {L"Email3DisplayName", OL_PROP_TEXT, offsetof(OlContactBuf, m_szEmail3DisplayName), sizeof(OlContactBuf::m_szEmail3DisplayName), false},
    {L"FirstName", OL_PROP_TEXT, offsetof(OlContactBuf, m_szFirstName), sizeof(OlContactBuf::m_szFirstName), false},
    {L"FTPSite", OL_PROP_TEXT, offsetof(OlContactBuf, m_szFTPSite), sizeof(OlContactBuf::m_szFTPSite), false},
    {L"FullName", OL_PROP_TEXT, offsetof(OlContactBuf, m_szFullName), sizeof(OlContactBuf::m_szFullName), false},
    {L"Gender", OL_PROP_LONG, offsetof(OlContactBuf, m_nGender), sizeof(OlContactBuf::m_nGender), false},
    {L"Hobby", OL_PROP_TEXT, offsetof(OlContactBuf, m_szHobby), sizeof(OlContactBuf::m_szHobby), false},
    {L"Home2TelephoneNumber", OL_PROP_TEXT, offsetof(OlContactBuf, m_szHome2TelephoneNumber), sizeof(OlContactBuf::m_szHome2TelephoneNumber), false},
    {L"HomeAddressCity", OL_PROP_TEXT, offsetof(OlContactBuf, m_szHomeAddressCity), sizeof(OlContactBuf::m_szHomeAddressCity), false},
    {L"HomeAddressCountry", OL_PROP_TEXT, offsetof(OlContactBuf, m_szHomeAddressCountry), sizeof(OlContactBuf::m_szHomeAddressCountry), false},
    {L"HomeAddressPostalCode", OL_PROP_TEXT, offsetof(OlContactBuf, m_szHomeAddressPostalCode), sizeof(OlContactBuf::m_szHomeAddressPostalCode), false},
    {L"HomeAddressPostOfficeBox", OL_PROP_TEXT, offsetof(OlContactBuf, m_szHomeAddressPostOfficeBox), sizeof(OlContactBuf::m_szHomeAddressPostOfficeBox), false},
    {L"HomeAddressState", OL_PROP_TEXT, offsetof(OlContactBuf, m_szHomeAddressState), sizeof(OlContactBuf::m_szHomeAddressState), false},
    {L"HomeAddressStreet", OL_PROP_TEXT, offsetof(OlContactBuf, m_szHomeAddressStreet), sizeof(OlContactBuf::m_szHomeAddressStreet), false},
    {L"HomeFaxNumber", OL_PROP_TEXT, offsetof(OlContactBuf, m_szHomeFaxNumber), sizeof(OlContactBuf::m_szHomeFaxNumber), false},
    {L"HomeTelephoneNumber", OL_PROP_TEXT, offsetof(OlContactBuf, m_szHomeTelephoneNumber), sizeof(OlContactBuf::m_szHomeTelephoneNumber), false},
    {L"IMAddress", OL_PROP_TEXT, offsetof(OlContactBuf, m_szIMAddress), sizeof(OlContactBuf::m_szIMAddress), false},
    {L"Initials", OL_PROP_TEXT, offsetof(OlContactBuf, m_szInitials), sizeof(OlContactBuf::m_szInitials), false},
    {L"ISDNNumber", OL_PROP_TEXT, offsetof(OlContactBuf, m_szISDNNumber), sizeof(OlContactBuf::m_szISDNNumber), false},
    {L"JobTitle", OL_PROP_TEXT, offsetof(OlContactBuf, m_szJobTitle), sizeof(OlContactBuf::m_szJobTitle), false},
    {L"Language", OL_PROP_TEXT, offsetof(OlContactBuf, m_szLanguage), sizeof(OlContactBuf::m_szLanguage), false},
    {L"LastName", OL_PROP_TEXT, offsetof(OlContactBuf, m_szLastName), sizeof(OlContactBuf::m_szLastName), false},
    {L"MailingAddressCity", OL_PROP_TEXT, offsetof(OlContactBuf, m_szMailingAddressCity), sizeof(OlContactBuf::m_szMailingAddressCity), false},
    {L"MailingAddressCountry", OL_PROP_TEXT, offsetof(OlContactBuf, m_szMailingAddressCountry), sizeof(OlContactBuf::m_szMailingAddressCountry), false},
    {L"MailingAddressPostalCode", OL_PROP_TEXT, offsetof(OlContactBuf, m_szMailingAddressPostalCode), sizeof(OlContactBuf::m_szMailingAddressPostalCode), false},
    {L"MailingAddressPostOfficeBox", OL_PROP_TEXT, offsetof(OlContactBuf, m_szMailingAddressPostOfficeBox), sizeof(OlContactBuf::m_szMailingAddressPostOfficeBox), false},
    {L"MailingAddressState", OL_PROP_TEXT, offsetof(OlContactBuf, m_szMailingAddressState), sizeof(OlContactBuf::m_szMailingAddressState), false},
    {L"MailingAddressStreet", OL_PROP_TEXT, offsetof(OlContactBuf, m_szMailingAddressStreet), sizeof(OlContactBuf::m_szMailingAddressStreet), false},
    {L"ManagerName", OL_PROP_TEXT, offsetof(OlContactBuf, m_szManagerName), sizeof(OlContactBuf::m_szManagerName), false},
    {L"MiddleName", OL_PROP_TEXT, offsetof(OlContactBuf, m_szMiddleName), sizeof(OlContactBuf::m_szMiddleName), false},
    {L"MobileTelephoneNumber", OL_PROP_TEXT, offsetof(OlContactBuf, m_szMobileTelephoneNumber), sizeof(OlContactBuf::m_szMobileTelephoneNumber), false},
    {L"NickName", OL_PROP_TEXT, offsetof(OlContactBuf, m_szNickName), sizeof(OlContactBuf::m_szNickName), false},
    {L"OtherAddressCity", OL_PROP_TEXT, offsetof(OlContactBuf, m_szOtherAddressCity), sizeof(OlContactBuf::m_szOtherAddressCity), false},
    {L"OtherAddressCountry", OL_PROP_TEXT, offsetof(OlContactBuf, m_szOtherAddressCountry), sizeof(OlContactBuf::m_szOtherAddressCountry), false},
    {L"OtherAddressPostalCode", OL_PROP_TEXT, offsetof(OlContactBuf, m_szOtherAddressPostalCode), sizeof(OlContactBuf::m_szOtherAddressPostalCode), false},
    {L"OtherAddressPostOfficeBox", OL_PROP_TEXT, offsetof(OlContactBuf, m_szOtherAddressPostOfficeBox), sizeof(OlContactBuf::m_szOtherAddressPostOfficeBox), false},
    {L"OtherAddressState", OL_PROP_TEXT, offsetof(OlContactBuf, m_szOtherAddressState), sizeof(OlContactBuf::m_szOtherAddressState), false},
    {L"OtherAddressStreet", OL_PROP_TEXT, offsetof(OlContactBuf, m_szOtherAddressStreet), sizeof(OlContactBuf::m_szOtherAddressStreet), false},
    {L"OtherTelephoneNumber", OL_PROP_TEXT, offsetof(OlContactBuf, m_szOtherTelephoneNumber), sizeof(OlContactBuf::m_szOtherTelephoneNumber), false},
    {L"PagerNumber", OL_PROP_TEXT, offsetof(OlContactBuf, m_szPagerNumber), sizeof(OlContactBuf::m_szPagerNumber), false},
    {L"PersonalHomePage", OL_PROP_TEXT, offsetof(OlContactBuf, m_szPersonalHomePage), sizeof(OlContactBuf::m_szPersonalHomePage), false},
    {L"PrimaryTelephoneNumber", OL_PROP_TEXT, offsetof(OlContactBuf, m_szPrimaryTelephoneNumber), sizeof(OlContactBuf::m_szPrimaryTelephoneNumber), false},
    {L"Profession", OL_PROP_TEXT, offsetof(OlContactBuf, m_szProfession), sizeof(OlContactBuf::m_szProfession), false},
    {L"RadioTelephoneNumber", OL_PROP_TEXT, offsetof(OlContactBuf, m_szRadioTelephoneNumber), sizeof(OlContactBuf::m_szRadioTelephoneNumber), false},
    {L"Spouse", OL_PROP_TEXT, offsetof(OlContactBuf, m_szSpouse), sizeof(OlContactBuf::m_szSpouse), false},
    {L"WebPage", OL_PROP_TEXT, offsetof(OlContactBuf, m_szWebPage), sizeof(OlContactBuf::m_szWebPage), false},
    {L"Body", OL_PROP_TEXT, offsetof(OlContactBuf, m_szBody), sizeof(OlContactBuf::m_szBody), false},
    {L"CreationTime", OL_PROP_DATE, offsetof(OlContactBuf, m_dtCreationTime), sizeof(OlContactBuf::m_dtCreationTime), true},
    {L"LastModificationTime", OL_PROP_DATE, offsetof(OlContactBuf, m_dtLastModificationTime), sizeof(OlContactBuf::m_dtLastModificationTime), true},
    {L"Categories", OL_PROP_TEXT, offsetof(OlContactBuf, m_szCategories), sizeof(OlContactBuf::m_szCategories), false},
};

namespace {

// A common field and the buffer slot it is exchanged with.
struct OlFieldMap {
    int32_t m_nFieldId;
    size_t m_nOffset;
    size_t m_nSize;
};

#define OL_SLOT(member) offsetof(OlContactBuf, member), sizeof(OlContactBuf::member)

const OlFieldMap kTextMap[] = {
    {FID_FIRST_NAME, OL_SLOT(m_szFirstName)},
    {FID_MIDDLE_NAME, OL_SLOT(m_szMiddleName)},
    {FID_LAST_NAME, OL_SLOT(m_szLastName)},
    {FID_PREFIX, OL_SLOT(m_szInitials)},
    {FID_SUFFIX, OL_SLOT(m_szSuffix)},
    {FID_NICK_NAME, OL_SLOT(m_szNickName)},
    {FID_DISPLAY_NAME, OL_SLOT(m_szFullName)},
    {FID_WORK_STREET, OL_SLOT(m_szBusinessAddressStreet)},
    {FID_WORK_CITY, OL_SLOT(m_szBusinessAddressCity)},
    {FID_WORK_STATE, OL_SLOT(m_szBusinessAddressState)},
    {FID_WORK_POSTAL, OL_SLOT(m_szBusinessAddressPostalCode)},
    {FID_WORK_COUNTRY, OL_SLOT(m_szBusinessAddressCountry)},
    {FID_HOME_STREET, OL_SLOT(m_szHomeAddressStreet)},
    {FID_HOME_CITY, OL_SLOT(m_szHomeAddressCity)},
    {FID_HOME_STATE, OL_SLOT(m_szHomeAddressState)},
    {FID_HOME_POSTAL, OL_SLOT(m_szHomeAddressPostalCode)},
    {FID_HOME_COUNTRY, OL_SLOT(m_szHomeAddressCountry)},
    {FID_OTHER_STREET, OL_SLOT(m_szOtherAddressStreet)},
    {FID_OTHER_CITY, OL_SLOT(m_szOtherAddressCity)},
    {FID_OTHER_STATE, OL_SLOT(m_szOtherAddressState)},
    {FID_OTHER_POSTAL, OL_SLOT(m_szOtherAddressPostalCode)},
    {FID_OTHER_COUNTRY, OL_SLOT(m_szOtherAddressCountry)},
    {FID_HOME_PHONE, OL_SLOT(m_szHomeTelephoneNumber)},
    {FID_WORK_PHONE, OL_SLOT(m_szBusinessTelephoneNumber)},
    {FID_MOBILE_PHONE, OL_SLOT(m_szMobileTelephoneNumber)},
    {FID_OTHER_PHONE, OL_SLOT(m_szOtherTelephoneNumber)},
    {FID_PRIMARY_PHONE, OL_SLOT(m_szPrimaryTelephoneNumber)},
    {FID_CALLBACK_PHONE, OL_SLOT(m_szCallbackTelephoneNumber)},
    {FID_CAR_PHONE, OL_SLOT(m_szCarTelephoneNumber)},
    {FID_RADIO_PHONE, OL_SLOT(m_szRadioTelephoneNumber)},
    {FID_WORK_FAX, OL_SLOT(m_szBusinessFaxNumber)},
    {FID_HOME_FAX, OL_SLOT(m_szHomeFaxNumber)},
    {FID_EMAIL, OL_SLOT(m_szEmail1Address)},
    {FID_EMAIL2, OL_SLOT(m_szEmail2Address)},
    {FID_EMAIL3, OL_SLOT(m_szEmail3Address)},
    {FID_PERSONAL_HOME_PAGE, OL_SLOT(m_szPersonalHomePage)},
    {FID_WORK_HOME_PAGE, OL_SLOT(m_szBusinessHomePage)},
    {FID_FTP_SITE, OL_SLOT(m_szFTPSite)},
    {FID_NOTE, OL_SLOT(m_szBody)},
    {FID_COMPANY, OL_SLOT(m_szCompanyName)},
    {FID_DEPARTMENT, OL_SLOT(m_szDepartment)},
    {FID_TITLE, OL_SLOT(m_szJobTitle)},
    {FID_IM1, OL_SLOT(m_szIMAddress)},
    {FID_MANAGER_NAME, OL_SLOT(m_szManagerName)},
    {FID_ASSISTANT_NAME, OL_SLOT(m_szAssistantName)},
    {FID_ASSISTANT_PHONE, OL_SLOT(m_szAssistantTelephoneNumber)},
    {FID_SPOUSE_NAME, OL_SLOT(m_szSpouse)},
    {FID_PROFESSION, OL_SLOT(m_szProfession)},
    {FID_HOBBY, OL_SLOT(m_szHobby)},
    {FID_ACCOUNT, OL_SLOT(m_szAccount)},
    {FID_LANGUAGE, OL_SLOT(m_szLanguage)},
    {FID_CUSTOMER_ID, OL_SLOT(m_szCustomerID)},
    {FID_CATEGORY, OL_SLOT(m_szCategories)},
};

enum OlTargetKind { kNone, kSlot, kAnniversaryText, kBirthdayText };

struct OlTarget {
    const char* m_pszName;
    OlTargetKind m_nKind;
    size_t m_nOffset;
    size_t m_nSize;
};

#define OL_TARGET(name, member) {name, kSlot, OL_SLOT(member)}

// The custom target list: what the settings store is the index.
const OlTarget kTargets[OlAddrUtil::kTargetCount] = {
    {"None", kNone, 0, 0},
    OL_TARGET("Account", m_szAccount),
    {"Anniversary", kAnniversaryText, 0, 0},
    OL_TARGET("AssistantName", m_szAssistantName),
    OL_TARGET("AssistantTelephoneNumber", m_szAssistantTelephoneNumber),
    {"Birthday", kBirthdayText, 0, 0},
    OL_TARGET("Business2TelephoneNumber", m_szBusiness2TelephoneNumber),
    OL_TARGET("BusinessAddressCity", m_szBusinessAddressCity),
    OL_TARGET("BusinessAddressCountry", m_szBusinessAddressCountry),
    OL_TARGET("BusinessAddressPostal", m_szBusinessAddressPostalCode),
    OL_TARGET("BusinessAddressPostOfficeBox", m_szBusinessAddressPostOfficeBox),
    OL_TARGET("BusinessAddressState", m_szBusinessAddressState),
    OL_TARGET("BusinessAddressStreet", m_szBusinessAddressStreet),
    OL_TARGET("BusinessFaxNumber", m_szBusinessFaxNumber),
    OL_TARGET("BusinessHomePage", m_szBusinessHomePage),
    OL_TARGET("BusinessTelephoneNumber", m_szBusinessTelephoneNumber),
    OL_TARGET("CallbackTelephoneNumber", m_szCallbackTelephoneNumber),
    OL_TARGET("CarTelephoneNumber", m_szCarTelephoneNumber),
    OL_TARGET("CompanyTelephoneNumber", m_szCompanyMainTelephoneNumber),
    OL_TARGET("CompanyName", m_szCompanyName),
    OL_TARGET("ComputerNetworkName", m_szComputerNetworkName),
    OL_TARGET("CustomerID", m_szCustomerID),
    OL_TARGET("Department", m_szDepartment),
    OL_TARGET("Email1Address", m_szEmail1Address),
    OL_TARGET("Email1AddressType", m_szEmail1AddressType),
    OL_TARGET("Email1DisplayName", m_szEmail1DisplayName),
    OL_TARGET("Email2Address", m_szEmail2Address),
    OL_TARGET("Email2AddressType", m_szEmail2AddressType),
    OL_TARGET("Email2DisplayName", m_szEmail2DisplayName),
    OL_TARGET("Email3Address", m_szEmail3Address),
    OL_TARGET("Email3AddressType", m_szEmail3AddressType),
    OL_TARGET("Email3DisplayName", m_szEmail3DisplayName),
    OL_TARGET("FirstName", m_szFirstName),
    OL_TARGET("FTPSite", m_szFTPSite),
    {"Gender", kNone, 0, 0},
    OL_TARGET("Hobby", m_szHobby),
    OL_TARGET("Home2TelephoneNumber", m_szHome2TelephoneNumber),
    OL_TARGET("HomeAddressCity", m_szHomeAddressCity),
    OL_TARGET("HomeAddressCountry", m_szHomeAddressCountry),
    OL_TARGET("HomeAddressPostal", m_szHomeAddressPostalCode),
    OL_TARGET("HomeAddressPostOfficeBox", m_szHomeAddressPostOfficeBox),
    OL_TARGET("HomeAddressState", m_szHomeAddressState),
    OL_TARGET("HomeAddressStreet", m_szHomeAddressStreet),
    OL_TARGET("HomeAddressFaxNumber", m_szHomeFaxNumber),
    OL_TARGET("HomeAddressTelephoneNumber", m_szHomeTelephoneNumber),
    OL_TARGET("ISDNNumber", m_szISDNNumber),
    OL_TARGET("JobTitle", m_szJobTitle),
    OL_TARGET("LastName", m_szLastName),
    OL_TARGET("MailAddressCity", m_szMailingAddressCity),
    OL_TARGET("MailAddressCountry", m_szMailingAddressCountry),
    OL_TARGET("MailAddressPostal", m_szMailingAddressPostalCode),
    OL_TARGET("MailAddressPostOfficeBox", m_szMailingAddressPostOfficeBox),
    OL_TARGET("MailAddressState", m_szMailingAddressState),
    OL_TARGET("MailAddressStreet", m_szMailingAddressStreet),
    OL_TARGET("ManagerName", m_szManagerName),
    OL_TARGET("MiddleName", m_szMiddleName),
    OL_TARGET("MobileTelephoneNumber", m_szMobileTelephoneNumber),
    OL_TARGET("NickName", m_szNickName),
    OL_TARGET("OtherAddressCity", m_szOtherAddressCity),
    OL_TARGET("OtherAddressCountry", m_szOtherAddressCountry),
    OL_TARGET("OtherAddressPostal", m_szOtherAddressPostalCode),
    OL_TARGET("OtherAddressPostOfficeBox", m_szOtherAddressPostOfficeBox),
    OL_TARGET("OtherAddressState", m_szOtherAddressState),
    OL_TARGET("OtherAddressStreet", m_szOtherAddressStreet),
    OL_TARGET("PersonalHomePage", m_szPersonalHomePage),
    OL_TARGET("PrimaryTelephoneNumber", m_szPrimaryTelephoneNumber),
    OL_TARGET("Profession", m_szProfession),
    OL_TARGET("WebPage", m_szWebPage),
    OL_TARGET("Body", m_szBody),
    OL_TARGET("FolderName", m_szFolderName),
    OL_TARGET("OtherTelephoneNumber", m_szOtherTelephoneNumber),
    OL_TARGET("RadioTelephoneNumber", m_szRadioTelephoneNumber),
    OL_TARGET("PagerNumber", m_szPagerNumber),
    OL_TARGET("FullName", m_szFullName),
    OL_TARGET("Spouse", m_szSpouse),
    OL_TARGET("Suffix", m_szSuffix),
    OL_TARGET("Language", m_szLanguage),
    OL_TARGET("IMAddress", m_szIMAddress),
    OL_TARGET("Category", m_szCategories),
};

}  // namespace

OlAddrUtil::OlAddrUtil() {
    Init();
}

OlAddrUtil::~OlAddrUtil() {
    Term();
}

void OlAddrUtil::Init() {
    m_pStore.reset(new CommAddrMgr());
    m_pFolder.reset();
    Start();
    memset(m_nCustomMap, 0, sizeof(m_nCustomMap));
}

void OlAddrUtil::Term() {
    Clear();
    m_pStore.reset();
    Stop();
}

void OlAddrUtil::Clear() {
    if (m_pStore) m_pStore->Clear();
}

uint32_t OlAddrUtil::GetUnreadableCount() const {
    uint32_t n = 0;
    for (uint32_t i = 0; m_pStore && i < m_pStore->GetCount(); ++i)
        if (m_pStore->GetAt(i)->m_nFlags & ADDR_FLAG_UNREADABLE) ++n;
    return n;
}

bool OlAddrUtil::Start() {
    if (!OlBaseUtil::Start()) return false;
    VARIANT arg = LongArg(10);  // the default Contacts folder
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = m_pNameSpaceCmd ? m_pNameSpaceCmd->Call(L"GetDefaultFolder", &arg, 1, &result)
                                 : E_POINTER;
    IDispatch* folder = TakeObject(hr, result);
    if (folder) {
        m_pFolder.reset(new (std::nothrow) CDispCmd(folder));
        folder->Release();
        if (m_pFolder) return true;
    }
    Stop();
    return false;
}

void OlAddrUtil::Stop() {
    m_pFolder.reset();
    OlBaseUtil::Stop();
}

void OlAddrUtil::SetCustomMap(const int32_t map[kMapSize]) {
    if (!map) return;
    memcpy(m_nCustomMap, map, sizeof(m_nCustomMap));
}

const char* OlAddrUtil::GetTargetName(int32_t index) {
    if (index < 0 || index >= kTargetCount) return "";
    return kTargets[index].m_pszName;
}

bool OlAddrUtil::MapUsable(int32_t value) const {
    return value >= 1 && value < kTargetCount && kTargets[value].m_nKind != kNone;
}

char* OlAddrUtil::GetTargetSlot(OlContactBuf* buf, int32_t index, size_t* size) {
    if (size) *size = 0;
    if (!buf || index < 1 || index >= kTargetCount) return nullptr;
    const OlTarget& t = kTargets[index];
    switch (t.m_nKind) {
    case kSlot:
        if (size) *size = t.m_nSize;
        return SlotAt(buf, t.m_nOffset);
    case kAnniversaryText:
    case kBirthdayText: {
        // Reading gives the date's text; what is written here reaches no property.
        CxDateTime dt;
        const double value = t.m_nKind == kBirthdayText ? buf->m_dtBirthday : buf->m_dtAnniversary;
        std::string text = dt.SetOleDate(value) ? dt.DateText() : std::string();
        CxCopyText(m_szDateText, text.c_str());
        if (size) *size = sizeof(m_szDateText);
        return m_szDateText;
    }
    case kNone:
        break;
    }
    return nullptr;
}

namespace {

// Outlook says "no date" with 1 January 4501; the common record says it with 0.
constexpr double kOutlookNoDate = 949998.0;
// The dates Outlook takes: 1 January 100 to 31 December 9999.
constexpr double kFirstOutlookDate = -657434.0;
constexpr double kLastOutlookDate = 2958465.99999;

double DateFromOutlook(double d) { return d >= kOutlookNoDate ? 0.0 : d; }

// A date Outlook cannot hold (a Palm Desktop contact without a birthday
// comes as a day far before year 100) is not sent.
double DateForOutlook(double d) {
    return (d < kFirstOutlookDate || d > kLastOutlookDate) ? 0.0 : d;
}

}  // namespace

namespace {

// Appends a non-empty part with one space between parts.
void AddNamePart(std::string& out, const char* part) {
    if (!part[0]) return;
    if (!out.empty()) out += ' ';
    out += part;
}

// Outlook makes "FullName" from the name parts when they are put (with a
// title before and a suffix after them). Such a name says nothing the parts
// do not say; only a name the user typed is a Display Name.
bool IsDerivedFullName(const OlContactBuf& buf) {
    std::string core;
    AddNamePart(core, buf.m_szFirstName);
    AddNamePart(core, buf.m_szMiddleName);
    AddNamePart(core, buf.m_szLastName);
    const std::string full = buf.m_szFullName;
    if (core.empty() || full.empty()) return false;
    const size_t at = full.find(core);
    if (at == std::string::npos) return false;
    // At most one word before (a title) and one after (a suffix).
    const std::string before = full.substr(0, at), after = full.substr(at + core.size());
    auto oneWord = [](const std::string& s, bool leading) {
        if (s.empty()) return true;
        if (leading ? s.back() != ' ' : s.front() != ' ') return false;
        const std::string word = leading ? s.substr(0, s.size() - 1) : s.substr(1);
        return !word.empty() && word.find(' ') == std::string::npos;
    };
    return oneWord(before, true) && oneWord(after, false);
}

}  // namespace

int ol_detail::PropIndexAt(size_t offset) {
    for (size_t i = 0; i < OL_PROP_COUNT; ++i)
        if (g_OlPropInfo[i].m_nOffset == offset) return static_cast<int>(i);
    return -1;
}

std::string ol_detail::WhoText(const OlContactBuf& buf) {
    std::string who;
    AddNamePart(who, buf.m_szFirstName);
    AddNamePart(who, buf.m_szLastName);
    if (who.empty()) who = buf.m_szFullName;
    if (who.empty()) who = buf.m_szEmail1Address;
    return "\"" + who + "\"";
}

void OlAddrUtil::ItemToContact(OlContactBuf* buf, CommAddr* rec) {
    if (!buf || !rec) return;
    // A slot cut on reading, or wider than its field, gives only the cut
    // of the value: the field is marked, so it never overwrites a whole one.
    auto copyText = [&](int32_t id, char* field, size_t size, size_t offset) {
        const char* slot = SlotAt(buf, offset);
        CxCopyText(field, size, slot);
        const int p = PropIndexAt(offset);
        const bool slotCut = p >= 0 && (buf->m_nCutSlots[p / 64] >> (p % 64) & 1u) != 0;
        if (slotCut || strlen(slot) >= size) rec->m_Cut.Set(id);
    };
    for (const OlFieldMap& m : kTextMap) {
        size_t size = 0;
        char* field = GetTextSlot(*rec, m.m_nFieldId, &size);
        if (field) copyText(m.m_nFieldId, field, size, m.m_nOffset);
    }
    if (IsDerivedFullName(*buf)) rec->m_szDisplayName[0] = 0;
    rec->m_dtAnniversary = DateFromOutlook(buf->m_dtAnniversary);
    rec->m_dtBirthday = DateFromOutlook(buf->m_dtBirthday);
    for (int i = 1; i <= 9; ++i) {
        if (!MapUsable(m_nCustomMap[i])) continue;
        size_t size = 0;
        const char* slot = GetTargetSlot(buf, m_nCustomMap[i], &size);
        if (!slot) continue;
        if (kTargets[m_nCustomMap[i]].m_nKind == kSlot)
            copyText(FID_CUSTOM1 + i - 1, rec->m_szCustom[i - 1], sizeof(rec->m_szCustom[i - 1]),
                     kTargets[m_nCustomMap[i]].m_nOffset);
        else
            CxCopyText(rec->m_szCustom[i - 1], slot);
    }
    copyText(FID_NOTE, rec->m_szNote, sizeof(rec->m_szNote), offsetof(OlContactBuf, m_szBody));
    copyText(FID_CATEGORY, rec->m_szCategory, sizeof(rec->m_szCategory),
             offsetof(OlContactBuf, m_szCategories));
    rec->m_dtCreationTime = buf->m_dtCreationTime;
    rec->m_dtLastModificationTime = buf->m_dtLastModificationTime;
    rec->m_nSourceType = SOURCE_OUTLOOK;
}

void OlAddrUtil::ContactToItem(const CommAddr* rec, OlContactBuf* buf) {
    if (!rec || !buf) return;
    for (const OlFieldMap& m : kTextMap) {
        size_t size = 0;
        const char* field = GetTextSlot(*rec, m.m_nFieldId, &size);
        if (field) CxCopyText(SlotAt(buf, m.m_nOffset), m.m_nSize, field);
    }
    buf->m_dtAnniversary = DateForOutlook(rec->m_dtAnniversary);
    buf->m_dtBirthday = DateForOutlook(rec->m_dtBirthday);
    for (int i = 1; i <= 9; ++i) {
        if (!MapUsable(m_nCustomMap[i])) continue;
        size_t size = 0;
        char* slot = GetTargetSlot(buf, m_nCustomMap[i], &size);
        if (slot) CxCopyText(slot, size, rec->m_szCustom[i - 1]);
    }
    // The plain mapping of these two wins over any custom field.
    CxCopyText(buf->m_szBody, rec->m_szNote);
    CxCopyText(buf->m_szCategories, rec->m_szCategory);
}

// A value the record holds just as it was read from the item (a long one
// cut to its common field, a date Outlook keeps as "none") goes back as
// the item has it, so an update changes only what the record changed.
void OlAddrUtil::KeepUnchanged(const CommAddr* rec, OlContactBuf* buf, const OlContactBuf* last) {
    if (!rec || !buf || !last) return;
    std::unique_ptr<OlContactBuf> copy = NewBuffer();
    std::unique_ptr<CommAddr> readBack(new (std::nothrow) CommAddr());
    if (!copy || !readBack) return;
    memcpy(copy.get(), last, sizeof(OlContactBuf));
    ItemToContact(copy.get(), readBack.get());

    struct Slot {
        size_t size;
        bool changed;
    };
    std::map<size_t, Slot> slots;  // by offset in the buffer: every source that fills it
    auto note = [&](size_t offset, size_t size, bool changed) {
        Slot& s = slots.emplace(offset, Slot{size, false}).first->second;
        s.changed = s.changed || changed;
    };
    for (const OlFieldMap& m : kTextMap) {
        const char* now = GetTextSlot(*rec, m.m_nFieldId, nullptr);
        const char* then = GetTextSlot(*readBack, m.m_nFieldId, nullptr);
        if (now && then) note(m.m_nOffset, m.m_nSize, strcmp(now, then) != 0);
    }
    note(offsetof(OlContactBuf, m_dtAnniversary), sizeof(double),
         memcmp(&rec->m_dtAnniversary, &readBack->m_dtAnniversary, sizeof(double)) != 0);
    note(offsetof(OlContactBuf, m_dtBirthday), sizeof(double),
         memcmp(&rec->m_dtBirthday, &readBack->m_dtBirthday, sizeof(double)) != 0);
    for (int i = 1; i <= 9; ++i) {
        // Only targets that are slots of the buffer; a date text target has none.
        if (!MapUsable(m_nCustomMap[i]) || kTargets[m_nCustomMap[i]].m_nKind != kSlot) continue;
        const OlTarget& t = kTargets[m_nCustomMap[i]];
        note(t.m_nOffset, t.m_nSize, strcmp(rec->m_szCustom[i - 1], readBack->m_szCustom[i - 1]) != 0);
    }
    note(offsetof(OlContactBuf, m_szBody), sizeof(buf->m_szBody), strcmp(rec->m_szNote, readBack->m_szNote) != 0);
    note(offsetof(OlContactBuf, m_szCategories), sizeof(buf->m_szCategories),
         strcmp(rec->m_szCategory, readBack->m_szCategory) != 0);
    for (const auto& [offset, slot] : slots)
        if (!slot.changed) memcpy(SlotAt(buf, offset), SlotAt(last, offset), slot.size);
}

bool OlAddrUtil::PutContact(const CommAddr* rec) {
    if (!rec || !m_pStore || !m_pFolder) return false;
    uint32_t index = 0;
    const int match = m_pStore->FindMatch(rec, nullptr, &index);
    return PutMatched(rec, match, index);
}

bool OlAddrUtil::PutMatched(const CommAddr* rec, int match, uint32_t index) {
    if (!rec || !m_pStore || !m_pFolder) return false;
    if (match == MATCH_DIFF) {
        CommAddr* stored = m_pStore->GetAt(index);
        if (!stored) return false;
        // A record Outlook never received must not be listed as if it had.
        if (!UpdateContact(rec, static_cast<int32_t>(index))) return false;
        if (stored != rec) {
            // The stored record keeps its own buffer, flags and cut marks:
            // values the run did not change are still cut in it.
            static_cast<CommAddrData&>(*stored) = static_cast<const CommAddrData&>(*rec);
        }
        return true;
    }
    if (match == MATCH_NEW) return AddAndList(rec);
    return false;  // an equal record is there already, or no record
}

bool OlAddrUtil::AddAndList(const CommAddr* rec) {
    if (!rec || !m_pStore) return false;
    std::unique_ptr<CommAddr> copy(new (std::nothrow) CommAddr(*rec));
    if (!copy) return false;
    copy->m_Native.Clear();
    copy->m_nFlags = 0;
    copy->m_Cut.Clear();
    if (!AddContact(copy.get())) return false;
    if (!m_pStore->AddCopy(copy.get())) {
        // Updates find their item by EntryID, so the others are not shifted.
        CX_LOG(0, "The new Outlook contact could not be kept in the list: %s %s", rec->m_szFirstName,
               rec->m_szLastName);
    }
    return true;  // Outlook has it
}

#endif  // _WIN32
