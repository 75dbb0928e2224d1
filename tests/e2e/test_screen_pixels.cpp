// What the screen shows under every colour scheme of the sample dictionary:
// the selected article text reads on its band, and the menu bar's current
// button looks different from its idle self. Each scheme gets its own start of
// the viewer, chosen through the stored settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <vector>

#include "desktop.h"
#include "viewer_session.h"

namespace e2e {
namespace {

std::vector<std::wstring> SampleSchemes() {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((WorkFolder() + L"\\schema\\*.sch").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// The next start of the viewer uses this scheme; with `darkPage` its own
// colours of the panes instead: light text on a dark page.
void ChooseScheme(const std::wstring& name, bool darkPage = false) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKey().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    auto number = [key](const wchar_t* value, DWORD n) {
        RegSetValueExW(key, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), sizeof(n));
    };
    auto text = [key](const wchar_t* value, const std::wstring& t) {
        RegSetValueExW(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(t.c_str()),
                       static_cast<DWORD>((t.size() + 1) * sizeof(wchar_t)));
    };
    number(L"HandColor", darkPage);
    if (darkPage) {
        // Read in this order; the first one missing ends the reading.
        number(L"Background1Color", 0x201810);
        number(L"Font1Color", 0xE0E0E0);
        text(L"Font1Name", L"Times New Roman");
        number(L"Font1Size", 12);
        number(L"Background2Color", 0xFFFFFF);
        number(L"Font2Color", 0);
        text(L"Font2Name", L"Arial");
        number(L"Font2Size", 10);
        number(L"Font2Bold", 0);
        number(L"SelectColor", 0x0000FF);
    }
    text(L"Schema", name);
    RegCloseKey(key);
}

std::string Ascii(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : static_cast<char>('a' + c % 26);
    return out;
}

double Luminance(uint32_t rgb) {
    auto channel = [](uint32_t v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(rgb >> 16 & 0xFF) + 0.7152 * channel(rgb >> 8 & 0xFF) + 0.0722 * channel(rgb & 0xFF);
}

double Contrast(uint32_t a, uint32_t b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The columns where two pictures of the same strip differ: [first, last], or
// first > last when they are equal.
std::pair<int, int> ChangedColumns(const Image& a, const Image& b) {
    int first = a.width, last = -1;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.At(x, y) != b.At(x, y)) first = std::min(first, x), last = std::max(last, x);
    return {first, last};
}

// The strip once `done` accepts it, or as it is after `timeoutMs`: a loaded
// machine may take its time to deliver a mouse move and repaint.
Image GrabWhen(const RECT& r, const std::function<bool(const Image&)>& done, DWORD timeoutMs = 3000) {
    Image image = Grab(r);
    for (DWORD waited = 0; !done(image) && waited < timeoutMs; waited += 100) {
        Sleep(100);
        image = Grab(r);
    }
    return image;
}

class ScreenPixels : public ViewerTest {};

// Ctrl+A selects the whole article: the pixels that change are the band (the
// commonest new colour) and the text on it (the next commonest). Every sample
// scheme, and last a dark page of the viewer's own colours.
TEST_F(ScreenPixels, SelectedArticleTextReadsOnItsBandInEveryScheme) {
    std::vector<std::wstring> schemes = SampleSchemes();
    ASSERT_GE(schemes.size(), 2u);
    schemes.push_back(L"dark");
    for (const std::wstring& scheme : schemes) {
        Journey j(TestName() + "-" + Ascii(scheme));
        const bool dark = scheme == L"dark";
        ChooseScheme(dark ? schemes.front() : scheme, dark);
        ViewerSession viewer(j);
        ASSERT_TRUE(viewer.Running());
        j.Step("Ctrl+A in the first article");
        const RECT article = viewer.ArticleRect();
        const Image before = Grab(article);
        Keys({VK_CONTROL, 'A'});
        viewer.Settle(300);
        const Image after = Grab(article);
        SavePng(article, WorkFolder() + L"\\..\\selected-" + (dark ? scheme : scheme.substr(0, scheme.size() - 4)) + L".png");
        std::map<uint32_t, int> counts;
        for (size_t i = 0; i < after.pixels.size(); ++i)
            if (after.pixels[i] != before.pixels[i]) ++counts[after.pixels[i]];
        std::vector<std::pair<int, uint32_t>> ranked;
        for (auto [colour, n] : counts) ranked.push_back({n, colour});
        std::sort(ranked.rbegin(), ranked.rend());
        if (!j.Check(ranked.size() >= 2 && ranked[1].first > 200, "the selection is drawn with its text")) continue;
        const double contrast = Contrast(ranked[0].second, ranked[1].second);
        j.Check(contrast >= 4.5, "the selected text against its band: contrast " + std::to_string(contrast));
    }
}

// F10 and Alt enter menu mode on the first button, Right moves on, the mouse
// over a button makes it hot, Alt then takes the highlight from it: each
// time that button, and only it, changes.
TEST_F(ScreenPixels, TheMenuBarsCurrentButtonShowsInEveryScheme) {
    const std::vector<std::wstring> schemes = SampleSchemes();
    ASSERT_GE(schemes.size(), 2u);
    for (const std::wstring& scheme : schemes) {
        Journey j(TestName() + "-" + Ascii(scheme));
        ChooseScheme(scheme);
        ViewerSession viewer(j);
        ASSERT_TRUE(viewer.Running());
        const RECT bar = viewer.MenuBarRect();
        // Away from the bar, so that no button is hot.
        MoveMouse(Centre(viewer.ListRect()));
        viewer.Settle(300);
        const Image idle = Grab(bar);

        for (WORD enter : {WORD{VK_F10}, WORD{VK_MENU}}) {
            j.Step(enter == VK_F10 ? "F10" : "Alt");
            Key(enter);
            viewer.Settle(300);
            const Image first = Grab(bar);
            if (enter == VK_F10)
                SavePng(bar, WorkFolder() + L"\\..\\menu-mode-" + scheme.substr(0, scheme.size() - 4) + L".png");
            const auto [left1, right1] = ChangedColumns(idle, first);
            j.Check(left1 <= right1 && left1 < 20 && right1 < 90, "the first button, and only it, is highlighted");
            if (enter == VK_F10) {
                Key(VK_DOWN);
                viewer.Settle(300);
                j.Check(viewer.OpenMenu() != nullptr, "Down opens the first drop-down");
                const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
                SavePng(screen, WorkFolder() + L"\\..\\menu-open-" + scheme.substr(0, scheme.size() - 4) + L".png");
                j.Check(ChangedColumns(idle, Grab(bar)) == std::pair{left1, right1},
                        "the button stays highlighted while its drop-down is open");
                Key(VK_ESCAPE);
                viewer.Settle(300);
                j.Check(Grab(bar) == first, "Escape closes the drop-down back to the highlighted button");
            }
            Key(VK_RIGHT);
            viewer.Settle(300);
            const auto [left2, right2] = ChangedColumns(idle, Grab(bar));
            j.Check(left2 <= right2 && left2 > right1 - 4 && right2 < 180,
                    "Right highlights the second button instead of the first");
            Key(enter);
            viewer.Settle(300);
            j.Check(Grab(bar) == idle, "leaving menu mode gives the idle bar back");
        }

        j.Step("the mouse over the second button");
        Key(VK_F10);
        viewer.Settle(200);
        Key(VK_RIGHT);
        viewer.Settle(200);
        const auto [left, right] = ChangedColumns(idle, Grab(bar));
        Key(VK_F10);
        viewer.Settle(200);
        // A hand on the mouse moves it in steps.
        for (int dx : {-4, -2, 0}) {
            MoveMouse({bar.left + (left + right) / 2 + dx, (bar.top + bar.bottom) / 2});
            viewer.Settle(100);
        }
        const auto [hotLeft, hotRight] = ChangedColumns(idle, GrabWhen(bar, [&](const Image& i) { return !(i == idle); }));
        j.Check(hotLeft <= hotRight && hotLeft >= left - 2 && hotRight <= right + 2, "the button under the mouse is hot");
        Key(VK_MENU);
        viewer.Settle(300);
        const auto [altLeft, altRight] = ChangedColumns(idle, Grab(bar));
        j.Check(altLeft <= altRight && altLeft < 20 && altRight < 90,
                "Alt highlights the first button, and only it, with the mouse resting on the second");
        Key(VK_MENU);
        MoveMouse(Centre(viewer.ListRect()));
        viewer.Settle(400);
        j.Check(GrabWhen(bar, [&](const Image& i) { return i == idle; }) == idle, "it cools when the mouse leaves");
    }
}

}  // namespace
}  // namespace e2e
