#include "framework/image_list.h"

#include <algorithm>

#include "framework/win.h"
#include <commctrl.h>

TImageList::TImageList(TComponent* AOwner, int width, int height)
    : TComponent(AOwner), FWidth(width), FHeight(height) {
    FHandle = ImageList_Create(width, height, ILC_COLORDDB | ILC_MASK, 4, 4);
    if (!FHandle) throw EOutOfResources("Error creating image list");
}

TImageList::~TImageList() {
    if (FHandle) ImageList_Destroy(FHandle);
}

int TImageList::Count() const {
    return ImageList_GetImageCount(FHandle);
}

int TImageList::Add(HBITMAP image, HBITMAP mask) {
    int index = ImageList_Add(FHandle, image, mask);
    if (index >= 0) Change();
    return index;
}

bool TImageList::Replace(int index, HBITMAP image, HBITMAP mask) {
    bool ok = ImageList_Replace(FHandle, index, image, mask) != FALSE;
    if (ok) Change();
    return ok;
}

void TImageList::Delete(int index) {
    if (ImageList_Remove(FHandle, index)) Change();
}

void TImageList::Draw(HDC dc, int x, int y, int index) const {
    ImageList_DrawEx(FHandle, index, dc, x, y, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
}

void TImageList::RegisterChanges(const void* client, std::function<void()> handler) {
    UnRegisterChanges(client);
    FChangeLinks.emplace_back(client, std::move(handler));
}

void TImageList::UnRegisterChanges(const void* client) {
    FChangeLinks.erase(std::remove_if(FChangeLinks.begin(), FChangeLinks.end(),
                                      [&](const auto& link) { return link.first == client; }),
                       FChangeLinks.end());
}

void TImageList::Change() {
    auto links = FChangeLinks;
    for (auto& link : links) link.second();
}
