#include "html/image_obj.h"

#include <algorithm>
#include <cstdlib>

#include "framework/bitmap.h"
#include "framework/cp1251.h"
#include "framework/sysutils.h"
#include "html/font_obj.h"
#include "html/image_map.h"
#include "html/text_measure.h"

namespace {

int64_t MulDiv64(int64_t a, int64_t b, int64_t c) { return c == 0 ? 0 : a * b / c; }

int ClampSide(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, 0, kMaxImageBoxSide)); }

// A WIDTH or HEIGHT value: a percentage 1..100 (else not given), or pixels.
void ReadDimension(const TAttribute* a, int& given, bool& percent, int minPixels) {
    if (a->Text.find('%') != std::string::npos) {
        if (a->Number >= 1 && a->Number <= 100) {
            given = a->Number;
            percent = true;
        }
        return;
    }
    given = std::clamp(a->Number, minPixels, kMaxImageBoxSide);
    percent = false;
}

AlignmentType AlignOf(const std::string& value, AlignmentType otherwise) {
    const std::string v = UpperCase(Trim(value));
    if (v == "TOP") return ATop;
    if (v == "MIDDLE" || v == "ABSMIDDLE") return AMiddle;
    if (v == "LEFT") return ALeft;
    if (v == "RIGHT") return ARight;
    return otherwise;
}

}  // namespace

// ---- floating objects

TFloatingObj::TFloatingObj(const TFloatingObj& source)
    : TIDObject(),
      Pos(source.Pos),
      BoxHeight(source.BoxHeight),
      BoxWidth(source.BoxWidth),
      Placement(source.Placement),
      Indent(source.Indent),
      SpaceLeft(source.SpaceLeft),
      SpaceRight(source.SpaceRight),
      SpaceTop(source.SpaceTop),
      SpaceBottom(source.SpaceBottom) {}

// ---- images

TImageObj::TImageObj(TSectionList* document, int position, TAttributeList* L) : Document(document) {
    Placement = ABottom;
    Pos = position;
    int hSpace = -1;
    for (int i = 0; L && i < L->Count(); ++i) {
        TAttribute* a = L->Attribute(i);
        switch (a->Sym) {
            case NameSy:
                if (Document && Document->IDObjects && !Trim(a->Text).empty())
                    Document->IDObjects->AddObject(UpperCase(Trim(a->Text)), this);
                break;
            case SrcSy: SrcName = Trim(a->Text); break;
            case AltSy:
                AltText = a->Text;
                HintText = a->Text;
                break;
            case AlignSy: Placement = AlignOf(a->Text, ABottom); break;
            case BorderSy: BorderOff = a->Number == 0; break;
            case WidthSy: ReadDimension(a, GivenWidth, WidthInPercent, 0); break;
            case HeightSy: ReadDimension(a, GivenHeight, HeightInPercent, 1); break;
            case TranspSy: TranspKind = LLCorner; break;
            case IsMapSy: ServerSideMap = true; break;
            case UseMapSy: {
                ClientMap = true;
                std::string name = UpperCase(Trim(a->Text));
                if (!name.empty() && name[0] == '#') name.erase(0, 1);
                ClientMapName = name;
                break;
            }
            case HSpaceSy: hSpace = std::min(std::abs(a->Number), 40); break;
            case VSpaceSy: SpaceTop = std::min(std::abs(a->Number), 40); break;
            case ActiveSy: HoverImages = true; break;
            default: break;
        }
    }
    if (L) {
        if (const std::string title = L->GetTitle(); !title.empty()) HintText = title;
        if (const std::string id = L->GetID(); !id.empty() && Document && Document->IDObjects)
            Document->IDObjects->AddObject(id, this);
    }
    SpaceLeft = SpaceRight = hSpace >= 0 ? hSpace : IsFloating() ? 3 : 0;
    SpaceBottom = SpaceTop;
}

TImageObj::TImageObj(TSectionList* document, const std::string& name) : Document(document) {
    Placement = ABottom;
    SrcName = name;
    BorderOff = true;
}

TImageObj::TImageObj(TSectionList* document, const TImageObj& source)
    : TFloatingObj(source),
      PicHeight(source.PicHeight),
      PicWidth(source.PicWidth),
      SrcName(source.SrcName),
      BorderOff(source.BorderOff),
      Picture(source.Picture),
      PictureMask(source.PictureMask),
      Document(document),
      TranspKind(source.TranspKind),
      ServerSideMap(source.ServerSideMap),
      HasBorder(source.HasBorder) {
    SizeFixed = source.SizeFixed;
    GivenHeight = source.GivenHeight;
    GivenWidth = source.GivenWidth;
    WidthInPercent = source.WidthInPercent;
    HeightInPercent = source.HeightInPercent;
    AltText = source.AltText;
    HintText = source.HintText;
    HoverImages = source.HoverImages;
    Expanded = true;
    if (document && document->PrintCopyFlag) HoldPictureOf(source);
}

