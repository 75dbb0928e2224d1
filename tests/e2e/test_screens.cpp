// Every window of the viewer as a person first meets it: opened by keys and
// clicks, pictured under build/e2e/screens, and judged whole and in its place.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "desktop.h"

#include <dlgs.h>

#include "tools/file_printer/file_printer.h"
#include "viewer_session.h"

namespace e2e {
namespace {

enum class Place {
    ScreenCentre,      // centred on the screen's work area
    MainWindowCentre,  // centred over the main window
    Platform,          // a common dialog or message box: where the platform puts it
};

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                        out.data(), static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

RECT WorkArea() {
    RECT r{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

// The visible controls of a window that stick out of their parent's client
// area, each named by its class and text. Windows parked wholly to the left
// or above (where the article keeps what it does not show) are not seen.
std::vector<std::string> ControlsOutside(HWND window) {
    std::vector<std::string> outside;
    EnumChildWindows(
        window,
        [](HWND wnd, LPARAM param) -> BOOL {
            const RECT r = WindowRectOf(wnd), client = ClientRectOnScreen(GetParent(wnd));
            if (!IsWindowVisible(wnd) || r.right <= client.left || r.bottom <= client.top) return TRUE;
            if (!Inside(r, client))
                reinterpret_cast<std::vector<std::string>*>(param)->push_back(
                    Utf8(ClassOf(wnd)) + " \"" + Utf8(WindowText(wnd)) + "\" at " + Describe(WindowRectOf(wnd)));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&outside));
    return outside;
}

bool Dark(uint32_t px) { return (px >> 16 & 0xFF) * 3 + (px >> 8 & 0xFF) * 6 + (px & 0xFF) < 200 * 10; }

// A font as the program draws with it; by default the forms' own.
struct Font {
    const wchar_t* face = L"MS Sans Serif";
    int points = 8;
    int weight = FW_NORMAL;
};

// The ink of `text` in `f`, as offsets from its first ink pixel, and the
// blank around it.
struct Ink {
    std::vector<POINT> ink, blank;
};

Ink TextInk(const std::wstring& text, const Font& f) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HFONT font = CreateFontW(-MulDiv(f.points, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, f.weight, FALSE, FALSE,
                             FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH, f.face);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    const int width = size.cx + 8, height = size.cy + 2;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    const RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 1, 1, text.c_str(), static_cast<int>(text.size()));
    GdiFlush();
    const auto* pixels = static_cast<const uint32_t*>(bits);
    Ink result;
    POINT first{-1, -1};
    RECT box{width, height, 0, 0};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (Dark(pixels[y * width + x] & 0xFFFFFF)) {
                if (first.x < 0) first = {x, y};
                box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                       std::max<LONG>(box.bottom, y + 1)};
            }
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            (Dark(pixels[y * width + x] & 0xFFFFFF) ? result.ink : result.blank).push_back({x - first.x, y - first.y});
    SelectObject(dc, oldBitmap);
    SelectObject(dc, oldFont);
    DeleteObject(bitmap);
    DeleteObject(font);
    DeleteDC(dc);
    return result;
}

// True when the picture shows the whole text, every pixel of its ink and of
// the gaps between its letters (dark text on a light face, or etched grey).
bool ShowsWholeText(const Image& picture, const std::wstring& text, const Font& font = {}) {
    const Ink ink = TextInk(text, font);
    if (ink.ink.empty()) return false;
    auto at = [&](int x, int y, POINT d) {
        const int px = x + d.x, py = y + d.y;
        return px >= 0 && py >= 0 && px < picture.width && py < picture.height ? picture.At(px, py) : 0xFFFFFFu;
    };
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            bool match = true;
            for (size_t i = 0; match && i < ink.ink.size(); ++i) match = Dark(at(x, y, ink.ink[i]));
            for (size_t i = 0; match && i < ink.blank.size(); ++i) match = !Dark(at(x, y, ink.blank[i]));
            if (match) return true;
        }
    return false;
}

// The middles of the lines of link ink (blue, or purple once visited), from
// the top; an underline a blank row or two below its letters is of their line.
std::vector<POINT> LinkLines(const Image& picture) {
    auto link = [](uint32_t px) {
        const int r = px >> 16 & 0xFF, g = px >> 8 & 0xFF, b = px & 0xFF;
        return b > 100 && g < 60 && r < 160;
    };
    std::vector<POINT> lines;
    int top = -1, bottom = -1, left = picture.width, right = -1;
    for (int y = 0; y <= picture.height; ++y) {
        int l = picture.width, r = -1;
        for (int x = 0; y < picture.height && x < picture.width; ++x)
            if (link(picture.At(x, y))) l = std::min(l, x), r = std::max(r, x);
        if (r >= 0) {
            if (top < 0) top = y;
            bottom = y, left = std::min(left, l), right = std::max(right, r);
        } else if (top >= 0 && (y - bottom > 2 || y == picture.height)) {
            lines.push_back({(left + right) / 2, (top + bottom) / 2});
            top = -1, left = picture.width, right = -1;
        }
    }
    return lines;
}

// The file printer the print dialog offers while the test runs.
struct PrinterScope {
    explicit PrinterScope(const std::wstring& file)
        : failure(file_printer::Register(kName, file, L"e2e_file_printer.ppd")) {}
    ~PrinterScope() { file_printer::Remove(kName); }
    static constexpr const wchar_t* kName = L"Screens file printer";
    std::string failure;
};

struct Screen {
    const char* name;
    // Opens the window from the main window by keys and clicks; returns it.
    std::function<HWND()> open;
    Place place;
    // Closes it and every window it was opened over.
    std::function<void()> leave;
    // Texts that must be seen whole: the labels and captions of the window.
    std::vector<std::wstring> texts;
};

class Screens : public ViewerTest {};

// Beside the work folder: build/e2e/screens.
std::wstring ScreensFolder() {
    const std::wstring work = WorkFolder();
    const std::wstring folder = work.substr(0, work.rfind(L'\\')) + L"\\screens";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

TEST_F(Screens, EveryWindowOpensWholeOnTheScreenInItsPlace) {
    PrinterScope printer(WorkFolder() + L"\\printed.ps");
    Journey j("Screens");
    ASSERT_TRUE(j.Check(printer.failure.empty(), "the file printer is set up: " + printer.failure));
    ViewerSession viewer(j);
    ASSERT_TRUE(viewer.Running());
    const std::wstring folder = ScreensFolder();
    std::vector<int> buttons;  // found once the main window has moved

    auto press = [&](std::vector<WORD> keys) {
        return [&viewer, keys] {
            for (WORD key : keys) {
                Key(key);
                viewer.Settle(300);
            }
        };
    };
    auto ofClass = [&](const wchar_t* name, DWORD timeoutMs = 5000) {
        return viewer.WaitForWindow([name](HWND w) { return ClassOf(w) == name; }, timeoutMs);
    };
    auto menuItem = [&](int button, int downs) {
        if (buttons.empty()) buttons = viewer.MenuButtons();
        if (!j.Check(buttons.size() == 5, "five menu buttons")) return;
        viewer.OpenMenuAt(buttons[static_cast<size_t>(button)]);
        for (int i = 0; i < downs; ++i) Key(VK_DOWN);
        Key(VK_RETURN);
    };
    auto clickText = [&](HWND window, const std::wstring& text) {
        HWND control = window ? ChildWithText(window, text) : nullptr;
        if (control) Click(Centre(WindowRectOf(control)));
        viewer.Settle(200);
        return control != nullptr;
    };
    auto appearance = [&] {
        menuItem(3, 0);
        return ofClass(L"TFParam");
    };
    // With custom colours on, so that the buttons under them can be pressed.
    auto customAppearance = [&] {
        HWND dialog = appearance();
        clickText(dialog, L"Настроить цвета самостоятельно");
        return dialog;
    };
    auto findDialog = [&] {
        Keys({VK_CONTROL, 'F'});
        return viewer.WaitForWindow([](HWND w) {
            return ClassOf(w) == L"#32770" && FindWindowExW(w, nullptr, L"Edit", nullptr) != nullptr;
        });
    };

    const std::vector<Screen> screens{
        {"main", [&] { return viewer.Form(); }, Place::ScreenCentre,
         // Moved by its caption near the screen's corner, so that the
         // screen's centre and the window's tell apart the dialogs' places.
         [&] {
             const RECT r = WindowRectOf(viewer.Form());
             const POINT caption{(r.left + r.right) / 2, r.top + GetSystemMetrics(SM_CYCAPTION) / 2 + 2};
             Drag(caption, {caption.x + 32 - r.left, caption.y + 88 - r.top});
             viewer.Settle(300);
             const RECT moved = WindowRectOf(viewer.Form());
             j.Check(moved.left == 32 && moved.top == 88, "the main window is moved: " + Describe(moved));
         },
         {}},
        {"find", findDialog, Place::MainWindowCentre, press({VK_ESCAPE}), {}},
        {"find-nothing",
         [&] {
             findDialog();
             Type(L"щщщ");
             Key(VK_RETURN);
             return viewer.WaitForDialog(L"Терминов по контексту не найдено");
         },
         Place::Platform, press({VK_RETURN, VK_ESCAPE}), {}},
        {"wildcard",
         [&] {
             menuItem(2, 1);
             return ofClass(L"TFindAllWords");
         },
         Place::ScreenCentre, press({VK_ESCAPE}),
         {L"Введите слово используя символы шаблона (*,?)", L"Показывать слова", L"Найденные слова:"}},
        {"appearance", appearance, Place::MainWindowCentre, press({VK_ESCAPE}),
         {L"Настроить цвета самостоятельно", L"Цвет найденных по поиску слов"}},
        {"font",
         [&] {
             clickText(customAppearance(), L"Изменить...");
             // The font list takes its time to fill.
             return ofClass(L"TFontDlg", 15000);
         },
         Place::MainWindowCentre, press({VK_ESCAPE, VK_ESCAPE}), {L"Жирный"}},
        {"colour",
         [&] {
             HWND dialog = customAppearance();
             // The swatch left of its label shows the hit colour.
             const RECT r = WindowRectOf(dialog);
             const Image picture = Grab(r);
             for (int y = 0; y < picture.height; ++y)
                 for (int x = 0; x < picture.width; ++x)
                     if (picture.At(x, y) == 0xE05A00) {
                         Click({r.left + x + 4, r.top + y + 4});
                         return viewer.WaitForWindow([dialog](HWND w) {
                             return ClassOf(w) == L"#32770" && GetWindow(w, GW_OWNER) == dialog;
                         });
                     }
             return HWND{};
         },
         Place::Platform, press({VK_ESCAPE, VK_ESCAPE}), {}},
        {"about",
         [&] {
             menuItem(4, 1);
             return ofClass(L"TAbout");
         },
         Place::ScreenCentre, press({VK_ESCAPE}),
         {L"Электронный терминологический словарь", L"Версия 1.0", L"Программа просмотра словаря"}},
        {"developer",
         [&] {
             menuItem(4, 1);
             HWND about = ofClass(L"TAbout");
             viewer.Settle(200);
             // The icon's frame starts 3 pixels right and 6 below its corner;
             // the developer box answers a press 2 pixels inside that.
             const RECT r = about ? WindowRectOf(about) : RECT{};
             const Image picture = Grab(r);
             for (int y = 0; y < picture.height; ++y)
                 for (int x = 0; x < picture.width; ++x)
                     if (picture.At(x, y) == 0x002060) {
                         Click({r.left + x + 2, r.top + y + 2});
                         return ofClass(L"TMy");
                     }
             return HWND{};
         },
         Place::ScreenCentre, press({VK_ESCAPE, VK_ESCAPE}),
         {L"Программа просмотра создана", L"командой разработчиков словаря"}},
        {"help",
         [&] {
             Key(VK_F1);
             HWND help = ofClass(L"THelpWindow");
             for (int tries = 0; tries < 50 && help && GetForegroundWindow() != help; ++tries) viewer.Settle(100);
             return help;
         },
         Place::ScreenCentre, [] { Keys({VK_MENU, VK_F4}); }, {}},
        {"print",
         [&] {
             Keys({VK_CONTROL, 'P'});
             return viewer.WaitForWindow([](HWND w) { return ClassOf(w) == L"#32770"; });
         },
         Place::Platform, press({VK_ESCAPE}), {}},
    };

    const RECT workArea = WorkArea();
    for (const Screen& screen : screens) {
        j.Step(screen.name);
        HWND window = screen.open();
        if (!j.Check(window != nullptr, "the window opens")) {
            for (int i = 0; i < 3; ++i) Key(VK_ESCAPE);
            viewer.Settle(300);
            continue;
        }
        viewer.Settle(400);
        const RECT r = WindowRectOf(window);
        const std::wstring wideName(screen.name, screen.name + strlen(screen.name));
        SavePng(r, folder + L"\\" + wideName + L".png");

        j.Check(Inside(r, workArea), "it lies wholly on the screen: " + Describe(r));
        RECT target = workArea;
        if (screen.place == Place::MainWindowCentre) target = WindowRectOf(viewer.Form());
        if (screen.place != Place::Platform) {
            const int dx = (r.left + r.right) - (target.left + target.right);
            const int dy = (r.top + r.bottom) - (target.top + target.bottom);
            j.Check(std::abs(dx) <= 2 && std::abs(dy) <= 2,
                    std::string("it is centred ") +
                        (screen.place == Place::ScreenCentre ? "on the screen" : "over the main window") + ": " +
                        Describe(r) + " in " + Describe(target));
        }
        // The platform's dialogs may keep controls of a folded part outside.
        if (screen.place != Place::Platform)
            for (const std::string& control : ControlsOutside(window))
                j.Check(false, "a control lies outside its parent's client area: " + control);
        const Image picture = Grab(ClientRectOnScreen(window));
        for (const std::wstring& text : screen.texts)
            j.Check(ShowsWholeText(picture, text), "the whole text \"" + Utf8(text) + "\" is seen (" +
                                                       std::to_string(text.size()) + " letters)");

        screen.leave();
        if (window != viewer.Form()) j.Check(viewer.WaitUntilGone(window), "it closes");
    }
}

// Help opens at its contents, and help asked for in a place shows that place's
// topic from its heading down: the heading is seen in the window's first lines.
TEST_F(Screens, HelpOpensAtTheContentsOrAtTheTopicAskedFor) {
    PrinterScope printer(WorkFolder() + L"\\printed.ps");
    Journey j("ScreensHelp");
    ASSERT_TRUE(j.Check(printer.failure.empty(), "the file printer is set up: " + printer.failure));
    ViewerSession viewer(j);
    ASSERT_TRUE(viewer.Running());
    const std::wstring folder = ScreensFolder();
    const std::vector<int> buttons = viewer.MenuButtons();
    ASSERT_TRUE(j.Check(buttons.size() == 5, "five menu buttons"));
    auto ofClass = [&](const wchar_t* name) {
        return viewer.WaitForWindow([name](HWND w) { return ClassOf(w) == name; });
    };

    struct Case {
        const char* name;
        // Asks for help; returns the window it was asked over, if not the main one.
        std::function<HWND()> ask;
        const wchar_t* heading;
        int points;
        // A contents link clicked next, whose topic's heading then comes to the top.
        const wchar_t* link = nullptr;
    };
    const Case cases[] = {
        {"help-list",
         [] {
             Key(VK_F1);
             return HWND{};
         },
         L"Список терминов", 14},
        {"help-appearance",
         [&] {
             viewer.OpenMenuAt(buttons[3]);
             Key(VK_RETURN);
             HWND dialog = ofClass(L"TFParam");
             viewer.Settle(300);
             Key(VK_F1);
             return dialog;
         },
         L"Оформление", 14},
        {"help-print",
         [&] {
             Keys({VK_CONTROL, 'P'});
             HWND dialog = viewer.WaitForWindow([](HWND w) { return ClassOf(w) == L"#32770"; });
             HWND help = dialog ? GetDlgItem(dialog, pshHelp) : nullptr;
             if (help) Click(Centre(WindowRectOf(help)));
             return dialog;
         },
         L"Печать статьи", 14},
        {"help-contents",
         [&] {
             viewer.OpenMenuAt(buttons.back());
             Key(VK_RETURN);
             return HWND{};
         },
         L"Содержание", 18},
        // The last topic: below it the page ends within a view's height.
        {"help-contents-link",
         [&] {
             viewer.OpenMenuAt(buttons.back());
             Key(VK_RETURN);
             return HWND{};
         },
         L"Содержание", 18, L"Оформление"},
    };
    for (const Case& c : cases) {
        j.Step(c.name);
        HWND over = c.ask();
        HWND help = ofClass(L"THelpWindow");
        for (int tries = 0; tries < 50 && help && GetForegroundWindow() != help; ++tries) viewer.Settle(100);
        if (j.Check(help != nullptr, "the help window opens")) {
            viewer.Settle(400);
            RECT top = ClientRectOnScreen(help);
            top.bottom = top.top + 2 * MulDiv(c.points, 96, 72) + 10;
            j.Check(ShowsWholeText(Grab(top), c.heading, {L"Times New Roman", c.points, FW_BOLD}),
                    "the heading \"" + Utf8(c.heading) + "\" is seen at the top");
            if (c.link) {
                const RECT client = ClientRectOnScreen(help);
                const std::vector<POINT> links = LinkLines(Grab(client));
                if (j.Check(links.size() >= 3, "the contents links are seen: " + std::to_string(links.size()))) {
                    const POINT* link = &links[2];
                    Click({client.left + link->x, client.top + link->y});
                    viewer.Settle(600);
                    top = ClientRectOnScreen(help);
                    top.bottom = top.top + 2 * MulDiv(14, 96, 72) + 10;
                    j.Check(ShowsWholeText(Grab(top), c.link, {L"Times New Roman", 14, FW_BOLD}),
                            "a click on it brings its heading to the top");
                }
            }
            SavePng(WindowRectOf(help), folder + L"\\" + std::wstring(c.name, c.name + strlen(c.name)) + L".png");
            Key(VK_ESCAPE);
            j.Check(viewer.WaitUntilGone(help), "Escape closes it");
        }
        if (over) {
            Key(VK_ESCAPE);
            j.Check(viewer.WaitUntilGone(over), "the dialog closes");
        }
        viewer.Settle(300);
    }
}

}  // namespace
}  // namespace e2e
