#include "html/parser_entry.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "framework/cp1251.h"
#include "framework/sysutils.h"
#include "html/html_scanner.h"
#include "html/section_list.h"
#include "html/style_props.h"

namespace {

// One run at a time for the process: a callback that starts another parse
// is refused instead of corrupting the run it was called from.
bool gRunning = false;

class TRunGuard {
public:
    TRunGuard() : FEntered(!gRunning) { gRunning = true; }
    ~TRunGuard() {
        if (FEntered) {
            gRunning = false;
            PropStack.Clear();
        }
    }
    bool Entered() const { return FEntered; }

private:
    bool FEntered;
};

constexpr int MaxFrameSetDepth = 16;
constexpr std::uintmax_t MaxFrameFileBytes = 1u << 20;

// The text up to its first zero byte; a UTF-8 signature is taken off.
std::string Prepare(const std::string& s, bool& utf8) {
    std::string text = s.substr(0, FindByte(s, '\0'));
    utf8 = text.size() > 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (utf8) text.erase(0, 3);
    return text;
}

// True when `c` occurs more than `limit` times in the text; the count stops
// there.
bool MoreThan(std::string_view text, char c, int limit) {
    int count = 0;
    for (size_t at = FindByte(text, c); at != std::string_view::npos; at = FindByte(text, c, at + 1))
        if (++count > limit) return true;
    return false;
}

std::string ReadFrameFile(const std::string& name) {
    std::error_code ec;
    // File names are code page 1251 text, whatever the system's code page.
    const std::filesystem::path path(AnsiToWide(name));
    if (!std::filesystem::is_regular_file(path, ec) || ec) return {};
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > MaxFrameFileBytes) return {};
    std::ifstream in(path, std::ios::binary);
    std::string raw(static_cast<size_t>(size), '\0');
    in.read(raw.data(), static_cast<std::streamsize>(size));
    raw.resize(static_cast<size_t>(in.gcount()));
    // Line breaks as CR LF, whatever the file used.
    std::string text;
    text.reserve(raw.size() + raw.size() / 16);
    for (size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\r' || c == '\n') {
            text += "\r\n";
            if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
        } else {
            text += c;
        }
    }
    return text;
}

bool IsBodyStart(Symb sy) {
    switch (sy) {
        case BodySy: case PSy: case HeadingSy: case HRSy: case OLSy: case ULSy: case DirSy: case MenuSy:
        case DLSy: case AddressSy: case BlockQuoteSy: case PreSy: case ImageSy: case TableSy: case FormSy:
            return true;
        default: return false;
    }
}

// The frame-set reader: the scanner and the callbacks of one run.
struct TFrameReader {
    THtmlScanner Sc;
    TFrameViewerBase* Viewer = nullptr;
    TMetaEvent OnMeta;
    std::string FileName;

    void Start(const std::string& text) {
        std::string t = text;
        if (t.find("\x1b$@") != std::string::npos || t.find("\x1b$B") != std::string::npos)
            t = Iso2022JpToShiftJis(t);
        Sc.Start(std::move(t));
        Sc.NextToken();
    }

    void SkipTo(Symb end) {
        while (Sc.Sy != end && Sc.Sy != EofSy) Sc.NextToken();
        if (Sc.Sy == end) Sc.NextToken();
    }

    void ReadScript() {
        TAttribute* a;
        std::string name, language;
        if (Sc.Attributes.Find(NameSy, a)) name = a->Text;
        if (Sc.Attributes.Find(LanguageSy, a)) language = a->Text;
        const std::string script = Sc.ReadScriptText();
        Sc.NextToken();
        if (Viewer && Viewer->OnScript) Viewer->OnScript(Viewer->FrameViewerObject, name, language, script);
        if (Sc.Sy == ScriptEndSy) Sc.NextToken();
    }

    // Frame sets deeper than MaxFrameSetDepth are read as plain frame lists
    // of the set that holds them.
    void ReadFrameSet(TObject* frameSet, int depth) {
        Viewer->DoAttributes(frameSet, &Sc.Attributes);
        Sc.NextToken();
        while (Sc.Sy != FrameSetEndSy && Sc.Sy != EofSy) {
            switch (Sc.Sy) {
                case FrameSetSy:
                    if (depth + 1 < MaxFrameSetDepth) {
                        ReadFrameSet(Viewer->CreateSubFrameSet(frameSet), depth + 1);
                        continue;
                    }
                    Sc.NextToken();
                    break;
                case FrameSy:
                    Viewer->AddFrame(frameSet, &Sc.Attributes, FileName);
                    Sc.NextToken();
                    break;
                case NoFramesSy: SkipTo(NoFramesEndSy); break;
                case ScriptSy: ReadScript(); break;
                default: Sc.NextToken(); break;
            }
        }
        Viewer->EndFrameSet(frameSet);
        if (Sc.Sy == FrameSetEndSy) Sc.NextToken();
    }

