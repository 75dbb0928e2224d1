#include "support/test_support.h"

#include <stdexcept>
#include <vector>

#include "framework/cp1251.h"
#include "framework/seams.h"
#include "framework/sysutils.h"
#include "framework/win.h"

namespace testing_support {
namespace {

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("GetTempPathW failed");
    return std::wstring(buffer, length);
}

// Unix paths from the test environment (ctest runs on the host) name the same
// folders through Wine's Z: drive.
std::string EnvironmentPath(const wchar_t* variable) {
    wchar_t buffer[4096];
    const DWORD length = GetEnvironmentVariableW(variable, buffer, 4096);
    if (length == 0 || length >= 4096) return {};
    std::string path = WideToAnsi(std::wstring_view(buffer, length));
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
        for (char& c : path)
            if (c == '/') c = '\\';
    }
    return ExcludeTrailingBackslash(path);
}

class RegistryRootCleaner {
public:
    explicit RegistryRootCleaner(std::wstring key) : key_(std::move(key)) {
        RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());  // a stale key of an earlier process
    }
    ~RegistryRootCleaner() {
        RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, L"SOFTWARE\\dictionary-tests");  // fails unless empty
    }

private:
    std::wstring key_;
};

}  // namespace

TempWorkDir::TempWorkDir() {
    static unsigned counter = 0;
    const std::wstring base = TempFolder();
    std::wstring folder;
    for (;;) {
        folder = base + AnsiToWide(Format("dvtest-%lu-%u-%llu", GetCurrentProcessId(), ++counter,
                                          static_cast<unsigned long long>(GetTickCount64())));
        if (CreateDirectoryW(folder.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("Cannot create a temporary folder");
    }
    path_ = WideToAnsi(folder);
    previous_ = GetCurrentDir();
    if (!SetCurrentDirectoryW(folder.c_str())) {
        RemoveTree(folder);
        throw std::runtime_error("Cannot enter the temporary folder");
    }
}

TempWorkDir::~TempWorkDir() {
    SetCurrentDirectoryW(AnsiToWide(previous_).c_str());
    RemoveTree(AnsiToWide(path_));
}

const std::string& TestRegistryRoot() {
    static const std::string root = Format("SOFTWARE\\dictionary-tests\\%lu", GetCurrentProcessId());
    static RegistryRootCleaner cleaner(AnsiToWide(root));
    return root;
}

void WriteFileBytes(const std::string& name, const std::string& bytes) {
    HANDLE file = CreateFileW(AnsiToWide(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("Cannot create " + name);
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) throw std::runtime_error("Cannot write " + name);
}

std::string ReadFileBytes(const std::string& name) {
    HANDLE file = CreateFileW(AnsiToWide(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("Cannot open " + name);
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

std::string SourceDir() { return EnvironmentPath(L"TEST_SOURCE_DIR"); }

std::string BinaryDir() {
    std::string dir = EnvironmentPath(L"TEST_BINARY_DIR");
    if (!dir.empty()) return dir;
    // Started by hand, the current folder may be the source tree: the build
    // folder is the one above the test programs' own (build/tests).
    wchar_t exe[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    dir = WideToAnsi(exe);
    for (int up = 0; up < 2 && dir.find_last_of("\\/") != std::string::npos; ++up)
        dir.erase(dir.find_last_of("\\/"));
    return dir;
}

std::string SampleDictionaryDir() { return EnvironmentPath(L"TEST_DICTIONARY_DIR"); }

namespace {

void CopyTree(const std::wstring& from, const std::wstring& to) {
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((from + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(from + L"\\" + name, to + L"\\" + name);
        else
            CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

bool CopySampleDictionary() {
    std::string dir = SampleDictionaryDir();
    if (dir.empty() || !DirectoryExists(dir)) return false;
    CopyTree(AnsiToWide(dir), L".");
    return FileExists("voc.ind");
}

}  // namespace testing_support

namespace testing_support {

namespace {
std::vector<ShownMessageBox> gShown;
int gNextAnswer = 0;
}  // namespace

void RecordMessageBoxes() {
    seams::MessageBox = [](void*, const std::string& text, const std::string& caption, unsigned flags) {
        gShown.push_back({text, caption, flags});
        int answer = gNextAnswer ? gNextAnswer : 1;  // IDOK
        gNextAnswer = 0;
        return answer;
    };
}

std::vector<ShownMessageBox>& ShownMessageBoxes() {
    return gShown;
}

void NextMessageBoxAnswer(int answer) {
    gNextAnswer = answer;
}

}  // namespace testing_support

namespace testing_support {

ScopedLocale::ScopedLocale(unsigned localeId, const wchar_t* decimalSeparator)
    : previousThreadLocale_(GetThreadLocale()) {
    wchar_t buffer[8] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8);
    previousDecimal_ = buffer;
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimalSeparator);
    SetThreadLocale(MAKELCID(localeId, SORT_DEFAULT));
}

ScopedLocale::~ScopedLocale() {
    SetThreadLocale(previousThreadLocale_);
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, previousDecimal_.c_str());
}

}  // namespace testing_support
