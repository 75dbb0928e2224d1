// The viewer under a person's hands: each test is one journey through the real
// program, driven only by keystrokes and mouse events at screen coordinates,
// judged only by what the screen, the clipboard, files and the registry show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <map>

#include "desktop.h"
#include "tools/file_printer/file_printer.h"
#include "support/test_support.h"
#include "viewer_session.h"

namespace e2e {
namespace {

class Journeys : public ViewerTest {};

bool Near(int a, int b, int slack = 2) { return std::abs(a - b) <= slack; }

// The tests' own PostScript printer, the default one while it lives.
struct PrinterScope {
    explicit PrinterScope(const std::wstring& file)
        : failure(file_printer::Register(kName, file, L"e2e_file_printer.ppd")) {}
    ~PrinterScope() { file_printer::Remove(kName); }
    static constexpr const wchar_t* kName = L"Journeys file printer";
    std::string failure;
};


// What the article pane shows, to see that it changed.
Image ArticlePixels(const ViewerSession& viewer) { return Grab(viewer.ArticleRect()); }

TEST_F(Journeys, TypingAtOnceAfterStartSelectsTheTermAndTheKeysMoveTheRow) {
    Journey j(TestName());
    ViewerSession viewer(j);
    ASSERT_TRUE(viewer.Running());

    j.Step("start: row 0 selected, label empty");
    const Image emptyLabel = Grab(viewer.LabelRect());
    const Band first = viewer.SelectedBand();
    ASSERT_TRUE(j.Check(first.found && first.top <= 2, "row 0 is drawn selected"));
    const int rowHeight = first.height;

    j.Step("type the first letters of a term before any click");
    Image article = ArticlePixels(viewer);
    Type(L"сок");  // Сокет
    viewer.Settle();
    const Band typed = viewer.SelectedBand();
    j.Check(typed.found && typed.top > first.top, "the typed term's row is selected");
    j.Check(!(Grab(viewer.LabelRect()) == emptyLabel), "the label shows the typed text");
    j.Check(!(ArticlePixels(viewer) == article), "the term's article is painted");

    j.Step("Backspace back to empty");
    for (int i = 0; i < 3; ++i) Key(VK_BACK);
    viewer.Settle();
    j.Check(viewer.SelectedBand().top == first.top, "row 0 is selected again");
    j.Check(Grab(viewer.LabelRect()) == emptyLabel, "the label is empty again");

    // Down and Up move the row on the screen; PgDn, Home and End scroll the
    // list with it, so they are judged by what the list shows.
    const Image startList = Grab(viewer.ListRect());
    struct Move {
        const char* step;
        WORD key;
        int rows;  // where the selected row must be drawn, in rows from the top; -1: anywhere
    };
    const Move moves[] = {
        {"Down", VK_DOWN, 1}, {"Down again", VK_DOWN, 2}, {"Up", VK_UP, 1},
        {"PgDn", VK_NEXT, -1}, {"Home", VK_HOME, 0},      {"End", VK_END, -1},
    };
    for (const Move& move : moves) {
        j.Step(move.step);
        article = ArticlePixels(viewer);
        const Image list = Grab(viewer.ListRect());
        Key(move.key);
        viewer.Settle();
        const Band now = viewer.SelectedBand();
        j.Check(now.found, "a row is drawn selected");
        if (move.rows >= 0)
            j.Check(now.top == first.top + move.rows * rowHeight,
                    "the selected row is drawn at " + std::to_string(now.top) + " pixels from the top");
        else
            j.Check(!(Grab(viewer.ListRect()) == list), "the list scrolls");
        j.Check(!(ArticlePixels(viewer) == article), "the article follows the row");
    }
    j.Step("Home again: the list as at the start");
    Key(VK_HOME);
    viewer.Settle();
    j.Check(Grab(viewer.ListRect()) == startList, "row 0 at the top, selected");
    Key(VK_END);
    viewer.Settle();
    j.Step("End: the last row is at the list's bottom");
    const Band last = viewer.SelectedBand();
    const RECT list = viewer.ListRect();
    j.Check(Near(last.top + last.height, list.bottom - list.top, rowHeight), "the last row is at the bottom");
}

TEST_F(Journeys, AMenuDismissedByAClickOnTheListLeavesTheArrowsToTheList) {
    Journey j(TestName());
    ViewerSession viewer(j);
    ASSERT_TRUE(viewer.Running());
    const RECT bar = viewer.MenuBarRect();
    const Image quietBar = Grab(bar);
    const int rowHeight = viewer.SelectedBand().height;
    ASSERT_GT(rowHeight, 0);

    j.Step("find the menu buttons: open the first, then Right through the others");
    const std::vector<int> buttons = viewer.MenuButtons();
    Click(viewer.ListRow(0, rowHeight));
    viewer.Settle(300);
    ASSERT_TRUE(j.Check(buttons.size() == 5, "five menus open one after the other, found " +
                                                  std::to_string(buttons.size())));

    for (size_t i = 0; i < buttons.size(); ++i) {
        j.Step("menu " + std::to_string(i + 1) + ": open by a click");
        j.Check(viewer.OpenMenuAt(buttons[i]) != nullptr, "its drop-down is open");

        j.Step("menu " + std::to_string(i + 1) + ": dismiss by a click on the list's row 1");
        Click(viewer.ListRow(1, rowHeight));
        viewer.Settle(300);
        j.Check(viewer.OpenMenu() == nullptr, "the drop-down is closed");
        Click(viewer.ListRow(1, rowHeight));  // the click that closed the menu may not reach the list
        viewer.Settle(300);

        j.Step("menu " + std::to_string(i + 1) + ": Down in the list");
        Key(VK_DOWN);
        viewer.Settle(300);
        j.Check(viewer.OpenMenu() == nullptr, "no menu opens");
        j.Check(viewer.SelectedBand().top == 2 * rowHeight, "the next term's row is selected");
        Key(VK_UP);
        viewer.Settle(200);
        j.Check(Grab(bar) == quietBar, "no menu button stays highlighted");
    }

    struct Entry {
        const char* step;
        WORD key;
    };
    for (const Entry& entry : {Entry{"Alt then Escape", VK_MENU}, Entry{"F10 then Escape", VK_F10}}) {
        j.Step(entry.step);
        const int before = viewer.SelectedBand().top;
        Key(entry.key);
        viewer.Settle(200);
        Key(VK_ESCAPE);
        viewer.Settle(200);
        j.Check(Grab(bar) == quietBar, "Escape leaves the menu bar quiet");
        Key(VK_DOWN);
        viewer.Settle(300);
        j.Check(viewer.OpenMenu() == nullptr, "Down opens no menu");
        j.Check(viewer.SelectedBand().top == before + rowHeight, "Down moves the row");
    }

    j.Step("Alt then a click on the list");
    Key(VK_MENU);
    viewer.Settle(200);
    Click(viewer.ListRow(1, rowHeight));
    viewer.Settle(300);
    j.Check(Grab(bar) == quietBar, "no menu button stays highlighted");
    Key(VK_DOWN);
    viewer.Settle(300);
    j.Check(viewer.OpenMenu() == nullptr, "Down opens no menu");
    j.Check(viewer.SelectedBand().top == 2 * rowHeight, "Down moves the row");

    j.Step("Alt then Down opens the first menu, the pointer resting on the last");
    MoveMouse({buttons.back() + 8, (bar.top + bar.bottom) / 2});
    viewer.Settle(200);
    Key(VK_MENU);
    viewer.Settle(200);
    Key(VK_DOWN);
    viewer.Settle(300);
    HWND menu = viewer.OpenMenu();
    j.Check(menu != nullptr && WindowRectOf(menu).left == buttons.front(), "the first drop-down is open");
    Key(VK_ESCAPE);
    Key(VK_ESCAPE);
    MoveMouse(viewer.ListRow(1, rowHeight));
    viewer.Settle(300);
    j.Check(viewer.OpenMenu() == nullptr && Grab(bar) == quietBar, "two Escapes leave the menus");

    j.Step("the article's popup menu");
    Click(Centre(viewer.ArticleRect()), true);
    viewer.Settle(300);
    j.Check(viewer.OpenMenu() != nullptr, "a right click in the article opens its popup menu");
    Key(VK_ESCAPE);
    viewer.Settle(300);
    j.Check(viewer.OpenMenu() == nullptr, "Escape closes it");
}


// Whitespace aside: a partial copy breaks lines where the whole one may not.
std::wstring Squeezed(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text)
        if (!iswspace(c)) out += c;
    return out;
}

bool HasCyrillic(const std::wstring& text) {
    for (wchar_t c : text)
        if (c >= 0x410 && c <= 0x44F) return true;
    return false;
}

TEST_F(Journeys, FindDialogMovesTheRowAndReportsATextThatMatchesNothing) {
    Journey j(TestName());
    ViewerSession viewer(j);
    ASSERT_TRUE(viewer.Running());
    const Band start = viewer.SelectedBand();

    j.Step("Ctrl+F opens the find dialog");
    Keys({VK_CONTROL, 'F'});
    HWND find = viewer.WaitForWindow([](HWND w) {
        return ClassOf(w) == L"#32770" && FindWindowExW(w, nullptr, L"Edit", nullptr) != nullptr;
    });
    ASSERT_TRUE(j.Check(find != nullptr, "the find dialog is shown"));

    j.Step("part of a term, Enter");
    Type(L"адрес");  // IP-адрес, below row 0
    Key(VK_RETURN);
    viewer.Settle(400);
    const Band found = viewer.SelectedBand();
    j.Check(found.found && found.top > start.top, "the row moves down to a term holding the text");

    j.Step("a text that matches nothing, Enter");
    Key(VK_HOME);
    Keys({VK_SHIFT, VK_END});
    Type(L"щщщ");
    Key(VK_RETURN);
    HWND box = viewer.WaitForDialog(L"Терминов по контексту не найдено");
    j.Check(box != nullptr, "the message box says no term was found");
    if (box) j.Check(WindowText(box) == L"Поиск", "the box's caption");

    j.Step("Enter closes the message box");
    Key(VK_RETURN);
    j.Check(!box || viewer.WaitUntilGone(box), "the box closes");
    viewer.Settle(300);
    j.Check(viewer.SelectedBand().top == found.top, "the row stays");

    j.Step("Escape closes the find dialog; the list has the keys again");
    Key(VK_ESCAPE);
    j.Check(viewer.WaitUntilGone(find), "the find dialog closes");
    viewer.Settle(300);
    Key(VK_DOWN);
    viewer.Settle();
    j.Check(viewer.SelectedBand().top == found.top + found.height, "Down moves the row");
    j.Check(viewer.ArticleText().find(L"IP-адрес") == std::wstring::npos, "the next term's article is shown");
}

TEST_F(Journeys, CopiesTheDraggedTextTheWholeArticleAndThroughThePopup) {
    Journey j(TestName());
    ViewerSession viewer(j);
    ASSERT_TRUE(viewer.Running());

    j.Step("Ctrl+A then Ctrl+C copies the whole article");
    const std::wstring whole = viewer.ArticleText();
    j.Check(whole.find(L"DHCP") != std::wstring::npos && whole.find(L"протокол динамической") != std::wstring::npos,
            "the clipboard holds the first term's article");

    j.Step("a drag across two paragraphs, Ctrl+C");
    const RECT article = viewer.ArticleRect();
    Click({article.right - 30, article.bottom - 10});  // clears the selection
    viewer.Settle(200);
    EmptyClipboardText();
    Drag({article.left + 20, article.top + 50}, {article.left + 200, article.top + 150});
    viewer.Settle(200);
    Keys({VK_CONTROL, 'C'});
    viewer.Settle(200);
    const std::wstring part = ClipboardText();
    j.Check(part.size() > 20 && part.size() < whole.size(), "a part of the article is copied");
    j.Check(HasCyrillic(part), "the part holds Russian letters");
    j.Check(Squeezed(whole).find(Squeezed(part)) != std::wstring::npos, "the part is the article's own text");
    j.Check(part.find(L'\n') != std::wstring::npos, "the part spans a paragraph break");

    j.Step("the popup's copy after Ctrl+A");
    Keys({VK_CONTROL, 'A'});
    viewer.Settle(200);
    EmptyClipboardText();
    Click(Centre(article), true);
    viewer.Settle(300);
    HWND popup = viewer.OpenMenu();
    j.Check(popup != nullptr, "the popup menu opens");
    // Its items: the search submenu, then "Копировать".
    Key(VK_DOWN);
    Key(VK_DOWN);
    Key(VK_RETURN);
    viewer.Settle(300);
    j.Check(ClipboardText() == whole, "the popup's copy holds the whole article");
}

TEST_F(Journeys, HelpAndAboutOpenAndCloseAndTheListKeepsTheKeys) {
    Journey j(TestName());
    ViewerSession viewer(j);
    ASSERT_TRUE(viewer.Running());
    const int rowHeight = viewer.SelectedBand().height;

    j.Step("F1 shows the help window");
    Key(VK_F1);
    HWND help = viewer.WaitForWindow([](HWND w) { return ClassOf(w) == L"THelpWindow"; });
    j.Check(help != nullptr, "the help window is shown");
    if (help) {
        // Alt+F4 goes to the active window: wait until the help window is it.
        for (int tries = 0; tries < 50 && GetForegroundWindow() != help; ++tries) viewer.Settle(100);
        viewer.Settle(200);
        Keys({VK_MENU, VK_F4});
        j.Check(viewer.WaitUntilGone(help), "Alt+F4 closes it");
    }
    viewer.Settle(300);

    const std::vector<int> buttons = viewer.MenuButtons();
    ASSERT_TRUE(j.Check(buttons.size() == 5, "five menu buttons"));
    for (WORD closeKey : {WORD(VK_RETURN), WORD(VK_ESCAPE)}) {
        j.Step(closeKey == VK_RETURN ? "About, closed by Enter" : "About, closed by Escape");
        const int before = viewer.SelectedBand().top;
        j.Check(viewer.OpenMenuAt(buttons.back()) != nullptr, "the help menu opens");
        Key(VK_DOWN);  // from "Справка" to "О Программе..."
        Key(VK_RETURN);
        HWND about = viewer.WaitForWindow([](HWND w) { return ClassOf(w) == L"TAbout"; });
        if (!j.Check(about != nullptr, "the About box is shown")) continue;
        viewer.Settle(200);
        Key(closeKey);
        j.Check(viewer.WaitUntilGone(about), "the About box closes");
        viewer.Settle(300);
        Key(VK_DOWN);
        viewer.Settle();
        j.Check(viewer.SelectedBand().top == before + rowHeight, "Down in the list moves the row");
    }
}

TEST_F(Journeys, PrintsTheArticleIntoTheFilePrinter) {
    Journey j(TestName());
    const std::wstring printed = WorkFolder() + L"\\printed.ps";
    DeleteFileW(printed.c_str());
    const std::string printedName(printed.begin(), printed.end());
    PrinterScope printer(printed);
    ASSERT_TRUE(j.Check(printer.failure.empty(), "the file printer is set up: " + printer.failure));
    ViewerSession viewer(j);
    ASSERT_TRUE(viewer.Running());

    j.Step("Ctrl+P, Enter in the print dialog");
    Keys({VK_CONTROL, 'P'});
    HWND dialog = viewer.WaitForWindow([](HWND w) { return ClassOf(w) == L"#32770"; });
    ASSERT_TRUE(j.Check(dialog != nullptr, "the print dialog is shown"));
    viewer.Settle(300);
    Key(VK_RETURN);
    j.Check(viewer.WaitUntilGone(dialog), "the dialog closes");

    j.Step("the printer's file");
    std::string bytes;
    for (int tries = 0; tries < 100; ++tries) {
        // The spooler may not have made the file yet, or may hold it.
        try {
            if (GetFileAttributesW(printed.c_str()) != INVALID_FILE_ATTRIBUTES)
                bytes = testing_support::ReadFileBytes(printedName);
        } catch (const std::exception&) {
        }
        if (bytes.find("%%EOF") != std::string::npos) break;
        Sleep(100);
    }
    j.Check(bytes.rfind("%!PS", 0) == 0, "a PostScript file is written");
    j.Check(bytes.find("%%Page:") != std::string::npos, "it holds a page");
    // The article's words are set in its fonts, so the file names them.
    j.Check(bytes.find("Liberation") != std::string::npos, "the article's fonts are in the file");
}

TEST_F(Journeys, PlaceSizeAndSplitComeBackAfterAltF4) {
    Journey j(TestName());
    RECT window{}, column{}, intro{}, right{};
    {
        ViewerSession viewer(j);
        ASSERT_TRUE(viewer.Running());
        ASSERT_TRUE(j.Check(viewer.Intro() != nullptr, "the introduction pane is shown"));
        const RECT startWindow = WindowRectOf(viewer.Form());
        const RECT startColumn = viewer.ListColumnRect();
        const RECT startIntro = viewer.IntroPaneRect();

        j.Step("drag the splitter beside the list to the right");
        const int splitterX = startColumn.right + 1;
        const int midY = (startColumn.top + startColumn.bottom) / 2;
        Drag({splitterX, midY}, {splitterX + 60, midY});
        viewer.Settle(300);
        column = viewer.ListColumnRect();
        j.Check(Near(column.right - column.left, startColumn.right - startColumn.left + 60),
                "the list's column is 60 pixels wider");

        j.Step("drag the splitter below the introduction down");
        const int splitterY = startIntro.bottom;
        const int midX = (startIntro.left + startIntro.right) / 2;
        Drag({midX, splitterY}, {midX, splitterY + 50});
        viewer.Settle(300);
        intro = viewer.IntroPaneRect();
        j.Check(intro.bottom - intro.top > startIntro.bottom - startIntro.top + 30, "the introduction pane is taller");

        j.Step("drag the window's right border to the left");
        const RECT articleBefore = viewer.ArticleRect();
        Drag({startWindow.right - 2, (startWindow.top + startWindow.bottom) / 2},
             {startWindow.right - 82, (startWindow.top + startWindow.bottom) / 2});
        viewer.Settle(400);
        window = WindowRectOf(viewer.Form());
        j.Check(Near(window.right - window.left, startWindow.right - startWindow.left - 80, 4), "the window is narrower");
        j.Check(viewer.ArticleRect().right - viewer.ArticleRect().left < articleBefore.right - articleBefore.left,
                "the article pane narrows with it");
        intro = viewer.IntroPaneRect();
        right = viewer.RightColumnRect();
        column = viewer.ListColumnRect();

        j.Step("Alt+F4");
        Keys({VK_MENU, VK_F4});
        j.Check(viewer.WaitForExit(), "the viewer ends");
    }
    j.Step("the registry after exit");
    DWORD prc = 0, size = sizeof(prc);
    j.Check(RegGetValueW(HKEY_CURRENT_USER, SettingsKey().c_str(), L"Prc", RRF_RT_REG_DWORD, nullptr, &prc, &size) ==
                ERROR_SUCCESS,
            "the split is stored");
    const int share = (intro.bottom - intro.top) * 100 / (right.bottom - right.top);
    j.Check(Near(static_cast<int>(prc), share, 1),
            "the stored split is the introduction's share: " + std::to_string(prc) + " against " + std::to_string(share));

    j.Step("start again");
    ViewerSession again(j);
    ASSERT_TRUE(again.Running());
    const RECT window2 = WindowRectOf(again.Form());
    j.Check(EqualRect(&window, &window2) != 0, "the window's place and size come back");
    const RECT intro2 = again.IntroPaneRect();
    j.Check(Near(intro2.bottom - intro2.top, intro.bottom - intro.top, 6),
            "the split comes back: the introduction is " + std::to_string(intro2.bottom - intro2.top) +
                " pixels high, was " + std::to_string(intro.bottom - intro.top));
}

TEST_F(Journeys, AppearanceOKWithoutAChangeKeepsThePixelsCustomColoursComeBackAfterARestart) {
    Journey j(TestName());
    Band band;
    Image list;
    {
        ViewerSession viewer(j);
        ASSERT_TRUE(viewer.Running());
        const std::vector<int> buttons = viewer.MenuButtons();
        ASSERT_TRUE(j.Check(buttons.size() == 5, "five menu buttons"));
        Click(viewer.ListRow(1, viewer.SelectedBand().height));
        viewer.Settle(400);
        // Everything but the introduction pane, whose picture moves on its own.
        const std::vector<RECT> still{viewer.MenuBarRect(), viewer.ListColumnRect(), viewer.ArticleRect()};
        auto grabStill = [&] {
            std::vector<Image> parts;
            for (const RECT& r : still) parts.push_back(Grab(r));
            return parts;
        };
        const std::vector<Image> before = grabStill();

        auto openAppearance = [&] {
            j.Check(viewer.OpenMenuAt(buttons[3]) != nullptr, "the service menu opens");
            Key(VK_RETURN);  // its first item, "Оформление..."
            HWND dialog = viewer.WaitForWindow([](HWND w) { return ClassOf(w) == L"TFParam"; });
            j.Check(dialog != nullptr, "the appearance dialog is shown");
            viewer.Settle(200);
            return dialog;
        };

        j.Step("open, change nothing, OK");
        HWND dialog = openAppearance();
        ASSERT_NE(dialog, nullptr);
        Key(VK_RETURN);
        j.Check(viewer.WaitUntilGone(dialog), "the dialog closes");
        viewer.Settle(600);
        j.Check(grabStill() == before, "the window looks as it did: the article's font and every colour");

        j.Step("custom colours on, OK");
        dialog = openAppearance();
        ASSERT_NE(dialog, nullptr);
        HWND hand = ChildWithText(dialog, L"Настроить цвета самостоятельно");
        ASSERT_TRUE(j.Check(hand != nullptr, "the custom colours box is there"));
        Click(Centre(WindowRectOf(hand)));
        viewer.Settle(200);
        Key(VK_RETURN);
        j.Check(viewer.WaitUntilGone(dialog), "the dialog closes");
        viewer.Settle(600);
        j.Check(!(grabStill() == before), "the custom appearance is applied");
        band = viewer.SelectedBand();
        list = Grab(viewer.ListRect());

        j.Step("Alt+F4");
        Keys({VK_MENU, VK_F4});
        j.Check(viewer.WaitForExit(), "the viewer ends");
    }
    j.Step("start again");
    ViewerSession again(j);
    ASSERT_TRUE(again.Running());
    Click(again.ListRow(1, band.height));
    again.Settle(400);
    const Band bandAgain = again.SelectedBand();
    j.Check(bandAgain.found && bandAgain.colour == band.colour, "the selected row has the colour it had");
    j.Check(Grab(again.ListRect()) == list, "the list looks as it did");
}

TEST_F(Journeys, CustomColoursOnThenOffGiveTheLookOfAStartAtOnceAndAfterARestart) {
    Journey j(TestName());
    std::vector<Image> start;
    auto grabStill = [](ViewerSession& viewer) {
        // The introduction pane is left out: its picture moves on its own.
        return std::vector<Image>{Grab(viewer.MenuBarRect()), Grab(viewer.ListColumnRect()),
                                  Grab(viewer.ArticleRect())};
    };
    {
        ViewerSession viewer(j);
        ASSERT_TRUE(viewer.Running());
        const std::vector<int> buttons = viewer.MenuButtons();
        ASSERT_TRUE(j.Check(buttons.size() == 5, "five menu buttons"));
        Click(viewer.ListRow(1, viewer.SelectedBand().height));
        viewer.Settle(400);
        start = grabStill(viewer);
        for (const bool on : {true, false}) {
            j.Step(on ? "custom colours on, OK" : "custom colours off again, OK");
            j.Check(viewer.OpenMenuAt(buttons[3]) != nullptr, "the service menu opens");
            Key(VK_RETURN);  // "Оформление..."
            HWND dialog = viewer.WaitForWindow([](HWND w) { return ClassOf(w) == L"TFParam"; });
            ASSERT_TRUE(j.Check(dialog != nullptr, "the appearance dialog is shown"));
            viewer.Settle(200);
            Click(Centre(WindowRectOf(ChildWithText(dialog, L"Настроить цвета самостоятельно"))));
            viewer.Settle(200);
            Key(VK_RETURN);
            j.Check(viewer.WaitUntilGone(dialog), "the dialog closes");
            viewer.Settle(600);
            const bool asAtStart = grabStill(viewer) == start;
            j.Check(asAtStart != on, on ? "the custom look is applied" : "the article and list look as at the start");
        }
        Keys({VK_MENU, VK_F4});
        j.Check(viewer.WaitForExit(), "the viewer ends");
    }
    j.Step("start again");
    ViewerSession again(j);
    ASSERT_TRUE(again.Running());
    Click(again.ListRow(1, again.SelectedBand().height));
    again.Settle(400);
    j.Check(grabStill(again) == start, "the window looks as it did");
}

// The lines of the article that hold link text: the link colour is the bluest
// colour drawn most often. Each line is given by a point on its first link pixel.
std::vector<POINT> LinkLines(const ViewerSession& viewer) {
    const RECT r = viewer.ArticleRect();
    const Image image = Grab(r);
    std::map<uint32_t, int> blues;
    for (uint32_t px : image.pixels) {
        const int red = px >> 16 & 0xFF, green = px >> 8 & 0xFF, blue = px & 0xFF;
        if (blue > red + 80 && blue > green + 40) ++blues[px];
    }
    uint32_t link = 0;
    int most = 0;
    for (auto [colour, n] : blues)
        if (n > most) most = n, link = colour;
    std::vector<POINT> lines;
    if (most == 0) return lines;
    int lastY = -100;
    // The scroll bar at the right is left out.
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width - 24; ++x) {
            if (image.At(x, y) != link) continue;
            if (y - lastY > 6) lines.push_back({r.left + x + 3, r.top + y + 3});
            lastY = y;
            break;
        }
    return lines;
}

