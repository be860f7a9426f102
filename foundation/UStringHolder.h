#pragma once
// A component that keeps multi-line text in a form (the default paper description, for
// example), stored with the form like any other property.

#include "UComponent.h"
#include "UStringList.h"

class TStringHolder : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TStringList Text READ Text WRITE SetText)
public:
    explicit TStringHolder(TComponent* Owner = nullptr) : TComponent(Owner) {}

    const TStringList& Text() const { return FText; }
    // Replaces the lines with those of Value.
    void SetText(const TStringList& Value) { FText = Value; }

private:
    TStringList FText;
};
