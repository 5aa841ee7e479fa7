// The stand-in Outlook's data and habits; see OlStandInModel.h and
// docs/standins.md.
#include "standins/outlook/OlStandInModel.h"

#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "standins/outlook/OlStandIn.h"
#include "standins/outlook/OlStandInText.h"

namespace olsi {

// ---------------------------------------------------------------- settings

std::wstring ReadSetting(const wchar_t* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, VT_OLSTANDIN_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::wstring();
    std::wstring out;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, value, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size >= sizeof(wchar_t) && size < 65536) {
        std::vector<wchar_t> buf(size / sizeof(wchar_t) + 1, 0);
        if (RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()),
                             &size) == ERROR_SUCCESS)
            out.assign(buf.data());
    }
    RegCloseKey(key);
    return out;
}

namespace {

std::vector<std::wstring> SplitList(const std::wstring& s) {
    std::vector<std::wstring> out;
    size_t pos = 0;
    while (pos <= s.size()) {
        size_t end = s.find(L',', pos);
        if (end == std::wstring::npos) end = s.size();
        std::wstring item = s.substr(pos, end - pos);
        while (!item.empty() && item.front() == L' ') item.erase(0, 1);
        while (!item.empty() && item.back() == L' ') item.pop_back();
        if (!item.empty()) out.push_back(item);
        pos = end + 1;
    }
    return out;
}

bool IsOn(const std::wstring& s) { return s == L"1" || NameCompare(s.c_str(), L"yes") == 0; }

}  // namespace

void Habits::Read() {
    englishOnlyName = ReadSetting(VT_OLSTANDIN_ENGLISHONLY);
    unknownName = ReadSetting(VT_OLSTANDIN_UNKNOWNNAME);
    failName = ReadSetting(VT_OLSTANDIN_FAILNAME);
    const std::wstring o = ReadSetting(VT_OLSTANDIN_ITEMORDER);
    order = NameCompare(o.c_str(), L"reversed") == 0   ? Order::kReversed
            : NameCompare(o.c_str(), L"shuffled") == 0 ? Order::kShuffled
                                                         : Order::kStable;
    const std::wstring p = ReadSetting(VT_OLSTANDIN_NEWITEMPLACE);
    newItemPlace = NameCompare(p.c_str(), L"start") == 0      ? Place::kStart
                   : NameCompare(p.c_str(), L"anywhere") == 0 ? Place::kAnywhere
                                                                : Place::kEnd;
    longEntryIds = IsOn(ReadSetting(VT_OLSTANDIN_LONGENTRYIDS));
    denied.clear();
    for (const auto& n : SplitList(ReadSetting(VT_OLSTANDIN_DENYREADS))) denied.insert(n);
    refusedPuts.clear();
    for (const auto& n : SplitList(ReadSetting(VT_OLSTANDIN_REFUSEPUTS))) refusedPuts.insert(n);
    busyMs = static_cast<uint32_t>(wcstoul(ReadSetting(VT_OLSTANDIN_BUSYMS).c_str(), nullptr, 10));
    nameRules = IsOn(ReadSetting(VT_OLSTANDIN_NAMERULES));
    noDate4501 = IsOn(ReadSetting(VT_OLSTANDIN_NODATE4501));
}

int NameCompare(const wchar_t* a, const wchar_t* b) {
    for (;; ++a, ++b) {
        wchar_t x = *a >= L'A' && *a <= L'Z' ? static_cast<wchar_t>(*a + 32) : *a;
        wchar_t y = *b >= L'A' && *b <= L'Z' ? static_cast<wchar_t>(*b + 32) : *b;
        if (x != y) return x < y ? -1 : 1;
        if (!x) return 0;
    }
}

// -------------------------------------------------------- contact properties

