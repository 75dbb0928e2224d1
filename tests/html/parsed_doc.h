// A document read by the parser, and the ways tests look into it.
#pragma once

#include <string>
#include <vector>

#include "html/block.h"
#include "html/horz_line.h"
#include "html/parser_entry.h"
#include "html/section_list.h"
#include "html/table.h"
#include "html/table_block.h"
#include "html/text_section.h"

// The viewer's defaults as the viewer hands them on: text black, links blue,
// margins 10 across and 5 down.
struct ParsedDoc {
    ParsedDoc() { doc.SetFonts("Arial", "Courier New", 12, 0, 0xFF0000, 0x800080, 0xFF00FF, 0xFFFFFF, false, true, 1, 5, 10); }
    explicit ParsedDoc(const std::string& html, const TReaderCallbacks& callbacks = {}) : ParsedDoc() {
        ParseHTMLString(html, &doc, callbacks);
    }
    ~ParsedDoc() { doc.Clear(); }
    TSectionList doc{nullptr};
};

// Every section in source order, boxes before their content, table cells
// row by row.
inline void WalkSections(const TCellBasic& cell, std::vector<TSectionBase*>& out) {
    for (int i = 0; i < cell.Count(); ++i) {
        TSectionBase* section = cell.Section(i);
        out.push_back(section);
        if (auto* tb = dynamic_cast<TTableBlock*>(section)) {
            for (const auto& row : tb->Table->Rows)
                for (const auto& c : row->Cells)
                    if (c) WalkSections(*c->Cell, out);
        } else if (auto* b = dynamic_cast<TBlock*>(section)) {
            WalkSections(*b->ChildCell, out);
        }
    }
}

inline std::vector<TSection*> TextSections(const TCellBasic& doc) {
    std::vector<TSectionBase*> all;
    WalkSections(doc, all);
    std::vector<TSection*> out;
    for (TSectionBase* s : all)
        if (auto* t = dynamic_cast<TSection*>(s)) out.push_back(t);
    return out;
}

// The texts of the text sections, each followed by "|".
inline std::wstring JoinedTexts(const TCellBasic& doc) {
    std::wstring all;
    for (TSection* s : TextSections(doc)) all += s->SectionText + L"|";
    return all;
}

// The font run holding the first occurrence of `text`, or null.
inline const TFontObj* RunHolding(const TCellBasic& doc, const std::wstring& text) {
    for (TSection* s : TextSections(doc)) {
        const size_t at = s->SectionText.find(text);
        if (at == std::wstring::npos) continue;
        const TFontObj* found = nullptr;
        for (int r = 0; r < s->Fonts.Count(); ++r)
            if (s->Fonts.Run(r)->RunStart <= static_cast<int>(at)) found = s->Fonts.Run(r);
        return found;
    }
    return nullptr;
}

// The document as boxes and texts: body(p('a') ul(li('b'))); characters
// past ASCII as '?'.
inline std::string Shape(const TCellBasic& cell) {
    std::string out;
    for (int i = 0; i < cell.Count(); ++i) {
        if (!out.empty()) out += ' ';
        TSectionBase* section = cell.Section(i);
        if (auto* b = dynamic_cast<TBlock*>(section)) {
            const std::string tag =
                dynamic_cast<TBodyBlock*>(b) ? "body" : b->TagAndClass().substr(0, b->TagAndClass().find('.'));
            out += tag + "(" + Shape(*b->ChildCell) + ")";
        } else if (auto* s = dynamic_cast<TSection*>(section)) {
            out += "'";
            for (wchar_t c : s->SectionText) out += c < 128 ? static_cast<char>(c) : '?';
            out += "'";
        } else if (dynamic_cast<THorzLine*>(section)) {
            out += "rule";
        } else {
            out += "?";
        }
    }
    return out;
}
