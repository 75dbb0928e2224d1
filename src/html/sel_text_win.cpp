// The clipboard side of the selection collectors.
#ifdef _WIN32

#include <cstring>

#include "framework/cp1251.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "html/html_types.h"
#include "html/sel_text.h"

namespace {

const char kClipboardFailed[] = "Cannot put the text on the clipboard";

// Hands `bytes` to the clipboard in `format`; the memory is freed when the
// clipboard does not take it.
void SetClipboardBytes(UINT format, const void* data, size_t bytes) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes ? bytes : 1);
    if (!memory) throw EOutOfMemory(kClipboardFailed);
    if (void* p = GlobalLock(memory)) {
        std::memcpy(p, data, bytes);
        GlobalUnlock(memory);
    }
    bool taken = false;
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        taken = SetClipboardData(format, memory) != nullptr;
        CloseClipboard();
    }
    if (!taken) {
        GlobalFree(memory);
        throw Exception(kClipboardFailed);
    }
}

}  // namespace

ClipBuffer::ClipBuffer(int length) : SelTextBuf(nullptr, 0) {
    if (length > 0) {
        Buffer = new wchar_t[static_cast<size_t>(length)]();
        BufferLeng = length;
    }
}

ClipBuffer::~ClipBuffer() { delete[] Buffer; }

int ClipBuffer::Terminate() {
    if (BufferLeng > 0) Buffer[Leng] = 0;
    if (IsWin32Platform) {
        const std::string text = WideToAnsi(std::wstring_view(Buffer ? Buffer : L"", static_cast<size_t>(Leng)));
        SetClipboardBytes(CF_TEXT, text.c_str(), text.size() + 1);
    } else {
        CopyToClipboard();
    }
    return Leng + 1;
}

void ClipBuffer::CopyToClipboard() {
    static const wchar_t kEmpty[1] = {0};
    if (BufferLeng > 0) SetClipboardBytes(CF_UNICODETEXT, Buffer, static_cast<size_t>(BufferLeng) * 2);
    else SetClipboardBytes(CF_UNICODETEXT, kEmpty, 2);
}

#endif
