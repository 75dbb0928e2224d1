#include "util/fileutil.h"

#include <algorithm>
#include <atomic>

#include "framework/application.h"
#include "framework/controls.h"
#include "framework/cp1251.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "util/progress.h"
#include "util/utilconst.h"

#include <commctrl.h>
#include <shlobj.h>

int CopyBufferSize = 8192;

namespace {

constexpr size_t kClassicPathLimit = 259;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool FitsCodePage(std::wstring_view s) {
    char unused = 0;
    return std::all_of(s.begin(), s.end(), [&](wchar_t c) { return WideCharToAnsiChar(c, unused); });
}

// A whole path for the caller: its short form when code page 1251 cannot hold it,
// empty when neither form fits (substitutes would read as wildcards).
std::string PathForCaller(const std::wstring& path) {
    if (FitsCodePage(path)) return WideToAnsi(path);
    const DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (n > 0) {
        std::wstring shortPath(n, L'\0');
        const DWORD written = GetShortPathNameW(path.c_str(), shortPath.data(), n);
        if (written > 0 && written < n) {
            shortPath.resize(written);
            if (FitsCodePage(shortPath)) return WideToAnsi(shortPath);
        }
    }
    return {};
}

// One element's name for the caller: its short name when the long one does not fit.
std::wstring ElementForCaller(const WIN32_FIND_DATAW& data, bool preferShort) {
    std::wstring longName = data.cFileName;
    std::wstring shortName = data.cAlternateFileName;
    if (shortName.empty()) shortName = longName;
    if (preferShort) return shortName;
    return FitsCodePage(longName) ? longName : shortName;
}

bool HasWildcards(std::wstring_view s) { return s.find_first_of(L"*?") != std::wstring_view::npos; }

struct FindHandle {
    HANDLE h = INVALID_HANDLE_VALUE;
    ~FindHandle() {
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
    }
};

struct FileHandle {
    HANDLE h = INVALID_HANDLE_VALUE;
    FileHandle() = default;
    explicit FileHandle(HANDLE handle) : h(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Close(); }
    void Close() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
    }
    bool Valid() const { return h != INVALID_HANDLE_VALUE; }
};

DWORD Attributes(const std::wstring& name) { return GetFileAttributesW(name.c_str()); }

bool IsDirAttr(DWORD attr) { return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY); }

