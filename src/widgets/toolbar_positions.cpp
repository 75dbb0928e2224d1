#include "widgets/toolbar_positions.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "framework/inifiles.h"
#include "framework/registry.h"
#include "framework/sysutils.h"
#include "framework/win.h"
#include "widgets/tb_common.h"

namespace {

const char kRev[] = "Rev";
const char kVisible[] = "Visible";
const char kDockedTo[] = "DockedTo";
const char kLastDock[] = "LastDock";
const char kDockRow[] = "DockRow";
const char kDockPos[] = "DockPos";
const char kFloatLeft[] = "FloatLeft";
const char kFloatTop[] = "FloatTop";
const char kFloating[] = "+";

std::vector<TCustomToolWindow*> ToolWindowsOf(TCustomForm* form) {
    std::vector<TCustomToolWindow*> bars;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto* bar = dynamic_cast<TCustomToolWindow*>(form->Components(i))) bars.push_back(bar);
    return bars;
}

std::vector<TDock*> DocksOf(TCustomForm* form) {
    std::vector<TDock*> docks;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto* dock = dynamic_cast<TDock*>(form->Components(i))) docks.push_back(dock);
    return docks;
}

TDock* FindDock(const std::vector<TDock*>& docks, const std::string& name) {
    for (TDock* dock : docks)
        if (!dock->Name().empty() && AnsiCompareText(dock->Name(), name) == 0) return dock;
    return nullptr;
}

// Loaded values are untrusted: a row far out walks that many dock rows, and
// huge positions overflow the arrange sums.
int ClampRow(int row) {
    return std::clamp(row, 0, 32767);
}
int ClampPos(int pos) {
    return std::clamp(pos, -32768, 32767);
}

// --- ini file

struct IniTarget {
    TIniFile* Ini;
    std::string Prefix;
};

void IniWriteInt(const std::string& name, const std::string& value, int data, void* extra) {
    auto* t = static_cast<IniTarget*>(extra);
    t->Ini->WriteInteger(t->Prefix + name, value, data);
}
void IniWriteString(const std::string& name, const std::string& value, const std::string& data, void* extra) {
    auto* t = static_cast<IniTarget*>(extra);
    t->Ini->WriteString(t->Prefix + name, value, data);
}
int IniReadInt(const std::string& name, const std::string& value, int def, void* extra) {
    auto* t = static_cast<IniTarget*>(extra);
    return t->Ini->ReadInteger(t->Prefix + name, value, def);
}
void IniReadString(const std::string& name, const std::string& value, const std::string& def, std::string& result,
                   void* extra) {
    auto* t = static_cast<IniTarget*>(extra);
    result = t->Ini->ReadString(t->Prefix + name, value, def);
}

// --- registry

struct RegTarget {
    HKEY Root;
    std::string Key;
};

// The tool window's subkey; nullptr when it is missing (reading).
std::unique_ptr<TRegistry> OpenSection(RegTarget* t, const std::string& name, bool create) {
    auto reg = std::make_unique<TRegistry>();
    reg->SetRootKey(t->Root);
    const std::string path = "\\" + t->Key + "\\" + name;
    if (!(create ? reg->OpenKey(path, true) : reg->OpenKeyReadOnly(path))) {
        if (create) throw ERegistryException("Failed to create key " + path);
        return nullptr;
    }
    return reg;
}

void RegWriteInt(const std::string& name, const std::string& value, int data, void* extra) {
    OpenSection(static_cast<RegTarget*>(extra), name, true)->WriteInteger(value, data);
}
void RegWriteString(const std::string& name, const std::string& value, const std::string& data, void* extra) {
    OpenSection(static_cast<RegTarget*>(extra), name, true)->WriteString(value, data);
}
// A value of another type counts as missing.
int RegReadInt(const std::string& name, const std::string& value, int def, void* extra) {
    auto reg = OpenSection(static_cast<RegTarget*>(extra), name, false);
    if (!reg || reg->GetDataType(value) != rdInteger) return def;
    return reg->ReadInteger(value);
}
void RegReadString(const std::string& name, const std::string& value, const std::string& def, std::string& result,
                   void* extra) {
    auto reg = OpenSection(static_cast<RegTarget*>(extra), name, false);
    result = reg && reg->GetDataType(value) == rdString ? reg->ReadString(value) : def;
}

}  // namespace

