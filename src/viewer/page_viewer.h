// The HTML viewer control. This first cut holds the loaded source and paints
// its background; the document engine draws nothing yet.
#pragma once

#include <string>

#include "framework/controls.h"

class TStream;

enum ThtmlFileType { HTMLType, TextType, ImgType, OtherType };
enum THTMLBorderStyle { htFocused, htNone, htSingle };

using THotSpotClickEvent = TEvent<const std::string&, bool&>;

class TPageViewer : public TCustomControl {
public:
    explicit TPageViewer(TComponent* AOwner);

    void LoadFromFile(const std::string& fileName);
    void LoadFromStream(TStream* stream, const std::string& reference);
    void LoadFromString(const std::string& source, const std::string& reference);

    TColor DefBackground() const { return FDefBackground; }
    void SetColor(TColor color);
    int DefFontSize() const { return FDefFontSize; }
    void SetFontSize(int size) { FDefFontSize = size; }
    TColor DefFontColor = clBtnText;
    std::string DefFontName = "Times New Roman";
    std::string DefPreFontName = "Courier New";
    int HistoryMaxCount = 0;
    double PrintMarginLeft = 2.0;
    double PrintMarginRight = 2.0;
    double PrintMarginTop = 2.0;
    double PrintMarginBottom = 2.0;
    double PrintScale = 1.0;
    THTMLBorderStyle BorderStyle = htFocused;
    THotSpotClickEvent OnHotSpotClick;

    void Print(int fromPage, int toPage);
    void SelectAll();
    void CopyToClipboard();

    const std::string& Source() const { return FSource; }
    bool Processing() const { return FProcessing; }

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;

private:
    std::string FSource;
    TColor FDefBackground = clBtnFace;
    int FDefFontSize = 12;
    bool FProcessing = false;
};
