#include "html/cell.h"

#include <algorithm>
#include <cstdint>

#include "html/block.h"
#include "html/image_obj.h"
#include "html/indent_manager.h"
#include "html/process_error.h"
#include "html/section_list.h"
#include "html/sel_text.h"
#include "html/text_section.h"

TCellBasic::TCellBasic(TSectionList* document) : Document(document) {}

TCellBasic::TCellBasic(TSectionList* document, const TCellBasic& source) : Document(document) {
    SetOwnerTag(source.OwnerTag());
    for (int i = 0; i < source.Count(); ++i) Add(source.Section(i)->CreateClone(document));
}

void TCellBasic::SetOwnerTag(std::string_view tag) { ShareOwnerTag(*SharedName(Document, tag)); }

void TCellBasic::ShareOwnerTag(std::string_view tag) {
    // Tag names are short; a view past 4 GB would be cut, not wrapped.
    FOwnerTag = tag.data();
    FOwnerTagSize = static_cast<uint32_t>(std::min<size_t>(tag.size(), UINT32_MAX));
}

void TCellBasic::Add(TSectionBase* section) {
    if (!section) return;
    if (auto* text = section->AsText()) {
        if (text->HasUnfinishedText()) text->ProcessText();  // collected, not yet finished
        if (!text->Preformatted() && text->Len == 0 && text->ClearSide == clrNone) {
            text->CheckFree();
            TObject::Free(text);
            return;
        }
    }
    TFreeList::Add(section);
    section->SetParent(Document);
}

bool TCellBasic::CheckLastBottomMargin() {
    // A list item's own cell decides for it; the loop stands in for the
    // recursion so a deep chain of items costs no stack.
    TCellBasic* cell = this;
    while (cell) {
        TBlock* last = nullptr;
        for (int i = cell->Count() - 1; i >= 0 && !last; --i)
            if (auto* b = cell->Section(i)->AsBlock(); b && b->Positioning != posAbsolute) last = b;
        if (!last) return false;
        if (auto* item = last->AsListItem()) {
            cell = item->ChildCell.get();
            continue;
        }
        if (!last->BottomIsAuto) return false;
        last->RawBoxValues.Set(PropIndices::MarginBottom, 0);
        last->BottomIsAuto = false;
        return true;
    }
    return false;
}

int TCellBasic::DoLogic(TCanvas* Canvas, int Y, int Width, int HeightArg, int EnclosingHeight, int& ScrollWidth,
                        int& PosCounter) {
    StartY = Y;
    FirstDocPos = PosCounter;
    int64_t h = 0;
    ScrollWidth = 0;
    for (int i = 0; i < Count();) {
        int w = 0;
        const int startPos = PosCounter;
        try {
            // Absolutely positioned blocks are placed from the cell's left
            // (the X it is laid out or painted at) and the page's top.
            h += Section(i)->DrawLogic(Canvas, 0, SaturateY(Y + h), 0, 0, Width, HeightArg, EnclosingHeight,
                                       IndentRef, w, PosCounter);
        } catch (const EProcessError& e) {
            DropFailedSection(i, e.Message, PosCounter, startPos);
            continue;
        }
        ScrollWidth = std::max(ScrollWidth, w);
        ++i;
    }
    Len = PosCounter - FirstDocPos;
    return SaturateY(h);
}

void TCellBasic::DropFailedSection(int index, const std::string& message, int& PosCounter, int startPos) {
    PosCounter = startPos;
    if (Document && Document->Host) Document->Host->ShowProcessError(message);
    // The document's lists forget the section before it goes.
    if (Document) {
        Document->SectionsByPosition.clear();
        Document->ForgetObject(Section(index));
    }
    Delete(index);
}

void TCellBasic::MinMaxWidth(TCanvas* Canvas, int& Min, int& Max) {
    Min = 0;
    Max = 0;
    for (int i = 0; i < Count(); ++i) {
        int mn = 0, mx = 0;
        Section(i)->MinMaxWidth(Canvas, mn, mx);
        Min = std::max(Min, mn);
        Max = std::max(Max, mx);
    }
}

