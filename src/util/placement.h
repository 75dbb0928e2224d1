// A form's window placement, saved when the form closes and restored when it is
// first shown, in the registry or in an ini file. Optionally fixes the form's
// tracking sizes or forbids resizing it, through a window-procedure hook.
//
// Stored in the form's section (registry: a sub-key of IniFileName), every
// registry value as a string: FormVersion, Flags, ShowCmd, PixelsPerInch,
// "MinMaxPos(<w>x<h>)" and MinMaxPos (minimised x, y and maximised x, y),
// "NormPos(<w>x<h>)" and NormPos (normal left, top, right, bottom) as "%d,%d,%d,%d",
// ActiveControl (with fpActiveControl) and Visible ("1" only when saved while
// the form was being destroyed). <w>x<h> is the screen size in pixels: the
// suffixed key is read first, so each screen size keeps its own placement.
#pragma once

#include <memory>
#include <string>

#include "framework/forms.h"

class TCustomIniFile;
class TFormPlacement;
class TWindowHook;

inline constexpr char kPlacementFormVersion[] = "FormVersion";
inline constexpr char kPlacementFlags[] = "Flags";
inline constexpr char kPlacementShowCmd[] = "ShowCmd";
inline constexpr char kPlacementPixels[] = "PixelsPerInch";
inline constexpr char kPlacementMinMaxPos[] = "MinMaxPos";
inline constexpr char kPlacementNormPos[] = "NormPos";
inline constexpr char kPlacementActiveControl[] = "ActiveControl";
inline constexpr char kPlacementVisible[] = "Visible";

enum TPlacementOption : unsigned { fpState = 1, fpPosition = 2, fpActiveControl = 4 };
using TPlacementOptions = unsigned;

enum TPlacementRegRoot { prCurrentUser, prLocalMachine, prCurrentConfig, prClassesRoot, prUsers, prDynData };

// Tracking and maximised sizes; a zero value leaves the system's own.
class TWinMinMaxInfo : public TPersistent {
public:
    explicit TWinMinMaxInfo(TFormPlacement* owner) : FOwner(owner) {}

    enum Index { MaxPosLeft, MaxPosTop, MaxSizeHeight, MaxSizeWidth, MaxTrackHeight, MaxTrackWidth,
                 MinTrackHeight, MinTrackWidth, Count };
    int Get(Index index) const { return FValues[index]; }
    // Tells the owner when the value changes.
    void Set(Index index, int value);
    bool DefaultMinMaxInfo() const;
    void Assign(TPersistent* Source) override;

private:
    TFormPlacement* FOwner;
    int FValues[Count] = {};
};

// Made in the owner form's layout: once the layout is built it chains its
// FormShow, FormCloseQuery and FormDestroy in front of the form's own handlers.
class TFormPlacement : public TComponent {
public:
    explicit TFormPlacement(TComponent* AOwner);
    ~TFormPlacement() override;
    void BeforeDestruction() override;

    bool Active = true;
    // The ini file, or with UseRegistry the key below RegistryRoot; empty: the
    // default name. GetIniFileName gives the name in use.
    std::string IniFileName;
    // Empty: the owner's default section (a form's class name).
    std::string IniSection;
    bool UseRegistry = false;
    TPlacementRegRoot RegistryRoot = prCurrentUser;
    // Stored placements with a lower FormVersion are ignored.
    int Version = 0;
    TPlacementOptions Options = 0;
    TNotifyEvent OnSavePlacement;
    TNotifyEvent OnRestorePlacement;

    std::string GetIniFileName() const;
    void SetIniFileName(const std::string& value) { IniFileName = value; }
    std::string GetIniSection() const;
    void SetIniSection(const std::string& value) { IniSection = value; }
    TWinMinMaxInfo* MinMaxInfo() const { return FMinMaxInfo.get(); }
    void SetMinMaxInfo(TWinMinMaxInfo* value) { FMinMaxInfo->Assign(value); }
    bool PreventResize() const { return FPreventResize; }
    void SetPreventResize(bool value);

    void SaveFormPlacement();
    void RestoreFormPlacement();
    // A restore has run (or failed); saving waits for it while Active.
    bool RestoreDone() const { return FRestoreDone; }
    // One value in the form's section; the storage is opened for the call when
    // it is not open.
    std::string ReadString(const std::string& ident, const std::string& defaultValue);
    void WriteString(const std::string& ident, const std::string& value);
    int ReadInteger(const std::string& ident, int defaultValue);
    void WriteInteger(const std::string& ident, int value);
    // Erases the form's section and the sections "<section>.*" and "<section>\*".
    void EraseSections();
    // Sets the maximised position to just hide the form's border.
    void UpdatePlacement();

    // Chained in front of the form's own handlers.
    void FormShow(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormDestroy(TObject* Sender);
    // After the form's window procedure: tracking sizes and fixed size.
    void WndMessage(TObject* Sender, TMessage& Msg, bool& Handled);

protected:
    virtual void SavePlacement();
    virtual void RestorePlacement();
    virtual std::string DoReadString(const std::string& section, const std::string& ident,
                                     const std::string& defaultValue);
    virtual void DoWriteString(const std::string& section, const std::string& ident, const std::string& value);
    virtual void Save();
    virtual void Restore();
    void Loaded() override;
    // The storage while a save or restore runs, else nullptr.
    TCustomIniFile* IniFile() const { return FIniFile.get(); }
    // A derived restore that loads more than the placement marks the restore
    // done before it goes on.
    void SetRestoreDone() { FRestoreDone = true; }

private:
    friend class TWinMinMaxInfo;
    class StorageScope;

    TCustomForm* Form() const;
    void IniNeeded(bool readOnly);
    void IniFree();
    void MinMaxInfoModified();
    void CheckToggleHook();
    void UpdatePreventResize();

    std::unique_ptr<TCustomIniFile> FIniFile;
    std::unique_ptr<TWinMinMaxInfo> FMinMaxInfo;
    TWindowHook* FWinHook;  // owned as a component
    bool FPreventResize = false;
    bool FSaveDone = false;
    bool FRestoreDone = false;
    bool FSavingAtDestroy = false;
    bool FDefMaximize = true;
    bool FFormHooked = false;
    TNotifyEvent FSaveFormShow;
    TCloseQueryEvent FSaveFormCloseQuery;
    TNotifyEvent FSaveFormDestroy;
};
