// TPNGImage: a bitmap read from and written to PNG, held as a list of chunk
// objects, one class per known chunk type, found through a registry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/bitmap.h"
#include "images/png_decoder.h"

class TPNGImage;
class TChunkList;
class TChunkIHDR;
class TChunkGAMA;

class TChunk {
public:
    explicit TChunk(TChunkList* list);
    virtual ~TChunk() = default;
    TChunk(const TChunk&) = delete;
    TChunk& operator=(const TChunk&) = delete;

    virtual void DoAction() {}
    virtual void Assign(const TChunk* source);
    // Writes length, type, data and CRC; chunks whose fourth letter is lower
    // case are not written.
    virtual void SaveToStream(TStream* stream);

    TPNGImage* GetBitmap() const;
    TChunkIHDR* GetIHDR() const;
    TChunkGAMA* GetGAMA() const;
    int GetSize() const { return static_cast<int>(Data.size()); }
    int GetIndex() const;

    TChunkList* ChunkList;
    std::vector<uint8_t> Data;
    std::string ChunkType;  // four characters
    TChunk* (*Class)(TChunkList*) = nullptr;  // the class it was made as
};

// A chunk class: makes a chunk of that class for a list.
using TChunkClass = TChunk* (*)(TChunkList* list);

class TChunkIHDR : public TChunk {
public:
    explicit TChunkIHDR(TChunkList* list);
    void SaveToStream(TStream* stream) override;
    uint32_t GetWidth() const;
    void SetWidth(uint32_t value);
    uint32_t GetHeight() const;
    void SetHeight(uint32_t value);
    // 0 bit depth, 1 colour type, 2 compression, 3 filter, 4 interlace method.
    uint8_t GetValue(int index) const;
    void SetValue(int index, uint8_t value);
};

class TChunkPLTE : public TChunk {
public:
    using TChunk::TChunk;
    void SaveToStream(TStream* stream) override;
    // Colours as red + green * 256 + blue * 65536, through the gamma table.
    std::vector<uint32_t> GetPalette() const;
};

class TChunkIDAT : public TChunk {
public:
    using TChunk::TChunk;
    void DoAction() override;
    void SaveToStream(TStream* stream) override;

private:
    void EncodeImage();
};

class TChunkIEND : public TChunk {
public:
    using TChunk::TChunk;
};

class TChunkGAMA : public TChunk {
public:
    explicit TChunkGAMA(TChunkList* list);
    void DoAction() override;
    uint32_t GetValue() const;
    void SetValue(uint32_t value);
    const TPNGGamma& Tables() const { return FTables; }

private:
    TPNGGamma FTables;
};

class TChunkTRNS : public TChunk {
public:
    using TChunk::TChunk;
    void SaveToStream(TStream* stream) override;
    TColor GetRGBColor() const;
};

class TChunkTEXT : public TChunk {
public:
    explicit TChunkTEXT(TChunkList* list);
    // 0 keyword, 1 text.
    std::string GetValue(int index) const;
    void SetValue(int index, const std::string& value);
};

class TChunkZTXT : public TChunk {
public:
    using TChunk::TChunk;
    std::string GetValue(int index) const;
    void SetValue(int index, const std::string& value);
};

struct TPNGTime {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

class TChunkTIME : public TChunk {
public:
    explicit TChunkTIME(TChunkList* list);
    TPNGTime GetDateTime() const;
    void SetDateTime(const TPNGTime& value);
};

class TChunkList {
public:
    explicit TChunkList(TPNGImage* owner) : Owner(owner) {}
    ~TChunkList() { Clear(); }
    TChunkList(const TChunkList&) = delete;
    TChunkList& operator=(const TChunkList&) = delete;

    int GetCount() const { return static_cast<int>(FItems.size()); }
    TChunk* GetItem(int index) const;
    TChunk* AddItem(TChunk* chunk);
    TChunk* AddClass(TChunkClass chunkClass);
    void Remove(TChunk* chunk);
    void Move(int currentIndex, int newIndex);
    int IndexOfClass(TChunkClass chunkClass) const;
    int IndexOfChunk(const TChunk* chunk) const;
    // Reads one chunk from the stream; a second IDAT joins the first.
    TChunk* AddStream(TStream* stream);
    void Clear();

    TPNGImage* Owner;

private:
    friend class TChunk;
    std::vector<TChunk*> FItems;  // owned
};

class TChunkClasses {
public:
    struct Entry {
        std::string Type;
        TChunkClass Class;
    };
    void Add(const std::string& type, TChunkClass chunkClass);
    const Entry& GetItem(int index) const;
    int GetCount() const { return static_cast<int>(FEntries.size()); }
    int IndexOfType(const std::string& type) const;
    int IndexOfClass(TChunkClass chunkClass) const;

private:
    std::vector<Entry> FEntries;
};

// The program's registry of chunk types.
TChunkClasses& ChunkClasses();

template <class T>
TChunk* MakeChunk(TChunkList* list) {
    T* chunk = new T(list);
    chunk->Class = &MakeChunk<T>;
    return chunk;
}

class TPNGImage : public TBitmap {
public:
    TPNGImage();
    ~TPNGImage() override;

    TGraphic* NewGraphic() const override { return new TPNGImage; }
    void Assign(TPersistent* Source) override;
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    void Clear();
    void SetFilter(TEncodeFilterSet value);
    static void RegisterChunkClass(TChunkClass chunkClass, const std::string& type);

    TEncodeFilterSet Filters;
    bool Interlaced = false;
    TChunkList Chunks;

private:
    friend class TChunkIDAT;
};

// Registers "PNG" ("Portable Network Graphics") with the picture class, found
// by the signature whatever the file is called; safe to call again. The entry
// point calls it at start-up, and so does this module's own initialisation
// whenever it is linked in.
void InitializePNGImage();
void FinalizePNGImage();