TImageObj::~TImageObj() {
    if (Document) Document->ForgetImage(this);
    if (!SrcName.empty() && CachedPicture && Document && Document->CachedImages)
        Document->CachedImages->DecUsage(UpperCase(Trim(SrcName)));
    if (OwnsPicture && Picture != CachedPicture) {
        delete Picture;
        delete PictureMask;
    }
    if (PrivateGif) delete CachedPicture;
}

TFloatingObj* TImageObj::Clone(TSectionList* document) const { return new TImageObj(document, *this); }

void TImageObj::ProcessProperties(TProperties& prop) {
    AlignmentType align;
    auto applyPlacement = [&] {
        if (prop.GetVertAlign(align)) Placement = align;
        if (prop.GetFloat(align) && align != ANone) Placement = align;
    };
    applyPlacement();
    if (prop.GetFloat(align) && align != ANone && SpaceRight == 0) SpaceLeft = SpaceRight = 3;
    if (HintText.empty()) HintText = prop.Sel().Title;
    const TVMarginArray v = prop.VMarginArray();
    TMarginArray m;
    ConvInlineMargArray(v, 200, 200, prop.EmPixels, prop.ExPixels, m);
    auto given = [&](PropIndices p, int& target) {
        if (m[p] != NotSetValue) target = m[p];
    };
    given(PropIndices::MarginLeft, SpaceLeft);
    given(PropIndices::MarginRight, SpaceRight);
    given(PropIndices::MarginTop, SpaceTop);
    given(PropIndices::MarginBottom, SpaceBottom);
    auto dimension = [&](PropIndices p, int& target, bool& percent) {
        if (m[p] == NotSetValue) return;
        percent = false;
        if (m[p] == AutoValue) {
            target = 0;
        } else if (PropString(prop.Value(p)).find('%') != std::string::npos) {
            target = static_cast<int>(std::clamp<int64_t>(MulDiv64(m[p], 100, 200), 1, 100));
            percent = true;
        } else {
            target = ClampSide(m[p]);
        }
    };
    dimension(PropIndices::Width, GivenWidth, WidthInPercent);
    dimension(PropIndices::Height, GivenHeight, HeightInPercent);
    applyPlacement();
    if (prop.BorderStyleNotBlank()) BorderOff = true;
}

void TImageObj::DrawLogic(TSectionList* document, TCanvas* Canvas, TFontObj* FO, int AvailableWidth,
                          int AvailableHeight) {
    if (!Document) Document = document;
    const bool showImages = !Document || Document->DisplayImages;
    if (showImages && !Picture) FetchPicture();
    if (!SizeFixed || WidthInPercent || HeightInPercent) {
        int64_t h = 0, w = 0;
        {
            int pw = 0, ph = 0;
            PictureSize(pw, ph);
            w = pw;
            h = ph;
        }
        const bool placeholder = !showImages || IsPlaceholderPicture();
        const bool bothGiven = GivenHeight > 0 && GivenWidth > 0 && !WidthInPercent && !HeightInPercent;
        if (placeholder) {
            if (bothGiven) {
                PicHeight = GivenHeight;
                PicWidth = GivenWidth;
                SizeFixed = true;
            } else {
                PicHeight = ClampSide(h);
                PicWidth = ClampSide(w);
                int tw = 0, th = 0;
                MeasureAltText(Canvas, tw, th);
                PicWidth = std::max(PicWidth, tw + 24);
                PicHeight = std::max(PicHeight, std::max(24, th));
            }
        } else if (WidthInPercent) {
            PicWidth = ClampSide(MulDiv64(std::max(AvailableWidth, 0), GivenWidth, 100));
            if (GivenHeight == 0) PicHeight = ClampSide(MulDiv64(PicWidth, h, w));
            else if (HeightInPercent) PicHeight = ClampSide(MulDiv64(std::max(AvailableHeight, 0), GivenHeight, 100));
            else PicHeight = GivenHeight;
        } else if (HeightInPercent) {
            PicHeight = ClampSide(MulDiv64(std::max(AvailableHeight, 0), GivenHeight, 100));
            PicWidth = GivenWidth > 0 ? GivenWidth : ClampSide(MulDiv64(PicHeight, w, h));
        } else {
            if (bothGiven) {
                PicHeight = GivenHeight;
                PicWidth = GivenWidth;
            } else if (GivenHeight > 0) {
                PicHeight = GivenHeight;
                PicWidth = ClampSide(MulDiv64(GivenHeight, w, h));
            } else if (GivenWidth > 0) {
                PicWidth = GivenWidth;
                PicHeight = ClampSide(MulDiv64(GivenWidth, h, w));
            } else {
                PicHeight = ClampSide(h);
                PicWidth = ClampSide(w);
            }
            SizeFixed = true;
        }
    }
    PicWidth = ClampSide(PicWidth);
    PicHeight = ClampSide(PicHeight);
    BoxHeight = PicHeight;
    BoxWidth = PicWidth;
    HasBorder = !BorderOff && FO && !FO->LinkTarget().Url.empty();
    if (HasBorder) {
        BoxHeight += 2;
        BoxWidth += 2;
    }
}

