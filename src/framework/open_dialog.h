// The open-file dialog over COMDLG32, its call behind a replaceable function
// like the other common dialogs, so tests answer for the user.
#pragma once

#include <functional>
#include <string>

#include "framework/dialogs.h"

namespace open_dialog_seams {

// Takes the OPENFILENAMEW the dialog filled in and returns what
// GetOpenFileNameW returns (the chosen name in its lpstrFile).
extern std::function<bool(void* openFileName)> ChooseOpenFile;
void Reset();

}  // namespace open_dialog_seams

enum TOpenOption : unsigned {
    ofReadOnly = 1u << 0,
    ofHideReadOnly = 1u << 1,
    ofPathMustExist = 1u << 2,
    ofFileMustExist = 1u << 3,
    ofNoChangeDir = 1u << 4,
};
using TOpenOptions = unsigned;

class TOpenDialog : public TCommonDialog {
public:
    explicit TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}

    // Code page 1251 texts. The filter is "Description|pattern|..." pairs.
    std::string Title;
    std::string Filter;
    std::string DefaultExt;
    std::string FileName;
    std::string InitialDir;
    int FilterIndex = 1;
    TOpenOptions Options = ofHideReadOnly;

    // True and FileName set when the user chose a file.
    bool Execute();
};
