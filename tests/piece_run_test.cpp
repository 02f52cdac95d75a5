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
UniqueFile Hold(const std::wstring& path, DWORD share = 0) {
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

TEST(PieceRun, PiecesAndBatchFileRejoinTheSource) {
    struct Case {
        std::wstring source, stem;
        std::size_t length;
        std::int32_t pieceSize;
        std::int64_t pieces;
        std::vector<std::pair<std::wstring, std::string>> oldFiles = {};
        std::size_t replaced = 0;    // of them, whatever their case; the others are kept
        std::size_t folderChars = 0; // the folder's path has so many characters
        std::wstring changed = {};   // after the run, put in the join's way
        Way way = Way::None;
        std::size_t bytes = 0;
        std::wstring message = {}; // what the batch file then says after "Fehler: "
    };
    const std::string old(40000, 'o');
    const std::vector<std::pair<std::wstring, std::string>> oldFiles = {{L"D.002", old},
                                                                        {L"d.004", old},
                                                                        {L"d.0001", old},
                                                                        {L"d.BAT", "@rem Kavro: " + old},
                                                                        {L"d.bin.kavro-tmp", old}};
    std::vector<Case> cases = {
        {L"d.bin", L"d.", 1024, 1024, 1},
        {L"d.bin", L"d.", 70000, 32769, 3, oldFiles, 2},
        {std::wstring(150, L'x') + L".b", std::wstring(150, L'x') + L".", 100, 1, 100}, // as much once the name is in
        // The longest path Windows takes without long-path support: ...\a.b.kavro-tmp, the join's, has 259 characters.
        {L"a.b", L"a.", 1000, 2, 500, {}, 0, 245},
        // At a drive's root, where only the name's length counts: the join's r...r.b.kavro-tmp has 255 characters.
        {std::wstring(243, L'r') + L".b", std::wstring(243, L'r') + L".", 100, 50, 2, {}, 0, kDriveRoot},
        // A stem beyond every OEM code page and an extension beyond ASCII, written out in the code page; a name that
        // begins with its only dot, several dots, no dot (and an empty batch file of a failed run).
        {L"\u201E\u2019\u2013\u20AC \u0391\u6771.\u00DC", L"\u201E\u2019\u2013\u20AC \u0391\u6771.", 1500, 1000, 2},
        {L".profile", L".", 1500, 1000, 2},
        {L"a.tar.gz", L"a.tar.", 1500, 1000, 2},
        {L"b.5%", L"b.", 1500, 1000, 2}, // "%" in the extension alone
        {L"liesmich", L"liesmich.", 1500, 1000, 2, {{L"liesmich.bat", ""}}, 1},
        {L"a%\u00FC.x", L"a%\u00FC.", 1500, 1000, 2}, // a "%" with a character beyond ASCII, written out
    };
    for (const wchar_t c : std::wstring_view(L"&^();=,+!'~[]{}% \u00FC")) { // each forces quotes on its own
        cases.push_back({std::wstring{L'a', c, L'b'} + L".x", std::wstring{L'a', c, L'b'} + L".", 1500, 1000, 2});
    }
    const std::wstring nothing = L"Es wurde nichts geschrieben.\r\n";
    const std::wstring failed =
        L"\" konnte nicht zusammengesetzt werden. Ist der Ordner beschreibbar und genug Platz frei? " + nothing;
    const std::tuple<std::wstring, const wchar_t*, Way, std::size_t, std::wstring> changes[] = {
        {L"f & g!", L".001", Way::Removed, 0, L"Das Teil \"f & g!.001\" fehlt. " + nothing},
        {L"f & g!", L".002", Way::Bytes, 1023,
         L"Das Teil \"f & g!.002\" hat 1023 Byte, erwartet sind 1024 Byte. " + nothing},
        {L"50%", L".003", Way::Bytes, 453, L"Das Teil \"50%.003\" hat 453 Byte, erwartet sind 452 Byte. " + nothing},
        {L"f & g!", L".avi", Way::Bytes, 3,
         L"\"f & g!.avi\" gibt es in diesem Ordner schon und wird nicht ersetzt. Bitte verschieben oder benennen Sie "
         L"diese Datei um.\r\n"},
        {L"50%", L".avi.kavro-tmp", Way::Folder, 0, L"\"50%.avi" + failed},
        {L"f & g!", L".003", Way::Held, 452, L"\"f & g!.avi" + failed},
    };
    for (const auto& [stem, changed, way, bytes, message] : changes) {
        cases.push_back({stem + L".avi", stem + L".", 2500, 1024, 3, {}, 0, 0, stem + changed, way, bytes, message});
    }
    const std::wstring pause = PauseText(); // after every failure
    testing::Message notRun;                // rows that cannot run here, and why: the test then reports itself skipped
    for (const auto& c : cases) {
        TempFolder parent; // the pieces go into a folder with a dot in its name
        std::optional<TestDrive> drive;
        const std::wstring folder = FolderOfLength(parent / L"Daten.alt", c.folderChars, drive);
        const bool writtenOut = c.stem.find(L'%') != std::wstring::npos;
        if (folder.empty() ||
            !OemCodePageHolds(c.source.substr(writtenOut ? 0 : std::min(c.stem.size(), c.source.size())))) {
            notRun << c.source << ": no drive of its own, or a name this code page cannot hold (refused below); ";
            continue;
        }
        SCOPED_TRACE(testing::Message() << c.source << ", " << c.length << " bytes " << c.changed);
        const std::string source = PatternBytes(c.length, 3);
        WriteBytes(folder + c.source, source);
        for (const auto& [name, bytes] : c.oldFiles) {
            WriteBytes(folder + name, bytes);
        }
        // The files the run replaces count as free space: it deletes them first.
        EXPECT_EQ(FilesInTheWay(folder + c.stem, c.pieces).size(), c.replaced);
        RecordingWindow window;
        WritePieceSet(folder + c.source, c.pieceSize, window);
        // The label's blank and the normal pointer come before the message.
        EXPECT_EQ(
            Names(window.calls.end() - 4, window.calls.end()),
            (Names{L"SetProgressText  ", L"SetBusy off", L"RepaintNow", L"ShowMessage Datei erfolgreich gesplittet"}));
        EXPECT_EQ(FileNames(folder).size(), c.pieces + 2 + c.oldFiles.size() - c.replaced);
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

TEST(PieceRun, AFailureIsReportedNamingTheFileAndLeavesNothingThatJoinsWrongly) {
    const wchar_t *const rename = L"benennen Sie die Datei um", *const room = L"zu wenig Platz frei";
    const wchar_t* const many = L" in 100000 Teile zerlegt; Kavro schreibt höchstens 99999 Teile. Es wurde nichts "
                                L"geschrieben. Bitte geben Sie mindestens 1 kB an.";
    const std::string users = "@echo off\r\necho Meine Installation\r\n", kavros = "@rem Kavro: alt\r\n";
    const Names two = {L"f.avi", L"f.bat"}, three = {L"f.001", L"f.avi", L"f.bat"},
                four = {L"f.001", L"f.002", L"f.avi", L"f.bat"},
                five = {L"f.001", L"f.002", L"f.003", L"f.avi", L"f.bat"};
    const std::wstring n246 = std::wstring(244, L'n') + L".b", j246 = n246 + L".kavro-tmp"; // a name and its join's
    const std::wstring wide = L"a.\U00010400";                                              // beyond every code page
    const struct {
        std::wstring source;
        std::wstring blocked; // what is in the way
        Way way;
        std::string bytes; // of the blocked file
        DWORD number;
        const wchar_t* reason; // what the message says besides the blocked file's name
        Names files;           // what the folder holds afterwards; what it held before, unchanged
        std::size_t folderChars = 0;
        std::int32_t pieceSize = 1024;
        std::int64_t length = 3000;
    } cases[] = {
        // Refused: a source that bears a name this run would write, paths too long, a name the batch file cannot hold.
        {L"film.001", L"film.001", Way::None, "", ERROR_FILE_EXISTS, rename, {L"film.001"}},
        {L"FILM.BAT", L"FILM.BAT", Way::None, "", ERROR_FILE_EXISTS, rename, {L"FILM.BAT"}},
        {L"a.b", L"a.b.kavro-tmp", Way::None, "", ERROR_FILENAME_EXCED_RANGE, L"260 Zeichen zu lang", {L"a.b"}, 246},
        {n246, j246, Way::None, "", ERROR_FILENAME_EXCED_RANGE, L"256 Zeichen", {n246}, kDriveRoot},
        {L"50%€.txt", L"50%€.txt", Way::None, "", ERROR_NO_UNICODE_TRANSLATION, rename, {L"50%€.txt"}},
        // A batch file not Kavro's to replace, a folder in the way; too many pieces, refused before the batch file's
        // text, which could not hold the name, is made.
        {L"setup.exe",
         L"setup.bat",
         Way::Bytes,
         users,
         ERROR_FILE_EXISTS,
         L"keine Batch-Datei von Kavro",
         {L"setup.bat", L"setup.exe"}},
        {L"f.avi", L"f.bat", Way::Hidden, kavros, ERROR_ACCESS_DENIED, L"versteckt", two},
        {L"f.avi", L"f.bat", Way::Folder, "", ERROR_ALREADY_EXISTS, L"Ordner", two},
        {L"f.avi", L"f.002", Way::Folder, "", ERROR_ALREADY_EXISTS, L"Ordner", {L"f.002", L"f.avi"}},
        {wide, wide, Way::None, "", ERROR_INVALID_PARAMETER, many, {wide}, 0, 1, 100000},
        // Failed on the way: the pieces so far stay, the batch file stays empty.
        {L"f.avi", L"f.002", Way::ReadOnly, "old", ERROR_ACCESS_DENIED, L"schreibgeschützt", four},
        {L"f.avi", L"f.bat", Way::Held, "old", ERROR_SHARING_VIOLATION, L"anderen Programm", two},
        {L"f.avi", L"f.002", Way::HeldForDeletion, "old", ERROR_DELETE_PENDING, L"offen gehalten", three},
        {L"f.avi", L"f.002", Way::DiskFull, "", ERROR_DISK_FULL, L"Speicherplatz", four},
        {L"f.avi", L"f.bat", Way::DiskFull, "", ERROR_DISK_FULL, L"Speicherplatz", five},
        // Without room, in bytes or in the drive's allocation units: 1024 pieces of 1 kB take 4 MiB in units of 4 KiB.
        {L"f.avi", L"\\", Way::NoRoom, "", ERROR_DISK_FULL, room, {L"f.avi"}, 0, 1 << 30},
        {L"f.avi", L"\\", Way::Units, "", ERROR_DISK_FULL, room, {L"f.avi"}, kDriveRoot, 1024, 1 << 20},
    };
    testing::Message notRun;
    for (const auto& c : cases) {
        TempFolder temp;
        std::optional<TestDrive> drive;
        const std::wstring folder = FolderOfLength(temp.path, c.folderChars, drive);
        if (folder.empty() || (c.number == ERROR_NO_UNICODE_TRANSLATION && OemCodePageHolds(c.source)) ||
            (c.way == Way::HeldForDeletion && !UnderWine()) ||
            (c.way == Way::Units && std::filesystem::space(folder).available > (4 << 20))) {
            notRun << c.source << " " << c.blocked << ": a drive of its own or of 4 MiB, a code page or file system "
                   << "of its kind (see README); ";
            continue;
        }
        SCOPED_TRACE(testing::Message() << c.source << " " << c.blocked << " " << c.number);
        const std::wstring blocked = folder + c.blocked;
        WriteBytes(folder + c.source, PatternBytes(c.length));
        if (c.way == Way::NoRoom || c.way == Way::Units) { // NoRoom: longer than the free space
            const auto free = static_cast<std::int64_t>(std::filesystem::space(folder).available);
            MakeSparse(folder + c.source, c.way == Way::Units ? c.length : free + (1 << 30));
        }
        Put(blocked, c.way, c.bytes);
        const auto before = c.way == Way::NoRoom ? decltype(Contents(folder)){} : Contents(folder);
        UniqueFile holder = HoldAsPut(blocked, c.way);
        RecordingWindow window;
        bool keptAwake = true;
        const ScopedWriteFault disk([&](const std::wstring& path) -> DWORD {
            keptAwake = keptAwake && ::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) ==
                                         (ES_CONTINUOUS | ES_SYSTEM_REQUIRED); // asked, the state is set anew
            // Without room every write fails, so that a run which is not refused cannot fill the disk.
            return (c.way == Way::DiskFull && path == blocked) || c.way == Way::NoRoom ? ERROR_DISK_FULL : 0;
        });
        std::wstring text = L"no error";
        try {
            WritePieceSet(folder + c.source, c.pieceSize, window);
        } catch (const RunError& e) {
            text = ErrorMessageText(e);
        }
        holder.Reset();
        EXPECT_TRUE(text.starts_with(L"Fehler " + std::to_wstring(c.number) + L": ") &&
                    text.find(c.blocked + L"\u201C") != std::wstring::npos && text.find(c.reason) != std::wstring::npos)
            << text;
        EXPECT_EQ(FileNames(folder), c.files);
        EXPECT_TRUE(keptAwake && ::SetThreadExecutionState(ES_CONTINUOUS) == ES_CONTINUOUS) << "may sleep again";
        EXPECT_TRUE(window.calls.empty() || window.calls.back() == L"SetBusy off") << "the hourglass is gone";
        for (const auto& name : c.files) {
            EXPECT_TRUE(Hold(folder + name) || name == c.blocked) << name << " is still open";
            if (before.contains(name) || name.ends_with(L".bat")) {
                EXPECT_EQ(ReadBytes(folder + name), before.contains(name) ? before.at(name) : "")
                    << "left as it was; no batch file that joins a shortened file";
            }
        }
    }
    if (!notRun.GetString().empty()) {
        GTEST_SKIP() << notRun;
    }
}

// The batch file stops when it cannot enter its folder, and leaves the caller's folder stack as it was. Only Wine's
// interpreter cannot enter this folder: it reads a "%" that "%~dp0" brings into a line a second time (and its call
// reads a line once, so the caller's "%%" is one "%").
TEST(PieceRun, ABatchFileThatCannotEnterItsFolderSaysSo) {
    if (!UnderWine()) {
        GTEST_SKIP() << "Windows' interpreter enters this folder";
    }
    TempFolder parent;
    ::CreateDirectoryW((parent / L"a%kavro_nicht_gesetzt%b").c_str(), nullptr);
    WriteBytes(parent / L"a%kavro_nicht_gesetzt%b\\f.avi", PatternBytes(2500));
    RecordingWindow window;
    WritePieceSet(parent / L"a%kavro_nicht_gesetzt%b\\f.avi", 1024, window);
    WriteBytes(parent / L"caller.bat", "@echo off\r\npushd ..\r\ncall \"%~dp0a%%kavro_nicht_gesetzt%%b\\f.bat\"\r\n"
                                       "echo %errorlevel%\r\npopd\r\ncd\r\n");
    EXPECT_EQ(RunScript(parent / L"caller.bat", parent.path).output,
              L"Fehler: Der Ordner \"" + parent.path +
                  L"\\ab\\\" ist nicht erreichbar. Es wurde nichts geschrieben.\r\n" + PauseText() + L"1\r\n" +
                  parent.path + L"\r\n");
}

// What only Windows shows: a source that is a symbolic link, split at its target's length; the exact size of a piece
// past 4 GiB; the command line the interpreter was started with; the console's code page, which the batch file of a
// name written out in the OEM one gives back.
TEST(PieceRun, ALinkedSourceAPiecePast4GiBTheWaitAfterADoubleClickAndTheConsolesCodePage) {
    if (UnderWine()) {
        GTEST_SKIP() << "Wine makes no symbolic links, and its interpreter gives a file's size modulo 4 GiB, leaves "
                        "%cmdcmdline% empty and has no code page without a console";
    }
    if (!::GetConsoleOutputCP()) {
        ::AllocConsole();
    }
    const UINT consoleCodePage = ::GetConsoleOutputCP();
    ::SetConsoleOutputCP(CP_UTF8);
    TempFolder folder;
    const std::wstring source = folder / L"f.\u00E4vi", script = folder / L"f.bat";
    WriteBytes(folder / L"ziel.bin", PatternBytes(2500));
    const bool linked =
        ::CreateSymbolicLinkW(source.c_str(), L"ziel.bin", SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    if (!linked) {
        WriteBytes(source, PatternBytes(2500));
    }
    RecordingWindow window;
    WritePieceSet(source, 1024, window);
    // Only a batch file started as Explorer starts it waits for a key after its last line, and says so.
    for (const auto& [command, waits] :
         {std::pair{L"cmd /u /c \"\"" + script + L"\" \"", true}, std::pair{L"cmd /u /c \"" + script + L"\"", false}}) {
        ::DeleteFileW(source.c_str());
        const ScriptRun run = RunCommand(command, folder.path);
        EXPECT_EQ(run.exitCode, 0u) << command;
        EXPECT_EQ(run.output,
                  L"Fertig: \"f.\u00E4vi\" ist wieder zusammengesetzt (2500 Byte).\r\n" + (waits ? PauseText() : L""));
    }
    EXPECT_EQ(::GetConsoleOutputCP(), UINT{CP_UTF8}) << "the console's code page is given back";
    ::SetConsoleOutputCP(consoleCodePage);
    ::DeleteFileW(source.c_str());
    MakeSparse(folder / L"f.003", (std::int64_t{4} << 30) + 452);
    EXPECT_EQ(
        RunScript(script, folder.path).output,
        L"Fehler: Das Teil \"f.003\" hat 4294967748 Byte, erwartet sind 452 Byte. Es wurde nichts geschrieben.\r\n" +
            PauseText());
    if (!linked) {
        GTEST_SKIP() << "the source was no link: Windows lets this user make none (developer mode or an administrator)";
    }
}

} // namespace
