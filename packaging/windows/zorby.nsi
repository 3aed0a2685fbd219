; The Windows installer: the game into Program Files, a Start-menu shortcut, an entry
; in the list of installed programs with an uninstaller. Silent with /S. Uninstalling
; removes the program and leaves the players' scores and settings (%APPDATA%\zorby).
;   makensis -DVERSION=3.2.0 -DLISTS=folder -DICON=zorby.ico -DOUTFILE=zorby-3.2.0-setup.exe zorby.nsi
; LISTS holds the generated lists of the files to install and to remove
; (install-files.nsh, uninstall-files.nsh): those of the portable zip.

; A 64-bit installer, like the program: it runs where only 64-bit Windows programs do.
Target amd64-unicode
SetCompressor /SOLID lzma
!include "x64.nsh"

Name "zorby"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\zorby"
RequestExecutionLevel admin
ShowInstDetails nevershow
ShowUninstDetails nevershow
Icon "${ICON}"
UninstallIcon "${ICON}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "zorby"
VIAddVersionKey "FileDescription" "zorby installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "The zorby developers"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\zorby"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "zorby"
  SetOutPath "$INSTDIR"
  !include "${LISTS}/install-files.nsh"
  ; The marker that sends the players' scores and settings to their own folders.
  FileOpen $0 "$INSTDIR\zorby-installed.txt" w
  FileWrite $0 "Installed by zorby-${VERSION}-setup.exe: scores and settings are in %APPDATA%\zorby.$\r$\n"
  FileClose $0
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\zorby.lnk" "$INSTDIR\zorby.exe" "" "$INSTDIR\zorby.exe" 0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "zorby"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The zorby developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zorby.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\zorby.lnk"
  !include "${LISTS}/uninstall-files.nsh"
  Delete "$INSTDIR\zorby-installed.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
