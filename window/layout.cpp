#include "window/layout.h"

HFONT CreateFontFor(const FontSpec& spec, UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -::MulDiv(spec.centipoints, static_cast<int>(dpi), 7200);
    font.lfWeight = spec.bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    wcsncpy_s(font.lfFaceName, spec.face, _TRUNCATE);
    return ::CreateFontIndirectW(&font);
}
