// The program's entry: the application object, the main window, the message loop.
#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/forms.h"
#include "framework/win.h"
#include "html/html_startup.h"
#include "images/png_image.h"
#include "shell/main_form.h"
#include "util/utilconst.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    InitializeForms();
    InitHtmlEngine();
    InitializePNGImage();
    InstallUtilCursors();
    try {
        Application->Initialize();
        Application->HelpFile = "voc.hlp";
        Application->Title = Utf8ToAnsi("Словарь");
        CreateForm<TForm1>();
        Application->Run();
        // The main window ends with the loop: its OnDestroy stores the settings.
        Application->DestroyComponents();
    } catch (...) {
        Application->HandleException(nullptr);
    }
    DoneHtmlEngine();
    return 0;
}
