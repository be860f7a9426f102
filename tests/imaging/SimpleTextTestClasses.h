#pragma once
// A component owning a simple text, for property-stream round trips.

#include "UComponent.h"
#include "USimpleText.h"

#include <memory>

class TSimpleTextHolder : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TSimpleText* Data READ Data WRITE SetData)
public:
    Q_INVOKABLE explicit TSimpleTextHolder(TComponent* Owner = nullptr)
        : TComponent(Owner), FData(std::make_unique<TSimpleText>()) {}
    TSimpleText* Data() const { return FData.get(); }
    void SetData(TSimpleText* Value) { FData->Assign(Value); }

private:
    std::unique_ptr<TSimpleText> FData;
};

// Registers the holder (harmless to repeat).
void RegisterSimpleTextTestClasses();
