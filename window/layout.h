#pragma once
// The main window's controls as designed: kind, text, place and font, in twips
// (1/1440 inch), converted to pixels at the window's DPI in one place.

#include <windows.h>

#include <array>

// Control ids, kept away from IDOK and IDCANCEL, which the dialog keyboard handling sends
// for Enter and Esc.
enum class ControlId : int { lblInfo = 1001, lblDatgr, txtGröße, lblInfo1, cmdOK, cmdEnd, Image1 };

struct FontDesign {
    const wchar_t* face;
    int centipoints;
    bool bold;
};

// The fonts the controls use, as indexes into kFonts.
enum class FontRole { Window, SizeLabel, Button, None };

// The TrueType form of "MS Sans Serif", with its metrics: the raster font has the Western European letters alone and
// only fixed sizes, while this one shows Greek, Cyrillic, Hebrew and Arabic names, and East Asian ones through
// Windows' font linking.
inline constexpr std::array<FontDesign, 3> kFonts{{
    {L"Microsoft Sans Serif", 825, false}, // Window
    {L"Microsoft Sans Serif", 975, true},  // SizeLabel
    {L"Microsoft Sans Serif", 825, true},  // Button
}};

struct ControlDesign {
    ControlId id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    DWORD exStyle;
    int left, top, width, height; // twips
    FontRole font;
};

inline constexpr int kClientWidthTwips = 6465;
inline constexpr int kClientHeightTwips = 4800;

inline constexpr wchar_t kDescription[] =
    L"Das Programm kopiert den Inhalt einer großen Datei, name.typ, in zahlreiche kleine Dateien, "
    L"name.001, name.002 usw. Gleichzeitig wird eine DOS-BATCH - Datei , name.bat, erstellt, mit der "
    L"die Ursprungsdatei wieder zusammengesetzt werden kann. ";

// In tab order: the order of creation is the order Tab moves in.
inline constexpr std::array<ControlDesign, 7> kControls{{
    {ControlId::lblInfo, L"STATIC", kDescription, SS_LEFT | SS_NOPREFIX, 0, 960, 120, 4095, 1215, FontRole::Window},
    {ControlId::lblDatgr, L"STATIC", L"Dateigröße in kB:", SS_LEFT | SS_NOPREFIX, 0, 315, 1920, 1815, 255,
     FontRole::SizeLabel},
    {ControlId::txtGröße, L"EDIT", L"", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 2520, 1800, 1695, 375,
     FontRole::Window},
    {ControlId::lblInfo1, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, 480, 2520, 5175, 975, FontRole::Window},
    {ControlId::cmdOK, L"BUTTON", L"Datei auswählen und kopieren", WS_TABSTOP | BS_PUSHBUTTON, 0, 360, 3840, 3015, 495,
     FontRole::Button},
    {ControlId::cmdEnd, L"BUTTON", L"Ende", WS_TABSTOP | BS_PUSHBUTTON, 0, 4560, 3840, 1215, 495, FontRole::Button},
    {ControlId::Image1, L"STATIC", L"", SS_OWNERDRAW, 0, 360, 480, 240, 240, FontRole::None},
}};

// Twips to pixels at dpi, rounded to the nearest pixel.
inline int TwipsToPixels(int twips, UINT dpi) { return ::MulDiv(twips, static_cast<int>(dpi), 1440); }

// A font as designed, at dpi.
HFONT CreateFontFor(const FontDesign& design, UINT dpi);
