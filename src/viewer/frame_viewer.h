// The frame-set viewer: a FRAMESET document as a tree of panels, one
// TPageViewer per FRAME, with draggable borders between frames, links into
// named frames, a history across frames and META refresh.
//
// Ownership: the viewer holds its frame sets by shared pointer (the one on
// show and those its history refers to); a set owns its frames and nested
// sets as child components; a frame owns its page viewer.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/extctrls.h"
#include "framework/streams.h"
#include "html/parser_entry.h"
#include "viewer/frame_sizes.h"
#include "viewer/page_viewer.h"

class TStream;
class TStrings;
class TFreeList;
class TStringBitmapList;
class TMemoryStream;
class TFrameSet;
class TSubFrameSet;
class TfvFrame;
class TFrameViewer;

FW_DECLARE_EXCEPTION(EfvLoadError, Exception)

enum fvOptionEnum {
    fvMetaRefresh,
    fvNoBorder,
    fvNoLinkUnderline,
    fvOverLinksActive,
    fvPrintMonochromeBlack,
    fvPrintTableBackground,
    fvPrintBackground,
    fvShowVScroll,
    fvNoFocusRect
};
// A set of fvOptionEnum, one bit per value.
using TFrameViewerOptions = unsigned;
constexpr TFrameViewerOptions FvOption(fvOptionEnum option) { return 1u << option; }

// (target, URL, handled)
using THotSpotTargetClickEvent = TEvent<const std::string&, const std::string&, bool&>;
// (target, URL)
using THotSpotTargetEvent = TEvent<const std::string&, const std::string&>;
using TWindowRequestEvent = TEvent<const std::string&, const std::string&>;
// (source, stream): the stream stays the handler's.
using TStreamRequestEvent = TEvent<const std::string&, TStream*&>;
// (source, buffer, size): the buffer stays the handler's.
using TBufferRequestEvent = TEvent<const std::string&, const char*&, int&>;
// (source, strings): the list stays the handler's.
using TStringsRequestEvent = TEvent<const std::string&, TStrings*&>;
// (source, new file name)
using TFileRequestEvent = TEvent<const std::string&, std::string&>;

// What a request event supplied: a file to read (0) or the document itself (1).
struct EventRec {
    int LStyle = 0;
    std::string NewName;
    std::string AString;
};

// One step of a frame's history. Seq orders the steps of all frames in time.
class FrameHistoryEntry : public TObject {
public:
    int Pos = 0;
    int Seq = 0;
    std::unique_ptr<TFreeList> FormData;
};

// The next sequence number of frame history steps (shared by every viewer).
int NextFrameHistorySequence();
// Tests start the shared counter at a chosen value.
void SetFrameHistorySequence(int next);

// The clock of a META refresh; tests inject their own.
class TRefreshTimer {
public:
    virtual ~TRefreshTimer() = default;
    virtual void Start(unsigned intervalMs) = 0;
    virtual void Stop() = 0;
    TNotifyEvent OnTimer;
};
using TRefreshTimerFactory = std::function<std::unique_ptr<TRefreshTimer>()>;
// A refresh delay in seconds as timer milliseconds, clamped to what a timer takes.
unsigned RefreshIntervalMs(long long delaySeconds);

// The published settings a frame viewer shares with every page viewer it shows.
class TFVBase : public TCustomControl, public TFrameViewerBase {
public:
    explicit TFVBase(TComponent* AOwner);

    virtual int GetCurViewerCount() = 0;
    virtual TPageViewer* GetCurViewer(int index) = 0;
    virtual TPageViewer* GetActiveViewer() = 0;
    virtual std::vector<TPageViewer*> GetViewers() = 0;
    virtual void ClearHistory() = 0;

