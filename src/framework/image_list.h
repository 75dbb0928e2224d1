// A list of same-sized images with masks over the platform's image list, the
// source of a tool button's glyph when its Images are set, and the images a
// menu holds for those who draw its items. It holds only what they need.
#pragma once

#include <functional>
#include <vector>

#include "framework/classes.h"
#include "framework/gdi_handles.h"

struct _IMAGELIST;
typedef _IMAGELIST* HIMAGELIST;

class TImageList : public TComponent {
public:
    TImageList(TComponent* AOwner, int width, int height);
    ~TImageList() override;

    HIMAGELIST Handle() const { return FHandle; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const;
    // Adds an image (width x Height, whole multiples of Width add several) with
    // a monochrome mask whose white pixels are transparent; -1 on failure.
    int Add(HBITMAP image, HBITMAP mask);
    bool Replace(int index, HBITMAP image, HBITMAP mask);
    void Delete(int index);
    // Draws transparently (no background or foreground blending).
    void Draw(HDC dc, int x, int y, int index) const;

    // Called after every change of the images.
    void RegisterChanges(const void* client, std::function<void()> handler);
    void UnRegisterChanges(const void* client);

protected:
    void Change();

private:
    HIMAGELIST FHandle = nullptr;
    int FWidth;
    int FHeight;
    std::vector<std::pair<const void*, std::function<void()>>> FChangeLinks;
};
