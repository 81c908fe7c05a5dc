; The Windows installer of the panel (scripts/package.sh windows):
;   makensis -DVERSION=1.2.3 -DFOLDER=build-windows/brimopanel-windows -DOUTFILE=setup.exe brimopanel.nsi
; Installs the folder the Windows build deploys into Program Files, with a Start-menu entry, an
; uninstaller and, when chosen, an entry that starts the panel at login (a wall PC). /S installs
; silently with the defaults. The settings file in %APPDATA%\Tovald GmbH stays on uninstalling.
; 64-bit like the panel (and Wine without its 32-bit half runs it).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define APP "Brimo Panel"
!define PUBLISHER "Tovald GmbH"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\brimopanel"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
InstallDirRegKey HKLM "Software\${PUBLISHER}\${APP}" "InstallDir"
ShowInstDetails show
VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${APP} installer"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

Page components
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Every file of the folder, by name: the uninstaller removes exactly these.
!macro Files COMMAND
    !insertmacro ${COMMAND} "brimopanel.exe"
    !insertmacro ${COMMAND} "brimo-devsim.exe"
    !insertmacro ${COMMAND} "Qt5Core.dll"
    !insertmacro ${COMMAND} "Qt5Gui.dll"
    !insertmacro ${COMMAND} "Qt5Widgets.dll"
    !insertmacro ${COMMAND} "Qt5Network.dll"
    !insertmacro ${COMMAND} "libgcc_s_seh-1.dll"
    !insertmacro ${COMMAND} "libstdc++-6.dll"
    !insertmacro ${COMMAND} "libwinpthread-1.dll"
    !insertmacro ${COMMAND} "platforms\qwindows.dll"
    !insertmacro ${COMMAND} "styles\qwindowsvistastyle.dll"
!macroend
!macro Install NAME
    File "/oname=${NAME}" "${FOLDER}\${NAME}"
!macroend
!macro Remove NAME
    Delete "$INSTDIR\${NAME}"
!macroend

Function .onInit
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetShellVarContext all
FunctionEnd

Section "${APP}" SectionPanel
    SectionIn RO
    SetOutPath "$INSTDIR"
    CreateDirectory "$INSTDIR\platforms"
    CreateDirectory "$INSTDIR\styles"
    !insertmacro Files Install
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateDirectory "$SMPROGRAMS\${APP}"
    CreateShortcut "$SMPROGRAMS\${APP}\${APP}.lnk" "$INSTDIR\brimopanel.exe"
    CreateShortcut "$SMPROGRAMS\${APP}\Uninstall ${APP}.lnk" "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "Software\${PUBLISHER}\${APP}" "InstallDir" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\brimopanel.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Off unless chosen: the panel then starts for every user who logs in.
Section /o "Start ${APP} at login (wall PC)" SectionLogin
    CreateShortcut "$SMSTARTUP\${APP}.lnk" "$INSTDIR\brimopanel.exe"
SectionEnd

Section "Uninstall"
    Delete "$SMSTARTUP\${APP}.lnk"
    Delete "$SMPROGRAMS\${APP}\${APP}.lnk"
    Delete "$SMPROGRAMS\${APP}\Uninstall ${APP}.lnk"
    RMDir "$SMPROGRAMS\${APP}"
    !insertmacro Files Remove
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR\platforms"
    RMDir "$INSTDIR\styles"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "Software\${PUBLISHER}\${APP}"
    DeleteRegKey /ifempty HKLM "Software\${PUBLISHER}"
SectionEnd
