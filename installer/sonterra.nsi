; The Windows setup program, made on Linux with Debian's makensis:
;   makensis -DFOLDER=<program folder> -DOUTFILE=<setup .exe> installer/sonterra.nsi
; The schedule (SOM.INI, the .PR2 files) lives beside the program and must
; stay writable, so the default folder is outside Program Files and the setup
; runs with the user's own rights; it then takes the folder's rights away from
; every other account but the administrators (ProtectFolder). makensis works from this folder: FOLDER must be absolute.
; A 64-bit setup for a 64-bit program (and Wine here runs only 64-bit programs).
Target amd64-unicode
!include MUI2.nsh
!include FileFunc.nsh

!ifndef FOLDER
  !error "FOLDER (the program folder from scripts/windows-folder.sh) is required"
!endif
!ifndef VERSION
  !error "VERSION (the project's, from CMakeLists.txt) is required"
!endif
!ifndef OUTFILE
  !define OUTFILE "sonterra-setup.exe"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Sonterra"

Name "Sonterra"
OutFile "${OUTFILE}"
InstallDir "C:\Sonterra"
InstallDirRegKey HKCU "Software\Sonterra" "InstallDir"
RequestExecutionLevel user
SetCompressor /SOLID lzma
Icon "..\resources\sonterra.ico"
UninstallIcon "..\resources\sonterra.ico"

!define MUI_ICON "..\resources\sonterra.ico"
!define MUI_UNICON "..\resources\sonterra.ico"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\sonterra.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "PortugueseBR"

; The version Explorer shows in the setup program's properties.
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_PORTUGUESEBR} "ProductName" "Sonterra"
VIAddVersionKey /LANG=${LANG_PORTUGUESEBR} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_PORTUGUESEBR} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_PORTUGUESEBR} "FileDescription" "Instalação do Sonterra"
VIAddVersionKey /LANG=${LANG_PORTUGUESEBR} "CompanyName" "Tivra"
VIAddVersionKey /LANG=${LANG_PORTUGUESEBR} "LegalCopyright" "Tivra"

; A folder made under C:\ inherits a rule that lets every signed-in account
; change what is in it: another account could replace sonterra.exe or a DLL
; that this account then runs. Before a file goes in, the folder is made this
; account's (a folder someone else made first only if this account may take
; it over) and stops inheriting: this account, the administrators and the
; system may change it; every other account may only read and run it. The
; schedule, AUDIO\ and HORA\ inherit the same: the accounts that ring are the
; installing one and the administrators (docs/windows.md: several accounts).
Function ProtectFolder
  ReadEnvStr $1 USERDOMAIN
  ReadEnvStr $2 USERNAME
  StrCpy $3 "$2"
  StrCmp $1 "" +2
  StrCpy $3 "$1\$2"
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR" /setowner "$3" /Q'
  Pop $0
  StrCmp $0 0 0 refused
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR" /inheritance:r /grant:r "$3:(OI)(CI)F" \
    "*S-1-5-32-544:(OI)(CI)F" "*S-1-5-18:(OI)(CI)F" "*S-1-5-11:(OI)(CI)RX" /Q'
  Pop $0
  StrCmp $0 0 done refused
refused:
  MessageBox MB_OK|MB_ICONSTOP "Não foi possível proteger a pasta $INSTDIR (icacls: $0): outra conta poderia trocar o programa. Escolha uma pasta nova." /SD IDOK
  Abort
done:
FunctionEnd

Section "Sonterra"
  CreateDirectory "$INSTDIR"
  Call ProtectFolder
  SetOutPath "$INSTDIR"
  ; The program itself is always replaced...
  SetOverwrite on
  File /r /x AUDIO /x HORA "${FOLDER}/*"
  ; ...the sample bells and spoken-time clips only where the operator has
  ; none of the same name; the schedule files are never shipped, so a
  ; reinstall keeps them.
  SetOverwrite off
  File /r "${FOLDER}/AUDIO"
  File /r "${FOLDER}/HORA"
  SetOverwrite on

  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetShellVarContext current
  CreateDirectory "$SMPROGRAMS\Sonterra"
  CreateShortCut "$SMPROGRAMS\Sonterra\Sonterra.lnk" "$INSTDIR\sonterra.exe" "" \
    "$INSTDIR\sonterra.exe" 0
  CreateShortCut "$SMPROGRAMS\Sonterra\Desinstalar o Sonterra.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "Software\Sonterra" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Sonterra"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\sonterra.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes the program; the schedule, the sounds and the clips stay unless the
; operator says so (or /TUDO is given to a silent uninstall).
Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\Sonterra\Sonterra.lnk"
  Delete "$SMPROGRAMS\Sonterra\Desinstalar o Sonterra.lnk"
  RMDir "$SMPROGRAMS\Sonterra"
  ; The autostart shortcut "Ativar" wrote would start a program that is gone.
  Delete "$SMSTARTUP\Quorvel STV2.lnk"

  Delete "$INSTDIR\sonterra.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\qt.conf"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\imageformats"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\translations"

  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/TUDO" $1
  IfErrors 0 everything
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Apagar também a programação, os sons e as falas da hora?" /SD IDNO IDYES everything
  Goto done
everything:
  Delete "$INSTDIR\SOM.INI"
  Delete "$INSTDIR\*.PR2"
  RMDir /r "$INSTDIR\AUDIO"
  RMDir /r "$INSTDIR\HORA"
  DeleteRegKey HKCU "Software\Sonterra"
done:
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
