// The HTML viewer control: one document (TSectionList) loaded from a file, a
// string or a stream, laid out at the control's width, scrolled by its own
// bars and painted off-screen on a child paint panel.
#pragma once

#include <memory>
#include <string>

#include "framework/controls.h"
#include "framework/stdctrls.h"
#include "html/section_list.h"

class TStream;
class TStringBitmapList;
class TPageViewer;

enum ThtmlFileType { HTMLType, TextType, ImgType, OtherType };
enum THTMLBorderStyle { htFocused, htNone, htSingle };

enum htOptionEnum {
    htOverLinksActive,
    htNoLinkUnderline,
    htPrintTableBackground,
    htPrintBackground,
    htPrintMonochromeBlack,
    htShowDummyCaret,
    htShowVScroll
};
// A set of htOptionEnum, one bit per value.
using TPageViewerOptions = unsigned;
constexpr TPageViewerOptions HtOption(htOptionEnum option) { return 1u << option; }

using THotSpotEvent = TEvent<const std::string&>;
using THotSpotClickEvent = TEvent<const std::string&, bool&>;
using TProcessingEvent = TEvent<bool>;
using TParseEvent = TEvent<std::string&>;

// The panel the document is painted on; a paint goes through an off-screen
// bitmap of the clip rectangle, so the screen never shows a half-drawn page.
class TPaintPanel : public TCustomControl {
public:
    TPaintPanel(TComponent* AOwner, TPageViewer* viewer);

    // The bitmap's canvas during a paint; null otherwise.
    TCanvas* OffscreenCanvas() const { return FOffscreen.get(); }
    void DoBackground(TCanvas* canvas);

protected:
    void Paint() override;
    void WndProc(TMessage& message) override;

private:
    TPageViewer* FViewer;
    std::unique_ptr<TCanvas> FOffscreen;
};

// The vertical bar: its range is the document's height in pixels.
class T32ScrollBar : public TScrollBar {
public:
    T32ScrollBar(TComponent* AOwner, TPageViewer* viewer);
    void SetParams(int position, int page, int max, int min);

protected:
    void Scroll(TScrollCode code, int& position) override;

private:
    TPageViewer* FViewer;
};

class TPageViewer : public TCustomControl, public TDocumentHost {
public:
    explicit TPageViewer(TComponent* AOwner);
    ~TPageViewer() override;

    // ---- loading
    void LoadFromFile(const std::string& fileName);
    void LoadTextFile(const std::string& fileName);
    void LoadFromStream(TStream* stream, const std::string& reference);
    void LoadFromString(const std::string& source, const std::string& reference);
    void LoadTextFromString(const std::string& source);
    virtual void Clear();

    // ---- properties
    TColor DefBackground() const { return FDefBackground; }
    void SetColor(TColor color);
    int DefFontSize() const { return FDefFontSize; }
    void SetFontSize(int size) { FDefFontSize = size; }
    TColor DefFontColor = clBtnText;
    std::string DefFontName = "Times New Roman";
    std::string DefPreFontName = "Courier New";
    TColor DefHotSpotColor = 0xFF0000;
    TColor DefVisitedLinkColor = 0x800080;
    TColor DefOverLinkColor = 0xFF0000;
    int HistoryMaxCount = 0;
    uint8_t CharSet = 1;
    int MarginHeight = 5;
    int MarginWidth = 10;
    double PrintMarginLeft = 2.0;
    double PrintMarginRight = 2.0;
    double PrintMarginTop = 2.0;
    double PrintMarginBottom = 2.0;
    double PrintScale = 1.0;
    THTMLBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(THTMLBorderStyle style);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    TPageViewerOptions htOptions() const { return FOptions; }
    void SetOptions(TPageViewerOptions options);
    int ImageCacheCount() const { return FImageCacheCount; }
    void SetImageCacheCount(int count);

    THotSpotClickEvent OnHotSpotClick;
    THotSpotEvent OnHotSpotCovered;
    TProcessingEvent OnProcessing;
    TParseEvent OnParseBegin;
    TNotifyEvent OnParseEnd;

    // ---- state
    const std::string& Source() const { return FSource; }
    bool Processing() const { return FProcessing; }
    void SetProcessing(bool value);
    const std::string& CurrentFile() const { return FCurrentFile; }
    ThtmlFileType FileType() const { return FFileType; }
    const std::wstring& Title() const { return FTitle; }
    const std::string& Base() const { return FBase; }
    TSectionList* Document() const { return FDocument.get(); }
    TPaintPanel* PaintPanelControl() const { return FPaintPanel; }

    // ---- layout and scrolling
    void DoLogic();
    void DoScrollBars();
    void Layout();
    void ScrollTo(int y);
    int GetScrollPos() const;
    void SetScrollPos(int y);
    int GetScrollBarRange() const;
    int GetHScrollPos() const;
    void SetHScrollPos(int x);
    int GetHScrollBarRange() const;
    int DocumentHeight() const { return FMaxVertical; }
    int ScrollWidth() const { return FScrollWidth; }
    bool VScrollBarVisible() const;
    bool HScrollBarVisible() const;
    bool PositionTo(const std::string& anchor);

