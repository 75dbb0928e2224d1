// The HTML viewer control: one document (TSectionList) loaded from a file, a
// string or a stream, laid out at the control's width, scrolled by its own
// bars and painted off-screen on a child paint panel.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/graphics.h"
#include "framework/stdctrls.h"
#include "html/html_parser.h"
#include "html/section_list.h"

class TMemoryStream;
class TStream;
class TStringBitmapList;
class TStrings;
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

class TBitmapDC;

// The panel the document is painted on; a paint goes through an off-screen
// bitmap, so the screen never shows a half-drawn page.
class TPaintPanel : public TCustomControl {
public:
    TPaintPanel(TComponent* AOwner, TPageViewer* viewer);
    ~TPaintPanel() override;

    // The bitmap's canvas during a paint; null otherwise.
    TCanvas* OffscreenCanvas() const { return FOffscreen.get(); }
    void DoBackground(TCanvas* canvas);

protected:
    void Paint() override;
    void WndProc(TMessage& message) override;

private:
    TPageViewer* FViewer;
    std::unique_ptr<TCanvas> FOffscreen;
    // The off-screen bitmap is kept from paint to paint and made anew only
    // when a paint needs more room: making one costs more than most paints.
    std::unique_ptr<TBitmapDC> FBackBuffer;
    int FBackWidth = 0, FBackHeight = 0;
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

// Where a history entry was left: its position (as GetPosition gives it),
// its file type and the contents of its form controls (may be empty).
class ViewerHistoryEntry : public TObject {
public:
    int Pos = 0;
    ThtmlFileType FileType = HTMLType;
    std::unique_ptr<TFreeList> FormData;
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
    void LoadStrings(const TStrings* strings, const std::string& reference);
    void LoadTextStrings(const TStrings* strings);
    void LoadFromBuffer(const char* buffer, int size, const std::string& reference);
    // The stream as HTML, text or a lone picture; CurrentFile becomes the
    // reference as it is.
    void LoadStream(const std::string& reference, TMemoryStream* stream, ThtmlFileType type);
    // The current file again, at the same position.
    void Reload();
    virtual void Clear();
    // The document's META callback: OnMeta, and a refresh request kept for
    // OnMetaRefresh after the load.
    void HandleMeta(TObject* sender, const std::string& httpEq, const std::string& name,
                    const std::string& content);
    int RefreshDelay() const { return FRefreshDelay; }
    const std::string& RefreshURL() const { return FRefreshURL; }

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
    // These also reach the document at once, not only at the next load.
    void SetPreFontName(const std::string& name);
    void SetHotSpotColor(TColor color);
    void SetVisitedColor(TColor color);
    void SetActiveColor(TColor color);
    // Kept within 0.25 .. 4.
    void SetPrintScale(double scale);
    const std::string& ServerRoot() const { return FServerRoot; }
    void SetServerRoot(const std::string& root);
    bool ViewImages() const { return FDocument->DisplayImages; }
    void SetViewImages(bool value);

    // (source, bitmap, transparent colour or -1)
    using TGetBitmapEvent = TEvent<const std::string&, TBitmap*&, TColor&>;
    // (source, stream): the handler keeps the stream; WaitStream says the
    // picture comes later (InsertImage), null that the file is read.
    using TGetImageEvent = TEvent<const std::string&, TMemoryStream*&>;
    // (source, result): a file name made full.
    using TExpandNameEvent = TEvent<const std::string&, std::string&>;
    // (source, stream): a linked style sheet; the handler keeps the stream,
    // null says that the file is read.
    using TGetStreamEvent = TEvent<const std::string&, TStream*&>;
    using TMetaRefreshType = TEvent<int, const std::string&>;
    using TPanelCreateEvent = TEvent<const std::string&, const std::string&, const std::string&, TWinControl*>;
    using TPanelDestroyEvent = TEvent<TWinControl*>;
    using TPanelPrintEvent = TEvent<TWinControl*, TBitmap*>;
    const TGetBitmapEvent& OnBitmapRequest() const { return FOnBitmapRequest; }
    void SetOnBitmapRequest(TGetBitmapEvent handler);
    const TGetImageEvent& OnImageRequest() const { return FOnImageRequest; }
    void SetOnImageRequest(TGetImageEvent handler);
    void SetOnExpandName(TExpandNameEvent handler);
    void SetOnPanelCreate(TPanelCreateEvent handler);
    void SetOnPanelDestroy(TPanelDestroyEvent handler);
    void SetOnPanelPrint(TPanelPrintEvent handler);
    // (control, script) of a form control's click, focus, blur and change;
    // (control, file name) of a file button's browse.
    using TObjectScriptEvent = TEvent<TObject*, const std::string&>;
    using TFileBrowseEvent = TEvent<TObject*, std::string&>;
    void SetOnObjectClick(TObjectScriptEvent handler);
    void SetOnObjectFocus(TObjectScriptEvent handler);
    void SetOnObjectBlur(TObjectScriptEvent handler);
    void SetOnObjectChange(TObjectScriptEvent handler);
    void SetOnFileBrowse(TFileBrowseEvent handler);
    // Passed to the reader with every HTML load.
    TIncludeEvent OnInclude;
    TSoundEvent OnSoundRequest;
    TLinkEvent OnLink;
    TScriptEvent OnScript;
    TMetaEvent OnMeta;
    TMetaRefreshType OnMetaRefresh;
    TGetStreamEvent OnhtStreamRequest;

