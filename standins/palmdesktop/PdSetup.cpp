#include "standins/palmdesktop/PdSetup.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "common/misc/CxText.h"
#include "common/palm/PalmAddrInfo.h"
#include "common/palm/PalmCommEx2.h"
#include "common/palm/PalmText.h"
#include "common/palm/PmDatabase.h"

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#endif

namespace pdsetup {

namespace {

const char* const kFirst[] = {"Anna",  "Ben",   "Clara", "David", "Emma",  "Felix", "Greta",
                              "Hugo",  "Ida",   "Jonas", "Karla", "Lukas", "Mia",   "Noah",
                              "Olga",  "Paul",  "Rosa",  "Simon", "Tara",  "Umar"};
const char* const kLast[] = {"Adler", "Berg",   "Conrad", "Dietz", "Engel", "Fuchs", "Graf",
                             "Hahn",  "Imhof",  "Jung",   "Keller", "Lang", "Meyer", "Nagel",
                             "Ott",   "Peters", "Quast",  "Roth",  "Stein", "Vogel"};
const char* const kCompany[] = {"Acme Tools", "Blue River Ltd", "Cedar Works", "Delta Freight",
                                "Elm Street Bakery"};
const char* const kTitle[] = {"Manager", "Engineer", "Buyer", "Director", "Assistant"};
const char* const kCity[] = {"Springfield", "Riverton", "Lakeside", "Hillview", "Oakdale"};
const char* const kState[] = {"CA", "NY", "TX", "WA", "IL"};
const char* const kCategory[] = {"Business", "Personal", "QuickList", ""};

// A small generator of its own, so a seed gives the same contacts on every
// build and platform.
struct Lcg {
    uint32_t state;
    explicit Lcg(uint32_t seed) : state(seed * 2654435761u + 12345u) {}
    uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    template <size_t N>
    const char* Pick(const char* const (&list)[N]) {
        return list[Next() % N];
    }
};

void Set(CommAddr& rec, int32_t id, const std::string& text) { SetFieldText(rec, id, text.c_str()); }

std::string Phone(Lcg& g) {
    char buf[24];
    snprintf(buf, sizeof buf, "555-%04u", static_cast<unsigned>(g.Next() % 10000));
    return buf;
}

std::string Escape(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '\\') out += "\\\\";
        else if (*p == '\r') out += "\\r";
        else if (*p == '\n') out += "\\n";
        else out += *p;
    }
    return out;
}

