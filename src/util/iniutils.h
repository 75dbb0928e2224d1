// Routines that treat an ini file and a registry key read like an ini file
// alike, default storage names for forms and components, line-break escaping
// for ini values, and small form and application helpers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "framework/application.h"
#include "framework/forms.h"

class TCustomIniFile;
class TCustomGrid;
class TStrings;

// --- Values ---------------------------------------------------------------
// `storage` is a TIniFile or a TRegIniFile; with any other object the writers
// do nothing and the readers return the default.

std::string IniReadString(TObject* storage, const std::string& section, const std::string& ident,
                          const std::string& defaultValue);
// In an ini file a value quoted at both ends (both '"' or both '\'') gets one
// more pair of double quotes, which the platform strips when reading it back.
void IniWriteString(TObject* storage, const std::string& section, const std::string& ident,
                    const std::string& value);
int IniReadInteger(TObject* storage, const std::string& section, const std::string& ident, int defaultValue);
void IniWriteInteger(TObject* storage, const std::string& section, const std::string& ident, int value);
bool IniReadBool(TObject* storage, const std::string& section, const std::string& ident, bool defaultValue);
void IniWriteBool(TObject* storage, const std::string& section, const std::string& ident, bool value);
// Registry: the section's sub-key goes with everything below it.
void IniEraseSection(TObject* storage, const std::string& section);
void IniDeleteKey(TObject* storage, const std::string& section, const std::string& ident);
// Section names of an ini file, sub-key names of a registry key.
void IniReadSections(TObject* storage, TStrings* list);

// --- Default names --------------------------------------------------------

// A form: its class name; a control: its name after its parent form's class
// name (or its owner's name); another component: "<owner form class>.<name>".
std::string GetDefaultSection(TComponent* component);
// The program's file name (no folder) with the extension ".INI", unless a
// replacement is registered in OnGetDefaultIniName.
std::string GetDefaultIniName();
extern std::function<std::string()> OnGetDefaultIniName;
// "Software\[<company>\]<application title or program name>".
std::string GetDefaultIniRegKey();
extern std::string DefCompanyName;
extern bool RegUseAppTitle;
// The ini name of the first placement component on the control's owner form
// (or the default name) and the control's default section.
void GetDefaultIniData(TControl* control, std::string& iniFileName, std::string& section, bool useRegistry);

// --- Escaping -------------------------------------------------------------

// Every line break (CR, LF, CR LF or LF CR) becomes the two characters "\n";
// IniStrToStr turns each "\n" back into CR LF. Texts longer than 4096
// characters raise EConvertError "Line too long".
std::string StrToIniStr(const std::string& text);
std::string IniStrToStr(const std::string& text);

// --- Grid layout and form placement without a component -------------------

// "Item0", "Item1", ... = the column widths, in the grid's default section.
void SaveGridLayout(TCustomGrid* grid, TCustomIniFile* storage);
void RestoreGridLayout(TCustomGrid* grid, TCustomIniFile* storage);
inline void SaveGridLayoutReg(TCustomGrid* grid, TCustomIniFile* storage) { SaveGridLayout(grid, storage); }
inline void RestoreGridLayoutReg(TCustomGrid* grid, TCustomIniFile* storage) { RestoreGridLayout(grid, storage); }

// The stored placement values of a form (see placement.h for their names and
// forms). The writer and reader are shared by TFormPlacement.
void WritePlacementValues(TCustomForm* form, TObject* storage, const std::string& section);
void ReadPlacementValues(TCustomForm* form, TObject* storage, const std::string& section, bool loadState,
                         bool loadPosition);
// The same on a storage made for the call (ini file name, or registry key
// below the current user), with the form's class name as section.
void SaveFormPlacement(TCustomForm* form, const std::string& iniFileName, bool useRegistry);
void RestoreFormPlacement(TCustomForm* form, const std::string& iniFileName, bool useRegistry);

// --- Forms and the application --------------------------------------------

template <class T>
T* FindForm() {
    if (!Screen) return nullptr;
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (auto* form = dynamic_cast<T*>(Screen->Forms(i))) return form;
    return nullptr;
}

// The first form of the class (with that caption when one is given), made when
// missing, restored when minimised, and shown.
template <class T>
T* FindShowForm(const std::string& caption = {}) {
    T* found = nullptr;
    if (Screen) {
        for (int i = 0; i < Screen->FormCount() && !found; ++i) {
            auto* form = dynamic_cast<T*>(Screen->Forms(i));
            if (form && (caption.empty() || form->Caption() == caption)) found = form;
        }
    }
    if (!found) {
        found = new T(Application);
        if (!caption.empty()) found->SetCaption(caption);
    }
    if (found->WindowState() == wsMinimized) found->SetWindowState(wsNormal);
    found->Show();
    return found;
}

// Makes the form, shows it modally and frees it; true for OK and Yes.
template <class T>
bool ShowDialog() {
    owned_ptr<T> dialog(new T(Application));
    const TModalResult result = dialog->ShowModal();
    return result == mrOk || result == mrYes;
}

template <class T>
T* InstantiateForm(T*& reference) {
    if (!reference) reference = new T(Application);
    return reference;
}

// The first name the format gives with 0, 1, 2, ... that does not exist in the
// folder. The format takes one integer ("back%d.tmp", "n%03d"); a format that
// takes none or takes anything else raises EConvertError "Invalid format".
std::string GetUniqueFileNameInDir(const std::string& folder, const std::string& format);

// Sends the message to every form of the screen.
void AppBroadcast(unsigned message, uintptr_t wParam, intptr_t lParam);
// Adds (and switches to) or removes the caption and system menu of the
// application window.
void AppTaskbarIcons(bool on);
