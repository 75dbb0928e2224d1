// A minimal single-line edit that keeps its text as UTF-16 and paints it
// with the system's wide text output, for text the 8-bit controls cannot
// show. It draws its own blinking caret and takes typing, deletion and
// mouse placement itself.
#pragma once

#include <string>

#include "framework/controls.h"
#include "framework/win.h"

class TMyEdit : public TCustomControl {
public:
    explicit TMyEdit(TComponent* AOwner);

    // At most this many UTF-16 units are kept; a surrogate pair is stored
    // whole or not at all.
    static constexpr int kCapacity = 258;

    std::wstring WText() const { return GetWC(); }
    void SetWText(const std::wstring& text) { WriteWC(text); }
    std::wstring GetWC() const;
    // Puts the cursor at the end, repaints and fires OnChange (with no sender).
    void WriteWC(const std::wstring& text);
    int LeftShift = 0;
    int TopShift = 0;
    TNotifyEvent OnChange;

    // The caret stands before this UTF-16 unit.
    int CursorPosition() const { return FCursor; }
    bool CaretShown() const { return FCaretShown; }
    RECT CaretRect() const { return FCaretRect; }

    void WndProc(TMessage& message) override { Dispatch(message); }
    // Our messages go to their handlers here; every other goes to the
    // framework's handling.
    void Dispatch(TMessage& message);

protected:
    void CreateParams(TCreateParams& params) override;
    void DestroyingHandle() override;

private:
    void MyPaint(TMessage& message);
    void MyDlg(TMessage& message);
    void MyKeyDown(TMessage& message);
    void MyKeyPress(TMessage& message);
    void MyTimer(TMessage& message);
    void MyMouseDown(TMessage& message);
    void DrawCursor(bool force);
    void ClearCursor();
    int TextWidth(int units);
    int PreviousPosition(int pos) const;
    int NextPosition(int pos) const;
    void DeleteAt(int pos);
    bool Insert(const wchar_t* units, int count);

    wchar_t FText[kCapacity + 1] = {};
    int FLength = 0;
    int FCursor = 0;
    RECT FCaretRect{};
    bool FCaretShown = false;
    bool FPaintingDone = true;
    wchar_t FPendingHigh = 0;  // a high surrogate waiting for its low half
};
