// The viewer's work on the document's text and objects: selection and caret,
// the clipboard, text search, form submission and contents, identified
// blocks, drag relays, progress and the expansion of link and image names.
#include <algorithm>

#include "framework/strings.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "html/block.h"
#include "html/font_obj.h"
#include "html/form_controls.h"
#include "html/urls.h"
#include "viewer/page_viewer.h"

namespace {

constexpr unsigned kFormSubmitMessage = WM_USER + 100;

// Find and focus move the view only when the target is this close to an edge.
constexpr int kFindBottomMargin = 20;
constexpr int kFindRightMargin = 50;
constexpr int kControlBottomMargin = 20;
constexpr int kLinkBottomMargin = 30;

bool IsAbsolutePath(const std::string& path) {
    return (path.size() > 1 && path[1] == ':') || path.rfind("\\\\", 0) == 0;
}

}  // namespace

int TPageViewer::DocumentEnd() const {
    const int count = FDocument->Count();
    if (count == 0) return 0;
    const TSectionBase* last = FDocument->Section(count - 1);
    return std::max(0, last->FirstDocPos + last->Len);
}

// ---- selection and caret

void TPageViewer::SelectAll() {
    if (FDocument->Count() == 0 || FNoSelect) return;
    FDocument->SelFirstPos = 0;
    FDocument->SelEndPos = DocumentEnd();
    InvalidatePanel();
}

int TPageViewer::GetSelLength() {
    const int start = FDocument->SelFirstPos, end = FDocument->SelEndPos;
    return start == FCaretPos ? end - start : start - end;
}

void TPageViewer::SetSelLength(int value) {
    const int end = DocumentEnd();
    const int caret = FCaretPos = std::clamp(FCaretPos, 0, end);
    // Computed in 64 bits: a length near the int range must not wrap round.
    const int other = static_cast<int>(std::clamp<int64_t>(int64_t{caret} + value, 0, end));
    if (value < 0) {
        FDocument->SelFirstPos = other;
        FDocument->SelEndPos = caret;
    } else {
        FDocument->SelFirstPos = caret;
        FDocument->SelEndPos = other;
    }
    InvalidatePanel();
}

void TPageViewer::SetSelStart(int value) {
    if (value >= 0) FCaretPos = std::min(value, DocumentEnd());
    FDocument->SelFirstPos = FDocument->SelEndPos = FCaretPos;
    InvalidatePanel();
}

void TPageViewer::SetCaretPos(int value) {
    if (value >= 0) FCaretPos = value;
}

void TPageViewer::SetNoSelect(bool value) {
    if (value == FNoSelect) return;
    FNoSelect = value;
    if (!value) return;
    FDocument->SelFirstPos = FDocument->SelEndPos = -1;
    InvalidatePanel();
}

std::wstring TPageViewer::GetSelText() {
    // The count takes in forced line breaks that the copy leaves out, so the
    // text is cut to what was written.
    const int length = FDocument->GetSelLength();
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int written = FDocument->GetSelTextBuf(text.data(), length + 1);
    text.resize(static_cast<size_t>(std::clamp(written - 1, 0, length)));
    return text;
}

int TPageViewer::GetSelTextBuf(wchar_t* buffer, int bufferSize) {
    if (bufferSize <= 0 || !buffer) return 0;
    return FDocument->GetSelTextBuf(buffer, bufferSize);
}

void TPageViewer::CopyToClipboard() { FDocument->CopyToClipboardA(FDocument->GetSelLength() + 1); }

int TPageViewer::FindSourcePos(int displayPos) { return FDocument->FindSourcePos(displayPos); }

int TPageViewer::FindDisplayPos(int sourcePos, bool prev) { return FDocument->FindDocPos(sourcePos, prev); }

bool TPageViewer::DisplayPosToXy(int displayPos, int& x, int& y) {
    return FDocument->CursorToXY(FPaintPanel->Canvas(), displayPos, x, y);
}

// ---- find

bool TPageViewer::Find(const std::wstring& S, bool CaseSensitive) { return FindEx(S, CaseSensitive, false); }

