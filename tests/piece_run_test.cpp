#include <windows.h>

#include <gtest/gtest.h>

#include "file_fixtures.h"
#include "pieces/pieces.h"
#include "recording_window.h"

namespace {

using Names = std::vector<std::wstring>;

TEST(PieceRun, WorkedExampleWritesPiecesScriptAndCallsInOrder) {
    TempFolder folder;
    const std::string source = PatternBytes(2500);
    WriteBytes(folder / L"film.avi", source);
    RecordingWindow window;

    WritePieceSet(folder / L"film.avi", 1024, window);

    EXPECT_EQ(ReadBytes(folder / L"film.001"), source.substr(0, 1024));
    EXPECT_EQ(ReadBytes(folder / L"film.002"), source.substr(1024, 1024));
    EXPECT_EQ(ReadBytes(folder / L"film.003"), source.substr(2048));
    EXPECT_EQ(ReadBytes(folder / L"film.bat"), "copy /b film.001 + film.002 + film.003 film.avi\r\n");
    EXPECT_EQ(ReadBytes(folder / L"film.avi"), source);
    const Names expected = {
        L"SetBusy on",
        L"SetProgressText Kopiere Daten nach " + (folder / L"film.001"),
        L"RepaintNow",
        L"SetProgressText Kopiere Daten nach " + (folder / L"film.002"),
        L"RepaintNow",
        L"SetProgressText Kopiere Daten nach " + (folder / L"film.003"),
        L"RepaintNow",
        L"SetProgressText  ",
        L"SetBusy off",
        L"RepaintNow",
        L"ShowMessage Datei erfolgreich gesplittet",
    };
    EXPECT_EQ(window.calls, expected);
}

TEST(PieceRun, PieceSizesFollowTheSourceLength) {
    const struct {
        std::size_t length;
        std::int32_t pieceSize;
        std::vector<std::size_t> pieces; // empty: too small, nothing written
        const char* script;
    } cases[] = {
        {1024, 1024, {1024}, "copy /b d.001 d.bin\r\n"},
        {2048, 1024, {1024, 1024}, "copy /b d.001 + d.002 d.bin\r\n"},
        {70000, 32769, {32769, 32769, 4462}, "copy /b d.001 + d.002 + d.003 d.bin\r\n"},
        {65536, 2147483647, {}, nullptr},
        {1023, 1024, {}, nullptr},
        {0, 1, {}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << " bytes in pieces of " << c.pieceSize);
        TempFolder folder;
        const std::string source = PatternBytes(c.length, 7);
        WriteBytes(folder / L"d.bin", source);
        RecordingWindow window;

        WritePieceSet(folder / L"d.bin", c.pieceSize, window);

        if (c.pieces.empty()) {
            EXPECT_EQ(window.calls, Names{std::wstring(L"ShowMessage ") + kSourceTooSmallMessage});
            EXPECT_EQ(FileNames(folder.Path()), Names{L"d.bin"});
            continue;
        }
        std::size_t offset = 0;
        for (std::size_t i = 0; i < c.pieces.size(); ++i) {
            EXPECT_EQ(ReadBytes(folder / (L"d.00" + std::to_wstring(i + 1))), source.substr(offset, c.pieces[i]));
            offset += c.pieces[i];
        }
        EXPECT_EQ(FileNames(folder.Path()).size(), c.pieces.size() + 2);
        EXPECT_EQ(ReadBytes(folder / L"d.bat"), c.script);
    }
}

TEST(PieceRun, TooSmallMessageRunsTheTwoSentencesTogether) {
    EXPECT_EQ(std::wstring(kSourceTooSmallMessage),
              L"Die ausgewählte Datei ist kleiner als dieangegebene Dateigröße. Keine Zerlegung erforderlich.");
}

TEST(PieceRun, NamesGoPast999) {
    TempFolder folder;
    WriteBytes(folder / L"x.dat", PatternBytes(1001));
    RecordingWindow window;

    WritePieceSet(folder / L"x.dat", 1, window);

    EXPECT_TRUE(Exists(folder / L"x.999"));
    EXPECT_TRUE(Exists(folder / L"x.1000"));
    EXPECT_TRUE(Exists(folder / L"x.1001"));
    EXPECT_FALSE(Exists(folder / L"x.1002"));
    const std::string script = ReadBytes(folder / L"x.bat");
    EXPECT_NE(script.find(" + x.999 + x.1000 + x.1001 x.dat\r\n"), std::string::npos);
}

TEST(PieceRun, OldPieceIsRewrittenAndAStaleHigherOneLeftAlone) {
    TempFolder folder;
    const std::string source = PatternBytes(3000);
    WriteBytes(folder / L"f.avi", source);
    WriteBytes(folder / L"f.002", std::string(5000, 'o'));
    WriteBytes(folder / L"f.004", "stale");
    WriteBytes(folder / L"f.bat", std::string(9000, 'b'));
    RecordingWindow window;

    WritePieceSet(folder / L"f.avi", 1024, window);

    EXPECT_EQ(ReadBytes(folder / L"f.002"), source.substr(1024, 1024));
    EXPECT_EQ(ReadBytes(folder / L"f.004"), "stale");
    EXPECT_EQ(ReadBytes(folder / L"f.bat"), "copy /b f.001 + f.002 + f.003 f.avi\r\n");
}

TEST(PieceRun, PiecesLandBesideTheSourceWhateverTheFolderIsCalled) {
    TempFolder parent;
    const std::wstring folder = parent / L"Daten.alt";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::string source = PatternBytes(1500);
    WriteBytes(folder + L"\\liesmich", source);
    RecordingWindow window;

    WritePieceSet(folder + L"\\liesmich", 1000, window);

    EXPECT_EQ(FileNames(folder), (Names{L"liesmich", L"liesmich.001", L"liesmich.002", L"liesmich.bat"}));
    EXPECT_TRUE(FileNames(parent.Path()).empty());
    EXPECT_EQ(ReadBytes(folder + L"\\liesmich.bat"), "copy /b liesmich.001 + liesmich.002 liesmich\r\n");
}

} // namespace
