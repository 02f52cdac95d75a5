#pragma once

#include <windows.h>

#include <optional>
#include <string>

// The window's file dialog object: keeps the last chosen file name, offered on the next call.
struct SourceFileDialog {
    std::wstring fileName;
};

// Shows the modal file-open dialog "Datei auswählen" over owner (existing files only) and
// gives the chosen file's full path; nothing on cancel or on any failure of the dialog, without a
// message and without throwing. Only a chosen file replaces the remembered name.
std::optional<std::wstring> ChooseSourceFile(HWND owner, SourceFileDialog& cmdStandarddialog);
