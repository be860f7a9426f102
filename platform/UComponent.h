#pragma once
// Components: persistent objects with an owner, a name and the components they own.
//
// Ownership is explicit and single: a component created with an owner (new TFoo(Owner)) is
// owned by it and destroyed with it; a component without an owner belongs to whoever holds
// it, normally a std::unique_ptr. Deleting an owned component is allowed at any time: it
// leaves its owner's list first, and the owner (and through it the other components it owns)
// is told with Notification(Component, opRemove). QObject parenting is never used for
// components; do not give a component a QObject parent.
//
// A component answers IInterface; subclasses that implement capability interfaces list the
// persistent base first (class TLORect : public TLORectBase, public IDORotate) and chain:
//
//   bool QueryInterface(const TGUID& Id, void** Obj) override {
//       return AnswerInterface<IDORect>(this, Id, Obj) || TLabelObject::QueryInterface(Id, Obj);
//   }
//
// Published by every component: Name (written as the object name, not as a property) and
// Tag (default 0). A stream reader creates components unowned, reads them, then inserts
// them into their owner; after the whole tree is read each component gets Loaded().

#include "UException.h"
#include "UInterface.h"
#include "UPersistent.h"

#include <QFlags>
#include <functional>
#include <memory>
#include <vector>

VANTOMI_DECLARE_EXCEPTION(EComponentError, Exception)

enum TComponentStateFlag : unsigned {
    csLoading = 0x01,    // read from a stream; Loaded() has not run yet
    csReading = 0x02,    // its properties are being read
    csWriting = 0x04,    // it is being written
    csDestroying = 0x08, // its destructor (or its owner's) is running
    csDesigning = 0x10,  // it lives in a design surface as an object being edited
};
Q_DECLARE_FLAGS(TComponentState, TComponentStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TComponentState)

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent, public virtual IInterface {
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_CLASSINFO("Default:Tag", "0")
    // The design position the class library keeps for non-visual components.
    Q_CLASSINFO("Ignored", "Left,Top")
public:
    using TGetChildProc = std::function<void(TComponent*)>;

    // Creates the component owned by Owner (none when null).
    explicit TComponent(TComponent* Owner = nullptr);
    // Destroys the owned components (last first), then leaves the owner. This runs after
    // the subclass destructors: a class whose owned components need it intact while they go
    // calls DestroyComponents() first in its own destructor.
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    // The owned component at Index (0 .. ComponentCount() - 1, creation order); raises
    // EListError outside.
    TComponent* Components(int Index) const;
    // Position in the owner's list, -1 without an owner.
    int ComponentIndex() const;
    // The owned component named Name (ignoring case), or null.
    TComponent* FindComponent(const QString& Name) const;

    // Takes ownership of Component, moving it from its previous owner. Raises
    // EComponentError, without taking ownership, when its name is already used here.
    void InsertComponent(TComponent* Component);
    // Gives up ownership of an owned component and hands it to the caller.
    std::unique_ptr<TComponent> RemoveComponent(TComponent* Component);
    // Destroys every owned component, last first.
    void DestroyComponents();

    const QString& Name() const { return FName; }
    // A name is empty or an identifier (ASCII letters, digits, '_', not starting with a
    // digit) not used by another component of the same owner, ignoring case; otherwise
    // EComponentError.
    void SetName(const QString& Value);
    int Tag() const { return FTag; }
    void SetTag(int Value) { FTag = Value; }

    TComponentState ComponentState() const { return FState; }
    // For the stream reader and writer and the design surface.
    void IncludeState(TComponentStateFlag Flag) { FState |= Flag; }
    void ExcludeState(TComponentStateFlag Flag) { FState &= ~TComponentState(Flag); }

    // Links this component and Component so that each is told (Notification opRemove)
    // when the other is destroyed; for references to components of another owner. The
    // link goes away with either component.
    void FreeNotification(TComponent* Component);
    void RemoveFreeNotification(TComponent* Component);

    // The components written as this component's children, in order. The base hands out
    // every owned component in creation order; a class that owns helpers it does not
    // stream overrides this.
    virtual void GetChildren(const TGetChildProc& Proc, TComponent* Root) const;
    // Called by the stream reader on a child right after creating it, with the object it
    // is read into. The base does nothing; controls take it as their parent.
    virtual void SetParentComponent(TComponent* Parent);
    // Called once the whole tree this component was read with is complete, references
    // resolved. Overrides rebuild derived state and must call the inherited Loaded, which
    // clears csLoading.
    virtual void Loaded();

    bool QueryInterface(const TGUID& Id, void** Obj) override;

    // True when Name is a valid component name (empty counts as valid).
    static bool IsValidName(const QString& Name);

protected:
    // Told when a component is inserted into or removed from this component's owner list,
    // and when a component asked for with FreeNotification is destroyed. The base passes
    // the news on to every owned component.
    virtual void Notification(TComponent* Component, TOperation Operation);

private:
    void Destroying();
    void CheckUniqueName(const QString& Name, const TComponent* Except) const;
    TComponent* Detach(TComponent* Component);

    TComponent* FOwner = nullptr;
    std::vector<std::unique_ptr<TComponent>> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    QString FName;
    int FTag = 0;
    TComponentState FState;
};
