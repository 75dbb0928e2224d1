// Images and embedded panels that stand in a line of text (character 4) or
// float at its left or right side: their boxes, size rules, placeholder, link
// frame, hover pictures, drawing on screen and on print copies, and the list
// of them that a text section keeps. Layout is free of window headers; the
// pictures and windows are reached in image_obj_win.cpp.
#pragma once

#include <memory>
#include <string>

#include "framework/extctrls.h"
#include "html/html_types.h"
#include "html/image_cache.h"
#include "html/section_list.h"
#include "html/style_props.h"

class TBitmap;
class TCanvas;
class TFontObj;
class TFormControlObj;
class TMapItem;
class TPersistent;
class TSectionList;
class TStream;

// The window of an embedded panel; the host fills it.
class ThvPanel : public TPanel {
public:
    using TPanel::TPanel;
    // Shows or hides the window only when the value changes.
    void SetVisible(bool value) override;
    bool PanelShown = true;

protected:
    // A flat single border.
    void CreateParams(TCreateParams& params) override;
};

enum HoverType { hvOff, hvOverUp, hvOverDown };

// A picture box largest side: a wider or taller box is cut to it.
constexpr int kMaxImageBoxSide = 32767;

class TFloatingObj : public TIDObject {
public:
    TFloatingObj() = default;
    explicit TFloatingObj(const TFloatingObj& source);

    int GetYPosition() override { return PaintY; }
    // Works out the box for the available width and height.
    virtual void DrawLogic(TSectionList* Document, TCanvas* Canvas, TFontObj* FO, int AvailableWidth,
                           int AvailableHeight) = 0;
    // Paints the object at canvas X and document TopY / YBaseline.
    virtual void Draw(TCanvas* Canvas, int X, int TopY, int YBaseline, TFontObj* FO) = 0;
    // A copy for `document` (a print copy).
    virtual TFloatingObj* Clone(TSectionList* document) const = 0;
    bool IsFloating() const { return Placement == ALeft || Placement == ARight; }

    int Pos = 0;
    int BoxHeight = 0, BoxWidth = 0;
    AlignmentType Placement = ABottom;
    int FloatX = 0;
    int FloatY = 0;  // document Y of a floating object's top, set by layout
    int Indent = 0;
    int SpaceLeft = 0, SpaceRight = 0;
    int SpaceTop = 0, SpaceBottom = 0;
    int GivenWidth = 0, GivenHeight = 0;
    bool WidthInPercent = false, HeightInPercent = false;
    std::string HintText;
    std::string AltText;
    bool SizeFixed = false;
    int PaintY = 0, PaintX = 0;
    bool Painted = false;  // drawn in the last paint
};

// An animated picture is advanced through its image object, which knows
// whether it was painted.
class TImageObj : public TFloatingObj, public TAnimatedImage {
public:
    // IMG and INPUT type=image.
    TImageObj(TSectionList* document, int position, TAttributeList* L);
    // Background and list-style images.
    TImageObj(TSectionList* document, const std::string& name);
    TImageObj(TSectionList* document, const TImageObj& source);
    ~TImageObj() override;

    void ProcessProperties(TProperties& prop);
    void DrawLogic(TSectionList* Document, TCanvas* Canvas, TFontObj* FO, int AvailableWidth,
                   int AvailableHeight) override;
    void Draw(TCanvas* Canvas, int X, int TopY, int YBaseline, TFontObj* FO) override;
    TFloatingObj* Clone(TSectionList* document) const override;

    // A delayed picture arrived (or failed, with error); true when the object
    // took it. Reformat: the document must be laid out again.
    bool InsertImage(const std::string& upperName, bool error, bool& reformat);
    void ReplaceImage(TStream* newImage);
    void SetHover(HoverType value);
    // The picture as a bitmap (a GIF's current frame), or null.
    TBitmap* GetBitmap();
    // The picture's own size (a GIF's), 0 x 0 without one.
    void PictureSize(int& width, int& height) const;
    // The picture stands for a missing or failed image.
    bool IsPlaceholderPicture() const;
    // The picture could not be had at all (not merely not yet).
    bool IsErrorPicture() const;
    // The GIF picture, or null.
    class TGIFImage* Gif() const;

    // TAnimatedImage
    void SetAnimate(bool animate) override;
    bool WasPainted() const override { return Painted; }
    void ClearPainted() override { Painted = false; }
    void CheckTime() override;

