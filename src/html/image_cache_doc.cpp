// The document's side of the image cache: looking pictures up by name,
// decoding misses (host hooks, files, streams), delayed pictures and the
// background image.
#include <algorithm>
#include <cstring>
#include <memory>

#include "framework/bitmap.h"
#include "framework/streams.h"
#include "framework/sysutils.h"
#include "html/image_cache.h"
#include "html/image_obj.h"
#include "html/section_list.h"

void TSectionList::ForgetImage(TObject* object) {
    if (!object) return;
    if (auto* animated = dynamic_cast<TAnimatedImage*>(object))
        AnimatedImages.erase(std::remove(AnimatedImages.begin(), AnimatedImages.end(), animated),
                             AnimatedImages.end());
    PendingImages.erase(std::remove_if(PendingImages.begin(), PendingImages.end(),
                                       [&](const auto& e) { return e.second == object; }),
                        PendingImages.end());
    PanelItems.erase(std::remove(PanelItems.begin(), PanelItems.end(), object), PanelItems.end());
    if (ImageUnderMouse == object) ImageUnderMouse = nullptr;
    ForgetObject(object);
}

#ifdef _WIN32

#include "html/html_startup.h"
#include "images/gif_image.h"

namespace {

std::string CacheKey(const std::string& name) { return Trim(UpperCase(name)); }

bool HasExtension(const std::string& name, const char* ext) {
    const size_t n = std::strlen(ext);
    return name.size() >= n && CompareText(std::string_view(name).substr(name.size() - n), ext) == 0;
}

// A GIF of one frame becomes a plain bitmap (with the GIF's mask when it is
// transparent); an animated one stays the GIF.
TPersistent* FlattenGif(TGIFImage* gif, bool nonAnimated, Transparency& transparent, TBitmap*& mask,
                        bool llCornerAsked) {
    if (!gif) return nullptr;
    if (!nonAnimated) return gif;
    std::unique_ptr<TGIFImage> owned(gif);
    TBitmap* frame = gif->GetMaskedBitmap();
    if (!frame || frame->Empty()) return nullptr;
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->Assign(frame);
    if (gif->IsTransparent() && gif->GetMask()) {
        mask = new TBitmap;
        mask->Assign(gif->GetMask());
        transparent = TGif;
    } else if (llCornerAsked) {
        mask = GetImageMask(bitmap.get(), false, 0);
    }
    return bitmap.release();
}

int PictureArea(TPersistent* image, int64_t& w, int64_t& h) {
    w = h = 0;
    if (auto* gif = dynamic_cast<TGIFImage*>(image)) {
        w = gif->Width();
        h = gif->Height();
    } else if (auto* g = dynamic_cast<TGraphic*>(image)) {
        w = g->Width();
        h = g->Height();
    }
    return w > 0 && h > 0;
}

}  // namespace

TPersistent* DecodeStream(TMemoryStream* stream, Transparency& transparent, TBitmap*& mask, bool llCornerAsked) {
    mask = nullptr;
    if (!stream || stream->Size() <= 0) return nullptr;
    const ImageType kind = KindOfImage(stream->Memory(), static_cast<size_t>(stream->Size()));
    if (kind == Gif || kind == Gif89) {
        bool nonAnimated = true;
        stream->SetPosition(0);
        try {
            TGIFImage* gif = CreateAGifFromStream(nonAnimated, stream);
            if (TPersistent* image = FlattenGif(gif, nonAnimated, transparent, mask, llCornerAsked)) return image;
        } catch (...) {
        }
        delete mask;
        mask = nullptr;
    }
    stream->SetPosition(0);
    return GetImageAndMaskFromStream(stream, transparent, mask);
}

