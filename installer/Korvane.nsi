; The installer of one Windows build. makensis is given:
;   /DTARGET=x86-unicode or amd64-unicode  the installer's own architecture, that of the program
;   /DPROGRAM_DIR=<folder>                 the build's program folder
;   /DICON=<file>                          the program's icon
;   /DOUTPUT=<file>                        the installer to write
;
; Everything is installed for the user who runs it, so no step needs
; administrator rights: the folder is below the user's local application data,
; and the settings key and the component's class are written below
; HKEY_CURRENT_USER\Software\Classes, which Windows shows inside
; HKEY_CLASSES_ROOT where the program and COM look for them.
;
; The component is registered by writing its keys here rather than by
; regsvr32: its own registration writes below HKEY_CLASSES_ROOT, which for a
; user without administrator rights means the machine's classes, and is
; refused; and the uninstaller must remove the keys even when the DLL cannot
; be loaded. The rows are the ones Quillon.dll writes for itself.
;
; The activity log is written to "LogPath" but viewed and cleared in the
; program folder, so both name the install folder, which the user owns. The
; uninstaller keeps the log, and with it the folder.

Unicode true
Target ${TARGET}
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define PRODUCT "Korvane For EDB To PST"
!define SETTINGS_KEY "Software\Classes\KorvaneEDB_PST"
!define CLSID "{19297311-B4FF-42D3-BEDA-C11681A58B0E}"
!define CLASS_KEY "Software\Classes\CLSID\${CLSID}"
!define PROGID_KEY "Software\Classes\quillon.Class1"
!define COMPONENT_NAME "Quillon mail parser component"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KorvaneEDB_PST"
!define HELP_FILE "Korvane For EDB-PST.chm"
!define MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"

Name "${PRODUCT}"
Caption "${PRODUCT} Setup"
OutFile "${OUTPUT}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$LOCALAPPDATA\Programs\Korvane For EDB-PST"
ShowInstDetails show
ShowUninstDetails show
VIProductVersion 1.0.0.0
VIAddVersionKey /LANG=1033 ProductName "${PRODUCT}"
VIAddVersionKey /LANG=1033 FileDescription "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 FileVersion 1.0
VIAddVersionKey /LANG=1033 ProductVersion 1.0
VIAddVersionKey /LANG=1033 LegalCopyright "Copyright (C) 2026 Korvane Software"

; The settings key and the component's class, below one root's Software\Classes.
!macro ClassRows ROOT
  WriteRegStr ${ROOT} "${SETTINGS_KEY}" "FilePath" "$INSTDIR"
  WriteRegStr ${ROOT} "${SETTINGS_KEY}" "LogPath" "$INSTDIR"
  WriteRegStr ${ROOT} "${CLASS_KEY}" "" "${COMPONENT_NAME}"
  WriteRegStr ${ROOT} "${CLASS_KEY}\InprocServer32" "" "$INSTDIR\Quillon.dll"
  WriteRegStr ${ROOT} "${CLASS_KEY}\InprocServer32" "ThreadingModel" "Both"
  WriteRegStr ${ROOT} "${CLASS_KEY}\ProgID" "" "quillon.Class1"
  WriteRegStr ${ROOT} "${PROGID_KEY}" "" "${COMPONENT_NAME}"
  WriteRegStr ${ROOT} "${PROGID_KEY}\CLSID" "" "${CLSID}"
!macroend
!macro RemoveClassRows ROOT
  DeleteRegKey ${ROOT} "${CLASS_KEY}"
  DeleteRegKey ${ROOT} "${PROGID_KEY}"
  DeleteRegKey ${ROOT} "${SETTINGS_KEY}"
!macroend

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Program"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${PROGRAM_DIR}\Morvath.exe"
  File "${PROGRAM_DIR}\Quillon.dll"
  !if /FileExists "${PROGRAM_DIR}\edb2pst.exe"
    File "${PROGRAM_DIR}\edb2pst.exe"
  !endif
  File "${PROGRAM_DIR}\Korvane-Exchange.bmp"
  File "${PROGRAM_DIR}\Skin2.bmp"
  File "${PROGRAM_DIR}\Flash.bmp"
  !if /FileExists "${PROGRAM_DIR}\${HELP_FILE}"
    File "${PROGRAM_DIR}\${HELP_FILE}"
  !endif

  !insertmacro ClassRows HKCU
  ; Where the system shows no user's classes inside HKEY_CLASSES_ROOT (wine,
  ; Windows before 2000) the machine's classes are the only place the program
  ; and COM look; the uninstaller is told to clear them too.
  ReadRegStr $0 HKCR "KorvaneEDB_PST" "FilePath"
  StrCmp $0 "$INSTDIR" classesSeen
    !insertmacro ClassRows HKLM
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "MachineClasses" 1
  classesSeen:

  WriteUninstaller "$INSTDIR\uninst.exe"
  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\Morvath.exe" "" "$INSTDIR\Morvath.exe" 0
  CreateShortcut "${MENU_FOLDER}\${PRODUCT} Help.lnk" "$INSTDIR\${HELP_FILE}"
  CreateShortcut "${MENU_FOLDER}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\uninst.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "1.0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Korvane Software"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Morvath.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninst.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninst.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  ; The program registers its automation class at every start; take that back
  ; while the program is still here to do it. Not while it runs: a second start
  ; would only show "already running" and wait for an answer.
  FindWindow $0 "" " Korvane for EDB to PST"
  IntCmp $0 0 0 programBusy programBusy
  IfFileExists "$INSTDIR\Morvath.exe" 0 programBusy
    ExecWait '"$INSTDIR\Morvath.exe" /Unregserver'
  programBusy:

  ReadRegDWORD $0 HKCU "${UNINSTALL_KEY}" "MachineClasses"
  StrCmp $0 1 0 machineClassesDone
    !insertmacro RemoveClassRows HKLM
  machineClassesDone:
  !insertmacro RemoveClassRows HKCU
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  Delete "${MENU_FOLDER}\${PRODUCT}.lnk"
  Delete "${MENU_FOLDER}\${PRODUCT} Help.lnk"
  Delete "${MENU_FOLDER}\Uninstall ${PRODUCT}.lnk"
  RMDir "${MENU_FOLDER}"

  Delete "$INSTDIR\Morvath.exe"
  Delete "$INSTDIR\Quillon.dll"
  Delete "$INSTDIR\edb2pst.exe"
  Delete "$INSTDIR\Korvane-Exchange.bmp"
  Delete "$INSTDIR\Skin2.bmp"
  Delete "$INSTDIR\Flash.bmp"
  Delete "$INSTDIR\${HELP_FILE}"
  Delete "$INSTDIR\~MO.html"  ; the preview page's file
  Delete "$INSTDIR\uninst.exe"
  ; Removed only when empty: "Activity Log.txt" stays with its folder.
  RMDir "$INSTDIR"
SectionEnd
