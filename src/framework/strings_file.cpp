// The file half of TStrings, kept apart so a native build can leave out the
// file streams.
#include "framework/streams.h"
#include "framework/strings.h"

void TStrings::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&file);
}

void TStrings::SaveToFile(const std::string& fileName) const {
    TFileStream file(fileName, fmCreate);
    SaveToStream(&file);
}
