#include "Fixture.h"

#include <cstdio>
#include <cstring>

#include "common/palm/PalmText.h"
#include "support/TestSupport.h"

namespace palm6_test {

namespace {

const char* const kMainColumns[] = {
    "[Record ID] INTEGER NOT NULL PRIMARY KEY, ",
    "[Status] INTEGER, ",
    "[Placement] INTEGER, ",
    "[Private] BIT, ",
    "[Category] INTEGER, ",
    "[Note] MEMO, ",
    "[Prefix] VARCHAR(255), ",
    "[First Name] VARCHAR(255), ",
    "[Middle Name] VARCHAR(255), ",
    "[Last Name] VARCHAR(255), ",
    "[Suffix] VARCHAR(255), ",
    "[NickName] VARCHAR(255), ",
    "[Anniversary] INTEGER, ",
    "[Birthday] INTEGER, ",
    "[Profession] VARCHAR(255), ",
    "[Company] VARCHAR(255), ",
    "[Job Title] VARCHAR(255), ",
    "[Assistant Name] VARCHAR(255), ",
    "[Assistant Phone] VARCHAR(255), ",
    "[Work Street] VARCHAR(255), ",
    "[Work City] VARCHAR(255), ",
    "[Work State] VARCHAR(255), ",
    "[Work Zip] VARCHAR(255), ",
    "[Work Country] VARCHAR(255), ",
    "[Home Street] VARCHAR(255), ",
    "[Home City] VARCHAR(255), ",
    "[Home State] VARCHAR(255), ",
    "[Home Zip] VARCHAR(255), ",
    "[Home Country] VARCHAR(255), ",
    "[Other Street] VARCHAR(255), ",
    "[Other City] VARCHAR(255), ",
    "[Other State] VARCHAR(255), ",
    "[Other Zip] VARCHAR(255), ",
    "[Other Country] VARCHAR(255), ",
    "[Work Phone] VARCHAR(255), ",
    "[Work Fax] VARCHAR(255), ",
    "[Work Mobile] VARCHAR(255), ",
    "[Home Phone] VARCHAR(255), ",
    "[Home Fax] VARCHAR(255), ",
    "[Home Mobile] VARCHAR(255), ",
    "[Other Phone] VARCHAR(255), ",
    "[Other Fax] VARCHAR(128), ",
    "[Other Mobile] VARCHAR(128), ",
    "[Work E-mail] VARCHAR(128), ",
    "[E-mail 1] VARCHAR(128), ",
    "[E-mail 2] VARCHAR(128), ",
    "[E-mail 3] VARCHAR(128), ",
    "[Pager] VARCHAR(128), ",
    "[Custom 1] VARCHAR(255), ",
    "[Custom 2] VARCHAR(255), ",
    "[Custom 3] VARCHAR(255), ",
    "[Custom 4] VARCHAR(255), ",
    "[Primary Contact] INTEGER, ",
    "[Phone Label1] INTEGER, ",
    "[Phone Label2] INTEGER, ",
    "[Phone Label3] INTEGER, ",
    "[Phone Label4] INTEGER, ",
    "[Phone Label5] INTEGER, ",
    "[Phone Label6] INTEGER, ",
    "[Phone Label7] INTEGER, ",
    "[First Yomi] VARCHAR(255), ",
    "[Last Yomi] VARCHAR(255), ",
    "[Company Yomi] VARCHAR(255), ",
    "[Chat1] VARCHAR(255), ",
    "[Chat2] VARCHAR(255), ",
    "[Chat1 LabelID] INTEGER, ",
    "[Chat2 LabelID] INTEGER, ",
    "[Website] VARCHAR(255), ",
    "[Custom 5] VARCHAR(255), ",
    "[Custom 6] VARCHAR(255), ",
    "[Custom 7] VARCHAR(255), ",
    "[Custom 8] VARCHAR(255), ",
    "[Custom 9] VARCHAR(255), ",
    "[Custom 10] VARCHAR(255), ",
    "[Custom 11] VARCHAR(255), ",
    "[Custom 12] VARCHAR(255), ",
    "[Custom 13] VARCHAR(255), ",
    "[Custom 14] VARCHAR(255), ",
    "[Birthday AlarmSet] BIT, ",
    "[Birthday AlarmAdv] INTEGER, ",
    "[Avatar] INTEGER, ",
    "[Addr Label1] INTEGER, ",
    "[Addr Label2] INTEGER, ",
    "[Addr Label3] INTEGER, ",
    "[Anniversary AlarmSet] BIT, ",
    "[Anniversary AlarmAdv] INTEGER, ",
    "[English Name] VARCHAR(255), ",
    "[Picture URL] VARCHAR(255), ",
    "[Picture Filename] VARCHAR(255), ",
    "[Picture MIME type] VARCHAR(255), ",
    "[Picture Sync counter] VARCHAR(255), ",
    "[Ringtone URL] VARCHAR(255), ",
    "[Ringtone Filename] VARCHAR(255), ",
    "[Ringtone MIME type] VARCHAR(255), ",
    "[Ringtone Sync counter] VARCHAR(255), ",
};

std::u16string Wide(const std::string& s) {
    std::vector<char16_t> w(s.size() + 1, 0);
    ToWide(s.c_str(), w.data(), w.size());
    return std::u16string(w.data());
}

}  // namespace

Fixture::Fixture(const std::string& path, const FixtureShape& shape) {
    if (shape.create) vt_test::WriteText(path, "");  // an empty file is an empty database
    m_conn = PmCreateDbConnection();
    m_query = PmCreateDbQuery(*m_conn);
    m_conn->SetConnectionString(Wide("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"" + path + "\""));
    PmDbError err;
    if (!m_conn->Open(err)) {
        m_error = "open: " + err.message;
        return;
    }
    Exec("PRAGMA synchronous=OFF");
    if (shape.main) {
        std::string sql = "CREATE TABLE Main (";
        for (const char* col : kMainColumns) {
            std::string c = col;
            std::string name = c.substr(1, c.find(']') - 1);
            if (name == shape.dropColumn) continue;
            auto t = shape.typeOf.find(name);
            if (t != shape.typeOf.end()) c = "[" + name + "] " + t->second + ", ";
            sql += c;
        }
        sql += "[Photo] IMAGE, [VoiceTag] IMAGE, [Ringtone] IMAGE, [Blob] IMAGE)";
        if (!Exec(sql)) return;
    }
    if (shape.category &&
        !Exec("CREATE TABLE Category ([ID] INTEGER, [Name] VARCHAR(255), [Status] INTEGER, "
              "[Color] INTEGER)"))
        return;
    if (shape.information &&
        !Exec("CREATE TABLE Information ([Name] VARCHAR(64), [Note] MEMO)"))
        return;
    m_ok = true;
}

Fixture::~Fixture() { Close(); }

void Fixture::Close() {
    if (m_query) m_query->Close();
    if (m_conn) m_conn->Close();
}

bool Fixture::Exec(const std::string& sql) {
    m_query->Close();
    m_query->ClearSql();
    m_query->AddSql(Wide(sql));
    PmDbError err;
    if (!m_query->Execute(err)) {
        m_error = sql.substr(0, 200) + ": " + err.message;
        return false;
    }
    return true;
}

bool Fixture::AddCategory(int id, const std::string& name) {
    std::vector<char> quoted(name.size() * 2 + 1, 0);
    memcpy(quoted.data(), name.c_str(), name.size());
    DoubleQuotes(quoted.data(), quoted.size());
    return Exec("INSERT INTO Category ([ID], [Name], [Status], [Color]) VALUES (" +
                std::to_string(id) + ", '" + quoted.data() + "', 1, 0)");
}

bool Fixture::AddInfo(const std::string& name, const std::string& note) {
    return Exec("INSERT INTO Information ([Name], [Note]) VALUES ('" + name + "', '" + note + "')");
}

bool Fixture::AddRecord(const PmAddrEx2Record& rec) {
    PmSqlValues values(PM_ADDREX2_COLUMNS);
    for (int i = 0; i < PM_ADDREX2_COLUMNS; ++i)
        if (!GetColumnValue(&rec, i, &values[static_cast<size_t>(i)])) return false;
    std::string sql = BuildSqlStatement("Main", nullptr, SQL_INSERT, GetColumnList(),
                                        values.data(), PM_ADDREX2_COLUMNS);
    return Exec(sql);
}

std::vector<std::vector<std::string>> Fixture::Rows(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    m_query->Close();
    m_query->ClearSql();
    m_query->AddSql(Wide(sql));
    PmDbError err;
    if (!m_query->Open(err)) {
        m_error = err.message;
        return rows;
    }
    while (!m_query->IsEof()) {
        std::vector<std::string> row;
        for (int i = 0; i < m_query->FieldCount(); ++i) {
            PmSqlValue v;
            m_query->GetField(i, v);
            char buf[4096] = {};
            if (v.vt == PM_VT_NULL) snprintf(buf, sizeof buf, "<null>");
            else if (v.vt == PM_VT_BSTR) GetSqlText(&v, buf, sizeof buf);
            else if (v.vt == PM_VT_BOOL) snprintf(buf, sizeof buf, "%s", v.boolVal ? "true" : "false");
            else if (v.vt == PM_VT_I4 || v.vt == PM_VT_I2) snprintf(buf, sizeof buf, "%d", static_cast<int>(v.lVal));
            else snprintf(buf, sizeof buf, "<kind %d>", v.vt);
            row.push_back(buf);
        }
        rows.push_back(row);
        if (!m_query->Next(err)) break;
    }
    m_query->Close();
    return rows;
}

PmAddrEx2Record MakeRecord(int id, bool longTexts) {
    PmAddrEx2Record r;
    ClearRecord(r);
    // Every text column gets a value of its own, some with quotes.
    for (int col = 0; col < PM_ADDREX2_COLUMNS; ++col) {
        PmSqlValue v;
        char text[2048];
        int width = longTexts ? 2048 : 32;
        if (longTexts) {
            std::string s = "O'" + std::to_string(id) + "-" + std::to_string(col) + " ";
            std::string full;
            while (full.size() < static_cast<size_t>(width) - 1) full += s;
            full.resize(static_cast<size_t>(width) - 1);
            snprintf(text, sizeof text, "%s", full.c_str());
        } else {
            snprintf(text, sizeof text, "c%d r%d", col, id);
        }
        SetSqlText(&v, text);
        SetColumnValue(&v, col, &r);  // integer and boolean columns read the leading number
    }
    r.m_nRecordID = id;
    r.m_nStatus = id % 3;
    r.m_nPlacement = id * 2;
    r.m_bPrivate = static_cast<uint8_t>(id % 2);
    r.m_nCategoryID = id % 4;
    snprintf(r.m_szFirstName, sizeof r.m_szFirstName, "First%d", id);
    snprintf(r.m_szLastName, sizeof r.m_szLastName, "O'Last%d", id);
    r.m_nAnniversary = 20000 + id;
    r.m_nBirthday = -id;
    for (int i = 0; i < PM_ADDREX2_PHONES; ++i) r.m_nPhoneLabel[i] = (id + i) % 8;
    r.m_nPrimaryContact = id % 7;
    r.m_nChat1LabelID = 1;
    r.m_nChat2LabelID = 2;
    r.m_bBirthdayAlarmSet = 1;
    r.m_nBirthdayAlarmAdv = 3;
    r.m_nAvatar = 4;
    r.m_nAddrLabel1 = 5;
    r.m_nAddrLabel2 = 6;
    r.m_nAddrLabel3 = 7;
    r.m_bAnniversaryAlarmSet = 0;
    r.m_nAnniversaryAlarmAdv = 9;
    return r;
}

}  // namespace palm6_test