std::wstring Upper(std::wstring s) {
    if (!s.empty()) CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

// The system's wildcards on a whole long name, ignoring case.
bool WildMatch(std::wstring_view pattern, std::wstring_view name) {
    if (pattern == L"*" || pattern == L"*.*") return true;
    size_t p = 0, n = 0, starP = std::wstring_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::wstring_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

// Directory part of a wide path including its separator ("" when none).
std::wstring WideDirPart(const std::wstring& path) {
    const size_t pos = path.find_last_of(L"\\/:");
    return pos == std::wstring::npos ? std::wstring() : path.substr(0, pos + 1);
}

bool SameIdentity(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    return GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

// Removes a link or junction itself, never what it points to. Where the system
// cannot address the link apart from its target (Wine resolves a host symbolic
// link and would delete the folder behind it), the link stays and this fails.
bool RemoveLink(const std::wstring& link) {
    FileHandle self(CreateFileW(link.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!self.Valid()) return false;
    FileHandle target(CreateFileW(link.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (target.Valid() && SameIdentity(self.h, target.h)) return false;
    target.Close();
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(self.h, FileDispositionInfo, &disposition, sizeof(disposition)) != FALSE;
}

bool ClearDirWide(const std::wstring& dir, bool deleteDir) {
    bool ok = true;
    {
        FindHandle find;
        WIN32_FIND_DATAW data;
        find.h = FindFirstFileW((dir + L"\\*").c_str(), &data);
        if (find.h != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring full = dir + L"\\" + name;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                    SetFileAttributesW(full.c_str(), data.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
                if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                    // A link or junction: remove the link itself, never what it points to.
                    if (!RemoveLink(full)) ok = false;
                } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    if (!ClearDirWide(full, true)) ok = false;
                } else if (!DeleteFileW(full.c_str())) {
                    ok = false;
                }
            } while (FindNextFileW(find.h, &data));
        }
    }
    if (deleteDir && ok) ok = RemoveDirectoryW(dir.c_str()) != 0;
    return ok;
}

bool IsBareDrive(std::string_view path) {
    return (path.size() == 2 && path[1] == ':') || (path.size() == 3 && path[1] == ':' && path[2] == '\\');
}

// The other task windows are disabled while a shell dialog runs, as a modal one would.
class TaskWindowsDisabled {
public:
    TaskWindowsDisabled() {
        EnumThreadWindows(GetCurrentThreadId(), &TaskWindowsDisabled::Collect, reinterpret_cast<LPARAM>(this));
        for (HWND w : windows_) EnableWindow(w, FALSE);
    }
    ~TaskWindowsDisabled() {
        for (HWND w : windows_) EnableWindow(w, TRUE);
    }
    TaskWindowsDisabled(const TaskWindowsDisabled&) = delete;
    TaskWindowsDisabled& operator=(const TaskWindowsDisabled&) = delete;

private:
    static BOOL CALLBACK Collect(HWND w, LPARAM self) {
        return CallGuarded(FALSE, [&] {
            if (IsWindowVisible(w) && IsWindowEnabled(w))
                reinterpret_cast<TaskWindowsDisabled*>(self)->windows_.push_back(w);
            return TRUE;
        });
    }
    std::vector<HWND> windows_;
};

class ComInit {
public:
    ComInit() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComInit() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;

private:
    HRESULT hr_;
};

std::wstring SpecialFolder(int csidl) {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE)) return {};
    return buffer;
}

bool SafeDisplayName(std::string_view displayName) {
    return !displayName.empty() && displayName.find_first_of("\\/") == std::string_view::npos &&
           displayName.find("..") == std::string_view::npos;
}

void SetProgress(TControl* control, bool (*setter)(TControl*, int64_t), int64_t value) {
    if (control) setter(control, value);
}

std::wstring TempNameBeside(const std::string& dest) {
    static std::atomic<unsigned> counter{0};
    return SystemFileName(dest + Format(".~%lx%x.tmp", GetCurrentProcessId(), counter++));
}

// A copy of CopyFileEx that never uses the shell.
void CopyThroughBuffer(std::string_view fileName, std::string dest, bool overwriteReadOnly, TControl* progress) {
    if (DirExists(dest)) dest = NormalDir(dest) + ExtractFileName(fileName);
    const std::wstring wideSource = SystemFileName(fileName);
    const std::wstring wideDest = SystemFileName(dest);
    // Writing a file over itself would empty it before reading it.
    if (IsSameFile(fileName, dest)) return;

    struct ProgressReset {
        TControl* control;
        ~ProgressReset() {
            try {
                SetProgress(control, SetProgressValue, 0);
            } catch (...) {
            }
        }
    } progressReset{progress};

    std::vector<char> buffer(static_cast<size_t>(std::max(CopyBufferSize, 1)));
    FileHandle source(CreateFileW(wideSource.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source.Valid()) throw EFOpenError(UtilMessage(utilconst::SFOpenError, std::string(fileName)));
    LARGE_INTEGER size{};
    GetFileSizeEx(source.h, &size);
    SetProgress(progress, SetProgressMax, size.QuadPart);
    SetProgress(progress, SetProgressMin, 0);
    SetProgress(progress, SetProgressValue, 0);

    ForceDirectories(ExtractFilePath(dest));
    const DWORD destAttr = Attributes(wideDest);
    const bool destReadOnly = destAttr != INVALID_FILE_ATTRIBUTES && (destAttr & FILE_ATTRIBUTE_READONLY);
    if (destReadOnly && !overwriteReadOnly) throw EFCreateError(UtilMessage(utilconst::SFCreateError, dest));
    // A failed copy gives the destination its attribute back below.
    if (destReadOnly) SetFileAttributesW(wideDest.c_str(), destAttr & ~FILE_ATTRIBUTE_READONLY);

    // The copy goes to a file beside the destination and takes its place only when
    // complete, so a failure leaves an existing destination as it was.
    const std::wstring temp = TempNameBeside(dest);
    FileHandle target(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target.Valid()) {
        if (destReadOnly) SetFileAttributesW(wideDest.c_str(), destAttr);
        throw EFCreateError(UtilMessage(utilconst::SFCreateError, dest));
    }
    try {
        int64_t copied = 0;
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(source.h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
                throw EReadError(LoadUtilString(utilconst::SReadError));
            DWORD put = 0;
            if (got > 0 && (!WriteFile(target.h, buffer.data(), got, &put, nullptr) || put != got))
                throw EWriteError(LoadUtilString(utilconst::SWriteError));
            copied += got;
            SetProgress(progress, SetProgressValue, copied);
            if (got < buffer.size()) break;
        }
        FILETIME created, accessed, written;
        if (GetFileTime(source.h, &created, &accessed, &written)) SetFileTime(target.h, nullptr, nullptr, &written);
        target.Close();
        source.Close();
        if (!MoveFileExW(temp.c_str(), wideDest.c_str(), MOVEFILE_REPLACE_EXISTING))
            throw EFCreateError(UtilMessage(utilconst::SFCreateError, dest));
    } catch (...) {
        target.Close();
        DeleteFileW(temp.c_str());
        if (destReadOnly) SetFileAttributesW(wideDest.c_str(), destAttr);
        throw;
    }
}

bool RunShellOperation(TFileOperation operation, std::string_view source, std::string_view dest, TFileOperFlags flags) {
    owned_ptr<TFileOperator> op(new TFileOperator(nullptr));
    op->Operation = operation;
    op->Source = std::string(source);
    op->Destination = std::string(dest);
    op->Options = flags;
    const bool ok = op->Execute();
    return ok && !op->Aborted();
}

// Names separated by ";" or "|", made absolute, as the shell's double-zero list.
std::wstring ShellNameList(std::string_view names) {
    std::wstring list;
    size_t start = 0;
    while (start <= names.size()) {
        size_t end = names.find_first_of(";|", start);
        if (end == std::string_view::npos) end = names.size();
        const std::string name = Trim(names.substr(start, end - start));
        if (!name.empty()) {
            const std::wstring wide = AnsiToWide(name);
            const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
            std::wstring full(n, L'\0');
            const DWORD written = n ? GetFullPathNameW(wide.c_str(), n, full.data(), nullptr) : 0;
            if (written > 0 && written < n) full.resize(written);
            else full = wide;
            list += full;
            list += L'\0';
        }
        start = end + 1;
    }
    list += L'\0';
    return list;
}

std::string ConvertPathElements(std::string_view path, bool toShort) {
    const std::wstring wide = AnsiToWide(path);
    if (wide.empty() || HasWildcards(wide)) return {};
    // The root stays as written: "C:\", "\\server\share\" or a leading "\".
    size_t rootEnd = 0;
    if (wide.size() >= 2 && wide[1] == L':') {
        rootEnd = 2;
        if (rootEnd < wide.size() && IsSeparator(wide[rootEnd])) ++rootEnd;
    } else if (wide.size() >= 2 && IsSeparator(wide[0]) && IsSeparator(wide[1])) {
        size_t seps = 0;
        rootEnd = 2;
        while (rootEnd < wide.size() && seps < 2) {
            if (IsSeparator(wide[rootEnd])) ++seps;
            ++rootEnd;
        }
    } else if (IsSeparator(wide[0])) {
        rootEnd = 1;
    }
    std::wstring result = wide.substr(0, rootEnd);
    size_t pos = rootEnd;
    while (pos < wide.size()) {
        size_t end = pos;
        while (end < wide.size() && !IsSeparator(wide[end])) ++end;
        const std::wstring element = wide.substr(pos, end - pos);
        if (element == L"." || element == L"..") {
            result += element;
        } else if (!element.empty()) {
            WIN32_FIND_DATAW data;
            FindHandle find;
            const std::wstring query = result + element;
            find.h = FindFirstFileW(ExtendedLengthForm(query).c_str(), &data);
            if (find.h == INVALID_HANDLE_VALUE) return {};
            result += ElementForCaller(data, toShort);
        }
        if (end < wide.size()) result += L'\\';
        pos = end + 1;
    }
    return FitsCodePage(result) ? WideToAnsi(result) : std::string();
}

std::string ConvertFileName(std::string_view name, bool toShort) {
    const std::wstring wide = AnsiToWide(name);
    if (wide.empty() || HasWildcards(wide)) return {};
    WIN32_FIND_DATAW data;
    FindHandle find;
    find.h = FindFirstFileW(SystemFileName(name).c_str(), &data);
    if (find.h == INVALID_HANDLE_VALUE) return {};
    const std::wstring result = WideDirPart(wide) + ElementForCaller(data, toShort);
    return FitsCodePage(result) ? WideToAnsi(result) : std::string();
}

}  // namespace

std::wstring ExtendedLengthForm(std::wstring_view path) {
    if (path.size() <= kClassicPathLimit || path.starts_with(L"\\\\?\\")) return std::wstring(path);
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]))
        return L"\\\\?\\UNC\\" + std::wstring(path.substr(2));
    return L"\\\\?\\" + std::wstring(path);
}

