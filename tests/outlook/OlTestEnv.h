// Shared set-up of the Outlook tests: COM in a single-threaded apartment,
// the stand-in Outlook registered from beside the test program, its
// settings and data file, its call counters, and a captured debug log.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/LogCapture.h"
#include "support/TestSupport.h"

namespace ol_test {

// Name of the stand-in's DLL beside the test program.
constexpr const char* kStandInDll = "vt_outlook_standin.dll";

bool RegisterStandIn();
bool UnregisterStandIn();
// The out-of-process form (the server program) instead of the DLL; undone
// by RegisterStandIn.
bool RegisterStandInServer();

// What another program does in Outlook meanwhile: deletes the item with
// this EntryID (it moves to Deleted Items), through a session of its own.
bool DeleteItem(const std::string& entryId);

// The stand-in's settings (HKCU). An empty value removes it.
void SetStandInValue(const wchar_t* name, const std::wstring& value);

// Sets one stand-in setting for the scope (for the next session made).
class ScopedSetting {
public:
    ScopedSetting(const wchar_t* name, const std::wstring& value) : m_name(name) {
        SetStandInValue(name, value);
    }
    ~ScopedSetting() { SetStandInValue(m_name, L""); }

private:
    const wchar_t* m_name;
};

struct Counts {
    long long ids = 0;
    long long invokes = 0;
};
Counts GetCounts();
void ResetCounts();

std::wstring Widen(const std::string& s);

// One contact of the stand-in's file: property name to UTF-8 value.
using Props = std::map<std::string, std::string>;
// Writes the stand-in's data file.
void WriteContacts(const std::string& path, const std::vector<Props>& contacts);
// Reads it back (after the session that wrote it has closed), without the
// EntryIDs.
std::vector<Props> ReadContacts(const std::string& path);
// Both folders, with EntryIDs.
struct Folders {
    std::vector<Props> contacts;
    std::vector<Props> deleted;
};
Folders ReadFolders(const std::string& path);

// The data file of one test: named in the registry for the next session.
class StandInData {
public:
    explicit StandInData(const std::vector<Props>& contacts = {});
    ~StandInData();
    const std::string& Path() const { return m_path; }
    std::vector<Props> Read() const { return ReadContacts(m_path); }
    Folders ReadAll() const { return ReadFolders(m_path); }

private:
    vt_test::TempDir m_dir;
    std::string m_path;
};

using LogCapture = vt_test::LogCapture;

}  // namespace ol_test
