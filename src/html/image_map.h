// Client-side image maps (MAP and AREA). Areas are hit-tested by their own
// geometry, so no platform region is needed and nothing is left to free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/classes.h"

class TAttributeList;
class TUrlTarget;

// One AREA's shape, in image pixels; a pixel belongs to the shape when its
// centre does (the platform's regions: a rectangle x1..x2 inclusive, a circle
// of radius r + 1/2 around the centre pixel's middle, a polygon by the winding rule).
class TMapRegion {
public:
    enum class Kind { Rectangle, Circle, Polygon };
    static bool Make(Kind kind, const std::vector<int64_t>& numbers, TMapRegion& region);
    bool Contains(int x, int y) const;

private:
    Kind FKind = Kind::Rectangle;
    std::vector<int64_t> FCoords;  // clamped; doubled for polygons
};

class TMapItem : public TObject {
public:
    void AddArea(const TAttributeList& attributes);
    // The first area (in the order added) that holds the point decides: true with
    // a new link (owned by the caller) and the area's title when it has a link.
    bool GetURL(int x, int y, owned_ptr<TUrlTarget>& target, std::string& title) const;
    int AreaCount() const { return static_cast<int>(FAreas.size()); }

    std::string MapName;

private:
    struct Area {
        std::string Href, Target, Title;
        TMapRegion Region;
    };
    std::vector<Area> FAreas;
};

// COORDS text to numbers: blanks and commas separate; a piece that is not an
// integer counts 0; at most 301 numbers.
std::vector<int64_t> ReadCoords(const std::string& text);
// Characters of the pieces ReadCoords has read, on this thread, for tests of its cost.
inline thread_local int64_t CoordCharsLooked = 0;