// Every contact item property the program exchanges, with its automation type.
const PropDef kProps[] = {
    {L"Account", kText, false},
    {L"Anniversary", kDate, false},
    {L"AssistantName", kText, false},
    {L"AssistantTelephoneNumber", kText, false},
    {L"Birthday", kDate, false},
    {L"Business2TelephoneNumber", kText, false},
    {L"BusinessAddressCity", kText, false},
    {L"BusinessAddressCountry", kText, false},
    {L"BusinessAddressPostalCode", kText, false},
    {L"BusinessAddressPostOfficeBox", kText, false},
    {L"BusinessAddressState", kText, false},
    {L"BusinessAddressStreet", kText, false},
    {L"BusinessFaxNumber", kText, false},
    {L"BusinessHomePage", kText, false},
    {L"BusinessTelephoneNumber", kText, false},
    {L"CallbackTelephoneNumber", kText, false},
    {L"CarTelephoneNumber", kText, false},
    {L"CompanyMainTelephoneNumber", kText, false},
    {L"CompanyName", kText, false},
    {L"ComputerNetworkName", kText, false},
    {L"CustomerID", kText, false},
    {L"Department", kText, false},
    {L"Email1Address", kText, false},
    {L"Email1AddressType", kText, false},
    {L"Email1DisplayName", kText, false},
    {L"Email2Address", kText, false},
    {L"Email2AddressType", kText, false},
    {L"Email2DisplayName", kText, false},
    {L"Email3Address", kText, false},
    {L"Email3AddressType", kText, false},
    {L"Email3DisplayName", kText, false},
    {L"FirstName", kText, false},
    {L"FTPSite", kText, false},
    {L"FullName", kText, false},
    {L"Gender", kLong, false},
    {L"Hobby", kText, false},
    {L"Home2TelephoneNumber", kText, false},
    {L"HomeAddressCity", kText, false},
    {L"HomeAddressCountry", kText, false},
    {L"HomeAddressPostalCode", kText, false},
    {L"HomeAddressPostOfficeBox", kText, false},
    {L"HomeAddressState", kText, false},
    {L"HomeAddressStreet", kText, false},
    {L"HomeFaxNumber", kText, false},
    {L"HomeTelephoneNumber", kText, false},
    {L"IMAddress", kText, false},
    {L"Initials", kText, false},
    {L"ISDNNumber", kText, false},
    {L"JobTitle", kText, false},
    {L"Language", kText, false},
    {L"LastName", kText, false},
    {L"MailingAddressCity", kText, false},
    {L"MailingAddressCountry", kText, false},
    {L"MailingAddressPostalCode", kText, false},
    {L"MailingAddressPostOfficeBox", kText, false},
    {L"MailingAddressState", kText, false},
    {L"MailingAddressStreet", kText, false},
    {L"ManagerName", kText, false},
    {L"MiddleName", kText, false},
    {L"MobileTelephoneNumber", kText, false},
    {L"NickName", kText, false},
    {L"OtherAddressCity", kText, false},
    {L"OtherAddressCountry", kText, false},
    {L"OtherAddressPostalCode", kText, false},
    {L"OtherAddressPostOfficeBox", kText, false},
    {L"OtherAddressState", kText, false},
    {L"OtherAddressStreet", kText, false},
    {L"OtherTelephoneNumber", kText, false},
    {L"PagerNumber", kText, false},
    {L"PersonalHomePage", kText, false},
    {L"PrimaryTelephoneNumber", kText, false},
    {L"Profession", kText, false},
    {L"RadioTelephoneNumber", kText, false},
    {L"Spouse", kText, false},
    {L"WebPage", kText, false},
    {L"Body", kText, false},
    {L"CreationTime", kDate, true},
    {L"LastModificationTime", kDate, true},
    {L"Categories", kText, false},
    // Not exchanged by the program, but part of Outlook's name handling and
    // of its Exchange addresses.
    {L"Suffix", kText, false},
    {L"Title", kText, false},
    {L"Email1EntryID", kText, true},
    {L"Email2EntryID", kText, true},
    {L"Email3EntryID", kText, true},
};const size_t kPropCount = sizeof(kProps) / sizeof(kProps[0]);

