#include "framework/open_dialog.h"

#include <algorithm>
#include <vector>

#include "framework/cp1251.h"
#include "framework/win.h"

namespace open_dialog_seams {

namespace {

bool RealGetOpenFileName(void* ofn) {
    return GetOpenFileNameW(static_cast<OPENFILENAMEW*>(ofn)) != FALSE;
}

}  // namespace

std::function<bool(void*)> ChooseOpenFile = RealGetOpenFileName;

void Reset() {
    ChooseOpenFile = RealGetOpenFileName;
}

}  // namespace open_dialog_seams

bool TOpenDialog::Execute() {
    // "A|b|C|d" becomes "A\0b\0C\0d\0\0".
    std::wstring filter = AnsiToWide(Filter);
    for (wchar_t& c : filter)
        if (c == L'|') c = L'\0';
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring initialName = AnsiToWide(FileName);
    initialName.copy(file.data(), std::min(initialName.size(), file.size() - 1));
    const std::wstring title = AnsiToWide(Title);
    const std::wstring ext = AnsiToWide(DefaultExt);
    const std::wstring dir = AnsiToWide(InitialDir);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = OwnerWindow();
    ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(FilterIndex);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = Title.empty() ? nullptr : title.c_str();
    ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : ext.c_str();
    ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : dir.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING;
    if (Options & ofReadOnly) ofn.Flags |= OFN_READONLY;
    if (Options & ofHideReadOnly) ofn.Flags |= OFN_HIDEREADONLY;
    if (Options & ofPathMustExist) ofn.Flags |= OFN_PATHMUSTEXIST;
    if (Options & ofFileMustExist) ofn.Flags |= OFN_FILEMUSTEXIST;
    if (Options & ofNoChangeDir) ofn.Flags |= OFN_NOCHANGEDIR;
    DoShow();
    const bool chosen = open_dialog_seams::ChooseOpenFile(&ofn);
    DoClose();
    if (!chosen) return false;
    FileName = WideToAnsi(file.data());
    FilterIndex = static_cast<int>(ofn.nFilterIndex);
    return true;
}
