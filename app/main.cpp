// Kavro: shows the main window and runs the message loop until it is closed.

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "window/form1.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    // The taskbar button's progress is a COM object; without COM the program works as before, without it.
    struct ComApartment {
        const bool entered = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
        ~ComApartment() {
            if (entered) {
                ::CoUninitialize();
            }
        }
    } com;
    Form1 form;
    if (!form.Create(instance, show)) {
        return 1;
    }
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab and Shift+Tab move between the size field and the buttons.
        if (!::IsDialogMessageW(form.Handle(), &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
