#pragma once
// Opens the help file, unless a help window with the given title is already open.
void LaunchHelp(const wchar_t* helpWindowTitle);