bool TPageViewer::FindEx(const std::wstring& S, bool CaseSensitive, bool Reverse) {
    if (S.empty()) return false;
    const std::wstring sought = CaseSensitive ? S : WideLowerCase1(S);
    const int end = DocumentEnd();
    const int from = std::clamp(FCaretPos, 0, end);
    const int at = Reverse ? FDocument->FindStringR(from, sought, CaseSensitive)
                           : FDocument->FindString(from, sought, CaseSensitive);
    if (at < 0) return false;
    const int length = static_cast<int>(sought.size());
    FDocument->SelFirstPos = at;
    FDocument->SelEndPos = std::min(at + length, end);
    FCaretPos = Reverse ? at : FDocument->SelEndPos;
    // The place is asked for just inside the hit: at its first position the
    // section before it answers too (for its own end), and that section may
    // be another table cell or the line above.
    int x = 0, y = 0;
    if (FDocument->CursorToXY(FPaintPanel->Canvas(), at + 1, x, y)) {
        const int height = ClientHeight(), width = ClientWidth();
        const int top = GetScrollPos(), left = GetHScrollPos();
        if (y < top || y > top + height - kFindBottomMargin) SetScrollPos(y - height / 2);
        if (x < left || x > left + width - kFindRightMargin) SetHScrollPos(x - width / 2);
    }
    InvalidatePanel();
    return true;
}

// ---- focus of links and form controls

void TPageViewer::FormControlEnterEvent(TObject* sender) {
    const int height = ClientHeight();
    const int top = GetScrollPos();
    if (auto* link = dynamic_cast<TFontObj*>(sender)) {
        if (FFocusingLink) return;
        const int y = link->LinkY();
        if (y < top)
            SetScrollPos(y);
        else if (y > top + height - kLinkBottomMargin)
            SetScrollPos(y - height / 2);
        InvalidatePanel();
        return;
    }
    if (auto* control = dynamic_cast<TFormControlObj*>(sender)) {
        const int y = control->GetYPosition();
        if (y < top || y > top + height - kControlBottomMargin) {
            SetScrollPos(y - height / 2);
            InvalidatePanel();
        }
    }
}

// ---- form submission

void TPageViewer::SetOnFormSubmit(TFormSubmitEvent handler) {
    FOnFormSubmit = std::move(handler);
    // Without a host handler a form's submit does nothing at all.
    if (!FOnFormSubmit) {
        FDocument->FormSubmitHandler = nullptr;
        return;
    }
    FDocument->FormSubmitHandler = [this](const std::string& action, const std::string& target,
                                          const std::string& encType, const std::string& method,
                                          const std::vector<std::string>& lines) {
        auto results = std::make_unique<TStringList>();
        for (const std::string& line : lines) results->Add(line);
        SubmitForm(this, action, target, encType, method, std::move(results));
    };
}

void TPageViewer::SubmitForm(TObject*, const std::string& action, const std::string& target,
                             const std::string& encType, const std::string& method,
                             std::unique_ptr<TStringList> results) {
    if (!FOnFormSubmit) return;
    // A second submission before delivery replaces (and frees) the first.
    auto pending = std::make_unique<TPendingSubmit>();
    pending->Action = action;
    pending->Target = target;
    pending->EncType = encType;
    pending->Method = method;
    pending->Results = std::move(results);
    FPendingSubmit = std::move(pending);
    PostMessageW(Handle(), kFormSubmitMessage, 0, 0);
}

void TPageViewer::WMFormSubmit(TMessage&) {
    std::unique_ptr<TPendingSubmit> pending = std::move(FPendingSubmit);
    if (!pending || !FOnFormSubmit) return;
    FOnFormSubmit(this, pending->Action, pending->Target, pending->EncType, pending->Method,
                  std::move(pending->Results));
}

// ---- form contents and identified objects

std::unique_ptr<TFreeList> TPageViewer::GetFormData() {
    std::vector<std::vector<std::string>> forms = FDocument->GetFormcontrolData();
    if (forms.empty()) return nullptr;
    auto data = std::make_unique<TFreeList>();
    for (const std::vector<std::string>& lines : forms) {
        auto list = std::make_unique<TStringList>();
        for (const std::string& line : lines) list->Add(line);
        data->Add(list.release());
    }
    return data;
}

