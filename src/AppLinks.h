// The addresses that Help opens: the user guide shipped beside the program
// and the project's home page. Change them here only.
#pragma once

// Relative to the program's folder.
constexpr const char* kHelpGuideFile = "guide\\index.html";
constexpr const char* kHomePageUrl = "https://vantoro.example.org/";
