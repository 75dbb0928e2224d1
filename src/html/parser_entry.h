// The reader's entries: whole HTML or plain-text strings into a document,
// and frame-set documents into a frame viewer. No entry raises: a failure,
// a thrown callback included, ends the run quietly and the document keeps
// what was built. The reader's state is one for the process; an entry called
// while a run is in progress (from a callback) is refused and returns false.
// Free of window headers.
#pragma once

#include <string>

#include "html/html_parser.h"

class TSectionList;
class TAttributeList;

enum LoadStyleType { lsFile, lsString, lsInclude };

// What the frame-set reader drives. The frame viewer implements it.
class TFrameViewerBase {
public:
    virtual void AddFrame(TObject* frameSet, TAttributeList* attributes, const std::string& fileName) = 0;
    virtual TObject* CreateSubFrameSet(TObject* frameSet) = 0;
    virtual void DoAttributes(TObject* frameSet, TAttributeList* attributes) = 0;
    virtual void EndFrameSet(TObject* frameSet) = 0;

    TObject* FrameViewerObject = nullptr;  // the sender of the callbacks
    TIncludeEvent OnInclude;
    TSoundEvent OnSoundRequest;
    TScriptEvent OnScript;
    TLinkEvent OnLink;

protected:
    ~TFrameViewerBase() = default;
};

// Links above this count get no keyboard tab stops.
constexpr int ManyLinksThreshold = 400;

// Builds `doc` from HTML. `viewer` is the sender of the callbacks. False when
// refused (a run is in progress); true otherwise, also when the run ended early.
bool ParseHTMLString(const std::string& S, TSectionList* doc, const TReaderCallbacks& callbacks,
                     TObject* viewer = nullptr);
bool ParseTextString(const std::string& S, TSectionList* doc);
bool FrameParseString(TFrameViewerBase* frameViewer, TObject* frameSet, LoadStyleType loadKind,
                      const std::string& fileName, const std::string& S, const TMetaEvent& onMeta);
bool IsFrameString(LoadStyleType loadKind, const std::string& fileName, const std::string& S,
                   TObject* frameViewer);
