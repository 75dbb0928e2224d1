#include "util/iniutils.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>
#include <vector>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/grids.h"
#include "framework/registry.h"
#include "framework/strings.h"
#include "framework/win.h"
#include "util/placement.h"
#include "util/strutils.h"

std::function<std::string()> OnGetDefaultIniName;
std::string DefCompanyName;
bool RegUseAppTitle = true;

namespace {

const char kLineTooLong[] = "Line too long";
const char kInvalidFormat[] = "Invalid format";
constexpr size_t kMaxIniLine = 4096;

TCustomIniFile* StorageOf(TObject* storage) {
    if (auto* reg = dynamic_cast<TRegIniFile*>(storage)) return reg;
    if (auto* ini = dynamic_cast<TIniFile*>(storage)) return ini;
    return nullptr;
}

std::string ProgramFileName() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) return WideToAnsi(std::wstring_view(buffer.data(), length));
        buffer.resize(buffer.size() * 2);
    }
}

const TCharSet kPosDelims{',', ' '};

// The first four fields of "x,y,x,y"; a field that is not a number keeps its
// default. Returns how many of the four were numbers.
int ReadFourFields(const std::string& text, int (&fields)[4]) {
    int numbers = 0;
    for (int i = 0; i < 4; ++i) {
        int value;
        if (TryStrToInt(ExtractWord(i + 1, text, kPosDelims), value)) {
            fields[i] = value;
            ++numbers;
        }
    }
    return numbers;
}

std::string FourFields(int a, int b, int c, int d) { return Format("%d,%d,%d,%d", a, b, c, d); }

// The pair's first key carries the screen size, so each screen size keeps
// its own placement.
std::string ScreenSuffixed(const char* ident) {
    return Format("%s(%dx%d)", ident, Screen ? Screen->Width() : 0, Screen ? Screen->Height() : 0);
}

int ScreenDpi() { return Screen ? Screen->PixelsPerInch() : 96; }

// A rectangle that lies wholly outside every monitor (another screen layout,
// or a garbled value) is moved into the nearest monitor's work area.
void KeepOnScreen(RECT& rect) {
    if (MonitorFromRect(&rect, MONITOR_DEFAULTTONULL)) return;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &info)) return;
    const RECT& area = info.rcWork;
    const LONG width = std::min(rect.right - rect.left, area.right - area.left);
    const LONG height = std::min(rect.bottom - rect.top, area.bottom - area.top);
    const LONG left = std::clamp(rect.left, area.left, area.right - width);
    const LONG top = std::clamp(rect.top, area.top, area.bottom - height);
    rect = {left, top, left + width, top + height};
}

// A format with exactly one integer conversion ("%d", "%03d", "%x", ...);
// "%%" is a literal percent sign.
bool TakesOneInteger(const std::string& format) {
    int conversions = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        if (++i < format.size() && format[i] == '%') continue;
        while (i < format.size() && std::string_view("-+ 0#").find(format[i]) != std::string_view::npos) ++i;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9') ++i;
        if (i < format.size() && format[i] == '.') {
            ++i;
            while (i < format.size() && format[i] >= '0' && format[i] <= '9') ++i;
        }
        if (i >= format.size() || std::string_view("diuxX").find(format[i]) == std::string_view::npos) return false;
        ++conversions;
    }
    return conversions == 1;
}

}  // namespace

// --- Values -----------------------------------------------------------------

std::string IniReadString(TObject* storage, const std::string& section, const std::string& ident,
                          const std::string& defaultValue) {
    TCustomIniFile* ini = StorageOf(storage);
    return ini ? ini->ReadString(section, ident, defaultValue) : defaultValue;
}

void IniWriteString(TObject* storage, const std::string& section, const std::string& ident,
                    const std::string& value) {
    TCustomIniFile* ini = StorageOf(storage);
    if (!ini) return;
    std::string written = value;
    if (dynamic_cast<TIniFile*>(ini) && value.size() >= 2 &&
        ((value.front() == '"' && value.back() == '"') || (value.front() == '\'' && value.back() == '\'')))
        written = '"' + value + '"';
    ini->WriteString(section, ident, written);
}