    virtual void HTMLPaint(TObject* sender);
    virtual std::string HTMLExpandFilename(const std::string& name);

    // Printing
    void Print(int FromPage, int ToPage);
    // Renders every page into the printer's metafiles; the number of pages.
    int PrintPreview(class TMetaFilePrinter* MFPrinter, bool SuppressOutput = false);
    int NumPrinterPages();
    // Pictures of the document; the caller owns them (none while Processing).
    class TMetafile* MakeMetaFile(int YTop, int FormatWidth, int Width, int Height);
    class TBitmap* MakeBitmap(int YTop, int FormatWidth, int Width, int Height);
    // A hidden viewer for an HTML header or footer; the caller frees it.
    TPageViewer* CreateHeaderFooter();
    void DoBackground1(TCanvas* ACanvas, int YTop, int Width, int Height, int DocHeight);
    void DoBackground2(TCanvas* ACanvas, int ALeft, int ATop, int Width, int Height, TColor AColor);
    // The page being produced; after a job, the number of its last page.
    int PrintedPageCount = 0;
    // (Sender, page, stop)
    TEvent<int, bool&> OnPageEvent;
    // (Sender, canvas, page, band width, band height, stop)
    TEvent<TCanvas*, int, int, int, bool&> OnPrintHeader;
    TEvent<TCanvas*, int, int, int, bool&> OnPrintFooter;
    // (Sender, band viewer to load, page, last page, left, right, stop)
    TEvent<TPageViewer*, int, bool, int&, int&, bool&> OnPrintHTMLHeader;
    TEvent<TPageViewer*, int, bool, int&, int&, bool&> OnPrintHTMLFooter;
    // End of printing

    // Selection, find, clipboard, forms and file names
    void SelectAll();
    void CopyToClipboard();
    // End of selection, find, clipboard, forms and file names

    // Mouse, keyboard, links and visited links
    // End of mouse, keyboard, links and visited links

    // History
    // End of history

    // Frame-set support
    // End of frame-set support

    // ---- TDocumentHost
    void SetAnimationTimer(bool enabled, int intervalMs) override;
    void FreeAnimationTimer() override;
    std::string ExpandFileName(const std::string& name) override { return HTMLExpandFilename(name); }
    void Progress(int) override {}
    void LinkAction(const TUrlTarget& target) override;
    void KeyDown(uint16_t&, unsigned) override {}
    void ControlEnter(TObject*) override {}
    void InvalidatePanel() override;
    std::unique_ptr<TLinkTabStop> CreateLinkTabStop(TFontObj* run) override;
    TWinControl* PaintPanel() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void WndProc(TMessage& message) override;
    void DoEnter() override;
    void DoExit() override;

private:
    friend class TPaintPanel;
    friend class T32ScrollBar;

    void InitLoad();
    void SetFontsFromSettings();
    void SetupAndLogic();
    void LoadString(const std::string& source, const std::string& reference, ThtmlFileType type);
    void LoadFile(const std::string& fileName, ThtmlFileType type);
    void ParseSource(ThtmlFileType type);
    int LayoutPass(int width);
    int BorderOffset() const { return FBorderStyle == htNone ? 0 : 1; }
    void VerticalScrollTo(int position);
    void HorizontalScroll(TObject* sender, TScrollCode code, int& position);
    void BackgroundChange(TObject* sender);
    void DrawBorder();

    TPaintPanel* FPaintPanel = nullptr;    // owned as a child component
    T32ScrollBar* FVScrollBar = nullptr;   // owned as a child component
    TScrollBar* FHScrollBar = nullptr;     // owned as a child component
    std::unique_ptr<TSectionList> FDocument;
    std::unique_ptr<TStringBitmapList> FOwnCache;
    std::string FSource;
    std::string FCurrentFile;
    std::wstring FTitle;
    std::string FBase;
    std::string FBaseTarget;
    ThtmlFileType FFileType = HTMLType;
    TColor FDefBackground = clBtnFace;
    int FDefFontSize = 12;
    THTMLBorderStyle FBorderStyle = htFocused;
    TScrollStyle FScrollBars = ssBoth;
    TPageViewerOptions FOptions = 0;
    int FImageCacheCount = 5;
    bool FProcessing = false;
    bool FInLogic = false;
    bool FConstructing = true;
    bool FFixedBackground = false;
    int FScrollBarWidth = 16;
    int FMaxVertical = 0;
    int FScrollWidth = 0;

    // State of selection, find, clipboard and forms
    // End of state of selection, find, clipboard and forms

    // State of mouse, keyboard, links and visited links
    // End of state of mouse, keyboard, links and visited links

    // State of history
    // End of state of history

    // State of frame-set support
    // End of state of frame-set support
};
