#include "shell_environment.h"

#include <gtest/gtest.h>

#include "framework/cp1251.h"
#include "framework/registry.h"
#include "framework/seams.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "shell/settings.h"
#include "support/test_support.h"

namespace shell_testing {

namespace {

std::vector<unsigned> gBroadcasts;

std::string MakeFontsFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    std::string folder = WideToAnsi(temp) + Format("shell-test-fonts-%lu", GetCurrentProcessId());
    CreateDirectoryW(AnsiToWide(folder).c_str(), nullptr);
    return folder;
}

class ShellEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        shell_settings::RegistryKeyRoot = testing_support::TestRegistryRoot() + "\\";
        shell_settings::FontsFolder = FontsFolder();
        seams::Broadcast = [](unsigned message, uintptr_t, intptr_t) { gBroadcasts.push_back(message); };
    }
    void TearDown() override {
        const std::wstring folder = AnsiToWide(FontsFolder());
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring file = folder + L"\\" + found.cFileName;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
                RemoveFontResourceW(file.c_str());
                DeleteFileW(file.c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(folder.c_str());
    }
};

[[maybe_unused]] ::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new ShellEnvironment);

}  // namespace

const std::string& FontsFolder() {
    static const std::string folder = MakeFontsFolder();
    return folder;
}

std::vector<unsigned>& Broadcasts() { return gBroadcasts; }

void DeleteSettings(const std::string& regKey) {
    TRegistry reg;
    reg.DeleteKey("\\" + shell_settings::WriteKey(regKey));
}

}  // namespace shell_testing
