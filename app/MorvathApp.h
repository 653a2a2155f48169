#pragma once
// The application object: start-up, the single-instance rule, the automation
// switches and settings, then the main page, run modally until the wizard ends.
#include "framework/Afx.h"

class CMorvathApp : public CWinApp {
public:
    BOOL InitInstance() override;
};

// Start-up steps, apart so that each can be checked on its own.
bool AnotherInstanceIsRunning();
void ShowAlreadyRunningAndExit();
// Acts on the automation switches; returns false when the process should end now.
bool ApplyAutomationSwitches(const CCommandLineInfo& info);
void LoadSettings();