    // ---- settings
    bool ViewImages() const { return FViewImages; }
    void SetViewImages(bool value);
    int ImageCacheCount() const { return FImageCacheCount; }
    void SetImageCacheCount(int value);
    bool NoSelect() const { return FNoSelect; }
    void SetNoSelect(bool value);
    double PrintMarginLeft() const { return FPrintMarginLeft; }
    void SetPrintMarginLeft(double value);
    double PrintMarginRight() const { return FPrintMarginRight; }
    void SetPrintMarginRight(double value);
    double PrintMarginTop() const { return FPrintMarginTop; }
    void SetPrintMarginTop(double value);
    double PrintMarginBottom() const { return FPrintMarginBottom; }
    void SetPrintMarginBottom(double value);
    double PrintScale() const { return FPrintScale; }
    void SetPrintScale(double value);
    int MarginWidth() const { return FMarginWidth; }
    void SetMarginWidth(int value);
    int MarginHeight() const { return FMarginHeight; }
    void SetMarginHeight(int value);
    TColor DefBackground() const { return FDefBackground; }
    void SetDefBackground(TColor value);
    const std::string& DefFontName() const { return FDefFontName; }
    void SetDefFontName(const std::string& value);
    const std::string& DefPreFontName() const { return FDefPreFontName; }
    void SetDefPreFontName(const std::string& value);
    int DefFontSize() const { return FDefFontSize; }
    void SetDefFontSize(int value);
    TColor DefFontColor() const { return FDefFontColor; }
    void SetDefFontColor(TColor value);
    TColor DefHotSpotColor() const { return FDefHotSpotColor; }
    void SetDefHotSpotColor(TColor value);
    TColor DefVisitedLinkColor() const { return FDefVisitedLinkColor; }
    void SetDefVisitedLinkColor(TColor value);
    TColor DefOverLinkColor() const { return FDefOverLinkColor; }
    void SetDefOverLinkColor(TColor value);
    int VisitedMaxCount() const { return FVisitedMaxCount; }
    virtual void SetVisitedMaxCount(int value);
    int HistoryMaxCount() const { return FHistoryMaxCount; }
    virtual void SetHistoryMaxCount(int value);
    TCursor ViewerCursor() const { return FViewerCursor; }
    void SetViewerCursor(TCursor value);
    uint8_t CharSet() const { return FCharSet; }
    void SetCharSet(uint8_t value);

    // ---- events (set through the setters: they reach every page viewer)
    const THotSpotTargetEvent& OnHotSpotTargetCovered() const { return FOnHotSpotTargetCovered; }
    void SetOnHotSpotTargetCovered(THotSpotTargetEvent handler) { FOnHotSpotTargetCovered = std::move(handler); }
    const THotSpotTargetClickEvent& OnHotSpotTargetClick() const { return FOnHotSpotTargetClick; }
    void SetOnHotSpotTargetClick(THotSpotTargetClickEvent handler) { FOnHotSpotTargetClick = std::move(handler); }
    const TWindowRequestEvent& OnBlankWindowRequest() const { return FOnBlankWindowRequest; }
    void SetOnBlankWindowRequest(TWindowRequestEvent handler) { FOnBlankWindowRequest = std::move(handler); }
    TNotifyEvent OnHistoryChange;
    TProcessingEvent OnProcessing;
    const TParseEvent& OnParseBegin() const { return FOnParseBegin; }
    void SetOnParseBegin(TParseEvent handler);
    const TNotifyEvent& OnParseEnd() const { return FOnParseEnd; }
    void SetOnParseEnd(TNotifyEvent handler);
    const TMetaEvent& OnMeta() const { return FOnMeta; }
    void SetOnMeta(TMetaEvent handler) { FOnMeta = std::move(handler); }
    void SetOnInclude(TIncludeEvent handler);
    void SetOnSoundRequest(TSoundEvent handler);
    void SetOnScript(TScriptEvent handler);
    void SetOnLink(TLinkEvent handler);
    void SetOnPrintHeader(TEvent<TCanvas*, int, int, int, bool&> handler);
    void SetOnPrintFooter(TEvent<TCanvas*, int, int, int, bool&> handler);
    void SetOnPrintHTMLHeader(TEvent<TPageViewer*, int, bool, int&, int&, bool&> handler);
    void SetOnPrintHTMLFooter(TEvent<TPageViewer*, int, bool, int&, int&, bool&> handler);
    void SetOnViewerMouseDown(TMouseEvent handler);
    void SetOnViewerMouseMove(TMouseMoveEvent handler);
    void SetOnViewerMouseUp(TMouseEvent handler);
    void SetOnViewerKeyDown(TKeyEvent handler);
    void SetOnViewerKeyUp(TKeyEvent handler);
    void SetOnViewerKeyPress(TKeyPressEvent handler);
    void SetOnImageClick(TPageViewer::TImageClickEvent handler);
    void SetOnImageOver(TPageViewer::TImageOverEvent handler);
    void SetOnFileBrowse(TPageViewer::TFileBrowseEvent handler);
    void SetOnObjectClick(TPageViewer::TObjectScriptEvent handler);
    void SetOnObjectFocus(TPageViewer::TObjectScriptEvent handler);
    void SetOnObjectBlur(TPageViewer::TObjectScriptEvent handler);
    void SetOnObjectChange(TPageViewer::TObjectScriptEvent handler);
    void SetOnRightClick(TPageViewer::TRightClickEvent handler);
    void SetOnMouseDouble(TMouseEvent handler);
    void SetOnPanelCreate(TPageViewer::TPanelCreateEvent handler);
    void SetOnPanelDestroy(TPageViewer::TPanelDestroyEvent handler);
    void SetOnPanelPrint(TPageViewer::TPanelPrintEvent handler);

