// The document's selection onto the platform's clipboard.
#include "html/section_list.h"

#include "html/sel_text.h"

#ifdef _WIN32

void TSectionList::CopyToClipboardA(int length) {
    if (SelFirstPos >= SelEndPos) return;
    ClipBuffer buffer(length);
    GatherSelection(buffer);
}

#else

// Natively there is no clipboard.
void TSectionList::CopyToClipboardA(int) {}

#endif
