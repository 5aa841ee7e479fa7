// Backup reads and Restore puts. Unlike the writer, which goes through the
// ANSI code page and never clears a value, these keep every character and
// may clear: a backup must give back exactly what was there.
#ifdef _WIN32

#include "common/outlook/OlBackup.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstddef>
#include <map>

#include "common/misc/CxDebugUtil.h"
#include "common/outlook/OlAddr.h"
#include "common/outlook/OlAddrDetail.h"

using namespace ol_detail;

namespace {

constexpr double kOutlookNoDate = 949998.0;  // 1 January 4501
constexpr int32_t kDeletedItemsFolder = 3;

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
    return out;
}

std::string Utf8(const wchar_t* text, size_t units) {
    if (!text || units == 0) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(units), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(units), &out[0], n, nullptr, nullptr);
    return out;
}

OlPropType TypeOf(const std::string& name) {
    const std::wstring w = Wide(name);
    for (const OlPropInfo& p : g_OlPropInfo)
        if (w == p.m_pszName) return p.m_nType;
    return OL_PROP_TEXT;
}

std::string DateText(double d) {
    char text[40];
    snprintf(text, sizeof(text), "%.17g", d);
    return text;
}

// One property's whole value as the backup keeps it.
HRESULT ReadValue(CDispCmd& item, const std::string& name, std::string& out) {
    out.clear();
    VARIANT v;
    VariantInit(&v);
    HRESULT hr = item.GetProperty(Wide(name).c_str(), &v);
    if (FAILED(hr)) return hr;
    const OlPropType type = TypeOf(name);
    hr = S_OK;
    if (v.vt == VT_EMPTY || v.vt == VT_NULL) {
        // nothing there: an empty value
    } else if (type == OL_PROP_TEXT && v.vt == VT_BSTR) {
        out = Utf8(v.bstrVal, v.bstrVal ? SysStringLen(v.bstrVal) : 0);
    } else if (type == OL_PROP_LONG && v.vt == VT_I4) {
        out = std::to_string(v.lVal);
    } else if (type == OL_PROP_DATE && v.vt == VT_DATE) {
        out = DateText(v.date);
    } else {
        hr = DISP_E_TYPEMISMATCH;
    }
    VariantClear(&v);
    return hr;
}

bool ParseNumber(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    out = strtod(text.c_str(), &end);
    return end && *end == 0 && std::isfinite(out);
}

// A date with no value and Outlook's "no date" are the same value.
bool SameValue(const std::string& name, const std::string& a, const std::string& b) {
    if (a == b) return true;
    const OlPropType type = TypeOf(name);
    if (type == OL_PROP_TEXT) return false;
    double x = 0, y = 0;
    const bool hasX = ParseNumber(a, x), hasY = ParseNumber(b, y);
    if (type == OL_PROP_DATE) {
        const bool noneX = !hasX || x >= kOutlookNoDate || x == 0, noneY = !hasY || y >= kOutlookNoDate || y == 0;
        if (noneX || noneY) return noneX == noneY;
    }
    return hasX && hasY && x == y;
}

HRESULT PutValue(CDispCmd& item, const std::string& name, const std::string& value) {
    VARIANT v;
    VariantInit(&v);
    double number = 0;
    switch (TypeOf(name)) {
    case OL_PROP_TEXT: {
        const std::wstring w = Wide(value);
        if (w.empty() && !value.empty()) return E_INVALIDARG;  // not UTF-8
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
        if (!v.bstrVal) return E_OUTOFMEMORY;
        break;
    }
    case OL_PROP_LONG:
        if (!ParseNumber(value, number)) number = 0;
        v.vt = VT_I4;
        v.lVal = static_cast<LONG>(number);
        break;
    case OL_PROP_DATE:
        if (!ParseNumber(value, number) || number == 0) number = kOutlookNoDate;
        v.vt = VT_DATE;
        v.date = number;
        break;
    }
    const HRESULT hr = item.PutProperty(Wide(name).c_str(), v);
    VariantClear(&v);
    return hr;
}

std::string Hex(HRESULT hr) {
    char text[16];
    snprintf(text, sizeof(text), "0x%08x", static_cast<unsigned>(hr));
    return text;
}

