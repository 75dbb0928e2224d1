#include "html/section_list.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "html/font_obj.h"
#include "html/form_controls.h"
#include "html/html_scanner.h"
#include "html/image_cache.h"
#include "html/image_map.h"
#include "html/image_obj.h"
#include "html/sel_text.h"
#include "html/style_list.h"
#include "html/text_section.h"

TSectionList::TSectionList(TDocumentHost* host)
    : TCell(this),
      Host(host),
      Styles(std::make_unique<TStyleList>(&LinkHoverEnabled)),
      IDObjects(std::make_unique<TIDNameList>(this)),
      InlineBorders(new TInlineList(this)) {}

TSectionList::TSectionList(const TSectionList& source)
    : TCell(this),
      Host(source.Host),
      DisplayImages(source.DisplayImages),
      Printing(source.Printing),
      ScrollY(source.ScrollY),
      ScrollYChanged(source.ScrollYChanged),
      SelFirstPos(source.SelFirstPos),
      SelEndPos(source.SelEndPos),
      FixedPitchFontName(source.FixedPitchFontName),
      ColorOfVisited(source.ColorOfVisited),
      ColorOfHover(source.ColorOfHover),
      ColorOfLinks(source.ColorOfLinks),
      TableBackgroundsPrinted(source.TableBackgroundsPrinted),
      PrintTextBlack(source.PrintTextBlack),
      Background(source.Background),
      BackgroundChangeHandler(source.BackgroundChangeHandler),
      BackdropPlacement(source.BackdropPlacement),
      LinkHoverEnabled(source.LinkHoverEnabled),
      DummyCaretWanted(source.DummyCaretWanted),
      ProgressBase(source.ProgressBase),
      PrintCopyFlag(true),
      // The copy keeps a list of its own: the source may be cleared or freed
      // while a print job still lays out or draws the copy.
      InlineBorders(new TInlineList(this, *source.InlineBorders)),
      // The viewer's cache outlives every copy (a job ends before its viewer
      // goes); the images of the copy count their own uses of it.
      CachedImages(source.CachedImages),
      // The host's hooks and events go with the copy: a picture the copy
      // looks up comes from where the source's came from.
      GetBitmapHook(source.GetBitmapHook),
      GetImageHook(source.GetImageHook),
      NameExpander(source.NameExpander),
      OnPanelCreate(source.OnPanelCreate),
      OnPanelDestroy(source.OnPanelDestroy),
      OnPanelPrint(source.OnPanelPrint),
      FormSubmitHandler(source.FormSubmitHandler),
      ObjectClickHandler(source.ObjectClickHandler),
      ObjectFocusHandler(source.ObjectFocusHandler),
      ObjectBlurHandler(source.ObjectBlurHandler),
      ObjectChangeHandler(source.ObjectChangeHandler),
      FileBrowseHandler(source.FileBrowseHandler) {
    // The sections are copied once the document they go into is whole.
    SetOwnerTag(source.OwnerTag());
    for (int i = 0; i < source.Count(); ++i) Add(source.Section(i)->CreateClone(this));
}

TSectionList::~TSectionList() {
    Clear();
    if (FOwnsInlineBorders) delete InlineBorders;
}

void TSectionList::AddSectionToPositionList(TSectionBase* section) { SectionsByPosition.push_back(section); }

int TSectionList::FindDocPos(int sourcePos, bool prev) {
    const int r = TCellBasic::FindDocPos(sourcePos, prev);
    return r < 0 ? Len : r;
}

bool TSectionList::SourcePosToY(int sourcePos, int& y) {
    int x = 0;
    return CursorToXY(nullptr, FindDocPos(sourcePos, false), x, y);
}

void TSectionList::Clear() {
    if (!PrintCopyFlag) {
        if (IDObjects) IDObjects->Clear();
        SectionsByPosition.clear();
        InlineBorders->Clear();
    }
    BackdropBitmap = BackdropMask = nullptr;
    if (BackdropLoaded && !BackdropName.empty() && CachedImages && !PrintCopyFlag)
        CachedImages->DecUsage(Trim(UpperCase(BackdropName)));
    BackdropName.clear();
    BackdropLoaded = false;
    AnimatedImages.clear();
    PendingImages.clear();
    ImageMaps.clear();
    ImageUnderMouse = nullptr;
    if (FHasTimer && Host) Host->FreeAnimationTimer();
    FHasTimer = false;
    SelFirstPos = SelEndPos = 0;
    LinkUnderMouse = nullptr;
    if (!PrintCopyFlag && Styles) Styles->Clear();
    TabOrderItems.clear();
    // Every run leaves the link list at once, so freeing the sections does
    // not take them out one by one.
    for (TFontObj* run : LinkRuns) run->SetLinkIndex(-1);
    LinkRuns.clear();
    // The controls go before the sections, which then find none to free.
    ClearForms();
    TCell::Clear();
    // The boxes and cells that named them are gone: the names would else
    // stay for the viewer's life, page after page.
    FSharedNames.clear();
    FRecentNames.fill(nullptr);
    FNextRecent = FLastRecent = 0;
    PanelItems.clear();
    TextSectionTotal = 0;
}

