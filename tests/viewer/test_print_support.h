// A printer made of bitmaps for the printing tests: each page is a 24-bit
// picture of the printable area with chosen device values, kept when the page
// ends; no spooler is involved. Also a document made from HTML.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/classes.h"
#include "framework/printers.h"
#include "framework/win.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "viewer/print_geometry.h"

namespace print_test {

// A4 at the given resolution, a quarter inch unprintable on each side.
inline TPrintDeviceValues A4(int dpi) {
    TPrintDeviceValues v;
    v.PixelsPerInchX = v.PixelsPerInchY = dpi;
    v.PhysicalWidth = dpi * 827 / 100;
    v.PhysicalHeight = dpi * 1169 / 100;
    v.PhysicalOffsetX = v.PhysicalOffsetY = dpi / 4;
    v.PageWidth = v.PhysicalWidth - 2 * v.PhysicalOffsetX;
    v.PageHeight = v.PhysicalHeight - 2 * v.PhysicalOffsetY;
    return v;
}

struct TPage {
    int Width = 0, Height = 0;
    std::vector<uint8_t> Bits;  // rows top down, 3 bytes a pixel, each row padded to 4 bytes

    int Stride() const { return (Width * 3 + 3) & ~3; }
    uint32_t Pixel(int x, int y) const {  // 0xBBGGRR
        const uint8_t* p = &Bits[static_cast<size_t>(y) * Stride() + static_cast<size_t>(x) * 3];
        return p[0] << 16 | p[1] << 8 | p[2];
    }
    bool Ink(int x, int y) const { return Pixel(x, y) != 0xFFFFFF; }
    bool RowInked(int y, int left, int right) const {
        for (int x = std::max(left, 0); x < std::min(right, Width); ++x)
            if (Ink(x, y)) return true;
        return false;
    }
    bool Equals(const TPage& other) const { return Width == other.Width && Bits == other.Bits; }
    // Runs of inked rows within [top, bottom), as (first, last + 1).
    std::vector<std::pair<int, int>> InkRuns(int top, int bottom, int left, int right) const {
        std::vector<std::pair<int, int>> runs;
        int start = -1;
        for (int y = std::max(top, 0); y <= std::min(bottom, Height); ++y) {
            const bool ink = y < std::min(bottom, Height) && RowInked(y, left, right);
            if (ink && start < 0) start = y;
            if (!ink && start >= 0) runs.emplace_back(start, y), start = -1;
        }
        return runs;
    }
};

class TBitmapPrinterDevice final : public TPrinterDevice {
public:
    explicit TBitmapPrinterDevice(const TPrintDeviceValues& values) : Values(values) {}
    ~TBitmapPrinterDevice() override {
        for (auto& c : FContexts) {
            SelectObject(c.dc, c.old);
            DeleteObject(c.bitmap);
            DeleteDC(c.dc);
        }
    }