int TCellBasic::Draw(TCanvas* Canvas, const TRect& ARect, int, int X, int Y, int OriginX, int OriginY) {
    int result = Y;
    for (int i = 0; i < Count(); ++i) result = Section(i)->Draw1(Canvas, ARect, IndentRef, X, OriginX, OriginY);
    return result;
}

guResultType TCellBasic::GetURL(TCanvas* Canvas, int X, int Y, TUrlTarget*& TargetOut,
                                TImageFormControlObj*& ControlOut, std::string& TitleOut) {
    TargetOut = nullptr;
    ControlOut = nullptr;
    for (int i = 0; i < Count(); ++i) {
        TSectionBase* s = Section(i);
        if (s->PaintTop <= Y && Y < s->PaintBottom) {
            const guResultType r = s->GetURL(Canvas, X, Y, TargetOut, ControlOut, TitleOut);
            if (r != 0) return r;
        }
    }
    return 0;
}

bool TCellBasic::PtInObject(int X, int Y, TObject*& Obj, int& HitX, int& HitY) {
    Obj = nullptr;
    for (int i = 0; i < Count(); ++i) {
        TSectionBase* s = Section(i);
        if (s->PaintTop <= Y && Y < s->PaintBottom && s->PtInObject(X, Y, Obj, HitX, HitY)) return true;
    }
    return false;
}

int TCellBasic::FindCursor(TCanvas* Canvas, int X, int Y, int& CaretX, int& CaretY, int& CaretHeight,
                           bool& InsideText) {
    for (int i = 0; i < Count(); ++i) {
        TSectionBase* s = Section(i);
        if (s->PaintTop <= Y && Y < s->PaintBottom) {
            const int r = s->FindCursor(Canvas, X, Y, CaretX, CaretY, CaretHeight, InsideText);
            if (r >= 0) return r;
        }
    }
    return -1;
}

int TCellBasic::FindString(int from, const std::wstring& SearchText, bool CaseSensitive) {
    for (int i = 0; i < Count(); ++i)
        if (const int r = Section(i)->FindString(from, SearchText, CaseSensitive); r >= 0) return r;
    return -1;
}

int TCellBasic::FindStringR(int from, const std::wstring& SearchText, bool CaseSensitive) {
    for (int i = Count() - 1; i >= 0; --i)
        if (const int r = Section(i)->FindStringR(from, SearchText, CaseSensitive); r >= 0) return r;
    return -1;
}

int TCellBasic::FindSourcePos(int DocPos) {
    for (int i = 0; i < Count(); ++i)
        if (const int r = Section(i)->FindSourcePos(DocPos); r >= 0) return r;
    return -1;
}

int TCellBasic::FindDocPos(int SourcePos, bool Prev) {
    if (Prev) {
        for (int i = Count() - 1; i >= 0; --i)
            if (const int r = Section(i)->FindDocPos(SourcePos, true); r >= 0) return r;
    } else {
        for (int i = 0; i < Count(); ++i)
            if (const int r = Section(i)->FindDocPos(SourcePos, false); r >= 0) return r;
    }
    return -1;
}

bool TCellBasic::CursorToXY(TCanvas* Canvas, int Cursor, int& X, int& Y) {
    for (int i = 0; i < Count(); ++i)
        if (Section(i)->CursorToXY(Canvas, Cursor, X, Y)) return true;
    return false;
}

bool TCellBasic::GetChAtPos(int Pos, wchar_t& Ch, TObject*& Obj) {
    if (Pos < FirstDocPos || Pos > FirstDocPos + Len) return false;
    for (int i = 0; i < Count(); ++i)
        if (Section(i)->GetChAtPos(Pos, Ch, Obj)) return true;
    return false;
}

void TCellBasic::CopyToClipboard() {
    if (!Document || Document->SelFirstPos >= Document->SelEndPos) return;
    for (int i = 0; i < Count(); ++i) {
        TSectionBase* s = Section(i);
        if (s->FirstDocPos >= Document->SelEndPos) break;
        if (Document->SelFirstPos < s->FirstDocPos + s->Len) s->CopyToClipboard();
    }
}

void TCellBasic::AddSectionsToList() {
    for (int i = 0; i < Count(); ++i) Section(i)->AddSectionsToList();
}

