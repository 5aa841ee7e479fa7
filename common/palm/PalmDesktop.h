// The Palm Desktop installation the program runs beside: its folder, the
// version of palm.exe, its four libraries and the user manager's functions.
#pragma once

#include <cstddef>
#include <cstdint>

enum PmLibrary : uint32_t {
    PM_LIB_CONDMGR = 1,
    PM_LIB_USERDATA = 2,
    PM_LIB_HSAPI = 4,
    PM_LIB_INSTAIDE = 8,
    PM_LIB_ALL = 15,
};

constexpr int PM_ERR_NO_BUFFER = -100;
constexpr int PM_ERR_NOT_FOUND = -101;
constexpr int PM_ERR_TOO_LONG = -102;
constexpr int32_t PM_FUNCTION_ABSENT = -100;
constexpr uint32_t PM_VERSION_UNKNOWN = 0xFFFFFFFFu;

constexpr const char* kPalmCoreKeyUser = "Software\\U.S. Robotics\\Pilot Desktop\\Core";
constexpr const char* kPalmCoreKeyMachine = "Software\\PalmSource\\Desktop\\Core";

// 0 found; -100 no buffer or size 0; -101 not found; -102 the registry
// value is longer than the buffer.
int GetPalmDesktopFolder(char* buffer, size_t size);

// major * 10000 + minor * 100 + third of palm.exe's file version; all bits
// set when the folder or the version cannot be read.
uint32_t GetPalmDesktopVersion();

// Loads the libraries of the mask in table order; stops at the first that
// fails. Each load first unloads the same library.
bool LoadPalmLibraries(uint32_t mask);
void UnloadPalmLibraries(uint32_t mask);
bool IsPalmLibraryLoaded(uint32_t bit);

// The user manager, through wrappers that give -100 when the function is
// absent (library not loaded or entry point missing).
int16_t UmGetUserCount();
int32_t UmGetUserID(int16_t index, uint32_t* userId);
int32_t UmGetUserName(uint32_t userId, char* buffer, int16_t* size);
int32_t UmGetUserDirectory(uint32_t userId, char* buffer, int16_t* size);
int32_t UmGetRootDirectory(char* buffer, int16_t* size);

// The data folder of a user, ending with a backslash: root folder + user
// directory. False when the user manager gives no root folder.
bool GetUserDataFolder(uint32_t userId, char* buffer, size_t size);
