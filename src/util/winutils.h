// Window and graphics utility routines: bitmaps, icons and cursors from
// resources, transparent and disabled drawing, gradients, window helpers,
// the counted wait cursor, memory blocks and command lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "framework/canvas.h"
#include "framework/controls.h"
#include "framework/dialogs.h"
#include "framework/graphics_types.h"
#include "framework/stdctrls.h"

class TBitmap;
class TGraphic;
class TIcon;
class TCustomForm;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
struct _IMAGELIST;
typedef _IMAGELIST* HIMAGELIST;

// ---------------------------------------------------------------------------
// Bitmaps and icons

// Resource names below 65536 are numeric identifiers (MAKEINTRESOURCE).
using TResourceName = const char*;
constexpr TResourceName ResourceId(unsigned id) { return reinterpret_cast<TResourceName>(static_cast<uintptr_t>(id)); }

// Raises EResNotFound naming the resource (a numeric identifier as its decimal text).
[[noreturn]] void ResourceNotFound(TResourceName name);
// A bitmap from the module's resources, or from the system's when module is null.
// Never raises: any failure gives null (a missing system bitmap goes through
// ResourceNotFound, whose error is caught like any other).
TBitmap* MakeModuleBitmap(HINSTANCE module, TResourceName name);
TBitmap* MakeBitmap(TResourceName name);
TBitmap* MakeBitmapID(unsigned id);

// dest becomes cell `index` (row-major from 0) of source cut into cols x rows.
void AssignBitmapCell(TGraphic* source, TBitmap* dest, int cols, int rows, int index);

// A stretched picture is blended in halftone, the mask always coarsely: a
// blended mask would darken the destination along every edge. A two-colour
// picture passes halftone false, or its edges turn grey.
void StretchBltTransparent(HDC dest, int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh,
                           HPALETTE palette, TColor transparentColor, bool halftone = true);
void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, TColor transparentColor);
// A destination size below 1 means the bitmap's; a source rectangle narrower or
// lower than 1 means the whole bitmap. clNone: no transparency; clDefault: the
// bottom-left pixel (white for a monochrome bitmap).
void StretchBitmapRectTransparent(TCanvas* dest, int x, int y, int w, int h, const TRect& source, TBitmap* bitmap,
                                  TColor transparentColor);
void DrawBitmapRectTransparent(TCanvas* dest, int x, int y, const TRect& source, TBitmap* bitmap,
                               TColor transparentColor);
void DrawBitmapTransparent(TCanvas* dest, int x, int y, TBitmap* bitmap, TColor transparentColor);

// The caller owns the bitmaps these return.
TBitmap* ChangeBitmapColor(TBitmap* bitmap, TColor oldColor, TColor newColor);
TBitmap* CreateDisabledBitmapEx(TBitmap* bitmap, TColor transparentColor, TColor backColor, TColor highlightColor,
                                TColor shadowColor, bool drawHighlight);
TBitmap* CreateDisabledBitmap(TBitmap* bitmap, TColor transparentColor);
TBitmap* CreateTwoColorsBrushPattern(TColor color1, TColor color2);
TBitmap* CreateBitmapFromIcon(TIcon* icon, TColor backColor);

// The caller owns the icon; clDefault takes the bitmap's own transparent colour.
TIcon* CreateIconFromBitmap(TBitmap* bitmap, TColor transparentColor);
void ImageListDrawDisabled(HIMAGELIST images, TCanvas* canvas, int x, int y, int index, TColor highlightColor,
                           TColor grayColor, bool drawHighlight);
// Paints what lies behind the control: its parent and the graphic controls before it.
void CopyParentImage(TControl* control, TCanvas* dest);

// Null when the icon is not found.
TIcon* MakeModuleIcon(HINSTANCE module, TResourceName name);
TIcon* MakeIcon(TResourceName name);
TIcon* MakeIconID(unsigned id);

// ---------------------------------------------------------------------------
// Dialog units, windows and screen

int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);
int PixelsToDialogUnitsX(int pixels);
int PixelsToDialogUnitsY(int pixels);

