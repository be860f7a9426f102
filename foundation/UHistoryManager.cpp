#include "UHistoryManager.h"

#include "UAppFrame.h"
#include "URegistry.h"

#include <QAction>
#include <QMenu>
#include <map>

namespace {

const QString ItemPrefix = QStringLiteral("Item");

// The entry number of a value name "Item<digits>", or -1.
int ItemNumber(const QString& Name) {
    if (!Name.startsWith(ItemPrefix, Qt::CaseInsensitive) || Name.size() == ItemPrefix.size())
        return -1;
    for (qsizetype i = ItemPrefix.size(); i < Name.size(); ++i)
        if (!Name[i].isDigit() || Name[i].unicode() > u'9')
            return -1;
    bool ok = false;
    const int number = Name.mid(ItemPrefix.size()).toInt(&ok);
    return ok ? number : -1;
}

QMenu* ParentMenu(QAction* Item) {
    for (QObject* object : Item->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(object))
            return menu;
    return nullptr;
}

} // namespace

THistoryManager::~THistoryManager() {
    RemoveMenuItems();
}

void THistoryManager::SetRegistryKey(const QString& Value) {
    FRegistryKey = Value;
    RebuildMenu();
}

void THistoryManager::SetLimit(int Value) {
    FLimit = Value;
    RebuildMenu();
}

void THistoryManager::SetMenuItem(QAction* Value) {
    FMenuItem = Value;
    RebuildMenu();
}

void THistoryManager::SetUseAccelerator(bool Value) {
    FUseAccelerator = Value;
    RebuildMenu();
}

void THistoryManager::SetClearHistoryCaption(const QString& Value) {
    FClearHistoryCaption = Value;
    RebuildMenu();
}

void THistoryManager::SplitKey(QString& Key, QString& Section) const {
    const QString expanded = ExpandMacros(FRegistryKey);
    const qsizetype split = expanded.lastIndexOf(QLatin1Char('\\'));
    Key = split < 0 ? QString() : expanded.left(split);
    Section = expanded.mid(split + 1);
    if (Key.isEmpty() || Section.isEmpty())
        throw EHistoryManager(QStringLiteral("History用のキーがセットされていません"));
}

QStringList THistoryManager::GetItems() const {
    QString key, section;
    SplitKey(key, section);
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(QLatin1Char('\\') + key + QLatin1Char('\\') + section))
        return {};
    std::map<int, QString> entries;
    for (const QString& name : registry.GetValueNames()) {
        const int number = ItemNumber(name);
        if (number >= 0)
            entries.emplace(number, registry.ReadString(name));
    }
    QStringList items;
    for (const auto& entry : entries)
        items.append(entry.second);
    return items;
}

void THistoryManager::AddItem(const QString& Text) {
    QStringList items = GetItems();
    const qsizetype index = items.indexOf(Text);
    if (index >= 0)
        items.removeAt(index);
    items.prepend(Text);
    while (!items.isEmpty() && items.size() > FLimit)
        items.removeLast();
    Save(items);
}

void THistoryManager::Clear() {
    Save({});
}

void THistoryManager::Save(const QStringList& Items) {
    QString key, section;
    SplitKey(key, section);
    TRegistry registry;
    TRegistryUpdate update(registry);
    const QString path = QLatin1Char('\\') + key;
    if (!registry.OpenKey(path, true))
        throw ERegistryException(QStringLiteral("設定キー %1 を開けません").arg(key));
    registry.DeleteKey(section);
    if (!Items.isEmpty()) {
        registry.OpenKey(section, true);
        for (qsizetype i = 0; i < Items.size(); ++i)
            registry.WriteString(ItemPrefix + QString::number(i), Items[i]);
    }
    update.Commit();
    RebuildMenu();
}

void THistoryManager::RemoveMenuItems() {
    // An item may be removed while its own click is being handled, so it is taken out of
    // the menu now and freed once control is back in the event loop.
    for (const QPointer<QAction>& action : FCreated) {
        if (!action)
            continue;
        action->disconnect();
        for (QObject* object : action->associatedObjects())
            if (auto* widget = qobject_cast<QWidget*>(object))
                widget->removeAction(action);
        action->deleteLater();
    }
    FCreated.clear();
}

QString THistoryManager::Caption(int Index, const QString& Text) const {
    QString caption = Text;
    caption.replace(QLatin1Char('&'), QLatin1String("&&"));
    if (!FUseAccelerator)
        return caption;
    const QChar key = Index < 10 ? QChar(u'0' + Index) : QChar(u'A' + Index - 10);
    return QLatin1Char('&') + key + QLatin1Char(' ') + caption;
}

void THistoryManager::Choose(const QString& Text) {
    AddItem(Text);
    if (OnMenuClick)
        OnMenuClick(this, Text);
}

void THistoryManager::RebuildMenu() {
    RemoveMenuItems();
    if (!FMenuItem || FRegistryKey.isEmpty())
        return;
    const QStringList items = GetItems();
    FMenuItem->setVisible(false);
    QMenu* menu = ParentMenu(FMenuItem);
    if (!menu || items.isEmpty())
        return;
    const QList<QAction*> actions = menu->actions();
    const qsizetype position = actions.indexOf(FMenuItem.data());
    QAction* before = position + 1 < actions.size() ? actions[position + 1] : nullptr;
    auto insert = [&](QAction* Action) {
        menu->insertAction(before, Action);
        FCreated.emplace_back(Action);
    };
    auto separator = [&] {
        auto* action = new QAction(menu);
        action->setSeparator(true);
        insert(action);
    };
    if (position > 0)
        separator();
    for (qsizetype i = 0; i < items.size(); ++i) {
        auto* action = new QAction(Caption(static_cast<int>(i), items[i]), menu);
        const QString text = items[i];
        QObject::connect(action, &QAction::triggered, action, [this, text] { Choose(text); });
        insert(action);
    }
    if (!FClearHistoryCaption.isEmpty()) {
        separator();
        auto* action = new QAction(FClearHistoryCaption, menu);
        QObject::connect(action, &QAction::triggered, action, [this] { Clear(); });
        insert(action);
    }
}