TEST_F(Journeys, LinksScrollToASectionShowAPictureAndReportAMissingFile) {
    Journey j(TestName());
    ViewerSession viewer(j);
    ASSERT_TRUE(viewer.Running());
    const int rowHeight = viewer.SelectedBand().height;

    j.Step("maximise by a double click on the caption, then the long article");
    const RECT window = WindowRectOf(viewer.Form());
    const POINT caption{(window.left + window.right) / 2, window.top + GetSystemMetrics(SM_CYCAPTION) / 2 + 2};
    Click(caption);
    Click(caption);
    viewer.Settle(600);
    j.Check(IsZoomed(viewer.Form()) != 0, "the window is maximised");
    Type(L"скс");
    viewer.Settle(600);
    const Band row = viewer.SelectedBand();
    std::vector<POINT> links = LinkLines(viewer);
    // Its contents: four sections, the picture, the page beside it, the missing file.
    ASSERT_TRUE(j.Check(links.size() >= 7, "the contents' seven links are seen, found " + std::to_string(links.size())));
    const Image top = Grab(viewer.ArticleRect());

    j.Step("a click on the link to the last section");
    Click(links[3]);
    viewer.Settle(600);
    j.Check(!(Grab(viewer.ArticleRect()) == top), "the article scrolls");
    j.Check(LinkLines(viewer).empty() || LinkLines(viewer)[0].y != links[0].y, "the contents are no longer in place");
    j.Check(viewer.SelectedBand().top == row.top, "the term stays selected");

    j.Step("Home in the article, then the picture link");
    Key(VK_HOME);
    viewer.Settle(400);
    // The followed link is drawn as visited now, so the contents' places tell.
    const std::vector<POINT> again = LinkLines(viewer);
    j.Check(!again.empty() && again[0].y == links[0].y, "Home goes back to the top");
    Click(links[4]);
    viewer.Settle(800);
    const Image picture = Grab(viewer.ArticleRect());
    j.Check(!(picture == top), "the picture is shown");

    // The list still marks the term: a click on it, or on the page link's
    // way back, is the way back to its article.
    for (const size_t link : {size_t{4}, size_t{5}}) {
        j.Step(link == 4 ? "a click on the marked term after the picture" : "the page link, then the marked term");
        if (link == 5) {
            Click(links[5]);
            viewer.Settle(800);
            j.Check(LinkLines(viewer).empty() || LinkLines(viewer)[0].y != links[0].y, "the page is shown");
        }
        Click(viewer.ListRow(row.top / rowHeight, rowHeight));
        viewer.Settle(600);
        const std::vector<POINT> back = LinkLines(viewer);
        j.Check(!back.empty() && back[0].y == links[0].y, "the term's article is shown again");
        j.Check(viewer.SelectedBand().top == row.top, "the term stays selected");
    }
    // The window is maximised: its frame lies past the screen's edges.
    SavePng({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
            WorkFolder() + L"\\..\\article-after-link.png");

    j.Step("back to the article, then the link to the missing file");
    Click(viewer.ListRow(row.top / rowHeight - 1, rowHeight));
    viewer.Settle(600);
    j.Check(!(Grab(viewer.ArticleRect()) == picture), "the term above's article replaces the picture");
    Click(viewer.ListRow(row.top / rowHeight, rowHeight));
    viewer.Settle(600);
    const std::vector<POINT> shown = LinkLines(viewer);
    j.Check(!shown.empty() && shown[0].y == links[0].y, "the long article is shown again");
    Click(links[6]);
    HWND box = viewer.WaitForDialog(L"Can't locate file: ");
    j.Check(box != nullptr, "the message names the missing file");
    if (box) {
        j.Check(AllTexts(box).find(L"normy.htm") != std::wstring::npos, "the missing file's name is shown");
        Key(VK_RETURN);
        j.Check(viewer.WaitUntilGone(box), "Enter closes the message");
    }

    j.Step("the term above still shows");
    Click(viewer.ListRow(row.top / rowHeight - 1, rowHeight));
    viewer.Settle(600);
    j.Check(!(Grab(viewer.ArticleRect()) == top), "the next term's article is painted");
    j.Check(viewer.ArticleText().find(L"Сетевой адаптер") != std::wstring::npos, "the article is that term's");
}

TEST_F(Journeys, AnArticleFileCutShortIsReportedOnceAndTheListGoesOn) {
    Journey j(TestName());
    // The last terms' articles lie past the cut; the first term's does not.
    const std::string articles = testing_support::ReadFileBytes("voc.dat");
    ASSERT_GT(articles.size(), 30000u);
    testing_support::WriteFileBytes("voc.dat", articles.substr(0, 30000));
    ViewerSession viewer(j);
    ASSERT_TRUE(viewer.Running());
    j.Check(viewer.WaitForDialog(L"voc.dat", 300) == nullptr, "the first term's article is read without a word");

    j.Step("End: the last term, whose article is cut off");
    Key(VK_END);
    HWND box = viewer.WaitForDialog(L"voc.dat");
    ASSERT_TRUE(j.Check(box != nullptr, "a message names the article file"));
    const std::wstring text = AllTexts(box);
    j.Check(text.find(L"Не могу прочитать статью из файла") != std::wstring::npos, "it says the article cannot be read");
    j.Check(text.find(WorkFolder() + L"\\voc.dat") != std::wstring::npos, "it gives the file's full name");
    SavePng(WindowRectOf(viewer.Form()), WorkFolder() + L"\\..\\unreadable-article.png");
    Key(VK_RETURN);
    j.Check(viewer.WaitUntilGone(box), "Enter closes the message");
    viewer.Settle();

    j.Step("Up: the term before, cut off too, says nothing more");
    const Band last = viewer.SelectedBand();
    Key(VK_UP);
    viewer.Settle(600);
    j.Check(viewer.WaitForDialog(L"voc.dat", 300) == nullptr, "no second message");
    j.Check(viewer.SelectedBand().top == last.top - last.height, "the row above is selected");

    j.Step("Home: the first term's article");
    Key(VK_HOME);
    viewer.Settle();
    j.Check(viewer.ArticleText().find(L"протокол динамической") != std::wstring::npos, "the first article is shown");
}

TEST_F(Journeys, WheelAndPgDnScrollTheArticleAndANarrowerWindowShrinksTheTable) {
    Journey j(TestName());
    ViewerSession viewer(j);
    ASSERT_TRUE(viewer.Running());

    j.Step("the long article, a click in it");
    Type(L"скс");
    viewer.Settle(600);
    const RECT article = viewer.ArticleRect();
    Click({article.right - 40, article.bottom - 8});
    viewer.Settle(200);
    Image now = Grab(article);

    j.Step("the wheel");
    Wheel({article.right - 40, article.bottom - 8}, -3);
    viewer.Settle(400);
    j.Check(!(Grab(article) == now), "the wheel scrolls the article");
    now = Grab(article);

    j.Step("PgDn");
    Key(VK_NEXT);
    viewer.Settle(400);
    j.Check(!(Grab(article) == now), "PgDn scrolls the article");

    j.Step("the table article, the window's border dragged to the left");
    Click(viewer.ListRow(0, viewer.SelectedBand().height));
    Type(L"лин");
    viewer.Settle(600);
    // The table fills the width: its right edge is the rightmost dark pixel.
    auto tableRight = [&] {
        const RECT r = viewer.ArticleRect();
        const Image image = Grab(r);
        int right = -1;
        for (int y = 0; y < image.height; ++y)
            for (int x = image.width - 25; x > right; --x)
                if ((image.At(x, y) >> 16 & 0xFF) + (image.At(x, y) >> 8 & 0xFF) + (image.At(x, y) & 0xFF) < 200) {
                    right = x;
                    break;
                }
        return right;
    };
    const int wide = tableRight();
    const RECT window = WindowRectOf(viewer.Form());
    const int midY = (window.top + window.bottom) / 2;
    Drag({window.right - 2, midY}, {window.right - 122, midY});
    viewer.Settle(600);
    j.Check(WindowRectOf(viewer.Form()).right < window.right - 100, "the window is narrower");
    const int narrow = tableRight();
    j.Check(wide > 0 && narrow > 0 && narrow < wide - 100,
            "the table shrinks with the pane: right edge " + std::to_string(wide) + " then " + std::to_string(narrow));
}

// Types `pattern` into the word search's pattern box; false when the box is not there.
bool TypeWordPattern(Journey& j, ViewerSession& viewer, HWND search, const std::wstring& pattern) {
    HWND box = ComboBoxIn(search);
    if (!j.Check(box != nullptr, "the pattern box is there")) return false;
    // The box gets the keys once a person has clicked into it.
    Click(Centre(WindowRectOf(box)));
    viewer.Settle(200);
    Type(pattern);
    viewer.Settle(300);
    return true;
}

TEST_F(Journeys, WildcardSearchFromTheMenuMarksTheHitsAndFindNextMovesOn) {
    Journey j(TestName());
    ViewerSession viewer(j);
    ASSERT_TRUE(viewer.Running());
    const std::vector<int> buttons = viewer.MenuButtons();
    ASSERT_TRUE(j.Check(buttons.size() == 5, "five menu buttons"));
    const Band start = viewer.SelectedBand();

    HWND search = OpenWordSearch(j, viewer, buttons[2]);
    ASSERT_NE(search, nullptr);
    // It stays on top: moved off the article by its caption, as a person would.
    const RECT at = WindowRectOf(search);
    const POINT caption{(at.left + at.right) / 2, at.top + GetSystemMetrics(SM_CYCAPTION) / 2 + 2};
    const RECT article = viewer.ArticleRect();
    Drag(caption, {caption.x, caption.y + (article.bottom + 10 - at.top)});
    viewer.Settle(300);

    j.Step("a pattern with * and ?, the words shown");
    ASSERT_TRUE(TypeWordPattern(j, viewer, search, L"?дрес*"));
    HWND show = ChildWithText(search, L"Показывать слова");
    HWND next = ChildWithText(search, L"Найти далее");
    ASSERT_TRUE(j.Check(show && next, "the window's box and button are there"));
    // A click gives the box the focus but under Wine does not check it; Space does.
    const RECT box = WindowRectOf(show);
    Click({box.left + 6, (box.top + box.bottom) / 2});
    Key(VK_SPACE);
    viewer.Settle(400);
    HWND words = FindWindowExW(search, nullptr, nullptr, nullptr);
    for (; words && SendMessageW(words, LB_GETCOUNT, 0, 0) <= 0; words = FindWindowExW(search, words, nullptr, nullptr)) {
    }
    j.Check(words != nullptr, "the found words are listed");

    j.Step("Find next: a term whose article holds such a word");
    Click(Centre(WindowRectOf(next)));
    viewer.Settle(700);
    const Band first = viewer.SelectedBand();
    j.Check(first.top != start.top, "the row moves");
    // The scheme's hit colour, 0xE05A00, marks the words in the article.
    const Image marked = Grab(viewer.ArticleRect());
    j.Check(ColourShare(marked, 0xE05A00) > 0, "the hits are marked in the hit colour");

    j.Step("Find next again");
    Click(Centre(WindowRectOf(next)));
    viewer.Settle(700);
    j.Check(viewer.SelectedBand().top != first.top, "the row moves on");
    j.Check(ColourShare(Grab(viewer.ArticleRect()), 0xE05A00) > 0, "that article's hits are marked too");
}

// Pixels of `colour` in `image` (taken of `at`) that lie outside `hidden`.
int PixelsOutside(const Image& image, const RECT& at, uint32_t colour, const RECT& hidden) {
    int n = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const POINT p{at.left + x, at.top + y};
            if (image.At(x, y) == colour && !PtInRect(&hidden, p)) ++n;
        }
    return n;
}

