#include "html/box_values.h"

#include <bit>
#include <memory>

const TBoxValuesRep TBoxValues::kZeros{{}, 0, 0, nullptr};

TBoxValuesPool::~TBoxValuesPool() {
    for (const TBoxValuesRep* rep : FReps) rep->Pool = nullptr;
}

size_t TBoxValuesPool::THash::operator()(const TMarginArray& values) const {
    uint64_t h = 0x9E3779B97F4A7C15u;
    for (int v : values.Slots) h = std::rotl(h ^ static_cast<uint32_t>(v), 23) * 0xFF51AFD7ED558CCDu;
    return static_cast<size_t>(h ^ (h >> 29));
}

const TBoxValuesRep* TBoxValuesPool::Intern(const TMarginArray& values) {
    if (!FLast || FLast->Values.Slots != values.Slots) {
        auto it = FReps.find(values);
        if (it == FReps.end()) {
            auto made = std::make_unique<TBoxValuesRep>(TBoxValuesRep{values, 0, THash()(values), this});
            it = FReps.insert(made.get()).first;
            made.release();
        }
        FLast = *it;
    }
    ++FLast->Refs;
    return FLast;
}

void TBoxValuesPool::Forget(const TBoxValuesRep* rep) {
    if (FLast == rep) FLast = nullptr;
    FReps.erase(rep);
}

void TBoxValues::Release(const TBoxValuesRep* rep) {
    if (rep == &kZeros || --rep->Refs > 0) return;
    if (rep->Pool) rep->Pool->Forget(rep);
    delete rep;
}

void TBoxValues::Set(const TMarginArray& values, TBoxValuesPool* pool) {
    if (FRep->Values.Slots == values.Slots) return;
    const TBoxValuesRep* old = FRep;
    if (values.Slots == kZeros.Values.Slots)
        FRep = &kZeros;
    else if (pool)
        FRep = pool->Intern(values);
    else
        FRep = new TBoxValuesRep{values, 1, 0, nullptr};
    Release(old);
}

void TBoxValues::Set(const TBoxValues& source, TBoxValuesPool* pool) {
    if (source.FRep == FRep) return;
    if (source.FRep != &kZeros && source.FRep->Pool && source.FRep->Pool == pool) {
        ++source.FRep->Refs;
        Release(FRep);
        FRep = source.FRep;
        return;
    }
    // Another document's array is not shared: that document may go first.
    Set(source.FRep->Values, pool);
}