int FindProp(const wchar_t* name) {
    for (size_t i = 0; i < kPropCount; ++i)
        if (NameCompare(kProps[i].name, name) == 0) return static_cast<int>(i);
    return -1;
}

// ------------------------------------------------------------------ names

namespace {

std::vector<std::wstring> Words(const std::wstring& s) {
    std::vector<std::wstring> out;
    size_t pos = 0;
    while (pos < s.size()) {
        while (pos < s.size() && s[pos] == L' ') ++pos;
        size_t end = s.find(L' ', pos);
        if (end == std::wstring::npos) end = s.size();
        if (end > pos) out.push_back(s.substr(pos, end - pos));
        pos = end;
    }
    return out;
}

bool InList(const std::wstring& word, std::initializer_list<const wchar_t*> list) {
    std::wstring w = word;
    if (!w.empty() && w.back() == L'.') w.pop_back();
    for (const wchar_t* x : list)
        if (NameCompare(w.c_str(), x) == 0) return true;
    return false;
}

std::wstring Join(const std::vector<std::wstring>& words, size_t from, size_t to) {
    std::wstring out;
    for (size_t i = from; i < to; ++i) {
        if (!out.empty()) out += L' ';
        out += words[i];
    }
    return out;
}

std::wstring& Text(Contact& c, const wchar_t* name) { return c.text[static_cast<size_t>(FindProp(name))]; }
const std::wstring& Text(const Contact& c, const wchar_t* name) {
    return c.text[static_cast<size_t>(FindProp(name))];
}

}  // namespace

std::wstring DeriveFullName(const Contact& c) {
    std::wstring out;
    for (const wchar_t* n : {L"Title", L"FirstName", L"MiddleName", L"LastName", L"Suffix"}) {
        const std::wstring& part = Text(c, n);
        if (part.empty()) continue;
        if (!out.empty()) out += L' ';
        out += part;
    }
    return out;
}

void ParseFullName(Contact& c, const std::wstring& full) {
    for (const wchar_t* n : {L"Title", L"FirstName", L"MiddleName", L"LastName", L"Suffix"}) Text(c, n).clear();
    Text(c, L"FullName") = full;
    std::wstring rest = full;
    std::wstring last;
    const size_t comma = rest.find(L',');
    if (comma != std::wstring::npos) {  // "Last, First Middle"
        last = rest.substr(0, comma);
        while (!last.empty() && last.back() == L' ') last.pop_back();
        rest = rest.substr(comma + 1);
    }
    std::vector<std::wstring> w = Words(rest);
    size_t from = 0, to = w.size();
    if (to > from + 1 && InList(w[from], {L"Mr", L"Mrs", L"Ms", L"Miss", L"Dr", L"Prof"})) Text(c, L"Title") = w[from++];
    if (to > from + 1 && InList(w[to - 1], {L"Jr", L"Sr", L"II", L"III", L"IV", L"PhD", L"MD", L"Esq"}))
        Text(c, L"Suffix") = w[--to];
    if (last.empty() && to - from >= 2) last = w[--to];
    if (to > from) Text(c, L"FirstName") = w[from++];
    Text(c, L"MiddleName") = Join(w, from, to);
    Text(c, L"LastName") = last;
}

// ------------------------------------------------------------ the data file