void TCellBasic::FormTree(const std::string& indent, std::string& tree) {
    for (int i = 0; i < Count(); ++i) {
        if (auto* block = Section(i)->AsBlock()) {
            block->FormTree(indent, tree);
            continue;
        }
        tree += indent;
        if (auto* text = Section(i)->AsText()) {
            for (wchar_t c : text->SectionText.substr(0, 10)) tree += c < 128 ? static_cast<char>(c) : '?';
        } else {
            tree += "----";
        }
        tree += "\r\n";
    }
}

// ---- a cell with its own indents

TCell::TCell(TSectionList* document) : TCellBasic(document), FIndents(std::make_unique<IndentManager>()) {
    IndentRef = FIndents.get();
}

TCell::TCell(TSectionList* document, const TCell& source)
    : TCellBasic(document, source), FIndents(std::make_unique<IndentManager>()) {
    IndentRef = FIndents.get();
}

TCell::~TCell() {
    // The sections go before the indent manager they were laid out with.
    Clear();
}

int TCell::DoLogic(TCanvas* Canvas, int Y, int Width, int HeightArg, int EnclosingHeight, int& ScrollWidth,
                   int& PosCounter) {
    IndentManager& m = *FIndents;
    m.Clear();
    m.Reset(0, Width);
    m.CellWidth = Width;
    int h;
    {
        TIndentScope scope(m, this);
        scope.SetLeft(0, Y);
        scope.SetRight(Width, Y);
        h = TCellBasic::DoLogic(Canvas, Y, Width, HeightArg, EnclosingHeight, ScrollWidth, PosCounter);
    }
    return std::max(h, SaturateY(int64_t{m.ImageBottom()} - StartY));
}

int TCell::Draw(TCanvas* Canvas, const TRect& ARect, int ClipWidth, int X, int Y, int OriginX, int OriginY) {
    const int cellWidth = FIndents->CellWidth;
    FIndents->Reset(X, X + cellWidth);
    FIndents->CellWidth = cellWidth;
    FIndents->DrawClipWidth = ClipWidth;
    DrawY = Y;
    return TCellBasic::Draw(Canvas, ARect, ClipWidth, X, Y, OriginX, OriginY);
}

// ---- a block's content

int TBlockCell::DoLogicX(TCanvas* Canvas, int X, int Y, int OriginX, int OriginY, int Width, int HeightArg,
                         int EnclosingHeight, int& ScrollWidth, int& PosCounter) {
    StartY = Y;
    FirstDocPos = PosCounter;
    ScrollWidth = 0;
    InnerBottom = 0;
    PaintTop = 990000;
    PaintBottom = 0;
    int64_t h = 0;
    for (int i = 0; i < Count(); ++i) {
        TSectionBase* s = Section(i);
        int w = 0;
        const int startPos = PosCounter;
        try {
            h += s->DrawLogic(Canvas, X, SaturateY(Y + h), OriginX, OriginY, Width, HeightArg, EnclosingHeight,
                              IndentRef, w, PosCounter);
        } catch (const EProcessError& e) {
            DropFailedSection(i--, e.Message, PosCounter, startPos);
            continue;
        }
        ScrollWidth = std::max(ScrollWidth, w);
        // An absolutely positioned block is out of the flow: it paints where
        // it is put but makes its cell no taller.
        const TBlock* block = s->AsBlock();
        if (!block || block->Positioning != posAbsolute) InnerBottom = std::max(InnerBottom, s->InnerBottom);
        PaintTop = std::min(PaintTop, s->PaintTop);
        PaintBottom = std::max(PaintBottom, s->PaintBottom);
    }
    Len = PosCounter - FirstDocPos;
    CellHeight = SaturateY(h);
    return CellHeight;
}

// ---- pictures painted last

void TDrawList::AddImage(TImageObj* Obj, TCanvas* Canvas, int X, int TopY, int BaselineY, TFontObj* FO) {
    FRecords.push_back(TImageRec{Obj, Canvas, X, TopY, BaselineY, FO});
}

void TDrawList::DrawImages() {
    for (const TImageRec& r : FRecords) {
        try {
            r.Image->Draw(r.Canvas, r.X, r.TopY, r.BaselineY, r.FontRun);
        } catch (...) {
        }
    }
}
