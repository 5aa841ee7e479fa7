// The stand-in Outlook: an automation server registered under the ProgID
// "Outlook.Application", in process (the DLL) or out of process (a server
// program, as Outlook itself is). Programs reach it only through COM; this
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
// Outlook's habits (see docs/standins.md), all off when missing.
// REG_SZ "stable", "reversed" or "shuffled" (anew for every Items collection).
#define VT_OLSTANDIN_ITEMORDER L"ItemOrder"
// REG_SZ "end", "start" or "anywhere": where a new item joins the folder.
#define VT_OLSTANDIN_NEWITEMPLACE L"NewItemPlace"
// REG_SZ "1": EntryIDs of an Exchange mailbox (152 hex digits).
#define VT_OLSTANDIN_LONGENTRYIDS L"LongEntryIDs"
// REG_SZ: comma list of property names whose reads are refused on every item.
#define VT_OLSTANDIN_DENYREADS L"DenyReads"
// REG_SZ: comma list of property names whose puts are refused.
#define VT_OLSTANDIN_REFUSEPUTS L"RefusePuts"
// REG_SZ: milliseconds after the application object is made during which
// every call is rejected as busy.
#define VT_OLSTANDIN_BUSYMS L"BusyMs"
// REG_SZ "1": FullName is parsed into the name parts when put and derived
// from them when they are put; e-mail display names default to it.
#define VT_OLSTANDIN_NAMERULES L"NameRules"
// REG_SZ "1": a date never set reads as 1 January 4501.
#define VT_OLSTANDIN_NODATE4501 L"NoDate4501"
// REG_SZ: milliseconds the out-of-process server stays without objects
// before it ends (default 3000).
#define VT_OLSTANDIN_IDLEMS L"IdleMs"

// The out-of-process form: this program beside the DLL.
#define VT_OLSTANDIN_SERVER_EXE L"vt_outlook_server.exe"

// {7117C79B-A2DE-4F41-8857-2C55188CBAB0}
#define VT_OLSTANDIN_CLSID_TEXT L"{7117C79B-A2DE-4F41-8857-2C55188CBAB0}"
#define VT_OLSTANDIN_PROGID L"Outlook.Application"

// GetIDsOfNames and Invoke calls received since load or the last reset.
typedef void(WINAPI* VtOlStandInGetCountsFn)(LONGLONG* idsOfNames, LONGLONG* invokes);
typedef void(WINAPI* VtOlStandInResetCountsFn)();
typedef HRESULT(WINAPI* VtOlStandInRegisterFn)();
// VtOlStandInRegisterLocal: registers the out-of-process form (the server
// program beside the DLL) instead of the DLL; DllRegisterServer goes back.


#endif  // _WIN32
