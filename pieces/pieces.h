#pragma once
// The piece writer: copies a file into numbered pieces beside it and writes the batch file
// that joins them again. It reports to the user only through WindowOperations.

#include <cstdint>
#include <string>

#include "pieces/run_error.h"

// What the piece writer (and the size field) may ask of the main window.
class WindowOperations {
public:
    // Modal message box with the text and one OK button.
    virtual void ShowMessage(const std::wstring& text) = 0;
    // Hourglass pointer over the window on, or back to the normal pointer.
    virtual void SetBusy(bool busy) = 0;
    // Text of the progress label.
    virtual void SetProgressText(const std::wstring& text) = 0;
    // Redraws the window and its controls at once, in the middle of a handler.
    virtual void RepaintNow() = 0;
    // Keyboard focus to the size field.
    virtual void FocusSizeField() = 0;
    // How far the copy is: done of total bytes of the source; reported after every block.
    virtual void ReportProgress(std::int64_t done, std::int64_t total) = 0;

protected:
    ~WindowOperations() = default;
};

// "dieangegebene" without a blank is deliberate, not a typo: the message has always read so.
inline constexpr wchar_t kSourceTooSmallMessage[] = L"Die ausgewählte Datei ist kleiner als die"
                                                    L"angegebene Dateigröße. Keine Zerlegung erforderlich.";
inline constexpr wchar_t kProgressPrefix[] = L"Kopiere Daten nach ";
inline constexpr wchar_t kSuccessMessage[] = L"Datei erfolgreich gesplittet";

// Splits the file at sourcePath into pieces of pieceSize bytes (> 0) beside it and writes
// the joining batch file. Ends with one of its two messages, or throws RunError; a run
// abandoned by an error leaves the source untouched and the pointer normal.
void WritePieceSet(const std::wstring& sourcePath, std::int32_t pieceSize, WindowOperations& window);
