#pragma once
// Interfaces as abstract classes identified by GUIDs.
//
// Every interface derives virtually from IInterface and declares its id as
//     static constexpr TGUID IID = MakeGUID("{...}");
// An object exposes interfaces by implementing QueryInterface: for an id it supports it
// stores the matching interface pointer (static_cast<IFoo*>(this)) in *Obj and answers
// true; otherwise it stores nullptr and answers false. An object may refuse a capability
// its class implements (a drawing object that cannot rotate in its current state), and an
// aggregate may answer for its parts (a controller answering for an inner object).
//
// Interfaces carry no reference count: ownership is explicit (owner lists, unique_ptr), and
// observers drop their pointers when the object announces that it is going away.

#include "UGuid.h"

class IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{00000000-0000-0000-C000-000000000046}");

    virtual bool QueryInterface(const TGUID& Id, void** Obj) = 0;

protected:
    ~IInterface() = default;
};

// Stores Self as I in *Obj when Id is I's id (or IInterface's); answers whether it did.
// Implementations chain these: return AnswerInterface<IFoo>(this, Id, Obj) || Base::QueryInterface(Id, Obj);
template <class I, class T>
bool AnswerInterface(T* Self, const TGUID& Id, void** Obj) {
    if (Id == I::IID) {
        *Obj = static_cast<I*>(Self);
        return true;
    }
    return false;
}

// Asks Obj for interface I; nullptr when Obj is null or refuses.
template <class I>
I* QueryObjectInterface(IInterface* Obj) {
    void* p = nullptr;
    if (Obj && Obj->QueryInterface(I::IID, &p))
        return static_cast<I*>(p);
    return nullptr;
}

// Untyped form: answers whether Obj exposes the interface with the given id.
inline bool QueryObjectInterface(IInterface* Obj, const TGUID& Id, void** Out) {
    *Out = nullptr;
    return Obj && Obj->QueryInterface(Id, Out);
}