// A picture of a window state the journey reached, beside the failure pictures.
void Picture(const RECT& r, const std::wstring& name) { SavePng(r, WorkFolder() + L"\\..\\" + name + L".png"); }

TEST_F(Journeys, WordSearchShowsTheFirstHitClearOfItsWindow) {
    Journey j(TestName());
    ViewerSession viewer(j);
    ASSERT_TRUE(viewer.Running());
    const std::vector<int> buttons = viewer.MenuButtons();
    ASSERT_TRUE(j.Check(buttons.size() == 5, "five menu buttons"));

    HWND search = OpenWordSearch(j, viewer, buttons[2]);
    ASSERT_NE(search, nullptr);

    j.Step("a pattern that matches one word far down one long article");
    ASSERT_TRUE(TypeWordPattern(j, viewer, search, L"сертиф*"));

    j.Step("Find next: the article opens at its first hit");
    HWND next = ChildWithText(search, L"Найти далее");
    ASSERT_TRUE(j.Check(next != nullptr, "the find next button is there"));
    Click(Centre(WindowRectOf(next)));
    viewer.Settle(700);
    const RECT article = viewer.ArticleRect();
    const RECT dialog = WindowRectOf(search);
    // The scheme's hit colour, 0xE05A00, marks the word.
    j.Check(PixelsOutside(Grab(article), article, 0xE05A00, dialog) > 20,
            "the marked word is on screen, not under the search window");
    Picture(WindowRectOf(viewer.Form()), L"word-search-first-hit");
}

