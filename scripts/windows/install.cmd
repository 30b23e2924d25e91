@echo off
rem Installs the Pellacorm Action for the mail client's Rules Wizard: copies
rem PellacormRuleExt.dll to a folder and registers it as a custom action, the value
rem "Pellacorm Action" = "4.0;<DLL>;1" below
rem HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Exchange\Client\Custom Actions.
rem
rem   install.cmd [/32] [/dll FILE] [FOLDER]
rem
rem   FOLDER     where the DLL goes: %ProgramFiles%\Pellacorm by default, with /32
rem              %ProgramFiles(x86)%\Pellacorm on 64-bit Windows
rem   /dll FILE  the DLL to install: PellacormRuleExt.dll beside this script by default
rem   /32        registers in the 32-bit view of the registry (WOW6432Node), the one a
rem              32-bit mail client on 64-bit Windows reads: install the x86 DLL with it
rem
rem Run it as administrator: it writes below HKEY_LOCAL_MACHINE. Exit codes: 0 installed,
rem 1 wrong arguments, 2 no DLL to install, 3 the DLL could not be copied, 4 the
rem registry value could not be written.
setlocal EnableExtensions DisableDelayedExpansion

set "KEY=HKLM\SOFTWARE\Microsoft\Exchange\Client\Custom Actions"
set "NAME=Pellacorm Action"
set "FILE=PellacormRuleExt.dll"
set "VIEW="
set "VIEWTEXT="
set "DLL=%~dp0%FILE%"
set "TARGET="

:arguments
if "%~1"=="" goto arguments_done
set "ARGUMENT=%~1"
if not "%ARGUMENT:~0,1%"=="/" goto folder_argument
rem A switch, compared without its slash: cmd takes "/?" anywhere on a line as a request
rem for its own help.
set "SWITCH=%ARGUMENT:~1%"
if "%SWITCH%"=="?" goto usage
if /i "%SWITCH%"=="help" goto usage
if /i "%SWITCH%"=="32" goto switch_32
if /i "%SWITCH%"=="dll" goto switch_dll
goto unknown_switch
:folder_argument
if defined TARGET goto too_many
set "TARGET=%~f1"
shift
goto arguments
:switch_32
set "VIEW=/reg:32"
set "VIEWTEXT= (32-bit registry view, WOW6432Node)"
shift
goto arguments
:switch_dll
if "%~2"=="" goto dll_argument_missing
set "DLL=%~f2"
shift
shift
goto arguments
:arguments_done

if defined TARGET goto target_given
set "TARGET=%ProgramFiles%\Pellacorm"
if not defined VIEW goto target_given
rem Set on 64-bit Windows only. (Wine's cmd misreads "if defined ProgramFiles(x86)".)
set "PROGRAMFILES32=%ProgramFiles(x86)%"
if defined PROGRAMFILES32 set "TARGET=%PROGRAMFILES32%\Pellacorm"
:target_given
if "%TARGET:~-1%"=="\" set "TARGET=%TARGET:~0,-1%"
rem The client splits the value's data at semicolons.
if not "%TARGET:;=%"=="%TARGET%" goto semicolon

rem Files and folders told apart by their attributes: Wine's cmd finds "FILE\" too.
set "ATTRIBUTES="
for %%p in ("%DLL%") do set "ATTRIBUTES=%%~ap"
if not defined ATTRIBUTES goto no_dll
if "%ATTRIBUTES:~0,1%"=="d" goto no_dll

set "INSTALLED=%TARGET%\%FILE%"
set "DATA=4.0;%INSTALLED%;1"
set "FRESH=1"
if exist "%INSTALLED%" set "FRESH="

set "ATTRIBUTES="
for %%p in ("%TARGET%") do set "ATTRIBUTES=%%~ap"
if not defined ATTRIBUTES md "%TARGET%" >nul 2>&1
set "ATTRIBUTES="
for %%p in ("%TARGET%") do set "ATTRIBUTES=%%~ap"
if not defined ATTRIBUTES goto no_folder
if not "%ATTRIBUTES:~0,1%"=="d" goto no_folder
rem Paths are only echoed on lines of their own: Wine's cmd takes the parentheses of
rem "Program Files (x86)" in a command after "if" for a block.
set "COPIED=Copied %DLL% to %INSTALLED%"
if not defined FRESH set "COPIED=Replaced %INSTALLED% with %DLL%"
rem Installing the DLL that is already in place copies nothing.
if /i not "%DLL%"=="%INSTALLED%" goto copy
set "COPIED=Kept %INSTALLED%, the DLL to install, in place"
goto copied
:copy
copy /b /y "%DLL%" "%INSTALLED%" >nul 2>&1
if errorlevel 1 goto no_copy
if not exist "%INSTALLED%" goto no_copy
:copied
echo %COPIED%

reg add "%KEY%" /v "%NAME%" /t REG_SZ /d "%DATA%" /f %VIEW% >nul 2>&1
if errorlevel 1 goto no_value
echo Registered "%NAME%" in HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Exchange\Client\Custom Actions%VIEWTEXT%:
echo   %DATA%
echo Restart the mail client: its Rules Wizard then offers "%NAME%".
exit /b 0

:usage
echo usage: install.cmd [/32] [/dll FILE] [FOLDER]
echo   Copies PellacormRuleExt.dll to FOLDER (default %%ProgramFiles%%\Pellacorm) and
echo   registers it as the mail client's custom action "Pellacorm Action".
echo   /dll FILE  the DLL to install (default: PellacormRuleExt.dll beside this script)
echo   /32        the 32-bit registry view (WOW6432Node), for a 32-bit mail client on
echo              64-bit Windows, with the x86 DLL (default folder %%ProgramFiles(x86)%%\Pellacorm)
echo   Run it as administrator.
exit /b 0

:unknown_switch
>&2 echo install: unknown switch %ARGUMENT%
>&2 echo usage: install.cmd [/32] [/dll FILE] [FOLDER]
exit /b 1

:too_many
>&2 echo install: more than one folder given: %TARGET% and %~1
>&2 echo usage: install.cmd [/32] [/dll FILE] [FOLDER]
exit /b 1

:dll_argument_missing
>&2 echo install: /dll needs the DLL's file name
>&2 echo usage: install.cmd [/32] [/dll FILE] [FOLDER]
exit /b 1

:semicolon
>&2 echo install: the folder %TARGET% holds a semicolon, which the mail client's
>&2 echo   custom action entry cannot carry; choose another folder
exit /b 1

:no_dll
>&2 echo install: the DLL to install, %DLL%, does not exist; nothing was installed
>&2 echo   (put PellacormRuleExt.dll beside install.cmd or name it with /dll FILE)
exit /b 2

:no_folder
>&2 echo install: %TARGET% is not a folder and could not be made one; nothing was installed
>&2 echo   (run install.cmd as administrator, or choose another folder)
exit /b 3

:no_copy
>&2 echo install: could not copy %DLL% to %INSTALLED%
>&2 echo   (run install.cmd as administrator, and close the mail client if it has the DLL loaded)
exit /b 3

:no_value
>&2 echo install: could not write the value "%NAME%" in HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Exchange\Client\Custom Actions%VIEWTEXT%
>&2 echo   (run install.cmd as administrator: right-click the command prompt, "Run as administrator")
if not defined FRESH goto no_value_done
del /f /q "%INSTALLED%" >nul 2>&1
>&2 echo   The copy %INSTALLED% was removed again.
:no_value_done
exit /b 4
