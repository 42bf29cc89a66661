; Installs Pexalo and, through langsetup.exe, the user-interface language the installer runs in.
;
; Build:  makensis -DFILES=<folder> [-DOUTFILE=<setup.exe>] [-DTARGET=amd64-unicode] pexalo.nsi
; <folder> holds what ships: Pexalo.exe and readme.txt (the application), langsetup.exe, and
; Languages\ with one language module per code (de.exe, fr.exe, en.exe, ...).
; Silent install:  setup.exe /S /D=C:\Program Files\Pexalo   (/D= comes last, unquoted)

!ifndef FILES
  !error "Give the folder with what ships: makensis -DFILES=<folder> pexalo.nsi"
!endif
Unicode true
!ifdef TARGET
  Target ${TARGET}  ; amd64-unicode builds a 64-bit installer
!endif
!ifndef OUTFILE
  !define OUTFILE "PexaloSetup.exe"
!endif

Name "Pexalo"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Pexalo"
RequestExecutionLevel admin

; The installer speaks the user's language when it carries it (matched by the exact language,
; then by its primary language, else the first one, English), and $LANGUAGE holds the locale
; identifier of the language it chose. Carry the languages that have a module in Languages\:
; Spanish as 3082, the identifier langsetup knows. NSIS has no language file for Chinese (Hong
; Kong, 3076, cs.exe): such a user gets SimpChinese, 2052, ct.exe, by the primary language.
LoadLanguageFile "${NSISDIR}\Contrib\Language files\English.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\German.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\French.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Italian.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Japanese.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Korean.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Dutch.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Russian.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\SimpChinese.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Portuguese.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\SpanishInternational.nlf"

Section "Pexalo"
  SetOutPath "$INSTDIR"
  File "${FILES}\Pexalo.exe"
  File "${FILES}\readme.txt"
  File "${FILES}\langsetup.exe"
  SetOutPath "$INSTDIR\Languages"
  File "${FILES}\Languages\*.exe"

  ; Back to the install folder before running anything: nsExec (like ExecWait) starts its
  ; program in the folder of the last SetOutPath, and a current directory inside Languages
  ; keeps langsetup from removing that folder.
  SetOutPath "$INSTDIR"
  ; nsExec::ExecToLog starts langsetup hidden, waits for it, and copies its trail (what it did,
  ; and why) into the installer's details. It leaves "error", "timeout" or the exit code on the
  ; stack; langsetup always ends with 0, so there is no result to check: the trail tells.
  nsExec::ExecToLog '"$INSTDIR\langsetup.exe" /install $LANGUAGE'
  Pop $0
  ; langsetup.exe is gone a moment after this returns.
  nsExec::ExecToLog '"$INSTDIR\langsetup.exe" /clean'
  Pop $0

  WriteUninstaller "$INSTDIR\Uninstall.exe"
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\Pexalo.exe"
  Delete "$INSTDIR\readme.txt"
  ; What the language module wrote into the install folder (the sample modules write
  ; module-record.txt there; a real module writes its language files).
  Delete "$INSTDIR\module-record.txt"
  ; Left only where /install or /clean could not finish.
  Delete "$INSTDIR\langsetup.exe"
  Delete "$INSTDIR\Languages\*.exe"
  RMDir "$INSTDIR\Languages"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
