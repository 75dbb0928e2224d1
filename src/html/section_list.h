// The laid-out document of one viewer: the top cell with everything that
// belongs to the document as a whole (links, IDs, style sheet, inline
// borders, selection, scroll offset, hover state, animation timer), and the
// host interface through which it reaches its viewer. Free of window headers.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/graphics_types.h"
#include "html/box_values.h"
#include "html/cell.h"
#include "html/html_types.h"
#include "html/section_base.h"
#include "html/style_props.h"

class TBitmap;
class TCanvas;
class TFontObj;
class TFormControlObj;
class ThtmlForm;
class TImageObj;
class TLinkTabStop;
class TMapItem;
class TMemoryStream;
class TPanelObj;
class TPersistent;
class TStringBitmapList;
class TWinControl;
enum Transparency : int;
class TStyleList;
class SelTextCount;

// What the document asks of the viewer that shows it.
class TDocumentHost {
public:
    // The animation timer the host owns for the document: made on the first
    // call, then enabled or disabled at the interval given; on each tick the
    // host calls TSectionList::CheckGIFList.
    virtual void SetAnimationTimer(bool enabled, int intervalMs) = 0;
    virtual void FreeAnimationTimer() = 0;
    // A file name of the document made full (HTMLExpandFilename).
    virtual std::string ExpandFileName(const std::string& name) = 0;
    // Layout progress in percent.
    virtual void Progress(int percent) = 0;
    // A link chosen from the keyboard is followed (TriggerUrlAction).
    virtual void LinkAction(const TUrlTarget& target) = 0;
    // A key pressed while a link's tab stop has focus, for the viewer's own
    // scrolling keys.
    virtual void KeyDown(uint16_t& key, unsigned shift) = 0;
    // Focus came to a link's tab stop (the viewer scrolls it into view).
    virtual void ControlEnter(TObject* sender) = 0;
    // The paint panel is to be painted again.
    virtual void InvalidatePanel() = 0;
    // A new invisible tab stop for a link, its events bound to the run; null
    // when the host gives links no tab stops.
    virtual std::unique_ptr<TLinkTabStop> CreateLinkTabStop(TFontObj* run) = 0;
    // A section that could not be laid out is dropped; its message is shown
    // in an error box with an OK button.
    virtual void ShowProcessError(const std::string& message) { (void)message; }
    // The window that the document's panels are children of; null when the
    // host has none (panels then work without windows).
    virtual TWinControl* PaintPanel() { return nullptr; }

protected:
    ~TDocumentHost() = default;
};

// An image the document advances from its timer (GIF animation).
class TAnimatedImage {
public:
    virtual void SetAnimate(bool animate) = 0;
    virtual bool WasPainted() const = 0;
    virtual void ClearPainted() = 0;
    virtual void CheckTime() = 0;

protected:
    ~TAnimatedImage() = default;
};

class TSectionList : public TCell, public TSectionDocument, public TSourcePositionLocator {
public:
    explicit TSectionList(TDocumentHost* host);
    // The copy for printing and off-screen output.
    explicit TSectionList(const TSectionList& source);
    ~TSectionList() override;
    TSectionList& operator=(const TSectionList&) = delete;

    // TSectionDocument
    void AddSectionToPositionList(TSectionBase* section) override;
    int FindDocPos(int sourcePos, bool prev) override;
    TSectionList* SectionList() override { return this; }
    // TSourcePositionLocator: where the last layout put a source position.
    bool SourcePosToY(int sourcePos, int& y) override;

    void Clear() override;
    int DoLogic(TCanvas* Canvas, int Y, int Width, int HeightArg, int EnclosingHeight, int& ScrollWidth,
                int& PosCounter) override;
    int Draw(TCanvas* Canvas, const TRect& ARect, int ClipWidth, int X, int Y, int OriginX, int OriginY) override;
    guResultType GetURL(TCanvas* Canvas, int X, int Y, TUrlTarget*& TargetOut, TImageFormControlObj*& ControlOut,
                        std::string& TitleOut) override;

