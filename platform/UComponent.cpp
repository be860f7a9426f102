#include "UComponent.h"

#include <algorithm>

TComponent::TComponent(TComponent* Owner) {
    if (Owner)
        Owner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        std::erase(other->FFreeNotifies, this);
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner) {
        TComponent* owner = FOwner;
        owner->Detach(this);
        owner->Notification(this, opRemove);
    }
}

TComponent* TComponent::Components(int Index) const {
    if (Index < 0 || Index >= ComponentCount())
        throw EListError(
            QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
    return FComponents[static_cast<size_t>(Index)].get();
}

int TComponent::ComponentIndex() const {
    if (!FOwner)
        return -1;
    const auto& list = FOwner->FComponents;
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == this)
            return static_cast<int>(i);
    return -1;
}

TComponent* TComponent::FindComponent(const QString& Name) const {
    if (Name.isEmpty())
        return nullptr;
    for (const auto& c : FComponents)
        if (c->FName.compare(Name, Qt::CaseInsensitive) == 0)
            return c.get();
    return nullptr;
}

void TComponent::InsertComponent(TComponent* Component) {
    if (!Component || Component->FOwner == this)
        return;
    for (const TComponent* o = this; o; o = o->FOwner)
        if (o == Component)
            throw EComponentError(QStringLiteral("コンポーネント %1 は自分自身を所有できません")
                                      .arg(Component->FName));
    CheckUniqueName(Component->FName, nullptr);
    if (TComponent* previous = Component->FOwner) {
        previous->Detach(Component);
        previous->Notification(Component, opRemove);
    }
    FComponents.emplace_back(Component);
    Component->FOwner = this;
    Notification(Component, opInsert);
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent* Component) {
    if (!Component || Component->FOwner != this)
        return nullptr;
    std::unique_ptr<TComponent> owned(Detach(Component));
    Notification(Component, opRemove);
    return owned;
}

void TComponent::DestroyComponents() {
    const bool quiet = FState.testFlag(csDestroying);
    while (!FComponents.empty()) {
        std::unique_ptr<TComponent> c(Detach(FComponents.back().get()));
        if (!quiet)
            Notification(c.get(), opRemove);
    }
}

TComponent* TComponent::Detach(TComponent* Component) {
    auto it = std::find_if(FComponents.begin(), FComponents.end(),
                           [Component](const auto& c) { return c.get() == Component; });
    if (it == FComponents.end())
        return nullptr;
    it->release();
    FComponents.erase(it);
    Component->FOwner = nullptr;
    return Component;
}

void TComponent::SetName(const QString& Value) {
    if (Value == FName)
        return;
    if (!IsValidName(Value))
        throw EComponentError(QStringLiteral("'%1' はコンポーネント名として無効です").arg(Value));
    if (FOwner)
        FOwner->CheckUniqueName(Value, this);
    FName = Value;
}

void TComponent::CheckUniqueName(const QString& Name, const TComponent* Except) const {
    const TComponent* found = FindComponent(Name);
    if (found && found != Except)
        throw EComponentError(
            QStringLiteral("%1 という名前のコンポーネントは既に存在します").arg(Name));
}

bool TComponent::IsValidName(const QString& Name) {
    for (qsizetype i = 0; i < Name.size(); ++i) {
        const char16_t c = Name[i].unicode();
        const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
        const bool digit = c >= u'0' && c <= u'9';
        if (!letter && !(digit && i > 0))
            return false;
    }
    return true;
}

void TComponent::FreeNotification(TComponent* Component) {
    if (!Component || Component == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), Component) == FFreeNotifies.end()) {
        FFreeNotifies.push_back(Component);
        Component->FFreeNotifies.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* Component) {
    if (!Component)
        return;
    std::erase(FFreeNotifies, Component);
    std::erase(Component->FFreeNotifies, this);
}

void TComponent::GetChildren(const TGetChildProc& Proc, TComponent*) const {
    for (size_t i = 0; i < FComponents.size(); ++i)
        Proc(FComponents[i].get());
}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::Loaded() {
    ExcludeState(csLoading);
}

bool TComponent::QueryInterface(const TGUID& Id, void** Obj) {
    if (AnswerInterface<IInterface>(this, Id, Obj))
        return true;
    *Obj = nullptr;
    return false;
}

void TComponent::Notification(TComponent* Component, TOperation Operation) {
    if (Operation == opRemove && Component)
        RemoveFreeNotification(Component);
    // By index: a handler may remove components from the list.
    for (size_t i = 0; i < FComponents.size(); ++i)
        FComponents[i]->Notification(Component, Operation);
}

void TComponent::Destroying() {
    if (FState.testFlag(csDestroying))
        return;
    IncludeState(csDestroying);
    for (const auto& c : FComponents)
        c->Destroying();
}
