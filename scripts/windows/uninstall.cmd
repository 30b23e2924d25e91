@echo off
rem Removes what install.cmd installed: the DLL that the custom action value
rem "Pellacorm Action" below
rem HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Exchange\Client\Custom Actions names (and its
rem folder, when that is left empty), then the value itself.
rem
rem   uninstall.cmd [/32]
rem
rem   /32   the installation in the 32-bit view of the registry (WOW6432Node), made
rem         with install.cmd /32 for a 32-bit mail client on 64-bit Windows
rem
rem Run it as administrator. Exit codes: 0 removed, 1 wrong arguments, 2 not installed,
rem 3 the DLL could not be deleted (nothing was changed), 4 the registry value could
rem not be deleted.
setlocal EnableExtensions DisableDelayedExpansion

set "KEY=HKLM\SOFTWARE\Microsoft\Exchange\Client\Custom Actions"
set "NAME=Pellacorm Action"
set "FILE=PellacormRuleExt.dll"
set "VIEW="
set "VIEWTEXT="

:arguments
if "%~1"=="" goto arguments_done
set "ARGUMENT=%~1"
rem Compared without its slash: cmd takes "/?" anywhere on a line as a request for its
rem own help.
set "SWITCH=%ARGUMENT:~1%"
if not "%ARGUMENT:~0,1%"=="/" goto unknown_argument
if "%SWITCH%"=="?" goto usage
if /i "%SWITCH%"=="help" goto usage
if /i not "%SWITCH%"=="32" goto unknown_argument
set "VIEW=/reg:32"
set "VIEWTEXT= (32-bit registry view, WOW6432Node)"
shift
goto arguments
:arguments_done

reg query "%KEY%" /v "%NAME%" %VIEW% >nul 2>&1
if errorlevel 1 goto not_installed

rem The data is "4.0;<DLL>;1": the DLL is the second field.
set "INSTALLED="
for /f "usebackq tokens=2 delims=;" %%p in (`reg query "%KEY%" /v "%NAME%" %VIEW%`) do if not "%%p"=="" set "INSTALLED=%%p"
if not defined INSTALLED goto remove_value
for %%p in ("%INSTALLED%") do set "INSTALLEDNAME=%%~nxp"
for %%p in ("%INSTALLED%") do set "FOLDER=%%~dpp"
if /i not "%INSTALLEDNAME%"=="%FILE%" goto foreign_file
if not exist "%INSTALLED%" goto dll_gone
del /f /q "%INSTALLED%" >nul 2>&1
if exist "%INSTALLED%" goto no_delete
echo Deleted %INSTALLED%
if "%FOLDER:~-1%"=="\" set "FOLDER=%FOLDER:~0,-1%"
rem Only an empty folder goes.
rd "%FOLDER%" >nul 2>&1
rem Paths are only echoed on lines of their own: Wine's cmd takes the parentheses of
rem "Program Files (x86)" in a command after "if" for a block.
if exist "%FOLDER%\" goto remove_value
echo Removed the empty folder %FOLDER%
goto remove_value

:foreign_file
echo Left %INSTALLED% in place: the value named a file other than %FILE%
goto remove_value

:dll_gone
echo %INSTALLED% was already gone

:remove_value
reg delete "%KEY%" /v "%NAME%" /f %VIEW% >nul 2>&1
if errorlevel 1 goto no_value
echo Removed "%NAME%" from HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Exchange\Client\Custom Actions%VIEWTEXT%
echo Restart the mail client: its Rules Wizard then no longer offers "%NAME%".
exit /b 0

:usage
echo usage: uninstall.cmd [/32]
echo   Deletes the DLL of the mail client's custom action "Pellacorm Action" and its
echo   registry value. /32: the installation for a 32-bit mail client on 64-bit Windows
echo   (32-bit registry view, WOW6432Node). Run it as administrator.
exit /b 0

:unknown_argument
>&2 echo uninstall: unknown argument %ARGUMENT%
>&2 echo usage: uninstall.cmd [/32]
exit /b 1

:not_installed
>&2 echo uninstall: "%NAME%" is not installed: no such value in HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Exchange\Client\Custom Actions%VIEWTEXT%
if defined VIEW exit /b 2
>&2 echo   (an installation for a 32-bit mail client is removed with uninstall.cmd /32)
exit /b 2

:no_delete
>&2 echo uninstall: could not delete %INSTALLED%; nothing was removed
>&2 echo   (close the mail client, which keeps the DLL loaded, and run uninstall.cmd as administrator)
exit /b 3

:no_value
>&2 echo uninstall: could not delete the value "%NAME%" in HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Exchange\Client\Custom Actions%VIEWTEXT%
>&2 echo   (run uninstall.cmd as administrator)
exit /b 4
