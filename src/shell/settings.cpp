// The dictionary's ini file, the user's settings in the registry, custom
// appearance, and the fonts that come with the dictionary.
#include "shell/settings.h"

#include <algorithm>

#include "framework/cp1251.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/grids.h"
#include "framework/inifiles.h"
#include "framework/registry.h"
#include "framework/seams.h"
#include "framework/stdctrls.h"
#include "framework/win.h"
#include "shell/main_form.h"
#include "util/placement.h"
#include "viewer/page_viewer.h"

namespace shell_settings {

std::string RegistryKeyRoot;
std::string FontsFolder;

std::string ReadKey(const std::string& regKey) {
    return RegistryKeyRoot + Format("SOFTWARE\\velkarumid\\%s", regKey.c_str());
}

std::string WriteKey(const std::string& regKey) {
    return RegistryKeyRoot + Format("software\\velkarumid\\%s", regKey.c_str());
}

}  // namespace shell_settings

namespace {

const char kIniFormat[] = "%svoc.ini";
const char kDefaultScheme[] = "апельсин.sch";
const char kDefaultRegKey[] = "voc";
const char kDefaultTitle[] = "Словарь";

// The scheme file name and the key part are held in 255 characters.
constexpr size_t kMaxSettingText = 255;

std::string Bounded(std::string text) {
    if (text.size() > kMaxSettingText) text.resize(kMaxSettingText);
    return text;
}

std::wstring WindowsFontsFolder() {
    if (!shell_settings::FontsFolder.empty()) return AnsiToWide(shell_settings::FontsFolder);
    wchar_t windows[MAX_PATH + 1] = {};
    UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n > MAX_PATH) return {};
    return std::wstring(windows, n) + L"\\fonts";
}

}  // namespace

void TForm1::ReadVocIni() {
    TIniFile ini(Format(kIniFormat, IncludeTrailingBackslash(GetCurrentDir()).c_str()));
    SchemeFileName = Bounded(ini.ReadString("Schemas", "Schema", Utf8ToAnsi(kDefaultScheme)));
    RegKey = Bounded(ini.ReadString("Description", "RegKey", kDefaultRegKey));
    SetCaption(ini.ReadString("Description", "Title", Utf8ToAnsi(kDefaultTitle)));
}

void TForm1::LoadSettings() {
    const std::string key = shell_settings::ReadKey(RegKey);
    Place->IniFileName = key;
    TRegistry reg;
    if (!reg.OpenKeyReadOnly(key)) return;
    // The first value that is missing or of another type ends the reading;
    // what was read before it stays.
    try {
        HandColor = reg.ReadInteger("HandColor") != 0;
        SelectColor = SchemePalette[kSearchHitPaletteEntry];
        if (HandColor) {
            Background1Color = reg.ReadInteger("Background1Color");
            Font1->SetColor(reg.ReadInteger("Font1Color"));
            Font1->SetName(reg.ReadString("Font1Name"));
            Font1->SetSize(reg.ReadInteger("Font1Size"));
            Background2Color = reg.ReadInteger("Background2Color");
            Font2->SetColor(reg.ReadInteger("Font2Color"));
            Font2->SetName(reg.ReadString("Font2Name"));
            Font2->SetSize(reg.ReadInteger("Font2Size"));
            const bool bold = reg.ReadInteger("Font2Bold") != 0;
            Font2->SetStyle(bold ? Font2->Style() | fsBold : Font2->Style() & ~fsBold);
            SelectColor = reg.ReadInteger("SelectColor");
        }
        std::string schema = reg.ReadString("Schema");
        if (!schema.empty()) SchemeFileName = Bounded(std::move(schema));
        // Stored by hand or by an older build, a share outside 0..100 would
        // push a pane off the column.
        Prc = std::clamp(reg.ReadInteger("Prc"), 0, 100);
    } catch (const Exception&) {
    }
}

void TForm1::SaveSettings() {
    try {
        TRegistry reg;
        if (!reg.OpenKey(shell_settings::WriteKey(RegKey), true)) return;
        reg.WriteInteger("Background1Color", Background1Color);
        reg.WriteInteger("Font1Color", Font1->Color());
        reg.WriteString("Font1Name", Font1->Name());
        reg.WriteInteger("Font1Size", Font1->Size());
        reg.WriteInteger("Background2Color", Background2Color);
        reg.WriteInteger("Font2Color", Font2->Color());
        reg.WriteString("Font2Name", Font2->Name());
        reg.WriteInteger("Font2Size", Font2->Size());
        reg.WriteInteger("Font2Bold", (Font2->Style() & fsBold) ? 1 : 0);
        reg.WriteInteger("HandColor", HandColor ? 1 : 0);
        reg.WriteString("Schema", SchemeFileName);
        reg.WriteInteger("SelectColor", SelectColor);
        reg.WriteInteger("Prc", Prc);
    } catch (const Exception&) {
    }
}

void TForm1::ApplyAppearance() {
    TFont* textFont = HandColor ? Font1.get() : SchemeTextFont.get();
    TFont* listFont = HandColor ? Font2.get() : SchemeContentsFont.get();
    const TColor textBack = HandColor ? Background1Color : SchemeTextBackColor;
    const TColor listBack = HandColor ? Background2Color : SchemeContentsBackColor;

    Viewer->DefFontColor = textFont->Color();
    Viewer->DefFontName = HandColor ? textFont->Name() : kSchemeArticleFontName;
    Viewer->SetFontSize(textFont->Size());
    List->Font()->Assign(listFont);
    List->SetColor(listBack);
    F->Font()->SetColor(listFont->Color());
    F->Font()->SetStyle(F->Font()->Style() | fsBold);
    F->SetColor(listBack);
    Panel6->SetColor(List->Color());
    Viewer->SetColor(textBack);
}

void TForm1::InstallFonts(const std::string& prefix) {
    const std::wstring target = WindowsFontsFolder();
    if (target.empty()) return;
    const std::wstring source = AnsiToWide(IncludeTrailingBackslash(prefix) + "fonts\\");
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((source + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    bool newlyRegistered = false;
    do {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
        if (found.cFileName[0] == L'.') continue;
        const std::wstring installed = target + L"\\" + found.cFileName;
        // Never over a font of the same name already there.
        const bool copied = CopyFileW((source + found.cFileName).c_str(), installed.c_str(), TRUE) != 0;
        if (!copied && GetFileAttributesW(installed.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        // Registered at every start: a font copied on an earlier run is not
        // known to the system after a restart.
        if (AddFontResourceW(installed.c_str()) > 0 && copied) newlyRegistered = true;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    if (newlyRegistered) {
        // The screen's list of faces was read before these fonts existed.
        if (Screen) Screen->ResetFonts();
        if (seams::Broadcast) seams::Broadcast(WM_FONTCHANGE, 0, 0);
    }
}
