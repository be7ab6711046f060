/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "reportlimit.h"

#include "tracereport.h"

#include <algorithm>

ReportLimit::ReportLimit()
    : ReportLimit(Caps())
{
}

ReportLimit::ReportLimit(const Caps &caps)
    : m_caps(caps)
{
}

void ReportLimit::startPeriod()
{
    m_accounts.clear();
}

void ReportLimit::logCleared()
{
    for (Account &account : m_accounts) {
        account.written.clear();
    }
}

ReportLimit::Account &ReportLimit::account(uid_t uid, qint64 nowMs)
{
    auto found = m_accounts.find(uid);
    if (found == m_accounts.end()) {
        Account fresh;
        fresh.tokens = m_caps.burst;
        fresh.refilledAt = nowMs;
        found = m_accounts.insert(uid, fresh);
    }
    return *found;
}

void ReportLimit::refill(Account &account, qint64 nowMs) const
{
    const qint64 elapsed = nowMs - account.refilledAt;
    if (elapsed <= 0) {
        return;
    }
    const qint64 gained = elapsed * m_caps.perSecond / 1000;
    if (gained > 0) {
        account.tokens = std::min<qint64>(m_caps.burst, account.tokens + gained);
        // Only the time the tokens were made of is used up: short batches add up.
        account.refilledAt += gained * 1000 / m_caps.perSecond;
    }
    if (account.tokens >= m_caps.burst) {
        account.refilledAt = nowMs;
    }
}

bool ReportLimit::saturated(uid_t uid, qint64 nowMs)
{
    Account &known = account(uid, nowMs);
    refill(known, nowMs);
    return known.tokens <= 0 || known.writtenInPeriod >= m_caps.total;
}

void ReportLimit::skipped(uid_t uid)
{
    const auto found = m_accounts.find(uid);
    if (found != m_accounts.end()) {
        ++found->uncounted;
    }
}

// Held-back reports are remembered as far as the period's cap reaches, so
// that one written later is no longer counted; beyond that they are numbers.
void ReportLimit::hold(Account &account, const QByteArray &record) const
{
    if (account.heldBack.contains(record)) {
        return;
    }
    if (account.heldBack.size() < m_caps.total) {
        account.heldBack.insert(record);
    } else {
        ++account.uncounted;
    }
}

bool ReportLimit::admit(uid_t uid, const QByteArray &record, qint64 nowMs)
{
    Account &known = account(uid, nowMs);
    if (known.written.contains(record)) {
        return false;
    }
    refill(known, nowMs);
    if (known.tokens <= 0 || known.writtenInPeriod >= m_caps.total) {
        hold(known, record);
        return false;
    }
    --known.tokens;
    ++known.writtenInPeriod;
    known.written.insert(record);
    known.heldBack.remove(record);
    return true;
}

qint64 ReportLimit::held(uid_t uid) const
{
    const auto found = m_accounts.constFind(uid);
    return found == m_accounts.constEnd() ? 0 : found->heldBack.size() + found->uncounted;
}

QList<QByteArray> ReportLimit::counts(qint64 nowMs, bool all)
{
    QList<QByteArray> lines;
    for (auto it = m_accounts.begin(); it != m_accounts.end(); ++it) {
        const qint64 count = held(it.key());
        if (count == it->said || (!all && nowMs - it->saidAt < sayEveryMs)) {
            continue;
        }
        it->said = count;
        it->saidAt = nowMs;
        lines.append(TraceReport::droppedRecord(it.key(), count));
    }
    return lines;
}

bool ReportLimit::countPending() const
{
    for (auto it = m_accounts.cbegin(); it != m_accounts.cend(); ++it) {
        if (held(it.key()) != it->said) {
            return true;
        }
    }
    return false;
}
