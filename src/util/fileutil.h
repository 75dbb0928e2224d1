// File and folder routines over code page 1251 names. Names go to the system's
// wide functions converted with code page 1251; names the system hands back that
// the code page cannot hold are given as the element's short name, which names the
// same file (never with substitute characters, which later calls would read as
// wildcards). Paths too long for the classic limit take the "\\?\" form.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/classes.h"
#include "framework/datetime.h"

class TControl;

// The read and write block of CopyFileEx.
extern int CopyBufferSize;

// "C:\x" -> "\\?\C:\x", "\\srv\share\x" -> "\\?\UNC\srv\share\x" for an absolute
// path over 259 characters; shorter paths and paths already in that form unchanged.
std::wstring ExtendedLengthForm(std::wstring_view absolutePath);
// The wide name the system is given for a code page 1251 name.
std::wstring SystemFileName(std::string_view name);

bool BrowseDirectory(std::string& folderName, std::string_view dialogText, int helpContext);
bool BrowseComputer(std::string& computerName, std::string_view dialogText, int helpContext);

std::string NormalDir(std::string_view dirName);
std::string RemoveBackSlash(std::string_view dirName);
bool DirExists(std::string_view path);
// True when the whole path exists afterwards; never creates a UNC server or share.
bool ForceDirectories(std::string_view path);

// Raise EFOpenError/EFCreateError/EInOutError; the destination is replaced only by
// a complete copy, and a copy of a file onto itself does nothing.
void CopyFile(std::string_view fileName, std::string_view destName, TControl* progressControl = nullptr);
void CopyFileEx(std::string_view fileName, std::string_view destName, bool overwriteReadOnly, bool shellDialog,
                TControl* progressControl = nullptr);
void MoveFile(std::string_view fileName, std::string_view destName);
void MoveFileEx(std::string_view fileName, std::string_view destName, bool shellDialog);
// Whether two names reach the same file (by volume and file index).
bool IsSameFile(std::string_view name1, std::string_view name2);

int64_t GetFileSize(std::string_view fileName);
TDateTime FileDateTime(std::string_view fileName);
bool HasAttr(std::string_view fileName, uint32_t attr);
bool DeleteFiles(std::string_view fileMask);
bool DeleteFilesEx(const std::vector<std::string>& fileMasks);
bool ClearDir(std::string_view path, bool deleteDir);
std::string GetTempDir();
std::string GetWindowsDir();
std::string GetSystemDir();
bool ValidFileName(std::string_view fileName);

// 0 on success, else the system's error code.
uint32_t FileLock(void* handle, int32_t offset, int32_t length);
uint32_t FileUnlock(void* handle, int32_t offset, int32_t length);
uint32_t FileLock(void* handle, int64_t offset, int64_t length);
uint32_t FileUnlock(void* handle, int64_t offset, int64_t length);

std::string ShortToLongFileName(std::string_view shortName);
std::string LongToShortFileName(std::string_view longName);
std::string ShortToLongPath(std::string_view shortPath);
std::string LongToShortPath(std::string_view longPath);

// specialFolder is a CSIDL value. Display names holding "\", "/" or ".." are refused.
bool CreateFileLink(std::string_view fileName, std::string_view displayName, int specialFolder);
bool DeleteFileLink(std::string_view displayName, int specialFolder);

// The shell's folder browser.
enum TBrowseKind { bfFolders, bfComputers };
enum TDialogPosition { dpDefault, dpScreenCenter };

class TBrowseFolderDlg : public TComponent {
public:
    explicit TBrowseFolderDlg(TComponent* AOwner);

    bool Execute();
    // The dialog's window while it runs (for OnInitialized and OnSelChanged).
    void* Handle() const { return FHandle; }
    const std::string& DisplayName() const { return FDisplayName; }
    const std::string& SelectedName() const { return FSelectedName; }
    int ImageIndex() const { return FImageIndex; }

    TBrowseKind BrowseKind = bfFolders;
    bool DesktopRoot = true;
    std::string DialogText;
    std::string FolderName;
    int HelpContext = 0;
    TDialogPosition Position = dpScreenCenter;
    TNotifyEvent OnInitialized;
    TNotifyEvent OnSelChanged;

private:
    friend struct BrowseCallbacks;
    void* FHandle = nullptr;
    std::string FDisplayName;
    std::string FSelectedName;
    int FImageIndex = 0;
};

// The shell's file operation.
enum TFileOperation { foCopy, foDelete, foMove, foRename };
enum TFileOperFlag : unsigned {
    flAllowUndo = 1u << 0,
    flConfirmMouse = 1u << 1,
    flFilesOnly = 1u << 2,
    flMultiDest = 1u << 3,
    flNoConfirmation = 1u << 4,
    flNoConfirmMkDir = 1u << 5,
    flRenameOnCollision = 1u << 6,
    flSilent = 1u << 7,
    flSimpleProgress = 1u << 8,
    flNoErrorUI = 1u << 9,
};
using TFileOperFlags = unsigned;

class TFileOperator : public TComponent {
public:
    explicit TFileOperator(TComponent* AOwner);

    // True on success; names in Source and Destination are separated by ";" or "|".
    bool Execute();
    bool Aborted() const { return FAborted; }

    std::string Destination;
    TFileOperation Operation = foCopy;
    TFileOperFlags Options = flAllowUndo | flNoConfirmMkDir;
    std::string ProgressTitle;
    std::string Source;

private:
    bool FAborted = false;
};
