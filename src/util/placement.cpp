#include "util/placement.h"

#include "util/formstorage.h"

#include "framework/application.h"
#include "framework/registry.h"
#include "framework/strings.h"
#include "framework/win.h"
#include "util/iniutils.h"
#include "util/strutils.h"
#include "util/winhook.h"

// --- TWinMinMaxInfo ---------------------------------------------------------

void TWinMinMaxInfo::Set(Index index, int value) {
    if (FValues[index] == value) return;
    FValues[index] = value;
    if (FOwner) FOwner->MinMaxInfoModified();
}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const {
    for (int value : FValues)
        if (value != 0) return false;
    return true;
}

void TWinMinMaxInfo::Assign(TPersistent* Source) {
    auto* other = dynamic_cast<TWinMinMaxInfo*>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    for (int i = 0; i < Count; ++i) FValues[i] = other->FValues[i];
    if (FOwner) FOwner->MinMaxInfoModified();
}

// --- TFormPlacement ---------------------------------------------------------

namespace {

HKEY RootKeyOf(TPlacementRegRoot root) {
    switch (root) {
    case prLocalMachine: return HKEY_LOCAL_MACHINE;
    case prCurrentConfig: return HKEY_CURRENT_CONFIG;
    case prClassesRoot: return HKEY_CLASSES_ROOT;
    case prUsers: return HKEY_USERS;
    case prDynData: return HKEY_DYN_DATA;
    case prCurrentUser: break;
    }
    return HKEY_CURRENT_USER;
}

}  // namespace

// Opens the storage for one call when no save or restore has it open.
class TFormPlacement::StorageScope {
public:
    StorageScope(TFormPlacement* owner, bool readOnly) : FOwner(owner), FOpened(!owner->FIniFile) {
        if (FOpened) owner->IniNeeded(readOnly);
    }
    ~StorageScope() {
        if (FOpened) FOwner->IniFree();
    }
    StorageScope(const StorageScope&) = delete;
    StorageScope& operator=(const StorageScope&) = delete;

private:
    TFormPlacement* FOwner;
    bool FOpened;
};

TFormPlacement::TFormPlacement(TComponent* AOwner)
    : TComponent(AOwner), FMinMaxInfo(std::make_unique<TWinMinMaxInfo>(this)) {
    if (dynamic_cast<TCustomForm*>(AOwner)) Options = fpState | fpPosition;
    FWinHook = new TWindowHook(this);
    FWinHook->AfterMessage = Bind(this, &TFormPlacement::WndMessage);
}

TFormPlacement::~TFormPlacement() = default;

void TFormPlacement::BeforeDestruction() {
    IniFree();
    FWinHook->SetActive(false);
    FWinHook->SetWinControl(nullptr);
    if (TCustomForm* form = Form(); form && FFormHooked) {
        form->OnShow = FSaveFormShow;
        form->OnCloseQuery = FSaveFormCloseQuery;
        form->OnDestroy = FSaveFormDestroy;
        FFormHooked = false;
    }
    TComponent::BeforeDestruction();
}

TCustomForm* TFormPlacement::Form() const { return dynamic_cast<TCustomForm*>(Owner()); }

void TFormPlacement::Loaded() {
    TComponent::Loaded();
    if (TCustomForm* form = Form(); form && !FFormHooked) {
        FSaveFormShow = form->OnShow;
        FSaveFormCloseQuery = form->OnCloseQuery;
        FSaveFormDestroy = form->OnDestroy;
        form->OnShow = Bind(this, &TFormPlacement::FormShow);
        form->OnCloseQuery = Bind(this, &TFormPlacement::FormCloseQuery);
        form->OnDestroy = Bind(this, &TFormPlacement::FormDestroy);
        FFormHooked = true;
        FDefMaximize = (form->BorderIcons & biMaximize) != 0;
        if (FPreventResize) UpdatePreventResize();
    }
    CheckToggleHook();
}

std::string TFormPlacement::GetIniFileName() const {
    if (!IniFileName.empty()) return IniFileName;
    return UseRegistry ? GetDefaultIniRegKey() : GetDefaultIniName();
}

std::string TFormPlacement::GetIniSection() const {
    return IniSection.empty() ? GetDefaultSection(Owner()) : IniSection;
}

void TFormPlacement::IniNeeded(bool readOnly) {
    if (FIniFile) return;
    const std::string name = GetIniFileName();
    if (!UseRegistry) {
        FIniFile = std::make_unique<TIniFile>(name);
        return;
    }
    FIniFile = std::make_unique<TRegIniFile>(name, RootKeyOf(RegistryRoot), readOnly);
}

void TFormPlacement::IniFree() { FIniFile.reset(); }

// --- Saving and restoring ---------------------------------------------------

void TFormPlacement::SaveFormPlacement() {
    if (!FRestoreDone && Active) return;
    IniNeeded(false);
    try {
        IniWriteInteger(FIniFile.get(), GetIniSection(), kPlacementFormVersion, Version);
        SavePlacement();
        Save();
        FSaveDone = true;
    } catch (...) {
        IniFree();
        throw;
    }
    IniFree();
}