    void ReadMeta(TObject* sender) {
        TAttribute* a;
        std::string httpEq, name, content;
        if (Sc.Attributes.Find(HttpEqSy, a)) httpEq = a->Text;
        if (Sc.Attributes.Find(NameSy, a)) name = a->Text;
        if (Sc.Attributes.Find(ContentSy, a)) content = a->Text;
        if (OnMeta) OnMeta(sender, httpEq, name, content);
    }
};

}  // namespace

bool ParseHTMLString(const std::string& S, TSectionList* doc, const TReaderCallbacks& callbacks, TObject* viewer) {
    TRunGuard guard;
    if (!guard.Entered() || !doc) return false;
    try {
        bool utf8;
        std::string text = Prepare(S, utf8);
        int links = 0;
        try {
            // Every link starts at a '<': a page with few of them needs no look.
            if (MoreThan(text, '<', ManyLinksThreshold)) links = CountLinks(text, ManyLinksThreshold + 1);
        } catch (...) {
        }
        doc->LinksNotTabbed = links > ManyLinksThreshold;
        ReadHtmlDocument(doc, viewer, std::move(text), utf8, callbacks);
    } catch (...) {
        // What was built stays; the run ends here.
    }
    return true;
}

bool ParseTextString(const std::string& S, TSectionList* doc) {
    TRunGuard guard;
    if (!guard.Entered() || !doc) return false;
    try {
        bool utf8;
        std::string text = Prepare(S, utf8);
        ReadTextDocument(doc, std::move(text), utf8);
    } catch (...) {
    }
    return true;
}

bool FrameParseString(TFrameViewerBase* frameViewer, TObject* frameSet, LoadStyleType loadKind,
                      const std::string& fileName, const std::string& S, const TMetaEvent& onMeta) {
    TRunGuard guard;
    if (!guard.Entered() || !frameViewer) return false;
    if (loadKind != lsFile && S.empty()) return true;
    try {
        ReaderResults() = TReaderResults{};
        TFrameReader reader;
        reader.Viewer = frameViewer;
        reader.OnMeta = onMeta;
        reader.FileName = fileName;
        reader.Sc.Viewer = frameViewer->FrameViewerObject;
        reader.Sc.OnInclude = frameViewer->OnInclude;
        bool utf8;
        const std::string text = Prepare(loadKind == lsFile ? ReadFrameFile(fileName) : S, utf8);
        auto* base = new TProperties;
        PropStack.Clear();
        PropStack.Add(base);
        if (utf8) base->AssignUTF8();
        reader.Sc.CodePage = base->FontCodePage;
        reader.Start(text);
        while (reader.Sc.Sy != EofSy && !IsBodyStart(reader.Sc.Sy)) {
            THtmlScanner& sc = reader.Sc;
            TAttribute* a;
            switch (sc.Sy) {
                case TitleSy:
                    sc.NextToken();
                    while (sc.Sy == TextSy) {
                        ReaderResults().Title += sc.LCToken.GetString();
                        sc.NextToken();
                    }
                    break;
                case BaseSy:
                    if (sc.Attributes.Find(HrefSy, a)) ReaderResults().Base = a->Text;
                    if (sc.Attributes.Find(TargetSy, a)) ReaderResults().BaseTarget = a->Text;
                    sc.NextToken();
                    break;
                case FrameSetSy: reader.ReadFrameSet(frameSet, 0); break;
                case NoFramesSy: reader.SkipTo(NoFramesEndSy); break;
                case ScriptSy: reader.ReadScript(); break;
                case BgSoundSy:
                    if (frameViewer->OnSoundRequest && sc.Attributes.Find(SrcSy, a)) {
                        const std::string src = a->Text;
                        int loop = 1;
                        if (sc.Attributes.Find(LoopSy, a)) loop = a->Number;
                        frameViewer->OnSoundRequest(frameViewer->FrameViewerObject, src, loop, false);
                    }
                    sc.NextToken();
                    break;
                case MetaSy:
                    reader.ReadMeta(frameSet);
                    sc.NextToken();
                    break;
                default: sc.NextToken(); break;
            }
        }
    } catch (...) {
    }
    return true;
}

bool IsFrameString(LoadStyleType loadKind, const std::string& fileName, const std::string& S, TObject*) {
    TRunGuard guard;
    if (!guard.Entered()) return false;
    try {
        TFrameReader reader;
        bool utf8;
        const std::string text = Prepare(loadKind == lsFile ? ReadFrameFile(fileName) : S, utf8);
        reader.Start(text);
        while (reader.Sc.Sy != EofSy) {
            if (reader.Sc.Sy == FrameSetSy) return true;
            if (IsBodyStart(reader.Sc.Sy)) return false;
            if (reader.Sc.Sy == ScriptSy) reader.ReadScript();
            else reader.Sc.NextToken();
        }
    } catch (...) {
    }
    return false;
}