void TPageViewer::SetFormData(TFreeList* list) {
    if (!list) return;
    std::vector<std::vector<std::string>> forms;
    for (int i = 0; i < list->Count(); ++i) {
        std::vector<std::string>& lines = forms.emplace_back();
        if (auto* saved = dynamic_cast<TStrings*>(list->Items(i)))
            for (int k = 0; k < saved->Count(); ++k) lines.push_back(saved->Get(k));
    }
    // Restoring a check box or a radio button must not look like a click.
    struct TClickHandlerBack {
        TSectionList* Document;
        decltype(TSectionList::ObjectClickHandler) Handler;
        ~TClickHandlerBack() { Document->ObjectClickHandler = std::move(Handler); }
    } back{FDocument.get(), std::move(FDocument->ObjectClickHandler)};
    FDocument->ObjectClickHandler = nullptr;
    FDocument->SetFormcontrolData(forms);
}

TWinControl* TPageViewer::GetIDControl(const std::string& id) {
    TIDNameList* names = FDocument->IDObjects.get();
    auto* control = names ? dynamic_cast<TFormControlObj*>(names->FindObject(id)) : nullptr;
    return control ? control->GetControl() : nullptr;
}

bool TPageViewer::GetIDDisplay(const std::string& id) {
    TIDNameList* names = FDocument->IDObjects.get();
    auto* block = names ? dynamic_cast<TBlock*>(names->FindObject(id)) : nullptr;
    return block && !block->NotDisplayed;
}

void TPageViewer::SetIDDisplay(const std::string& id, bool value) {
    TIDNameList* names = FDocument->IDObjects.get();
    auto* block = names ? dynamic_cast<TBlock*>(names->FindObject(id)) : nullptr;
    if (!block || block->NotDisplayed != value) return;
    // Controls inside a block that is no longer drawn must not stay on screen.
    FDocument->HideControls();
    block->NotDisplayed = !value;
}

// ---- drag relays

// The panel covers the page, so drags meet it: its events pass them on to
// the host's handlers with the viewer as the sender.

void TPageViewer::SetDragDrop(TDragDropEvent handler) {
    FOnDragDrop = std::move(handler);
    FPaintPanel->OnDragDrop = FOnDragDrop ? Bind(this, &TPageViewer::HTMLDragDrop) : nullptr;
}

void TPageViewer::SetDragOver(TDragOverEvent handler) {
    FOnDragOver = std::move(handler);
    FPaintPanel->OnDragOver = FOnDragOver ? Bind(this, &TPageViewer::HTMLDragOver) : nullptr;
}

void TPageViewer::HTMLDragDrop(TObject*, TObject* source, int x, int y) {
    if (FOnDragDrop) FOnDragDrop(this, source, x, y);
}

void TPageViewer::HTMLDragOver(TObject*, TObject* source, int x, int y, TDragState state, bool& accept) {
    if (FOnDragOver) FOnDragOver(this, source, x, y, state, accept);
}

// ---- progress

void TPageViewer::htProgressInit() {
    if (OnProgress) OnProgress(this, psStarting, 0);
}

void TPageViewer::htProgress(int percent) {
    if (OnProgress) OnProgress(this, psRunning, percent);
}

void TPageViewer::htProgressEnd() {
    if (OnProgress) OnProgress(this, psEnding, 100);
}

// ---- file names

std::string TPageViewer::HTMLExpandFilename(const std::string& name) {
    // Other schemes than file:// stay as they are: they are not files here.
    const size_t scheme = name.find("://");
    if (scheme != std::string::npos && scheme > 0 && LowerCase(name).find("file://") == std::string::npos)
        return name;
    std::string result = HTMLServerToDos(Trim(name), FServerRoot);
    if (result.empty()) return result;
    if (result[0] == '\\' && result.rfind("\\\\", 0) != 0) return ::ExpandFileName(result);
    if (IsAbsolutePath(result) || SameText(FBase, "DosPath")) return result;
    const std::string folder = !FBase.empty() ? ExtractFilePath(HTMLToDos(FBase)) : ExtractFilePath(FCurrentFile);
    return ::ExpandFileName(folder + result);
}
