// A window with a frame viewer and Back/Forward buttons, for trying frame
// sets by hand. Never shipped.
//   frame_host.exe PAGE                 shows PAGE
//   frame_host.exe --demo DIR           writes the demo pages into DIR and shows them
//   frame_host.exe --shots DIR SHOOTER  writes the demo, then screenshots (with the
//                                       SHOOTER program) before a scripted link
//                                       click, after it and after Back; exits
#include <cstdio>
#include <string>

#include "framework/application.h"
#include "framework/cp1251.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "html/html_startup.h"
#include "images/png_image.h"
#include "framework/streams.h"
#include "viewer/frame_viewer.h"

namespace {

std::string Paragraphs(const std::string& topic, int count) {
    std::string html;
    for (int i = 1; i <= count; ++i)
        html += "<p>" + topic + ", paragraph " + std::to_string(i) +
                ". Terms are listed with their definitions, sources and related entries.</p>\n";
    return html;
}

void WriteDemo(const std::string& dir) {
    auto put = [&](const std::string& name, const std::string& text) {
        TFileStream file(dir + "\\" + name, fmCreate);
        file.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
    };
    put("index.htm",
        "<html><head><title>Frame demo</title></head>"
        "<frameset rows=\"64,*\">"
        "<frame name=\"banner\" src=\"banner.htm\" scrolling=\"no\" noresize>"
        "<frameset cols=\"180,*\">"
        "<frame name=\"contents\" src=\"contents.htm\">"
        "<frame name=\"main\" src=\"main.htm\">"
        "</frameset></frameset></html>");
    put("banner.htm",
        "<body bgcolor=\"#203060\" text=\"#FFFFFF\"><h2>Terminology demo</h2></body>");
    put("contents.htm",
        "<body bgcolor=\"#F0F0E0\"><h3>Contents</h3>"
        "<p><a href=\"chapter1.htm\" target=\"main\">Chapter 1</a></p>"
        "<p><a href=\"chapter2.htm\" target=\"article\">Chapter 2 (upper pane)</a></p>"
        "<p><a href=\"whole.htm\" target=\"_top\">Whole window</a></p>"
        "<p><a href=\"missing.htm\" target=\"notes\">Broken link</a></p></body>");
    put("main.htm",
        "<frameset rows=\"60%,*\">"
        "<frame name=\"article\" src=\"article.htm\">"
        "<frame name=\"notes\" src=\"notes.htm\">"
        "</frameset>");
    put("article.htm", "<h2>Article</h2>" + Paragraphs("Article", 30));
    put("notes.htm", "<h3>Notes</h3>" + Paragraphs("Note", 4));
    put("chapter1.htm", "<body bgcolor=\"#FFFFF0\"><h2>Chapter 1</h2>" + Paragraphs("Chapter 1", 25) + "</body>");
    put("chapter2.htm", "<h2>Chapter 2</h2>" + Paragraphs("Chapter 2", 25));
    put("whole.htm", "<h1>The whole window</h1><p><a href=\"index.htm\" target=\"_top\">Back to the frames</a></p>");
}

class THostForm : public TForm {
public:
    explicit THostForm(TComponent* owner) : TForm(owner) {
        SetCaption("Frame viewer");
        SetBounds(40, 40, 900, 640);
        FBar = new TPanel(this);
        FBar->SetParent(this);
        FBar->SetAlign(alTop);
        FBar->SetHeight(34);
        FBar->SetBevelOuter(bvNone);
        FBack = MakeButton("Back", 6);
        FForward = MakeButton("Forward", 92);
        FViewer = new TFrameViewer(this);
        FViewer->SetParent(this);
        FViewer->SetAlign(alClient);
        FViewer->SetHistoryMaxCount(50);
        FViewer->SetDefFontName("Arial");
        FViewer->SetDefFontSize(11);
        FViewer->OnHistoryChange = [this](TObject*) { UpdateButtons(); };
        FBack->OnClick = [this](TObject*) { FViewer->GoBack(); UpdateButtons(); };
        FForward->OnClick = [this](TObject*) { FViewer->GoFwd(); UpdateButtons(); };
        UpdateButtons();
    }

    TFrameViewer* Viewer() const { return FViewer; }

    void UpdateButtons() {
        FBack->SetEnabled(FViewer->BackButtonEnabled());
        FForward->SetEnabled(FViewer->FwdButtonEnabled());
    }

private:
    TButton* MakeButton(const std::string& caption, int left) {
        auto* button = new TButton(this);
        button->SetParent(FBar);
        button->SetCaption(caption);
        button->SetBounds(left, 4, 80, 26);
        return button;
    }

    TPanel* FBar = nullptr;
    TButton* FBack = nullptr;
    TButton* FForward = nullptr;
    TFrameViewer* FViewer = nullptr;
};

// Paths from the test run come as the host system's; Wine shows them on Z:.
std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
        for (char& c : path)
            if (c == '/') c = '\\';
    }
    return path;
}

void Pump(int ms) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    while (GetTickCount() < end) {
        Application->ProcessMessages();
        Sleep(10);
    }
}

bool Shoot(const std::string& shooter, const std::string& out) {
    std::wstring command = L"\"" + AnsiToWide(shooter) + L"\" \"" + AnsiToWide(out) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    WaitForSingleObject(pi.hProcess, 30000);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code == 0;
}

// The scripted visit: before a link click, after it and after Back.
int RunShots(THostForm* form, const std::string& dir, const std::string& shooter) {
    TFrameViewer* fv = form->Viewer();
    fv->LoadFromFile(dir + "\\index.htm");
    Pump(800);
    if (!Shoot(shooter, dir + "\\frames_1_start.png")) return 3;
    TPageViewer* contents = fv->ViewerFromTarget("contents");
    if (!contents) return 4;
    contents->SetHoverURL("chapter1.htm", "main");
    contents->UrlAction();
    form->UpdateButtons();
    Pump(800);
    if (!Shoot(shooter, dir + "\\frames_2_after_click.png")) return 3;
    if (!fv->ViewerFromTarget("main") || !fv->BackButtonEnabled()) return 5;
    fv->GoBack();
    form->UpdateButtons();
    Pump(800);
    if (!Shoot(shooter, dir + "\\frames_3_after_back.png")) return 3;
    if (!fv->ViewerFromTarget("article")) return 6;
    std::printf("screenshots: %s\\frames_*.png\n", dir.c_str());
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    InitializeForms();
    InitHtmlEngine();
    InitializePNGImage();
    int result = 0;
    try {
        int argc = 0;
        LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
        auto arg = [&](int i) { return i < argc ? WindowsPath(WideToAnsi(argv[i])) : std::string(); };
        Application->Initialize();
        auto* form = CreateForm<THostForm>();
        if (arg(1) == "--shots") {
            const std::string dir = ExpandFileName(arg(2));
            CreateDirectoryW(AnsiToWide(dir).c_str(), nullptr);
            WriteDemo(dir);
            form->Show();
            result = RunShots(form, dir, arg(3));
        } else {
            std::string page = arg(1);
            if (page == "--demo") {
                const std::string dir = ExpandFileName(arg(2).empty() ? "frame_demo" : arg(2));
                CreateDirectoryW(AnsiToWide(dir).c_str(), nullptr);
                WriteDemo(dir);
                page = dir + "\\index.htm";
            }
            if (!page.empty()) form->Viewer()->LoadFromFile(page);
            Application->Run();
        }
        LocalFree(argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "frame_host: %s\n", e.what());
        result = 2;
    }
    DoneHtmlEngine();
    return result;
}