// 1252 text as UTF-8 (the generated texts are ASCII; others pass through
// the code page).
std::string ToUtf8(const char* text) {
    std::vector<char16_t> wide(strlen(text) + 1, 0);
    ToWide(text, wide.data(), wide.size());
    std::string out;
    for (size_t i = 0; i < wide.size() && wide[i]; ++i) {
        const uint32_t c = wide[i];
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

const char* const kMainColumns[] = {
    "[Record ID] INTEGER NOT NULL", "[Status] INTEGER", "[Placement] INTEGER", "[Private] BIT",
    "[Category] INTEGER", "[Note] MEMO", "[Prefix] VARCHAR(255)", "[First Name] VARCHAR(255)",
    "[Middle Name] VARCHAR(255)", "[Last Name] VARCHAR(255)", "[Suffix] VARCHAR(255)",
    "[NickName] VARCHAR(255)", "[Anniversary] INTEGER", "[Birthday] INTEGER",
    "[Profession] VARCHAR(255)", "[Company] VARCHAR(255)", "[Job Title] VARCHAR(255)",
    "[Assistant Name] VARCHAR(255)", "[Assistant Phone] VARCHAR(255)",
    "[Work Street] VARCHAR(255)", "[Work City] VARCHAR(255)", "[Work State] VARCHAR(255)",
    "[Work Zip] VARCHAR(255)", "[Work Country] VARCHAR(255)", "[Home Street] VARCHAR(255)",
    "[Home City] VARCHAR(255)", "[Home State] VARCHAR(255)", "[Home Zip] VARCHAR(255)",
    "[Home Country] VARCHAR(255)", "[Other Street] VARCHAR(255)", "[Other City] VARCHAR(255)",
    "[Other State] VARCHAR(255)", "[Other Zip] VARCHAR(255)", "[Other Country] VARCHAR(255)",
    "[Work Phone] VARCHAR(255)", "[Work Fax] VARCHAR(255)", "[Work Mobile] VARCHAR(255)",
    "[Home Phone] VARCHAR(255)", "[Home Fax] VARCHAR(255)", "[Home Mobile] VARCHAR(255)",
    "[Other Phone] VARCHAR(255)", "[Other Fax] VARCHAR(128)", "[Other Mobile] VARCHAR(128)",
    "[Work E-mail] VARCHAR(128)", "[E-mail 1] VARCHAR(128)", "[E-mail 2] VARCHAR(128)",
    "[E-mail 3] VARCHAR(128)", "[Pager] VARCHAR(128)", "[Custom 1] VARCHAR(255)",
    "[Custom 2] VARCHAR(255)", "[Custom 3] VARCHAR(255)", "[Custom 4] VARCHAR(255)",
    "[Primary Contact] INTEGER", "[Phone Label1] INTEGER", "[Phone Label2] INTEGER",
    "[Phone Label3] INTEGER", "[Phone Label4] INTEGER", "[Phone Label5] INTEGER",
    "[Phone Label6] INTEGER", "[Phone Label7] INTEGER", "[First Yomi] VARCHAR(255)",
    "[Last Yomi] VARCHAR(255)", "[Company Yomi] VARCHAR(255)", "[Chat1] VARCHAR(255)",
    "[Chat2] VARCHAR(255)", "[Chat1 LabelID] INTEGER", "[Chat2 LabelID] INTEGER",
    "[Website] VARCHAR(255)", "[Custom 5] VARCHAR(255)", "[Custom 6] VARCHAR(255)",
    "[Custom 7] VARCHAR(255)", "[Custom 8] VARCHAR(255)", "[Custom 9] VARCHAR(255)",
    "[Custom 10] VARCHAR(255)", "[Custom 11] VARCHAR(255)", "[Custom 12] VARCHAR(255)",
    "[Custom 13] VARCHAR(255)", "[Custom 14] VARCHAR(255)", "[Birthday AlarmSet] BIT",
    "[Birthday AlarmAdv] INTEGER", "[Avatar] INTEGER", "[Addr Label1] INTEGER",
    "[Addr Label2] INTEGER", "[Addr Label3] INTEGER", "[Anniversary AlarmSet] BIT",
    "[Anniversary AlarmAdv] INTEGER", "[English Name] VARCHAR(255)",
    "[Picture URL] VARCHAR(255)", "[Picture Filename] VARCHAR(255)",
    "[Picture MIME type] VARCHAR(255)", "[Picture Sync counter] VARCHAR(255)",
    "[Ringtone URL] VARCHAR(255)", "[Ringtone Filename] VARCHAR(255)",
    "[Ringtone MIME type] VARCHAR(255)", "[Ringtone Sync counter] VARCHAR(255)",
};

std::u16string Wide(const std::string& s) {
    std::vector<char16_t> w(s.size() + 1, 0);
    ToWide(s.c_str(), w.data(), w.size());
    return std::u16string(w.data());
}

class Db {
public:
    bool Open(const std::string& path, std::string& error) {
        m_conn = PmCreateDbConnection();
        m_query = PmCreateDbQuery(*m_conn);
        m_conn->SetConnectionString(
            Wide("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"" + path + "\""));
        PmDbError err;
        if (!m_conn->Open(err)) {
            error = "cannot open " + path + ": " + err.message;
            return false;
        }
        return true;
    }
    bool Exec(const std::string& sql, std::string& error) {
        m_query->Close();
        m_query->ClearSql();
        m_query->AddSql(Wide(sql));
        PmDbError err;
        if (!m_query->Execute(err)) {
            error = sql.substr(0, 80) + ": " + err.message;
            return false;
        }
        return true;
    }
    ~Db() {
        if (m_query) m_query->Close();
        if (m_conn) m_conn->Close();
    }

private:
    std::unique_ptr<PmDbConnection> m_conn;
    std::unique_ptr<PmDbQuery> m_query;
};

bool WriteEmptyFile(const std::string& path, std::string& error) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) {
        error = "cannot create " + path;
        return false;
    }
    fclose(f);
    return true;
}

}  // namespace

