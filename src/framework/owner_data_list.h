// A list box that holds no items of its own: it knows only how many rows there
// are, and asks its owner for each row it draws. Millions of rows cost nothing
// to set, where adding each as a string to a list box takes seconds.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "framework/stdctrls.h"

class TOwnerDataListBox : public TStandardControl {
public:
    explicit TOwnerDataListBox(TComponent* AOwner);
    ~TOwnerDataListBox() override;

    int Count() const { return FCount; }
    // Shows `count` rows from the first; the selection and the scroll position
    // go back to none and the top.
    void SetCount(int count);
    void Clear() { SetCount(0); }
    // -1: none.
    int ItemIndex() const;
    void SetItemIndex(int index);
    int TopIndex() const;
    void SetTopIndex(int index);
    // Fixed row height in pixels; 0 takes the font's text height.
    int ItemHeight() const;
    void SetItemHeight(int height);
    TRect ItemRect(int index) const;

    // The text of a row (code page 1251), for the plain drawing.
    std::function<std::string(int index)> OnGetText;
    // Replaces the plain drawing of a row.
    TDrawItemEvent OnDrawItem;
    TCanvas* Canvas() const { return FCanvas.get(); }

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void DestroyingHandle() override;
    void WndProc(TMessage& message) override;
    void FontChanged() override;
    virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);

private:
    int RowHeight() const;
    void PushHeight();

    std::unique_ptr<TCanvas> FCanvas;
    int FCount = 0;
    int FItemHeight = 0;
    int FSavedItemIndex = -1;
    int FSavedTopIndex = 0;
};
