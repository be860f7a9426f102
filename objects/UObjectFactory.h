#pragma once
// Drawing objects by kind name, and the registration of this library's streamable classes.
//
// The object factory and the calendar designers register every kind of object they make:
// the class names themselves and the pseudo-names of paste and creation tools
// ("TLOTextPaste", "TLOYear" ...), each with the function that makes a new object of that
// kind. Designers answer a request for a new object of a kind through CreateObjectOfKind.
//
// User-interface thread only.

#include <QString>
#include <functional>
#include <memory>

class TDrawObject;

using TObjectCreator = std::function<std::unique_ptr<TDrawObject>()>;

// Registers (or replaces) the maker of KindName; names are compared ignoring case. An empty
// name or an empty creator is ignored.
void RegisterObjectKind(const QString& KindName, TObjectCreator Creator);
// Removes the maker of KindName, when there is one.
void UnregisterObjectKind(const QString& KindName);
bool IsObjectKindRegistered(const QString& KindName);
// A new unowned object of the kind: the registered maker's, else a new instance of a
// registered class of that name that is a drawing object; nullptr for any other name.
std::unique_ptr<TDrawObject> CreateObjectOfKind(const QString& KindName);

// Registers the classes of this library that streams create (the design surface). Called
// once at start-up; calling it again is harmless.
void RegisterObjectClasses();
