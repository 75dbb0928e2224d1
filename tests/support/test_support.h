// Helpers shared by the test programs.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

// A fresh empty folder made current for the lifetime of the object; the shell
// and the document engine open files by relative name. The previous current
// folder comes back and the folder is removed at the end.
class TempWorkDir {
public:
    TempWorkDir();
    ~TempWorkDir();
    TempWorkDir(const TempWorkDir&) = delete;
    TempWorkDir& operator=(const TempWorkDir&) = delete;
    const std::string& Path() const { return path_; }  // code page 1251

private:
    std::string path_;
    std::string previous_;
};

// The user's decimal separator and the thread's locale set for the lifetime of
// the object, so that a test reading numbers or collating text behaves the
// same in any prefix; both come back at the end.
class ScopedLocale {
public:
    ScopedLocale(unsigned localeId, const wchar_t* decimalSeparator);
    ~ScopedLocale();
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    unsigned previousThreadLocale_;
    std::wstring previousDecimal_;
};
// Russian, as the dictionary's users have it: "," before the fraction.
inline constexpr unsigned kRussianLocale = 0x0419;

// A registry key under HKEY_CURRENT_USER unique to this test program run
// ("SOFTWARE\\dictionary-tests\\<pid>"), deleted with everything below it at exit.
const std::string& TestRegistryRoot();

// Writes bytes to a file (relative names land in the current folder).
void WriteFileBytes(const std::string& name, const std::string& bytes);
std::string ReadFileBytes(const std::string& name);

// The repository's folder and the build folder, from the test's environment;
// without it the build folder is the one above the test program's own, so that
// what a test writes stays in the build folder however it was started.
std::string SourceDir();
std::string BinaryDir();

// The sample dictionary that the test run's set-up step writes with
// tools/make_dictionary.py; empty when the step did not run.
std::string SampleDictionaryDir();
// Copies the sample dictionary (with its "schema" and "fonts" folders) into the
// current folder; false when there is none.
bool CopySampleDictionary();

// Message boxes are recorded instead of shown (answering IDOK, or the answer
// set with NextMessageBoxAnswer); tests read and clear the record.
struct ShownMessageBox {
    std::string text;     // code page 1251
    std::string caption;  // code page 1251
    unsigned flags;
};
void RecordMessageBoxes();
std::vector<ShownMessageBox>& ShownMessageBoxes();
void NextMessageBoxAnswer(int answer);

}  // namespace testing_support
