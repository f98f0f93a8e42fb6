; The VARN installer for Windows: per user, into a folder the user can write (the program folder holds the
; logs and archives the program writes). Made by scripts/package-windows.sh, which passes
;   /DVERSION=<x.y> /DSTAGE=<the program folder to install> /DOUTFILE=<installer path>
; A 64-bit installer for a 64-bit program (it also runs where no 32-bit layer is installed).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"

!define NAME "VARN"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VARN"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\VARN"
InstallDirRegKey HKCU "Software\VARN" "InstallDir"
BrandingText "${NAME} ${VERSION}"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\varn.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

Section "VARN" SecMain
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "${STAGE}\*.exe"
  File "${STAGE}\*.dll"
  SetOutPath "$INSTDIR\platforms"
  File "${STAGE}\platforms\*.dll"
  SetOutPath "$INSTDIR\styles"
  File "${STAGE}\styles\*.dll"
  SetOutPath "$INSTDIR\帮助文件"
  File "${STAGE}\帮助文件\help.pdf"

  ; The configuration is the user's once installed: an upgrade adds missing files and keeps every one there.
  SetOutPath "$INSTDIR\配置文件"
  SetOverwrite off
  File "${STAGE}\配置文件\*.ini"
  SetOverwrite on

  ; The working folders the program writes into.
  CreateDirectory "$INSTDIR\运行记录"
  CreateDirectory "$INSTDIR\报文存档"
  CreateDirectory "$INSTDIR\项目存档"
  CreateDirectory "$INSTDIR\信息导出"

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\VARN"
  CreateShortcut "$SMPROGRAMS\VARN\VARN.lnk" "$INSTDIR\varn.exe" "" "$INSTDIR\varn.exe" 0
  CreateShortcut "$SMPROGRAMS\VARN\卸载 VARN.lnk" "$INSTDIR\uninstall.exe"
  CreateShortcut "$DESKTOP\VARN.lnk" "$INSTDIR\varn.exe" "" "$INSTDIR\varn.exe" 0

  WriteRegStr HKCU "Software\VARN" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\varn.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes what the installer put there. The logs, the saved messages, projects and exports and the
; configuration are the user's: they stay, and so does the folder holding them.
Section "Uninstall"
  SetShellVarContext current
  Delete "$DESKTOP\VARN.lnk"
  Delete "$SMPROGRAMS\VARN\VARN.lnk"
  Delete "$SMPROGRAMS\VARN\卸载 VARN.lnk"
  RMDir "$SMPROGRAMS\VARN"

  Delete "$INSTDIR\varn.exe"
  Delete "$INSTDIR\comm_server.exe"
  Delete "$INSTDIR\Qt6Core.dll"
  Delete "$INSTDIR\Qt6Gui.dll"
  Delete "$INSTDIR\Qt6Widgets.dll"
  Delete "$INSTDIR\libstdc++-6.dll"
  Delete "$INSTDIR\libgcc_s_seh-1.dll"
  Delete "$INSTDIR\libwinpthread-1.dll"
  Delete "$INSTDIR\platforms\qwindows.dll"
  RMDir "$INSTDIR\platforms"
  Delete "$INSTDIR\styles\qwindowsvistastyle.dll"
  RMDir "$INSTDIR\styles"
  Delete "$INSTDIR\帮助文件\help.pdf"
  RMDir "$INSTDIR\帮助文件"
  Delete "$INSTDIR\uninstall.exe"
  ; Empty working folders go; any with the user's files in them stay (RMDir removes only empty folders).
  RMDir "$INSTDIR\运行记录"
  RMDir "$INSTDIR\报文存档"
  RMDir "$INSTDIR\项目存档"
  RMDir "$INSTDIR\信息导出"
  RMDir "$INSTDIR"

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\VARN"
SectionEnd