void TFormPlacement::SavePlacement() {
    TCustomForm* form = Form();
    if (!form) return;
    const std::string section = GetIniSection();
    WritePlacementValues(form, FIniFile.get(), section);
    if ((Options & fpActiveControl) && form->ActiveControl())
        IniWriteString(FIniFile.get(), section, kPlacementActiveControl, form->ActiveControl()->Name());
    IniWriteBool(FIniFile.get(), section, kPlacementVisible, FSavingAtDestroy);
    NotifyIniLinksSave(this);
}

void TFormPlacement::RestoreFormPlacement() {
    FSaveDone = false;
    IniNeeded(true);
    try {
        const std::string section = GetIniSection();
        if (IniReadInteger(FIniFile.get(), section, kPlacementFormVersion, 0) >= Version) {
            RestorePlacement();
            FRestoreDone = true;
            Restore();
            TCustomForm* form = Form();
            if ((Options & fpActiveControl) && form) {
                const std::string name = IniReadString(FIniFile.get(), section, kPlacementActiveControl, {});
                auto* control = dynamic_cast<TWinControl*>(name.empty() ? nullptr : form->FindComponent(name));
                if (control && control->CanFocus()) form->SetActiveControl(control);
            }
        }
        FRestoreDone = true;
    } catch (...) {
        FRestoreDone = true;
        IniFree();
        throw;
    }
    IniFree();
    UpdatePlacement();
}

void TFormPlacement::RestorePlacement() {
    if (TCustomForm* form = Form())
        ReadPlacementValues(form, FIniFile.get(), GetIniSection(), (Options & fpState) != 0,
                            (Options & fpPosition) != 0);
    NotifyIniLinksLoad(this);
}

void TFormPlacement::Save() {
    if (OnSavePlacement) OnSavePlacement(this);
}

void TFormPlacement::Restore() {
    if (OnRestorePlacement) OnRestorePlacement(this);
}

std::string TFormPlacement::DoReadString(const std::string& section, const std::string& ident,
                                         const std::string& defaultValue) {
    return IniReadString(FIniFile.get(), section, ident, defaultValue);
}

void TFormPlacement::DoWriteString(const std::string& section, const std::string& ident,
                                   const std::string& value) {
    IniWriteString(FIniFile.get(), section, ident, value);
}

std::string TFormPlacement::ReadString(const std::string& ident, const std::string& defaultValue) {
    StorageScope scope(this, true);
    return DoReadString(GetIniSection(), ident, defaultValue);
}

void TFormPlacement::WriteString(const std::string& ident, const std::string& value) {
    StorageScope scope(this, false);
    DoWriteString(GetIniSection(), ident, value);
}

int TFormPlacement::ReadInteger(const std::string& ident, int defaultValue) {
    return StrToIntDef(ReadString(ident, IntToStr(defaultValue)), defaultValue);
}

void TFormPlacement::WriteInteger(const std::string& ident, int value) { WriteString(ident, IntToStr(value)); }

void TFormPlacement::EraseSections() {
    if (FIniFile) return;
    StorageScope scope(this, false);
    const std::string section = GetIniSection();
    TStringList sections;
    IniReadSections(FIniFile.get(), &sections);
    for (int i = 0; i < sections.Count(); ++i) {
        const std::string name = sections.Get(i);
        if (AnsiCompareText(name, section) == 0 || IsWild(name, section + ".*", true) ||
            IsWild(name, section + "\\*", true))
            IniEraseSection(FIniFile.get(), name);
    }
}

// --- The form's handlers ------------------------------------------------------

void TFormPlacement::FormShow(TObject* Sender) {
    if (Active) CallGuarded([&] { RestoreFormPlacement(); });
    if (FSaveFormShow) FSaveFormShow(Sender);
}

void TFormPlacement::FormCloseQuery(TObject* Sender, bool& CanClose) {
    if (FSaveFormCloseQuery) FSaveFormCloseQuery(Sender, CanClose);
    TCustomForm* form = Form();
    if (CanClose && Active && form && form->HandleAllocated()) CallGuarded([&] { SaveFormPlacement(); });
}

void TFormPlacement::FormDestroy(TObject* Sender) {
    if (Active && !FSaveDone) {
        FSavingAtDestroy = true;
        CallGuarded([&] { SaveFormPlacement(); });
        FSavingAtDestroy = false;
    }
    if (FSaveFormDestroy) FSaveFormDestroy(Sender);
}

// --- Size limits through the hook -----------------------------------------------

namespace {

SIZE BorderSize(TFormBorderStyle style) {
    switch (style) {
    case bsSizeable:
    case bsSizeToolWin: return {GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME)};
    case bsSingle:
    case bsToolWindow: return {GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER)};
    case bsDialog: return {GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYDLGFRAME)};
    case bsNone: break;
    }
    return {0, 0};
}

}  // namespace