    // ---- on the active viewer (0, empty or false without one)
    void Print(int fromPage, int toPage);
    int NumPrinterPages();
    void CopyToClipboard();
    void SelectAll();
    bool Find(const std::wstring& S, bool caseSensitive);
    bool FindEx(const std::wstring& S, bool caseSensitive, bool reverse);
    std::wstring GetSelText();
    int GetSelTextBuf(wchar_t* buffer, int bufferSize);
    int GetSelLength();
    void SetSelLength(int value);
    int GetSelStart();
    void SetSelStart(int value);
    int GetCaretPos();
    void SetCaretPos(int value);
    void SetFocus() override;
    bool InsertImage(const std::string& source, TMemoryStream* stream);

protected:
    void WndProc(TMessage& message) override;
    // Each current page viewer in turn.
    void ForEachViewer(const std::function<void(TPageViewer*)>& apply);

public:
    // Every setting of this control onto a newly made page viewer.
    virtual void CopySettingsTo(TPageViewer* viewer);

protected:
    virtual TStringBitmapList* SharedImageCache() const { return nullptr; }

    bool FViewImages = true;
    int FImageCacheCount = 5;
    bool FNoSelect = false;
    double FPrintMarginLeft = 2.0;
    double FPrintMarginRight = 2.0;
    double FPrintMarginTop = 2.0;
    double FPrintMarginBottom = 2.0;
    double FPrintScale = 1.0;
    int FMarginWidth = 10;
    int FMarginHeight = 5;
    TColor FDefBackground = clBtnFace;
    std::string FDefFontName = "Times New Roman";
    std::string FDefPreFontName = "Courier New";
    int FDefFontSize = 12;
    TColor FDefFontColor = clBtnText;
    TColor FDefHotSpotColor = 0xFF0000;
    TColor FDefVisitedLinkColor = 0x800080;
    TColor FDefOverLinkColor = 0xFF0000;
    int FVisitedMaxCount = 50;
    int FHistoryMaxCount = 0;
    TCursor FViewerCursor = crIBeam;
    uint8_t FCharSet = 1;