    std::unique_ptr<TBitmap> ScaledCopy;
    HoverType HoverState = hvOff;
    bool HoverImages = false;
    int PicHeight = 0, PicWidth = 0;
    std::string SrcName;
    bool BorderOff = false;
    TPersistent* Picture = nullptr;        // not owned unless OwnsPicture
    TPersistent* CachedPicture = nullptr;  // as it came from the cache
    TBitmap* PictureMask = nullptr;
    TSectionList* Document;
    Transparency TranspKind = NotTransp;
    bool ServerSideMap = false;
    bool ClientMap = false;
    bool HasBorder = false;
    std::string ClientMapName;
    TFormControlObj* ImageButtonControl = nullptr;
    TObject* CellRef = nullptr;
    bool OwnsPicture = false;
    bool Waiting = false;
    bool PrivateGif = false;  // CachedPicture is a GIF copy of this object's own
    bool Expanded = false;    // SrcName was made full
    bool ControlFocused = false;  // the image's form control has the focus
    TUrlTarget HitTarget;  // the link a hit on a map (ISMAP, USEMAP) made

private:
    void FetchPicture();
    // A clone in a print copy holds its picture as `source` does, so that
    // either may be freed first: one more use of the cached picture, a GIF
    // copy of its own (the frames' strip is shared and counted), or its own
    // copies of a picture and mask the source owns.
    void HoldPictureOf(const TImageObj& source);
    void DoDraw(TCanvas* Canvas, int X, TBitmap* mask, TPersistent* picture, int Y);
    // The image leaves the document's animation list.
    void ForgetImageLists();
    // Width and height of the ALT text in the placeholder's font.
    void MeasureAltText(TCanvas* Canvas, int& width, int& height) const;
};

class TPanelObj : public TFloatingObj {
public:
    TPanelObj(TSectionList* document, TObject* cell, int position, TAttributeList* L);
    TPanelObj(TSectionList* document, const TPanelObj& source);
    ~TPanelObj() override;

    void DrawLogic(TSectionList* Document, TCanvas* Canvas, TFontObj* FO, int AvailableWidth,
                   int AvailableHeight) override;
    void Draw(TCanvas* Canvas, int X, int TopY, int YBaseline, TFontObj* FO) override;
    TFloatingObj* Clone(TSectionList* document) const override;
    // Hides the panel's window, if it has one (a panel scrolled out of view).
    void HideWindow();

    TSectionList* Document;
    int NaturalWidth = 30, NaturalHeight = 20;
    ThvPanel* PanelWindow = nullptr;  // owned; null when no window could be made
    // A print copy has no window of its own: it prints the source's panel
    // through PrintHandler, or a frame in the colour the host gave it.
    ThvPanel* PanelOfSource = nullptr;
    bool IsPrintCopy = false;
    std::string Src, TypeName, PanelName;
    TColor PanelColor = 0xFFFFFF;
    bool PanelVisible = true;
    // The source document's; the viewer that set it is the host's sender.
    std::function<void(TWinControl* panel, TBitmap* bitmap)> PrintHandler;
};

// The images and panels of one text section, in ascending Pos; owned.
class TImageObjList : public TFreeList {
public:
    TImageObjList() = default;
    TImageObjList(TSectionList* document, const TImageObjList& source);

    TFloatingObj* Obj(int index) const { return static_cast<TFloatingObj*>(Items(index)); }
    TFloatingObj* FindImage(int posn) const;
    int GetHeightAt(int posn, AlignmentType& align, TFloatingObj*& floatingObj) const;
    int GetWidthAt(int posn, AlignmentType& align, int& leftGap, int& rightGap, TFloatingObj*& floatingObj) const;
    // Characters before the next object at or after posn; 99999999 when none.
    int GetImageCountAt(int posn) const;
    void Decrement(int n);
    bool PtInImage(int X, int Y, int& hitX, int& hitY, int& posn, bool& map, bool& upperMap, TMapItem*& mapItem,
                   TImageObj*& imageObj) const;
    bool PtInObject(int X, int Y, TObject*& obj, int& hitX, int& hitY) const;
};

constexpr int NoObjectDistance = 99999999;

// Arial 8 points: the font of placeholders' ALT text.
struct TFontDesc;
TFontDesc PlaceholderFont();
