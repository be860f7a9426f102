#pragma once
// Copying components through their published properties.

#include "UComponent.h"

#include <memory>

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