    THotSpotTargetEvent FOnHotSpotTargetCovered;
    THotSpotTargetClickEvent FOnHotSpotTargetClick;
    TWindowRequestEvent FOnBlankWindowRequest;
    TParseEvent FOnParseBegin;
    TNotifyEvent FOnParseEnd;
    TMetaEvent FOnMeta;
    TEvent<TCanvas*, int, int, int, bool&> FOnPrintHeader;
    TEvent<TCanvas*, int, int, int, bool&> FOnPrintFooter;
    TEvent<TPageViewer*, int, bool, int&, int&, bool&> FOnPrintHTMLHeader;
    TEvent<TPageViewer*, int, bool, int&, int&, bool&> FOnPrintHTMLFooter;
    TMouseEvent FOnViewerMouseDown;
    TMouseMoveEvent FOnViewerMouseMove;
    TMouseEvent FOnViewerMouseUp;
    TKeyEvent FOnViewerKeyDown;
    TKeyEvent FOnViewerKeyUp;
    TKeyPressEvent FOnViewerKeyPress;
    TPageViewer::TImageClickEvent FOnImageClick;
    TPageViewer::TImageOverEvent FOnImageOver;
    TPageViewer::TFileBrowseEvent FOnFileBrowse;
    TPageViewer::TObjectScriptEvent FOnObjectClick;
    TPageViewer::TObjectScriptEvent FOnObjectFocus;
    TPageViewer::TObjectScriptEvent FOnObjectBlur;
    TPageViewer::TObjectScriptEvent FOnObjectChange;
    TPageViewer::TRightClickEvent FOnRightClick;
    TMouseEvent FOnMouseDouble;
    TPageViewer::TPanelCreateEvent FOnPanelCreate;
    TPageViewer::TPanelDestroyEvent FOnPanelDestroy;
    TPageViewer::TPanelPrintEvent FOnPanelPrint;

    // Stores a changed setting and hands it to every current page viewer.
    template <class T, class Apply>
    void Spread(T& field, const T& value, Apply apply) {
        if (value == field) return;
        field = value;
        ForEachViewer(apply);
    }

    // Stores an event and hands it to every current page viewer.
    template <class E, class Apply>
    void StoreEvent(E& field, E handler, Apply apply) {
        field = std::move(handler);
        ForEachViewer([&](TPageViewer* v) { apply(v, field); });
    }
};

// A panel of a frame or a frame set.
class TFrameBase : public TPanel {
public:
    explicit TFrameBase(TComponent* AOwner, TFrameSet* master, TSubFrameSet* parentSet);

    TFrameSet* MasterSet() const { return FMasterSet; }
    // The set this panel lies in; null for the top set.
    TSubFrameSet* ParentSet() const { return FParentSet; }
    // How many sets enclose this panel (the top set is 1).
    int SetDepth() const;

    virtual void UpdateFrameList() = 0;
    // Mouse events in the coordinates of this panel.
    virtual void FVMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void FVMouseMove(TShiftState shift, int x, int y);
    virtual void FVMouseUp(TMouseButton button, TShiftState shift, int x, int y);
    // Whether the left, top, right and bottom edges may move.
    virtual void CheckNoResize(bool& left, bool& top, bool& right, bool& bottom) = 0;
    virtual void LoadFiles() = 0;
    virtual void ReLoadFiles(int position) = 0;
    virtual void UnloadFiles() = 0;
    virtual void InitializeDimensions(int x, int y, int width, int height) = 0;
    // Leaves the master's lists for good (the panel is about to go).
    virtual void DetachFromMaster();

protected:
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void WndProc(TMessage& message) override;
    // The event in the coordinates of the set this panel lies in.
    void RelayToParent(int kind, TMouseButton button, TShiftState shift, int x, int y);

    TFrameSet* FMasterSet;
    TSubFrameSet* FParentSet;
};

// One FRAME.
class TfvFrame : public TFrameBase {
public:
    TfvFrame(TComponent* AOwner, TFrameSet* master, TSubFrameSet* parentSet, TAttributeList* attributes,
             const std::string& setFileName);
    void BeforeDestruction() override;

