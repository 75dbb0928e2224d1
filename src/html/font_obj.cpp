#include "html/font_obj.h"

#include <algorithm>
#include <cmath>

#include "html/font_desc.h"
#include "html/section_list.h"
#include "html/text_section.h"

namespace {

TFontDesc DescOfInfo(const ThtFontInfo& info) {
    TFontDesc d;
    d.Face = WideFaceName(info.FaceName);
    d.Height = -static_cast<int>(std::lround(FontServices().PixelsPerInch() * info.PointSize / 72.0));
    d.Weight = (info.Style & htBold) ? 700 : 400;
    d.Italic = (info.Style & htItalic) != 0;
    d.Underline = (info.Style & htUnderline) != 0;
    d.StrikeOut = (info.Style & htStrikeOut) != 0;
    d.Charset = info.Charset;
    return d;
}

}  // namespace

TFontObj::TFontObj(TSection* section, TFontDesc font, int position, TFontId screenId)
    : OwnerSection(section), RunFont(std::move(font)), RunStart(position) {
    FontChanged(screenId);
}

TFontObj::TFontObj(TSection* section, const TFontObj& source)
    : OwnerSection(section),
      RunFont(source.RunFont),
      ScriptShift(source.ScriptShift),
      RunStart(source.RunStart),
      FontColor(source.FontColor),
      BackColor(source.BackColor),
      ExtraSpace(source.ExtraSpace) {
    if (source.FLinkPart) {
        FLinkPart = std::make_unique<TLinkPart>();
        FLinkPart->Target.Copy(source.FLinkPart->Target);
        FLinkPart->Title = source.FLinkPart->Title;
    }
    if (source.LinkFonts()) {
        ConvertFont(source.LinkFonts()->Fonts[LFont]);
        ScriptShift = source.ScriptShift;
    }
    FontChanged();
}

TFontObj::~TFontObj() {
    // The tab stop's window may call the run back while it goes.
    if (FLinkPart) FLinkPart->TabStopWindow.reset();
}

TFontObj::TLinkPart& TFontObj::Part() {
    if (!FLinkPart) FLinkPart = std::make_unique<TLinkPart>();
    return *FLinkPart;
}

const TUrlTarget& TFontObj::LinkTarget() const {
    static const TUrlTarget none;
    return FLinkPart ? FLinkPart->Target : none;
}

TUrlTarget& TFontObj::EditLinkTarget() { return Part().Target; }

void TFontObj::SetLinkTarget(const TUrlTarget& target) {
    const bool none = target.Url.empty() && target.Target.empty() && target.ID == 0 && target.TabIndex == 0;
    if (none)
        ClearLinkTarget();
    else
        EditLinkTarget().Copy(target);
}

void TFontObj::ClearLinkTarget() {
    if (FLinkPart) FLinkPart->Target.Clear();
}

const std::string& TFontObj::Title() const {
    static const std::string none;
    return FLinkPart ? FLinkPart->Title : none;
}

void TFontObj::SetTitle(const std::string& title) {
    if (!FLinkPart && title.empty()) return;
    Part().Title = title;
}

const TLinkFonts& TFontObj::LinkFonts() const {
    static const TLinkFonts none;
    return FLinkPart ? FLinkPart->LinkFonts : none;
}

void TFontObj::SetLinkFonts(const TLinkFonts& fonts) {
    if (FLinkPart || fonts) Part().LinkFonts = fonts;
}

void TFontObj::SetLinkIndex(int index) {
    if (FLinkPart || index >= 0) Part().LinkIndex = index;
}

void TFontObj::SetLinkY(int y) {
    if (FLinkPart || y != 0) Part().LinkY = y;
}

TSectionList* TFontObj::Document() const { return OwnerSection ? OwnerSection->Document() : nullptr; }

void TFontObj::ResolveId(TTextMeasurer& measurer) {
    FId = measurer.Font(RunFont);
    FIdSerial = measurer.Serial();
}

void TFontObj::FontChanged(TFontId screenId) {
    TTextMeasurer& m = ScreenMeasurer();
    FId = screenId;
    FIdSerial = screenId >= 0 ? m.Serial() : 0;
    const TFontMetrics& metrics = m.Metrics(FontIdIn(m));
    MetricHeight = metrics.Height;
    RunLineHeight = metrics.Height + metrics.ExternalLeading;
    MetricDescent = metrics.Descent;
}

void TFontObj::ConvertFont(const ThtFontInfo& info) {
    RunFont = DescOfInfo(info);
    FontColor = info.TextColor;
    BackColor = info.BackColor;
    FontChanged();
}

void TFontObj::ReplaceFont(TFontDesc font, TFontId screenId) {
    RunFont = std::move(font);
    FontChanged(screenId);
}

namespace {

FIIndex LinkFontIndex(bool visited, bool hovered) {
    if (hovered) return visited ? HVFont : HLFont;
    return visited ? VFont : LFont;
}

}  // namespace

void TFontObj::SetVisited(bool value) {
    if (value == IsVisited) return;
    IsVisited = value;
    if (LinkFonts()) ConvertFont(LinkFonts()->Fonts[LinkFontIndex(IsVisited, IsHovered)]);
}

void TFontObj::SetHover(bool value) {
    if (value == IsHovered) return;
    IsHovered = value;
    if (LinkFonts()) ConvertFont(LinkFonts()->Fonts[LinkFontIndex(IsVisited, IsHovered)]);
}

