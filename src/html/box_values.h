// The pixel values of a box (margins, padding, borders, colours, width,
// height, offsets) as its last layout found them, held in an array that the
// boxes of a document with the same values share. A page's thousands of
// paragraphs end up with a handful of distinct arrays, and an array of its
// own was a third of every box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_set>

#include "html/style_props.h"

class TBoxValuesPool;

// One shared array; a box refers to it, counted. Left alone once made.
struct TBoxValuesRep {
    TMarginArray Values;
    mutable uint32_t Refs;
    size_t Hash;
    // The pool that lists it, null for a box without a document or once the
    // pool has gone before the last box holding it.
    mutable TBoxValuesPool* Pool;
};

// The arrays of one document's boxes, each listed once while a box holds it.
class TBoxValuesPool {
public:
    TBoxValuesPool() = default;
    TBoxValuesPool(const TBoxValuesPool&) = delete;
    TBoxValuesPool& operator=(const TBoxValuesPool&) = delete;
    // The arrays still held outlive the pool, unlisted.
    ~TBoxValuesPool();

    // The listed array equal to `values`, made when none is; one more box
    // holds it.
    const TBoxValuesRep* Intern(const TMarginArray& values);
    // The last box holding `rep` let it go.
    void Forget(const TBoxValuesRep* rep);
    size_t Count() const { return FReps.size(); }

private:
    struct THash {
        using is_transparent = void;
        size_t operator()(const TBoxValuesRep* rep) const { return rep->Hash; }
        size_t operator()(const TMarginArray& values) const;
    };
    struct TEqual {
        using is_transparent = void;
        bool operator()(const TBoxValuesRep* a, const TBoxValuesRep* b) const { return a == b; }
        bool operator()(const TMarginArray& a, const TBoxValuesRep* b) const { return a.Slots == b->Values.Slots; }
        bool operator()(const TBoxValuesRep* a, const TMarginArray& b) const { return a->Values.Slots == b.Slots; }
    };
    std::unordered_set<const TBoxValuesRep*, THash, TEqual> FReps;
    // Asked for again by most boxes that follow it, so looked at first.
    const TBoxValuesRep* FLast = nullptr;
};

// A box's values: all zeros until it is first laid out.
class TBoxValues {
public:
    TBoxValues() = default;
    TBoxValues(const TBoxValues&) = delete;
    TBoxValues& operator=(const TBoxValues&) = delete;
    ~TBoxValues() { Release(FRep); }

    int operator[](PropIndices p) const { return FRep->Values[p]; }
    const TMarginArray& Get() const { return FRep->Values; }
    operator const TMarginArray&() const { return FRep->Values; }

    // Holds `values`, from `pool` (null for a box without a document). An
    // array equal to the one held is kept without looking in the pool, so a
    // layout again at the same width costs a compare per box.
    void Set(const TMarginArray& values, TBoxValuesPool* pool);
    // Holds the values of `source`, a box's of the same pool or of another
    // document.
    void Set(const TBoxValues& source, TBoxValuesPool* pool);

private:
    static const TBoxValuesRep kZeros;
    static void Release(const TBoxValuesRep* rep);
    const TBoxValuesRep* FRep = &kZeros;
};