// The values from before the run, one per property: for a contact changed
// twice the first block holds them.
struct Before {
    std::string entryId;
    std::vector<OlBackupProperty> properties;
};

std::vector<Before> MergeBlocks(const OlBackupData& backup) {
    std::vector<Before> out;
    std::map<std::string, size_t> at;
    for (const OlBackupContact& c : backup.changed) {
        auto found = at.find(c.entryId);
        if (found == at.end()) {
            found = at.emplace(c.entryId, out.size()).first;
            out.push_back({c.entryId, {}});
        }
        Before& b = out[found->second];
        for (const OlBackupProperty& p : c.properties) {
            bool have = false;
            for (const OlBackupProperty& q : b.properties) have = have || q.name == p.name;
            if (!have) b.properties.push_back(p);
        }
    }
    // The full name first: Outlook parses a full name put into the parts,
    // so the parts put after it have the last word.
    for (Before& b : out) {
        for (size_t i = 0; i < b.properties.size(); ++i) {
            if (b.properties[i].name != "FullName") continue;
            OlBackupProperty full = b.properties[i];
            b.properties.erase(b.properties.begin() + static_cast<std::ptrdiff_t>(i));
            b.properties.insert(b.properties.begin(), full);
            break;
        }
    }
    return out;
}

std::string Who(CDispCmd& item, const std::string& entryId) {
    std::string first, last, full;
    ReadValue(item, "FirstName", first);
    ReadValue(item, "LastName", last);
    std::string who = first;
    if (!last.empty()) who += (who.empty() ? "" : " ") + last;
    if (who.empty()) ReadValue(item, "FullName", who);
    return who.empty() ? entryId : who;
}

// The item with this EntryID, or null.
IDispatch* GetItem(CDispCmd* nameSpace, const std::string& entryId, HRESULT& hr) {
    hr = E_POINTER;
    if (!nameSpace || entryId.empty()) return nullptr;
    VARIANT arg;
    VariantInit(&arg);
    const std::wstring w = Wide(entryId);
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
    if (!arg.bstrVal) return nullptr;
    VARIANT result;
    VariantInit(&result);
    hr = nameSpace->Call(L"GetItemFromID", &arg, 1, &result);
    VariantClear(&arg);
    return TakeObject(hr, result);
}

std::string EntryIdOf(CDispCmd& obj) {
    std::string id;
    return SUCCEEDED(ReadValue(obj, "EntryID", id)) ? id : std::string();
}

// True when the item is in the Deleted Items folder already.
bool InDeletedItems(CDispCmd& item, const std::string& deletedId) {
    IDispatch* pParent = nullptr;
    if (deletedId.empty() || item.GetObject(L"Parent", &pParent) != 0 || !pParent) return false;
    CDispCmd parent(pParent);
    pParent->Release();
    return EntryIdOf(parent) == deletedId;
}

}  // namespace

bool OlBackupIo::ReadProperties(const std::string& entryId, const std::vector<std::string>& properties,
                                OlBackupContact& out, std::string& error) {
    out = OlBackupContact();
    out.entryId = entryId;
    HRESULT hr = S_OK;
    IDispatch* pItem = GetItem(m_pNameSpaceCmd, entryId, hr);
    if (!pItem) {
        error = "The Outlook contact " + entryId + " could not be found (hr=" + Hex(hr) + ").";
        return false;
    }
    CDispCmd item(pItem);
    pItem->Release();
    for (const std::string& name : properties) {
        OlBackupProperty p;
        p.name = name;
        hr = ReadValue(item, name, p.value);
        if (FAILED(hr)) {
            error = "The value of " + name + " of the Outlook contact " + Who(item, entryId) +
                    " could not be read (hr=" + Hex(hr) + "); it was not backed up.";
            out.properties.clear();
            return false;
        }
        out.properties.push_back(std::move(p));
    }
    return true;
}

