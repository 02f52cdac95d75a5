#include "pieces/naming.h"

namespace {

constexpr std::wstring_view::size_type FileNameStart(std::wstring_view path) {
    const auto slash = path.rfind(L'\\');
    return slash == std::wstring_view::npos ? 0 : slash + 1;
}

} // namespace

std::wstring StemWithDot(std::wstring_view path) {
    // Only a dot in the file name counts: one in a directory name would put the pieces
    // into the parent folder, over whatever lives there.
    const auto dot = path.rfind(L'.');
    if (dot == std::wstring_view::npos || dot < FileNameStart(path)) {
        return std::wstring(path) + L'.';
    }
    return std::wstring(path.substr(0, dot + 1));
}

std::wstring NameOnly(std::wstring_view path) { return std::wstring(path.substr(FileNameStart(path))); }

std::wstring PieceNumberText(std::int64_t number) {
    std::wstring digits = std::to_wstring(number);
    if (digits.size() < 3) {
        digits.insert(0, 3 - digits.size(), L'0');
    }
    return digits;
}

std::optional<std::int64_t> PieceNumberOf(std::wstring_view text) {
    // Nineteen digits would overflow; no run gets anywhere near that many pieces.
    if (text.size() < 3 || text.size() > 18) {
        return std::nullopt;
    }
    std::int64_t number = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        number = number * 10 + (c - L'0');
    }
    if (number == 0 || PieceNumberText(number) != text) {
        return std::nullopt;
    }
    return number;
}

std::wstring ScriptPath(std::wstring_view stem) { return std::wstring(stem) + L"bat"; }

std::int64_t PieceCount(std::int64_t sourceLength, std::int32_t pieceSize) {
    return sourceLength <= 0 ? 0 : (sourceLength - 1) / pieceSize + 1;
}
