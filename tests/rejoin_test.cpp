#include <windows.h>

#include <gtest/gtest.h>

#include "file_fixtures.h"
#include "pieces/naming.h"
#include "pieces/pieces.h"
#include "recording_window.h"

namespace {

// The written batch file, run by the real command interpreter, gives the source back.
TEST(Rejoin, TheInterpreterPutsTheSourceBackWhateverTheName) {
    const struct {
        const wchar_t* name;
        std::size_t length;
        std::int32_t pieceSize;
    } cases[] = {
        {L"film.avi", 2500, 1024},
        {L"Mein Film & 100% (neu).avi", 5000, 1024},
        {L"a+b;c=d,e^f!g'h~i[j]{k}.x", 3000, 1000},
        {L"Grüße Ähre Öl.mkv", 2100, 700},
        {L"ohne Punkt", 1500, 1000},
        // 2000 one-byte pieces need more than one line of 8191 characters.
        {L"lang.bin", 2000, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::string source = PatternBytes(c.length, 3);
        WriteBytes(folder / c.name, source);
        RecordingWindow window;
        WritePieceSet(folder / c.name, c.pieceSize, window);
        const std::wstring stem = StemWithDot(c.name);
        const std::string firstPiece = ReadBytes(folder / (stem + L"001"));
        const std::wstring script = folder / (stem + L"bat");
        ASSERT_TRUE(::MoveFileW((folder / c.name).c_str(), (folder / L"original").c_str()));

        EXPECT_EQ(RunScript(folder.Path(), script), 0u);

        ASSERT_TRUE(Exists(folder / c.name));
        EXPECT_TRUE(ReadBytes(folder / c.name) == source);
        EXPECT_TRUE(ReadBytes(folder / (stem + L"001")) == firstPiece);
    }
}

} // namespace
