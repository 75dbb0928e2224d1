// A PostScript printer that prints into a plain file: the platform's own
// PostScript driver with an A4, 300 dpi description (18 points unprintable on
// each side), its port a file path. Used by the run command, so that printing
// from the running program leaves a file, and by the printing tests.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

namespace file_printer {

inline const wchar_t kDriverName[] = L"Wine PostScript Driver";

inline const char kPpd[] =
    "*PPD-Adobe: \"4.3\"\n"
    "*FormatVersion: \"4.3\"\n"
    "*FileVersion: \"1.0\"\n"
    "*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n"
    "*PCFileName: \"DICTTEST.PPD\"\n"
    "*Manufacturer: \"Test\"\n"
    "*Product: \"(Test)\"\n"
    "*ModelName: \"Dictionary file printer\"\n"
    "*ShortNickName: \"Dictionary file printer\"\n"
    "*NickName: \"Dictionary file printer\"\n"
    "*PSVersion: \"(3010.000) 0\"\n"
    "*LanguageLevel: \"3\"\n"
    "*ColorDevice: True\n"
    "*DefaultColorSpace: RGB\n"
    "*TTRasterizer: Type42\n"
    "*DefaultResolution: 300dpi\n"
    "*OpenUI *PageSize: PickOne\n"
    "*DefaultPageSize: A4\n"
    "*PageSize A4/A4: \"<</PageSize[595 842]/ImagingBBox null>>setpagedevice\"\n"
    "*CloseUI: *PageSize\n"
    "*OpenUI *PageRegion: PickOne\n"
    "*DefaultPageRegion: A4\n"
    "*PageRegion A4/A4: \"<</PageSize[595 842]/ImagingBBox null>>setpagedevice\"\n"
    "*CloseUI: *PageRegion\n"
    "*DefaultImageableArea: A4\n"
    "*ImageableArea A4/A4: \"18 18 577 824\"\n"
    "*DefaultPaperDimension: A4\n"
    "*PaperDimension A4/A4: \"595 842\"\n"
    "*DefaultFont: Courier\n"
    "*Font Courier: Standard \"(002.004S)\" Standard ROM\n"
    "*Font Helvetica: Standard \"(001.006S)\" Standard ROM\n"
    "*Font Times-Roman: Standard \"(001.007S)\" Standard ROM\n";

inline std::wstring DriverDirectory() {
    wchar_t folder[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(folder), sizeof folder, &needed))
        return {};
    return folder;
}

inline bool Listed(const std::wstring& name) {
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.data(), needed, &needed, &count)) return false;
    auto* info = reinterpret_cast<PRINTER_INFO_4W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (info[i].pPrinterName && name == info[i].pPrinterName) return true;
    return false;
}

// Nothing when no printer of that name exists.
inline void Remove(const std::wstring& name) {
    HANDLE printer = nullptr;
    std::wstring n = name;
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (OpenPrinterW(n.data(), &printer, &access)) {
        DeletePrinter(printer);
        ClosePrinter(printer);
    }
}

// Registers the printer `name` writing to `portFile` (a printer of that name
// is replaced) and makes it the default. Empty on success, else what failed.
inline std::string Register(const std::wstring& name, const std::wstring& portFile, const std::wstring& ppdName) {
    Remove(name);
    const std::wstring folder = DriverDirectory();
    if (folder.empty()) return "no driver folder";
    const std::wstring ppd = folder + L"\\" + ppdName;
    HANDLE file = CreateFileW(ppd.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "the PPD cannot be written";
    DWORD written = 0;
    WriteFile(file, kPpd, sizeof kPpd - 1, &written, nullptr);
    CloseHandle(file);

    std::wstring driverName = kDriverName, driverPath = L"wineps.drv", dataFile = ppd, configFile = L"wineps.drv";
    DRIVER_INFO_3W driver{};
    driver.cVersion = 3;
    driver.pName = driverName.data();
    driver.pDriverPath = driverPath.data();
    driver.pDataFile = dataFile.data();
    driver.pConfigFile = configFile.data();
    if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&driver)))
        return "AddPrinterDriverW: " + std::to_string(GetLastError());

    std::wstring printerName = name, port = portFile, processor = L"WinPrint", datatype = L"RAW";
    PRINTER_INFO_2W info{};
    info.pPrinterName = printerName.data();
    info.pPortName = port.data();
    info.pDriverName = driverName.data();
    info.pPrintProcessor = processor.data();
    info.pDatatype = datatype.data();
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (!printer) return "AddPrinterW: " + std::to_string(GetLastError());
    ClosePrinter(printer);
    if (!SetDefaultPrinterW(name.c_str())) return "SetDefaultPrinterW: " + std::to_string(GetLastError());
    if (!Listed(name)) return "the printer is not listed";
    return {};
}

}  // namespace file_printer