CommAddr MakeContact(uint32_t seed, int index) {
    Lcg g(seed * 100003u + static_cast<uint32_t>(index));
    CommAddr rec;
    const char* first = kFirst[static_cast<size_t>(index) % 20];
    const char* last = kLast[(static_cast<size_t>(index) / 20 + seed) % 20];
    Set(rec, FID_FIRST_NAME, first);
    // The number keeps every name of a series apart.
    Set(rec, FID_LAST_NAME, std::string(last) + " " + std::to_string(index + 1));
    std::string mail = first;
    for (char& c : mail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    Set(rec, FID_EMAIL, mail + "." + std::to_string(index + 1) + "@example.com");
    Set(rec, FID_COMPANY, g.Pick(kCompany));
    Set(rec, FID_TITLE, g.Pick(kTitle));
    Set(rec, FID_WORK_PHONE, Phone(g));
    if (g.Next() % 2) Set(rec, FID_HOME_PHONE, Phone(g));
    if (g.Next() % 3) Set(rec, FID_MOBILE_PHONE, Phone(g));
    Set(rec, FID_WORK_STREET, std::to_string(1 + g.Next() % 999) + " Main Street");
    Set(rec, FID_WORK_CITY, g.Pick(kCity));
    Set(rec, FID_WORK_STATE, g.Pick(kState));
    Set(rec, FID_WORK_POSTAL, std::to_string(10000 + g.Next() % 89999));
    Set(rec, FID_WORK_COUNTRY, "USA");
    if (g.Next() % 4 == 0) Set(rec, FID_NOTE, "Met at the fair " + std::to_string(1990 + index % 30));
    Set(rec, FID_CATEGORY, g.Pick(kCategory));
    return rec;
}

std::vector<CommAddr> MakeContacts(uint32_t seed, int count) {
    std::vector<CommAddr> out;
    for (int i = 0; i < count; ++i) out.push_back(MakeContact(seed, i));
    return out;
}

std::vector<CommAddr> MakeOutlookContacts(const std::vector<CommAddr>& palm, uint32_t seed,
                                          int count) {
    std::vector<CommAddr> out;
    const int shared = static_cast<int>(palm.size());
    for (int i = 0; i < count; ++i) {
        const int kind = i % 4;  // 0, 1 equal; 2 differing; 3 Outlook only
        if (kind == 3 || i >= shared) {
            CommAddr rec = MakeContact(seed + 7777u, i);
            Set(rec, FID_LAST_NAME, std::string("Outlook ") + rec.m_szLastName);
            out.push_back(rec);
            continue;
        }
        CommAddr rec = palm[static_cast<size_t>(i)];
        if (kind == 2) {
            Lcg g(seed + static_cast<uint32_t>(i));
            switch (i % 3) {
            case 0: Set(rec, FID_WORK_PHONE, Phone(g)); break;
            case 1: Set(rec, FID_WORK_CITY, "Newtown"); break;
            default: Set(rec, FID_NOTE, "Changed in Outlook"); break;
            }
        }
        out.push_back(rec);
    }
    return out;
}

bool CreateAddressMdb(const std::string& path, std::string& error) {
    if (!WriteEmptyFile(path, error)) return false;  // an empty file is an empty database
    Db db;
    if (!db.Open(path, error)) return false;
    std::string sql = "CREATE TABLE Main (";
    for (const char* col : kMainColumns) sql += std::string(col) + ", ";
    sql += "[Photo] IMAGE, [VoiceTag] IMAGE, [Ringtone] IMAGE, [Blob] IMAGE)";
    return db.Exec(sql, error) &&
           db.Exec("CREATE TABLE Category ([ID] INTEGER, [Name] VARCHAR(255), [Status] INTEGER, "
                   "[Color] INTEGER)",
                   error) &&
           db.Exec("INSERT INTO Category ([ID], [Name], [Status], [Color]) VALUES "
                   "(1, 'Business', 1, 0)",
                   error) &&
           db.Exec("INSERT INTO Category ([ID], [Name], [Status], [Color]) VALUES "
                   "(2, 'Personal', 1, 0)",
                   error) &&
           db.Exec("CREATE TABLE Information ([Name] VARCHAR(64), [Note] MEMO)", error);
}

bool ExecSql(const std::string& path, const std::string& sql, std::string& error) {
    Db db;
    return db.Open(path, error) && db.Exec(sql, error);
}

bool WriteAddressData(int generation, const std::string& path,
                      const std::vector<CommAddr>& contacts, std::string& error) {
    if (generation == PM_GEN_6X) {
        if (!CreateAddressMdb(path, error)) return false;
    } else if (generation == PM_GEN_CLASSIC || generation == PM_GEN_41X) {
        // A file with no contacts, in the generation's layout.
        if (!WriteEmptyFile(path, error)) return false;
        bool ok = false;
        if (generation == PM_GEN_CLASSIC) {
            PmAddrUtil empty;
            ok = empty.SaveAs(path.c_str());
        } else {
            PmAddrExUtil empty;
            ok = empty.SaveAs(path.c_str());
        }
        if (!ok) {
            error = "cannot write an empty contacts file " + path;
            return false;
        }
    } else {
        error = "unknown generation";
        return false;
    }
    bool ok = true;
    {
        PmAddrInfo info(0xFFFFFFFFu);
        if (!info.LoadFile(path.c_str()) || info.GetLoadedGeneration() != generation) {
            error = "cannot load the new contacts file " + path;
            ok = false;
        }
        for (size_t i = 0; ok && i < contacts.size(); ++i) {
            if (!info.AddContact(&contacts[i])) {
                error = "cannot add contact " + std::to_string(i + 1);
                ok = false;
            }
        }
        if (ok && generation != PM_GEN_6X) {
            // As after a HotSync: every record has an ID and nothing is pending.
            for (size_t i = 0;; ++i) {
                if (generation == PM_GEN_CLASSIC) {
                    PmAddrRecord* r = info.GetClassicStore()->GetRecords()->GetAt(i);
                    if (!r) break;
                    r->nRecordId = static_cast<int32_t>(i + 1);
                    r->nStatus = 0;
                    r->nPlacement = static_cast<int32_t>(i);
                } else {
                    PmAddrExRecord* r = info.GetExStore()->GetRecords()->GetAt(i);
                    if (!r) break;
                    r->nRecordId = static_cast<int32_t>(i + 1);
                    r->nStatus = 0;
                    r->nPlacement = static_cast<int32_t>(i);
                }
            }
        }
        if (ok && !info.Save()) {
            error = "cannot save " + path;
            ok = false;
        }
    }
    if (generation == PM_GEN_6X) {
        TdmMain::Instance().CloseAll();
        if (ok) {
            Db db;
            ok = db.Open(path, error) &&
                 db.Exec("UPDATE Main SET [Record ID] = rowid, [Status] = 0, [Placement] = rowid",
                         error) &&
                 // As Palm Desktop keeps them: Record ID is the table's key, and
                 // the Information table names the next free one.
                 db.Exec("CREATE UNIQUE INDEX MainRecordID ON Main ([Record ID])", error) &&
                 db.Exec("INSERT INTO Information ([Name], [Note]) SELECT 'FreeRecID', "
                         "CAST(COALESCE(MAX([Record ID]), 0) + 1 AS TEXT) FROM Main",
                         error);
        }
    }
    return ok;
}

bool WriteOutlookFile(const std::string& path, const std::vector<CommAddr>& contacts,
                      std::string& error) {
    static const struct {
        int32_t id;
        const char* name;
    } kProps[] = {
        {FID_FIRST_NAME, "FirstName"},
        {FID_LAST_NAME, "LastName"},
        {FID_EMAIL, "Email1Address"},
        {FID_COMPANY, "CompanyName"},
        {FID_TITLE, "JobTitle"},
        {FID_WORK_PHONE, "BusinessTelephoneNumber"},
        {FID_HOME_PHONE, "HomeTelephoneNumber"},
        {FID_MOBILE_PHONE, "MobileTelephoneNumber"},
        {FID_WORK_STREET, "BusinessAddressStreet"},
        {FID_WORK_CITY, "BusinessAddressCity"},
        {FID_WORK_STATE, "BusinessAddressState"},
        {FID_WORK_POSTAL, "BusinessAddressPostalCode"},
        {FID_WORK_COUNTRY, "BusinessAddressCountry"},
        {FID_NOTE, "Body"},
        {FID_CATEGORY, "Categories"},
    };
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) {
        error = "cannot create " + path;
        return false;
    }
    std::string text = "# stand-in Outlook contacts made by pdsetup\r\n";
    for (const CommAddr& rec : contacts) {
        text += "[Contact]\r\n";
        for (const auto& p : kProps) {
            size_t size = 0;
            const char* value = GetTextSlot(rec, p.id, &size);
            if (!value || !value[0]) continue;
            text += std::string(p.name) + "=" + Escape(ToUtf8(value).c_str()) + "\r\n";
        }
    }
    const bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
    if (fclose(f) != 0 || !ok) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

int GenerationOfTag(int tag) {
    switch (tag) {
    case 410: return PM_GEN_CLASSIC;
    case 414: return PM_GEN_41X;
    case 620: return PM_GEN_6X;
    default: return PM_GEN_UNKNOWN;
    }
}

uint32_t UserId(int i) { return 1001u + static_cast<uint32_t>(i); }
std::string UserName(int i) { return "Demo User " + std::to_string(i + 1); }
std::string UserDirectory(int i) { return "DemoUser" + std::to_string(i + 1); }

#ifdef _WIN32

namespace {

bool MakeFolder(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr)) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS;
}

