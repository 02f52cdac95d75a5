#include "pieces/file_error.h"

namespace {

std::wstring ActionText(FileAction action, const std::wstring& path) {
    switch (action) {
    case FileAction::Measure:
        return L"Die Größe der Datei " + Quoted(path) + L" kann nicht ermittelt werden.";
    case FileAction::Open:
        return L"Die Datei " + Quoted(path) + L" kann nicht geöffnet werden.";
    case FileAction::Read:
        return L"Die Datei " + Quoted(path) + L" kann nicht gelesen werden.";
    case FileAction::DeleteOld:
        return L"Die vorhandene Datei " + Quoted(path) + L" kann nicht gelöscht werden.";
    case FileAction::Create:
        return L"Die Datei " + Quoted(path) + L" kann nicht angelegt werden.";
    case FileAction::Write:
        return L"In die Datei " + Quoted(path) + L" kann nicht geschrieben werden.";
    case FileAction::Finish:
        return L"Die Datei " + Quoted(path) + L" kann nicht fertig geschrieben werden.";
    }
    return L"Die Datei " + Quoted(path) + L" kann nicht bearbeitet werden.";
}

std::wstring SystemText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result = length ? std::wstring(text, length) : std::wstring();
    ::LocalFree(text);
    while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r' || result.back() == L' ')) {
        result.pop_back();
    }
    return result.empty() ? L"Windows-Fehler " + std::to_wstring(code) + L"." : result;
}

std::wstring ReasonText(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
        return L"Die Datei wurde nicht gefunden.";
    case ERROR_PATH_NOT_FOUND:
        return L"Der Ordner wurde nicht gefunden.";
    case ERROR_ACCESS_DENIED:
        return L"Der Zugriff wurde verweigert: Die Datei ist schreibgeschützt, oder die Berechtigung fehlt.";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return L"Die Datei wird von einem anderen Programm verwendet. Bitte schließen Sie dieses Programm, oder "
               L"warten Sie einen Moment.";
    case ERROR_DELETE_PENDING:
        return L"Die alte Datei dieses Namens ist gelöscht, wird aber noch von einem anderen Programm offen gehalten "
               L"(etwa einer Vorschau, einem Virenscanner oder der Windows-Suche). Bitte schließen Sie dieses "
               L"Programm, "
               L"oder warten Sie einen Moment.";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return L"Auf dem Datenträger ist nicht genügend Speicherplatz frei.";
    case ERROR_CANNOT_MAKE: // a FAT32 folder holds about 65000 entries, fewer for long names
        return L"Der Ordner kann keine weiteren Dateien aufnehmen. Bitte wählen Sie eine größere Dateigröße, damit es "
               L"weniger Teile werden, oder einen Ordner auf einem anderen Laufwerk.";
    default:
        return SystemText(code);
    }
}

} // namespace

std::wstring Quoted(const std::wstring& path) { return L"\u201E" + path + L"\u201C"; }

RunError FileError(DWORD code, FileAction action, const std::wstring& path) {
    return RunError(code, ActionText(action, path) + L" " + ReasonText(code));
}