    std::string Source;       // the file on show, without its anchor
    std::string Destination;  // its anchor
    std::string OrigSource;   // SRC as the set named it
    std::string WinName;      // NAME, upper case
    bool NoReSize = false;
    bool NoScroll = false;
    int FrameMarginWidth = 0;
    int FrameMarginHeight = 0;

    TPageViewer* Viewer() const { return FViewer; }
    TSubFrameSet* FrameSet() const { return FFrameSet; }
    const std::vector<std::string>& frHistory() const { return FfrHistory; }
    int frHistoryIndex() const { return FfrHistoryIndex; }
    int frHistoryCount() const { return static_cast<int>(FfrHistory.size()); }
    const FrameHistoryEntry* frPositionEntry(int index) const;

    void UpdateFrameList() override;
    void CheckNoResize(bool& left, bool& top, bool& right, bool& bottom) override;
    void LoadFiles() override;
    void ReLoadFiles(int position) override;
    void UnloadFiles() override;
    void InitializeDimensions(int x, int y, int width, int height) override;
    void DetachFromMaster() override;

    // Loads a page or a nested set into this frame; `bump` records the step.
    void frLoadFromFile(const std::string& fileName, const std::string& anchor, bool bump, bool reload);
    void frBumpHistory(const std::string& newName, int newPos, int oldPos, std::unique_ptr<TFreeList> formData);
    void frSetHistoryIndex(int index);
    // Drops the steps newer than the one on show.
    void ClearFrameForwards();
    void Reload();
    // Shows the error text for `name` instead of the page.
    void ShowLoadError(const std::string& name);
    // A META refresh of this frame's page (delay in seconds).
    void StartRefresh(long long delaySeconds, const std::string& url);
    void RefreshTimerTimer(TObject* sender);
    bool RefreshPending() const { return FRefreshTimer != nullptr; }
    const std::string& RefreshURL() const { return FRefreshURL; }

private:
    friend class TSubFrameSet;
    friend class TFrameViewer;

    void CreateViewer();
    // The page viewer or nested set goes (after the current message: a link
    // of the viewer may be what replaces it).
    void DestroyContents();
    // Reads `fileName` into this frame: a nested set or the page viewer.
    void LoadContents(const std::string& fileName, const std::string& anchor);
    void LoadIntoViewer(const std::string& fileName, const std::string& anchor);
    void ViewerEnter(TObject* sender);
    void ViewerMetaRefresh(TObject* sender, int delay, const std::string& url);

    TPageViewer* FViewer = nullptr;     // owned as a child component
    TSubFrameSet* FFrameSet = nullptr;  // owned as a child component
    std::vector<std::string> FfrHistory;
    std::vector<std::unique_ptr<FrameHistoryEntry>> FfrPositionHistory;
    int FfrHistoryIndex = 0;
    std::unique_ptr<TRefreshTimer> FRefreshTimer;
    std::string FRefreshURL;
    bool FUnloaded = false;
};

// One FRAMESET.
class TSubFrameSet : public TFrameBase {
public:
    TSubFrameSet(TComponent* AOwner, TFrameSet* master, TSubFrameSet* parentSet);
    void BeforeDestruction() override;

    bool Rows() const { return FRows; }
    const std::vector<int>& Dims() const { return FDims; }
    // The frame sizes of the last layout and their cumulative edges.
    const std::vector<int>& Sizes() const { return FSizes; }
    const std::vector<int>& Lines() const { return FLines; }
    const std::vector<TFrameBase*>& Frames() const { return FFrames; }
    int BorderSize() const { return FBorderSize; }
    const std::string& Base() const { return FBase; }
    const std::string& BaseTarget() const { return FBaseTarget; }
    // The character set a "content-type" META of this set's document, or of
    // an enclosing set's, named; -1 for none. Its frames' pages start in it.
    int DocumentCharSet() const;
    // The frame this set fills; null for the top set.
    TfvFrame* OwnerFrame() const;
    bool Resizing() const { return FResizing; }

