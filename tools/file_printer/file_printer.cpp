// Registers or removes the PostScript file printer of the run command.
//   file_printer.exe add PORT_FILE     (the port file in the platform's form)
//   file_printer.exe remove
#include <cstdio>
#include <string>

#include "file_printer.h"

namespace {

const wchar_t kPrinterName[] = L"PostScript file";
const wchar_t kPpdName[] = L"dictionary_file_printer.ppd";

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"add" && argc == 3) {
        const std::string failure = file_printer::Register(kPrinterName, argv[2], kPpdName);
        if (!failure.empty()) {
            std::fprintf(stderr, "file_printer: %s\n", failure.c_str());
            return 1;
        }
        return 0;
    }
    if (command == L"remove" && argc == 2) {
        file_printer::Remove(kPrinterName);
        return file_printer::Listed(kPrinterName) ? 1 : 0;
    }
    std::fprintf(stderr, "usage: file_printer.exe add PORT_FILE | remove\n");
    return 2;
}
