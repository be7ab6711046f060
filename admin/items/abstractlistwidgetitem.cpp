#include "items/abstractlistwidgetitem.h"

AbstractListWidgetItem::AbstractListWidgetItem()
    : QListWidgetItem()
{
}

AbstractListWidgetItem::~AbstractListWidgetItem() = default;

void AbstractListWidgetItem::updateAppearance()
{
    const QString text = displayText();
    setText(text);
    setToolTip(text);
}
