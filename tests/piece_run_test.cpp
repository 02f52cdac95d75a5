#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ranges>

#include "fixtures.h"
#include "pieces/free_space.h"
#include "pieces/unique_handle.h"
#include "pieces/write_fault.h"
#include "recording_window.h"

namespace {

// Whether this machine's OEM code page holds every character of text, as Windows itself says.
bool OemCodePageHolds(const std::wstring& text) {
    BOOL lost = FALSE;
    ::WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr, 0, nullptr, &lost);
    return ::GetOEMCP() == CP_UTF8 || !lost; // UTF-8 holds everything (and refuses the flag and the question)
}

constexpr std::size_t kDriveRoot = 1; // as a folder's length: the root of a drive of the test's own

// The folder path, made, or one inside it whose path has exactly chars characters (past 248 only with \\?\), or the
// root of drive; with its final "\", and empty where the test has no drive of its own.
std::wstring FolderOfLength(const std::wstring& path, std::size_t chars, std::optional<TestDrive>& drive) {
    if (chars == kDriveRoot) {
        return drive.emplace().root;
    }
    ::CreateDirectoryW(path.c_str(), nullptr);
    const std::wstring folder = chars ? path + L"\\" + std::wstring(chars - path.size() - 1, L'd') : path;
    ::CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
    return folder + L"\\";
}

