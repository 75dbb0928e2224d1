#include "html/sel_text.h"

void SelTextCount::AddText(const wchar_t* text, int count) {
    for (int i = 0; i < count; ++i)
        if (text[i] != 2 && text[i] != 4) ++Leng;
}

int SelTextCount::Terminate() { return Leng; }

void SelTextCount::AddTextCR(const wchar_t* text, int count) {
    AddText(text, count);
    static const wchar_t kCRLF[] = L"\r\n";
    AddText(kCRLF, 2);
}

SelTextBuf::SelTextBuf(wchar_t* buffer, int size) {
    Buffer = buffer;
    BufferLeng = buffer && size > 0 ? size : 0;
}

void SelTextBuf::AddText(const wchar_t* text, int count) {
    for (int i = 0; i < count && Leng < BufferLeng - 1; ++i)
        if (text[i] != 2 && text[i] != 4 && text[i] != 8) Buffer[Leng++] = text[i];
}

int SelTextBuf::Terminate() {
    if (BufferLeng > 0) Buffer[Leng] = 0;
    return Leng + 1;
}
