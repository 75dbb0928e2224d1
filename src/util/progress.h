// The registry of progress-control classes: routines that report progress (the
// file copy) set a control's maximum, minimum and position through the property
// names its class registered, whatever that class is.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <typeindex>

class TControl;

namespace progress_detail {

// A registered class as the registry handles it without knowing its type.
struct ClassRef {
    std::type_index Type;
    bool (*IsInstance)(TControl* control);
    // Throws a null pointer of the class: a handler for a base class catches it,
    // which tells inheritance between two classes without an object of either.
    void (*ThrowPointer)();
};

template <class T>
ClassRef Ref() {
    return {typeid(T), [](TControl* c) { return dynamic_cast<T*>(c) != nullptr; },
            [] { throw static_cast<T*>(nullptr); }};
}

void Register(const ClassRef& ref, std::string_view maxProp, std::string_view minProp, std::string_view posProp);
void UnRegister(bool (*inheritsFromGiven)(const ClassRef& entry));

}  // namespace progress_detail

// Appends an entry: a control of class T (or a subclass) takes its maximum,
// minimum and position through these published properties (names up to 63 characters).
template <class T>
void RegisterProgressControl(std::string_view maxProp, std::string_view minProp, std::string_view posProp) {
    progress_detail::Register(progress_detail::Ref<T>(), maxProp, minProp, posProp);
}

// Removes every entry whose class is T or inherits from T.
template <class T>
void UnRegisterProgressControl() {
    progress_detail::UnRegister([](const progress_detail::ClassRef& entry) {
        try {
            entry.ThrowPointer();
        } catch (T*) {
            return true;
        } catch (...) {
        }
        return false;
    });
}

bool SupportsProgressControl(TControl* control);
// False unless the control's entry names a property of integer, floating-point
// or variant kind that can be written.
bool SetProgressMax(TControl* control, int64_t value);
bool SetProgressMin(TControl* control, int64_t value);
bool SetProgressValue(TControl* control, int64_t value);