void TFontObj::SetAllHovers(bool value) {
    SetHover(value);
    TSectionList* doc = Document();
    const int at = LinkIndex();
    if (!doc || at < 0) return;
    auto& list = doc->LinkRuns;
    const int id = LinkTarget().ID;
    for (size_t i = static_cast<size_t>(at) + 1; i < list.size() && list[i]->LinkTarget().ID == id; ++i)
        list[i]->SetHover(value);
    for (int i = at - 1; i >= 0 && list[static_cast<size_t>(i)]->LinkTarget().ID == id; --i)
        list[static_cast<size_t>(i)]->SetHover(value);
}

void TFontObj::AssignY(int y) {
    if (LinkTarget().Url.empty()) return;
    if (TabStopWindow()) {
        SetLinkY(y);
        return;
    }
    TSectionList* doc = Document();
    if (!doc || LinkIndex() < 0) return;
    const auto& list = doc->LinkRuns;
    for (int i = LinkIndex() - 1; i >= 0 && list[static_cast<size_t>(i)]->LinkTarget().ID == LinkTarget().ID; --i)
        if (list[static_cast<size_t>(i)]->TabStopWindow()) {
            list[static_cast<size_t>(i)]->SetLinkY(y);
            return;
        }
}

void TFontObj::CreateTabControl(int tabIndex) {
    if (TabStopWindow()) return;
    TSectionList* doc = Document();
    if (!doc || !doc->Host) return;
    if (LinkIndex() >= 0) {
        const auto& list = doc->LinkRuns;
        for (int i = LinkIndex() - 1; i >= 0 && list[static_cast<size_t>(i)]->LinkTarget().ID == LinkTarget().ID; --i)
            if (list[static_cast<size_t>(i)]->TabStopWindow()) return;
    }
    std::unique_ptr<TLinkTabStop> stop = doc->Host->CreateLinkTabStop(this);
    if (!stop) return;
    Part().TabStopWindow = std::move(stop);
    if (tabIndex > 0) doc->AddTabOrderItem(tabIndex, this);
}

namespace {

// This run and the runs of the same link that follow it in the link list.
template <class F>
void ForLinkFromHere(TFontObj* run, F f) {
    f(run);
    TSectionList* doc = run->Document();
    if (!doc || run->LinkIndex() < 0) return;
    const auto& list = doc->LinkRuns;
    for (size_t i = static_cast<size_t>(run->LinkIndex()) + 1;
         i < list.size() && list[i]->LinkTarget().ID == run->LinkTarget().ID; ++i)
        f(list[i]);
}

}  // namespace

void TFontObj::EnterEvent() {
    ForLinkFromHere(this, [](TFontObj* r) { r->Focused = true; });
    if (TSectionList* doc = Document(); doc && doc->Host) doc->Host->ControlEnter(this);
}

void TFontObj::ExitEvent() {
    ForLinkFromHere(this, [](TFontObj* r) { r->Focused = false; });
    if (TSectionList* doc = Document(); doc && doc->Host) doc->Host->InvalidatePanel();
}

void TFontObj::AKeyDown(uint16_t& key, unsigned shift) {
    TSectionList* doc = Document();
    if (!doc || !doc->Host) return;
    if (key == 13)
        doc->Host->LinkAction(LinkTarget());
    else
        doc->Host->KeyDown(key, shift);
}

// ---- the runs of a section

TFontList::TFontList(TSection* section, const TFontList& source) {
    for (int i = 0; i < source.Count(); ++i) Add(new TFontObj(section, *source.Run(i)));
}

TFontObj* TFontList::GetFontObjAt(int posn, int& index) const {
    const int n = Count();
    if (n == 0) {
        index = -1;
        return nullptr;
    }
    // The last run starting at or before posn; the first run when none does.
    int lo = 0, hi = n;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (Run(mid)->RunStart <= posn)
            lo = mid + 1;
        else
            hi = mid;
    }
    index = lo > 0 ? lo - 1 : 0;
    return Run(index);
}

const TFontDesc* TFontList::GetFontAt(int posn, int& ohang) const {
    int index;
    TFontObj* run = GetFontObjAt(posn, index);
    ohang = run ? run->GetOverhang() : 0;
    return run ? &run->RunFont : nullptr;
}

int TFontList::GetFontCountAt(int posn, int length) const {
    int index;
    if (!GetFontObjAt(posn, index)) return length - posn;
    for (int i = index; i < Count(); ++i)
        if (Run(i)->RunStart > posn) return Run(i)->RunStart - posn;
    return length - posn;
}

void TFontList::DeleteRun(int index, TSectionList* document) {
    TFontObj* run = Run(index);
    if (document) document->ForgetObject(run);
    Delete(index);
}

void TFontList::Decrement(int n, TSectionList* document) {
    int i = 0;
    while (i < Count()) {
        TFontObj* run = Run(i);
        if (run->RunStart > n) --run->RunStart;
        if (i > 0 && Run(i - 1)->RunStart == run->RunStart) {
            DeleteRun(i - 1, document);
            continue;  // the same run, now one lower
        }
        ++i;
    }
}

void TFontList::Remap(const std::vector<int>& newIndex, TSectionList* document) {
    const int limit = static_cast<int>(newIndex.size()) - 1;
    for (int i = 0; i < Count(); ++i) {
        TFontObj* run = Run(i);
        run->RunStart = newIndex[static_cast<size_t>(std::clamp(run->RunStart, 0, limit))];
    }
    // Of runs left at one start the last holds the text: the others go.
    std::vector<int> doomed;
    for (int i = 0; i + 1 < Count(); ++i)
        if (Run(i)->RunStart == Run(i + 1)->RunStart) doomed.push_back(i);
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) DeleteRun(*it, document);
}
