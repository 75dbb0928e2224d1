// Font runs of a text section: the font each stretch of text is drawn in and,
// for a link, its target, visited and hover state and keyboard stop. A run
// keeps the description of its font, not a platform font: the screen and a
// printer each make their own font from it. Free of window headers.
#pragma once

#include <memory>
#include <string>

#include "framework/graphics_types.h"
#include "html/html_types.h"
#include "html/style_props.h"
#include "html/text_measure.h"

class TSection;
class TSectionList;

// The invisible window through which the keyboard reaches a link (Tab moves
// to it, Enter follows it). The viewer makes it as a child of its paint
// panel; its enter, exit and key events come back to the run.
class TLinkTabStop {
public:
    virtual ~TLinkTabStop() = default;
    virtual void SetTabOrder(int order) = 0;
};

constexpr TColor TransparentColor = 0x1FFFFFFF;

class TFontObj : public TObject {
public:
    // screenId: the screen measurer's id for `font`, when known.
    TFontObj(TSection* section, TFontDesc font, int position, TFontId screenId = -1);
    // The copy for a print: the plain link font, no link fonts and no tab stop.
    TFontObj(TSection* section, const TFontObj& source);
    ~TFontObj() override;

    // Refreshes the metric fields from the screen's measurer; screenId is
    // RunFont's id there, when known.
    void FontChanged(TFontId screenId = -1);
    // The run's font in that measurer, kept while the measurer keeps its ids.
    // Inline: text measuring asks it for every piece of a run.
    TFontId FontIdIn(TTextMeasurer& measurer) {
        if (FIdSerial != measurer.Serial()) ResolveId(measurer);
        return FId;
    }
    void ConvertFont(const ThtFontInfo& info);
    void ReplaceFont(TFontDesc font, TFontId screenId = -1);
    void SetVisited(bool value);
    void SetHover(bool value);
    // Hover for every run of the link (its neighbours of the same link number
    // in the document's link list).
    void SetAllHovers(bool value);
    const std::string& GetURL() const { return LinkTarget().Url; }
    // The run's link and title, and what only a link needs (its fonts, tab
    // stop and place in the link list). Most runs have none of it, so it is
    // kept apart and made only when set.
    const TUrlTarget& LinkTarget() const;
    TUrlTarget& EditLinkTarget();
    void SetLinkTarget(const TUrlTarget& target);
    void ClearLinkTarget();
    const std::string& Title() const;
    void SetTitle(const std::string& title);
    // Of a link's states, shared; none outside links.
    const TLinkFonts& LinkFonts() const;
    void SetLinkFonts(const TLinkFonts& fonts);
    TLinkTabStop* TabStopWindow() const { return FLinkPart ? FLinkPart->TabStopWindow.get() : nullptr; }
    // Where the run stands in the document's link list, -1 when not there.
    int LinkIndex() const { return FLinkPart ? FLinkPart->LinkIndex : -1; }
    void SetLinkIndex(int index);
    // The top of the link's line, kept by the run that has the tab stop.
    int LinkY() const { return FLinkPart ? FLinkPart->LinkY : 0; }
    void SetLinkY(int y);
    int GetOverhang() const { return RunFont.Italic ? MetricHeight / 10 : 0; }
    int GetHeight(int& desc) const {
        desc = MetricDescent;
        return RunLineHeight;
    }
    void AssignY(int y);
    void CreateTabControl(int tabIndex);
    // The tab stop's events.
    void EnterEvent();
    void ExitEvent();
    void AKeyDown(uint16_t& key, unsigned shift);

    TSectionList* Document() const;

    // A run is made for every change of font in the text, so the fields are
    // ordered to leave no gap, and the four flags go into the tail padding
    // of the font's description.
    TSection* OwnerSection;
    [[no_unique_address]] TFontDesc RunFont;
    AlignmentType ScriptShift = ANone;
    bool IsVisited = false;
    bool IsHovered = false;
    bool Focused = false;
    int RunStart;
    TColor FontColor = 0;
    TColor BackColor = TransparentColor;
    int ExtraSpace = 0;  // character spacing of the style
    int RunLineHeight = 0;
    int MetricHeight = 0;
    int MetricDescent = 0;

private:
    struct TLinkPart {
        TUrlTarget Target;
        std::string Title;
        TLinkFonts LinkFonts;
        int LinkIndex = -1;
        int LinkY = 0;
        std::unique_ptr<TLinkTabStop> TabStopWindow;
    };

    void ResolveId(TTextMeasurer& measurer);
    TLinkPart& Part();

    TFontId FId = -1;
    uint64_t FIdSerial = 0;  // of the measurer FId belongs to; 0: none
    std::unique_ptr<TLinkPart> FLinkPart;
};
// A run is made for every paragraph at least: the heap's 96-byte class.
static_assert(sizeof(TFontObj) <= 96);

// The runs of one section in ascending RunStart; owns them.
class TFontList : public TFreeList {
public:
    TFontList() = default;
    TFontList(TSection* section, const TFontList& source);

    TFontObj* Run(int index) const { return static_cast<TFontObj*>(Items(index)); }
    // Found by binary search: the last run starting at or before posn (the
    // first run for a position before it).
    const TFontDesc* GetFontAt(int posn, int& ohang) const;
    int GetFontCountAt(int posn, int length) const;
    TFontObj* GetFontObjAt(int posn, int& index) const;
    // The character at n was removed.
    void Decrement(int n, TSectionList* document);
    // Runs take new starts through `newIndex` (old position -> new, one entry
    // past the old end); a run left at the same start as the next is removed.
    void Remap(const std::vector<int>& newIndex, TSectionList* document);
    // Takes the run out of the document's lists, then frees it.
    void DeleteRun(int index, TSectionList* document);
};
