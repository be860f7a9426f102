#pragma once
// Copying components through their published properties.

#include "UClasses.h"
#include "UComponent.h"

#include <memory>
#include <type_traits>

// Copies every stored, writable published property of Source to Dest, whose class must be
// Source's class or derived from it (else EConvertError, the assign error). Values go
// through the properties' setters: nested objects and collections are copied by their
// setters (which assign), component references are copied as references. The name is not
// copied (it is not stored), nor are custom properties. The published event handlers follow
// (TPersistent::CopyEventHandlers): the copy calls the same handlers as Source.
void CopyPublishedProperties(const TPersistent& Source, TPersistent& Dest);

// A new instance of Source's class (which must be registered) with Source's published
// properties copied into it. The first form hands the clone to the caller; the second
// makes Owner its owner and answers it.
std::unique_ptr<TComponent> CloneComponent(const TComponent& Source);
TComponent* CloneComponent(const TComponent& Source, TComponent& Owner);

// A new unowned instance of Source's class (which must be registered, else EClassNotFound),
// typed as Source is and assigned from it: everything Assign copies, stored or not, where
// CloneComponent copies the published properties only.
template <class T>
std::unique_ptr<T> CloneOf(const T& Source) {
    static_assert(std::is_base_of_v<TPersistent, T>, "only persistent objects are cloned");
    std::unique_ptr<TPersistent> Created = CreatePersistent(*Source.metaObject());
    if (!qobject_cast<T*>(Created.get()))
        throw EClassNotFound(QStringLiteral("クラス %1 を複製できません")
                                 .arg(QString::fromLatin1(Source.metaObject()->className())));
    std::unique_ptr<T> Clone(static_cast<T*>(Created.release()));
    Clone->Assign(&Source);
    return Clone;
}