TFontDesc PlaceholderFont() {
    TFontDesc d;
    d.Face = L"Arial";
    d.Height = -11;  // 8 points at 96 pixels per inch
    return d;
}

void TImageObj::MeasureAltText(TCanvas* Canvas, int& width, int& height) const {
    width = height = 0;
    if (AltText.empty()) return;
    TTextMeasurer& m = MeasurerFor(Canvas);
    const TFontId font = m.Font(PlaceholderFont());
    width = m.Extent(font, AnsiToWide(AltText)) + 2;
    height = m.Metrics(font).Height;
}

// ---- the list of a section

TImageObjList::TImageObjList(TSectionList* document, const TImageObjList& source) {
    for (int i = 0; i < source.Count(); ++i) Add(source.Obj(i)->Clone(document));
}

namespace {

// The first object at or after posn (Count() when none).
int FirstAtOrAfter(const TImageObjList& list, int posn) {
    int lo = 0, hi = list.Count();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (list.Obj(mid)->Pos < posn) lo = mid + 1;
        else hi = mid;
    }
    return lo;
}

}  // namespace

TFloatingObj* TImageObjList::FindImage(int posn) const {
    const int i = FirstAtOrAfter(*this, posn);
    return i < Count() && Obj(i)->Pos == posn ? Obj(i) : nullptr;
}

int TImageObjList::GetHeightAt(int posn, AlignmentType& align, TFloatingObj*& floatingObj) const {
    TFloatingObj* o = FindImage(posn);
    if (!o) return -1;
    align = o->Placement;
    floatingObj = o;
    return o->BoxHeight + o->SpaceTop + o->SpaceBottom;
}

int TImageObjList::GetWidthAt(int posn, AlignmentType& align, int& leftGap, int& rightGap,
                              TFloatingObj*& floatingObj) const {
    TFloatingObj* o = FindImage(posn);
    if (!o) return -1;
    align = o->Placement;
    leftGap = o->SpaceLeft;
    rightGap = o->SpaceRight;
    floatingObj = o;
    return o->BoxWidth;
}

int TImageObjList::GetImageCountAt(int posn) const {
    const int i = FirstAtOrAfter(*this, posn);
    return i < Count() ? Obj(i)->Pos - posn : NoObjectDistance;
}

void TImageObjList::Decrement(int n) {
    for (int i = 0; i < Count(); ++i)
        if (Obj(i)->Pos > n) --Obj(i)->Pos;
}

bool TImageObjList::PtInImage(int X, int Y, int& hitX, int& hitY, int& posn, bool& map, bool& upperMap,
                              TMapItem*& mapItem, TImageObj*& imageObj) const {
    for (int i = 0; i < Count(); ++i) {
        auto* image = dynamic_cast<TImageObj*>(Obj(i));
        if (!image) continue;
        const int x = X - image->PaintX, y = Y - image->PaintY;
        const int w = image->BoxWidth - (image->HasBorder ? 2 : 0);
        const int h = image->BoxHeight - (image->HasBorder ? 2 : 0);
        if (x < 0 || y < 0 || x >= w || y >= h) continue;
        hitX = x;
        hitY = y;
        imageObj = image;
        map = image->ServerSideMap;
        posn = image->Pos;
        upperMap = false;
        if (image->ClientMap && image->Document)
            for (auto& m : image->Document->ImageMaps)
                if (m->MapName == image->ClientMapName) {
                    upperMap = true;
                    mapItem = m.get();
                    break;
                }
        return true;
    }
    return false;
}

bool TImageObjList::PtInObject(int X, int Y, TObject*& obj, int& hitX, int& hitY) const {
    int posn = 0;
    bool map = false, upperMap = false;
    TMapItem* item = nullptr;
    TImageObj* image = nullptr;
    if (!PtInImage(X, Y, hitX, hitY, posn, map, upperMap, item, image)) return false;
    obj = image;
    return true;
}
