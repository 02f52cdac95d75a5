#include "pieces/script_encoding.h"

#include <windows.h>

std::optional<std::string> EncodeForScript(std::wstring_view text) {
    if (text.empty()) {
        return std::string();
    }
    const int length = static_cast<int>(text.size());
    // UTF-8 as OEM code page takes no best-fit flag and has no default character; every
    // other code page must not silently swap a character for a look-alike or "?".
    const bool utf8 = ::GetOEMCP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int bytes = ::WideCharToMultiByte(CP_OEMCP, flags, text.data(), length, nullptr, 0, nullptr, usedDefaultOut);
    if (bytes <= 0 || usedDefault) {
        return std::nullopt;
    }
    std::string encoded(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_OEMCP, flags, text.data(), length, encoded.data(), bytes, nullptr, usedDefaultOut);
    if (usedDefault) {
        return std::nullopt;
    }
    // Some code pages map several characters to one byte; only an exact round trip is safe.
    std::wstring back(text.size(), L'\0');
    const int chars = ::MultiByteToWideChar(CP_OEMCP, 0, encoded.data(), bytes, back.data(), length);
    if (chars != length || back != text) {
        return std::nullopt;
    }
    return encoded;
}

std::uint32_t ScriptCodePage() { return ::GetOEMCP(); }