    void AddFrameTag(TAttributeList* attributes, const std::string& fileName);
    TSubFrameSet* CreateSubSet();
    void DoAttributes(TAttributeList* attributes);
    virtual void EndFrameSet();
    virtual void Clear();
    virtual void RefreshTimerTimer(TObject* sender);
    // Reads a frame-set document into this set and loads its frames.
    void ParseFrameSet(LoadStyleType kind, const std::string& fileName, const std::string& text);
    void HandleMeta(TObject* sender, const std::string& httpEq, const std::string& name,
                    const std::string& content);
    // Lays the frames out again at the current size.
    void CalcSizes();
    // Ends a border drag: the mouse goes free and the sizes stay as they were.
    void CancelDrag();

    void UpdateFrameList() override;
    void FVMouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void FVMouseMove(TShiftState shift, int x, int y) override;
    void FVMouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void CheckNoResize(bool& left, bool& top, bool& right, bool& bottom) override;
    void LoadFiles() override;
    void ReLoadFiles(int position) override;
    void UnloadFiles() override;
    void InitializeDimensions(int x, int y, int width, int height) override;
    void DetachFromMaster() override;

    std::string FRefreshURL;
    long long FRefreshDelay = 0;

protected:
    void Resize() override;
    void StartRefreshTimer();
    // The inner edge within 4 pixels of (x, y) whose neighbours may move; -1 for none.
    int EdgeAt(int x, int y) const;
    void DrawFocusLine(int position);
    void ReleaseMouse();
    int Inset() const;

    bool FRows = false;
    bool FProportional = false;
    std::vector<int> FDims;
    std::vector<int> FSizes;
    std::vector<int> FLines;
    std::vector<bool> FFixedEdge;  // true: the edge after frame i may not move
    std::vector<TFrameBase*> FFrames;
    int FBorderSize = 2;
    std::string FBase;
    std::string FBaseTarget;
    int FCharSet = -1;
    std::wstring FSetTitle;
    bool FResizing = false;
    int FDragEdge = -1;
    int FDragPosition = 0;
    bool FFocusLineShown = false;
    int FFocusLinePosition = 0;
    std::unique_ptr<TRefreshTimer> FRefreshTimer;
};

// The top frame set of a frame viewer.
class TFrameSet : public TSubFrameSet {
public:
    TFrameSet(TComponent* AOwner, TFrameViewer* viewer);
    void BeforeDestruction() override;

    TFrameViewer* FrameViewer() const { return FViewer; }
    std::string FCurrentFile;
    std::wstring FTitle;
    // Upper-case NAME to frame.
    std::map<std::string, TfvFrame*> FrameNames;
    std::vector<TPageViewer*> Viewers;
    std::vector<TfvFrame*> AllFrames;
    TPageViewer* ActiveViewer = nullptr;
    TSubFrameSet* ResizingSet = nullptr;

    void LoadFromFile(const std::string& fileName, const std::string& anchor);
    void Clear() override;
    void EndFrameSet() override;
    void RefreshTimerTimer(TObject* sender) override;
    void RemoveFrame(TfvFrame* frame);
    void RemoveViewer(TPageViewer* viewer);
    // Every frame made so far across nesting has a place under the cap.
    bool FrameRoomLeft() const;

private:
    TFrameViewer* FViewer;
};

// A page viewer taken out of its frame: it no longer reaches the frame or the
// frame viewer (a link of it may still be on its way).
void ReleaseFromFrame(TPageViewer* viewer);

// At most this many frames in one frame viewer, counted across nesting.
constexpr int MaxFramesPerViewer = 256;
// Sets nested this deep hold empty frames.
constexpr int MaxFrameSetDepth = 4;

class TFrameViewer : public TFVBase {
public:
    explicit TFrameViewer(TComponent* AOwner);
    ~TFrameViewer() override;
    void BeforeDestruction() override;