std::wstring Utf8ToWide(const std::string& s) {
    if (s.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
    return out;
}

std::string WideToUtf8(const std::wstring& s) {
    if (s.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
}

namespace {

using olstandin::EscapeLine;
using olstandin::UnescapeLine;

uint64_t IdNumber(const std::wstring& id) {
    if (id.size() < 16) return 0;
    return wcstoull(id.substr(id.size() - 16).c_str(), nullptr, 16);
}

}  // namespace

Store::~Store() {
    if (dirty) Save();
}

void Store::Load() {
    items.clear();
    deleted.clear();
    addressBook.clear();
    if (path.empty()) return;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return;  // no file yet: an empty folder
    std::string data;
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0) data.append(chunk, n);
    fclose(f);
    if (data.size() >= 3 && data.compare(0, 3, "\xEF\xBB\xBF") == 0) data.erase(0, 3);
    std::shared_ptr<Contact> cur;
    std::wstring exSmtp[3];
    auto finish = [&] {
        if (!cur) return;
        for (int k = 0; k < 3; ++k) {
            const std::wstring base = L"Email" + std::to_wstring(k + 1);
            if (NameCompare(Text(*cur, (base + L"AddressType").c_str()).c_str(), L"EX") != 0) continue;
            std::wstring& id = Text(*cur, (base + L"EntryID").c_str());
            if (id.empty()) id = L"00000000DCA740C8C042101AB4B908002B2FE1820100000000000000" + std::to_wstring(k + 1) + Text(*cur, (base + L"Address").c_str());
            addressBook.push_back({id, Text(*cur, (base + L"Address").c_str()), exSmtp[k]});
            exSmtp[k].clear();
        }
    };
    size_t pos = 0;
    while (pos < data.size()) {
        size_t end = data.find('\n', pos);
        if (end == std::string::npos) end = data.size();
        std::string line = data.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line == "[Contact]" || line == "[Deleted]") {
            finish();
            cur = std::make_shared<Contact>();
            (line == "[Contact]" ? items : deleted).push_back(cur);
            continue;
        }
        size_t eq = line.find('=');
        if (!cur || eq == std::string::npos) continue;  // not ours: skipped
        const std::wstring key = Utf8ToWide(line.substr(0, eq));
        const std::string value = UnescapeLine(line.substr(eq + 1));
        if (NameCompare(key.c_str(), L"EntryID") == 0) {
            cur->entryId = Utf8ToWide(value);
        } else if (NameCompare(key.c_str(), L"Class") == 0) {
            cur->cls = strtol(value.c_str(), nullptr, 10);
        } else if (NameCompare(key.c_str(), L"DLName") == 0) {
            cur->dlName = Utf8ToWide(value);
        } else if (NameCompare(key.c_str(), L"Deny") == 0) {
            for (const auto& d : SplitList(Utf8ToWide(value))) cur->denied.insert(d);
        } else if (key.size() == 7 && NameCompare(key.substr(0, 6).c_str(), L"ExSmtp") == 0 &&
                   key[6] >= L'1' && key[6] <= L'3') {
            exSmtp[key[6] - L'1'] = Utf8ToWide(value);
        } else {
            int p = FindProp(key.c_str());
            if (p < 0) continue;
            if (kProps[p].type == kText) cur->text[p] = Utf8ToWide(value);
            else cur->number[p] = strtod(value.c_str(), nullptr);
        }
    }
    finish();
    // Items saved before have their EntryID; the counter goes past them.
    for (auto* folder : {&items, &deleted})
        for (const auto& c : *folder) nextId = std::max(nextId, IdNumber(c->entryId) + 1);
    for (auto* folder : {&items, &deleted})
        for (const auto& c : *folder)
            if (c->entryId.empty()) c->entryId = NewEntryId();
}