// Opened for reading, as another program may hold a file; without sharing it fails while anyone else has it open.
UniqueFile Hold(const std::wstring& path, DWORD share) {
    return UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

// How a test puts something in a run's way: a file of bytes (read-only, hidden, or held open by another program that
// shares it with nobody or for deletion only), a folder, nothing (removed); or a disk that fills, or is too small.
enum class Way { Bytes, ReadOnly, Hidden, Held, HeldForDeletion, Folder, Removed, None, DiskFull, NoRoom, Units };

void Put(const std::wstring& path, Way way, const std::string& bytes) {
    if (way <= Way::HeldForDeletion) {
        WriteBytes(path, bytes);
        const DWORD attributes[] = {0, FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, 0, 0};
        ::SetFileAttributesW(path.c_str(), attributes[static_cast<int>(way)]);
    } else if (way == Way::Folder || way == Way::Removed) {
        way == Way::Folder ? ::CreateDirectoryW(path.c_str(), nullptr) : ::DeleteFileW(path.c_str());
    }
}

UniqueFile HoldAsPut(const std::wstring& path, Way way) {
    const bool held = way == Way::Held || way == Way::HeldForDeletion;
    return held ? Hold(path, way == Way::Held ? 0 : FILE_SHARE_READ | FILE_SHARE_DELETE) : UniqueFile();
}

// Every run either ends with pieces and a batch file that join the source again (or, for a piece or the original
// changed after the run, say so and change nothing), or with an error that names the file and the reason, having
// written nothing that joins wrongly.
TEST(PieceRun, EveryRunJoinsAgainOrNamesItsFailureAndLeavesNothingThatJoinsWrongly) {
    using Before = std::vector<std::tuple<std::wstring, Way, std::string>>; // put in the run's way
    struct Case {
        std::wstring source, stem = {}; // stem: the pieces' names before their numbers
        std::int64_t pieces = 2;        // of pieceSize bytes from a source of length bytes
        std::int64_t length = 1500;
        std::int32_t pieceSize = 1000;
        Before before = {};
        std::size_t kept = 0;        // of them, the files the run keeps (it replaces the others, whatever their case)
        std::size_t folderChars = 0; // the folder's path has so many characters
        DWORD error = 0;             // the run's error, whose text names the file named and says reason
        std::wstring named = {};
        const wchar_t* reason = L"";
        Names files = {};          // what the folder then holds: what it held before unchanged, the batch file empty
        std::wstring changed = {}; // after the run, put in the join's way, which then says message after "Fehler: "
        Way way = Way::None;
        std::size_t bytes = 0;
        std::wstring message = {};
    };
    const std::string old(40000, 'o');
    Before oldFiles = {{L"d.BAT", Way::Bytes, "@rem Kavro: " + old}};
    for (const wchar_t* name : {L"D.002", L"d.004", L"d.0001", L"d.bin.kavro-tmp"}) {
        oldFiles.push_back({name, Way::Bytes, old});
    }
    const wchar_t *const rename = L"benennen Sie die Datei um", *const room = L"zu wenig Platz frei";
    const wchar_t* const many = L" in 100000 Teile zerlegt; Kavro schreibt höchstens 99999 Teile. Es wurde nichts "
                                L"geschrieben. Bitte geben Sie mindestens 1 kB an.";
    const Names two = {L"f.avi", L"f.bat"}, three = {L"f.001", L"f.avi", L"f.bat"},
                four = {L"f.001", L"f.002", L"f.avi", L"f.bat"};
    const std::wstring n246 = std::wstring(244, L'n') + L".b", j246 = n246 + L".kavro-tmp"; // a name and its join's
    const std::wstring wide = L"a.\U00010400";                                              // beyond every code page
    const std::string users = "@echo off\r\necho Meine Installation\r\n";
    const Names setup = {L"setup.bat", L"setup.exe"};
    // A run that fails for named (put in its way, or the folder's "\"), with reason in its error's text.
    const auto failure = [](std::wstring source, std::wstring named, Way way, std::string bytes, DWORD error,
                            const wchar_t* reason, Names files, std::size_t folderChars = 0,
                            std::int32_t pieceSize = 1000, std::int64_t length = 1500) {
        const Before blocked = {{named, way, bytes}};
        return Case{source, L"", 0, length, pieceSize, blocked, 0, folderChars, error, named, reason, files};
    };
    // A run of stem.avi whose batch file then meets what is changed and says message after "Fehler: ".
    const auto change = [](std::wstring stem, const wchar_t* changed, Way way, std::size_t bytes,
                           std::wstring message) {
        return Case{stem + L".avi", stem + L".", 3,     2500,   1024, {}, 0, 0, 0, {}, L"", {},
                    stem + changed, way,         bytes, message};
    };
    const std::wstring nothing = L"Es wurde nichts geschrieben.\r\n";
    const std::wstring failed =
        L"\" konnte nicht zusammengesetzt werden. Ist der Ordner beschreibbar und genug Platz frei? " + nothing;
    std::vector<Case> cases = {
        {L"d.bin", L"d.", 1, 1024, 1024},
        {L"d.bin", L"d.", 3, 70000, 32769, oldFiles, 3},
        {std::wstring(150, L'x') + L".b", std::wstring(150, L'x') + L".", 100, 100, 1}, // as much once the name is in
        // The longest path Windows takes without long-path support: ...\a.b.kavro-tmp, the join's, has 259 characters.
        {L"a.b", L"a.", 500, 1000, 2, {}, 0, 245},
        // At a drive's root, where only the name's length counts: the join's r...r.b.kavro-tmp has 255 characters.
        {std::wstring(243, L'r') + L".b", std::wstring(243, L'r') + L".", 2, 100, 50, {}, 0, kDriveRoot},
        // A stem beyond every OEM code page and an extension beyond ASCII, written out in the code page; a name that
        // begins with its only dot, several dots, no dot (and an empty batch file of a failed run).
        {L"\u201E\u2019\u2013\u20AC \u0391\u6771.\u00DC", L"\u201E\u2019\u2013\u20AC \u0391\u6771."},
        {L".profile", L"."},
        {L"a.tar.gz", L"a.tar."},
        {L"b.5%", L"b."}, // "%" in the extension alone
        {L"liesmich", L"liesmich.", 2, 1500, 1000, {{L"liesmich.bat", Way::Bytes, ""}}},
        {L"a%\u00FC.x", L"a%\u00FC."}, // a "%" with a character beyond ASCII, written out
        // The batch file meets a piece removed, short or long, the original there, a folder of its temporary name, a
        // piece held open.
        change(L"f & g!", L".001", Way::Removed, 0, L"Das Teil \"f & g!.001\" fehlt. " + nothing),
        change(L"f & g!", L".002", Way::Bytes, 1023,
               L"Das Teil \"f & g!.002\" hat 1023 Byte, erwartet sind 1024 Byte. " + nothing),
        change(L"50%", L".003", Way::Bytes, 453,
               L"Das Teil \"50%.003\" hat 453 Byte, erwartet sind 452 Byte. " + nothing),
        change(L"f & g!", L".avi", Way::Bytes, 3,
               L"\"f & g!.avi\" gibt es in diesem Ordner schon und wird nicht ersetzt. Bitte verschieben oder "
               L"benennen Sie diese Datei um.\r\n"),
        change(L"50%", L".avi.kavro-tmp", Way::Folder, 0, L"\"50%.avi" + failed),
        change(L"f & g!", L".003", Way::Held, 452, L"\"f & g!.avi" + failed),
        // Refused: a source that bears a name this run would write, paths too long, a name the batch file cannot hold.
        failure(L"film.001", L"film.001", Way::None, "", ERROR_FILE_EXISTS, rename, {L"film.001"}),
        failure(L"FILM.BAT", L"FILM.BAT", Way::None, "", ERROR_FILE_EXISTS, rename, {L"FILM.BAT"}),
        failure(L"a.b", L"a.b.kavro-tmp", Way::None, "", ERROR_FILENAME_EXCED_RANGE, L"260 Zeichen zu lang", {L"a.b"},
                246),
        failure(n246, j246, Way::None, "", ERROR_FILENAME_EXCED_RANGE, L"256 Zeichen", {n246}, kDriveRoot),
        failure(L"50%€.txt", L"50%€.txt", Way::None, "", ERROR_NO_UNICODE_TRANSLATION, rename, {L"50%€.txt"}),
        // A batch file not Kavro's to replace, a folder or a read-only old piece in the way; too many pieces, refused
        // before the batch file's text, which could not hold the name, is made.
        failure(L"setup.exe", L"setup.bat", Way::Bytes, users, ERROR_FILE_EXISTS, L"keine Batch-Datei von Kavro",
                setup),
        failure(L"f.avi", L"f.bat", Way::Hidden, "@rem Kavro: alt\r\n", ERROR_ACCESS_DENIED, L"versteckt", two),
        failure(L"f.avi", L"f.bat", Way::Folder, "", ERROR_ALREADY_EXISTS, L"Ordner", two),
        failure(L"f.avi", L"f.002", Way::Folder, "", ERROR_ALREADY_EXISTS, L"Ordner", {L"f.002", L"f.avi"}),
        failure(L"f.avi", L"f.002", Way::ReadOnly, "old", ERROR_ACCESS_DENIED, L"schreibgeschützt",
                {L"f.002", L"f.avi"}),
        failure(wide, wide, Way::None, "", ERROR_INVALID_PARAMETER, many, {wide}, 0, 1, 100000),
        // Failed on the way: the pieces so far stay, the batch file stays empty.

        failure(L"f.avi", L"f.bat", Way::Held, "old", ERROR_SHARING_VIOLATION, L"anderen Programm", two),
        failure(L"f.avi", L"f.002", Way::HeldForDeletion, "old", ERROR_DELETE_PENDING, L"offen gehalten", three),
        failure(L"f.avi", L"f.002", Way::DiskFull, "", ERROR_DISK_FULL, L"Speicherplatz", four),
        failure(L"f.avi", L"f.bat", Way::DiskFull, "", ERROR_DISK_FULL, L"Speicherplatz", four),
        // Without room, in bytes or in the drive's allocation units: 1024 pieces of 1 kB take 4 MiB in units of 4 KiB.
        failure(L"f.avi", L"\\", Way::NoRoom, "", ERROR_DISK_FULL, room, {L"f.avi"}, 0, 1 << 30),
        failure(L"f.avi", L"\\", Way::Units, "", ERROR_DISK_FULL, room, {L"f.avi"}, kDriveRoot, 1024, 1 << 20),
    };
    for (const wchar_t c : std::wstring_view(L"&^();=,+!'~[]{}% \u00FC")) { // each forces quotes on its own
        cases.push_back({std::wstring{L'a', c, L'b'} + L".x", std::wstring{L'a', c, L'b'} + L"."});
    }
    const std::wstring pause = PauseText(); // after every failure of a join
    testing::Message notRun;                // rows that cannot run here, and why: the test then reports itself skipped
    for (const auto& c : cases) {
        TempFolder parent; // in a folder with a dot in its name
        std::optional<TestDrive> drive;
        const std::wstring folder = FolderOfLength(parent / L"Daten.alt", c.folderChars, drive);
        const bool writtenOut = c.stem.find(L'%') != std::wstring::npos;
        const Way way = c.before.empty() ? Way::None : std::get<Way>(c.before[0]);
        if (folder.empty() || (way == Way::HeldForDeletion && !UnderWine()) ||
            ((!c.error || c.error == ERROR_NO_UNICODE_TRANSLATION) &&
             OemCodePageHolds(c.source.substr(writtenOut ? 0 : std::min(c.stem.size(), c.source.size()))) ==
                 (c.error == ERROR_NO_UNICODE_TRANSLATION)) ||
            (way == Way::Units && std::filesystem::space(folder).available > (4 << 20))) {
            notRun << c.source << ": a drive of its own or of 4 MiB, a code page or file system of its kind; ";
            continue;
        }
        SCOPED_TRACE(testing::Message() << c.source << ", " << c.length << " bytes " << c.named << c.changed);
        const std::string source = PatternBytes(c.length, 3);
        WriteBytes(folder + c.source, source);
        if (way == Way::NoRoom || way == Way::Units) { // NoRoom: longer than the free space
            const auto free = static_cast<std::int64_t>(std::filesystem::space(folder).available);
            MakeSparse(folder + c.source, way == Way::Units ? c.length : free + (1 << 30));
        }
        std::vector<UniqueFile> holders;
        for (const auto& [name, way, bytes] : c.before) {
            Put(folder + name, way, bytes);
        }
        const auto before = way == Way::NoRoom ? decltype(Contents(folder)){} : Contents(folder);
        for (const auto& [name, way, bytes] : c.before) {
            holders.push_back(HoldAsPut(folder + name, way));
        }
        // The files the run replaces count as free space: it deletes them first.
        EXPECT_TRUE(c.error || FilesInTheWay(folder + c.stem, c.pieces).size() == c.before.size() - c.kept);
        const ScopedWriteFault disk([&](const std::wstring& path) -> DWORD {
            // Without room every write fails, so that a run which is not refused cannot fill the disk.
            return (way == Way::DiskFull && path == folder + c.named) || way == Way::NoRoom ? ERROR_DISK_FULL : 0;
        });
        RecordingWindow window;
        std::wstring text = L"no error";
        try {
            WritePieceSet(folder + c.source, c.pieceSize, window);
        } catch (const RunError& e) {
            text = ErrorMessageText(e);
        }
        holders.clear();
        if (c.error) {
            EXPECT_TRUE(text.starts_with(L"Fehler " + std::to_wstring(c.error) + L": ") &&
                        text.find(c.named + L"\u201C") != std::wstring::npos && text.find(c.reason) != text.npos)
                << text;
            EXPECT_EQ(FileNames(folder), c.files);
            for (const auto& name : c.files) {
                EXPECT_TRUE(Hold(folder + name, 0) || name == c.named) << name << " is still open";
                if (before.contains(name) || name.ends_with(L".bat")) {
                    EXPECT_EQ(ReadBytes(folder + name), before.contains(name) ? before.at(name) : "")
                        << "left as it was; no batch file that joins a shortened file";
                }
            }
            continue;
        }
        EXPECT_EQ(window.calls.back(), L"ShowMessage Datei erfolgreich gesplittet") << text;
        EXPECT_EQ(FileNames(folder).size(), c.pieces + 2 + c.kept);
        // chcp from Windows' folder: the console's code page noted, the script's set, the console's given back twice.
        const std::string script = ReadBytes(folder + c.stem + L"bat");
        const std::string chcp = "\"%SystemRoot%\\System32\\chcp.com\"";
        const bool switches = c.source.ends_with(L".\u00DC") || c.source == L"a%\u00FC.x";
        EXPECT_EQ(script.find("\n" + chcp + " " + std::to_string(::GetOEMCP()) + " >nul 2>&1\r\npushd ") != script.npos,
                  switches);
        EXPECT_EQ(std::ranges::distance(script | std::views::split(chcp)) - 1, switches ? 4 : 0);

        ::DeleteFileW((folder + c.source).c_str());
        Put(folder + c.changed, c.way, PatternBytes(c.bytes));
        auto expected = Contents(folder); // as it was, and the source joined again
        expected.erase(L"d.bin.kavro-tmp");
        if (c.changed.empty()) {
            expected[c.source] = source;
        }
        UniqueFile holder = HoldAsPut(folder + c.changed, c.way);
        const ScriptRun join = RunScript(folder + c.stem + L"bat", parent.path);
        holder.Reset();
        EXPECT_EQ(join.exitCode, c.changed.empty() ? 0u : 1u) << "cmd, started elsewhere";
        EXPECT_EQ(join.output, c.changed.empty() ? L"Fertig: \"" + c.source + L"\" ist wieder zusammengesetzt (" +
                                                       std::to_wstring(c.length) + L" Byte).\r\n"
                                                 : L"Fehler: " + c.message + pause);
        EXPECT_TRUE(Contents(folder) == expected) << "joined, or nothing changed; no temporary file left";
    }
    if (!notRun.GetString().empty()) {
        GTEST_SKIP() << notRun;
    }
}

} // namespace