int TSectionList::DoLogic(TCanvas* Canvas, int Y, int Width, int HeightArg, int EnclosingHeight, int& ScrollWidth,
                          int& PosCounter) {
    ++LayoutCycle;
    FLowestTopCycle = -1;
    TableDepth = 0;
    InSecondPass = false;
    if (FHasTimer && Host) Host->SetAnimationTimer(false, FTimerInterval);
    PrepareFormControls(Canvas);
    const int result = TCell::DoLogic(Canvas, Y, Width, HeightArg, EnclosingHeight, ScrollWidth, PosCounter);
    for (TAnimatedImage* image : AnimatedImages) {
        image->SetAnimate(false);
        if (!PrintCopyFlag) image->SetAnimate(true);
    }
    if (!PrintCopyFlag && Host) {
        if (!FHasTimer) FTimerInterval = 50;
        Host->SetAnimationTimer(!AnimatedImages.empty(), FTimerInterval);
        FHasTimer = true;
    }
    if (!PrintCopyFlag && SectionsByPosition.empty()) AddSectionsToList();
    return result;
}

int TSectionList::Draw(TCanvas* Canvas, const TRect& ARect, int ClipWidth, int X, int Y, int OriginX,
                       int OriginY) {
    PageBottomY = SaturateY(int64_t{ScrollY} + ARect.Bottom);
    PageBottomLowered = false;
    PageStillEmpty = true;
    if (FHasTimer && Host) Host->SetAnimationTimer(false, FTimerInterval);
    for (TAnimatedImage* image : AnimatedImages) image->ClearPainted();
    for (TPanelObj* panel : PanelItems) panel->Painted = false;
    struct TPaletteBack {
        TCanvas* canvas;
        void* old;
        ~TPaletteBack() { RestorePalette(canvas, old); }
    } palette{Canvas, SelectEnginePalette(Canvas)};
    const bool placeControls = (ScrollYChanged || FControlsMoved) && !PrintCopyFlag;
    if (placeControls) HideControls();
    int result;
    {
        struct TDeferScope {
            TSectionList& doc;
            explicit TDeferScope(TSectionList& d) : doc(d) {
                doc.DeferredDraws.Clear();
                doc.FDeferringImages = true;
            }
            ~TDeferScope() {
                doc.FDeferringImages = false;
                doc.DeferredDraws.Clear();
            }
        } defer(*this);
        result = TCell::Draw(Canvas, ARect, ClipWidth, X, Y, OriginX, OriginY);
        DeferredDraws.DrawImages();
    }
    if (placeControls) AdjustFormControls();
    if (ScrollYChanged)
        for (TPanelObj* panel : PanelItems)
            if (!panel->Painted) panel->HideWindow();
    ScrollYChanged = false;
    if (FHasTimer && Host) Host->SetAnimationTimer(!AnimatedImages.empty(), FTimerInterval);
    return result;
}

void TSectionList::CheckGIFList() {
    if (PrintCopyFlag) return;
    for (TAnimatedImage* image : AnimatedImages)
        if (image->WasPainted()) image->CheckTime();
    FTimerInterval = 40;
    if (FHasTimer && Host) Host->SetAnimationTimer(!AnimatedImages.empty(), FTimerInterval);
}

guResultType TSectionList::GetURL(TCanvas* Canvas, int X, int Y, TUrlTarget*& TargetOut,
                                  TImageFormControlObj*& ControlOut, std::string& TitleOut) {
    TFontObj* oldLink = LinkUnderMouse;
    TImageObj* oldImage = ImageUnderMouse;
    LinkUnderMouse = nullptr;
    ImageUnderMouse = nullptr;
    const guResultType result = TCell::GetURL(Canvas, X, Y, TargetOut, ControlOut, TitleOut);
    if (LinkHoverEnabled && oldLink != LinkUnderMouse) {
        if (oldLink) oldLink->SetAllHovers(false);
        if (LinkUnderMouse) LinkUnderMouse->SetAllHovers(true);
        if (Host) Host->InvalidatePanel();
    }
    if (oldImage && oldImage != ImageUnderMouse) oldImage->SetHover(hvOff);
    if (ImageUnderMouse) ImageUnderMouse->SetHover(FLeftButtonDown ? hvOverDown : hvOverUp);
    return result;
}