TPersistent* TSectionList::GetTheBitmap(const std::string& name, Transparency& transparent, TBitmap*& mask,
                                        bool& fromCache, bool& delay) {
    mask = nullptr;
    fromCache = false;
    delay = false;
    if (name.empty()) return nullptr;
    const std::string key = CacheKey(name);
    const bool llCornerAsked = transparent == LLCorner;
    if (CachedImages) {
        const int i = CachedImages->IndexOf(key);
        if (i >= 0) {
            TBitmapItem* item = CachedImages->Item(i);
            TPersistent* image = CachedImages->GetImage(i);
            fromCache = true;
            if (item && dynamic_cast<TBitmap*>(image)) {
                if (item->Transp == TGif || item->Transp == TPng) {
                    transparent = item->Transp;
                } else if (llCornerAsked && !item->Mask) {
                    CachedImages->SetMask(i, GetImageMask(static_cast<TBitmap*>(image), false, 0));
                    if (item->Mask) item->Transp = LLCorner;
                }
                mask = item->Mask;
            }
            return image;
        }
    }
    if (CachedImages && CachedImages->Failed(key)) return nullptr;
    TStringBitmapList* cache = CachedImages;
    // A picture whose claimed size could not fit beside the cached ones is
    // not decoded at all.
    auto fitsClaim = [cache](TMemoryStream* stream) {
        int64_t w = 0, h = 0;
        return !cache || !ClaimedPictureSize(static_cast<const uint8_t*>(stream->Memory()),
                                             static_cast<size_t>(stream->Size()), w, h) ||
               cache->MakeRoomFor(LeastPictureBytes(w, h));
    };
    auto decode = [&](TMemoryStream* stream) -> TPersistent* {
        return fitsClaim(stream) ? DecodeStream(stream, transparent, mask, llCornerAsked) : nullptr;
    };
    TPersistent* image = nullptr;
    try {
        if (GetBitmapHook || GetImageHook) {
            if (GetBitmapHook) {
                TBitmap* bitmap = nullptr;
                TColor color = -1;
                if (GetBitmapHook(name, bitmap, color) && bitmap) {
                    if (color != -1) {
                        mask = GetImageMask(bitmap, true, color);
                        transparent = TGif;
                    } else if (llCornerAsked) {
                        mask = GetImageMask(bitmap, false, 0);
                    }
                    image = bitmap;
                }
            }
            if (!image && GetImageHook) {
                TMemoryStream* stream = GetImageHook(name);
                if (stream && stream == WaitStream) {
                    delay = true;
                } else if (!stream) {
                    const std::string file = Host ? Host->ExpandFileName(name) : name;
                    TMemoryStream data;
                    if (ReadImageFile(file, data)) image = decode(&data);
                } else if (stream->Size() > 0) {
                    image = decode(stream);
                }
            }
        } else if (HasExtension(name, ".gif")) {
            TMemoryStream data;
            if (ReadImageFile(name, data)) image = decode(&data);
        } else {
            TMemoryStream data;
            if (ReadImageFile(name, data) && fitsClaim(&data))
                image = GetImageAndMaskFromStream(&data, transparent, mask);
        }
    } catch (...) {
        delete image;
        image = nullptr;
    }
    int64_t w, h;
    if (image && !PictureArea(image, w, h)) {
        delete image;
        delete mask;
        image = nullptr;
        mask = nullptr;
    }
    if (image && CachedImages && !CachedImages->MakeRoomFor(PictureBytes(image) + PictureBytes(mask))) {
        // Past the cache's budget the picture shows as one that cannot be had.
        delete image;
        image = nullptr;
    }
    if (!image) {
        delete mask;
        mask = nullptr;
        if (CachedImages && !delay) CachedImages->NoteFailure(key);
        return nullptr;
    }
    if (CachedImages) {
        auto* item = new TBitmapItem(image, mask, mask ? transparent : NotTransp);
        try {
            CachedImages->AddObject(key, item);
        } catch (...) {
            // Nothing would free a picture the cache could not take.
            delete item;
            mask = nullptr;
            return nullptr;
        }
    }
    return image;
}

void TSectionList::InsertImage(const std::string& sourceName, TMemoryStream* stream, bool& reformat) {
    reformat = false;
    const std::string key = CacheKey(sourceName);
    const int cached = CachedImages ? CachedImages->IndexOf(key) : -1;
    auto pendingAt = [&](size_t from) {
        for (size_t j = from; j < PendingImages.size(); ++j)
            if (PendingImages[j].first == key) return static_cast<int>(j);
        return -1;
    };
    int j = pendingAt(0);
    bool error = false, decoded = false;
    if (cached < 0 && j >= 0) {
        Transparency transparent = NotTransp;
        TBitmap* mask = nullptr;
        TPersistent* image = stream && stream->Size() > 0 ? DecodeStream(stream, transparent, mask, false) : nullptr;
        if (image && CachedImages && !CachedImages->MakeRoomFor(PictureBytes(image) + PictureBytes(mask))) {
            delete image;
            delete mask;
            image = nullptr;
        }
        if (image && CachedImages) {
            auto* item = new TBitmapItem(image, mask, mask ? transparent : NotTransp);
            CachedImages->AddObject(key, item);
            CachedImages->DecUsage(key);
            decoded = true;
        } else if (image) {
            // Without a cache nothing could hold the picture.
            delete image;
            delete mask;
            error = true;
        } else {
            error = true;
        }
        if (error && CachedImages) CachedImages->NoteFailure(key);
    }
    if (cached < 0 && !decoded && !error) return;
    while (j >= 0) {
        TObject* waiting = PendingImages[static_cast<size_t>(j)].second;
        PendingImages.erase(PendingImages.begin() + j);
        if (waiting == this) {
            if (!PrintCopyFlag && !error) BackdropLoaded = false;
        } else if (auto* image = dynamic_cast<TImageObj*>(waiting)) {
            bool again = false;
            image->InsertImage(key, error, again);
            reformat = reformat || again;
        }
        j = pendingAt(static_cast<size_t>(j));
    }
}

TBitmap* TSectionList::GetBackgroundBitmap() {
    if (!DisplayImages || BackdropLoaded || BackdropName.empty() || BackdropBitmap) return BackdropBitmap;
    if (!GetBitmapHook && !GetImageHook) {
        if (Host) BackdropName = Host->ExpandFileName(BackdropName);
    } else if (NameExpander) {
        BackdropName = NameExpander(BackdropName);
    }
    Transparency transparent = NotTransp;
    TBitmap* mask = nullptr;
    bool fromCache = false, delay = false;
    TPersistent* image = GetTheBitmap(BackdropName, transparent, mask, fromCache, delay);
    if (auto* bitmap = dynamic_cast<TBitmap*>(image)) {
        BackdropBitmap = bitmap;
        BackdropMask = mask;
    } else if (auto* gif = dynamic_cast<TGIFImage*>(image)) {
        BackdropBitmap = gif->GetMaskedBitmap();
        BackdropMask = gif->GetMask();
    } else if (delay) {
        PendingImages.emplace_back(CacheKey(BackdropName), this);
    }
    BackdropLoaded = true;
    return BackdropBitmap;
}

#else

// Natively no picture is decoded: every look-up misses.
TPersistent* TSectionList::GetTheBitmap(const std::string&, Transparency&, TBitmap*& mask, bool& fromCache,
                                        bool& delay) {
    mask = nullptr;
    fromCache = delay = false;
    return nullptr;
}
void TSectionList::InsertImage(const std::string&, TMemoryStream*, bool& reformat) { reformat = false; }
TBitmap* TSectionList::GetBackgroundBitmap() { return BackdropBitmap; }

#endif