void Store::Save() {
    dirty = false;
    if (path.empty()) return;
    std::string out = "# Vantoro stand-in Outlook contacts (UTF-8)\r\n";
    char num[64];
    for (auto* folder : {&items, &deleted}) {
        for (const auto& c : *folder) {
            out += folder == &items ? "[Contact]\r\n" : "[Deleted]\r\n";
            out += "EntryID=" + WideToUtf8(c->entryId) + "\r\n";
            if (c->cls != kClassContact) out += "Class=" + std::to_string(c->cls) + "\r\n";
            if (!c->dlName.empty()) out += "DLName=" + EscapeLine(WideToUtf8(c->dlName)) + "\r\n";
            if (!c->denied.empty()) {
                std::wstring list;
                for (const auto& d : c->denied) list += (list.empty() ? L"" : L",") + d;
                out += "Deny=" + WideToUtf8(list) + "\r\n";
            }
            for (size_t p = 0; p < kPropCount; ++p) {
                std::string value;
                if (kProps[p].type == kText) {
                    if (c->text[p].empty()) continue;
                    value = EscapeLine(WideToUtf8(c->text[p]));
                } else {
                    if (c->number[p] == 0) continue;
                    if (kProps[p].type == kLong)
                        snprintf(num, sizeof num, "%ld", static_cast<long>(c->number[p]));
                    else
                        snprintf(num, sizeof num, "%.17g", c->number[p]);
                    value = num;
                }
                out += WideToUtf8(kProps[p].name) + "=" + value + "\r\n";
            }
            for (int k = 0; k < 3; ++k) {
                const AddressEntry* e =
                    FindAddress(Text(*c, (L"Email" + std::to_wstring(k + 1) + L"EntryID").c_str()));
                if (e && !e->smtp.empty())
                    out += "ExSmtp" + std::to_string(k + 1) + "=" + EscapeLine(WideToUtf8(e->smtp)) + "\r\n";
            }
        }
    }
    std::wstring tmp = path + L".tmp";
    FILE* f = _wfopen(tmp.c_str(), L"wb");
    if (!f) return;
    bool ok = fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = fclose(f) == 0 && ok;
    if (ok) MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    else DeleteFileW(tmp.c_str());
}

std::wstring Store::NewEntryId() {
    // A personal folders file gives 48 hex digits; an Exchange mailbox 140
    // and more. The last 16 count up.
    std::wstring id = L"00000000";
    id += habits.longEntryIds ? L"DCA740C8C042101AB4B908002B2FE18201000000000000002F6F3D56414E544F524F2F6F753D45786368616E67652F636E3D526563697069656E74732F636E3D"
                              : L"38A1BB1005E5101AA1BB08002B2A56C2";
    wchar_t tail[32];
    swprintf(tail, 32, L"%016llX", static_cast<unsigned long long>(nextId++));
    return id + tail;
}

size_t Store::InsertPosition() {
    switch (habits.newItemPlace) {
    case Place::kStart:
        return 0;
    case Place::kAnywhere:
        return items.empty() ? 0 : static_cast<size_t>((nextId * 7919u) % (items.size() + 1));
    case Place::kEnd:
        break;
    }
    return items.size();
}

std::vector<std::shared_ptr<Contact>> Store::Ordered() {
    std::vector<std::shared_ptr<Contact>> out = items;
    if (habits.order == Order::kReversed) {
        std::reverse(out.begin(), out.end());
    } else if (habits.order == Order::kShuffled) {
        // A different order for every collection, the same for every run.
        uint64_t seed = 0x9E3779B97F4A7C15ull * (++shuffles);
        for (size_t i = out.size(); i > 1; --i) {
            seed ^= seed << 13;
            seed ^= seed >> 7;
            seed ^= seed << 17;
            std::swap(out[i - 1], out[static_cast<size_t>(seed % i)]);
        }
    }
    return out;
}

std::shared_ptr<Contact> Store::Find(const std::wstring& entryId, bool* inDeleted) {
    for (auto* folder : {&items, &deleted})
        for (const auto& c : *folder)
            if (!entryId.empty() && c->entryId == entryId) {
                if (inDeleted) *inDeleted = folder == &deleted;
                return c;
            }
    return nullptr;
}

const AddressEntry* Store::FindAddress(const std::wstring& id) const {
    for (const auto& e : addressBook)
        if (!id.empty() && e.id == id) return &e;
    return nullptr;
}

bool Store::Busy() const { return busyUntil != 0 && GetTickCount64() < busyUntil; }

}  // namespace olsi
