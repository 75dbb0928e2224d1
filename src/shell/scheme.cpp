// Loading a colour scheme onto the main window: the file is read and checked
// in full, its pictures decoded, and only then is anything on screen changed,
// so a broken scheme leaves the window as it was.
#include <array>
#include <limits>
#include <vector>

#include "framework/bitmap.h"
#include "framework/extctrls.h"
#include "framework/picture.h"
#include "framework/stdctrls.h"
#include "framework/streams.h"
#include "shell/main_form.h"
#include "shell/scheme_file.h"
#include "viewer/page_viewer.h"
#include "widgets/dock.h"
#include "widgets/menu_bar.h"

namespace {

std::string ReadSchemeBytes(const std::string& path) {
    TFileStream file(path, fmOpenRead | fmShareDenyWrite);
    // A scheme is some tens of kilobytes; one the stream cannot read in one
    // piece is no scheme.
    if (file.Size() > std::numeric_limits<int32_t>::max()) throw EReadError("Stream read error: " + path);
    std::string bytes(static_cast<size_t>(file.Size()), '\0');
    file.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

TDibImage DecodePicture(TSchemeBitmapRecord record, const std::string& path) {
    if (record.empty()) return {};
    TReadOnlyMemoryStream stream(record.data(), static_cast<int64_t>(record.size()));
    try {
        return ReadBmpFile(&stream);
    } catch (const EInvalidGraphic& e) {
        throw EInvalidGraphic(e.Message + ": " + path);
    }
}

std::array<TDibImage, 8> DecodeFrame(const TSchemeFrame& frame, const std::string& path) {
    std::array<TDibImage, 8> pictures;
    for (size_t i = 0; i < frame.size(); ++i) pictures[i] = DecodePicture(frame[i], path);
    return pictures;
}

void ApplyFontRecord(TFont* font, const TSchemeFontRecord& record) {
    font->SetSize(record.Size);
    font->SetColor(record.Color);
    if (record.Bold) font->SetStyle(font->Style() | fsBold);
    font->SetName(record.Name);
}

// One bitmap frame: its eight images in file order (null for a part the frame
// does not show) and the panels that hold the top and bottom rows.
struct TFrameImages {
    std::array<TImage*, 8> Parts;
    TPanel* Top;
    TPanel* Bottom;
    // The term-list frames keep a row's height when a corner has no picture.
    bool EmptyCornerKeepsRow;
};

// Side strips take their picture's width, top and bottom strips set their
// row's height, corners do both.
void SizeFramePart(const TFrameImages& frame, int part) {
    TImage* image = frame.Parts[static_cast<size_t>(part)];
    const int width = image->Picture()->Width();
    const int height = image->Picture()->Height();
    switch (part) {
    case sfLeft:
    case sfRight:
        image->SetWidth(width);
        break;
    case sfTop:
        frame.Top->SetHeight(height);
        break;
    case sfBottom:
        frame.Bottom->SetHeight(height);
        break;
    default:
        image->SetWidth(width);
        if (height != 0 || !frame.EmptyCornerKeepsRow)
            (part == sfLeftTop || part == sfRightTop ? frame.Top : frame.Bottom)->SetHeight(height);
        break;
    }
}

// Stretching is off while the picture changes so the image is not redrawn
// stretched to a size about to change.
template <typename Load>
void DressFramePart(const TFrameImages& frame, int part, Load load) {
    TImage* image = frame.Parts[static_cast<size_t>(part)];
    if (!image) return;
    image->SetStretch(false);
    load(image->Picture());
    SizeFramePart(frame, part);
    image->SetStretch(true);
}

void DressFrame(const TFrameImages& frame, const std::array<TDibImage, 8>& pictures) {
    for (int part = 0; part < 8; ++part)
        DressFramePart(frame, part, [&](TPicture* p) { p->Bitmap()->LoadFromDib(pictures[static_cast<size_t>(part)]); });
}

// A frame that shows another frame's pictures.
void CopyFrame(const TFrameImages& frame, const TFrameImages& from) {
    for (int part = 0; part < 8; ++part)
        DressFramePart(frame, part, [&](TPicture* p) { p->Assign(from.Parts[static_cast<size_t>(part)]->Picture()); });
}

}  // namespace

void TForm1::LoadColorScheme(const std::string& path) {
    const std::string bytes = ReadSchemeBytes(path);
    const TSchemeFile scheme = ParseSchemeFile(bytes, path);

    // Every picture that is shown is decoded before anything changes, so a
    // broken one leaves the window as it was.
    const TDibImage dockPicture = DecodePicture(scheme.DockPicture, path);
    std::vector<const TSchemeButtonRecord*> buttonRecords;
    std::vector<TDibImage> glyphs;
    for (int i = 0; i < MenuBar1->ControlCount(); ++i) {
        buttonRecords.push_back(SchemeButtonRecordFor(scheme, i));
        glyphs.push_back(buttonRecords.back() ? DecodePicture(buttonRecords.back()->Glyph, path) : TDibImage{});
    }
    const auto textFrame = DecodeFrame(scheme.TextFrame, path);
    const auto listFrame = DecodeFrame(scheme.ListFrame, path);

    // Caption and menu bar.
    ApplyFontRecord(CaptionFont(), scheme.CaptionFont);
    SetGradientStartColor(scheme.GradientStartColor);
    Dock1->Background()->LoadFromDib(dockPicture);
    if (!dockPicture.Empty()) MenuBar1->SetColor(Dock1->Background()->Canvas()->Pixels(0, dockPicture.Height - 1));
    Dock1->Invalidate();
    for (int i = 0; i < MenuBar1->ControlCount(); ++i) {
        const TSchemeButtonRecord* record = buttonRecords[static_cast<size_t>(i)];
        if (!record) continue;
        TControl* button = MenuBar1->Controls(i);
        if (auto* b = dynamic_cast<TToolbarButton*>(button)) {
            b->SetNumGlyphs(record->NumGlyphs);
            b->SetFlat(record->Flat);
            b->SetNoBorder(record->NoBorder);
            b->SetDisplayMode(static_cast<TButtonDisplayMode>(record->DisplayMode));
            b->Glyph()->LoadFromDib(glyphs[static_cast<size_t>(i)]);
        }
        button->SetBounds(button->Left(), button->Top(), record->Width, record->Height);
    }

    // Two fonts nobody uses, then the article text.
    ApplyFontRecord(SchemeFont7.get(), scheme.UnusedFont7);
    ApplyFontRecord(SchemeFont8.get(), scheme.UnusedFont8);
    SchemeTextBackColor = scheme.TextBackColor;
    ApplyFontRecord(SchemeTextFont.get(), scheme.TextFont);

    // The article pane's frame, and the introduction pane's copy of it
    // without the right-hand corners.
    const TFrameImages articleFrame{{LText, TText, RText, BText, LTText, RTText, LBText, RBText}, Panel10, Panel12, false};
    const TFrameImages introFrame{{LText1, TText1, RText1, BText1, LTText1, nullptr, LBText1, nullptr}, Panel13, Panel14, false};
    DressFrame(articleFrame, textFrame);
    CopyFrame(introFrame, articleFrame);

    // The term list and, in the same pictures, the typed-prefix label's frame.
    ApplyFontRecord(SchemeContentsFont.get(), scheme.ContentsFont);
    SchemeContentsBackColor = scheme.ContentsBackColor;
    const TFrameImages listFrameImages{{LKat, TKat, RKat, BKat, LTKat, RTKat, LBKat, RBKat}, Panel9, Panel11, true};
    const TFrameImages labelFrame{{LeftV, TopV, RightV, BottomV, LTV, RTV, LBV, RBV}, Panel3, Panel4, true};
    DressFrame(listFrameImages, listFrame);
    CopyFrame(labelFrame, listFrameImages);

    // Menus.
    ApplyFontRecord(MenuFont.get(), scheme.MenuFont);
    MenuSelBackColor = scheme.MenuSelBackColor;
    MenuSelTextColor = scheme.MenuSelTextColor;
    MenuBackColor = scheme.MenuBackColor;
    MenuTextColor = scheme.MenuTextColor;
    ListSelTextColor = scheme.ListSelTextColor;
    ListSelBackColor = scheme.ListSelBackColor;
    CustomListSelTextColor = ListSelTextColor;
    CustomListSelBackColor = ListSelBackColor;
    for (int i = 0; i < MenuBar1->ControlCount(); ++i) {
        TFont* font = MenuBar1->Controls(i)->Font();
        font->Assign(MenuFont.get());
        font->SetStyle(font->Style() | fsBold);
        font->SetColor(MenuTextColor);
    }

    // Caption colours (the setters repaint the caption), separators, palette.
    SetGradientStopColor(scheme.GradientStopColor);
    SetGradientInactiveStartColor(scheme.GradientInactiveStartColor);
    SetGradientInactiveStopColor(scheme.GradientInactiveStopColor);
    SetCaptionTextColor(scheme.CaptionTextColor);
    SetInactiveCaptionTextColor(scheme.InactiveCaptionTextColor);
    SeparatorColor1 = scheme.SeparatorColor1;
    SeparatorColor2 = scheme.SeparatorColor2;
    SeparatorColor3 = scheme.SeparatorColor3;
    SchemePalette = scheme.Palette;
    SchemePaletteCount = scheme.PaletteCount;

    // The viewers, the pane splitter and the typed-prefix label.
    for (TPageViewer* viewer : {Viewer, Vved}) {
        viewer->SetColor(SchemeTextBackColor);
        viewer->DefFontColor = SchemeTextFont->Color();
        viewer->SetFontSize(SchemeTextFont->Size());
    }
    Splitter2->SetColor(SchemeTextBackColor);
    F->SetColor(SchemeContentsBackColor);
    F->Font()->SetColor(SchemeContentsFont->Color());
    F->Font()->SetStyle(F->Font()->Style() | fsBold);
    UpdateListRowHeight();
    // A viewer takes its default colour and size at its next load: the
    // introduction, loaded once at start, is loaded again in its place, so a
    // scheme chosen later looks as it will after a restart (the article is
    // reloaded by whoever changed the scheme). Last, as it reads a file.
    if (!Vved->CurrentFile().empty()) Vved->LoadFromFile(Vved->CurrentFile());
}