    void SetYOffset(int Y);
    void SetFonts(const std::string& name, const std::string& fixedPitchName, int size, TColor color,
                  TColor hotSpot, TColor visited, TColor active, TColor background, bool hoverLinksOn,
                  bool linkUnderline, uint8_t charset, int marginHeight, int marginWidth);
    void SetBackground(TColor color);
    void SetBackgroundBitmap(const std::string& name, const PositionRec& placement);

    int GetSelLength();
    void CopyToClipboardA(int length);
    int GetSelTextBuf(wchar_t* buffer, int bufferSize);

    TSectionBase* FindSectionAtPosition(int Pos, int& TopPos, int& Index);
    bool CursorToXY(TCanvas* Canvas, int Cursor, int& X, int& Y);
    void LButtonDown(bool down);
    void CancelActives();
    void CheckGIFList();
    void ProcessInlines(int sourcePos, TProperties& prop, bool start);

    // Pictures by name through the image cache (image_cache_doc.cpp).
    TPersistent* GetTheBitmap(const std::string& name, Transparency& transparent, TBitmap*& mask, bool& fromCache,
                              bool& delay);
    // A delayed picture arrived; reformat: the document must be laid out again.
    void InsertImage(const std::string& sourceName, TMemoryStream* stream, bool& reformat);
    TBitmap* GetBackgroundBitmap();
    // An image object or panel leaves every list of the document.
    void ForgetImage(TObject* object);

    // The link list: runs enter once and leave before they are freed.
    void AddLinkRun(TFontObj* run);
    void RemoveLinkRun(TFontObj* run);
    // Every list that may point at `object` forgets it (before it is freed).
    void ForgetObject(TObject* object);
    // "%.5d%.3d" of the tab index and the list's count orders the stops.
    void AddTabOrderItem(int tabIndex, TObject* object);

    TDocumentHost* Host;  // not owned; null for a document nobody shows
    bool DisplayImages = true;
    bool Printing = false;
    int ScrollY = 0;
    bool ScrollYChanged = false;
    int SelFirstPos = 0;
    int SelEndPos = 0;
    std::string FixedPitchFontName;
    TColor ColorOfVisited = 0x800080;
    TColor ColorOfHover = 0xFF00FF;
    TColor ColorOfLinks = 0xFF0000;
    bool TableBackgroundsPrinted = false;
    bool PrintTextBlack = false;
    // The colours (NUMCOLORS) of the device a print job draws on, read once
    // for the job; 0: unknown, the device is asked where it matters.
    int PrintDeviceColors = 0;
    TColor Background = 0xFFFFFF;
    TNotifyEvent BackgroundChangeHandler;
    std::string BackdropName;
    PositionRec BackdropPlacement{};
    bool BackdropLoaded = false;
    std::vector<TAnimatedImage*> AnimatedImages;  // not owned
    SelTextCount* CB = nullptr;  // only while selection text is gathered
    int PageBottomY = 0;
    bool PageBottomLowered = false;
    std::vector<TFontObj*> LinkRuns;  // not owned
    TFontObj* LinkUnderMouse = nullptr;
    bool LinkHoverEnabled = false;
    bool DummyCaretWanted = false;
    std::unique_ptr<TStyleList> Styles;  // absent on a copy
    int* FirstBaselineTarget = nullptr;
    // Floated pictures of the paint under way, painted after every section;
    // only collected while `Draw` runs (a section painted on its own paints
    // its floats at once).
    TDrawList DeferredDraws;
    bool DeferringImages() const { return FDeferringImages; }
    std::unique_ptr<TIDNameList> IDObjects;  // absent on a copy
    std::vector<TSectionBase*> SectionsByPosition;
    int TextSectionTotal = 0;
    int LayoutCycle = 0;
    int ProgressBase = 0;
    bool PrintCopyFlag = false;
    bool SuppressOutput = false;
    // Set on a copy that only counts pages: nothing drawn is kept, so boxes,
    // cell frames and bullets are passed over and only what decides where
    // pages end is done.
    bool CountingOnly = false;
    std::multimap<std::string, TObject*> TabOrderItems;
    bool PageStillEmpty = true;
    bool LinksNotTabbed = false;
    TInlineList* InlineBorders;  // owned
    int TableDepth = 0;
    bool InSecondPass = false;

