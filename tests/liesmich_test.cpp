// The lines LIESMICH.txt gives for joining the pieces without the batch file, typed as a recipient types them: into
// Windows' command interpreter (Wine's on Linux), or into interactive bash, zsh and dash.
#include <gtest/gtest.h>

#include <fstream>

#include "fixtures.h"

namespace {

namespace fs = std::filesystem;

fs::path Utf8(const std::string& text) { return std::u8string(text.begin(), text.end()); }

// The lines indented by exactly four blanks, block by block, with film.avi and film replaced as a recipient does.
std::vector<std::string> Blocks(const std::string& original, const std::string& stem) {
    std::ifstream file(KAVRO_LIESMICH);
    std::vector<std::string> blocks(1);
    for (std::string line; std::getline(file, line);) {
        line = line.substr(0, line.find_last_not_of('\r') + 1);
        if (line.starts_with("    ") && line[4] != ' ') {
            for (std::size_t at = 0; (at = line.find("film", at)) != std::string::npos;) {
                const bool whole = line.compare(at, 8, "film.avi") == 0;
                line.replace(at, whole ? 8 : 4, whole ? original : stem);
                at += (whole ? original : stem).size();
            }
            blocks.back() += line.substr(4) + '\n';
        } else if (!blocks.back().empty()) {
            blocks.emplace_back();
        }
    }
    return blocks;
}

#ifdef _WIN32
const char* const kInterpreters[] = {"cmd"};
constexpr char kLineEnd[] = "\r\n";

// What Windows' interpreter prints for the first block typed in the folder, as bytes in the console's code page.
std::string Typed(const char*, const fs::path& folder, const std::vector<std::string>& blocks) {
    const std::wstring lines = Utf8(blocks.at(0)).wstring();
    std::string typed(lines.size() * 2, '\0');
    typed.resize(::WideCharToMultiByte(CP_OEMCP, 0, lines.data(), int(lines.size()), typed.data(), int(typed.size()),
                                       nullptr, nullptr));
    WriteBytes(folder.parent_path() / "typed", typed);
    const auto printed = fs::path(RunCommand(L"cmd /u", folder, folder.parent_path() / "typed").output).u8string();
    return {printed.begin(), printed.end()};
}
#else
const char* const kInterpreters[] = {"bash --norc -i", "zsh -f -i", "dash -i"}; // history expansion on in the first two
constexpr char kLineEnd[] = "\n";

// What a shell prints for the second block typed in the folder.
std::string Typed(const char* shell, const fs::path& folder, const std::vector<std::string>& blocks) {
    WriteBytes(folder.parent_path() / "typed", blocks.at(1));
    EXPECT_EQ(std::system(("cd '" + folder.string() + "' && " + shell + " <../typed >../printed 2>/dev/null").c_str()),
              0);
    return ReadBytes(folder.parent_path() / "printed");
}
#endif

TEST(Liesmich, TypedLinesJoinEveryNameOrLeaveTheFolderAsItWasWithTheReason) {
    enum class Fault { None, Short, Gap, Larger, Taken }; // piece 002 short or missing, the last one larger
    const struct {
        std::string original, stem;
        int pieces;
        Fault fault;
        std::string line;
    } cases[] = {
        {"Tom & Jerry (1) [x]; y=z+'~{}^!$`.avi", "Tom & Jerry (1) [x]; y=z+'~{}^!$`", 3, Fault::None,
         "Fertig: \"Tom & Jerry (1) [x]; y=z+'~{}^!$`.avi\" ist wieder zusammengesetzt (27 Byte)."},
        {"50% Rabatt \xC3\xA4.pdf", "50% Rabatt \xC3\xA4", 1002, Fault::None,
         "Fertig: \"50% Rabatt \xC3\xA4.pdf\" ist wieder zusammengesetzt (10017 Byte)."},
        {"liesmich", "liesmich", 3, Fault::Short,
         "Fehler: Das Teil \"liesmich.002\" hat 9 Byte, erwartet sind 10 Byte. Es wurde nichts geschrieben."},
        {".profile", "", 3, Fault::Gap, "Fehler: Das Teil \".002\" fehlt. Es wurde nichts geschrieben."},
        {"a,b;c=d.tar.gz", "a,b;c=d.tar", 3, Fault::Larger,
         "Fehler: Das Teil \"a,b;c=d.tar.003\" hat 11 Byte, mehr als das erste Teil (10 Byte). Es wurde nichts "
         "geschrieben."},
        {"100%!.txt", "100%!", 2, Fault::Taken,
         "Fehler: \"100%!.txt\" gibt es in diesem Ordner schon und wird nicht ersetzt. Bitte verschieben oder "
         "benennen Sie diese Datei um."},
    };
    for (const auto& c : cases) {
        for (const char* interpreter : kInterpreters) {
            SCOPED_TRACE(std::string(interpreter) + ": " + c.original);
            const fs::path folder = fs::temp_directory_path() / "kavro-liesmich" / "Teile";
            fs::remove_all(folder.parent_path());
            fs::create_directories(folder);
            std::string source; // ten bytes a piece, seven in the last
            for (int k = 1; k <= c.pieces; ++k) {
                source += std::to_string(k % 9) + (k < c.pieces ? "abcdefghi" : "abcdef");
                const std::string number = (k < 10 ? ".00" : k < 100 ? ".0" : ".") + std::to_string(k);
                WriteBytes(folder / Utf8(c.stem + number), source.substr(source.size() - (k < c.pieces ? 10 : 7)));
            }
            const auto changed =
                folder / Utf8(c.fault == Fault::Taken ? c.original : c.stem + ".00" + "0223"[int(c.fault)]);
            if (c.fault == Fault::Gap) {
                fs::remove(changed);
            } else if (c.fault != Fault::None) {
                WriteBytes(changed, c.fault == Fault::Short ? "123456789" : "12345678901");
            }
            auto expected = Contents(folder);
            if (c.fault == Fault::None) {
                expected[Utf8(c.original)] = source;
            }
            const std::string printed = Typed(interpreter, folder, Blocks(c.original, c.stem));
            EXPECT_NE(printed.find(c.line + kLineEnd), std::string::npos) << printed;
            EXPECT_TRUE(Contents(folder) == expected) << "joined, or the folder as it was";
        }
    }
}

} // namespace
