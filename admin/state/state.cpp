#include "state/state.h"

State::State(QObject *parent)
    : QObject(parent)
{
}

State::~State() = default;

bool State::isChanged() const
{
    return m_changed;
}

void State::setChanged(bool changed)
{
    m_changed = changed;
    Q_EMIT wasChanged(changed);
}
