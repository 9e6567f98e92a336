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
!include LogicLib.nsh

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
; A file that cannot be replaced offers Repetir / Cancelar, never Ignorar: an
; install that skipped one would say it completed with a mix of two versions.
AllowSkipFiles off
SetCompressor /SOLID lzma
Icon "..\resources\sonterra.ico"
UninstallIcon "..\resources\sonterra.ico"

!define MUI_ICON "..\resources\sonterra.ico"
!define MUI_UNICON "..\resources\sonterra.ico"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE SecondFolderLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\sonterra.exe"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
Var Kept ; what the uninstaller left, and where (un.SayWhatIsKept)
!define MUI_FINISHPAGE_TEXT "O Sonterra foi desinstalado deste computador.$Kept"
!insertmacro MUI_UNPAGE_FINISH
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

; One account has one Start-menu entry, one "Programas e Recursos" entry and
; one logon start (the program's own shortcut has a single name), so a second
; folder takes them over; the operator is told so before anything changes.
Function SecondFolderLeave
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
  ${AndIf} ${FileExists} "$0\sonterra.exe"
    MessageBox MB_YESNO|MB_ICONEXCLAMATION "O Sonterra já está instalado em $0.$\r$\n$\r$\nInstalar em $INSTDIR \
      substitui aquela instalação no menu Iniciar e em $\"Programas e Recursos$\". A pasta $0 e a \
      programação dela ficam como estão; ela se desinstala pelo uninstall.exe que está nela. Se ela \
      foi ativada, é ela que continua abrindo com o Windows, até que se clique em $\"Ativar$\" no \
      Sonterra de $INSTDIR ou até que ela seja desinstalada.\
      $\r$\n$\r$\nInstalar mesmo assim?" IDYES +2
    Abort
  ${EndIf}
FunctionEnd

; The running copy of this folder, found and asked to end as a later start of
; it would find it (core/single_instance_windows.cpp: the same names, keyed by
; the folder's volume serial number and file index). Nothing changes when the
; operator says no or it does not end.
Var Reopen ; 1: this setup closed the folder's running copy; 2: and opened it again
!macro CloseRunningCopy UN
Function ${UN}CloseRunningCopy
  System::Call 'kernel32::CreateFileW(w "$INSTDIR", i 0, i 7, p 0, i 3, i 0x02000000, p 0) p .r1'
  ${If} $1 P= -1
    Return ; no folder yet (or none to open): no copy of it runs
  ${EndIf}
  System::Alloc 52 ; BY_HANDLE_FILE_INFORMATION: thirteen 32-bit fields
  Pop $2
  System::Call 'kernel32::GetFileInformationByHandle(p r1, p r2) i .r0'
  System::Call 'kernel32::CloseHandle(p r1)'
  System::Call '*$2(i, i, i, i, i, i, i, i .r3, i, i, i, i .r4, i .r5)'
  System::Free $2
  ${If} $0 = 0
    Return
  ${EndIf}
  IntFmt $3 "%08x" $3
  IntFmt $4 "%08x" $4
  IntFmt $5 "%08x" $5
  StrCpy $6 "$3-$4$5"
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Local\Sonterra-$6") p .r1 ?e'
  Pop $0
  ${If} $1 P= 0
    ${If} $0 = 5 ; ERROR_ACCESS_DENIED: another account's copy
      MessageBox MB_OK|MB_ICONSTOP "O Sonterra desta pasta está aberto em outra conta. Feche-o lá e tente de novo." /SD IDOK
      Abort
    ${EndIf}
    Return
  ${EndIf}
  System::Call 'kernel32::CloseHandle(p r1)'
  !if "${UN}" == ""
    StrCpy $0 "a instalação o abre de novo quando terminar"
  !else
    StrCpy $0 "os sinais só voltam a tocar quando ele for aberto de novo"
  !endif
  MessageBox MB_YESNO|MB_ICONQUESTION "O Sonterra está aberto em $INSTDIR e precisa ser fechado para continuar; \
    $0.$\r$\n$\r$\nFechar o Sonterra agora?" /SD IDYES IDYES +2
  Abort
  System::Call 'kernel32::OpenEventW(i 0x0002, i 0, w "Local\Sonterra-quit-$6") p .r1'
  ${If} $1 P<> 0
    System::Call 'kernel32::SetEvent(p r1)'
    System::Call 'kernel32::CloseHandle(p r1)'
    ; Gone once the folder's name is free and the program file may be written:
    ; a second or two, but a busy PC is given a minute before it is told no.
    ${For} $7 1 600
      System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Local\Sonterra-$6") p .r1'
      ${If} $1 P= 0
        IfFileExists "$INSTDIR\sonterra.exe" 0 gone
        ClearErrors
        FileOpen $8 "$INSTDIR\sonterra.exe" a
        ${IfNot} ${Errors}
          FileClose $8
          gone:
          StrCpy $Reopen 1
          Return
        ${EndIf}
      ${Else}
        System::Call 'kernel32::CloseHandle(p r1)'
      ${EndIf}
      Sleep 100
    ${Next}
  ${EndIf}
  MessageBox MB_OK|MB_ICONSTOP "O Sonterra aberto em $INSTDIR não fechou. Feche-o pelo botão $\"Sair$\" e tente de novo." /SD IDOK
  Abort
FunctionEnd
!macroend
!insertmacro CloseRunningCopy ""
!insertmacro CloseRunningCopy "un."

; The copy this setup closed rang the school's bells: it is started again
; at once, in this account, as a logon would start it (hidden and active when
; SOM.INI says active), silent setup or not; nobody may be there to start it.
Function ReopenClosedCopy
  ${If} $Reopen == 1
  ${AndIf} ${FileExists} "$INSTDIR\sonterra.exe"
    SetOutPath "$INSTDIR"
    Exec '"$INSTDIR\sonterra.exe"'
    StrCpy $Reopen 2
  ${EndIf}
FunctionEnd

; Started already: "Executar o Sonterra" would only bring its window forward.
Function FinishShow
  ${If} $Reopen == 2
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
    ${NSD_GetText} $mui.FinishPage.Text $0
    ${NSD_SetText} $mui.FinishPage.Text "$0$\r$\n$\r$\nO Sonterra, que estava aberto, já foi aberto de novo."
  ${EndIf}
FunctionEnd

Var Copying
; Whatever stopped the copy, the operator learns the program may not start;
; stopped before any file changed, the copy it closed is started again.
Function .onInstFailed
  ${If} $Copying == 1
    MessageBox MB_OK|MB_ICONSTOP "A instalação não foi completada: $INSTDIR pode ter ficado com parte \
      dos arquivos da versão nova. Feche o que estiver usando a pasta e instale de novo." /SD IDOK
  ${Else}
    Call ReopenClosedCopy
  ${EndIf}
FunctionEnd

Section "Sonterra"
  Call CloseRunningCopy
  CreateDirectory "$INSTDIR"
  Call ProtectFolder
  SetOutPath "$INSTDIR"
  StrCpy $Copying 1
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
  Call ReopenClosedCopy
SectionEnd

; The program a shortcut starts ($0: the .lnk) into $1, "" when it cannot be
; read: IShellLinkW::GetPath through IPersistFile::Load.
Function un.ShortcutTarget
  StrCpy $1 ""
  System::Call 'ole32::CoInitialize(p 0)'
  System::Call 'ole32::CoCreateInstance(g "{00021401-0000-0000-C000-000000000046}", p 0, i 1, \
    g "{000214F9-0000-0000-C000-000000000046}", *p .r2) i .r3'
  ${If} $3 = 0
    System::Call '$2->0(g "{0000010b-0000-0000-C000-000000000046}", *p .r4) i .r3'
    ${If} $3 = 0
      System::Call '$4->5(w r0, i 0) i .r3'
      ${If} $3 = 0
        System::Call '$2->3(w .r1, i ${NSIS_MAX_STRLEN}, p 0, i 4)'
      ${EndIf}
      System::Call '$4->2()'
    ${EndIf}
    System::Call '$2->2()'
  ${EndIf}
FunctionEnd

; Removes the program; the schedule, the sounds and the clips stay unless the
; operator says so (or /TUDO is given to a silent uninstall). A file that
; stays (a program still using it) stops it before the entries go, so it can
; be run again.
Section "Uninstall"
  Call un.CloseRunningCopy
  ClearErrors
  Delete "$INSTDIR\sonterra.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\qt.conf"
  ; The program's own note of the last minute rung, not part of the schedule.
  ${If} ${FileExists} "$INSTDIR\.sonterra.lock"
    Delete "$INSTDIR\.sonterra.lock"
  ${EndIf}
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\imageformats"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\translations"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "A desinstalação não foi completada: arquivos do programa ficaram em \
      $INSTDIR porque outro programa os está usando. Feche-o e desinstale de novo." /SD IDOK
    Abort
  ${EndIf}

  ; The entries are this folder's unless a setup into another folder took them over.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == ""
  ${OrIf} $0 == $INSTDIR
    SetShellVarContext current
    Delete "$SMPROGRAMS\Sonterra\Sonterra.lnk"
    Delete "$SMPROGRAMS\Sonterra\Desinstalar o Sonterra.lnk"
    RMDir "$SMPROGRAMS\Sonterra"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
  ; The logon start "Ativar" wrote would start a program that is gone, whoever
  ; owns the entries; one that starts another folder's program stays.
  SetShellVarContext current
  StrCpy $0 "$SMSTARTUP\Quorvel STV2.lnk"
  ${If} ${FileExists} $0
    Call un.ShortcutTarget
    ${If} $1 == "$INSTDIR\sonterra.exe"
      Delete $0
    ${EndIf}
  ${EndIf}

  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/TUDO" $1
  IfErrors 0 everything
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Apagar também a programação, os sons e as falas da hora?" /SD IDNO IDYES everything
  Call un.SayWhatIsKept
  Goto done
everything:
  Delete "$INSTDIR\SOM.INI"
  Delete "$INSTDIR\*.PR2"
  RMDir /r "$INSTDIR\AUDIO"
  RMDir /r "$INSTDIR\HORA"
  ReadRegStr $0 HKCU "Software\Sonterra" "InstallDir"
  StrCmp $0 $INSTDIR 0 +2
  DeleteRegKey HKCU "Software\Sonterra"
done:
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd

; Said on the last page and, for a silent uninstall too, in un-log.txt of
; the folder that stays.
Function un.SayWhatIsKept
  StrCpy $2 "desativada"
  ClearErrors
  FileOpen $3 "$INSTDIR\SOM.INI" r
  ${IfNot} ${Errors}
    FileReadByte $3 $4
    FileClose $3
    StrCmp $4 49 0 +2 ; "1"
    StrCpy $2 "ativa: instalado de novo nesta pasta, o Sonterra volta a tocar os sinais ao abrir"
  ${EndIf}
  StrCpy $Kept "Ficaram em $INSTDIR a programação (SOM.INI e os arquivos .PR2; ela está $2), \
    os sons (AUDIO) e as falas da hora (HORA)."
  ReadRegStr $3 HKCU "Software\Sonterra" "InstallDir"
  StrCmp $3 "" +2
  StrCpy $Kept "$Kept No registro ficou HKCU\Software\Sonterra\InstallDir ($3)."
  StrCpy $Kept "$Kept Se não forem mais precisos, a pasta pode ser apagada."
  DetailPrint $Kept
  FileOpen $3 "$INSTDIR\un-log.txt" w
  FileWriteUTF16LE /BOM $3 "$Kept$\r$\n"
  FileClose $3
  StrCpy $Kept "$\r$\n$\r$\n$Kept"
FunctionEnd