std::wstring SystemFileName(std::string_view name) {
    std::wstring wide = AnsiToWide(name);
    if (wide.size() <= kClassicPathLimit) return wide;
    const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return wide;
    std::wstring full(n, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
    if (written == 0 || written >= n) return wide;
    full.resize(written);
    return ExtendedLengthForm(full);
}

std::string NormalDir(std::string_view dirName) {
    std::string result(dirName);
    if (result.empty()) return result;
    const char c = result[0];
    if (result.size() == 1 && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return result + ":\\";
    if (result.back() != ':' && result.back() != '\\') result += '\\';
    return result;
}

std::string RemoveBackSlash(std::string_view dirName) {
    std::string result(dirName);
    if (result.empty() || result.back() != '\\') return result;
    if (result == "\\" || (result.size() == 3 && result[1] == ':')) return result;
    result.pop_back();
    return result;
}

bool DirExists(std::string_view path) {
    return !path.empty() && IsDirAttr(Attributes(SystemFileName(path)));
}

bool ForceDirectories(std::string_view path) {
    const std::string dir = RemoveBackSlash(path);
    if (dir.empty()) return false;
    if (DirExists(dir)) return true;
    // A drive ("C:") is never made; nor are "\\server" and "\\server\share".
    if (dir.size() <= 2 && dir.find(':') != std::string::npos) return false;
    if (dir.size() > 2 && dir[0] == '\\' && dir[1] == '\\') {
        const size_t serverEnd = dir.find('\\', 2);
        if (serverEnd == std::string::npos || dir.find('\\', serverEnd + 1) == std::string::npos) return false;
    }
    const std::string parent = RemoveBackSlash(ExtractFilePath(dir));
    if (!parent.empty() && parent != dir && !ForceDirectories(parent)) return false;
    if (CreateDirectoryW(SystemFileName(dir).c_str(), nullptr)) return true;
    return DirExists(dir);
}

void CopyFile(std::string_view fileName, std::string_view destName, TControl* progressControl) {
    CopyFileEx(fileName, destName, false, false, progressControl);
}

void CopyFileEx(std::string_view fileName, std::string_view destName, bool overwriteReadOnly, bool shellDialog,
                TControl* progressControl) {
    if (shellDialog) {
        if (!RunShellOperation(foCopy, fileName, destName, overwriteReadOnly ? TFileOperFlags{flNoConfirmation} : TFileOperFlags{0})) throw EAbort("");
        return;
    }
    CopyThroughBuffer(fileName, std::string(destName), overwriteReadOnly, progressControl);
}

bool IsSameFile(std::string_view name1, std::string_view name2) {
    auto identity = [](std::string_view name, BY_HANDLE_FILE_INFORMATION& info) {
        FileHandle h(CreateFileW(SystemFileName(name).c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return h.Valid() && GetFileInformationByHandle(h.h, &info);
    };
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    if (!identity(name1, a) || !identity(name2, b)) return false;
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

void MoveFile(std::string_view fileName, std::string_view destName) {
    std::string dest(destName);
    if (DirExists(dest)) dest = NormalDir(dest) + ExtractFileName(fileName);
    if (IsSameFile(fileName, dest)) return;
    const std::wstring wideSource = SystemFileName(fileName);
    const DWORD attr = Attributes(wideSource);
    const bool readOnly = attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY);
    if (readOnly) SetFileAttributesW(wideSource.c_str(), attr & ~FILE_ATTRIBUTE_READONLY);
    try {
        CopyFile(fileName, dest, nullptr);
    } catch (...) {
        if (readOnly) SetFileAttributesW(wideSource.c_str(), attr);
        throw;
    }
    if (!DeleteFileW(wideSource.c_str())) throw EInOutError(SysErrorMessage(GetLastError()));
}

void MoveFileEx(std::string_view fileName, std::string_view destName, bool shellDialog) {
    if (shellDialog) {
        if (!RunShellOperation(foMove, fileName, destName, flNoConfirmMkDir)) throw EAbort("");
        return;
    }
    MoveFile(fileName, destName);
}

int64_t GetFileSize(std::string_view fileName) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (fileName.empty() || !GetFileAttributesExW(SystemFileName(fileName).c_str(), GetFileExInfoStandard, &data))
        return -1;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

TDateTime FileDateTime(std::string_view fileName) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (fileName.empty() || !GetFileAttributesExW(SystemFileName(fileName).c_str(), GetFileExInfoStandard, &data))
        return 0;
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &st)) return 0;
    return EncodeDate(st.wYear, st.wMonth, st.wDay) + EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

bool HasAttr(std::string_view fileName, uint32_t attr) {
    const DWORD have = Attributes(SystemFileName(fileName));
    return have != INVALID_FILE_ATTRIBUTES && (have & attr) == attr;
}

bool DeleteFiles(std::string_view fileMask) {
    if (fileMask.empty()) return true;
    const std::wstring mask = SystemFileName(fileMask);
    const std::wstring dir = WideDirPart(mask);
    const std::wstring pattern = Upper(mask.substr(dir.size()));
    WIN32_FIND_DATAW data;
    FindHandle find;
    find.h = FindFirstFileW(mask.c_str(), &data);
    if (find.h == INVALID_HANDLE_VALUE) return true;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        // The search also matches generated short names ("INDE~1.HTM" for "*.htm").
        if (!WildMatch(pattern, Upper(data.cFileName))) continue;
        if (!DeleteFileW((dir + data.cFileName).c_str())) return false;
    } while (FindNextFileW(find.h, &data));
    return true;
}

bool DeleteFilesEx(const std::vector<std::string>& fileMasks) {
    for (const std::string& mask : fileMasks)
        if (!DeleteFiles(mask)) return false;
    return true;
}

bool ClearDir(std::string_view path, bool deleteDir) {
    if (path.empty()) return false;
    std::string dir = RemoveBackSlash(path);
    if (!DirExists(dir)) return false;
    const bool bareDrive = IsBareDrive(dir);
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    return ClearDirWide(SystemFileName(dir), deleteDir && !bareDrive);
}

std::string GetTempDir() {
    wchar_t buffer[1025] = {};
    const DWORD n = GetTempPathW(1024, buffer);
    return n > 0 && n <= 1024 ? PathForCaller(buffer) : std::string();
}

std::string GetWindowsDir() {
    wchar_t buffer[1025] = {};
    const UINT n = GetWindowsDirectoryW(buffer, 1024);
    return n > 0 && n <= 1024 ? PathForCaller(buffer) : std::string();
}

std::string GetSystemDir() {
    wchar_t buffer[1025] = {};
    const UINT n = GetSystemDirectoryW(buffer, 1024);
    return n > 0 && n <= 1024 ? PathForCaller(buffer) : std::string();
}

bool ValidFileName(std::string_view fileName) {
    if (fileName.empty() || fileName.find_first_of("<>\"[]|") != std::string_view::npos) return false;
    return ExtractFileName(fileName).find('\\') == std::string::npos;
}

uint32_t FileLock(void* handle, int32_t offset, int32_t length) {
    return FileLock(handle, int64_t{offset}, int64_t{length});
}

uint32_t FileUnlock(void* handle, int32_t offset, int32_t length) {
    return FileUnlock(handle, int64_t{offset}, int64_t{length});
}

uint32_t FileLock(void* handle, int64_t offset, int64_t length) {
    const auto o = static_cast<uint64_t>(offset), l = static_cast<uint64_t>(length);
    return LockFile(handle, static_cast<DWORD>(o), static_cast<DWORD>(o >> 32), static_cast<DWORD>(l),
                    static_cast<DWORD>(l >> 32))
               ? 0
               : GetLastError();
}

uint32_t FileUnlock(void* handle, int64_t offset, int64_t length) {
    const auto o = static_cast<uint64_t>(offset), l = static_cast<uint64_t>(length);
    return UnlockFile(handle, static_cast<DWORD>(o), static_cast<DWORD>(o >> 32), static_cast<DWORD>(l),
                      static_cast<DWORD>(l >> 32))
               ? 0
               : GetLastError();
}

std::string ShortToLongFileName(std::string_view shortName) { return ConvertFileName(shortName, false); }
std::string LongToShortFileName(std::string_view longName) { return ConvertFileName(longName, true); }
std::string ShortToLongPath(std::string_view shortPath) { return ConvertPathElements(shortPath, false); }
std::string LongToShortPath(std::string_view longPath) { return ConvertPathElements(longPath, true); }

bool CreateFileLink(std::string_view fileName, std::string_view displayName, int specialFolder) {
    if (!SafeDisplayName(displayName)) return false;
    const std::wstring folder = SpecialFolder(specialFolder);
    if (folder.empty()) return false;
    ComInit com;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    const std::wstring target = AnsiToWide(fileName);
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(WideDirPart(target).c_str());
    IPersistFile* file = nullptr;
    bool ok = false;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        const std::wstring linkName = folder + L"\\" + AnsiToWide(displayName) + L".lnk";
        ok = SUCCEEDED(file->Save(linkName.c_str(), TRUE));
        file->Release();
    }
    link->Release();
    return ok;
}

