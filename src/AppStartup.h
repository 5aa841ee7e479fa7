// The Palm Desktop steps of start-up and shutdown, callable from the window.
#pragma once

#include <functional>

// Shows an error message box ("Error" caption, error icon) in the program;
// tests record the texts.
using ErrorReporter = std::function<void(const char* text)>;

// Empties the user list and fills it from Palm Desktop's user manager. A
// negative user count reports "Can not find any Palm users in your desktop
// environment." and gives false; zero users give true.
bool BuildPalmUserList(const ErrorReporter& reportError);

// Start-up: the Palm Desktop folder becomes the current directory when
// found, the four libraries are loaded, the user list is built.
void StartPalmDesktop(const ErrorReporter& reportError);
// Start-up: tells the user about settings that were refused when loaded.
struct AppSettings;
void ReportRefusedSettings(const AppSettings& settings, const ErrorReporter& reportError);

// Shutdown: the user list is freed and the libraries are unloaded.
void StopPalmDesktop();
