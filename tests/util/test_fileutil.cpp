#include "util/fileutil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/cp1251.h"
#include "framework/sysutils.h"
#include "framework/typinfo.h"
#include "framework/win.h"

#include <shlobj.h>
#include "support/test_support.h"
#include "util/progress.h"
#include "util/utilconst.h"

#undef CopyFile
#undef MoveFile

using testing_support::ReadFileBytes;
using testing_support::TempWorkDir;
using testing_support::WriteFileBytes;

namespace {

std::string A(const char* utf8) { return Utf8ToAnsi(utf8); }

// Names in a folder as the system holds them (UTF-8, sorted by the search).
std::vector<std::string> Listing(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW((AnsiToWide(dir) + L"\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(WideToUtf8(name));
    } while (FindNextFileW(h, &data));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

// Records what the copy tells its progress control.
class TRecorder : public TControl {
public:
    using TControl::TControl;
    std::vector<std::string> Events;
    int64_t FailAbove = -1;  // a position past this raises, as a failing read would
};

const TClassInfo kRecorderInfo{
    "TRecorder",
    nullptr,
    {
        {"Max", tkInteger, nullptr,
         [](TObject* o, int64_t v) { static_cast<TRecorder*>(o)->Events.push_back("max " + std::to_string(v)); }},
        {"Min", tkInteger, nullptr,
         [](TObject* o, int64_t v) { static_cast<TRecorder*>(o)->Events.push_back("min " + std::to_string(v)); }},
        {"Position", tkInteger, nullptr,
         [](TObject* o, int64_t v) {
             auto* r = static_cast<TRecorder*>(o);
             r->Events.push_back(std::to_string(v));
             if (r->FailAbove >= 0 && v > r->FailAbove) throw EReadError("Stream read error");
         }},
    }};

class FileutilTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterClassInfo(typeid(TRecorder), &kRecorderInfo);
        RegisterProgressControl<TRecorder>("Max", "Min", "Position");
    }
    void TearDown() override { UnRegisterProgressControl<TRecorder>(); }
    TempWorkDir work_;
};

TEST(FileutilNames, DirectoryNamesAndValidity) {
    EXPECT_EQ(NormalDir("C"), "C:\\");
    EXPECT_EQ(NormalDir("C:"), "C:");
    EXPECT_EQ(NormalDir("C:\\x"), "C:\\x\\");
    EXPECT_EQ(NormalDir("C:\\x\\"), "C:\\x\\");
    EXPECT_EQ(NormalDir(""), "");
    EXPECT_EQ(RemoveBackSlash("C:\\"), "C:\\");
    EXPECT_EQ(RemoveBackSlash("C:\\x\\"), "C:\\x");
    EXPECT_EQ(RemoveBackSlash("C:\\x"), "C:\\x");
    EXPECT_EQ(RemoveBackSlash("\\"), "\\");
    for (const char* bad : {"", "a<b", "a>b", "a\"b", "a[b", "a]b", "a|b"}) EXPECT_FALSE(ValidFileName(bad)) << bad;
    for (const char* good : {"a.txt", "C:\\dir\\a.txt", "a b;c"}) EXPECT_TRUE(ValidFileName(good)) << good;
}

TEST(FileutilNames, LongPathsTakeTheExtendedForm) {
    const std::wstring deep = L"C:\\" + std::wstring(300, L'x');
    EXPECT_EQ(ExtendedLengthForm(deep), L"\\\\?\\" + deep);
    EXPECT_EQ(ExtendedLengthForm(L"\\\\srv\\share\\" + std::wstring(300, L'y')),
              L"\\\\?\\UNC\\srv\\share\\" + std::wstring(300, L'y'));
    EXPECT_EQ(ExtendedLengthForm(L"C:\\short"), L"C:\\short");
    EXPECT_EQ(ExtendedLengthForm(L"\\\\?\\" + deep), L"\\\\?\\" + deep);
    EXPECT_EQ(ExtendedLengthForm(std::wstring(259, L'z')), std::wstring(259, L'z'));
}

TEST_F(FileutilTest, CyrillicTreeSurvivesEveryRoutine) {
    const std::string dir = work_.Path() + "\\" + A("папка\\вложенная");
    ASSERT_TRUE(ForceDirectories(dir));
    ASSERT_TRUE(DirExists(dir));
    const std::string file = dir + "\\" + A("файл.txt");
    WriteFileBytes(file, "содержимое");
    EXPECT_EQ(GetFileSize(file), 20);
    EXPECT_EQ(GetFileSize(dir), -1);
    EXPECT_EQ(GetFileSize(dir + "\\missing"), -1);
    EXPECT_NE(FileDateTime(file), 0.0);
    EXPECT_EQ(FileDateTime(dir + "\\missing"), 0.0);
    EXPECT_TRUE(HasAttr(dir, FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FALSE(HasAttr(file, FILE_ATTRIBUTE_READONLY));

    const std::string copy = dir + "\\" + A("копия.txt");
    CopyFile(file, copy);
    EXPECT_EQ(ReadFileBytes(copy), "содержимое");
    EXPECT_NEAR(FileDateTime(copy), FileDateTime(file), 2.0 / 86400);
    CopyFile(file, work_.Path() + "\\" + A("папка"));  // into a folder
    EXPECT_EQ(ReadFileBytes(work_.Path() + "\\" + A("папка\\файл.txt")), "содержимое");
    MoveFile(copy, dir + "\\" + A("перенос.txt"));
    EXPECT_EQ(Listing(dir), (std::vector<std::string>{"перенос.txt", "файл.txt"}));
    EXPECT_EQ(ShortToLongPath(dir + "\\" + A("файл.txt")), file);
    EXPECT_EQ(ShortToLongFileName(file), file);

    EXPECT_TRUE(DeleteFiles(dir + "\\" + A("пер*.txt")));
    EXPECT_EQ(Listing(dir), (std::vector<std::string>{"файл.txt"}));
    SetFileAttributesW(AnsiToWide(file).c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(ClearDir(work_.Path() + "\\" + A("папка"), true));
    EXPECT_TRUE(Listing(work_.Path()).empty());
}

TEST_F(FileutilTest, CopiesReportEachBlockAndEndAtZero) {
    struct Case {
        int size;
        std::vector<std::string> events;
    } cases[] = {
        {0, {"max 0", "min 0", "0", "0", "0"}},
        {8191, {"max 8191", "min 0", "0", "8191", "0"}},
        {8192, {"max 8192", "min 0", "0", "8192", "8192", "0"}},  // the second read returns nothing
        {8193, {"max 8193", "min 0", "0", "8192", "8193", "0"}},
    };
    for (const Case& c : cases) {
        std::string bytes(c.size, '\0');
        for (int i = 0; i < c.size; ++i) bytes[i] = static_cast<char>(i * 7);
        WriteFileBytes("src.bin", bytes);
        owned_ptr<TRecorder> recorder(new TRecorder(nullptr));
        CopyFile("src.bin", "dst.bin", recorder.get());
        EXPECT_EQ(recorder->Events, c.events) << c.size;
        EXPECT_EQ(ReadFileBytes("dst.bin"), bytes) << c.size;
    }
}

TEST_F(FileutilTest, CopyOntoItselfKeepsTheContent) {
    WriteFileBytes("a.txt", "keep me");
    const std::string shortName = LongToShortFileName(work_.Path() + "\\a.txt");
    for (const std::string& same : {std::string(".\\A.TXT"), work_.Path() + "\\a.txt", shortName}) {
        CopyFile("a.txt", same);
        EXPECT_EQ(ReadFileBytes("a.txt"), "keep me") << same;
    }
    MoveFile("a.txt", "A.TXT");
    EXPECT_EQ(ReadFileBytes("a.txt"), "keep me");
    EXPECT_TRUE(IsSameFile("a.txt", ".\\A.txt"));
    WriteFileBytes("b.txt", "other");
    EXPECT_FALSE(IsSameFile("a.txt", "b.txt"));
}

TEST_F(FileutilTest, AFailedCopyLeavesTheOldDestination) {
    WriteFileBytes("src.bin", std::string(20000, 'n'));
    WriteFileBytes("dst.bin", "old");
    owned_ptr<TRecorder> recorder(new TRecorder(nullptr));
    recorder->FailAbove = 8192;  // fails after the second block
    EXPECT_THROW(CopyFile("src.bin", "dst.bin", recorder.get()), EReadError);
    EXPECT_TRUE(ReadFileBytes("dst.bin") == "old");
    EXPECT_EQ(Listing(work_.Path()), (std::vector<std::string>{"dst.bin", "src.bin"}));
    EXPECT_EQ(recorder->Events, (std::vector<std::string>{"max 20000", "min 0", "0", "8192", "16384", "0"}));
}

TEST_F(FileutilTest, ReadOnlyDestinationsAndMessages) {
    WriteFileBytes("src.txt", "new");
    WriteFileBytes("ro.txt", "old");
    SetFileAttributesW(L"ro.txt", FILE_ATTRIBUTE_READONLY);
    try {
        CopyFileEx("src.txt", "ro.txt", false, false);
        ADD_FAILURE();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message, "Cannot create file ro.txt");
    }
    EXPECT_EQ(ReadFileBytes("ro.txt"), "old");
    // A failed copy over it with the flag keeps it read-only.
    WriteFileBytes("big.txt", std::string(10000, 'b'));
    owned_ptr<TRecorder> failing(new TRecorder(nullptr));
    failing->FailAbove = 0;
    EXPECT_THROW(CopyFileEx("big.txt", "ro.txt", true, false, failing.get()), EReadError);
    EXPECT_TRUE(HasAttr("ro.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ReadFileBytes("ro.txt"), "old");
    CopyFileEx("src.txt", "ro.txt", true, false);
    EXPECT_EQ(ReadFileBytes("ro.txt"), "new");
    try {
        CopyFile("missing.txt", "x.txt");
        ADD_FAILURE();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message, "Cannot open file missing.txt");
    }
    // A read-only source moves, and a failed move keeps it read-only.
    WriteFileBytes("ro-src.txt", "ro");
    SetFileAttributesW(L"ro-src.txt", FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(L"ro.txt", FILE_ATTRIBUTE_READONLY);
    EXPECT_THROW(MoveFile("ro-src.txt", "ro.txt"), EFCreateError);
    EXPECT_TRUE(HasAttr("ro-src.txt", FILE_ATTRIBUTE_READONLY));
    MoveFile("ro-src.txt", "moved.txt");
    EXPECT_FALSE(FileExists("ro-src.txt"));
    EXPECT_EQ(ReadFileBytes("moved.txt"), "ro");
    SetFileAttributesW(L"ro.txt", FILE_ATTRIBUTE_NORMAL);
}

// The host's name of a Windows path under Wine; empty elsewhere.
std::wstring HostName(const std::string& path) {
    using UnixName = char* (*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(AnsiToWide(path).c_str()) : nullptr;
    if (!name) return {};
    std::wstring result = Utf8ToWide(name);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Runs a program of the host (Wine starts its executables directly).
bool RunHost(const wchar_t* program, std::wstring commandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

// Wine shows a host symbolic link to a folder as a directory with the reparse
// attribute; links made from inside Wine do not exist, so the host makes this one.
bool MakeHostFolderLink(const std::string& target, const std::string& link) {
    const std::wstring hostTarget = HostName(target), hostLink = HostName(link);
    if (hostTarget.empty() || hostLink.empty()) return false;
    if (!RunHost(L"Z:\\bin\\ln", L"ln -s \"" + hostTarget + L"\" \"" + hostLink + L"\"")) return false;
    // The host's program may outlive the handle Wine gives for it.
    for (int i = 0; i < 100 && !HasAttr(link, FILE_ATTRIBUTE_DIRECTORY); ++i) Sleep(50);
    return HasAttr(link, FILE_ATTRIBUTE_REPARSE_POINT);
}

void RemoveHostLink(const std::string& link) {
    const std::wstring hostLink = HostName(link);
    if (hostLink.empty() || !RunHost(L"Z:\\bin\\rm", L"rm -f \"" + hostLink + L"\"")) return;
    for (int i = 0; i < 100 && HasAttr(link, 0); ++i) Sleep(50);
}

TEST_F(FileutilTest, ClearDirNeverClearsWhatALinkPointsTo) {
    for (const bool targetEmpty : {false, true}) {
        const std::string kept = work_.Path() + (targetEmpty ? "\\empty" : "\\kept");
        const std::string cleared = work_.Path() + "\\cleared";
        ForceDirectories(kept);
        if (!targetEmpty) WriteFileBytes(kept + "\\precious.txt", "x");
        ForceDirectories(cleared + "\\sub");
        WriteFileBytes(cleared + "\\sub\\a.txt", "a");
        if (!MakeHostFolderLink(kept, cleared + "\\link")) GTEST_SKIP() << "the host could not make a folder link";
        const bool done = ClearDir(cleared, true);
        // Wine cannot remove the link without reaching its target, so the link stays.
        EXPECT_EQ(done, !DirExists(cleared));
        EXPECT_FALSE(DirExists(cleared + "\\sub"));
        EXPECT_TRUE(DirExists(kept)) << targetEmpty;
        if (!targetEmpty) {
            EXPECT_TRUE(ReadFileBytes(kept + "\\precious.txt") == "x");
        }
        RemoveHostLink(cleared + "\\link");
        ClearDir(cleared, true);
    }
}

TEST_F(FileutilTest, DeletingStaysInsideTheMask) {
    WriteFileBytes("a.htm", "");
    WriteFileBytes("index.html", "");
    CreateDirectoryW(L"dir.htm", nullptr);
    EXPECT_TRUE(DeleteFiles("*.htm"));
    EXPECT_EQ(Listing(work_.Path()), (std::vector<std::string>{"dir.htm", "index.html"}));
    EXPECT_TRUE(DeleteFiles(""));
    EXPECT_FALSE(ClearDir("", true));
    EXPECT_EQ(Listing(work_.Path()).size(), 2u);
    WriteFileBytes("b.txt", "");
    EXPECT_TRUE(DeleteFilesEx({"*.html", "*.txt"}));
    EXPECT_EQ(Listing(work_.Path()), (std::vector<std::string>{"dir.htm"}));
}

TEST_F(FileutilTest, ForceDirectoriesReportsTheWholePath) {
    EXPECT_TRUE(ForceDirectories("a\\b\\c\\"));
    EXPECT_TRUE(DirExists("a\\b\\c"));
    // A name of one or two characters is made like any other; a drive is not.
    for (const char* name : {"x", "yz", "q\\"}) {
        EXPECT_TRUE(ForceDirectories(name)) << name;
        EXPECT_TRUE(DirExists(name)) << name;
    }
    EXPECT_FALSE(ForceDirectories("Q:"));
    WriteFileBytes("file", "");
    EXPECT_FALSE(ForceDirectories("file\\sub"));
    EXPECT_FALSE(ForceDirectories("\\\\nosuchserver\\share"));
}

TEST_F(FileutilTest, DeepTreesTakeTheExtendedForm) {
    std::string dir = work_.Path();
    while (dir.size() < 440) dir += "\\" + A("глубже");
    ASSERT_TRUE(ForceDirectories(dir));
    WriteFileBytes("src.txt", "deep");
    const std::string target = dir + "\\" + A("файл.txt");
    ASSERT_GT(target.size(), 459u - 20);
    CopyFile("src.txt", target);
    EXPECT_EQ(GetFileSize(target), 4);
    EXPECT_TRUE(ClearDir(work_.Path() + "\\" + A("глубже"), true));
    EXPECT_EQ(Listing(work_.Path()), (std::vector<std::string>{"src.txt"}));
}

TEST_F(FileutilTest, NamesOutsideTheCodePageComeBackShort) {
    const std::wstring wide = AnsiToWide(work_.Path()) + L"\\\u03b1\u03b2\u03b3-long-name.txt";
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    wchar_t shortName[MAX_PATH];
    ASSERT_GT(GetShortPathNameW(wide.c_str(), shortName, MAX_PATH), 0u);
    const std::string name = ShortToLongFileName(WideToAnsi(shortName));
    EXPECT_EQ(name.find('?'), std::string::npos) << name;
    EXPECT_EQ(GetFileSize(name), 0);
    EXPECT_EQ(ShortToLongPath(name), work_.Path() + "\\" + ExtractFileName(name));
    WriteFileBytes("plain.txt", "");
    EXPECT_TRUE(DeleteFiles(work_.Path() + "\\*-long-name.txt"));
    EXPECT_EQ(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Listing(work_.Path()), (std::vector<std::string>{"plain.txt"}));
}

TEST_F(FileutilTest, LinksAreMadeInTheSpecialFolder) {
    WriteFileBytes("target.txt", "");
    const std::string display = A("ссылка для теста");
    ASSERT_TRUE(CreateFileLink(work_.Path() + "\\target.txt", display, CSIDL_FAVORITES));
    wchar_t folder[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, folder, CSIDL_FAVORITES, FALSE));
    const std::wstring link = std::wstring(folder) + L"\\" + AnsiToWide(display) + L".lnk";
    EXPECT_NE(GetFileAttributesW(link.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(DeleteFileLink(display, CSIDL_FAVORITES));
    EXPECT_EQ(GetFileAttributesW(link.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileutilTest, LinksWithPathsInTheirNamesAreRefused) {
    for (const char* name : {"..\\x", "a/b", "a\\b", "..", ""}) {
        EXPECT_FALSE(CreateFileLink("C:\\windows\\notepad.exe", name, CSIDL_FAVORITES)) << name;
        EXPECT_FALSE(DeleteFileLink(name, CSIDL_FAVORITES)) << name;
    }
}

TEST_F(FileutilTest, FileOperatorCopiesAndDeletesListedNames) {
    WriteFileBytes("one.txt", "1");
    WriteFileBytes("two.txt", "2");
    CreateDirectoryW(L"out", nullptr);
    owned_ptr<TFileOperator> op(new TFileOperator(nullptr));
    EXPECT_FALSE(op->Execute());  // no source: nothing to do
    op->Source = "one.txt;two.txt";
    op->Destination = "out";
    op->Options = flSilent | flNoConfirmation | flNoErrorUI;
    EXPECT_TRUE(op->Execute());
    EXPECT_FALSE(op->Aborted());
    EXPECT_EQ(Listing(work_.Path() + "\\out"), (std::vector<std::string>{"one.txt", "two.txt"}));
    op->Operation = foDelete;
    op->Source = "out\\one.txt|out\\two.txt";
    EXPECT_TRUE(op->Execute());
    EXPECT_TRUE(Listing(work_.Path() + "\\out").empty());
}

}  // namespace

namespace {

TEST_F(FileutilTest, BrowseFolderDialogReturnsTheSelectedFolder) {
    // A folder that existed before the run: the shell's tree under Wine may not yet
    // show one made a moment ago.
    const std::string folder = GetWindowsDir();
    for (int helpContext : {0, 77}) {
        owned_ptr<TBrowseFolderDlg> dlg(new TBrowseFolderDlg(nullptr));
        dlg->FolderName = folder;
        dlg->DialogText = A("Выберите папку");
        dlg->HelpContext = helpContext;
        bool hadHelpButton = false;
        bool closing = false;
        // OK once the tree shows the folder; Cancel if it never does.
        auto closeWhenSelected = [&] {
            if (closing || dlg->SelectedName() != folder) return;
            closing = true;
            PostMessageW(static_cast<HWND>(dlg->Handle()), WM_COMMAND, IDOK, 0);
        };
        dlg->OnInitialized = [&](TObject*) {
            HWND h = static_cast<HWND>(dlg->Handle());
            hadHelpButton = GetDlgItem(h, 0xFFFF) != nullptr;
            SetTimer(h, 1, 5000, [](HWND w, UINT, UINT_PTR, DWORD) { PostMessageW(w, WM_COMMAND, IDCANCEL, 0); });
            closeWhenSelected();
        };
        dlg->OnSelChanged = [&](TObject*) { closeWhenSelected(); };
        ASSERT_TRUE(dlg->Execute()) << helpContext << " " << dlg->SelectedName();
        EXPECT_EQ(dlg->FolderName, folder);
        EXPECT_EQ(hadHelpButton, helpContext != 0);
        EXPECT_EQ(dlg->Handle(), nullptr);
    }
}

}  // namespace

namespace {

TEST(UtilStrings, TheMessagesComeFromTheStringTable) {
    EXPECT_EQ(LoadUtilString(utilconst::SReadError), "Stream read error");
    EXPECT_EQ(LoadUtilString(utilconst::SWriteError), "Stream write error");
    EXPECT_EQ(LoadUtilString(utilconst::SHelpButton), "&Help");
    EXPECT_EQ(UtilMessage(utilconst::SFOpenError, "a.txt"), "Cannot open file a.txt");
    EXPECT_EQ(UtilMessage(utilconst::SFCreateError, "100%s"), "Cannot create file 100%s");
    EXPECT_EQ(LoadUtilString(1), "") << "an id the table lacks";
}

TEST(UtilCursors, TheDrawnCursorsLoadAndInstallOnlyWhenPresent) {
    // The drawn data makes cursors (when the test knows where the sources are).
    for (const char* name : {"util_hand.bin", "util_drag.bin"}) {
        if (testing_support::SourceDir().empty()) break;
        std::string data = ReadFileBytes(testing_support::SourceDir() + "\\resources\\" + name);
        HCURSOR cursor = CreateIconFromResourceEx(reinterpret_cast<PBYTE>(data.data()), static_cast<DWORD>(data.size()),
                                                  FALSE, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
        EXPECT_NE(cursor, nullptr) << name;
        if (cursor) DestroyCursor(cursor);
    }
    // With the resources linked in, 14000 and 14001 become ours; without, the
    // screen's list stays as it was.
    const bool linked = FindResourceW(GetModuleHandleW(nullptr), L"UTIL_HANDCUR", MAKEINTRESOURCEW(10)) != nullptr;
    const HICON handBefore = ScreenCursor(UtilHandCursor);
    const HICON dragBefore = ScreenCursor(UtilDragCursor);
    InstallUtilCursors();
    EXPECT_EQ(ScreenCursor(UtilHandCursor) != handBefore, linked);
    EXPECT_EQ(ScreenCursor(UtilDragCursor) != dragBefore, linked);
}

}  // namespace