    // ---- pictures
    // A picture that was waited for has come: every image of that source
    // takes it. False while Processing.
    bool InsertImage(const std::string& source, TMemoryStream* stream);
    // The image named (NAME or ID) takes a new picture.
    void ReplaceImage(const std::string& nameOrId, TStream* stream);
    // A cache shared with other viewers; the viewer does not own it.
    void SetStringBitmapList(TStringBitmapList* list);
    void UpdateImageCache();

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
    // Both the base and the one used when a document names none.
    void SetBase(const std::string& base);
    const std::string& BaseTarget() const { return FBaseTarget; }
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
    // Shown but disabled: the page fits (with htShowVScroll).
    bool VScrollBarEnabled() const;
    bool HScrollBarVisible() const;
    bool PositionTo(const std::string& anchor);
    // Layout, then the hover state at the mouse's place is found again.
    void Reformat();
    // Paints at once; the paint puts back only the form controls it draws.
    void Repaint() override;
    // The width and height of the whole document laid out at `width`; a copy
    // is laid out, so the view keeps its own layout.
    TSize FullDisplaySize(int width);

    // ---- palette (8-bit screens only)
    // The engine's palette, asked for when the display's palette changes;
    // the page is painted again in its colours.
    HPALETTE GetPalette() override;
    // A copy the caller owns; null off 8-bit screens.
    HPALETTE GetOurPalette();
    // A copy of `palette` becomes the engine's palette.
    void SetOurPalette(HPALETTE palette);
    bool Dither() const { return FDither; }
    void SetDither(bool value);

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
    // (action, target, encoding type, method, results): the handler owns the
    // results from then on.
    using TFormSubmitEvent = TEvent<const std::string&, const std::string&, const std::string&, const std::string&,
                                    std::unique_ptr<TStringList>>;
    using ThtProgressEvent = TEvent<TProgressStage, int>;
    // (source, x, y) and (source, x, y, state, accept) in paint panel pixels.
    using TDragDropEvent = ::TDragDropEvent;
    using TDragOverEvent = ::TDragOverEvent;

    void SelectAll();
    // Signed: negative when the caret stands at the selection's end.
    int GetSelLength();
    void SetSelLength(int value);
    int SelLength() { return GetSelLength(); }
    int SelStart() const { return FCaretPos; }
    void SetSelStart(int value);
    int CaretPos() const { return FCaretPos; }
    void SetCaretPos(int value);
    bool NoSelect() const { return FNoSelect; }
    void SetNoSelect(bool value);
    std::wstring GetSelText();
    // The units the document wrote, the closing 0 included; 0 for no buffer.
    int GetSelTextBuf(wchar_t* buffer, int bufferSize);
    void CopyToClipboard();
    int FindSourcePos(int displayPos);
    int FindDisplayPos(int sourcePos, bool prev);
    bool DisplayPosToXy(int displayPos, int& x, int& y);
    bool Find(const std::wstring& S, bool CaseSensitive);
    bool FindEx(const std::wstring& S, bool CaseSensitive, bool Reverse);

