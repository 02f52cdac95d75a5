// LIESMICH's lines for joining without the batch file, typed as a recipient types them: into Windows' interpreter
// (Wine's on Linux), or into interactive bash, zsh and dash, where "!" starts a history expansion in the first two.
#include <gtest/gtest.h>

#include <fstream>

#include "fixtures.h"

namespace {

namespace fs = std::filesystem;

fs::path Utf8(const std::string& text) { return std::u8string(text.begin(), text.end()); }

// The block-th block of lines indented by four blanks, with film.avi and film replaced as a recipient does.
std::string Block(std::size_t block, const std::string& original, const std::string& stem) {
    std::ifstream file(KAVRO_LIESMICH);
    std::vector<std::string> blocks(1);
    for (std::string line; std::getline(file, line);) {
        if (line.starts_with("    ") && line[4] != ' ') {
            for (std::size_t at = 0; (at = line.find("film", at)) != std::string::npos; at += 4) {
                const bool whole = line.compare(at, 8, "film.avi") == 0;
                line.replace(at, whole ? 8 : 4, whole ? original : stem);
            }
            blocks.back() += line.substr(4, line.find_last_not_of('\r') - 3) + '\n';
        } else if (!blocks.back().empty()) {
            blocks.emplace_back();
        }
    }
    return blocks.at(block);
}

#ifdef _WIN32
const char* const kInterpreters[] = {"cmd"};
constexpr char kLineEnd[] = "\r\n";

// What Windows' interpreter prints with the first block typed, as bytes in the console's code page (Wine gives none
// and reads the OEM one).
std::string Typed(const char*, const fs::path& folder, const std::string& original, const std::string& stem) {
    const std::wstring lines = Utf8(Block(0, original, stem)).wstring();
    std::string typed(lines.size() * 4, '\0');
    typed.resize(::WideCharToMultiByte(::GetConsoleCP() ? ::GetConsoleCP() : CP_OEMCP, 0, lines.data(),
                                       int(lines.size()), typed.data(), int(typed.size()), nullptr, nullptr));
    WriteBytes(folder.parent_path() / "typed", typed);
    const auto printed = fs::path(RunCommand(L"cmd /u", folder, folder.parent_path() / "typed").output).u8string();
    return {printed.begin(), printed.end()};
}
#else
const char* const kInterpreters[] = {"bash --norc -i", "zsh -f -i", "dash -i"};
constexpr char kLineEnd[] = "\n";

// What a shell prints with the second block typed.
std::string Typed(const char* shell, const fs::path& folder, const std::string& original, const std::string& stem) {
    WriteBytes(folder.parent_path() / "typed", Block(1, original, stem));
    std::system(("cd '" + folder.string() + "' && " + shell + " <../typed >../printed 2>/dev/null").c_str());
    return ReadBytes(folder.parent_path() / "printed");
}
#endif

TEST(Liesmich, TypedLinesJoinEveryNameOrLeaveTheFolderAsItWasWithTheReason) {
    const struct {
        std::string original;
        int pieces;          // of ten bytes, the last of seven
        std::string changed; // then made of bytes, or removed for "-"
        std::string bytes, line;
    } cases[] = {
        {"-rf Tom & Jerry (1) [x]; y=z+'~{}^!$` 50% \xC3\xA4.avi", 1002, "", "",
         "Fertig: \"-rf Tom & Jerry (1) [x]; y=z+'~{}^!$` 50% \xC3\xA4.avi\" ist wieder zusammengesetzt (10017 Byte)."},
        {"liesmich", 3, "liesmich.002", "123456789",
         "Fehler: Das Teil \"liesmich.002\" hat 9 Byte, erwartet sind 10 Byte. Es wurde nichts geschrieben."},
        {".profile", 3, ".002", "-", "Fehler: Das Teil \".002\" fehlt. Es wurde nichts geschrieben."},
        {"a,b;c=d.tar.gz", 3, "a,b;c=d.tar.003", "12345678901",
         "Fehler: Das Teil \"a,b;c=d.tar.003\" hat 11 Byte, mehr als das erste Teil (10 Byte). Es wurde nichts "
         "geschrieben."},
        {"100%!.txt", 2, "100%!.txt", "taken",
         "Fehler: \"100%!.txt\" gibt es in diesem Ordner schon und wird nicht ersetzt. Bitte verschieben oder "
         "benennen Sie diese Datei um."},
    };
    for (const auto& c : cases) {
        for (const char* interpreter : kInterpreters) {
            SCOPED_TRACE(std::string(interpreter) + ": " + c.original);
            const std::string stem = c.original.substr(0, c.original.rfind('.')); // the pieces' names before ".001"
            const fs::path folder = fs::temp_directory_path() / "kavro-liesmich" / "Teile";
            fs::remove_all(folder.parent_path());
            fs::create_directories(folder);
            std::string source;
            for (int k = 1; k <= c.pieces; ++k) {
                source += std::to_string(k % 9) + (k < c.pieces ? "abcdefghi" : "abcdef");
                const std::string number = std::to_string(k + (k < 1000 ? 1000 : 0)).substr(k < 1000); // 001
                WriteBytes(folder / Utf8(stem + "." + number), source.substr(source.size() - (k < c.pieces ? 10 : 7)));
            }
            if (c.bytes == "-") {
                fs::remove(folder / Utf8(c.changed));
            } else if (!c.changed.empty()) {
                WriteBytes(folder / Utf8(c.changed), c.bytes);
            }
            auto expected = Contents(folder);
            if (c.changed.empty()) {
                expected[Utf8(c.original)] = source;
            }
            const std::string printed = Typed(interpreter, folder, c.original, stem);
            EXPECT_NE(printed.find(c.line + kLineEnd), std::string::npos) << printed;
            EXPECT_TRUE(Contents(folder) == expected) << "joined, or the folder as it was";
        }
    }
}

} // namespace
