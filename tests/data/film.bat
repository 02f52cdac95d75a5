@rem Kavro: Diese Batch-Datei setzt die Teile wieder zur Originaldatei zusammen, ein Doppelklick genuegt. Sie findet die Teile ueber ihren eigenen Namen: bitte nicht umbenennen.
@setlocal EnableExtensions DisableDelayedExpansion
@echo off
pushd "%~dp0" >nul 2>&1
if errorlevel 1 goto ordner_fehlt
set "soll=1024"
set "nummer=001"
for %%F in ("%~n0.001") do set "ist=%%~zF"
if not "%ist%"=="%soll%" goto teil_falsch
set "nummer=002"
for %%F in ("%~n0.002") do set "ist=%%~zF"
if not "%ist%"=="%soll%" goto teil_falsch
set "soll=452"
set "nummer=003"
for %%F in ("%~n0.003") do set "ist=%%~zF"
if not "%ist%"=="%soll%" goto teil_falsch
if exist "%~n0.avi" goto vorhanden
if exist "%~n0.avi.kavro-tmp\*" goto misslungen
copy /y /b "%~n0.001" + "%~n0.002" + "%~n0.003" "%~n0.avi.kavro-tmp" >nul 2>&1
if errorlevel 1 goto misslungen
for %%F in ("%~n0.avi.kavro-tmp") do set "ist=%%~zF"
if not "%ist%"=="2500" goto misslungen
ren "%~n0.avi.kavro-tmp" "%~n0.avi" >nul 2>&1
if exist "%~n0.avi.kavro-tmp" goto misslungen
echo Fertig: "%~n0.avi" ist wieder zusammengesetzt (2500 Byte).
popd
setlocal EnableDelayedExpansion
set "zeile=!cmdcmdline!"
if not defined zeile goto ohne_warten
set "zeile=!zeile:"=#!"
if "!zeile:/c ##=!"=="!zeile!" goto ohne_warten
if /i not "!zeile:~-7!"==".bat# #" goto ohne_warten
pause
:ohne_warten
endlocal
endlocal
exit /b 0
:teil_falsch
if not exist "%~n0.%nummer%" goto teil_fehlt
echo Fehler: Das Teil "%~n0.%nummer%" hat %ist% Byte, erwartet sind %soll% Byte. Es wurde nichts geschrieben.
goto fehler
:teil_fehlt
echo Fehler: Das Teil "%~n0.%nummer%" fehlt. Es wurde nichts geschrieben.
goto fehler
:vorhanden
echo Fehler: "%~n0.avi" gibt es in diesem Ordner schon und wird nicht ersetzt. Bitte verschieben oder benennen Sie diese Datei um.
goto fehler
:misslungen
if not exist "%~n0.avi.kavro-tmp\*" del "%~n0.avi.kavro-tmp" >nul 2>&1
echo Fehler: "%~n0.avi" konnte nicht zusammengesetzt werden. Ist der Ordner beschreibbar und genug Platz frei? Es wurde nichts geschrieben.
:fehler
popd
:ende_mit_fehler
pause
endlocal
exit /b 1
:ordner_fehlt
echo Fehler: Der Ordner "%~dp0" ist nicht erreichbar. Es wurde nichts geschrieben.
goto ende_mit_fehler
