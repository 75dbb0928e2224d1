// A small reader and writer of a component's saved extra properties: named
// binary blocks that a component defines for data no published property
// holds (the menu bar's per-item bitmaps). The saved form is, per property,
// a one-byte name length, the name, a 32-bit byte count and the bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TStream;

using TStreamProc = std::function<void(TStream*)>;

class TFiler {
public:
    virtual ~TFiler() = default;
    // Reading calls `read` with a stream of the saved bytes when the property
    // was saved; writing calls `write` when hasData.
    virtual void DefineBinaryProperty(const std::string& name, const TStreamProc& read, const TStreamProc& write,
                                      bool hasData) = 0;
};

class TPropertyWriter : public TFiler {
public:
    explicit TPropertyWriter(TStream* stream) : FStream(stream) {}
    void DefineBinaryProperty(const std::string& name, const TStreamProc& read, const TStreamProc& write,
                              bool hasData) override;

private:
    TStream* FStream;
};

// Takes in every saved property at construction; raises EReadError for a
// list that runs past the stream's end.
class TPropertyReader : public TFiler {
public:
    explicit TPropertyReader(TStream* stream);
    void DefineBinaryProperty(const std::string& name, const TStreamProc& read, const TStreamProc& write,
                              bool hasData) override;
    // Saved properties no one defined.
    std::vector<std::string> UnreadNames() const;

private:
    struct Saved {
        std::string Name;
        std::string Bytes;
        bool Read = false;
    };
    std::vector<Saved> FSaved;
};