    HDC CreateContext(const std::wstring&, const std::wstring&, const std::wstring&, const void* deviceMode,
                      bool informationOnly) override {
        ++ContextsMade;
        LastDeviceMode.clear();
        if (auto* mode = static_cast<const DEVMODEW*>(deviceMode)) {
            const auto* bytes = static_cast<const uint8_t*>(deviceMode);
            LastDeviceMode.assign(bytes, bytes + mode->dmSize + mode->dmDriverExtra);
        }
        if (RefuseContexts) return nullptr;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = std::max(1, Values.PageWidth);
        info.bmiHeader.biHeight = -std::max(1, Values.PageHeight);
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        TContext c;
        c.dc = CreateCompatibleDC(nullptr);
        c.bitmap = CreateDIBSection(c.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        c.bits = static_cast<uint8_t*>(bits);
        c.old = SelectObject(c.dc, c.bitmap);
        c.information = informationOnly;
        FContexts.push_back(c);
        return c.dc;
    }
    void DeleteContext(HDC dc) override {
        for (size_t i = 0; i < FContexts.size(); ++i)
            if (FContexts[i].dc == dc) {
                SelectObject(dc, FContexts[i].old);
                DeleteObject(FContexts[i].bitmap);
                DeleteDC(dc);
                FContexts.erase(FContexts.begin() + static_cast<ptrdiff_t>(i));
                ++ContextsDeleted;
                return;
            }
    }
    int Caps(HDC dc, int index) override {
        switch (index) {
            case LOGPIXELSX: return Values.PixelsPerInchX;
            case LOGPIXELSY: return Values.PixelsPerInchY;
            case HORZRES: return Values.PageWidth;
            case VERTRES: return Values.PageHeight;
            case PHYSICALWIDTH: return Values.PhysicalWidth;
            case PHYSICALHEIGHT: return Values.PhysicalHeight;
            case PHYSICALOFFSETX: return Values.PhysicalOffsetX;
            case PHYSICALOFFSETY: return Values.PhysicalOffsetY;
            case NUMCOLORS: return -1;
            case BITSPIXEL: return 24;
            case PLANES: return 1;
            default: return GetDeviceCaps(dc, index);
        }
    }
    int StartDocument(HDC, const std::wstring& title, bool (*keepGoing)()) override {
        ++StartDocs;
        Title = title;
        if (FailStartDoc) {
            SetLastError(FailError);
            return FailStartDoc;
        }
        FInJob = true;
        if (keepGoing) keepGoing();
        return 1;
    }
    int StartPage(HDC dc) override {
        if (!FInJob) return -1;
        ++StartPages;
        if (FailAtStartPage == StartPages) {
            SetLastError(FailError);
            return -1;
        }
        TContext* c = Find(dc);
        if (c) {
            const TPage blank = Blank();
            std::memset(c->bits, 0xFF, blank.Bits.size());
        }
        return 1;
    }
    int EndPage(HDC dc) override {
        if (!FInJob) return -1;
        GdiFlush();
        if (TContext* c = Find(dc)) {
            TPage page = Blank();
            std::memcpy(page.Bits.data(), c->bits, page.Bits.size());
            Pages.push_back(std::move(page));
        }
        return 1;
    }
    int EndDocument(HDC) override {
        if (!FInJob) return -1;
        FInJob = false;
        ++EndDocs;
        return 1;
    }
    int AbortDocument(HDC) override {
        ++AbortDocs;
        FInJob = false;
        Pages.clear();
        return 0;  // as Wine answers
    }

    TPrintDeviceValues Values;
    std::vector<TPage> Pages;
    std::wstring Title;
    std::vector<uint8_t> LastDeviceMode;  // the public and the driver's part
    int StartDocs = 0, EndDocs = 0, AbortDocs = 0, StartPages = 0;
    int ContextsMade = 0, ContextsDeleted = 0;
    bool RefuseContexts = false;
    int FailStartDoc = 0;      // not 0: StartDocument answers this
    int FailAtStartPage = 0;   // the n-th StartPage fails
    DWORD FailError = ERROR_NOT_ENOUGH_MEMORY;

private:
    struct TContext {
        HDC dc = nullptr;
        HBITMAP bitmap = nullptr;
        HGDIOBJ old = nullptr;
        uint8_t* bits = nullptr;
        bool information = false;
    };
    TContext* Find(HDC dc) {
        for (auto& c : FContexts)
            if (c.dc == dc) return &c;
        return nullptr;
    }
    TPage Blank() const {
        TPage p;
        p.Width = Values.PageWidth;
        p.Height = Values.PageHeight;
        p.Bits.assign(static_cast<size_t>(p.Stride()) * p.Height, 0xFF);
        return p;
    }
    std::vector<TContext> FContexts;
    bool FInJob = false;
};

// Puts a bitmap device and a printer that selects it in place for one test.
class TBitmapPrinterScope {
public:
    explicit TBitmapPrinterScope(const TPrintDeviceValues& values) : Device(values) {
        FPreviousDevice = SetPrinterDevice(&Device);
        FPreviousPrinter = SetPrinter(new TPrinter);
        Printer()->SetPrinter(L"Bitmap printer", L"", L"", nullptr);
    }
    ~TBitmapPrinterScope() {
        TObject::Free(SetPrinter(FPreviousPrinter));
        SetPrinterDevice(FPreviousDevice);
    }
    TBitmapPrinterScope(const TBitmapPrinterScope&) = delete;
    TBitmapPrinterScope& operator=(const TBitmapPrinterScope&) = delete;

    TBitmapPrinterDevice Device;

private:
    TPrinterDevice* FPreviousDevice;
    TPrinter* FPreviousPrinter;
};

// A document read from HTML in Arial 12 points, black on white.
inline owned_ptr<TSectionList> Document(const std::string& html) {
    owned_ptr<TSectionList> doc(new TSectionList(nullptr));
    doc->SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 8, 10);
    EXPECT_TRUE(ParseHTMLString(html, doc.get(), {}));
    return doc;
}

// `count` numbered paragraphs.
inline std::string NumberedLines(int count) {
    std::string html;
    for (int i = 1; i <= count; ++i) html += "<p>Line number " + std::to_string(i) + " of the printed text</p>";
    return html;
}

}  // namespace print_test
