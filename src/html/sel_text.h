// The collectors through which a document hands its selected text to the
// viewer: count it, copy it into a caller's buffer, or put it on the
// clipboard. Document text carries placeholders: 2 a form control, 4 an image
// or panel, 8 a line break.
#pragma once

#include <string>

#include "framework/classes.h"

class SelTextCount : public TObject {
public:
    // Counts every unit but the placeholders 2 and 4.
    virtual void AddText(const wchar_t* text, int count);
    virtual int Terminate();
    // The text, then carriage return and line feed.
    void AddTextCR(const wchar_t* text, int count);

protected:
    wchar_t* Buffer = nullptr;  // none while only counting
    int BufferLeng = 0;
    int Leng = 0;
};

// Writes into a caller's buffer of `size` units, keeping one for the closing 0;
// a buffer of size 0 is never written.
class SelTextBuf : public SelTextCount {
public:
    SelTextBuf(wchar_t* buffer, int size);
    void AddText(const wchar_t* text, int count) override;
    // Closes the text with 0; the units used, the 0 included.
    int Terminate() override;
};

// Owns its buffer; Terminate puts the text on the clipboard as Unicode text.
class ClipBuffer : public SelTextBuf {
public:
    explicit ClipBuffer(int length);
    ~ClipBuffer() override;
    int Terminate() override;
    // The whole buffer to the clipboard; raises when the clipboard refuses it.
    void CopyToClipboard();
    std::wstring Text() const { return std::wstring(Buffer, static_cast<size_t>(Leng)); }
};