    // Pictures.
    TStringBitmapList* CachedImages = nullptr;  // the viewer's; not owned
    // Host hooks: a bitmap for a name (with a transparent colour, -1 for
    // none); an image stream for a name (WaitStream: it comes later; null: the
    // file is read); a name made full.
    std::function<bool(const std::string& name, TBitmap*& bitmap, TColor& color)> GetBitmapHook;
    std::function<TMemoryStream*(const std::string& name)> GetImageHook;
    std::function<std::string(const std::string& name)> NameExpander;
    // Panel events: created (name, type, source, the panel), destroyed, printed
    // into a bitmap.
    std::function<void(const std::string& name, const std::string& type, const std::string& src, TWinControl* panel)>
        OnPanelCreate;
    std::function<void(TWinControl* panel)> OnPanelDestroy;
    std::function<void(TWinControl* panel, TBitmap* bitmap)> OnPanelPrint;
    TBitmap* BackdropBitmap = nullptr;  // not owned
    TBitmap* BackdropMask = nullptr;    // not owned
    std::vector<std::pair<std::string, TObject*>> PendingImages;  // upper-cased name, waiting object
    std::vector<TPanelObj*> PanelItems;  // not owned
    std::vector<std::unique_ptr<TMapItem>> ImageMaps;
    TImageObj* ImageUnderMouse = nullptr;

    // Forms (form_document.cpp). The forms own their controls; every control
    // of the document is also listed in AllFormControls (not owned). The
    // reader adds controls to CurrentForm.
    std::vector<std::unique_ptr<ThtmlForm>> DocForms;
    std::vector<TFormControlObj*> AllFormControls;
    ThtmlForm* CurrentForm = nullptr;
    // The viewer's form events: a submission (action, target, encoding type,
    // method, the name=value lines); a control's click, focus, blur and
    // change with its script; a file button's browse for its edit's name.
    std::function<void(const std::string& action, const std::string& target, const std::string& encType,
                       const std::string& method, const std::vector<std::string>& results)>
        FormSubmitHandler;
    std::function<void(TObject* control, const std::string& script)> ObjectClickHandler, ObjectFocusHandler,
        ObjectBlurHandler, ObjectChangeHandler;
    std::function<void(TObject* control, std::string& fileName)> FileBrowseHandler;
    // No control counts as placed until the next paint places it.
    void HideControls();
    // Controls the last paint did not place wait outside the view.
    void AdjustFormControls();
    // The submission lines of every form, for the history; empty without forms.
    std::vector<std::vector<std::string>> GetFormcontrolData();
    void SetFormcontrolData(const std::vector<std::vector<std::string>>& data);
    // Frees the forms and their controls.
    void ClearForms();
    // Sizes every control and hands out the tab order (before layout).
    void PrepareFormControls(TCanvas* Canvas);
    // The document's one copy of a name of boxes and cells ("p.", "li"): a
    // page's thousands of boxes share a few names.
    const std::string& SharedName(std::string_view name);
    // The values of the document's boxes, shared by the boxes that have the
    // same (a print copy lists its own).
    TBoxValuesPool BoxValuesPool;

private:
    // The text of the selection gathered into `collector`.
    int GatherSelection(SelTextCount& collector);
    // On a display of 8 bits per pixel or fewer the engine's palette is put
    // into the canvas for one paint (as a background palette, realised); the
    // value returned gives the old one back to RestorePalette. Null: nothing
    // was selected.
    static void* SelectEnginePalette(TCanvas* canvas);
    static void RestorePalette(TCanvas* canvas, void* old);

    bool FHasTimer = false;
    // For FindSectionAtPosition: the least top of each listed section and of
    // those after it, as of layout FLowestTopCycle.
    std::vector<int> FLowestTopFrom;
    int FLowestTopCycle = -1;
    bool FDeferringImages = false;
    int FTimerInterval = 50;
    bool FOwnsInlineBorders = true;
    bool FLeftButtonDown = false;
    bool FControlsMoved = false;  // layout ran: the next paint places the controls anew
    std::set<std::string, std::less<>> FSharedNames;
    std::array<const std::string*, 8> FRecentNames{};
    size_t FNextRecent = 0;
    size_t FLastRecent = 0;
};

// The document's copy of the name, or, with no document (tests alone), one
// kept for the program's life.
const std::string* SharedName(TSectionList* document, std::string_view name);
