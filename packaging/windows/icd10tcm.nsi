; The Windows setup program: installs the program, its DLLs and plugins, the
; sample database, the coder's guide, the official US files and the licence
; texts into Program Files\icd10tcm, adds Start-menu entries and registers an
; uninstaller. /S installs (and the uninstaller's /S removes) without a window.
;
; Made by packaging/windows/make-installer.sh, which lists the staged files
; and passes them in (UTF-8 source, read with -INPUTCHARSET UTF8):
;   FILES_INSTALL  an include of SetOutPath and File lines, one per staged file
;   FILES_REMOVE   an include of the matching Delete and RMDir lines
;   OUTFILE        the setup program to write
;   VERSION        the version shown in Programs and Features

Unicode true
; A 64-bit installer: the program is 64-bit, "Program Files" is then the 64-bit
; one and the registry view the native one, and Debian's Wine (64-bit only,
; no wine32) can run it.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!ifndef VERSION
  !define VERSION "1.0"
!endif
!define PRODUCT "ICD-10-CM 2023 中醫編碼參考與教學"
!define PUBLISHER "ICD-10-CM TCM coding tool team"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\icd10tcm"
!define STARTMENU "$SMPROGRAMS\${PRODUCT}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\icd10tcm"
; A second install (an update) goes where the first one went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

!include MUI2.nsh
!include FileFunc.nsh

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "TradChinese"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_TRADCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_TRADCHINESE} "FileDescription" "${PRODUCT} 安裝程式"
VIAddVersionKey /LANG=${LANG_TRADCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_TRADCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_TRADCHINESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_TRADCHINESE} "LegalCopyright" "Qt: LGPL-3.0（見 licenses 資料夾）"

Function .onInit
  ; Shortcuts for every user of the computer, beside a program installed for all.
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Section "install"
  !include "${FILES_INSTALL}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "${STARTMENU}"
  CreateShortcut "${STARTMENU}\${PRODUCT}.lnk" "$INSTDIR\icd10tcm.exe" "" "$INSTDIR\icd10tcm.exe" 0
  CreateShortcut "${STARTMENU}\解除安裝.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\icd10tcm.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  ; Only what the installer put there: a file the clinic left in the folder
  ; keeps the folder (RMDir without /r removes empty folders only).
  !include "${FILES_REMOVE}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "${STARTMENU}\${PRODUCT}.lnk"
  Delete "${STARTMENU}\解除安裝.lnk"
  RMDir "${STARTMENU}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