bool DeleteFileLink(std::string_view displayName, int specialFolder) {
    if (!SafeDisplayName(displayName)) return false;
    const std::wstring folder = SpecialFolder(specialFolder);
    if (folder.empty()) return false;
    return DeleteFileW((folder + L"\\" + AnsiToWide(displayName) + L".lnk").c_str()) != 0;
}

// TFileOperator

TFileOperator::TFileOperator(TComponent* AOwner) : TComponent(AOwner) {}

bool TFileOperator::Execute() {
    FAborted = false;
    if (Trim(Source).empty()) return false;
    static const UINT kFunctions[] = {FO_COPY, FO_DELETE, FO_MOVE, FO_RENAME};
    static const std::pair<TFileOperFlag, FILEOP_FLAGS> kFlags[] = {
        {flAllowUndo, FOF_ALLOWUNDO},           {flConfirmMouse, FOF_CONFIRMMOUSE},
        {flFilesOnly, FOF_FILESONLY},           {flMultiDest, FOF_MULTIDESTFILES},
        {flNoConfirmation, FOF_NOCONFIRMATION}, {flNoConfirmMkDir, FOF_NOCONFIRMMKDIR},
        {flRenameOnCollision, FOF_RENAMEONCOLLISION}, {flSilent, FOF_SILENT},
        {flSimpleProgress, FOF_SIMPLEPROGRESS}, {flNoErrorUI, FOF_NOERRORUI},
    };
    const std::wstring from = ShellNameList(Source);
    const std::wstring to = ShellNameList(Destination);
    const std::wstring title = AnsiToWide(ProgressTitle);
    SHFILEOPSTRUCTW op{};
    op.hwnd = GetActiveWindow();
    op.wFunc = kFunctions[Operation];
    op.pFrom = from.c_str();
    op.pTo = Operation == foDelete ? nullptr : to.c_str();
    for (const auto& [flag, system] : kFlags)
        if (Options & flag) op.fFlags |= system;
    op.lpszProgressTitle = title.c_str();
    int result = 0;
    {
        TaskWindowsDisabled disabled;
        result = SHFileOperationW(&op);
    }
    FAborted = op.fAnyOperationsAborted != FALSE;
    return result == 0 && !FAborted;
}