int IniReadInteger(TObject* storage, const std::string& section, const std::string& ident, int defaultValue) {
    TCustomIniFile* ini = StorageOf(storage);
    return ini ? ini->ReadInteger(section, ident, defaultValue) : defaultValue;
}

void IniWriteInteger(TObject* storage, const std::string& section, const std::string& ident, int value) {
    if (TCustomIniFile* ini = StorageOf(storage)) ini->WriteInteger(section, ident, value);
}

bool IniReadBool(TObject* storage, const std::string& section, const std::string& ident, bool defaultValue) {
    TCustomIniFile* ini = StorageOf(storage);
    return ini ? ini->ReadBool(section, ident, defaultValue) : defaultValue;
}

void IniWriteBool(TObject* storage, const std::string& section, const std::string& ident, bool value) {
    if (TCustomIniFile* ini = StorageOf(storage)) ini->WriteBool(section, ident, value);
}

void IniEraseSection(TObject* storage, const std::string& section) {
    if (TCustomIniFile* ini = StorageOf(storage)) ini->EraseSection(section);
}

void IniDeleteKey(TObject* storage, const std::string& section, const std::string& ident) {
    if (TCustomIniFile* ini = StorageOf(storage)) ini->DeleteKey(section, ident);
}

void IniReadSections(TObject* storage, TStrings* list) {
    if (TCustomIniFile* ini = StorageOf(storage)) ini->ReadSections(list);
}

// --- Default names ------------------------------------------------------------

std::string GetDefaultSection(TComponent* component) {
    if (!component) return {};
    if (dynamic_cast<TCustomForm*>(component)) return component->ClassName();
    const std::string& name = component->Name();
    if (auto* control = dynamic_cast<TControl*>(component)) {
        if (TCustomForm* form = control->GetParentForm(); form && form != control) return form->ClassName() + name;
        return component->Owner() ? component->Owner()->Name() + name : name;
    }
    if (dynamic_cast<TCustomForm*>(component->Owner())) return component->Owner()->ClassName() + "." + name;
    return name;
}

std::string GetDefaultIniName() {
    if (OnGetDefaultIniName) return OnGetDefaultIniName();
    return ChangeFileExt(ExtractFileName(ProgramFileName()), ".INI");
}

std::string GetDefaultIniRegKey() {
    std::string key = RegUseAppTitle && Application ? Application->Title : std::string();
    if (key.empty()) key = ChangeFileExt(ExtractFileName(ProgramFileName()), "");
    if (!DefCompanyName.empty()) key = DefCompanyName + "\\" + key;
    return "Software\\" + key;
}

void GetDefaultIniData(TControl* control, std::string& iniFileName, std::string& section, bool useRegistry) {
    iniFileName.clear();
    if (control) {
        if (auto* form = dynamic_cast<TCustomForm*>(control->Owner())) {
            for (int i = 0; i < form->ComponentCount() && iniFileName.empty(); ++i)
                if (auto* placement = dynamic_cast<TFormPlacement*>(form->Components(i)))
                    iniFileName = placement->GetIniFileName();
        }
    }
    if (iniFileName.empty()) iniFileName = useRegistry ? GetDefaultIniRegKey() : GetDefaultIniName();
    section = GetDefaultSection(control);
}

// --- Escaping -----------------------------------------------------------------

std::string StrToIniStr(const std::string& text) {
    if (text.size() > kMaxIniLine) throw EConvertError(kLineTooLong);
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            result += c;
            continue;
        }
        result += "\\n";
        // CR LF and LF CR are one break each.
        if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n') && text[i + 1] != c) ++i;
    }
    return result;
}

