// Objects, components and events: the lifetime rules every visible part follows.
//
// A component is created with an owner and freed with it. Destruction has two
// phases: Free() first runs BeforeDestruction() while the whole object still
// exists (virtual calls reach the most derived class: a form's OnDestroy, free
// notifications, owned components), and only then the C++ destructors. Always
// free components through Free() or owned_ptr, never with a bare delete.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/sysutils.h"

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    // Runs before any destructor; overrides call the inherited one last.
    virtual void BeforeDestruction() {}
    // The class's own name, as written in the source ("TForm1").
    std::string ClassName() const;
    // Two-phase destruction; safe on nullptr.
    static void Free(TObject* object);
};

template <class T>
void FreeAndNil(T*& object) {
    T* p = object;
    object = nullptr;
    TObject::Free(p);
}

struct TObjectDeleter {
    void operator()(TObject* object) const { TObject::Free(object); }
};
template <class T>
using owned_ptr = std::unique_ptr<T, TObjectDeleter>;

// Events are method pointers whose first argument is the sender: copyable values
// that can be read, saved, replaced and chained.
template <class... Args>
using TEvent = std::function<void(TObject* Sender, Args...)>;
using TNotifyEvent = TEvent<>;

// Binds a member function as an event handler: Bind(this, &TForm1::ListClick).
template <class T, class... Args>
TEvent<Args...> Bind(T* object, void (T::*method)(TObject*, Args...)) {
    return [object, method](TObject* sender, Args... args) {
        (object->*method)(sender, std::forward<Args>(args)...);
    };
}

class TPersistent : public TObject {
public:
    // Copies Source's state; the default asks Source to AssignTo this object and
    // raises EConvertError when neither side knows the other.
    virtual void Assign(TPersistent* Source);

protected:
    virtual void AssignTo(TPersistent* Dest);
};

enum class TOperation { opInsert, opRemove };

enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csDestroying = 1u << 2,
    csDesigning = 1u << 3,  // never set: there is no designer
    csFreeNotification = 1u << 4,
};

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    void BeforeDestruction() override;

    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& name) { FName = name; }
    int Tag = 0;

    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(index); }
    int ComponentIndex() const;
    TComponent* FindComponent(const std::string& name) const;

    unsigned ComponentState() const { return FComponentState; }
    bool Loading() const { return (FComponentState & csLoading) != 0; }
    bool Destroying() const { return (FComponentState & csDestroying) != 0; }

    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    // Frees every owned component, the last created first.
    void DestroyComponents();

    // Asks for a Notification(this, opRemove) when `component` is freed.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // Marks this component and every owned one as loading; EndLoading clears the
    // flag and calls Loaded() on each in creation order (this component last).
    void BeginLoading();
    void EndLoading();

protected:
    virtual void Notification(TComponent* component, TOperation operation);
    // Called once a form's layout has been built; the loading flag is clear by then.
    virtual void Loaded();

private:
    void Insert(TComponent* component);
    void Remove(TComponent* component);
    void RemoveNotification(TComponent* component);
    void ReleaseLinks();

    TComponent* FOwner = nullptr;
    std::string FName;
    unsigned FComponentState = 0;
    bool FReleased = false;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
};
