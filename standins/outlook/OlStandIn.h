// The stand-in Outlook: an in-process automation server registered under
// the ProgID "Outlook.Application". Programs reach it only through COM; this
// header gives tests and timing programs its registry names and the two
// extra exports that read and reset its call counters.
#pragma once

#ifdef _WIN32

#include <windows.h>

// Settings, all under HKEY_CURRENT_USER, read when the application object
// is made.
#define VT_OLSTANDIN_KEY L"Software\\Vantoro\\StandIns\\Outlook"
// REG_SZ: the UTF-8 contacts file. Missing: an empty folder kept in memory.
#define VT_OLSTANDIN_DATAFILE L"DataFile"
// REG_SZ: a member name answered only under locale 0x0409.
#define VT_OLSTANDIN_ENGLISHONLY L"EnglishOnlyName"
// REG_SZ: a member name unknown in every locale (a property Outlook lacks).
#define VT_OLSTANDIN_UNKNOWNNAME L"UnknownName"
// REG_SZ: a member name whose every invocation fails with E_FAIL.
#define VT_OLSTANDIN_FAILNAME L"FailName"
// REG_SZ: the Contacts folder's name (default "Contacts").
#define VT_OLSTANDIN_FOLDERNAME L"FolderName"

// {7117C79B-A2DE-4F41-8857-2C55188CBAB0}
#define VT_OLSTANDIN_CLSID_TEXT L"{7117C79B-A2DE-4F41-8857-2C55188CBAB0}"
#define VT_OLSTANDIN_PROGID L"Outlook.Application"

// GetIDsOfNames and Invoke calls received since load or the last reset.
typedef void(WINAPI* VtOlStandInGetCountsFn)(LONGLONG* idsOfNames, LONGLONG* invokes);
typedef void(WINAPI* VtOlStandInResetCountsFn)();
typedef HRESULT(WINAPI* VtOlStandInRegisterFn)();

#endif  // _WIN32
