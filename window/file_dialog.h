#pragma once

#include <windows.h>

#include <commdlg.h>

#include <optional>
#include <string>
#include <vector>

// The window's file dialog object: keeps the last chosen file name, offered on the next call.
struct SourceFileDialog {
    std::wstring fileName;
};

// The settings of the file-open dialog "Datei auswählen" over owner: existing files only, all files listed, the
// remembered name offered in fileName, which the dialog fills with the chosen path.
OPENFILENAMEW SourceDialogSettings(HWND owner, const SourceFileDialog& cmdStandarddialog,
                                   std::vector<wchar_t>& fileName);

// Shows the modal file-open dialog and gives the chosen file's full path; nothing on cancel or on any failure of the
// dialog, without a message and without throwing. Only a chosen file replaces the remembered name.
std::optional<std::wstring> ChooseSourceFile(HWND owner, SourceFileDialog& cmdStandarddialog);
