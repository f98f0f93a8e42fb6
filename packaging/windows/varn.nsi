; The VARN installer for Windows: per user, into a folder the user can write (the program folder holds the
; logs and archives the program writes). Made by scripts/package-windows.sh, which passes
;   /DVERSION=<x.y> /DSTAGE=<the program folder to install> /DOUTFILE=<installer path>
;   /DFILES=<the file lists made from the program folder> /DINSTANCE_MUTEX=<the mutex the program holds>
; A 64-bit installer for a 64-bit program (it also runs where no 32-bit layer is installed).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "${FILES}"

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

LangString FolderNotOwn ${LANG_SIMPCHINESE} "无法把文件夹 $INSTDIR 设为只有您本人、SYSTEM 和管理员可以写入（错误 $0）。它不在您的用户文件夹中，其他用户可能换掉程序的文件。请选择您自己的文件夹，例如 $LOCALAPPDATA\Programs\VARN。"
LangString FolderNotOwn ${LANG_ENGLISH} "The folder $INSTDIR cannot be made writable by you, SYSTEM and the Administrators only (error $0). It lies outside your own user folder, where other users could replace the program's files. Please choose a folder of your own, for example $LOCALAPPDATA\Programs\VARN."
LangString ProgramRunning ${LANG_SIMPCHINESE} "VARN 正在运行。请先关闭 varn.exe，再卸载。"
LangString ProgramRunning ${LANG_ENGLISH} "VARN is running. Please close varn.exe first, then uninstall."

; Makes $INSTDIR, and when it lies outside the user's own profile gives it a protected access list: full
; control for the installing user, SYSTEM and the Administrators, nothing for anyone else, inherited by
; everything installed into it. Without that a folder such as C:\VARN keeps its parent's "Authenticated
; Users: Modify", and any local user could replace a DLL and run code as the operator. Refuses (message,
; installation aborted) when the list cannot be set.
Function ProtectInstallFolder
  ; The full path, so that "..\" cannot lead out of the profile.
  System::Call 'kernel32::GetFullPathNameW(w "$INSTDIR", i ${NSIS_MAX_STRLEN}, w .r1, p 0) i .r0'
  ${If} $0 <> 0
    StrCpy $INSTDIR $1
  ${EndIf}
  CreateDirectory "$INSTDIR"
  StrLen $2 "$PROFILE\"
  StrCpy $3 "$INSTDIR\" $2
  ${If} $3 == "$PROFILE\"
    Return
  ${EndIf}

  ; The installing user's SID as a string.
  StrCpy $0 "no user"
  System::Call 'advapi32::OpenProcessToken(p -1, i 0x8, *p .r4) i .r5'
  ${If} $5 <> 0
    System::Call 'advapi32::GetTokenInformation(p r4, i 1, p 0, i 0, *i .r6)'
    System::Alloc $6
    Pop $7
    System::Call 'advapi32::GetTokenInformation(p r4, i 1, p r7, i r6, *i .r6) i .r5'
    ${If} $5 <> 0
      System::Call '*$7(p .r8)'
      System::Call 'advapi32::ConvertSidToStringSidW(p r8, *p .r9) i .r5'
      ${If} $5 <> 0
        System::Call 'kernel32::lstrcpynW(w .r0, p r9, i ${NSIS_MAX_STRLEN})'
        System::Call 'kernel32::LocalFree(p r9)'
      ${EndIf}
    ${EndIf}
    System::Free $7
    System::Call 'kernel32::CloseHandle(p r4)'
  ${EndIf}
  StrCpy $1 $0 4
  ${If} $1 != "S-1-"
    StrCpy $0 "no user"
    Goto refused
  ${EndIf}

  ; Protected (nothing inherited from the parent), inherited by files and folders below.
  StrCpy $1 "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;$0)"
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w r1, i 1, *p .r4, p 0) i .r5'
  ${If} $5 == 0
    StrCpy $0 "SDDL"
    Goto refused
  ${EndIf}
  System::Call 'advapi32::GetSecurityDescriptorDacl(p r4, *i .r6, *p .r7, *i .r8) i .r5'
  ; SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION
  System::Call 'advapi32::SetNamedSecurityInfoW(w "$INSTDIR", i 1, i 0x80000004, p 0, p 0, p r7, p 0) i .r0'
  System::Call 'kernel32::LocalFree(p r4)'
  ${If} $0 == 0
    Return
  ${EndIf}
refused:
  MessageBox MB_OK|MB_ICONSTOP "$(FolderNotOwn)" /SD IDOK
  SetErrorLevel 3
  Quit
FunctionEnd

Section "VARN" SecMain
  SetShellVarContext current
  Call ProtectInstallFolder
  SetOverwrite on
  ; Every file of the program folder but the configuration (made from the staged folder).
  !insertmacro VARN_INSTALL_FILES

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
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "VARN host software developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\varn.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; A running program holds its files: the uninstaller says so and removes nothing.
Function un.onInit
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r0'
  ${If} $0 P<> 0
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_OK|MB_ICONSTOP "$(ProgramRunning)" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd

; Removes what the installer put there. The logs, the saved messages, projects and exports and the
; configuration are the user's: they stay, and so does the folder holding them.
Section "Uninstall"
  SetShellVarContext current
  ; The program first: while it runs it cannot be deleted, and then nothing else is.
  ClearErrors
  Delete "$INSTDIR\varn.exe"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$(ProgramRunning)" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  Delete "$DESKTOP\VARN.lnk"
  Delete "$SMPROGRAMS\VARN\VARN.lnk"
  Delete "$SMPROGRAMS\VARN\卸载 VARN.lnk"
  RMDir "$SMPROGRAMS\VARN"

  ; Every file the installer installed (made from the staged folder), then its folders where empty.
  !insertmacro VARN_UNINSTALL_FILES
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\VARN"
SectionEnd