    // A form control or a link got the keyboard focus: scroll it into view.
    void FormControlEnterEvent(TObject* sender);
    const TFormSubmitEvent& OnFormSubmit() const { return FOnFormSubmit; }
    void SetOnFormSubmit(TFormSubmitEvent handler);
    // Keeps the submission and delivers it after the current message.
    void SubmitForm(TObject* sender, const std::string& action, const std::string& target,
                    const std::string& encType, const std::string& method, std::unique_ptr<TStringList> results);
    void WMFormSubmit(TMessage& message);
    // Saved contents of every form, owned by the caller; null without forms.
    std::unique_ptr<TFreeList> GetFormData();
    // Restores saved contents without firing object clicks; the list stays the
    // caller's.
    void SetFormData(TFreeList* list);
    const std::vector<TFormControlObj*>& GetFormControlList() const { return FDocument->AllFormControls; }
    TIDNameList* GetNameList() const { return FDocument->IDObjects.get(); }
    const std::vector<TFontObj*>& GetLinkList() const { return FDocument->LinkRuns; }
    TWinControl* GetIDControl(const std::string& id);
    bool GetIDDisplay(const std::string& id);
    // The host lays out again (Reformat) afterwards.
    void SetIDDisplay(const std::string& id, bool value);

    const TDragDropEvent& GetDragDrop() const { return FOnDragDrop; }
    void SetDragDrop(TDragDropEvent handler);
    const TDragOverEvent& GetDragOver() const { return FOnDragOver; }
    void SetDragOver(TDragOverEvent handler);
    void HTMLDragDrop(TObject* sender, TObject* source, int x, int y);
    void HTMLDragOver(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept);

    ThtProgressEvent OnProgress;
    void htProgressInit();
    void htProgress(int percent);
    void htProgressEnd();
    // End of selection, find, clipboard, forms and file names

    // Mouse, keyboard, links and visited links
    // Made for each right click and freed after the event.
    struct TRightClickParameters {
        std::string URL;     // the link under the mouse, empty for none
        std::string Target;
        class TImageObj* Image = nullptr;  // the image under the mouse, if any
        int ImageX = 0;      // the point inside the image
        int ImageY = 0;
        std::wstring ClickWord;
    };
    using TRightClickEvent = TEvent<TRightClickParameters*>;
    // (image object, button, shift, x, y inside the image)
    using TImageClickEvent = TEvent<TObject*, TMouseButton, TShiftState, int, int>;
    using TImageOverEvent = TEvent<TObject*, TShiftState, int, int>;
    // (shift, wheel delta, screen point, handled)
    using TMouseWheelEvent = TEvent<TShiftState, int, TPoint, bool&>;
    TRightClickEvent OnRightClick;
    TImageClickEvent OnImageClick;
    TImageOverEvent OnImageOver;
    TMouseEvent OnMouseDouble;
    TMouseWheelEvent OnMouseWheel;

    // The paint panel's mouse events, in panel pixels.
    virtual void HTMLMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    virtual void HTMLMouseMove(TObject* sender, TShiftState shift, int x, int y);
    virtual void HTMLMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    virtual void DoHilite(int x, int y);
    void HTMLMouseDblClk(TMessage& message);
    void HTMLTimerTimer(TObject* sender);
    // The auto-scroll and panning loop; it pumps messages itself.
    void WMMouseScroll(TMessage& message);
    void WMGetDlgCode(TMessage& message);
    void WMUrlAction(TMessage& message);
    void DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos);
    void HTMLMouseWheel(TObject* sender, TShiftState shift, int wheelDelta, TPoint mousePos);
    bool DoKeyDown(uint16_t& key, TShiftState shift) override;

    // The link under a panel point (the target belongs to the document), a
    // form image button, and the link's title.
    guResultType GetURL(int x, int y, TUrlTarget*& target, class TImageFormControlObj*& formControl,
                        std::string& title);
    bool PtInObject(int x, int y, TObject*& obj);
    bool PtInObject(int x, int y, TObject*& obj, int& hitX, int& hitY);
    // The document position under the point when it is in text, else -1.
    int XYToDisplayPos(int x, int y);
    // The word under the point; st ends after it, en before it.
    bool GetWordAtCursor(int x, int y, int& st, int& en, std::wstring& word);
    virtual bool HotSpotClickHandled();
    // Follows the hover URL: an anchor, a page or a picture.
    void UrlAction();
    // UrlAction after the current message.
    void TriggerUrlAction();
    const std::string& HoverURL() const { return FHoverURL; }
    const std::string& HoverTarget() const { return FHoverTarget; }
    void SetHoverURL(const std::string& url, const std::string& target) {
        FHoverURL = url;
        FHoverTarget = target;
    }
    const std::string& LinkTitle() const { return FLinkTitle; }
    const std::vector<std::string>& VisitedLinks() const { return FVisited; }