std::string IniStrToStr(const std::string& text) {
    if (text.size() > kMaxIniLine) throw EConvertError(kLineTooLong);
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            result += "\r\n";
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

// --- Grid layout ----------------------------------------------------------------

void SaveGridLayout(TCustomGrid* grid, TCustomIniFile* storage) {
    if (!grid || !storage) return;
    const std::string section = GetDefaultSection(grid);
    for (int i = 0; i < grid->ColCount(); ++i)
        IniWriteInteger(storage, section, Format("Item%d", i), grid->ColWidths(i));
}

void RestoreGridLayout(TCustomGrid* grid, TCustomIniFile* storage) {
    if (!grid || !storage) return;
    const std::string section = GetDefaultSection(grid);
    for (int i = 0; i < grid->ColCount(); ++i)
        grid->SetColWidths(i, IniReadInteger(storage, section, Format("Item%d", i), grid->ColWidths(i)));
}

// --- Placement values -------------------------------------------------------------

void WritePlacementValues(TCustomForm* form, TObject* storage, const std::string& section) {
    if (!form || !form->HandleAllocated()) return;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(form->Handle(), &placement)) return;
    if (Application && Application->MainForm == form && Application->Handle() &&
        IsIconic(static_cast<HWND>(Application->Handle())))
        placement.showCmd = SW_SHOWMINIMIZED;
    IniWriteInteger(storage, section, kPlacementFlags, static_cast<int>(placement.flags));
    IniWriteInteger(storage, section, kPlacementShowCmd, static_cast<int>(placement.showCmd));
    IniWriteInteger(storage, section, kPlacementPixels, ScreenDpi());
    const std::string minMax = FourFields(placement.ptMinPosition.x, placement.ptMinPosition.y,
                                          placement.ptMaxPosition.x, placement.ptMaxPosition.y);
    IniWriteString(storage, section, ScreenSuffixed(kPlacementMinMaxPos), minMax);
    IniWriteString(storage, section, kPlacementMinMaxPos, minMax);
    const RECT& r = placement.rcNormalPosition;
    const std::string normal = FourFields(r.left, r.top, r.right, r.bottom);
    IniWriteString(storage, section, ScreenSuffixed(kPlacementNormPos), normal);
    IniWriteString(storage, section, kPlacementNormPos, normal);
}

void ReadPlacementValues(TCustomForm* form, TObject* storage, const std::string& section, bool loadState,
                         bool loadPosition) {
    if (!form || (!loadState && !loadPosition)) return;
    HWND wnd = form->Handle();
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(wnd, &placement)) return;
    // Setting the placement must not show a window that is not shown yet.
    if (!IsWindowVisible(wnd)) placement.showCmd = SW_HIDE;

    if (loadPosition) {
        placement.flags = static_cast<UINT>(IniReadInteger(storage, section, kPlacementFlags,
                                                           static_cast<int>(placement.flags)));
        bool found = false;
        auto readPair = [&](const char* ident) {
            std::string text = IniReadString(storage, section, ScreenSuffixed(ident), {});
            if (text.empty()) text = IniReadString(storage, section, ident, {});
            return text;
        };
        if (const std::string minMax = readPair(kPlacementMinMaxPos); !minMax.empty()) {
            found = true;
            int fields[4] = {0, 0, 0, 0};
            ReadFourFields(minMax, fields);
            placement.ptMinPosition = {fields[0], fields[1]};
            placement.ptMaxPosition = {fields[2], fields[3]};
        }
        if (const std::string normal = readPair(kPlacementNormPos); !normal.empty()) {
            int fields[4] = {form->Left(), form->Top(), form->Left() + form->Width(), form->Top() + form->Height()};
            // A rectangle with a field missing or garbled is no rectangle at all:
            // mixing stored and current edges could give any size.
            if (ReadFourFields(normal, fields) == 4) {
                found = true;
                placement.rcNormalPosition = {fields[0], fields[1], fields[2], fields[3]};
            }
        }
        if (IniReadInteger(storage, section, kPlacementPixels, ScreenDpi()) != ScreenDpi())
            found = false;
        if (found) {
            RECT& r = placement.rcNormalPosition;
            if (form->BorderStyle() != bsSizeable && form->BorderStyle() != bsSizeToolWin) {
                r.right = r.left + form->Width();
                r.bottom = r.top + form->Height();
            }
            if (r.left < r.right && r.top < r.bottom) {
                KeepOnScreen(r);
                if (form->Position == poScreenCenter || form->Position == poDesktopCenter)
                    form->Position = poDesigned;
                SetWindowPlacement(wnd, &placement);
            }
        }
    }

    if (loadState) {
        const bool mainForm = !Application || !Application->MainForm || Application->MainForm == form;
        TWindowState state = mainForm && form->Position == poDefault ? wsMaximized : wsNormal;
        switch (IniReadInteger(storage, section, kPlacementShowCmd, SW_HIDE)) {
        case SW_SHOWNORMAL:
        case SW_SHOW:
        case SW_RESTORE: state = wsNormal; break;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case SW_SHOWMINNOACTIVE: state = wsMinimized; break;
        case SW_MAXIMIZE: state = wsMaximized; break;
        default: break;
        }
        if (state == wsMinimized && mainForm) {
            // The program comes back minimised as a whole. The application
            // window stands for it only while it shows (AppTaskbarIcons);
            // minimising it hidden would just show it as a stray icon.
            form->SetWindowState(wsNormal);
            HWND app = Application ? static_cast<HWND>(Application->Handle()) : nullptr;
            PostMessageW(app && IsWindowVisible(app) ? app : wnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            return;
        }
        form->SetWindowState(state);
    }
    form->Invalidate();
}