void TFormPlacement::UpdatePlacement() {
    TCustomForm* form = Form();
    if (!form || !form->HandleAllocated() || Loading() || FPreventResize || !FMinMaxInfo->DefaultMinMaxInfo())
        return;
    HWND wnd = form->Handle();
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    // A maximised window already lies where the platform maximises it; placing
    // it again would move it off that place, frame and caption buttons in view.
    if (IsZoomed(wnd) || !GetWindowPlacement(wnd, &placement)) return;
    if (!IsWindowVisible(wnd)) placement.showCmd = SW_HIDE;
    const SIZE border = BorderSize(form->BorderStyle());
    placement.ptMaxPosition = {-border.cx, -border.cy};
    SetWindowPlacement(wnd, &placement);
}

void TFormPlacement::SetPreventResize(bool value) {
    if (value == FPreventResize) return;
    FPreventResize = value;
    if (!Form()) return;
    UpdatePlacement();
    UpdatePreventResize();
    if (!Loading()) CheckToggleHook();
}

void TFormPlacement::UpdatePreventResize() {
    TCustomForm* form = Form();
    if (!form) return;
    const bool wasActive = Active;
    Active = false;
    if (FPreventResize || !FDefMaximize || form->BorderStyle() == bsDialog)
        form->BorderIcons &= ~static_cast<TBorderIcons>(biMaximize);
    else
        form->BorderIcons |= biMaximize;
    if (form->HandleAllocated()) {
        HWND wnd = form->Handle();
        const bool sizingIcons = form->BorderStyle() == bsSingle || form->BorderStyle() == bsSizeable;
        LONG_PTR style = GetWindowLongPtrW(wnd, GWL_STYLE);
        if (sizingIcons && (form->BorderIcons & biSystemMenu) && (form->BorderIcons & biMaximize))
            style |= WS_MAXIMIZEBOX;
        else
            style &= ~static_cast<LONG_PTR>(WS_MAXIMIZEBOX);
        SetWindowLongPtrW(wnd, GWL_STYLE, style);
        SetWindowPos(wnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                                                   SWP_FRAMECHANGED);
    }
    Active = wasActive;
}

void TFormPlacement::MinMaxInfoModified() {
    UpdatePlacement();
    if (!Loading()) CheckToggleHook();
}

void TFormPlacement::CheckToggleHook() {
    TCustomForm* form = Form();
    if (form && (FPreventResize || !FMinMaxInfo->DefaultMinMaxInfo())) {
        FWinHook->SetWinControl(form);
        FWinHook->SetActive(true);
    } else {
        FWinHook->SetActive(false);
    }
}

void TFormPlacement::WndMessage(TObject*, TMessage& Msg, bool&) {
    TCustomForm* form = Form();
    if (FPreventResize && form) {
        switch (Msg.Msg) {
        case WM_GETMINMAXINFO:
            if (form->HandleAllocated() && IsWindowVisible(form->Handle())) {
                auto* info = reinterpret_cast<MINMAXINFO*>(Msg.LParam);
                info->ptMinTrackSize = {form->Width(), form->Height()};
                info->ptMaxTrackSize = {form->Width(), form->Height()};
                Msg.Result = 1;
            }
            break;
        case WM_INITMENUPOPUP:
            if (HIWORD(Msg.LParam) && form->HandleAllocated()) {
                HMENU menu = GetSystemMenu(form->Handle(), FALSE);
                EnableMenuItem(menu, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
                EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
                Msg.Result = 1;
            }
            break;
        case WM_NCHITTEST:
            if (Msg.Result >= HTLEFT && Msg.Result <= HTBOTTOMRIGHT) Msg.Result = HTNOWHERE;
            break;
        default:
            break;
        }
        return;
    }
    if (Msg.Msg != WM_GETMINMAXINFO) return;
    auto* info = reinterpret_cast<MINMAXINFO*>(Msg.LParam);
    const TWinMinMaxInfo& m = *FMinMaxInfo;
    if (m.DefaultMinMaxInfo()) {
        info->ptMaxPosition = {0, 0};
    } else {
        auto replace = [&](LONG& field, TWinMinMaxInfo::Index index) {
            if (m.Get(index) != 0) field = m.Get(index);
        };
        replace(info->ptMinTrackSize.x, TWinMinMaxInfo::MinTrackWidth);
        replace(info->ptMinTrackSize.y, TWinMinMaxInfo::MinTrackHeight);
        replace(info->ptMaxTrackSize.x, TWinMinMaxInfo::MaxTrackWidth);
        replace(info->ptMaxTrackSize.y, TWinMinMaxInfo::MaxTrackHeight);
        replace(info->ptMaxSize.x, TWinMinMaxInfo::MaxSizeWidth);
        replace(info->ptMaxSize.y, TWinMinMaxInfo::MaxSizeHeight);
        replace(info->ptMaxPosition.x, TWinMinMaxInfo::MaxPosLeft);
        replace(info->ptMaxPosition.y, TWinMinMaxInfo::MaxPosTop);
    }
    Msg.Result = 1;
}
