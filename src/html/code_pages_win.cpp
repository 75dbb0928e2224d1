// The platform's conversions for code pages the engine has no table for.
#ifdef _WIN32

#include "framework/win.h"
#include "html/code_pages.h"

namespace {

class TWindowsCodePages final : public TPlatformCodePages {
public:
    bool ToWide(int codePage, std::string_view bytes, std::wstring& out) const override {
        if (bytes.empty() || bytes.size() > 0x3FFFFFFF) return false;
        const int n = static_cast<int>(bytes.size());
        out.assign(static_cast<size_t>(n), L'\0');
        const int got = MultiByteToWideChar(static_cast<UINT>(codePage), 0, bytes.data(), n, out.data(), n);
        out.resize(got > 0 ? static_cast<size_t>(got) : 0);
        return got > 0;
    }

    bool FromWide(int codePage, std::wstring_view text, std::string& out) const override {
        if (text.empty() || text.size() > 0x1FFFFFFF) return false;
        const int n = static_cast<int>(text.size());
        out.assign(static_cast<size_t>(n) * 3, '\0');
        const int got = WideCharToMultiByte(static_cast<UINT>(codePage), 0, text.data(), n, out.data(),
                                            n * 3, nullptr, nullptr);
        out.resize(got > 0 ? static_cast<size_t>(got) : 0);
        return got > 0;
    }

    int CharLength(int codePage, const char* p, const char* end) const override {
        if (end - p >= 2 && IsDBCSLeadByteEx(static_cast<UINT>(codePage), static_cast<BYTE>(*p))) return 2;
        return 1;
    }
};

}  // namespace

const TPlatformCodePages& WindowsCodePages() {
    static const TWindowsCodePages services;
    return services;
}

#endif