void PaintInverseRect(const TPoint& topLeft, const TPoint& bottomRight);
void DrawInvertFrame(const TRect& screenRect, int width);
int WidthOf(const TRect& r);
int HeightOf(const TRect& r);
// Every edge included.
bool PointInRect(const TPoint& p, const TRect& r);
bool PointInPolyRgn(const TPoint& p, std::span<const TPoint> points);
TColor PaletteColor(TColor color);
int PaletteEntries(HPALETTE palette);
void KillMessage(HWND wnd, unsigned message);
// The caller deletes the font.
HFONT CreateRotatedFont(TFont* font, int angle);
void Delay(unsigned milliseconds);
void CenterWindow(HWND wnd);
// A form on the screen, any other control on its parent's client area.
void CenterControl(TControl* control);
void MergeForm(TWinControl* host, TCustomForm* form, TAlign align, bool show);
void ShowMDIClientEdge(HWND clientWnd, bool show);
void ShadeRect(HDC dc, const TRect& r);
TRect ScreenWorkArea();
std::string WindowClassName(HWND wnd);
void ShowWinNoAnimate(HWND wnd, int showCmd);
void SwitchToWindow(HWND wnd, bool restore);
void ActivateWindow(HWND wnd);
HWND FindPrevInstance(const std::string& mainFormClass, const std::string& title);
bool ActivatePrevInstance(const std::string& mainFormClass, const std::string& title);
int MsgBox(const std::string& caption, const std::string& text, unsigned flags);
int MsgDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext);

enum TFillDirection { fdTopToBottom, fdBottomToTop, fdLeftToRight, fdRightToLeft };
void GradientFillRect(TCanvas* canvas, const TRect& rect, TColor startColor, TColor endColor,
                      TFillDirection direction, int colors);
// Shortened from the end with "..." appended until it fits (unchanged when it fits).
std::string MinimizeText(const std::string& text, TCanvas* canvas, int maxWidth);
TPoint GetAveCharSize(TCanvas* canvas);
bool IsForegroundTask();
std::string GetWindowsVersion();

// Cell text of grids, drawn on the grid's canvas.
enum TVertAlignment { vaTopJustify, vaCenter, vaBottomJustify };
void WriteText(TCanvas* canvas, const TRect& rect, int dx, int dy, const std::string& text, TAlignment alignment,
               bool wordWrap, bool rightToLeft = false);
void DrawCellTextEx(TCanvas* canvas, const std::string& text, const TRect& rect, TAlignment alignment,
                    TVertAlignment vertAlignment, bool wordWrap, bool rightToLeft = false);
void DrawCellText(TCanvas* canvas, const std::string& text, const TRect& rect, TAlignment alignment,
                  TVertAlignment vertAlignment, bool rightToLeft = false);
void DrawCellBitmap(TCanvas* canvas, TGraphic* graphic, const TRect& rect);

// ---------------------------------------------------------------------------
// Cursors and waiting

// An animated cursor resource (RT_ANICURSOR); null when there is none.
HICON LoadAniCursor(HINSTANCE instance, TResourceName id);
// Registers the cursor in the first free screen cursor slot from 100 and returns it.
TCursor DefineCursor(HINSTANCE instance, TResourceName id);
void StartWait();
void StopWait();

// ---------------------------------------------------------------------------
// Memory and strings

void* AllocMemo(long size);
void* ReallocMemo(void* block, long size);
void FreeMemo(void*& block);
long GetMemoSize(void* block);
bool CompareMem(const void* a, const void* b, size_t length);
void* HugeOffset(void* p, ptrdiff_t offset);
void HugeInc(void*& p, ptrdiff_t offset);
void HugeDec(void*& p, ptrdiff_t offset);
void HMemCpy(void* dest, const void* source, size_t length);
// Moves `count` 32-bit items from source to dest; the ranges may overlap.
void HugeMove(int32_t* source, int32_t* dest, size_t count);

// Empty when absent; long values come back whole.
std::string GetEnvVar(const std::string& name);
void SplitCommandLine(const std::string& commandLine, std::string& program, std::string& params);
std::string AnsiUpperFirstChar(const std::string& text);
std::string DropT(const std::string& text);
std::string ResStr(const std::string& text);
void RaiseWin32Error(unsigned long code);
void CheckWin32(bool ok);
void Beep();
// A new zero-terminated copy (the caller frees it with delete[]).
char* StrPAlloc(const std::string& text);
const char* StringToPChar(const std::string& text);
void FreeUnusedOle();
// Raises EWin32Error when the library cannot be loaded.
HINSTANCE LoadDLL(const std::string& name);
// Calls the library's "DllRegisterServer"; false when it has none.
bool RegisterServer(const std::string& moduleName);
// Shows that the feature is missing, then raises EAbort.
[[noreturn]] void NotImplemented();

// ---------------------------------------------------------------------------

// A canvas on the screen's device context.
class TScreenCanvas : public TCanvas {
public:
    TScreenCanvas() = default;
    ~TScreenCanvas() override;
    void FreeHandle();
    void SetOrigin(int x, int y);

protected:
    void CreateHandle() override;

private:
    HDC FDeviceContext = nullptr;
};