namespace {

std::unique_ptr<TCustomIniFile> MakeStorage(const std::string& iniFileName, bool useRegistry, bool readOnly) {
    if (!useRegistry) return std::make_unique<TIniFile>(iniFileName);
    return std::make_unique<TRegIniFile>(iniFileName, HKEY_CURRENT_USER, readOnly);
}

}  // namespace

void SaveFormPlacement(TCustomForm* form, const std::string& iniFileName, bool useRegistry) {
    if (!form) return;
    auto storage = MakeStorage(iniFileName, useRegistry, false);
    WritePlacementValues(form, storage.get(), form->ClassName());
}

void RestoreFormPlacement(TCustomForm* form, const std::string& iniFileName, bool useRegistry) {
    if (!form) return;
    auto storage = MakeStorage(iniFileName, useRegistry, true);
    ReadPlacementValues(form, storage.get(), form->ClassName(), true, true);
}

// --- Files and the application ---------------------------------------------------

std::string GetUniqueFileNameInDir(const std::string& folder, const std::string& format) {
    if (!TakesOneInteger(format)) throw EConvertError(kInvalidFormat);
    const std::string path = folder.empty() ? std::string() : IncludeTrailingBackslash(folder);
    for (int n = 0; n < INT_MAX; ++n) {
        char buffer[1024];
        const int length = std::snprintf(buffer, sizeof buffer, format.c_str(), n);
        if (length < 0 || static_cast<size_t>(length) >= sizeof buffer) throw EConvertError(kInvalidFormat);
        const std::string name(buffer, static_cast<size_t>(length));
        if (!FileExists(path + name)) return name;
    }
    return {};
}

void AppBroadcast(unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (!Screen) return;
    std::vector<TCustomForm*> forms;
    for (int i = 0; i < Screen->FormCount(); ++i) forms.push_back(Screen->Forms(i));
    for (TCustomForm* form : forms) {
        if (form->HandleAllocated())
            SendMessageW(form->Handle(), message, wParam, lParam);
        else
            form->Perform(message, wParam, lParam);
    }
}

void AppTaskbarIcons(bool on) {
    if (!Application || !Application->Handle()) return;
    HWND wnd = static_cast<HWND>(Application->Handle());
    LONG_PTR style = GetWindowLongPtrW(wnd, GWL_STYLE);
    if (on)
        style |= WS_CAPTION | WS_SYSMENU;
    else
        style &= ~static_cast<LONG_PTR>(WS_CAPTION | WS_SYSMENU);
    SetWindowLongPtrW(wnd, GWL_STYLE, style);
    SetWindowPos(wnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    if (on) SetForegroundWindow(wnd);
}
