// TPicture holds one picture of any registered class and loads files by their
// leading bytes or, failing that, their extension. Picture classes of other
// modules register themselves (RegisterFileFormat) at start-up.
#pragma once

#include <string>
#include <string_view>

#include "framework/graphics.h"

class TBitmap;

// Makes a new empty picture of one class.
using TGraphicClass = TGraphic* (*)();

class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;

    TGraphic* Graphic() const { return FGraphic.get(); }
    // Holds a copy of the picture (of the same class); nullptr empties.
    void SetGraphic(TGraphic* graphic);
    // The picture as a bitmap; a picture of another class (or none) is
    // replaced by an empty bitmap first.
    TBitmap* Bitmap();

    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    // 8-bit (code page 1251) names. Raises EInvalidGraphic for a format no
    // class claims; a failed load keeps the picture held before.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);
    // By leading bytes only.
    void LoadFromStream(TStream* stream);
    void SaveToStream(TStream* stream);

    // From a picture or a graphic: a copy; from nullptr: empty.
    void Assign(TPersistent* Source) override;

    TNotifyEvent OnChange;

    // Extension without the dot, any case. A non-empty signature, found at
    // signatureOffset in a file's first bytes, picks the class whatever the
    // file is called.
    static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                   TGraphicClass graphicClass, std::string_view signature = {},
                                   size_t signatureOffset = 0);
    static void UnregisterGraphicClass(TGraphicClass graphicClass);
    // The description registered for an extension; empty when none.
    static std::string FileFormatDescription(const std::string& extension);

protected:
    // To a graphic: the held picture is assigned to it.
    void AssignTo(TPersistent* Dest) override;

private:
    void Take(TGraphic* graphic);
    void LoadFromStreamAs(TStream* stream, TGraphicClass graphicClass);
    void Changed();

    owned_ptr<TGraphic> FGraphic;
};
