#include "UComponentCopy.h"

#include "UClasses.h"

void CopyPublishedProperties(const TPersistent& Source, TPersistent& Dest) {
    const QMetaObject& cls = *Source.metaObject();
    if (!Dest.metaObject()->inherits(&cls))
        throw EConvertError(
            QStringLiteral("%1 を %2 に代入できません").arg(Source.ClassName(), Dest.ClassName()));
    for (const TPropInfo& p : GetPropList(cls).Props())
        if (p.IsWritable() && p.IsStored(Source))
            p.CopyValue(Source, Dest);
    Source.CopyEventHandlers(Dest);
}

std::unique_ptr<TComponent> CloneComponent(const TComponent& Source) {
    std::unique_ptr<TPersistent> created = CreatePersistent(*Source.metaObject());
    std::unique_ptr<TComponent> clone(qobject_cast<TComponent*>(created.release()));
    CopyPublishedProperties(Source, *clone);
    return clone;
}

TComponent* CloneComponent(const TComponent& Source, TComponent& Owner) {
    std::unique_ptr<TComponent> clone = CloneComponent(Source);
    Owner.InsertComponent(clone.get()); // an unnamed component always fits
    return clone.release();
}