OlRestoreResult OlBackupIo::Restore(const OlBackupData& backup, const std::vector<OlRunValue>& runValues,
                                    IOlRestoreAsk& ask) {
    OlRestoreResult result;
    auto fail = [&result](int32_t& counter, const std::string& reason) {
        ++counter;
        result.reasons.push_back(reason);
        CX_LOG(0, "%s", reason.c_str());
    };
    HRESULT hr = S_OK;
    for (const Before& before : MergeBlocks(backup)) {
        IDispatch* pItem = GetItem(m_pNameSpaceCmd, before.entryId, hr);
        if (!pItem) {
            fail(result.failed, "The Outlook contact " + before.entryId + " is no longer there (hr=" + Hex(hr) +
                                    "); its values were not restored.");
            continue;
        }
        CDispCmd item(pItem);
        pItem->Release();
        const std::string who = Who(item, before.entryId);

        std::vector<OlRestoreDifference> differences;
        bool readable = true;
        for (const OlRunValue& run : runValues) {
            if (run.entryId != before.entryId) continue;
            std::string now;
            if (FAILED(hr = ReadValue(item, run.property, now))) {
                readable = false;
                break;
            }
            if (!SameValue(run.property, now, run.value)) differences.push_back({run.property, run.value, now});
        }
        if (!readable) {
            fail(result.failed, "The Outlook contact " + who + " could not be read (hr=" + Hex(hr) +
                                    "); its values were not restored.");
            continue;
        }
        if (!differences.empty() && !ask.RestoreChangedContact(before.entryId, who, differences)) {
            ++result.kept;
            continue;
        }

        // Each value is read again just before its put: a put can make
        // Outlook fill in others (an address's type and display name).
        std::string failure;
        for (const OlBackupProperty& p : before.properties) {
            std::string now;
            hr = ReadValue(item, p.name, now);
            if (SUCCEEDED(hr) && SameValue(p.name, now, p.value)) continue;
            if (FAILED(hr = PutValue(item, p.name, p.value))) {
                failure = "Outlook refused the value of " + p.name + " for the contact " + who + " (hr=" +
                          Hex(hr) + "); it was not restored.";
                break;
            }
        }
        if (failure.empty() && FAILED(hr = item.Call(L"Save", nullptr, 0, nullptr)))
            failure = "The restored contact " + who + " could not be saved (hr=" + Hex(hr) + ").";
        if (!failure.empty()) {
            fail(result.failed, failure);
            continue;
        }
        ++result.restored;
    }

    // The contacts the run added that are still outside Deleted Items.
    std::string deletedId;
    if (!backup.added.empty() && m_pNameSpaceCmd) {
        VARIANT arg = LongArg(kDeletedItemsFolder);
        VARIANT folderResult;
        VariantInit(&folderResult);
        IDispatch* pFolder =
            TakeObject(m_pNameSpaceCmd->Call(L"GetDefaultFolder", &arg, 1, &folderResult), folderResult);
        if (pFolder) {
            CDispCmd folder(pFolder);
            pFolder->Release();
            deletedId = EntryIdOf(folder);
        }
    }
    std::vector<std::string> toMove;
    for (const std::string& id : backup.added) {
        IDispatch* pItem = GetItem(m_pNameSpaceCmd, id, hr);
        if (!pItem) continue;  // deleted for good already: nothing to undo
        CDispCmd item(pItem);
        pItem->Release();
        if (!InDeletedItems(item, deletedId)) toMove.push_back(id);
    }
    if (toMove.empty()) return result;
    if (!ask.MoveAddedToDeletedItems(static_cast<int32_t>(toMove.size()))) {
        result.notMoved = static_cast<int32_t>(toMove.size());
        return result;
    }
    for (const std::string& id : toMove) {
        IDispatch* pItem = GetItem(m_pNameSpaceCmd, id, hr);
        if (pItem) {
            CDispCmd item(pItem);
            pItem->Release();
            // Delete moves a contact to Deleted Items, where the user can
            // get it back.
            if (SUCCEEDED(hr = item.Call(L"Delete", nullptr, 0, nullptr))) {
                ++result.moved;
                continue;
            }
        }
        fail(result.moveFailed, "The Outlook contact " + id + " the run added could not be moved to Deleted Items (hr=" +
                                    Hex(hr) + ").");
    }
    return result;
}

#endif  // _WIN32
