#include "html/section_base.h"

#include <algorithm>

#include "html/indent_manager.h"

TSectionBase::TSectionBase(TSectionDocument* document) : OwnerDocument(document) {}

TSectionBase::TSectionBase(TSectionDocument* document, const TSectionBase& source)
    : OwnerDocument(document), FullHeight(source.FullHeight), ZIndex(source.ZIndex), PlacedY(0) {}

int TSectionBase::GetYPosition() { return PlacedY; }

TSectionBase* TSectionBase::CreateClone(TSectionDocument* document) const { return new TSectionBase(document, *this); }

void TSectionBase::CopyToClipboard() {}

// The layout of a section of fixed height.
int TSectionBase::DrawLogic(TCanvas*, int, int Y, int, int, int, int, int, IndentManager* IndentRef, int& MaxWidth,
                            int& PosCounter) {
    FirstDocPos = PosCounter;
    PaintHeight = FullHeight;
    MaxWidth = IndentRef ? IndentRef->CellWidth : 0;
    PlacedY = Y;
    PaintTop = Y;
    InnerTop = Y;
    InnerBottom = SaturateY(int64_t{Y} + FullHeight);
    PaintBottom = SaturateY(int64_t{Y} + PaintHeight);
    return FullHeight;
}

int TSectionBase::Draw1(TCanvas*, const TRect&, IndentManager*, int, int, int) {
    return SaturateY(int64_t{InnerTop} + FullHeight);
}

guResultType TSectionBase::GetURL(TCanvas*, int, int, TUrlTarget*&, TImageFormControlObj*&, std::string&) { return 0; }
bool TSectionBase::PtInObject(int, int, TObject*&, int&, int&) { return false; }
int TSectionBase::FindCursor(TCanvas*, int, int, int&, int&, int&, bool&) { return -1; }
int TSectionBase::FindString(int, const std::wstring&, bool) { return -1; }
int TSectionBase::FindStringR(int, const std::wstring&, bool) { return -1; }
int TSectionBase::FindSourcePos(int) { return -1; }
int TSectionBase::FindDocPos(int, bool) { return -1; }
bool TSectionBase::CursorToXY(TCanvas*, int, int&, int&) { return false; }
bool TSectionBase::GetChAtPos(int, wchar_t&, TObject*&) { return false; }

void TSectionBase::MinMaxWidth(TCanvas*, int& Min, int& Max) {
    Min = 0;
    Max = 0;
}

void TSectionBase::AddSectionsToList() {
    if (OwnerDocument) OwnerDocument->AddSectionToPositionList(this);
}

// ---- inline elements

void TInlineList::Clear() {
    TFreeList::Clear();
    NeedsUpdate = true;
    FMapped = 0;
    FMaxEnd.clear();
}

TInlineList::TInlineList(TSectionDocument* owner, TInlineList& source) : Owner(owner) {
    if (source.NeedsUpdate) source.Update();
    NeedsUpdate = false;
    FMapped = source.FMapped;
    FStartsSorted = source.FStartsSorted;
    FMaxEnd = source.FMaxEnd;
    for (int i = 0; i < source.Count(); ++i) {
        const InlineRec* from = source.Rec(i);
        auto* r = new InlineRec;
        r->StartPos = from->StartPos;
        r->EndPos = from->EndPos;
        r->ID = from->ID;
        r->BoxValues = from->BoxValues;
        Add(r);
    }
}

void TInlineList::StartElement(int sourcePos, int id, const TMarginArray& boxValues) {
    auto* r = new InlineRec;
    r->StartPos = sourcePos;
    r->ID = id;
    r->BoxValues = boxValues;
    Add(r);
    NeedsUpdate = true;
}

void TInlineList::EndElement(int sourcePos, int id) {
    for (int i = Count() - 1; i >= 0; --i)
        if (Rec(i)->ID == id) {
            // A record already turned into document positions takes its end
            // the same way, so no position is ever converted twice.
            Rec(i)->EndPos = i < FMapped && Owner ? Owner->FindDocPos(sourcePos, false) : sourcePos;
            NeedsUpdate = true;
            return;
        }
}

void TInlineList::Update() {
    NeedsUpdate = false;
    const int n = Count();
    for (int i = FMapped; i < n; ++i) {
        InlineRec* r = Rec(i);
        if (Owner) {
            r->StartPos = Owner->FindDocPos(r->StartPos, false);
            if (r->EndPos != NoPosition) r->EndPos = Owner->FindDocPos(r->EndPos, false);
        }
        // An element that covers no position still gets one.
        if (r->StartPos == r->EndPos) --r->StartPos;
    }
    FMapped = n;
    FStartsSorted = true;
    FMaxEnd.assign(static_cast<size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
        if (i > 0 && Rec(i)->StartPos < Rec(i - 1)->StartPos) FStartsSorted = false;
        FMaxEnd[static_cast<size_t>(i)] = i > 0 ? std::max(FMaxEnd[static_cast<size_t>(i - 1)], Rec(i)->EndPos)
                                                : Rec(i)->EndPos;
    }
}

int TInlineList::FirstPosOf(int index) {
    if (NeedsUpdate) Update();
    return index >= 0 && index < Count() ? Rec(index)->StartPos : NoPosition;
}

int TInlineList::EndPosOf(int index) {
    if (NeedsUpdate) Update();
    return index >= 0 && index < Count() ? Rec(index)->EndPos : NoPosition;
}

bool TInlineList::BordersForLine(int sectionFirstDocPos, int lineStart, int lineCount, TFreeList*& borders) {
    if (NeedsUpdate) Update();
    const int64_t lineFirst = int64_t{sectionFirstDocPos} + lineStart;
    const int64_t lineEnd = lineFirst + lineCount;
    // Records from `lo` on can end past the line's start; records before `hi`
    // start before its end (both orders hold when starts are in order).
    int lo = 0, hi = Count();
    if (FStartsSorted) {
        auto first = FMaxEnd.begin();
        lo = static_cast<int>(std::upper_bound(first, FMaxEnd.end(), lineFirst,
                                               [](int64_t v, int maxEnd) { return v < maxEnd; }) - first);
        int a = 0, b = Count();
        while (a < b) {
            const int mid = a + (b - a) / 2;
            if (Rec(mid)->StartPos < lineEnd)
                a = mid + 1;
            else
                b = mid;
        }
        hi = a;
    }
    bool any = false;
    for (int i = lo; i < hi; ++i) {
        const InlineRec* r = Rec(i);
        const int64_t elemStart = r->StartPos, elemEnd = r->EndPos;
        if (!(lineFirst < elemEnd && elemStart < lineEnd)) continue;
        if (!borders) borders = new TFreeList;
        auto* b = new BorderRec;
        b->BoxValues = r->BoxValues;
        b->OpenAtStart = elemStart < lineFirst;
        b->BorderFirstPos = b->OpenAtStart ? lineStart : static_cast<int>(elemStart - sectionFirstDocPos);
        b->OpenAtEnd = lineEnd < elemEnd;
        b->BorderEndPos = b->OpenAtEnd ? lineStart + lineCount : static_cast<int>(elemEnd - sectionFirstDocPos);
        borders->Add(b);
        any = true;
    }
    return any;
}