    // Where the pointer is, what window is under it, the time in
    // milliseconds, a wait for input and the wheel setting; tests put their
    // own in.
    struct TPointerClock {
        std::function<TPoint()> CursorPos;
        std::function<HWND(TPoint)> WindowAt;
        std::function<unsigned()> TickCount;
        std::function<void(unsigned ms)> Wait;
        std::function<int()> WheelLines;
    };
    static TPointerClock PointerClock;
    static void ResetPointerClock();

    void AddVisitedLink(const std::string& link);
    // Marks every link whose target is in the visited list (after each load).
    void CheckVisitedLinks();
    int VisitedMaxCount() const { return FVisitedMaxCount; }
    void SetVisitedMaxCount(int value);
    // End of mouse, keyboard, links and visited links

    // History
    // Newest first: the file names, titles and entries run in step, and
    // HistoryIndex is the entry on show. The old file's entry takes the old
    // position; the current file goes in front and the forward entries go.
    void BumpHistory(const std::string& fileName, const std::wstring& title, int oldPos,
                     std::unique_ptr<TFreeList> formData, ThtmlFileType type);
    int HistoryIndex() const { return FHistoryIndex; }
    // Shows the entry: loads its file when another is on show, restores its
    // position and its form contents.
    void SetHistoryIndex(int index);
    void SetHistoryMaxCount(int count);
    void ClearHistory();
    int HistoryCount() const { return static_cast<int>(FHistory.size()); }
    const std::vector<std::string>& History() const { return FHistory; }
    const std::vector<std::wstring>& TitleHistory() const { return FTitleHistory; }
    ViewerHistoryEntry* HistoryEntry(int index) const;
    TNotifyEvent OnHistoryChange;
    // The section at the top of the view (high word, 1-based) and the offset
    // into it (low word), so a position survives a layout at another width.
    int GetPosition();
    void SetPosition(int pos);
    void LoadImageFile(const std::string& fileName);
    // End of history

    // Frame-set support
    // A viewer that shows a frame of a frame set; its set keeps the visited list.
    bool IsFrameViewer() const { return FFrameOwner != nullptr; }
    class TfvFrame* FrameOwner() const { return FFrameOwner; }
    void SetFrameOwner(class TfvFrame* frame) { FFrameOwner = frame; }
    // Marks the links whose targets are in `links` (the set's visited list).
    void MarkVisitedLinks(const std::vector<std::string>& links);
    // End of frame-set support

    // ---- TDocumentHost
    void SetAnimationTimer(bool enabled, int intervalMs) override;
    void FreeAnimationTimer() override;
    std::string ExpandFileName(const std::string& name) override { return HTMLExpandFilename(name); }
    void Progress(int percent) override { htProgress(percent); }
    void LinkAction(const TUrlTarget& target) override;
    void KeyDown(uint16_t& key, unsigned shift) override;
    void ControlEnter(TObject* sender) override { FormControlEnterEvent(sender); }
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
    // A print job draws a copy that shares this document's form controls
    // and panels: a load or Clear asked for meanwhile (a host's page event,
    // a poll or a link served by the job's message loop) waits for the job's
    // end, and only the last one asked for is done then. True when `load`
    // was kept for then.
    bool DeferWhilePrinted(std::function<void()> load);
    std::function<void()> FDeferredLoad;
    void SetFontsFromSettings();
    void SetupAndLogic();
    void LoadString(const std::string& source, const std::string& reference, ThtmlFileType type);
    void LoadFile(const std::string& fileName, ThtmlFileType type);
    void ParseSource(ThtmlFileType type);
    TReaderCallbacks ReaderCallbacks();
    // Any background sound stops (a load or Clear).
    void StopSound();
    void FireMetaRefresh();
    // Lays out again at the position on show (after pictures or their
    // display changed).
    void RelayoutKeepingPosition();
    int LayoutPass(int width);
    int BorderOffset() const { return FBorderStyle == htNone ? 0 : 1; }
    void VerticalScrollTo(int position);
    void HorizontalScroll(TObject* sender, TScrollCode code, int& position);
    void BackgroundChange(TObject* sender);
    void DrawBorder();
    void PaintChildrenInto(HDC dc);

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
    class TInvalidateOnce;
    bool FInLogic = false;
    // While a load runs, invalidating the panel is put off to its end.
    int FInvalidateHold = 0;
    bool FInvalidatePending = false;
    bool FConstructing = true;
    bool FFixedBackground = false;
    int FScrollBarWidth = 16;
    int FMaxVertical = 0;
    int FScrollWidth = 0;
    std::string FBase2;  // SetBase's, for documents that name no base
    std::string FServerRoot;
    int FRefreshDelay = 0;  // 0: no refresh asked for
    std::string FRefreshURL;
    bool FDither = true;
    TGetBitmapEvent FOnBitmapRequest;
    TGetImageEvent FOnImageRequest;
    TExpandNameEvent FOnExpandName;