void CustomSaveToolbarPositions(TCustomForm* form, TPositionWriteIntProc writeInt, TPositionWriteStringProc writeString,
                                void* extra) {
    for (TCustomToolWindow* bar : ToolWindowsOf(form)) {
        const std::string& name = bar->Name();
        if (name.empty()) throw Exception(LoadToolbarString(STB97ToolwinNameNotSet));
        TDock* dock = bar->DockedTo();
        if (dock && dock->AllowDrag && dock->Name().empty())
            throw Exception(LoadToolbarString(STB97ToolwinDockedToNameNotSet));
        writeInt(name, kRev, 3, extra);
        writeInt(name, kVisible, bar->Visible() ? 1 : 0, extra);
        writeString(name, kDockedTo, dock ? (dock->AllowDrag ? dock->Name() : std::string()) : kFloating, extra);
        writeString(name, kLastDock, bar->LastDock() ? bar->LastDock()->Name() : std::string(), extra);
        writeInt(name, kDockRow, bar->DockRow(), extra);
        writeInt(name, kDockPos, bar->DockPos(), extra);
        writeInt(name, kFloatLeft, bar->FloatingTopLeft().X, extra);
        writeInt(name, kFloatTop, bar->FloatingTopLeft().Y, extra);
        bar->WritePositionData(writeInt, name, extra);
    }
}

void CustomLoadToolbarPositions(TCustomForm* form, TPositionReadIntProc readInt, TPositionReadStringProc readString,
                                void* extra) {
    const std::vector<TDock*> docks = DocksOf(form);
    // Every dock arranges once at the end; released in reverse order also
    // when a value or a bar raises.
    struct Updates {
        const std::vector<TDock*>& docks;
        size_t begun = 0;
        ~Updates() {
            while (begun > 0) docks[--begun]->EndUpdate();
        }
    } updates{docks};
    for (TDock* dock : docks) {
        dock->BeginUpdate();
        ++updates.begun;
    }
    for (TCustomToolWindow* bar : ToolWindowsOf(form)) {
        const std::string& name = bar->Name();
        if (name.empty()) throw Exception(LoadToolbarString(STB97ToolwinNameNotSet));
        const int rev = readInt(name, kRev, 0, extra);
        if (rev != 2 && rev != 3) continue;
        bar->SetVisible(readInt(name, kVisible, bar->Visible() ? 1 : 0, extra) != 0);
        std::string dockedTo;
        readString(name, kDockedTo, "", dockedTo, extra);
        if (dockedTo.empty()) continue;
        TDock* dock = nullptr;
        if (dockedTo != kFloating) {
            dock = FindDock(docks, dockedTo);
            if (!dock || !dock->AllowDrag) continue;
        }
        bar->SetDockRow(ClampRow(readInt(name, kDockRow, bar->DockRow(), extra)));
        bar->SetDockPos(ClampPos(readInt(name, kDockPos, bar->DockPos(), extra)));
        const TPoint floatAt{ClampPos(readInt(name, kFloatLeft, 0, extra)), ClampPos(readInt(name, kFloatTop, 0, extra))};
        bar->ReadPositionData(readInt, name, extra);
        bar->SetFloatingTopLeft(floatAt);
        if (dock) {
            bar->SetParent(dock);
        } else {
            bar->SetParent(form);
            bar->SetBounds(floatAt.X, floatAt.Y, bar->Width(), bar->Height());
            bar->MoveOnScreen(true);
        }
        if (rev > 2 && bar->UseLastDock()) {
            std::string last;
            readString(name, kLastDock, "", last, extra);
            if (TDock* lastDock = FindDock(docks, last)) bar->SetLastDock(lastDock);
        }
        bar->ArrangeControls();
        bar->DoneReadingPositionData();
    }
}

void IniSaveToolbarPositions(TCustomForm* form, const std::string& fileName, const std::string& sectionPrefix) {
    TIniFile ini(fileName);
    IniTarget target{&ini, sectionPrefix};
    CustomSaveToolbarPositions(form, IniWriteInt, IniWriteString, &target);
    ini.UpdateFile();
}

void IniLoadToolbarPositions(TCustomForm* form, const std::string& fileName, const std::string& sectionPrefix) {
    TIniFile ini(fileName);
    IniTarget target{&ini, sectionPrefix};
    CustomLoadToolbarPositions(form, IniReadInt, IniReadString, &target);
}

void RegSaveToolbarPositions(TCustomForm* form, const std::string& key) {
    RegSaveToolbarPositionsEx(form, HKEY_CURRENT_USER, key);
}

void RegLoadToolbarPositions(TCustomForm* form, const std::string& key) {
    RegLoadToolbarPositionsEx(form, HKEY_CURRENT_USER, key);
}

void RegSaveToolbarPositionsEx(TCustomForm* form, HKEY rootKey, const std::string& key) {
    RegTarget target{rootKey, key};
    CustomSaveToolbarPositions(form, RegWriteInt, RegWriteString, &target);
}

void RegLoadToolbarPositionsEx(TCustomForm* form, HKEY rootKey, const std::string& key) {
    RegTarget target{rootKey, key};
    CustomLoadToolbarPositions(form, RegReadInt, RegReadString, &target);
}