// TBrowseFolderDlg

struct BrowseCallbacks {
    static constexpr UINT_PTR kSubclassId = 1;
    static constexpr int kHelpCommand = 0xFFFF;

    static LRESULT CALLBACK DialogProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
        return CallGuarded(LRESULT{0}, [&]() -> LRESULT {
            auto* dlg = reinterpret_cast<TBrowseFolderDlg*>(ref);
            if (msg == WM_COMMAND && LOWORD(wp) == kHelpCommand && dlg->HelpContext != 0) {
                if (Application) Application->HelpContext(dlg->HelpContext);
                return 0;
            }
            if (msg == WM_NCDESTROY) RemoveWindowSubclass(w, &DialogProc, kSubclassId);
            return DefSubclassProc(w, msg, wp, lp);
        });
    }

    static void AddHelpButton(HWND w, TBrowseFolderDlg* dlg) {
        HWND first = FindWindowExW(w, nullptr, L"Button", nullptr);
        if (!first) return;
        RECT r;
        GetWindowRect(first, &r);
        MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
        const std::wstring caption = AnsiToWide(LoadUtilString(utilconst::SHelpButton));
        // Same size and line as the first button, at the dialog's left margin.
        HWND help = CreateWindowExW(0, L"Button", caption.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                    10, r.top, r.right - r.left, r.bottom - r.top, w,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHelpCommand)), GetModuleHandleW(nullptr),
                                    nullptr);
        if (help) SendMessageW(help, WM_SETFONT, SendMessageW(w, WM_GETFONT, 0, 0), TRUE);
        SetWindowSubclass(w, &DialogProc, kSubclassId, reinterpret_cast<DWORD_PTR>(dlg));
    }

    static int CALLBACK Callback(HWND w, UINT msg, LPARAM lp, LPARAM data) {
        return CallGuarded(0, [&] {
            auto* dlg = reinterpret_cast<TBrowseFolderDlg*>(data);
            dlg->FHandle = w;
            if (msg == BFFM_INITIALIZED) {
                if (dlg->Position == dpScreenCenter) {
                    RECT r;
                    GetWindowRect(w, &r);
                    const int width = r.right - r.left, height = r.bottom - r.top;
                    SetWindowPos(w, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                }
                if (dlg->BrowseKind == bfFolders && DirExists(dlg->FolderName)) {
                    const std::wstring path = AnsiToWide(dlg->FolderName);
                    SendMessageW(w, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
                }
                if (dlg->HelpContext != 0) AddHelpButton(w, dlg);
                if (dlg->OnInitialized) dlg->OnInitialized(dlg);
            } else if (msg == BFFM_SELCHANGED) {
                wchar_t path[MAX_PATH + 1] = {};
                const bool isPath = lp && SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(lp), path);
                dlg->FSelectedName = isPath ? PathForCaller(path) : std::string();
                if (dlg->BrowseKind == bfFolders)
                    SendMessageW(w, BFFM_ENABLEOK, 0, isPath && IsDirAttr(GetFileAttributesW(path)) ? TRUE : FALSE);
                if (dlg->OnSelChanged) dlg->OnSelChanged(dlg);
            }
            return 0;
        });
    }
};