    // ---- the parser's calls
    void AddFrame(TObject* frameSet, TAttributeList* attributes, const std::string& fileName) override;
    TObject* CreateSubFrameSet(TObject* frameSet) override;
    void DoAttributes(TObject* frameSet, TAttributeList* attributes) override;
    void EndFrameSet(TObject* frameSet) override;

    // ---- loading
    void LoadFromFile(const std::string& name);
    // Only with a request event assigned.
    void Load(const std::string& SRC);
    void LoadTargetFromFile(const std::string& target, const std::string& name);
    void LoadImageFile(const std::string& name);
    void Reload();
    void Clear();
    // Asks the request events, in order, for `SRC`: true when one supplied it.
    bool TriggerEvent(const std::string& SRC, EventRec& rec);
    bool RequestEventAssigned() const;
    // A frame's viewer's style-sheet request, answered through the request
    // events with a stream the frame viewer keeps (reused by the next one).
    void DoURLRequest(TObject* sender, const std::string& SRC, TStream*& stream);

    // ---- history
    void GoBack();
    void GoFwd();
    bool BackButtonEnabled();
    bool FwdButtonEnabled();
    void ClearHistory() override;
    void SetHistoryMaxCount(int value) override;
    void SetVisitedMaxCount(int value) override;
    int HistoryIndex() const { return FHistoryIndex; }
    int HistoryCount() const { return static_cast<int>(FHistory.size()); }
    const std::string& HistoryFile(int index) const { return FHistory.at(static_cast<size_t>(index)).File; }
    void SetHistoryIndex(int index);
    void BumpHistory(const std::shared_ptr<TFrameSet>& oldSet, int oldPos);
    void BumpHistory1(const std::string& fileName, int pos);
    void BumpHistory2(int pos);
    // Drops every forward step of every frame and of the viewer.
    void ClearForwards();
    // How many frame sets are alive (the one on show and the history's).
    int LiveFrameSetCount() const;

    // ---- viewers and targets
    int GetCurViewerCount() override;
    TPageViewer* GetCurViewer(int index) override;
    TPageViewer* GetActiveViewer() override;
    std::vector<TPageViewer*> GetViewers() override;
    TPageViewer* ViewerFromTarget(const std::string& target);
    TFrameSet* CurFrameSet() const { return FCurFrameSet.get(); }
    std::string GetBase();
    void SetBase(const std::string& base);
    std::string GetBaseTarget();
    std::wstring GetTitle();
    std::string GetCurrentFile();
    std::string GetActiveTarget();
    std::string GetActiveBase();
    virtual std::string HTMLExpandFilename(const std::string& name);
    // A link of a frame's viewer.
    void HotSpotClick(TObject* sender, const std::string& url, bool& handled);
    void HotSpotCovered(TObject* sender, const std::string& url);

    // ---- visited links (kept here for every frame)
    const std::vector<std::string>& Visited() const { return FVisited; }
    void AddVisitedLink(const std::string& link);
    void CheckVisitedLinks();

    // ---- processing
    bool Processing() const { return FProcessing; }
    void CheckProcessing(TObject* sender, bool value);