// Creates every missing folder of a path.
bool MakeFolders(const std::string& path) {
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\' || path[i] == '/') {
            if (!MakeFolder(path.substr(0, i))) return false;
        }
    }
    return true;
}

bool SetHkcuValue(const char* key, const char* name, const std::string& value) {
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

std::string ProgramFolder() {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string s = exe;
    return s.substr(0, s.find_last_of("\\/") + 1);
}

// The 6.x database goes through ADO: the stand-in provider must answer.
bool RegisterAdoStandIn(const std::string& from, std::string& error) {
    const std::string dll = from + "vt_ado_standin.dll";
    HMODULE mod = LoadLibraryA(dll.c_str());
    if (!mod) {
        error = "cannot load " + dll;
        return false;
    }
    using RegisterFn = HRESULT(__stdcall*)();
    auto reg = reinterpret_cast<RegisterFn>(
        reinterpret_cast<void*>(GetProcAddress(mod, "DllRegisterServer")));
    if (!reg || reg() != S_OK) {
        error = "cannot register " + dll;
        return false;
    }
    return true;
}

}  // namespace

bool Install(const Options& o, std::string& error) {
    const int gen = GenerationOfTag(o.generation);
    if (!gen) {
        error = "generation must be 410, 414 or 620";
        return false;
    }
    if (o.folder.empty() || o.users < 1 || o.users > 100 || o.contacts < 0 ||
        o.contacts > 100000 || o.outlookContacts > 100000) {
        error = "bad folder, user count (1-100) or contact count (0-100000)";
        return false;
    }
    std::string folder = o.folder;
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    std::string from = o.sourceFolder.empty() ? ProgramFolder() : o.sourceFolder;
    if (from.back() != '\\' && from.back() != '/') from += '\\';
    if (!MakeFolders(folder.substr(0, folder.size() - 1))) {
        error = "cannot create " + folder;
        return false;
    }
    for (const char* lib : {"UserData.dll", "condmgr.dll", "HSAPI.DLL", "instaide.dll"}) {
        if (!CopyFileA((from + lib).c_str(), (folder + lib).c_str(), FALSE)) {
            error = std::string("cannot copy ") + from + lib;
            return false;
        }
    }
    const std::string exe = from + "v" + std::to_string(o.generation) + "\\palm.exe";
    if (!CopyFileA(exe.c_str(), (folder + "palm.exe").c_str(), FALSE)) {
        error = "cannot copy " + exe;
        return false;
    }
    std::string users;
    for (int i = 0; i < o.users; ++i)
        users += std::to_string(UserId(i)) + "\t" + UserName(i) + "\t" + UserDirectory(i) + "\r\n";
    {
        FILE* f = fopen((folder + "users.txt").c_str(), "wb");
        if (!f || fwrite(users.data(), 1, users.size(), f) != users.size()) {
            if (f) fclose(f);
            error = "cannot write users.txt";
            return false;
        }
        fclose(f);
    }
    if (!SetHkcuValue("Software\\U.S. Robotics\\Pilot Desktop\\Core", "DesktopPath", folder)) {
        error = "cannot set the DesktopPath registry value";
        return false;
    }
    if (gen == PM_GEN_6X) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (!RegisterAdoStandIn(from, error)) return false;
    }
    std::vector<CommAddr> firstUser;
    for (int i = 0; i < o.users; ++i) {
        const std::string dir = folder + UserDirectory(i) + "\\address";
        if (!MakeFolders(dir)) {
            error = "cannot create " + dir;
            return false;
        }
        std::vector<CommAddr> contacts = MakeContacts(o.seed + static_cast<uint32_t>(i), o.contacts);
        const std::string file = dir + (gen == PM_GEN_6X ? "\\Address.mdb" : "\\address.dat");
        if (!WriteAddressData(gen, file, contacts, error)) return false;
        if (i == 0) firstUser = contacts;
    }
    if (!o.outlookFile.empty()) {
        const int count = o.outlookContacts < 0 ? o.contacts : o.outlookContacts;
        if (!WriteOutlookFile(o.outlookFile, MakeOutlookContacts(firstUser, o.seed, count), error))
            return false;
        if (o.setOutlookDataFile &&
            !SetHkcuValue("Software\\Vantoro\\StandIns\\Outlook", "DataFile", o.outlookFile)) {
            error = "cannot set the stand-in Outlook DataFile registry value";
            return false;
        }
    }
    return true;
}

#endif

}  // namespace pdsetup