void TSectionList::SetYOffset(int Y) {
    ScrollY = Y;
    ScrollYChanged = true;
}

void TSectionList::SetFonts(const std::string& name, const std::string& fixedPitchName, int size, TColor color,
                            TColor hotSpot, TColor visited, TColor active, TColor background, bool hoverLinksOn,
                            bool linkUnderline, uint8_t charset, int marginHeight, int marginWidth) {
    if (Styles)
        Styles->Initialize(name, fixedPitchName, size, color, hotSpot, visited, active, linkUnderline, charset,
                           marginHeight, marginWidth);
    InitializeFontSizes(size);
    FixedPitchFontName = fixedPitchName.substr(0, 32);
    ColorOfLinks = hotSpot;
    ColorOfVisited = visited;
    ColorOfHover = active;
    LinkHoverEnabled = hoverLinksOn;
    SetBackground(background);
}

void TSectionList::SetBackground(TColor color) {
    Background = color;
    if (BackgroundChangeHandler) BackgroundChangeHandler(nullptr);
}

void TSectionList::SetBackgroundBitmap(const std::string& name, const PositionRec& placement) {
    BackdropName = name;
    BackdropLoaded = false;
    BackdropPlacement = placement;
}

int TSectionList::GatherSelection(SelTextCount& collector) {
    struct TResetCB {
        SelTextCount*& cb;
        ~TResetCB() { cb = nullptr; }
    } reset{CB};
    CB = &collector;
    for (int i = 0; i < Count(); ++i) {
        TSectionBase* s = Section(i);
        if (s->FirstDocPos >= SelEndPos) break;
        if (SelFirstPos < s->FirstDocPos + s->Len) s->CopyToClipboard();
    }
    return collector.Terminate();
}

int TSectionList::GetSelLength() {
    if (SelFirstPos >= SelEndPos) return 0;
    SelTextCount count;
    return GatherSelection(count);
}

int TSectionList::GetSelTextBuf(wchar_t* buffer, int bufferSize) {
    if (SelFirstPos >= SelEndPos) {
        if (bufferSize < 1) return 0;
        buffer[0] = 0;
        return 1;
    }
    SelTextBuf collector(buffer, bufferSize);
    return GatherSelection(collector);
}

TSectionBase* TSectionList::FindSectionAtPosition(int Pos, int& TopPos, int& Index) {
    // The answer is the last section listed whose top is at or above Pos.
    // Positioned and floated content leaves the list out of vertical order,
    // so the search runs over the least top of each section and all listed
    // after it: that never decreases along the list, and its last entry at
    // or above Pos is at the section sought.
    const size_t n = SectionsByPosition.size();
    if (FLowestTopCycle != LayoutCycle || FLowestTopFrom.size() != n) {
        FLowestTopFrom.resize(n);
        int lowest = INT_MAX;
        for (size_t i = n; i-- > 0;)
            FLowestTopFrom[i] = lowest = std::min(lowest, SectionsByPosition[i]->GetYPosition());
        FLowestTopCycle = LayoutCycle;
    }
    const auto it = std::upper_bound(FLowestTopFrom.begin(), FLowestTopFrom.end(), Pos);
    if (it == FLowestTopFrom.begin()) return nullptr;
    const size_t i = static_cast<size_t>(it - FLowestTopFrom.begin()) - 1;
    TopPos = SectionsByPosition[i]->GetYPosition();
    Index = static_cast<int>(i);
    return SectionsByPosition[i];
}

bool TSectionList::CursorToXY(TCanvas* Canvas, int Cursor, int& X, int& Y) {
    if (Cursor >= Len && Len > 0) {
        const bool found = TCellBasic::CursorToXY(Canvas, Len - 1, X, Y);
        if (found) X += 15;
        return found;
    }
    return TCellBasic::CursorToXY(Canvas, Cursor, X, Y);
}

void TSectionList::LButtonDown(bool down) {
    FLeftButtonDown = down;
    if (!ImageUnderMouse) return;
    ImageUnderMouse->SetHover(down ? hvOverDown : hvOverUp);
    if (Host) Host->InvalidatePanel();
}

void TSectionList::CancelActives() {
    if (LinkUnderMouse) {
        if (Host) Host->InvalidatePanel();
        LinkUnderMouse->SetAllHovers(false);
        LinkUnderMouse = nullptr;
    }
    if (ImageUnderMouse) {
        if (Host) Host->InvalidatePanel();
        ImageUnderMouse->SetHover(hvOff);
        ImageUnderMouse = nullptr;
    }
}