    // ---- the control's own settings
    TFrameViewerOptions fvOptions() const { return FOptions; }
    void SetOptions(TFrameViewerOptions options);
    TPageViewerOptions PageViewerOptions() const;
    // The border of a frame's viewer in a set whose frames have borders of
    // `setBorderSize` pixels: none when the set has none or the options take it.
    THTMLBorderStyle FrameBorderStyle(int setBorderSize) const;
    const std::string& ServerRoot() const { return FServerRoot; }
    void SetServerRoot(const std::string& value);
    TStringsRequestEvent OnStringsRequest;
    TStreamRequestEvent OnStreamRequest;
    TBufferRequestEvent OnBufferRequest;
    TFileRequestEvent OnFileRequest;
    void SetOnImageRequest(TPageViewer::TGetImageEvent handler);
    void SetOnBitmapRequest(TPageViewer::TGetBitmapEvent handler);
    void SetOnFormSubmit(TPageViewer::TFormSubmitEvent handler);
    void SetOnDragDrop(TPageViewer::TDragDropEvent handler);
    void SetOnDragOver(TPageViewer::TDragOverEvent handler);
    void SetOnProgress(TPageViewer::ThtProgressEvent handler);
    TStringBitmapList* ImageCache() const { return FImageCache.get(); }
    // Makes the clocks of META refresh (tests give their own).
    TRefreshTimerFactory RefreshTimerFactory;
    std::unique_ptr<TRefreshTimer> MakeRefreshTimer();
    void CopySettingsTo(TPageViewer* viewer) override;
    // A viewer or nested set taken out of its frame is freed after the
    // current message: the link that replaced it may still be running in it.
    void Retire(TControl* control);
    void ReleaseRetired();
    // Runs a load with the viewer processing; failures stay inside.
    void RunLoad(const std::function<void()>& body);

protected:
    void WndProc(TMessage& message) override;
    TStringBitmapList* SharedImageCache() const override { return FImageCache.get(); }

private:
    friend class TfvFrame;
    friend class TSubFrameSet;
    friend class TFrameSet;

    struct HistoryItem {
        std::string File;
        std::shared_ptr<TFrameSet> Set;
        std::wstring Title;
        int Pos = 0;
    };

    bool AskRequestEvents(const std::string& SRC, EventRec& rec);
    std::unique_ptr<TMemoryStream> FURLStream;
    std::shared_ptr<TFrameSet> NewFrameSet();
    void ShowFrameSet(const std::shared_ptr<TFrameSet>& set);
    void LoadFromFileInternal(const std::string& name);
    void SetProcessing(bool value);
    // Processing is on for the life of the scope; the old value comes back after.
    class TProcessingScope {
    public:
        explicit TProcessingScope(TFrameViewer* viewer) : FViewer(viewer), FWas(viewer->FProcessing) {
            viewer->SetProcessing(true);
        }
        ~TProcessingScope() { FViewer->SetProcessing(FWas); }
        TProcessingScope(const TProcessingScope&) = delete;
        TProcessingScope& operator=(const TProcessingScope&) = delete;

    private:
        TFrameViewer* FViewer;
        bool FWas;
    };
    // The position of the single viewer of the set on show, else 0.
    int SingleViewerPosition() const;
    void LoadIntoTarget(const std::string& target, TfvFrame* source, const std::string& fileName,
                        const std::string& anchor);
    TfvFrame* FrameOfViewer(TObject* viewer) const;
    void StopSound();

    TPageViewer::TGetImageEvent FOnImageRequest;
    TPageViewer::TGetBitmapEvent FOnBitmapRequest;
    TPageViewer::TFormSubmitEvent FOnFormSubmit;
    TPageViewer::TDragDropEvent FOnDragDrop;
    TPageViewer::TDragOverEvent FOnDragOver;
    TPageViewer::ThtProgressEvent FOnProgress;
    std::shared_ptr<TFrameSet> FCurFrameSet;
    std::vector<owned_ptr<TControl>> FRetired;
    std::vector<std::shared_ptr<TFrameSet>> FRetiredSets;
    bool FReleasePosted = false;
    std::unique_ptr<TStringBitmapList> FImageCache;
    std::vector<HistoryItem> FHistory;
    int FHistoryIndex = 0;
    std::vector<std::string> FVisited;
    TFrameViewerOptions FOptions = FvOption(fvPrintMonochromeBlack) | FvOption(fvPrintTableBackground);
    std::string FServerRoot;
    std::string FURL;
    std::string FTarget;
    std::string FSecondBase;
    // The last request's answer, kept for one operation: a document is asked
    // for once even when the set and then its frame read it.
    bool FRequestKept = false;
    std::string FRequestSrc;
    EventRec FRequest;
    bool FRequestResult = false;
    bool FProcessing = false;     // this control's own load
    bool FAnyProcessing = false;  // combined with every frame's viewer
};