// The dropped list of a combo box, among the viewer's windows.
bool IsDroppedList(HWND wnd) {
    std::wstring name = ClassOf(wnd);
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towupper(c));
    return name.find(L"LBOX") != std::wstring::npos;
}

std::wstring ListItem(HWND list, int index, UINT lengthMessage, UINT textMessage) {
    const LRESULT length = SendMessageW(list, lengthMessage, index, 0);
    if (length < 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, textMessage, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

TEST_F(Journeys, AnotherSchemeDressesTheIntroductionAsARestartWould) {
    Journey j(TestName());
    // The introduction's text in the new scheme's text colour, as points: the
    // picture in the pane moves on its own and has none of that colour.
    constexpr uint32_t kOrangeText = 0x2A1A0A;
    const std::wstring kOrange = L"апельсин";
    auto textPoints = [](const ViewerSession& viewer) {
        const Image image = Grab(viewer.IntroPaneRect());
        std::vector<int> points;
        for (size_t i = 0; i < image.pixels.size(); ++i)
            if (image.pixels[i] == kOrangeText) points.push_back(static_cast<int>(i));
        return points;
    };
    std::vector<int> atOnce;
    {
        ViewerSession viewer(j);
        ASSERT_TRUE(viewer.Running());
        const std::vector<int> buttons = viewer.MenuButtons();
        ASSERT_TRUE(j.Check(buttons.size() == 5, "five menu buttons"));
        j.Check(textPoints(viewer).empty(), "the sea scheme's introduction has no orange text");

        j.Step("the service menu, a click on its first item");
        HWND menu = viewer.OpenMenuAt(buttons[3]);
        ASSERT_TRUE(j.Check(menu != nullptr, "the service menu opens"));
        // The first item's row starts at the top of the drop-down, under its frame.
        const RECT drop = WindowRectOf(menu);
        Click({(drop.left + drop.right) / 2, drop.top + std::min(10L, (drop.bottom - drop.top) / 2)});
        HWND dialog = viewer.WaitForWindow([](HWND w) { return ClassOf(w) == L"TFParam"; });
        ASSERT_TRUE(j.Check(dialog != nullptr, "the appearance dialog is shown"));
        viewer.Settle(200);

        j.Step("the orange scheme clicked in the scheme box's list");
        HWND scheme = ComboBoxIn(dialog);
        ASSERT_TRUE(j.Check(scheme != nullptr, "the scheme box is there"));
        Click(Centre(WindowRectOf(scheme)));
        HWND list = viewer.WaitForWindow(IsDroppedList);
        ASSERT_TRUE(j.Check(list != nullptr, "the box's list drops down"));
        viewer.Settle(200);
        int orange = -1;
        const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count && orange < 0; ++i)
            if (ListItem(list, i, LB_GETTEXTLEN, LB_GETTEXT) == kOrange) orange = i;
        ASSERT_TRUE(j.Check(orange >= 0, "the list offers the orange scheme"));
        RECT row{};
        SendMessageW(list, LB_GETITEMRECT, orange, reinterpret_cast<LPARAM>(&row));
        const RECT listOnScreen = ClientRectOnScreen(list);
        OffsetRect(&row, listOnScreen.left, listOnScreen.top);
        Click(Centre(row));
        j.Check(viewer.WaitUntilGone(list), "the list closes");
        viewer.Settle(200);
        const int chosen = static_cast<int>(SendMessageW(scheme, CB_GETCURSEL, 0, 0));
        ASSERT_TRUE(j.Check(ListItem(scheme, chosen, CB_GETLBTEXTLEN, CB_GETLBTEXT) == kOrange,
                            "the box shows the orange scheme"));

        j.Step("OK");
        HWND ok = ChildWithText(dialog, L"OK");
        ASSERT_TRUE(j.Check(ok != nullptr, "the OK button is there"));
        Click(Centre(WindowRectOf(ok)));
        j.Check(viewer.WaitUntilGone(dialog), "the dialog closes");
        viewer.Settle(600);
        atOnce = textPoints(viewer);
        j.Check(!atOnce.empty(), "the introduction is written in the new scheme's colour");
        Picture(WindowRectOf(viewer.Form()), L"scheme-changed-at-once");
        Keys({VK_MENU, VK_F4});
        j.Check(viewer.WaitForExit(), "the viewer ends");
    }
    j.Step("start again");
    ViewerSession again(j);
    ASSERT_TRUE(again.Running());
    again.Settle(400);
    // The same points: the same colour, size and place of every letter.
    j.Check(textPoints(again) == atOnce, "the introduction looks as it did before the restart");
    Picture(WindowRectOf(again.Form()), L"scheme-changed-after-restart");
}

}  // namespace
}  // namespace e2e

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
