#include "shell/scheme_file.h"

#include <algorithm>

#include "framework/sysutils.h"

namespace {

const char kReadError[] = "Stream read error";
// The fifth button record of a scheme goes to a scratch button.
constexpr int kScratchButtonRecord = 4;

class SchemeReader {
public:
    SchemeReader(std::string_view bytes, const std::string& fileName) : FBytes(bytes), FFileName(fileName) {}

    std::string_view Take(size_t count) {
        if (count > FBytes.size() - FPos) Fail();
        std::string_view part = FBytes.substr(FPos, count);
        FPos += count;
        return part;
    }
    uint8_t Byte() { return static_cast<uint8_t>(Take(1)[0]); }
    int32_t Int32() {
        std::string_view b = Take(4);
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[static_cast<size_t>(i)]);
        return static_cast<int32_t>(v);
    }
    // A count or length: negative is as corrupt as one that runs past the end.
    size_t Length() {
        int32_t n = Int32();
        if (n < 0) Fail();
        return static_cast<size_t>(n);
    }

    TSchemeFontRecord ReadSchemeFont() {
        TSchemeFontRecord font;
        font.Size = Byte();
        font.Color = Int32();
        font.Bold = Byte() != 0;
        font.Name = std::string(Take(Byte()));
        return font;
    }
    TSchemeBitmapRecord ReadSchemeBitmap() { return Take(Length()); }
    TSchemeButtonRecord ReadSchemeButton() {
        TSchemeButtonRecord button;
        button.NumGlyphs = std::clamp<int>(Byte(), 1, kSchemeMaxGlyphs);
        button.Flat = Byte() != 0;
        button.NoBorder = Byte() != 0;
        button.DisplayMode = Byte();
        if (button.DisplayMode >= kSchemeDisplayModes) button.DisplayMode = 0;
        button.Width = Byte();
        button.Height = Byte();
        button.Glyph = ReadSchemeBitmap();
        return button;
    }
    TSchemeFrame Frame() {
        TSchemeFrame frame;
        for (auto& part : frame) part = ReadSchemeBitmap();
        return frame;
    }

    [[noreturn]] void Fail() const { throw EReadError(Format("%s: %s", kReadError, FFileName.c_str())); }

private:
    std::string_view FBytes;
    size_t FPos = 0;
    const std::string& FFileName;
};

}  // namespace

TSchemeFile ParseSchemeFile(std::string_view bytes, const std::string& fileName) {
    SchemeReader in(bytes, fileName);
    TSchemeFile s;
    s.CaptionFont = in.ReadSchemeFont();
    s.GradientStartColor = in.Int32();
    s.DockPicture = in.ReadSchemeBitmap();
    // Each record takes at least ten bytes, so a count the file cannot hold
    // fails on reading instead of reserving memory first.
    for (size_t n = in.Length(); n > 0; --n) s.Buttons.push_back(in.ReadSchemeButton());
    in.ReadSchemeBitmap();
    for (int i = 0; i < 3; ++i) in.Int32();
    for (size_t n = in.Length(); n > 0; --n) in.ReadSchemeButton();
    s.UnusedColor7 = in.Int32();
    s.UnusedFont7 = in.ReadSchemeFont();
    s.UnusedColor8 = in.Int32();
    s.UnusedFont8 = in.ReadSchemeFont();
    s.TextBackColor = in.Int32();
    s.TextFont = in.ReadSchemeFont();
    s.TextFrame = in.Frame();
    s.ContentsFont = in.ReadSchemeFont();
    s.ContentsBackColor = in.Int32();
    s.ListFrame = in.Frame();
    for (size_t n = in.Length(); n > 0; --n) in.ReadSchemeBitmap();
    s.MenuFont = in.ReadSchemeFont();
    for (int32_t* c : {&s.MenuSelBackColor, &s.MenuSelTextColor, &s.MenuBackColor, &s.MenuTextColor,
                       &s.ListSelTextColor, &s.ListSelBackColor, &s.GradientStopColor,
                       &s.GradientInactiveStartColor, &s.GradientInactiveStopColor, &s.CaptionTextColor,
                       &s.InactiveCaptionTextColor, &s.SeparatorColor1, &s.SeparatorColor2, &s.SeparatorColor3})
        *c = in.Int32();
    in.ReadSchemeBitmap();
    size_t count = in.Length();
    for (size_t i = 0; i < count; ++i) {
        int32_t color = in.Int32();
        if (i < s.Palette.size()) s.Palette[i] = color;
    }
    s.PaletteCount = static_cast<int>(std::min<size_t>(count, kSchemePaletteRoom));
    return s;
}

const TSchemeButtonRecord* SchemeButtonRecordFor(const TSchemeFile& scheme, int button) {
    if (button < 0) return nullptr;
    size_t record = static_cast<size_t>(button < kScratchButtonRecord ? button : button + 1);
    return record < scheme.Buttons.size() ? &scheme.Buttons[record] : nullptr;
}