    // State of selection, find, clipboard and forms
    // The caret (never negative) and where a mouse selection started (-1:
    // none); every load sets them to 0 and -1.
    int FCaretPos = 0;
    int FSelAnchor = -1;
    bool FNoSelect = false;
    TFormSubmitEvent FOnFormSubmit;
    // The last SubmitForm, owned until WMFormSubmit hands it on.
    struct TPendingSubmit {
        std::string Action, Target, EncType, Method;
        std::unique_ptr<TStringList> Results;
    };
    std::unique_ptr<TPendingSubmit> FPendingSubmit;
    TDragDropEvent FOnDragDrop;
    TDragOverEvent FOnDragOver;
    // The end of the document's last section: no selection reaches past it.
    int DocumentEnd() const;
    // End of state of selection, find, clipboard and forms

    // State of mouse, keyboard, links and visited links
    // Set while a clicked link's focus control is made active, so that its
    // enter callback does not scroll the page.
    bool FFocusingLink = false;
    std::vector<std::string> FVisited;  // most recent first
    int FVisitedMaxCount = 50;
    // A link's URL as the visited list holds it.
    std::string FullLinkTarget(const std::string& url);
    // Every link whose upper-cased target is in the sorted keys is visited.
    void SetLinksVisited(const std::vector<std::string>& keys);
    // The upper-cased target of each run of the document's link list.
    std::vector<std::string> FLinkKeys;
    const TFontObj* FLinkKeysFirst = nullptr;  // the run the keys were made for
    // A frame of a frame set: the set keeps the visited list.
    bool VisitedListElsewhere() const { return IsFrameViewer(); }
    std::string FHoverURL;
    std::string FHoverTarget;
    std::string FLinkTitle;
    bool FPanning = false;
    int FPanOrigin = 0;  // viewer client Y
    bool FAutoScrolling = false;
    bool FMouseDown = false;
    bool FSelecting = false;
    bool FClickHandled = false;
    bool FReleasingCapture = false;
    bool FInScrollLoop = false;
    class TTimer* FHoverTimer = nullptr;  // owned as a child component
    // The document's animation timer: none until its first layout, none again
    // after Clear; owned.
    class TTimer* FAnimationTimer = nullptr;
    void AnimationTick(TObject* sender);
    // Cleared when the viewer goes, for the loop that may outlive it.
    struct TLifeFlag {
        std::shared_ptr<bool> Alive = std::make_shared<bool>(true);
        ~TLifeFlag() { *Alive = false; }
    } FLife;
    // The panel's and the viewer's messages of this part; true when handled.
    bool PanelMouseMessage(TMessage& message);
    bool ViewerMouseMessage(TMessage& message);
    void CancelMouseModes();
    void EndPanning();
    void ShowPanelCursor(TCursor cursor);
    class TTimer* HoverTimer();
    // A scroll position past the document's end is brought back to it.
    void KeepPositionInRange();
    int FindCursorAt(int x, int y, bool& inText);
    void FireRightClick(TObject* image, int imageX, int imageY, int x, int y);
    // The link's focus window becomes the form's active control.
    void FocusLinkStop(int linkId);
    void FollowLink();
    TPoint PointerInViewer();
    bool MouseScrollGoesOn(TPoint pointer) const;
    // End of state of mouse, keyboard, links and visited links

    // State of history
    // The first of the consecutive entries up to `index` that name its file.
    int RunStart(int index) const;
    // The file loads: a load that changes the file or its type is recorded.
    void LoadWithHistory(const std::string& fileName, ThtmlFileType type);
    std::vector<std::string> FHistory;
    std::vector<std::wstring> FTitleHistory;
    TFreeList FPositionHistory;  // ViewerHistoryEntry items
    int FHistoryIndex = 0;
    // End of state of history

    // State of frame-set support
    class TfvFrame* FFrameOwner = nullptr;
    // End of state of frame-set support
};