void TSectionList::ProcessInlines(int sourcePos, TProperties& prop, bool start) {
    if (start) {
        const TVMarginArray v = prop.VMarginArray();
        prop.GetResolvedFont();  // sets the em and ex sizes
        TMarginArray m;
        ConvInlineMargArray(v, 200, 200, prop.EmPixels, prop.ExPixels, m);
        InlineBorders->StartElement(sourcePos, prop.SerialNo, m);
    } else {
        InlineBorders->EndElement(sourcePos, prop.SerialNo);
    }
}

void TSectionList::AddLinkRun(TFontObj* run) {
    if (!run || run->LinkIndex() >= 0) return;
    run->SetLinkIndex(static_cast<int>(LinkRuns.size()));
    LinkRuns.push_back(run);
}

void TSectionList::RemoveLinkRun(TFontObj* run) {
    if (!run || run->LinkIndex() < 0) return;
    const auto at = static_cast<size_t>(run->LinkIndex());
    if (at < LinkRuns.size() && LinkRuns[at] == run) {
        LinkRuns.erase(LinkRuns.begin() + static_cast<ptrdiff_t>(at));
        for (size_t i = at; i < LinkRuns.size(); ++i) LinkRuns[i]->SetLinkIndex(static_cast<int>(i));
    }
    run->SetLinkIndex(-1);
}

void TSectionList::ForgetObject(TObject* object) {
    if (!object) return;
    if (auto* run = dynamic_cast<TFontObj*>(object)) RemoveLinkRun(run);
    if (LinkUnderMouse == object) LinkUnderMouse = nullptr;
    for (auto it = TabOrderItems.begin(); it != TabOrderItems.end();)
        it = it->second == object ? TabOrderItems.erase(it) : std::next(it);
    auto* id = dynamic_cast<TIDObject*>(object);
    if (!id || !IDObjects) return;
    bool named = false;
    for (int i = 0; i < IDObjects->Count() && !named; ++i) named = IDObjects->Objects(i) == id;
    if (named) {
        // The index has no removal; it is made again without the object
        // (position entries, which the index owns, are made anew).
        auto rebuilt = std::make_unique<TIDNameList>(this);
        for (int i = 0; i < IDObjects->Count(); ++i) {
            TIDObject* o = IDObjects->Objects(i);
            if (o == id) continue;
            if (auto* ch = dynamic_cast<TChPosObj*>(o))
                rebuilt->AddChPosObject(IDObjects->Strings(i), ch->SourcePos);
            else
                rebuilt->AddObject(IDObjects->Strings(i), o);
        }
        IDObjects = std::move(rebuilt);
    }
}

void TSectionList::AddTabOrderItem(int tabIndex, TObject* object) {
    // Within 99999 and 999 the key is "%.5d%.3d"; a larger part is ':' (after
    // the digits), its digit count and its digits, so that the keys still
    // sort as the pairs of numbers do.
    auto part = [](int value, int width) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%d", std::max(value, 0));
        const std::string d = digits;
        if (static_cast<int>(d.size()) <= width) return std::string(static_cast<size_t>(width) - d.size(), '0') + d;
        return std::string(1, ':') + static_cast<char>('0' + d.size()) + d;
    };
    TabOrderItems.emplace(part(tabIndex, 5) + part(static_cast<int>(TabOrderItems.size()), 3), object);
}

const std::string& TSectionList::SharedName(std::string_view name) {
    // A page repeats a few names over and over: the one found last, then
    // those asked for lately, are looked at before the set.
    auto same = [name](const std::string* s) {
        return s && s->size() == name.size() && std::equal(name.begin(), name.end(), s->begin());
    };
    if (same(FRecentNames[FLastRecent])) return *FRecentNames[FLastRecent];
    for (size_t i = 0; i < FRecentNames.size(); ++i)
        if (same(FRecentNames[i])) {
            FLastRecent = i;
            return *FRecentNames[i];
        }
    auto it = FSharedNames.find(name);
    if (it == FSharedNames.end()) it = FSharedNames.emplace(name).first;
    FLastRecent = FNextRecent;
    FRecentNames[FNextRecent] = &*it;
    FNextRecent = (FNextRecent + 1) % FRecentNames.size();
    return *it;
}

const std::string* SharedName(TSectionList* document, std::string_view name) {
    if (document) return &document->SharedName(name);
    static std::set<std::string, std::less<>> names;
    return &*names.emplace(name).first;
}