TBrowseFolderDlg::TBrowseFolderDlg(TComponent* AOwner) : TComponent(AOwner) {}

bool TBrowseFolderDlg::Execute() {
    ComInit com;
    PIDLIST_ABSOLUTE root = nullptr;
    if (BrowseKind == bfComputers) SHGetSpecialFolderLocation(nullptr, CSIDL_NETWORK, &root);
    else if (!DesktopRoot) SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &root);
    wchar_t display[MAX_PATH + 1] = {};
    const std::wstring title = AnsiToWide(DialogText);
    BROWSEINFOW info{};
    info.hwndOwner = GetActiveWindow();
    info.pidlRoot = root;
    info.pszDisplayName = display;
    info.lpszTitle = title.c_str();
    info.ulFlags = BrowseKind == bfComputers ? BIF_BROWSEFORCOMPUTER : BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
    info.lpfn = &BrowseCallbacks::Callback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    PIDLIST_ABSOLUTE chosen = nullptr;
    {
        TaskWindowsDisabled disabled;
        chosen = SHBrowseForFolderW(&info);
    }
    FHandle = nullptr;
    if (root) CoTaskMemFree(root);
    if (!chosen) return false;
    FDisplayName = PathForCaller(display);
    FImageIndex = info.iImage;
    bool ok = true;
    if (BrowseKind == bfComputers) {
        FolderName = FDisplayName;
    } else {
        wchar_t path[MAX_PATH + 1] = {};
        ok = SHGetPathFromIDListW(chosen, path) != FALSE;
        if (ok) FolderName = RemoveBackSlash(PathForCaller(path));
    }
    CoTaskMemFree(chosen);
    return ok;
}

bool BrowseDirectory(std::string& folderName, std::string_view dialogText, int helpContext) {
    owned_ptr<TBrowseFolderDlg> dlg(new TBrowseFolderDlg(nullptr));
    dlg->BrowseKind = bfFolders;
    dlg->DialogText = std::string(dialogText);
    dlg->FolderName = folderName;
    dlg->HelpContext = helpContext;
    if (!dlg->Execute()) return false;
    folderName = dlg->FolderName;
    return true;
}

bool BrowseComputer(std::string& computerName, std::string_view dialogText, int helpContext) {
    owned_ptr<TBrowseFolderDlg> dlg(new TBrowseFolderDlg(nullptr));
    dlg->BrowseKind = bfComputers;
    dlg->DialogText = std::string(dialogText);
    dlg->FolderName = computerName;
    dlg->HelpContext = helpContext;
    if (!dlg->Execute()) return false;
    computerName = dlg->FolderName;
    return true;
}
